#pragma once
#include <string>
#include <string_view>

namespace tabulora {

// Decodes the escapes of a member name or value as the reformatter left them: \" \\ \/ and
// \uXXXX of a printable character (or a surrogate pair) are replaced; every other escape, control
// characters included, stays as written, so a cell never holds CR, LF or TAB.
void DecodeCellEscapes(std::string_view text, std::string& out);

// The same in place: a decoded text is never longer than the text. Returns its length.
size_t DecodeCellEscapesInPlace(char* text, size_t size);

// The text itself when it holds no backslash, else its decoded form (DecodeCellEscapes) in
// `scratch`.
std::string_view DecodedCell(std::string_view text, std::string& scratch);

}  // namespace tabulora
