#include "engine/json_chars.h"

#include <cstring>

#include "engine/scan.h"
#include "engine/utf.h"

namespace tabulora {

int ReadHex4(const char* p) {
    int value = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = p[i];  // stops at the zero byte, which is not a digit
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

namespace {

// Decodes the \u escape whose hex digits begin at p; returns where decoding goes on.
const char* DecodeUnicodeEscape(const char* p, std::string& name) {
    const int unit = ReadHex4(p);
    if (unit < 0) {
        name += '?';  // the bytes after the "u" are read again as ordinary text
        return p;
    }
    p += 4;
    if (unit == 0) {
        name += '?';
        return p;
    }
    if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
        // A high and a low surrogate escape in a row, in either order, form one character.
        const int other = (p[0] == '\\' && p[1] == 'u') ? ReadHex4(p + 2) : -1;
        const bool pair = IsHighSurrogate(unit) ? IsLowSurrogate(other) : IsHighSurrogate(other);
        if (!pair) {
            name += '?';
            return p;
        }
        const int high = IsHighSurrogate(unit) ? unit : other;
        const int low = IsHighSurrogate(unit) ? other : unit;
        AppendUtf8(name, JoinSurrogates(high, low));
        return p + 6;
    }
    AppendUtf8(name, static_cast<uint32_t>(unit));
    return p;
}

}  // namespace

const char* DecodeQuotedName(const char* p, const char* end, std::string& name) {
    for (;;) {
        const char* run = p;
        p = scan::FindAny(p, end, '"', '\\', '\\');
        name.append(run, p);
        if (p == end) return nullptr;
        if (*p == '"') return p + 1;
        const char escaped = p[1];
        p += 2;
        switch (escaped) {
        case '\0': return nullptr;
        case 'b': name += '\b'; break;
        case 't': name += '\t'; break;
        case 'n': name += '\n'; break;
        case 'f': name += '\f'; break;
        case 'r': name += '\r'; break;
        case 'u': p = DecodeUnicodeEscape(p, name); break;
        default: name += escaped; break;
        }
    }
}

char* AddJSONEscape(std::string_view name, char* out) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    if (scan::FindEscapeNeeded(name.data(), name.data() + name.size()) == name.data() + name.size()) {
        std::memcpy(out, name.data(), name.size());
        return out + name.size();
    }
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c != '"' && c != '\\') {
            *out++ = ch;
            continue;
        }
        *out++ = '\\';
        switch (c) {
        case '"': *out++ = '"'; break;
        case '\\': *out++ = '\\'; break;
        case 0x08: *out++ = 'b'; break;
        case 0x09: *out++ = 't'; break;
        case 0x0A: *out++ = 'n'; break;
        case 0x0C: *out++ = 'f'; break;
        case 0x0D: *out++ = 'r'; break;
        default:
            *out++ = 'u';
            *out++ = '0';
            *out++ = '0';
            *out++ = kHex[c >> 4];
            *out++ = kHex[c & 15];
        }
    }
    return out;
}

}  // namespace tabulora
