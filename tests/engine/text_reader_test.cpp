// Reading an input's bytes, piece by piece, as UTF-8 text.
#include "engine/text_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/line_breaks.h"
#include "platform/ansi_codec.h"

namespace tabulora {
namespace {

// The line breaks that end in `text` when `next` follows it, counted plainly.
uint64_t BreaksBefore(const std::string& text, char next) {
    uint64_t breaks = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char after = i + 1 < text.size() ? text[i + 1] : next;
        breaks += text[i] == '\n' || (text[i] == '\r' && after != '\n');
    }
    return breaks;
}

struct ReadResult {
    bool ok = false;
    std::string text;
    std::string error;
    bool hasLine = false;
    bool cutByZero = false;
    uint64_t zeroLine = 0;
    uint64_t breaksAtEnd = 0;
    bool breaksMatch = true;  // every piece's breaksBefore agrees with counting the text so far
};

ReadResult ReadInPieces(std::string_view bytes, TextEncoding encoding, size_t pieceSize, const AnsiCodec& ansi) {
    std::unique_ptr<ByteSource> source = MemorySource(bytes);
    InputTextReader reader(*source, DecodeSettings{encoding, &ansi, pieceSize});
    PieceBuffer buffer;
    DecodedPiece piece;
    ReadResult result;
    std::string textBeforeZero;
    while (reader.Next(buffer, piece)) {
        if (piece.textSize > 0 && piece.breaksBefore != BreaksBefore(textBeforeZero, piece.data[0]))
            result.breaksMatch = false;
        textBeforeZero.append(piece.data, piece.textSize);
        result.text.append(piece.data, piece.size);
    }
    result.ok = !reader.Failed();
    result.error = reader.Error();
    result.hasLine = reader.HasLine();
    result.cutByZero = reader.CutByZero();
    result.zeroLine = reader.ZeroLine();
    result.breaksAtEnd = reader.BreaksAtEnd();
    return result;
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    TextEncoding encoding;
    bool ok;
    std::string text;  // when ok
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

// Pieces of every size decode to the same text; a character is never split.
TEST_P(DecodeTest, SameTextFromPiecesOfAnySize) {
    for (size_t pieceSize : {1, 2, 3, 4, 5, 7, 1 << 20}) {
        const ReadResult result = ReadInPieces(GetParam().bytes, GetParam().encoding, pieceSize, SystemAnsiCodec());
        EXPECT_EQ(result.ok, GetParam().ok) << "pieces of " << pieceSize;
        if (result.ok) {
            EXPECT_EQ(result.text, GetParam().text) << "pieces of " << pieceSize;
            EXPECT_TRUE(result.breaksMatch) << "pieces of " << pieceSize;
            EXPECT_EQ(result.hasLine, !GetParam().text.empty());
        } else {
            EXPECT_EQ(result.error, kInvalidTextError);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, DecodeTest,
    ::testing::Values(
        DecodeCase{"Utf8", "[\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"]\r\n\r", TextEncoding::Utf8, true,
                   "[\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"]\r\n\r"},
        DecodeCase{"Utf8MarkIsDropped", "\xEF\xBB\xBF{}\n", TextEncoding::Ansi, true, "{}\n"},
        DecodeCase{"OnlyAMarkHasNoLine", "\xEF\xBB\xBF", TextEncoding::Utf8, true, ""},
        DecodeCase{"InvalidUtf8Fails", "[1,\n\xE9]", TextEncoding::Utf8, false, ""},
        DecodeCase{"Utf8CutByTheEndFails", "[\xE2\x82", TextEncoding::Utf8, false, ""},
        DecodeCase{"InvalidUtf8LongAfterTheStartFails", std::string(50, ' ') + "\xC0\xAF", TextEncoding::Utf8, false,
                   ""},
        DecodeCase{"Utf16LittleEndianWithPair", std::string("\xFF\xFE[\0\xE9\0=\xD8\0\xDE\n\0]\0", 14),
                   TextEncoding::Utf8, true, "[\xC3\xA9\xF0\x9F\x98\x80\n]"},
        DecodeCase{"Utf16BigEndian", std::string("\xFE\xFF\0[\0\xE9\0]", 8), TextEncoding::Ansi, true, "[\xC3\xA9]"},
        DecodeCase{"Utf16LoneSurrogates", std::string("\xFF\xFE\x00\xD8x\0\x00\xDC\x00\xD8", 10), TextEncoding::Utf8,
                   true, "\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD"},
        DecodeCase{"Utf16OddLengthFails", std::string("\xFF\xFE[\0]\0\n", 7), TextEncoding::Utf8, false, ""},
        DecodeCase{"AnsiNeverFails", "[\"caf\xE9 \x80\"]", TextEncoding::Ansi, true, "[\"caf\xC3\xA9 \xE2\x82\xAC\"]"}),
    [](const auto& info) { return std::string(info.param.name); });

// The first zero byte ends the text on its line, but the whole input is still read, and must be
// valid, for the input to count as readable.
TEST(InputTextReader, ZeroByteEndsTheTextButNotTheReading) {
    const ReadResult cut = ReadInPieces(std::string("[1,\r\n2,\r3\0 ]\n", 13), TextEncoding::Utf8, 2,
                                        SystemAnsiCodec());
    EXPECT_TRUE(cut.ok);
    EXPECT_TRUE(cut.cutByZero);
    EXPECT_EQ(cut.zeroLine, 3u);
    EXPECT_EQ(cut.breaksAtEnd, 2u);  // of the text before the zero byte
    EXPECT_TRUE(cut.breaksMatch);
    EXPECT_FALSE(ReadInPieces(std::string("[1]\0\xFF", 5), TextEncoding::Utf8, 2, SystemAnsiCodec()).ok);
}

// A code page of two-byte characters (lead bytes 0x81 and up, as in the East Asian Windows code
// pages): a piece that ended on a lead byte would split a character.
class TwoByteCodec final : public AnsiCodec {
public:
    std::string ToUtf8(std::string_view ansi) const override {
        std::string out;
        for (size_t i = 0; i < ansi.size(); ++i) {
            if (static_cast<unsigned char>(ansi[i]) < 0x81) {
                out += ansi[i];
            } else if (i + 1 < ansi.size()) {
                out += "<" + std::string(ansi.substr(i, 2)) + ">";
                ++i;
            } else {
                out += "?";  // a split character
            }
        }
        return out;
    }
    std::string FromUtf8(std::string_view utf8) const override { return std::string(utf8); }
};

TEST(InputTextReader, AnsiPiecesNeverSplitACharacter) {
    const std::string bytes = "[\"\x81\x41\x82\x42\x83\x5C\", \"\x84\x40x\"]";  // trail bytes may be ASCII
    const TwoByteCodec codec;
    const std::string whole = ReadInPieces(bytes, TextEncoding::Ansi, 1 << 20, codec).text;
    EXPECT_EQ(whole.find('?'), std::string::npos);
    for (size_t pieceSize = 1; pieceSize <= 6; ++pieceSize)
        EXPECT_EQ(ReadInPieces(bytes, TextEncoding::Ansi, pieceSize, codec).text, whole) << "pieces of " << pieceSize;
}

TEST(LineBreaks, CountedLikeTheLinesOfATextList) {
    const std::string text = "a\r\nb\rc\n\n\r\r\nd\r";
    EXPECT_EQ(CountLineBreaks(text.data(), text.data() + text.size()), BreaksBefore(text, '\0'));
    std::string normalized;
    AppendWithCrLf(text, normalized);
    EXPECT_EQ(normalized, "a\r\nb\r\nc\r\n\r\n\r\n\r\nd\r\n");
}

}  // namespace
}  // namespace tabulora
