#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/line_breaks.h"
#include "engine/text_feeder.h"
#include "whole_text.h"

namespace tabulora {
namespace {

// Feeds `text` in pieces of `pieceSize` bytes, each in its own buffer; like the file reader, it
// ends the text at the first zero byte.
void FeedInPieces(std::string_view text, size_t pieceSize, TextFeeder& feeder) {
    const size_t zero = text.find('\0');
    text = text.substr(0, zero);
    LineBreakCounter breaks;
    for (size_t start = 0; start < text.size(); start += pieceSize) {
        const std::string_view piece = text.substr(start, pieceSize);
        std::vector<char> buffer(kPieceHeadroom + piece.size() + 1);
        char* data = buffer.data() + kPieceHeadroom;
        std::copy(piece.begin(), piece.end(), data);
        feeder.Feed(TextPiece{data, piece.size(), breaks.BreaksBefore(piece[0])});
        breaks.Add(piece);
    }
    feeder.Finish(breaks.BreaksAtEnd(), zero != std::string_view::npos);
}

// FirstValueLayout, or with `allValues` AllValuesLayout, of a text read in pieces.
std::string LayoutInPieces(std::string_view text, size_t pieceSize, bool allValues) {
    LayoutCollector collector(allValues);
    LayoutReader reader(collector, ReaderOptions{allValues, allValues, false});
    TextFeeder feeder(reader, allValues);
    FeedInPieces(text, pieceSize, feeder);
    return collector.Text();
}

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

TEST_P(ReformatTest, WritesTheLineLayout) { EXPECT_EQ(FirstValueLayout(GetParam().input), GetParam().expected); }

// A token may be cut anywhere by the end of a piece of input.
TEST_P(ReformatTest, SameLayoutFromPiecesOfAnySize) {
    const std::string& input = GetParam().input;
    for (size_t pieceSize = 1; pieceSize <= 8; ++pieceSize)
        EXPECT_EQ(LayoutInPieces(input, pieceSize, false), GetParam().expected) << "pieces of " << pieceSize;
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
        ReformatCase{"OnlyBlanksGiveNull", " \t\r\n ", "null"}, ReformatCase{"WordGivesNull", "hello", "null"},
        ReformatCase{"EmptyText", "", ""},
        ReformatCase{"UnclosedStringIsNotWritten", R"({"a":1,"b":"x)",
                     Layout({{0, "{"}, {1, R"("a": 1,)"}, {1, R"("b": )"}})},
        ReformatCase{"UnreadableNameDropsItsLine", R"({"a":1,"b" 2})", Layout({{0, "{"}, {1, R"("a": 1,)"}, {1, ""}})},
        ReformatCase{"CapitalLiteralStops", "[True]", Layout({{0, ""}, {0, "["}, {1, "null"}})},
        ReformatCase{"PlusNumberStops", "[+1]", Layout({{0, ""}, {0, "["}, {1, "null"}})},
        ReformatCase{"TextEndingAfterSeparatorKeepsIt", "[1,", Layout({{0, ""}, {0, "["}, {1, "1,"}})},
        ReformatCase{"ZeroByteEndsTheText", std::string("[1,\0 2]", 7), Layout({{0, ""}, {0, "["}, {1, "1,"}})},
        ReformatCase{"NumberJunkUpToFieldEnd", "[1-2x, 3]",
                     Layout({{0, ""}, {0, "["}, {1, "1-2,"}, {1, "3"}, {0, "]"}})},
        ReformatCase{"ControlBytesInNamesAreEscaped", "{\"a\\u001fb\\\"\\\\/\":1}",
                     Layout({{0, "{"}, {1, R"("a\u001Fb\"\\/": 1)"}, {0, "}"}})},
        ReformatCase{"SurrogatePairInNameEitherOrder", R"({"\ud83d\ude00\ude00\ud83d":1})",
                     Layout({{0, "{"}, {1, "\"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\": 1"}, {0, "}"}})},
        ReformatCase{"LoneSurrogateAndNulInNameGiveQuestionMarks", R"({"\ud83dx\u0000\uZZ":1})",
                     Layout({{0, "{"}, {1, R"("?x??ZZ": 1)"}, {0, "}"}})},
        ReformatCase{"NameMustBeFollowedByColon", R"({"a",1})", "{\r\n\t"},
        ReformatCase{"ShortLiteralAtTheEnd", "[n", Layout({{0, ""}, {0, "["}, {1, "null"}})},
        // The separator after a string is whatever byte follows; one that begins a multi-byte
        // character would stand alone, so it is written as U+FFFD (the rest cannot be read).
        ReformatCase{"LeadByteAsSeparatorBecomesReplacementCharacter", "[\"a\"\xC3\xA9]",
                     Layout({{0, ""}, {0, "["}, {1, "\"a\"\xEF\xBF\xBD"}, {1, "null"}})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReformatDepth, DeepNestingEndsTheReadingWithoutCrashing) {
    const std::string deep(1'000'000, '[');
    const std::string out = FirstValueLayout(deep);
    // The containers up to the limit are opened, the one beyond it stops the reading.
    size_t brackets = 0;
    for (char c : out) brackets += c == '[';
    EXPECT_EQ(brackets, kMaxNestingDepth);
}

TEST(ReformatDepth, NestingBelowTheLimitIsClosed) {
    const int depth = 100;
    const std::string text = std::string(depth, '[') + "1" + std::string(depth, ']');
    const std::string out = FirstValueLayout(text);
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
    EXPECT_EQ(AllValuesLayout(GetParam().input), GetParam().expected);
    for (size_t pieceSize = 1; pieceSize <= 5; ++pieceSize)
        EXPECT_EQ(LayoutInPieces(GetParam().input, pieceSize, true), GetParam().expected) << "pieces of " << pieceSize;
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
        AllValuesCase{"TopLevelScalarsAreValuesLikeAnyOther", "1 true\nnull\n\"s\" {\"a\":2}",
                      Layout({{0, "1"}, {0, "true"}, {0, "null"}, {0, "\"s\""}, {0, "{"}, {1, R"("a": 2)"}, {0, "}"}})},
        AllValuesCase{"JunkAfterTopLevelScalarStops", "1x {\"a\":2}", Layout({{0, "1"}, {0, "null"}})},
        // The text is read as its lines, each followed by CR LF: a member whose colon ends the text
        // still gets its value, "null"; raw line breaks in names read as CR LF.
        AllValuesCase{"ColonAtTheEndOfTheText", R"({"a":1,"b":)",
                      Layout({{0, "{"}, {1, R"("a": 1,)"}, {1, R"("b": null)"}})},
        AllValuesCase{
            "RawLineBreaksInNamesReadAsCrLf", "{\"a\nb\":1,\"c\rd\":2,\"e\\\nf\":3}",
            Layout({{0, "{"}, {1, R"("a\r\nb": 1,)"}, {1, R"("c\r\nd": 2,)"}, {1, R"("e\r\nf": 3)"}, {0, "}"}})},
        AllValuesCase{"Empty", "", ""}, AllValuesCase{"Blank", "  ", "null"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tabulora

namespace tabulora {
namespace {

std::string Repeated(std::string_view text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

struct StopCase {
    const char* name;
    std::string input;
    StopReason reason;
    uint64_t line;  // 0 when reading did not stop and no zero byte cut the text
    uint64_t column;
    std::string before;  // the context: the part before the stop, which every feeding shows whole,
    std::string after;   // and the part after it, of which small pieces may show only the start
};

class ReadingStopTest : public ::testing::TestWithParam<StopCase> {};

// Where and why reading stopped, also when the stop lies in bytes carried over from an earlier
// piece of input. What follows the stop is only known as far as the text has come.
TEST_P(ReadingStopTest, TellsThePlaceAndTheReason) {
    const StopCase& c = GetParam();
    for (size_t pieceSize : {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{1000}}) {
        LayoutCollector collector(true);
        LayoutReader reader(collector, ReaderOptions{true, true, true});
        TextFeeder feeder(reader, true);
        FeedInPieces(c.input, pieceSize, feeder);
        const TextPlace& place = feeder.StopPlace();
        EXPECT_EQ(reader.Stop(), c.reason) << "pieces of " << pieceSize;
        EXPECT_EQ(place.line, c.line) << "pieces of " << pieceSize;
        EXPECT_EQ(place.column, c.column) << "pieces of " << pieceSize;
        if (pieceSize >= c.input.size()) {
            EXPECT_EQ(place.context, c.before + c.after);
        } else {
            EXPECT_EQ(place.context.substr(0, c.before.size()), c.before) << "pieces of " << pieceSize;
            EXPECT_EQ((c.before + c.after).substr(0, place.context.size()), place.context) << "pieces of " << pieceSize;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stops, ReadingStopTest,
    ::testing::Values(
        StopCase{"CompleteValues", "{\"a\":1}\n[2]\n", StopReason::None, 0, 0, "", ""},
        StopCase{"OnlyBlanks", " \n\t\n", StopReason::None, 0, 0, "", ""},
        StopCase{"InTheFirstLine", R"({"a":2,,"b":3})", StopReason::UnreadableJson, 1, 8, R"({"a":2,)", R"(,"b":3})"},
        StopCase{"AfterCrLf", "{\"a\":1}\r\n{\"a\":2,,\"b\":3}\r\n", StopReason::UnreadableJson, 2, 8, R"({"a":2,)",
                 R"(,"b":3})"},
        StopCase{"UnreadableElement", "[1,\n2,\ntrux]\n", StopReason::UnreadableJson, 3, 1, "", "trux]"},
        StopCase{"UnreadableValueAfterCrLfAndLoneCr", "[1,\r\n2,\r3,\rx]", StopReason::UnreadableJson, 4, 1, "", "x]"},
        StopCase{"NameWithoutColon", "{\"a\":1}\r\n{\"b\"}", StopReason::UnreadableJson, 2, 5, "{\"b\"", "}"},
        // Columns count characters: \u00E9 takes two bytes, \u20AC three, U+1F600 four.
        StopCase{"MultiByteCharactersBefore", "{\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\":1,,}",
                 StopReason::UnreadableJson, 1, 10, "{\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\":1,", ",}"},
        StopCase{"TabsAroundTheStop", "[1,\t\tx\t]", StopReason::UnreadableJson, 1, 6, "[1,\t\t", "x\t]"},
        // At most 20 characters before the stop and 40 in all.
        StopCase{"LongLine", "\n[" + Repeated("\"\xC3\xA9\",", 7) + "x" + std::string(30, 'y') + "]",
                 StopReason::UnreadableJson, 2, 30, Repeated("\"\xC3\xA9\",", 5), "x" + std::string(19, 'y')},
        StopCase{"UnclosedArray", "[1,\n2\n", StopReason::UnexpectedEnd, 2, 2, "2", ""},
        StopCase{"UnclosedArrayAfterCrLf", "[1,\r\n\"\xC3\xA9\",\r\n", StopReason::UnexpectedEnd, 2, 5, "\"\xC3\xA9\",",
                 ""},
        StopCase{"UnclosedArrayWithoutFinalBreak", "[1,\n2", StopReason::UnexpectedEnd, 2, 2, "2", ""},
        StopCase{"UnclosedArrayAfterAnEmptyLine", "[1,\n\n", StopReason::UnexpectedEnd, 2, 1, "", ""},
        StopCase{"UnclosedStringFromItsQuote", "[\n\"abc\ndef", StopReason::UnexpectedEnd, 2, 1, "", "\"abc"},
        StopCase{"ZeroByteAfterAValue", std::string("{\"a\":1}\n{\"a\":2}\0{", 17), StopReason::None, 2, 8, "{\"a\":2}",
                 ""},
        // An array one level too deep is only known so by what follows its bracket, where reading stops.
        StopCase{"DeepNesting", std::string(1, '\n') + std::string(5000, '['), StopReason::NestingTooDeep, 2,
                 kMaxNestingDepth + 2, std::string(20, '['), std::string(20, '[')}),
    [](const auto& info) { return std::string(info.param.name); });

// A token longer than the room before a piece is collected until it is whole.
TEST(ReformatPieces, LongTokensSpanManyPieces) {
    const std::string longValue(300 * 1024, 'x');
    const std::string longName(100 * 1024, 'n');
    const std::string json = "[{\"" + longName + "\":\"" + longValue + "\",\"b\":12345678901234567890}]";
    // A text that ends inside a string gives the layout before it, however long the string is.
    const std::string cutLong = json.substr(0, json.size() - 100000);
    const std::string cutShort = "[{\"" + longName + "\":\"xx";
    for (size_t pieceSize : {size_t{4096}, size_t{65536 + 7}}) {
        EXPECT_EQ(LayoutInPieces(json, pieceSize, true), AllValuesLayout(json)) << "pieces of " << pieceSize;
        EXPECT_EQ(LayoutInPieces(cutLong, pieceSize, true), AllValuesLayout(cutShort)) << "pieces of " << pieceSize;
    }
}

// Records the parts of a line as they come, for a receiver that takes long lines in parts.
class PartsCollector final : public ReformattedLines {
public:
    bool TakesLineParts() const override { return true; }
    void LinePart(size_t tabs, std::string_view text, bool) override {
        parted += text;
        longestPart = std::max(longestPart, text.size());
        lineTabs = tabs;
        ++parts;
    }
    void Line(size_t, std::string_view text, bool) override {
        if (parts > 0 && !ended) lastOfParted = text;
        ended = parts > 0;
    }
    std::string parted, lastOfParted;
    bool ended = false;
    size_t parts = 0, longestPart = 0, lineTabs = 0;
};

// A long string is handed on as the pieces bring it, never held whole: the line before it, then
// parts no longer than a piece and what the reader carries over, then the rest of the line.
TEST(ReformatPieces, LongStringsGoOnInParts) {
    const std::string longValue = Repeated("ab\\\"\u00e9", 100 * 1024);
    const std::string json = "[{\"id\":1,\"a\":\"" + longValue + "\",\"b\":2}]";
    for (size_t pieceSize : {size_t{4096}, size_t{65536 + 7}}) {
        PartsCollector parts;
        LayoutReader reader(parts, ReaderOptions{true, true, true});
        TextFeeder feeder(reader, true);
        FeedInPieces(json, pieceSize, feeder);
        EXPECT_EQ(parts.parted + parts.lastOfParted, "\"a\": \"" + longValue + "\",") << "pieces of " << pieceSize;
        EXPECT_EQ(parts.lineTabs, 2u);
        EXPECT_GT(parts.parts, 3u) << "pieces of " << pieceSize;
        EXPECT_LE(parts.longestPart, kStringPartBytes + pieceSize) << "pieces of " << pieceSize;
    }
}

}  // namespace
}  // namespace tabulora
