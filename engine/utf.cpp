#include "engine/utf.h"

#include "engine/scan.h"

namespace tabulora {

bool IsValidUtf8(std::string_view text) { return ValidUtf8Prefix(text) == text.size(); }

size_t ValidUtf8Prefix(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        // Runs of ASCII are checked a block at a time.
        while (end - p >= 16 && scan::IsAscii(p, p + 16)) p += 16;
        if (p == end) break;
        const size_t length = Utf8SequenceLength(std::string_view(p, end - p));
        if (length == 0) break;
        p += length;
    }
    return static_cast<size_t>(p - text.data());
}

uint64_t CountUtf8Characters(const char* p, const char* end) {
    uint64_t continuations = 0;
    const char* const begin = p;
#ifdef TABULORA_SSE2
    // Continuation bytes 10xxxxxx are those below -0x40 when read as signed.
    const __m128i below = scan::Splat(static_cast<char>(-0x40));
    for (; end - p >= 16; p += 16)
        continuations += __builtin_popcount(scan::Mask(_mm_cmplt_epi8(scan::Load(p), below)));
#endif
    for (; p < end; ++p) continuations += (static_cast<unsigned char>(*p) & 0xC0) == 0x80;
    return static_cast<uint64_t>(end - begin) - continuations;
}

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const size_t length = Utf8SequenceLength(bytes);
        if (length == 0) {
            AppendUtf8(out, 0xFFFD);
            bytes.remove_prefix(1);
        } else {
            out.append(bytes.substr(0, length));
            bytes.remove_prefix(length);
        }
    }
    return out;
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
    char bytes[4];
    out.append(bytes, PutUtf8(bytes, codePoint));
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8(out, JoinSurrogates(unit, text[++i]));
            continue;
        }
        if (IsSurrogate(unit)) unit = 0xFFFD;
        AppendUtf8(out, unit);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const size_t length = Utf8SequenceLength(text);
        if (length == 0) {
            out += u'\uFFFD';
            text.remove_prefix(1);
            continue;
        }
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        uint32_t cp = length == 1 ? p[0] : p[0] & (0x7F >> length);
        for (size_t i = 1; i < length; ++i) cp = (cp << 6) | (p[i] & 0x3F);
        text.remove_prefix(length);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

#ifdef _WIN32
std::wstring Utf8ToWide(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

std::string WideToUtf8(std::wstring_view wide) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}
#endif

}  // namespace tabulora
