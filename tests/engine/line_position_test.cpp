#include "engine/line_position.h"

#include <gtest/gtest.h>

#include <string>

namespace tabulora {
namespace {

struct AroundCase {
    const char* name;
    std::string before;
    std::string after;
    std::string expected;
};

class LineAroundTest : public ::testing::TestWithParam<AroundCase> {};

TEST_P(LineAroundTest, ShowsUpToFortyCharactersOfTheLine) {
    EXPECT_EQ(LineAround(GetParam().before, GetParam().after), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Places, LineAroundTest,
    ::testing::Values(AroundCase{"Short", "{\"a\":2,", ",\"b\":3}", "{\"a\":2,,\"b\":3}"},
                      AroundCase{"CutAtLineBreaks", "x\r\nab", "cd\ny", "abcd"},
                      AroundCase{"TwentyBeforeTheRestAfter", std::string(30, 'b'), std::string(30, 'a'),
                                 std::string(20, 'b') + std::string(20, 'a')},
                      AroundCase{"FewBeforeMoreAfter", "bb", std::string(50, 'a'), "bb" + std::string(38, 'a')},
                      // \u00E9 is two bytes, \u20AC three: characters are counted, never cut.
                      AroundCase{"MultiByteBefore", "x" + std::string(20, ' ') + "\xC3\xA9", "\xE2\x82\xAC",
                                 std::string(19, ' ') + "\xC3\xA9\xE2\x82\xAC"},
                      AroundCase{"PartialCharactersAtTheEndsLeftOut",
                                 "\xA9"
                                 "ab",
                                 "cd\xE2\x82", "abcd"}),
    [](const auto& info) { return std::string(info.param.name); });

// Text arriving in parts that cut a CR LF or a character in two.
TEST(LinePosition, CountsCharactersSinceTheLastLineBreak) {
    const std::string text =
        "ab\r\n\xC3\xA9x\r\r\nlonger line of text \xE2\x82\xAC\xE2\x82\xAC with more than sixteen bytes";
    for (size_t part = 1; part <= text.size(); ++part) {
        LinePosition position;
        for (size_t at = 0; at < text.size(); at += part) {
            const std::string_view piece = std::string_view(text).substr(at, part);
            position.Advance(piece.data(), piece.data() + piece.size());
        }
        EXPECT_EQ(position.Column(), 51u) << "parts of " << part;
        EXPECT_EQ(position.EndedLineLength(), 0u) << "parts of " << part;  // the empty line after "\u00E9x\r"
    }
    LinePosition position;
    const std::string lines = "abc\r\n\xC3\xA9\xE2\x82\xAC\r\n";
    position.Advance(lines.data(), lines.data() + lines.size() - 1);  // the LF comes apart
    EXPECT_EQ(position.EndedLineLength(), 2u);
    position.Advance(lines.data() + lines.size() - 1, lines.data() + lines.size());
    EXPECT_EQ(position.EndedLineLength(), 2u);
    EXPECT_EQ(position.Column(), 0u);
}

}  // namespace
}  // namespace tabulora
