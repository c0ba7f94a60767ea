#include <gtest/gtest.h>

#include "update/httpform.h"
#include "update/text_utils.h"

using namespace tabulora::update;

TEST(EncodeFormBody, EncodesEachFieldFromItsUtf8Bytes) {
    const struct {
        RequestFields fields;
        const char* body;
    } cases[] = {
        {{"cmd=check", "appname=BRIMTAL - Tabulora"}, "cmd=check&appname=BRIMTAL+-+Tabulora"},
        {{"feedback=a=b&c"}, "feedback=a%3Db%26c"},
        {{"v=1+1%"}, "v=1%2B1%25"},
        {{"kept=AZaz09*-._"}, "kept=AZaz09*-._"},
        {{"empty=", "x=1"}, "empty=&x=1"},
        {{"na me=\xC3\xA9/~"}, "na+me=%C3%A9%2F%7E"},
        {{"line=a\r\nb"}, "line=a%0D%0Ab"},
        {{"noequals"}, "noequals="},
        {{}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EncodeFormBody(c.fields), c.body) << c.body;
}

TEST(GetTagValue, MatchesExactLowerCaseTagsWithoutTrimming) {
    const struct {
        const char* line;
        const char* name;
        const char* value;
    } cases[] = {
        {"<version>2.1</version>", "version", "2.1"},
        {"<version>2.1</version>", "VERSION", "2.1"},
        {"<Version>2.1</Version>", "version", ""},
        {"<version>2.1</version> ", "version", ""},
        {" <version>2.1</version>", "version", ""},
        {"<version> 2.1 </version>", "version", " 2.1 "},
        {"<url></url>", "url", ""},
        {"<url>http://x/?a=<b></url>", "url", "http://x/?a=<b>"},
        {"<version>2.1</url>", "version", ""},
        {"<result>", "result", ""},
        {"", "version", ""},
        {"<version>2.1</version>", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(GetTagValue(c.line, c.name), c.value) << c.line << " / " << c.name;
}

TEST(UsesHttpsClient, OnlyAnHttpsSchemeInAnyCase) {
    EXPECT_TRUE(UsesHttpsClient("https://host/p"));
    EXPECT_TRUE(UsesHttpsClient("HTTPS://host/p"));
    EXPECT_TRUE(UsesHttpsClient("HtTpS://host/p"));
    EXPECT_FALSE(UsesHttpsClient("http://host/p"));
    EXPECT_FALSE(UsesHttpsClient("host/p"));
    EXPECT_FALSE(UsesHttpsClient("https:/host"));
    EXPECT_FALSE(UsesHttpsClient(""));
}

TEST(SplitLines, BreaksAtCrLfLoneCrAndLoneLf) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n"), (Lines{"a"}));
    EXPECT_EQ(SplitLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitLines(""), Lines{});
}

TEST(TryParseInt32, AcceptsOnlyWholeDecimalNumbersInRange) {
    const struct {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"0", true, 0},           {"-5", true, -5},       {"+7", true, 7},
        {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0}, {"", false, 0},         {"abc", false, 0},
        {" 1", false, 0},         {"1 ", false, 0},       {"1.5", false, 0},
        {"0x10", false, 0},       {"+-1", false, 0},      {"++1", false, 0},
        {"-", false, 0},
    };
    for (const auto& c : cases) {
        int value = 0;
        EXPECT_EQ(TryParseInt32(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}
