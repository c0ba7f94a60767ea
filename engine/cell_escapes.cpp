#include "engine/cell_escapes.h"

#include <cstring>

#include "engine/json_chars.h"
#include "engine/utf.h"

namespace tabulora {
namespace {

// The \uXXXX escape at p (p[0] is the backslash), or -1.
int UnicodeEscapeAt(const char* p, const char* end) {
    if (end - p < 6 || p[0] != '\\' || p[1] != 'u') return -1;
    return ReadHex4(p + 2);
}

// Decodes [text, text + size) to `out`, which may be `text` itself: every escape is at least as
// long as what it decodes to. Returns the end of the decoded text.
char* DecodeEscapesTo(const char* text, size_t size, char* out) {
    const char* p = text;
    const char* end = p + size;
    while (p < end) {
        const char* run = p;
        const void* backslash = std::memchr(p, '\\', end - p);
        p = backslash ? static_cast<const char*>(backslash) : end;
        std::memmove(out, run, p - run);
        out += p - run;
        if (p == end) break;
        if (end - p == 1) {  // a lone trailing backslash
            *out++ = '\\';
            break;
        }
        const char next = p[1];
        if (next == '"' || next == '\\' || next == '/') {
            *out++ = next;
            p += 2;
            continue;
        }
        const int unit = next == 'u' ? UnicodeEscapeAt(p, end) : -1;
        if (IsHighSurrogate(unit)) {
            const int low = UnicodeEscapeAt(p + 6, end);
            if (IsLowSurrogate(low)) {
                out = PutUtf8(out, JoinSurrogates(unit, low));
                p += 12;
                continue;
            }
        } else if (unit >= 0x20 && !IsLowSurrogate(unit)) {
            out = PutUtf8(out, static_cast<uint32_t>(unit));
            p += 6;
            continue;
        }
        // Any other escape stays as written.
        out[0] = p[0];
        out[1] = p[1];
        out += 2;
        p += 2;
    }
    return out;
}

}  // namespace

void DecodeCellEscapes(std::string_view text, std::string& out) {
    const size_t start = out.size();
    out.resize(start + text.size());
    out.resize(DecodeEscapesTo(text.data(), text.size(), out.data() + start) - out.data());
}

size_t DecodeCellEscapesInPlace(char* text, size_t size) { return DecodeEscapesTo(text, size, text) - text; }

std::string_view DecodedCell(std::string_view text, std::string& scratch) {
    if (std::memchr(text.data(), '\\', text.size()) == nullptr) return text;
    scratch.clear();
    DecodeCellEscapes(text, scratch);
    return scratch;
}

}  // namespace tabulora
