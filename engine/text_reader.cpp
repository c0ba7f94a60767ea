#include "engine/text_reader.h"

#include <cstring>

#include "engine/utf.h"

namespace tabulora {

const char* const kInvalidTextError = "No mapping for the Unicode character exists in the target multi-byte code page";

namespace {

// True when [p, p + n) can begin a UTF-8 sequence that is longer than n bytes.
bool IsCutSequence(const char* p, size_t n) {
    const auto lead = static_cast<unsigned char>(p[0]);
    const size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length <= n) return false;
    for (size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) return false;
    return true;
}

bool StartsWith(const std::string& bytes, std::string_view mark) { return bytes.compare(0, mark.size(), mark) == 0; }

}  // namespace

char* PieceBuffer::Prepare(size_t capacity) {
    if (!memory_ || capacity > capacity_) {
        memory_.reset(new char[kPieceHeadroom + capacity + 1]);
        capacity_ = capacity;
    }
    size_ = 0;
    return Data();
}

InputTextReader::InputTextReader(ByteSource& source, const DecodeSettings& settings)
    : source_(source), settings_(settings) {}

bool InputTextReader::Fail(const std::string& error) {
    error_ = error;
    return false;
}

// Appends up to `wanted` bytes of the input to raw_; sets endOfInput_ at the end.
bool InputTextReader::ReadRaw(size_t wanted) {
    const size_t old = raw_.size();
    raw_.resize(old + wanted);
    size_t got = 0;
    const FileResult read = source_.Read(raw_.data() + old, wanted, got);
    raw_.resize(old + got);
    if (read.Failed()) return Fail(read.Reason());
    rawBytes_ += got;
    if (got == 0) endOfInput_ = true;
    return true;
}

// The byte-order mark, when there is one, chooses the encoding.
void InputTextReader::DecideForm() {
    if (StartsWith(raw_, "\xEF\xBB\xBF")) {
        raw_.erase(0, 3);
        form_ = Form::Utf8;
    } else if (StartsWith(raw_, "\xFF\xFE")) {
        raw_.erase(0, 2);
        form_ = Form::Utf16LittleEndian;
    } else if (StartsWith(raw_, "\xFE\xFF")) {
        raw_.erase(0, 2);
        form_ = Form::Utf16BigEndian;
    } else {
        form_ = settings_.encoding == TextEncoding::Ansi ? Form::Ansi : Form::Utf8;
    }
}

bool InputTextReader::Next(PieceBuffer& buffer, DecodedPiece& piece) {
    if (Failed()) return false;
    while (form_ == Form::Undecided) {
        if (!ReadRaw(settings_.pieceSize)) return false;
        if (raw_.size() >= 3 || endOfInput_) DecideForm();
    }
    size_t size = 0;
    char* out = nullptr;
    for (;;) {
        if (form_ == Form::Utf8) {
            out = buffer.Prepare(raw_.size() + settings_.pieceSize);
            size = DecodeUtf8(out);
        } else {
            if (!endOfInput_ && !ReadRaw(settings_.pieceSize)) return false;
            if (form_ == Form::Ansi) {
                DecodeAnsi();
                size = ansiText_.size();
                out = buffer.Prepare(size);
                std::memcpy(out, ansiText_.data(), size);
            } else {
                out = buffer.Prepare(raw_.size() / 2 * 3 + 4);
                size = DecodeUtf16(out);
            }
        }
        if (Failed()) return false;
        if (size > 0) break;
        if (endOfInput_ && raw_.empty()) return false;
    }
    buffer.SetSize(size);

    decodedBytes_ += size;
    piece.data = out;
    piece.size = size;
    piece.rawBytes = rawBytes_;
    piece.breaksBefore = breaks_.BreaksBefore(out[0]);
    if (cutByZero_) {
        piece.textSize = 0;
        return true;
    }
    const void* zero = std::memchr(out, 0, size);
    piece.textSize = zero ? static_cast<const char*>(zero) - out : size;
    if (zero) {
        cutByZero_ = true;
        zeroLine_ = piece.breaksBefore + CountLineBreaks(out, out + piece.textSize) + 1;
    }
    breaks_.Add(std::string_view(out, piece.textSize));
    return true;
}

// Reads straight into the piece's buffer after the bytes of a sequence that the last piece cut.
size_t InputTextReader::DecodeUtf8(char* out) {
    size_t size = raw_.size();
    std::memcpy(out, raw_.data(), size);
    raw_.clear();
    if (!endOfInput_) {
        size_t got = 0;
        if (const FileResult read = source_.Read(out + size, settings_.pieceSize, got); read.Failed()) {
            Fail(read.Reason());
            return 0;
        }
        rawBytes_ += got;
        endOfInput_ = got == 0;
        size += got;
    }
    const size_t valid = ValidUtf8Prefix(std::string_view(out, size));
    if (valid < size) {
        if (endOfInput_ || !IsCutSequence(out + valid, size - valid)) {
            Fail(kInvalidTextError);
            return 0;
        }
        raw_.assign(out + valid, size - valid);
    }
    return valid;
}

size_t InputTextReader::DecodeUtf16(char* out) {
    const bool bigEndian = form_ == Form::Utf16BigEndian;
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw_.data());
    const size_t units = raw_.size() / 2;
    auto unitAt = [&](size_t i) -> uint32_t {
        const unsigned first = bytes[2 * i], second = bytes[2 * i + 1];
        return bigEndian ? (first << 8 | second) : (second << 8 | first);
    };
    char* p = out;
    size_t i = 0;
    for (; i < units; ++i) {
        uint32_t unit = unitAt(i);
        if (IsHighSurrogate(unit)) {
            if (i + 1 == units && !endOfInput_) break;  // its partner may come with the next piece
            if (i + 1 < units && IsLowSurrogate(unitAt(i + 1))) {
                p = PutUtf8(p, JoinSurrogates(unit, unitAt(i + 1)));
                ++i;
                continue;
            }
        }
        if (IsSurrogate(unit)) unit = 0xFFFD;  // a lone surrogate
        p = PutUtf8(p, unit);
    }
    raw_.erase(0, 2 * i);
    if (endOfInput_ && !raw_.empty()) {  // an odd number of bytes
        Fail(kInvalidTextError);
        return 0;
    }
    return static_cast<size_t>(p - out);
}

void InputTextReader::DecodeAnsi() {
    size_t cut = raw_.size();
    if (!endOfInput_) {
        while (cut > 0 && static_cast<unsigned char>(raw_[cut - 1]) >= 0x40) --cut;
    }
    ansiText_ = cut > 0 ? settings_.ansi->ToUtf8(std::string_view(raw_.data(), cut)) : std::string();
    raw_.erase(0, cut);
}

}  // namespace tabulora
