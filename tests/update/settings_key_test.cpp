#include <gtest/gtest.h>

#include "update/md5.h"
#include "update/settings.h"

using namespace tabulora::update;

TEST(Md5, MatchesTheRfc1321TestSuite) {
    const struct {
        const char* input;
        const char* digest;
    } cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& c : cases) EXPECT_EQ(Md5HexUpper(c.input), c.digest) << c.input;
}

TEST(SettingsKeyName, IsTheDigestOfOneByteForEachUtf16Unit) {
    EXPECT_EQ(SettingsKeyNameBytes("BRIMTAL - Tabulora"), "BRIMTAL - Tabulora");
    const struct {
        const char* title;
        const char* bytes;
    } cases[] = {
        {"Caf\xC3\xA9", "Caf?"},         // U+00E9: one unit
        {"\xE2\x82\xAC 1", "? 1"},       // U+20AC: one unit
        {"x\xF0\x9F\x98\x80y", "x??y"},  // U+1F600: a surrogate pair, two units
        {"\x7F", "\x7F"},                // 127 is kept
        {"a\x80"
         "b",
         "a?b"},  // a stray byte stands for one unit
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SettingsKeyNameBytes(c.title), c.bytes) << c.title;
        EXPECT_EQ(SettingsKeyName(c.title), SettingsKeyName(c.bytes)) << c.title;
    }
    EXPECT_EQ(SettingsKeyName("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_NE(SettingsKeyName("BRIMTAL - Tabulora"), SettingsKeyName("BRIMTAL - Tabulorb"));
}
