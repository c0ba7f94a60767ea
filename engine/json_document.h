#pragma once
// A small JSON document read whole into a tree, by the engine's one strict grammar
// (engine/json_grammar.h): for settings files, never for the inputs, which are streamed.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/line_position.h"

namespace tabulora {

struct JsonMember;

struct JsonValue {
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    // A string decoded to UTF-8 as the reader decodes member names (\u0000 and a lone surrogate
    // escape give "?"), a number as written.
    std::string text;
    std::vector<JsonValue> items;     // an array's elements
    std::vector<JsonMember> members;  // an object's members as written, a repeated name included
    size_t offset = 0;                // where the value begins in the text

    bool IsString() const { return kind == Kind::String; }
};

struct JsonMember {
    std::string name;
    size_t offset = 0;  // of the name's opening quote
    JsonValue value;
};

// Why a text is not one JSON value, and where.
struct JsonDocumentError {
    size_t offset = 0;
    std::string reason;  // "expected \",\" or \"}\"", ...
};

// Reads `text` (UTF-8) as exactly one JSON value into `root`; false with `error` set when it is not.
bool ParseJsonDocument(std::string_view text, JsonValue& root, JsonDocumentError& error);

// The kind as a message names it: "text", "number", "true or false", "null", "array", "object".
const char* JsonKindName(JsonValue::Kind kind);

// A JSON string literal of `text` (UTF-8): in quotes, with the escapes JSON needs (AddJSONEscape).
std::string JsonQuoted(std::string_view text);

}  // namespace tabulora
