#pragma once
#include <string>
#include <string_view>

namespace tabulora {

// Converts text between a single-byte or multi-byte "ANSI" code page and UTF-8. The program
// passes the system's active code page; the portable CLI uses Windows-1252 off Windows.
class AnsiCodec {
public:
    virtual ~AnsiCodec() = default;
    // Never fails: every byte sequence decodes to some text. A file is converted piece by piece,
    // each piece ending right after a byte below 0x40 (or at the end of the file): such a byte
    // is never part of a multi-byte character in any Windows code page, so no character is split.
    virtual std::string ToUtf8(std::string_view ansi) const = 0;
    // Never fails: characters the code page lacks are replaced by the platform's fallback. The
    // CSV is converted in pieces of whole lines.
    virtual std::string FromUtf8(std::string_view utf8) const = 0;
};

enum class TextEncoding { Utf8, Ansi };

}  // namespace tabulora
