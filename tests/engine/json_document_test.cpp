// Small JSON documents read into a tree, and places in a text for the messages about them.
#include "engine/json_document.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/line_position.h"

namespace tabulora {
namespace {

using Kind = JsonValue::Kind;

JsonValue Parsed(const std::string& text) {
    JsonValue root;
    JsonDocumentError error;
    EXPECT_TRUE(ParseJsonDocument(text, root, error)) << text << ": " << error.reason;
    return root;
}

TEST(JsonDocument, EveryKindInATree) {
    const std::string text = R"( {"s":"x","n":-0.5e3,"t":true,"f":false,"z":null,"a":[1,[],{}],"o":{"k":"v"}} )";
    const JsonValue root = Parsed(text);
    ASSERT_EQ(root.kind, Kind::Object);
    EXPECT_EQ(root.offset, 1u);
    ASSERT_EQ(root.members.size(), 7u);
    const char* const names[] = {"s", "n", "t", "f", "z", "a", "o"};
    const Kind kinds[] = {Kind::String, Kind::Number, Kind::Boolean, Kind::Boolean,
                          Kind::Null,   Kind::Array,  Kind::Object};
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(root.members[i].name, names[i]);
        EXPECT_EQ(root.members[i].value.kind, kinds[i]) << names[i];
        EXPECT_EQ(text[root.members[i].offset], '"') << names[i];
    }
    EXPECT_EQ(root.members[0].value.text, "x");
    EXPECT_EQ(root.members[0].value.offset, text.find("\"x\""));
    EXPECT_EQ(root.members[1].value.text, "-0.5e3");  // as written
    EXPECT_EQ(root.members[1].value.offset, text.find("-0.5e3"));
    EXPECT_TRUE(root.members[2].value.boolean);
    EXPECT_FALSE(root.members[3].value.boolean);
    const JsonValue& array = root.members[5].value;
    ASSERT_EQ(array.items.size(), 3u);
    EXPECT_EQ(array.items[0].text, "1");
    EXPECT_EQ(array.items[1].kind, Kind::Array);
    EXPECT_TRUE(array.items[1].items.empty());
    EXPECT_EQ(array.items[2].kind, Kind::Object);
    EXPECT_EQ(array.items[2].offset, text.find("{}"));
    ASSERT_EQ(root.members[6].value.members.size(), 1u);
    EXPECT_EQ(root.members[6].value.members[0].value.text, "v");
}

TEST(JsonDocument, ScalarsAtTheTopAndRepeatedNamesKept) {
    EXPECT_EQ(Parsed(" 12 ").text, "12");
    EXPECT_EQ(Parsed("null").kind, Kind::Null);
    EXPECT_EQ(Parsed("\"\"").kind, Kind::String);
    const JsonValue root = Parsed(R"({"a":1,"a":2})");
    ASSERT_EQ(root.members.size(), 2u);
    EXPECT_EQ(root.members[1].value.text, "2");
}

TEST(JsonDocument, StringsAreDecodedAsTheReaderDecodesNames) {
    struct Case {
        std::string json;
        std::string text;
    };
    const Case cases[] = {
        {R"("a\"b\\c\/d")", "a\"b\\c/d"},
        {R"("\b\f\n\r\t")", "\b\f\n\r\t"},
        {R"("\u00e9\u20AC")", "\xC3\xA9\xE2\x82\xAC"},
        {R"("\uD83D\uDE00")", "\xF0\x9F\x98\x80"},  // a surrogate pair
        {R"("x\uD83Dy")", "x?y"},                   // a lone surrogate
        {R"("x\u0000y")", "x?y"},                   // no zero byte in a name
        {"\"caf\xC3\xA9\"", "caf\xC3\xA9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Parsed(c.json).text, c.text) << c.json;
        EXPECT_EQ(Parsed("{" + c.json + ":0}").members.at(0).name, c.text) << c.json;
    }
}

TEST(JsonDocument, QuotedTextReadsBackTheSame) {
    for (const std::string text :
         {"", "plain", "a\"b\\c", "tab\there\r\nline", "\x01\x1F\x7F", "caf\xC3\xA9 \xF0\x9F\x98\x80"}) {
        const std::string quoted = JsonQuoted(text);
        EXPECT_EQ(Parsed(quoted).text, text) << quoted;
    }
    EXPECT_EQ(JsonQuoted("a\tb\x01\""), "\"a\\tb\\u0001\\\"\"");
}

// What is wrong and where (the byte offset the message names).
TEST(JsonDocument, ErrorsSayWhatAndWhere) {
    struct Case {
        std::string text;
        size_t offset;
        std::string reason;
    };
    const Case cases[] = {
        {R"({"a":1,})", 7, "expected a name in double quotes"},
        {R"({'a':1})", 1, "expected a name in double quotes"},
        {R"({"a" 1})", 5, "expected \":\" after the name"},
        {"[1 2]", 3, "expected \",\" or \"]\""},
        {R"({"a":1 "b":2})", 7, "expected \",\" or \"}\""},
        {"[1,]", 3, "expected a value"},
        {"[True]", 1, "expected a value"},
        {"[tru]", 1, "not true, false or null"},
        {"[-x]", 1, "not a JSON number"},
        {"[1.]", 1, "not a JSON number"},
        {"01", 1, "text after the end of the JSON value"},
        {"{} x", 3, "text after the end of the JSON value"},
        {R"(["ab)", 1, "a string is not closed"},
        {"[\"a\x01\"]", 3, "a control character in a string (write it as an escape such as \\t or \\n)"},
        {R"(["a\qb"])", 3, "not a JSON escape"},
        {R"(["\u12"])", 2, "not a JSON escape"},
        {"", 0, "the text ends early: expected a value"},
        {"[", 1, "the text ends early: expected a value"},
        {"{\"a\":1\n", 7, "the text ends early: expected \",\" or \"}\""},
        {"{\"a\"", 4, "the text ends early: expected \":\" after the name"},
    };
    for (const Case& c : cases) {
        JsonValue root;
        JsonDocumentError error;
        ASSERT_FALSE(ParseJsonDocument(c.text, root, error)) << c.text;
        EXPECT_EQ(error.offset, c.offset) << c.text;
        EXPECT_EQ(error.reason, c.reason) << c.text;
    }
}

TEST(TextPlace, LinesAndColumnsAsAPersonCountsThem) {
    struct Case {
        std::string text;
        size_t offset;
        uint64_t line, column;
        std::string context;
    };
    const Case cases[] = {
        {"abc", 0, 1, 1, "abc"},
        {"abc", 3, 1, 4, "abc"},
        {"a\nbc", 3, 2, 2, "bc"},
        {"a\r\nbc", 4, 2, 2, "bc"},  // CR LF is one line break
        {"a\rbc\rd", 5, 3, 1, "d"},  // so is a lone CR
        {"a\n\nb", 3, 3, 1, "b"},
        {"\xC3\xA9\xC3\xA9x", 4, 1, 3, "\xC3\xA9\xC3\xA9x"},  // columns in characters
        {std::string(30, 'x') + "!" + std::string(30, 'y'), 30, 1, 31,
         std::string(20, 'x') + "!" + std::string(19, 'y')},
    };
    for (const Case& c : cases) {
        const TextPlace place = PlaceInText(c.text, c.offset);
        EXPECT_EQ(place.line, c.line) << c.text;
        EXPECT_EQ(place.column, c.column) << c.text;
        EXPECT_EQ(place.context, c.context) << c.text;
    }
}

}  // namespace
}  // namespace tabulora
