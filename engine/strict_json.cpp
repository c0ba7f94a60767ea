#include "engine/strict_json.h"

#include <cstdint>

#include "engine/json_chars.h"
#include "engine/json_reader.h"
#include "engine/scan.h"

namespace tabulora {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

const char* SkipBlanks(const char* p, const char* end) {
    while (p < end && IsBlank(*p)) ++p;
    return p;
}

bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// After the opening quote: the byte after the closing quote, or nullptr.
const char* SkipString(const char* p, const char* end) {
    for (;;) {
        p = scan::FindEscapeNeeded(p, end);
        if (p == end || static_cast<unsigned char>(*p) < 0x20) return nullptr;
        if (*p == '"') return p + 1;
        // A backslash.
        if (++p == end) return nullptr;
        switch (*p) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't': ++p; break;
        case 'u':
            if (end - p < 5) return nullptr;
            for (int i = 1; i <= 4; ++i)
                if (!IsHexDigit(p[i])) return nullptr;
            p += 5;
            break;
        default: return nullptr;
        }
    }
}

const char* SkipDigits(const char* p, const char* end) {
    while (p < end && IsDigit(*p)) ++p;
    return p;
}

// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?: the byte after it, or nullptr.
const char* SkipNumber(const char* p, const char* end) {
    if (p < end && *p == '-') ++p;
    if (p == end || !IsDigit(*p)) return nullptr;
    p = *p == '0' ? p + 1 : SkipDigits(p, end);
    if (p < end && *p == '.') {
        const char* digits = ++p;
        p = SkipDigits(p, end);
        if (p == digits) return nullptr;
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        if (++p < end && (*p == '+' || *p == '-')) ++p;
        const char* digits = p;
        p = SkipDigits(p, end);
        if (p == digits) return nullptr;
    }
    return p;
}

const char* SkipWord(const char* p, const char* end, std::string_view word) {
    if (static_cast<size_t>(end - p) < word.size() || std::string_view(p, word.size()) != word) return nullptr;
    return p + word.size();
}

// The open containers, one bit each (set: an object), on the stack of the caller.
class OpenContainers {
public:
    bool Push(bool object) {
        if (depth_ == kMaxNestingDepth) return false;
        // A word is written whole when its first bit is, so that no text pays for clearing them all.
        uint64_t& word = bits_[depth_ / 64];
        const uint64_t bit = uint64_t{object} << (depth_ % 64);
        word = depth_ % 64 == 0 ? bit : (word & ~(uint64_t{1} << (depth_ % 64))) | bit;
        ++depth_;
        return true;
    }
    void Pop() { --depth_; }
    bool Empty() const { return depth_ == 0; }
    bool InObject() const { return (bits_[(depth_ - 1) / 64] >> ((depth_ - 1) % 64)) & 1; }

private:
    uint64_t bits_[kMaxNestingDepth / 64];
    unsigned depth_ = 0;
};

// A member's name and colon, then the blanks before its value: the start of the value or nullptr.
const char* SkipNameAndColon(const char* p, const char* end) {
    if (p == end || *p != '"') return nullptr;
    p = SkipString(p + 1, end);
    if (!p) return nullptr;
    p = SkipBlanks(p, end);
    if (p == end || *p != ':') return nullptr;
    return SkipBlanks(p + 1, end);
}

}  // namespace

JsonTextKind ClassifyJsonText(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    p = SkipBlanks(p, end);
    if (p == end) return JsonTextKind::Blank;
    OpenContainers open;
    for (;;) {
        // p stands at a value.
        if (p == end) return JsonTextKind::Invalid;
        bool closed = true;  // the value is complete (not a container just opened)
        switch (*p) {
        case '{':
        case '[': {
            const bool object = *p == '{';
            if (!open.Push(object)) return JsonTextKind::Invalid;
            p = SkipBlanks(p + 1, end);
            if (p < end && *p == (object ? '}' : ']')) {
                open.Pop();
                ++p;
            } else {
                closed = false;
                if (object) p = SkipNameAndColon(p, end);
            }
            break;
        }
        case '"': p = SkipString(p + 1, end); break;
        case 't': p = SkipWord(p, end, "true"); break;
        case 'f': p = SkipWord(p, end, "false"); break;
        case 'n': p = SkipWord(p, end, "null"); break;
        default: p = SkipNumber(p, end); break;
        }
        if (!p) return JsonTextKind::Invalid;
        if (!closed) continue;
        // After a complete value: close containers until one goes on with another value.
        for (;;) {
            p = SkipBlanks(p, end);
            if (open.Empty()) return p == end ? JsonTextKind::OneValue : JsonTextKind::Invalid;
            if (p == end) return JsonTextKind::Invalid;
            const bool object = open.InObject();
            if (*p == ',') {
                p = SkipBlanks(p + 1, end);
                if (object) p = SkipNameAndColon(p, end);
                if (!p) return JsonTextKind::Invalid;
                break;
            }
            if (*p != (object ? '}' : ']')) return JsonTextKind::Invalid;
            open.Pop();
            ++p;
        }
    }
}

}  // namespace tabulora
