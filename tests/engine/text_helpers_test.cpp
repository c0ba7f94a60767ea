// The small text helpers that the engine, the CLI and the program share.
#include <gtest/gtest.h>

#include <string>

#include "engine/path_name.h"
#include "engine/text_trim.h"
#include "engine/utf.h"

namespace tabulora {
namespace {

TEST(TrimBlanksAndControls, RemovesBytesUpToSpaceFromBothEndsOnly) {
    struct Case {
        std::string text, trimmed;
    };
    for (const Case& c :
         {Case{" \t\r\na b\x01\x1f ", "a b"}, Case{std::string("\0x\0", 3), "x"}, Case{" \x7f!", "\x7f!"},
          Case{"\xC2\xA0\xE2\x80\x83", "\xC2\xA0\xE2\x80\x83"}, Case{"   ", ""}, Case{"", ""}})
        EXPECT_EQ(TrimBlanksAndControls(c.text), c.trimmed) << c.text;
}

TEST(FileNameOf, TakesThePartAfterTheLastSeparatorOfEitherKind) {
    struct Case {
        std::string path, name;
    };
    for (const Case& c : {Case{"C:\\in\\data.json", "data.json"}, Case{"/in/d.d/data", "data"}, Case{"a\\b/c", "c"},
                          Case{"C:\\out\\", "out"}, Case{"/exports//", "exports"}, Case{"data.json", "data.json"},
                          Case{"-", "-"}, Case{"/", ""}, Case{"", ""}})
        EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
}

TEST(PutUtf8, WritesEachLengthUpToItsLastCodePoint) {
    struct Case {
        uint32_t codePoint;
        std::string bytes;
    };
    for (const Case& c : {Case{0x41, "A"}, Case{0x7F, "\x7F"}, Case{0x80, "\xC2\x80"}, Case{0x7FF, "\xDF\xBF"},
                          Case{0x800, "\xE0\xA0\x80"}, Case{0xFFFD, "\xEF\xBF\xBD"}, Case{0x10000, "\xF0\x90\x80\x80"},
                          Case{0x10FFFF, "\xF4\x8F\xBF\xBF"}}) {
        char out[4];
        EXPECT_EQ(std::string(out, PutUtf8(out, c.codePoint)), c.bytes) << c.codePoint;
        std::string appended = "x";
        AppendUtf8(appended, c.codePoint);
        EXPECT_EQ(appended, "x" + c.bytes) << c.codePoint;
    }
}

TEST(JoinSurrogates, PairsCoverTheCodePointsAboveTheBasicPlane) {
    EXPECT_EQ(JoinSurrogates(0xD800, 0xDC00), 0x10000u);
    EXPECT_EQ(JoinSurrogates(0xD83D, 0xDE00), 0x1F600u);
    EXPECT_EQ(JoinSurrogates(0xDBFF, 0xDFFF), 0x10FFFFu);
    EXPECT_FALSE(IsHighSurrogate(0xD7FF) || IsHighSurrogate(0xDC00) || IsLowSurrogate(0xDBFF) ||
                 IsLowSurrogate(0xE000));
    EXPECT_TRUE(IsSurrogate(0xD800) && IsSurrogate(0xDFFF) && !IsSurrogate(0xE000));
    // A lone surrogate in UTF-16 becomes U+FFFD; a pair becomes its character.
    EXPECT_EQ(Utf16ToUtf8(u"\xD83D\xDE00|\xDE00\xD83D|"), "\xF0\x9F\x98\x80|\xEF\xBF\xBD\xEF\xBF\xBD|");
}

}  // namespace
}  // namespace tabulora
