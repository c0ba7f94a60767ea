#include <gtest/gtest.h>

#include "update/scramble.h"

using namespace tabulora::update;

TEST(Scramble, RoundTripsAnyText) {
    const char* texts[] = {"", "h", "https://tabulora.example/download/Tabulora-2.1.exe",
                           "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "aaaaaaaaaaaaaaaaaaaaaaaaaaaa"};
    for (const char* text : texts) {
        const std::string hex = ScrambleText(text);
        EXPECT_EQ(hex.size(), 2 * std::string(text).size());
        EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;
        EXPECT_EQ(UnscrambleText(hex), text);
    }
}

TEST(Scramble, HidesRepeatsAndDependsOnEarlierBytes) {
    // The key advances with every byte, so a repeated letter does not repeat in the output.
    const std::string hex = ScrambleText("aaaa");
    EXPECT_NE(hex.substr(0, 2), hex.substr(2, 2));
    EXPECT_NE(ScrambleText("ab").substr(2), ScrambleText("bb").substr(2));
    EXPECT_NE(ScrambleText("http"), "68747470");
}

TEST(Unscramble, ToleratesCaseAndAnOddDigitButRejectsNonHexPairs) {
    const std::string hex = ScrambleText("http://x");
    std::string lower = hex;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(UnscrambleText(lower), "http://x");
    EXPECT_EQ(UnscrambleText(hex + "7"), "http://x");
    EXPECT_EQ(UnscrambleText(hex.substr(0, hex.size() - 1)), "http://");
    EXPECT_EQ(UnscrambleText(hex + "G1"), "");
    EXPECT_EQ(UnscrambleText("ZZ" + hex), "");
    EXPECT_EQ(UnscrambleText(hex.substr(0, 2) + " " + hex.substr(3)), "");
}

TEST(Unscramble, BytesThatAreNotUtf8BecomeReplacementCharacters) {
    EXPECT_EQ(UnscrambleText(ScrambleText("a\xFF"
                                          "b")),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(UnscrambleText(ScrambleText("\xC3")), "\xEF\xBF\xBD");
}
