#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tabulora {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut sequences.
bool IsValidUtf8(std::string_view text);

// The length of the longest start of `text` made of whole, valid UTF-8 sequences.
size_t ValidUtf8Prefix(std::string_view text);

// The length of the valid UTF-8 sequence that `bytes` starts with, or 0 when it is malformed.
// Inline: the validator calls it for every non-ASCII character of the input.
inline size_t Utf8SequenceLength(std::string_view bytes) {
    if (bytes.empty()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char c = p[0];
    if (c < 0x80) return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;   // overlong
        if (c == 0xED) high = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;   // overlong
        if (c == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() < length || p[1] < low || p[1] > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    return length;
}

// A UTF-8 continuation byte (10xxxxxx): a character does not start or end before it.
inline bool ContinuesUtf8Character(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The characters of UTF-8 text in [p, end): its bytes that do not continue a sequence.
uint64_t CountUtf8Characters(const char* p, const char* end);

// Keeps valid UTF-8 as it is and replaces each malformed byte by U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

// Writes the UTF-8 form of a code point below 0x110000 (1 to 4 bytes) at `out`; returns the end.
// Inline: the UTF-16 decoder calls it for every character.
inline char* PutUtf8(char* out, uint32_t codePoint) {
    const uint32_t cp = codePoint;
    if (cp < 0x80) {
        *out++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (cp >> 18));
        *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

// Appends the UTF-8 form of a code point below 0x110000.
void AppendUtf8(std::string& out, uint32_t codePoint);

// UTF-16 surrogates: a high one (D800-DBFF) followed by a low one (DC00-DFFF) stands for one
// code point from U+10000 on.
inline bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
inline bool IsSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }
inline uint32_t JoinSurrogates(uint32_t high, uint32_t low) {
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Valid UTF-8 to UTF-16 (invalid bytes become U+FFFD).
std::u16string Utf8ToUtf16(std::string_view text);

#ifdef _WIN32
// The same at the Win32 boundary, where wchar_t holds UTF-16.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
#endif

}  // namespace tabulora
