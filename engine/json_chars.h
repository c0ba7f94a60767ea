#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tabulora {

// Byte classes of the JSON reader, built at compile time.
namespace json_class {
enum : uint8_t {
    kNumber = 1,      // + - . 0-9 E e
    kLiteralEnd = 2,  // what may follow true, false, null
    kFieldEnd = 4,    // , : ] }
    kIdentStart = 8,  // first byte of a bare member name
    kIdent = 16,      // further bytes of a bare member name
};

constexpr std::array<uint8_t, 256> MakeTable() {
    std::array<uint8_t, 256> table{};
    for (char c : std::string_view("+-.0123456789Ee")) table[static_cast<uint8_t>(c)] |= kNumber;
    for (int c : {0x00, 0x09, 0x0A, 0x0D, 0x20, int{','}, int{']'}, int{'}'}}) table[c] |= kLiteralEnd;
    for (char c : std::string_view(",:]}")) table[static_cast<uint8_t>(c)] |= kFieldEnd;
    for (int c = 0; c < 256; ++c) {
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (alnum || c == '_' || c == '$') table[c] |= kIdentStart;
        if (alnum || c == '_' || c == '.' || c == '[' || c == ']') table[c] |= kIdent;
    }
    return table;
}
inline constexpr std::array<uint8_t, 256> kTable = MakeTable();

inline bool Has(char c, uint8_t flag) { return kTable[static_cast<uint8_t>(c)] & flag; }
}  // namespace json_class

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsNumberChar(char c) { return json_class::Has(c, json_class::kNumber); }
inline bool IsLiteralEnd(char c) { return json_class::Has(c, json_class::kLiteralEnd); }
inline bool IsIdentifierStart(char c) { return json_class::Has(c, json_class::kIdentStart); }
inline bool IsFieldEnd(char c) { return json_class::Has(c, json_class::kFieldEnd); }
inline bool IsIdentifierChar(char c) { return json_class::Has(c, json_class::kIdent); }

// The first , : ] } at or after p, or the terminating zero byte.
inline const char* FindFieldEnd(const char* p) {
    while (*p && !json_class::Has(*p, json_class::kFieldEnd)) ++p;
    return p;
}

// `literal` followed by a byte that may end a literal; compares byte by byte so that a short text
// is never read past its terminating zero byte.
inline bool StartsWithLiteral(const char* p, const char* literal) {
    for (; *literal; ++p, ++literal)
        if (*p != *literal) return false;
    return IsLiteralEnd(*p);
}

// Decodes a double-quoted member name whose contents begin at p into `name`. Returns the byte
// after the closing quote, or nullptr when the text ends inside the name.
const char* DecodeQuotedName(const char* p, const char* end, std::string& name);

// Writes `name` with JSON escaping (control bytes, quote, backslash) at `out`; needs room for
// six bytes per name byte. Returns the end of what was written.
char* AddJSONEscape(std::string_view name, char* out);

// The value of four hex digits at p, or -1 when any of them is not a hex digit.
int ReadHex4(const char* p);

}  // namespace tabulora
