#pragma once
#include <string>
#include <string_view>

namespace tabulora {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut sequences.
bool IsValidUtf8(std::string_view text);

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Valid UTF-8 to UTF-16 (invalid bytes become U+FFFD).
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace tabulora
