#pragma once
#include <string>
#include <string_view>

namespace tabulora::update {

// Reversible scrambling of a stored text into upper-case hexadecimal, one pair of digits per
// UTF-8 byte. It hides the text from a casual look; it is not encryption.
std::string ScrambleText(std::string_view text);

// The inverse of ScrambleText. Letter case of the digits does not matter, a last single digit
// is ignored, and any pair that is not hexadecimal gives an empty text.
std::string UnscrambleText(std::string_view hex);

}  // namespace tabulora::update
