#pragma once
#include <string_view>

namespace tabulora {

// Removes every character of code U+0020 or below from both ends. Works on UTF-8 bytes: the
// bytes of characters above U+007F are all above 0x7F and so are never removed. Inline: the
// table builder trims every cell with it.
inline std::string_view TrimBlanksAndControls(std::string_view text) {
    auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace tabulora
