#include <gtest/gtest.h>

#include "update/httpform.h"

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
