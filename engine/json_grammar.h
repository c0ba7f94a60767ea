#pragma once
// The engine's one strict JSON grammar (RFC 8259), for a text that must hold exactly one value:
// no trailing commas, no single quotes or bare names, nothing after the value, no leading zeros,
// only the escapes JSON knows, no raw control bytes in strings, and at most kMaxNestingDepth
// containers one inside another. The text is taken to be valid UTF-8.
//
// One pass without recursion or allocation. What it reads goes to a handler, so that the same scan
// checks a line of a JSON Lines file (a handler that does nothing: engine/strict_json.h) and reads
// a small document into a tree (engine/json_document.h). A handler has these members, all called
// with pointers into the text:
//   void Open(bool object, const char* at);             // '{' or '[' at `at`
//   void Close();                                       // the innermost open container ends
//   void Name(const char* begin, const char* end);      // a member's name, the bytes between its quotes
//   void String(const char* begin, const char* end);    // a string value, the bytes between its quotes
//   void Number(const char* begin, const char* end);    // a number as written
//   void Literal(char first, const char* at);           // true, false or null, by its first byte
#include <cstdint>

#include "engine/json_chars.h"
#include "engine/json_reader.h"
#include "engine/scan.h"

namespace tabulora::json_grammar {

enum class SyntaxError : uint8_t {
    None,
    ExpectedValue,       // no value where one must stand
    UnclosedString,      // at the opening quote
    ControlInString,     // a raw byte below 0x20 in a string, at that byte
    BadEscape,           // a backslash that no JSON escape follows, at the backslash
    BadNumber,           // at the number's first byte
    BadLiteral,          // t, f or n that does not begin true, false or null
    ExpectedName,        // an object's member must begin with a name in double quotes
    ExpectedColon,       // after a member's name
    ExpectedCommaOrEnd,  // after a value inside a container: "," or its closing bracket
    TextAfterValue,      // something after the one value
    TooDeep,             // more than kMaxNestingDepth open containers
};

struct ScanResult {
    SyntaxError error = SyntaxError::None;
    const char* where = nullptr;  // where the error was found
    bool inObject = false;        // for ExpectedCommaOrEnd: the container is an object
    bool Ok() const { return error == SyntaxError::None; }
};

namespace detail {

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

inline const char* SkipBlanks(const char* p, const char* end) {
    while (p < end && IsBlank(*p)) ++p;
    return p;
}

inline bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

inline const char* Fail(ScanResult& result, SyntaxError error, const char* where) {
    result.error = error;
    result.where = where;
    return nullptr;
}

// After the opening quote at `quote`: the closing quote, or nullptr with the error in `result`.
inline const char* FindStringEnd(const char* quote, const char* end, ScanResult& result) {
    const char* p = quote + 1;
    for (;;) {
        p = scan::FindEscapeNeeded(p, end);
        if (p == end) return Fail(result, SyntaxError::UnclosedString, quote);
        if (static_cast<unsigned char>(*p) < 0x20) return Fail(result, SyntaxError::ControlInString, p);
        if (*p == '"') return p;
        // A backslash.
        const char* backslash = p;
        if (++p == end) return Fail(result, SyntaxError::UnclosedString, quote);
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
            if (end - p < 5) return Fail(result, SyntaxError::BadEscape, backslash);
            for (int i = 1; i <= 4; ++i)
                if (!IsHexDigit(p[i])) return Fail(result, SyntaxError::BadEscape, backslash);
            p += 5;
            break;
        default: return Fail(result, SyntaxError::BadEscape, backslash);
        }
    }
}

inline const char* SkipDigits(const char* p, const char* end) {
    while (p < end && IsDigit(*p)) ++p;
    return p;
}

// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?: the byte after it, or nullptr.
inline const char* SkipNumber(const char* p, const char* end) {
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

inline const char* SkipWord(const char* p, const char* end, std::string_view word) {
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
template <class Handler>
const char* ReadNameAndColon(const char* p, const char* end, Handler& handler, ScanResult& result) {
    if (p == end || *p != '"') return Fail(result, SyntaxError::ExpectedName, p);
    const char* close = FindStringEnd(p, end, result);
    if (!close) return nullptr;
    handler.Name(p + 1, close);
    p = SkipBlanks(close + 1, end);
    if (p == end || *p != ':') return Fail(result, SyntaxError::ExpectedColon, p);
    return SkipBlanks(p + 1, end);
}

}  // namespace detail

// Reads [p, end) as exactly one JSON value with blanks (space, TAB, CR, LF) around it.
template <class Handler>
ScanResult ScanOneValue(const char* p, const char* const end, Handler& handler) {
    using namespace detail;
    ScanResult result;
    p = SkipBlanks(p, end);
    OpenContainers open;
    for (;;) {
        // p stands at a value.
        if (p == end) {
            Fail(result, SyntaxError::ExpectedValue, p);
            return result;
        }
        bool closed = true;  // the value is complete (not a container just opened)
        const char* const start = p;
        switch (*p) {
        case '{':
        case '[': {
            const bool object = *p == '{';
            if (!open.Push(object)) {
                Fail(result, SyntaxError::TooDeep, p);
                return result;
            }
            handler.Open(object, p);
            p = SkipBlanks(p + 1, end);
            if (p < end && *p == (object ? '}' : ']')) {
                open.Pop();
                handler.Close();
                ++p;
            } else {
                closed = false;
                if (object) p = ReadNameAndColon(p, end, handler, result);
            }
            break;
        }
        case '"': {
            const char* close = FindStringEnd(p, end, result);
            if (close) {
                handler.String(p + 1, close);
                p = close + 1;
            } else {
                p = nullptr;
            }
            break;
        }
        case 't':
        case 'f':
        case 'n':
            p = SkipWord(p, end, *p == 't' ? "true" : *p == 'f' ? "false" : "null");
            if (p)
                handler.Literal(*start, start);
            else
                Fail(result, SyntaxError::BadLiteral, start);
            break;
        default:
            if (*p != '-' && !IsDigit(*p)) {
                Fail(result, SyntaxError::ExpectedValue, p);
                return result;
            }
            p = SkipNumber(p, end);
            if (p)
                handler.Number(start, p);
            else
                Fail(result, SyntaxError::BadNumber, start);
            break;
        }
        if (!p) return result;
        if (!closed) continue;
        // After a complete value: close containers until one goes on with another value.
        for (;;) {
            p = SkipBlanks(p, end);
            if (open.Empty()) {
                if (p != end) Fail(result, SyntaxError::TextAfterValue, p);
                return result;
            }
            const bool object = open.InObject();
            if (p < end && *p == ',') {
                p = SkipBlanks(p + 1, end);
                if (object && !(p = ReadNameAndColon(p, end, handler, result))) return result;
                break;
            }
            if (p == end || *p != (object ? '}' : ']')) {
                Fail(result, SyntaxError::ExpectedCommaOrEnd, p);
                result.inObject = object;
                return result;
            }
            open.Pop();
            handler.Close();
            ++p;
        }
    }
}

}  // namespace tabulora::json_grammar
