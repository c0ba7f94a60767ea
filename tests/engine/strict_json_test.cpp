// The strict check of one JSON value that decides which JSON Lines are skipped, and the document
// reader that shares its grammar.
#include "engine/strict_json.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/json_document.h"
#include "engine/json_reader.h"

namespace tabulora {
namespace {

struct KindCase {
    std::string text;
    JsonTextKind kind;
};

constexpr JsonTextKind kOne = JsonTextKind::OneValue;
constexpr JsonTextKind kBad = JsonTextKind::Invalid;
constexpr JsonTextKind kBlank = JsonTextKind::Blank;

const KindCase kCases[] = {
    // Blank texts.
    {"", kBlank},
    {" \t\r", kBlank},
    // One value of every kind, blanks around it.
    {"{}", kOne},
    {"[]", kOne},
    {" { } ", kOne},
    {"[ ]\r", kOne},
    {"\"\"", kOne},
    {"0", kOne},
    {"-0", kOne},
    {"12", kOne},
    {"-3.25", kOne},
    {"1e5", kOne},
    {"1E+5", kOne},
    {"2.5e-3", kOne},
    {"true", kOne},
    {"false", kOne},
    {"null", kOne},
    {"\t{\"a\" : 1 , \"b\":[true,false,null,{}]}\t", kOne},
    {"{\"a\":{\"b\":{\"c\":[[],[1,[2]]]}}}", kOne},
    {"[\"x\",\"y\"]", kOne},
    {"\"caf\xC3\xA9 \x7F\"", kOne},
    {"\"\\\" \\\\ \\/ \\b \\f \\n \\r \\t \\u00e9 \\uD83D\\uDE00 \\uABCD\"", kOne},
    // Trailing commas, missing values and separators.
    {"[1,]", kBad},
    {"{\"a\":1,}", kBad},
    {"[,1]", kBad},
    {"{,}", kBad},
    {"[1 2]", kBad},
    {"{\"a\" 1}", kBad},
    {"{\"a\":}", kBad},
    {"{\"a\"}", kBad},
    {"{\"a\":1 \"b\":2}", kBad},
    {"[1:2]", kBad},
    {"{\"a\",1}", kBad},
    // Unclosed or wrongly closed containers.
    {"[", kBad},
    {"{", kBad},
    {"[1", kBad},
    {"{\"a\":1", kBad},
    {"[}", kBad},
    {"{]", kBad},
    {"[1]]", kBad},
    {"]", kBad},
    {"}", kBad},
    // Single quotes and bare names or words.
    {"{'a':1}", kBad},
    {"'x'", kBad},
    {"{a:1}", kBad},
    {"abc", kBad},
    {"True", kBad},
    {"nul", kBad},
    {"nulls", kBad},
    {"undefined", kBad},
    {"NaN", kBad},
    {"-Infinity", kBad},
    // Something after the value.
    {"{} {}", kBad},
    {"{}x", kBad},
    {"1 2", kBad},
    {"\"a\"\"b\"", kBad},
    {"[]]", kBad},
    {"true,", kBad},
    {"{}//note", kBad},
    // Numbers: leading zeros, signs, fractions and exponents without digits.
    {"01", kBad},
    {"-01", kBad},
    {"00", kBad},
    {"+1", kBad},
    {"-", kBad},
    {"1.", kBad},
    {".5", kBad},
    {"1.e5", kBad},
    {"1e", kBad},
    {"1e+", kBad},
    {"0x10", kBad},
    {"1_000", kBad},
    {"[01]", kBad},
    // Escapes.
    {"\"\\x41\"", kBad},
    {"\"\\u12\"", kBad},
    {"\"\\u12G4\"", kBad},
    {"\"\\'\"", kBad},
    {"\"a\\\"", kBad},
    {"\"\\", kBad},
    {"{\"\\q\":1}", kBad},
    // Raw control bytes in strings (a TAB or CR is a blank only between tokens).
    {"\"a\tb\"", kBad},
    {"\"a\rb\"", kBad},
    {"\"\x01\"", kBad},
    {"{\"a\x1F\":1}", kBad},
    // Unclosed strings and a control byte between tokens.
    {"\"abc", kBad},
    {"{\"a:1}", kBad},
    {"[1,\x0B"
     "2]",
     kBad},
};

TEST(StrictJson, ClassifiesEachText) {
    for (const KindCase& c : kCases)
        EXPECT_EQ(ClassifyJsonText(c.text), c.kind) << "text: " << ::testing::PrintToString(c.text);
}

// One grammar: a document is read exactly when its text is one value.
TEST(StrictJson, TheDocumentReaderAcceptsTheSameTexts) {
    for (const KindCase& c : kCases) {
        JsonValue root;
        JsonDocumentError error;
        EXPECT_EQ(ParseJsonDocument(c.text, root, error), c.kind == kOne)
            << "text: " << ::testing::PrintToString(c.text) << " error: " << error.reason;
    }
}

// Every string in the middle of a long text, where the scan goes sixteen bytes at a time.
TEST(StrictJson, StringRulesHoldInsideLongStrings) {
    const std::string pad(40, 'x');
    for (const auto& [inner, kind] : {std::pair<std::string, JsonTextKind>{"\\n", kOne},
                                      {"\\u00E9", kOne},
                                      {"\\v", kBad},
                                      {"\x02", kBad},
                                      {"\"", kBad}}) {
        const std::string text = "{\"k\":\"" + pad + inner + pad + "\"}";
        EXPECT_EQ(ClassifyJsonText(text), kind) << ::testing::PrintToString(inner);
    }
}

// As deep as the reader follows, and no deeper; either kind of container counts.
TEST(StrictJson, NestingIsBoundedByTheReadersDepth) {
    auto nested = [](unsigned depth, const std::string& open, const std::string& close, const std::string& inner) {
        std::string text;
        for (unsigned i = 0; i < depth; ++i) text += open;
        text += inner;
        for (unsigned i = 0; i < depth; ++i) text += close;
        return text;
    };
    EXPECT_EQ(ClassifyJsonText(nested(kMaxNestingDepth, "[", "]", "1")), kOne);
    EXPECT_EQ(ClassifyJsonText(nested(kMaxNestingDepth - 1, "[", "]", "{}")), kOne);
    EXPECT_EQ(ClassifyJsonText(nested(kMaxNestingDepth, "[", "]", "[]")), kBad);
    EXPECT_EQ(ClassifyJsonText(nested(kMaxNestingDepth / 2, "{\"a\":[", "]}", "0")), kOne);
    EXPECT_EQ(ClassifyJsonText(nested(kMaxNestingDepth / 2 + 1, "{\"a\":[", "]}", "0")), kBad);
    EXPECT_EQ(ClassifyJsonText(nested(kMaxNestingDepth + 10, "[", "", "")), kBad);

    JsonValue root;
    JsonDocumentError error;
    EXPECT_TRUE(ParseJsonDocument(nested(kMaxNestingDepth, "[", "]", "1"), root, error));
    EXPECT_FALSE(ParseJsonDocument(nested(kMaxNestingDepth + 1, "[", "]", "1"), root, error));
    EXPECT_EQ(error.offset, kMaxNestingDepth);
}

}  // namespace
}  // namespace tabulora
