#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tabulora {

// Splits at CR LF, a lone CR and a lone LF; a final line break adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Lower-cases the letters A to Z only.
std::string AsciiLower(std::string_view text);

// Reads an optionally signed decimal number that fits in 32 bits; nothing else is accepted
// (no blanks, no hexadecimal, no fraction).
bool TryParseInt32(std::string_view text, int& value);

}  // namespace tabulora
