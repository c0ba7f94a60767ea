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

}  // namespace

void DecodeCellEscapes(std::string_view text, std::string& out) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* run = p;
        while (p < end && *p != '\\') ++p;
        out.append(run, p);
        if (p == end) break;
        if (end - p == 1) {  // a lone trailing backslash
            out += '\\';
            break;
        }
        const char next = p[1];
        if (next == '"' || next == '\\' || next == '/') {
            out += next;
            p += 2;
            continue;
        }
        const int unit = next == 'u' ? UnicodeEscapeAt(p, end) : -1;
        if (IsHighSurrogate(unit)) {
            const int low = UnicodeEscapeAt(p + 6, end);
            if (IsLowSurrogate(low)) {
                AppendUtf8(out, JoinSurrogates(unit, low));
                p += 12;
                continue;
            }
        } else if (unit >= 0x20 && !IsLowSurrogate(unit)) {
            AppendUtf8(out, static_cast<uint32_t>(unit));
            p += 6;
            continue;
        }
        // Any other escape stays as written.
        out.append(p, 2);
        p += 2;
    }
}

std::string_view DecodedCell(std::string_view text, std::string& scratch) {
    if (std::memchr(text.data(), '\\', text.size()) == nullptr) return text;
    scratch.clear();
    DecodeCellEscapes(text, scratch);
    return scratch;
}

}  // namespace tabulora
