#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tabulora {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut sequences.
bool IsValidUtf8(std::string_view text);

// The length of the valid UTF-8 sequence that `bytes` starts with, or 0 when it is malformed.
size_t Utf8SequenceLength(std::string_view bytes);

// Keeps valid UTF-8 as it is and replaces each malformed byte by U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

// Appends the UTF-8 form of a code point below 0x110000.
void AppendUtf8(std::string& out, uint32_t codePoint);

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Valid UTF-8 to UTF-16 (invalid bytes become U+FFFD).
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace tabulora
