#include "engine/layout_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tabulora {
namespace {

struct Line {
    int tabs;
    std::string text;
};

// Lines joined with CR LF, each indented by its TABs; no line break after the last.
std::string Layout(const std::vector<Line>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) out += "\r\n";
        out += std::string(lines[i].tabs, '\t') + lines[i].text;
    }
    return out;
}

struct ReformatCase {
    const char* name;
    std::string input;
    std::string expected;
};

class ReformatTest : public ::testing::TestWithParam<ReformatCase> {};

TEST_P(ReformatTest, WritesTheLineLayout) {
    EXPECT_EQ(ReformatJSONText(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ReformatTest,
    ::testing::Values(
        ReformatCase{"EveryKindOfMember",
                     R"({"a":1,"b":"x\"y","c":true,"d":null,"e":[1,2],"f":{},"g":[],"h":{"i":-1.5e3}})",
                     Layout({{0, "{"},
                             {1, R"("a": 1,)"},
                             {1, R"("b": "x\"y",)"},
                             {1, R"("c": true,)"},
                             {1, R"("d": null,)"},
                             {1, R"("e": )"},
                             {1, "["},
                             {2, "1,"},
                             {2, "2"},
                             {1, "],"},
                             {1, R"("f": {)"},
                             {2, "},"},
                             {1, R"("g": [],)"},
                             {1, R"("h": {)"},
                             {2, R"("i": -1.5e3)"},
                             {1, "}"},
                             {0, "}"}})},
        ReformatCase{"ArrayOfObjectsStartsWithALineBreak", R"([{"a":1},{"a":2}])",
                     Layout({{0, ""},
                             {0, "["},
                             {1, "{"},
                             {2, R"("a": 1)"},
                             {1, "},"},
                             {1, "{"},
                             {2, R"("a": 2)"},
                             {1, "}"},
                             {0, "]"}})},
        ReformatCase{"NestedArrays", R"({"k":[[1,2],[]]})",
                     Layout({{0, "{"},
                             {1, R"("k": )"},
                             {1, "["},
                             {2, "["},
                             {3, "1,"},
                             {3, "2"},
                             {2, "],"},
                             {2, "[]"},
                             {1, "]"},
                             {0, "}"}})},
        ReformatCase{"EmptyObjectClosesOneTabDeeper", "{}", "{\r\n\t}"},
        ReformatCase{"EmptyArrayStaysOnItsLine", "[]", "[]"},
        ReformatCase{"OnlyTheFirstValue", R"({"a":1}{"b":2})", Layout({{0, "{"}, {1, R"("a": 1)"}, {0, "}"}})},
        ReformatCase{"JunkBeforeTheClosingBracketIsDropped", "[1 2]", Layout({{0, ""}, {0, "["}, {1, "1"}, {0, "]"}})},
        ReformatCase{"LeadingZeroStops", R"({"a":01})", Layout({{0, "{"}, {1, R"("a": null)"}})},
        ReformatCase{"SingleQuotedValueStops", "{name:'x'}", Layout({{0, "{"}, {1, R"("name": null)"}})},
        ReformatCase{"BareNameWithEquals", "{n = 3}", Layout({{0, "{"}, {1, R"("n": 3)"}, {0, "}"}})},
        ReformatCase{"SingleQuotedName", "{'q r' : 2}", Layout({{0, "{"}, {1, R"("q r": 2)"}, {0, "}"}})},
        ReformatCase{"ValueEscapesStay", R"({"x":"\u00e9"})", Layout({{0, "{"}, {1, R"("x": "\u00e9")"}, {0, "}"}})},
        ReformatCase{"NameEscapesAreDecodedAndWrittenAgain", R"({"\u00e9\n":1})",
                     Layout({{0, "{"}, {1, "\"\xC3\xA9\\n\": 1"}, {0, "}"}})},
        ReformatCase{"QuoteAfterStringIsTakenAsSeparator", R"(["a" "b"])",
                     Layout({{0, ""}, {0, "["}, {1, R"("a"")"}, {1, "null"}})},
        ReformatCase{"TrailingCommaInObject", R"({"a":1,})", Layout({{0, "{"}, {1, R"("a": 1,)"}, {1, ""}})},
        ReformatCase{"UnclosedArray", "[1,2", Layout({{0, ""}, {0, "["}, {1, "1,"}, {1, "2"}})},
        ReformatCase{"RawLineFeedInStringIsCopied", "{\"a\":\"x\ny\"}", "{\r\n\t\"a\": \"x\ny\"\r\n}"},
        ReformatCase{"OnlyBlanksGiveNull", " \t\r\n ", "null"},
        ReformatCase{"WordGivesNull", "hello", "null"},
        ReformatCase{"EmptyText", "", ""},
        ReformatCase{"UnclosedStringIsNotWritten", R"({"a":1,"b":"x)", Layout({{0, "{"}, {1, R"("a": 1,)"}, {1, R"("b": )"}})},
        ReformatCase{"UnreadableNameDropsItsLine", R"({"a":1,"b" 2})", Layout({{0, "{"}, {1, R"("a": 1,)"}, {1, ""}})},
        ReformatCase{"CapitalLiteralStops", "[True]", Layout({{0, ""}, {0, "["}, {1, "null"}})},
        ReformatCase{"PlusNumberStops", "[+1]", Layout({{0, ""}, {0, "["}, {1, "null"}})},
        ReformatCase{"TextEndingAfterSeparatorKeepsIt", "[1,", Layout({{0, ""}, {0, "["}, {1, "1,"}})},
        ReformatCase{"ZeroByteEndsTheText", std::string("[1,\0 2]", 7), Layout({{0, ""}, {0, "["}, {1, "1,"}})},
        ReformatCase{"NumberJunkUpToFieldEnd", "[1-2x, 3]", Layout({{0, ""}, {0, "["}, {1, "1-2,"}, {1, "3"}, {0, "]"}})},
        ReformatCase{"ControlBytesInNamesAreEscaped", "{\"a\\u001fb\\\"\\\\/\":1}",
                     Layout({{0, "{"}, {1, R"("a\u001Fb\"\\/": 1)"}, {0, "}"}})},
        ReformatCase{"SurrogatePairInNameEitherOrder", R"({"\ud83d\ude00\ude00\ud83d":1})",
                     Layout({{0, "{"}, {1, "\"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\": 1"}, {0, "}"}})},
        ReformatCase{"LoneSurrogateAndNulInNameGiveQuestionMarks", R"({"\ud83dx\u0000\uZZ":1})",
                     Layout({{0, "{"}, {1, R"("?x??ZZ": 1)"}, {0, "}"}})},
        ReformatCase{"NameMustBeFollowedByColon", R"({"a",1})", "{\r\n\t"},
        ReformatCase{"ShortLiteralAtTheEnd", "[n", Layout({{0, ""}, {0, "["}, {1, "null"}})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReformatDepth, DeepNestingEndsTheReadingWithoutCrashing) {
    const std::string deep(1'000'000, '[');
    const std::string out = ReformatJSONText(deep);
    // The containers up to the limit are opened, the one beyond it stops the reading.
    size_t brackets = 0;
    for (char c : out) brackets += c == '[';
    EXPECT_EQ(brackets, kMaxNestingDepth);
}

TEST(ReformatDepth, NestingBelowTheLimitIsClosed) {
    const int depth = 100;
    const std::string text = std::string(depth, '[') + "1" + std::string(depth, ']');
    const std::string out = ReformatJSONText(text);
    EXPECT_EQ(std::count(out.begin(), out.end(), ']'), depth);
    EXPECT_EQ(out.back(), ']');
}

struct AllValuesCase {
    const char* name;
    std::string input;
    std::string expected;
};

class HumanReadableTest : public ::testing::TestWithParam<AllValuesCase> {};

TEST_P(HumanReadableTest, RewritesEveryTopLevelValue) {
    EXPECT_EQ(HumanReadableJson(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, HumanReadableTest,
    ::testing::Values(
        AllValuesCase{"JsonLines", "{\"a\":1}\n{\"a\":2}\n",
                      Layout({{0, "{"}, {1, R"("a": 1)"}, {0, "}"}, {0, "{"}, {1, R"("a": 2)"}, {0, "}"}})},
        AllValuesCase{"ConcatenatedArraysAreTrimmed", "[1] [2]",
                      Layout({{0, "["}, {1, "1"}, {0, "]"}, {0, "["}, {1, "2"}, {0, "]"}})},
        AllValuesCase{"StoppedValueEndsTheReading", "{\"a\":1,} {\"b\":2}", Layout({{0, "{"}, {1, R"("a": 1,)"}})},
        AllValuesCase{"JunkAfterAValueGivesNullAndStops", "{\"a\":1} x {\"b\":2}",
                      Layout({{0, "{"}, {1, R"("a": 1)"}, {0, "}"}, {0, "null"}})},
        AllValuesCase{"TopLevelScalarEndsTheReading", "1 2", "1"},
        AllValuesCase{"Empty", "", ""},
        AllValuesCase{"Blank", "  ", "null"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tabulora
