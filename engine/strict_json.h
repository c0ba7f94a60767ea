#pragma once
// Strict JSON (RFC 8259) for a text that must hold exactly one value, such as a line of a JSON
// Lines file: no trailing commas, no single quotes or bare names, nothing after the value, no
// leading zeros, only the escapes JSON knows, no raw control bytes in strings, and at most
// kMaxNestingDepth containers one inside another. The text is taken to be valid UTF-8.
#include <string_view>

namespace tabulora {

enum class JsonTextKind {
    Blank,     // empty, or only blanks (space, TAB, CR, LF)
    OneValue,  // exactly one valid JSON value, blanks around it allowed
    Invalid,   // anything else
};

// One pass over the text, no allocation.
JsonTextKind ClassifyJsonText(std::string_view text);

}  // namespace tabulora
