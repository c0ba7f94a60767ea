#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "engine/byte_source.h"
#include "engine/line_breaks.h"
#include "engine/text_codec.h"
#include "engine/text_feeder.h"

namespace tabulora {

// The text of "No mapping for the Unicode character exists in the target multi-byte code page",
// the error of a file that is not valid in its encoding.
extern const char* const kInvalidTextError;

struct DecodeSettings {
    TextEncoding encoding = TextEncoding::Utf8;
    const AnsiCodec* ansi = nullptr;  // needed for TextEncoding::Ansi
    size_t pieceSize = 1 << 20;       // bytes read at a time
};

// A reusable buffer for one piece of decoded text, with kPieceHeadroom bytes before it and room
// for a zero byte after it (see TextPiece).
class PieceBuffer {
public:
    char* Prepare(size_t capacity);  // room for `capacity` bytes at Data(); the content is lost
    char* Data() { return memory_.get() + kPieceHeadroom; }
    size_t Size() const { return size_; }
    void SetSize(size_t size) { size_ = size; }

private:
    std::unique_ptr<char[]> memory_;
    size_t capacity_ = 0;
    size_t size_ = 0;
};

// One piece of an input's text as InputTextReader hands it out.
struct DecodedPiece {
    char* data = nullptr;
    size_t size = 0;            // decoded bytes
    size_t textSize = 0;        // of them, those before the input's first zero byte, which ends its text
    uint64_t breaksBefore = 0;  // line breaks in the text before `data`
    uint64_t rawBytes = 0;      // bytes of the input read so far
};

// Reads one input as UTF-8 text, piece by piece. A byte-order mark (UTF-8, UTF-16 LE or BE)
// chooses the encoding over the given one and is not part of the text. Without one, UTF-8 is
// strict (a sequence that is not valid UTF-8, or one cut by the end of the input, fails the
// read) and ANSI never fails; UTF-16 fails on an odd number of bytes. Pieces are cut where no
// character is split: UTF-16 surrogate pairs stay together, and ANSI text is cut after a byte
// below 0x40, which is never part of a multi-byte character in any Windows code page.
class InputTextReader {
public:
    InputTextReader(ByteSource& source, const DecodeSettings& settings);

    // Decodes the next piece into `buffer`. Returns false when the input has ended or failed.
    bool Next(PieceBuffer& buffer, DecodedPiece& piece);

    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }
    uint64_t RawBytes() const { return rawBytes_; }
    bool HasLine() const { return decodedBytes_ > 0; }
    // The text ends at a zero byte, on line ZeroLine().
    bool CutByZero() const { return cutByZero_; }
    uint64_t ZeroLine() const { return zeroLine_; }
    uint64_t BreaksAtEnd() const { return breaks_.BreaksAtEnd(); }

private:
    enum class Form { Undecided, Utf8, Utf16LittleEndian, Utf16BigEndian, Ansi };

    bool ReadRaw(size_t wanted);
    void DecideForm();
    size_t DecodeUtf8(char* out);
    size_t DecodeUtf16(char* out);
    void DecodeAnsi();
    bool Fail(const std::string& error);

    ByteSource& source_;
    DecodeSettings settings_;
    Form form_ = Form::Undecided;
    std::string raw_;  // bytes read but not yet decoded
    bool endOfInput_ = false;
    std::string error_;
    uint64_t rawBytes_ = 0;
    uint64_t decodedBytes_ = 0;
    LineBreakCounter breaks_;
    bool cutByZero_ = false;
    uint64_t zeroLine_ = 0;
    std::string ansiText_;
};

}  // namespace tabulora
