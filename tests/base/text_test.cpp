#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"

using namespace tabulora;

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
        {"0", true, 0},
        {"-5", true, -5},
        {"+7", true, 7},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},
        {"", false, 0},
        {"abc", false, 0},
        {" 1", false, 0},
        {"1 ", false, 0},
        {"1.5", false, 0},
        {"0x10", false, 0},
        {"+-1", false, 0},
        {"++1", false, 0},
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
