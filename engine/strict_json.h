#pragma once
// Strict JSON (RFC 8259, see engine/json_grammar.h) for a text that must hold exactly one value,
// such as a line of a JSON Lines file.
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
