#include "engine/json_document.h"

#include <utility>

#include "engine/json_chars.h"
#include "engine/json_grammar.h"

namespace tabulora {
namespace {

// The bytes between a string's quotes, already checked by the grammar, decoded as the reader
// decodes member names, so that a name in a document matches the column the reader makes of it.
std::string DecodeString(const char* begin, const char* end) {
    std::string text;
    DecodeQuotedName(begin, end + 1, text);  // up to and with the closing quote
    return text;
}

// Builds the tree as the grammar reads: the open containers on a stack, each added to the one
// around it when it closes.
class TreeBuilder {
public:
    explicit TreeBuilder(const char* text) : text_(text) {}

    void Open(bool object, const char* at) {
        JsonValue value;
        value.kind = object ? JsonValue::Kind::Object : JsonValue::Kind::Array;
        value.offset = Offset(at);
        open_.push_back(std::move(value));
    }
    void Close() {
        JsonValue value = std::move(open_.back());
        open_.pop_back();
        Add(std::move(value));
    }
    void Name(const char* begin, const char* end) {
        names_.push_back({DecodeString(begin, end), Offset(begin - 1), {}});
    }
    void String(const char* begin, const char* end) {
        JsonValue value = Scalar(JsonValue::Kind::String, begin - 1);
        value.text = DecodeString(begin, end);
        Add(std::move(value));
    }
    void Number(const char* begin, const char* end) {
        JsonValue value = Scalar(JsonValue::Kind::Number, begin);
        value.text.assign(begin, end);
        Add(std::move(value));
    }
    void Literal(char first, const char* at) {
        JsonValue value = Scalar(first == 'n' ? JsonValue::Kind::Null : JsonValue::Kind::Boolean, at);
        value.boolean = first == 't';
        Add(std::move(value));
    }

    JsonValue TakeRoot() { return std::move(root_); }

private:
    size_t Offset(const char* at) const { return static_cast<size_t>(at - text_); }
    JsonValue Scalar(JsonValue::Kind kind, const char* at) const {
        JsonValue value;
        value.kind = kind;
        value.offset = Offset(at);
        return value;
    }
    void Add(JsonValue value) {
        if (open_.empty()) {
            root_ = std::move(value);
        } else if (open_.back().kind == JsonValue::Kind::Object) {
            JsonMember member = std::move(names_.back());
            names_.pop_back();
            member.value = std::move(value);
            open_.back().members.push_back(std::move(member));
        } else {
            open_.back().items.push_back(std::move(value));
        }
    }

    const char* text_;
    std::vector<JsonValue> open_;
    std::vector<JsonMember> names_;  // the names whose values are being read, outermost first
    JsonValue root_;
};

std::string Reason(const json_grammar::ScanResult& result, bool atEnd) {
    using json_grammar::SyntaxError;
    std::string reason;
    switch (result.error) {
    case SyntaxError::None: break;
    case SyntaxError::ExpectedValue: reason = "expected a value"; break;
    case SyntaxError::UnclosedString: reason = "a string is not closed"; break;
    case SyntaxError::ControlInString:
        reason = "a control character in a string (write it as an escape such as \\t or \\n)";
        break;
    case SyntaxError::BadEscape: reason = "not a JSON escape"; break;
    case SyntaxError::BadNumber: reason = "not a JSON number"; break;
    case SyntaxError::BadLiteral: reason = "not true, false or null"; break;
    case SyntaxError::ExpectedName: reason = "expected a name in double quotes"; break;
    case SyntaxError::ExpectedColon: reason = "expected \":\" after the name"; break;
    case SyntaxError::ExpectedCommaOrEnd:
        reason = result.inObject ? "expected \",\" or \"}\"" : "expected \",\" or \"]\"";
        break;
    case SyntaxError::TextAfterValue: reason = "text after the end of the JSON value"; break;
    case SyntaxError::TooDeep: reason = "nested more than " + std::to_string(kMaxNestingDepth) + " levels deep"; break;
    }
    // At the end of the text, whatever was expected is missing.
    if (atEnd && result.error != SyntaxError::UnclosedString) reason = "the text ends early: " + reason;
    return reason;
}

}  // namespace

bool ParseJsonDocument(std::string_view text, JsonValue& root, JsonDocumentError& error) {
    TreeBuilder builder(text.data());
    const json_grammar::ScanResult result = json_grammar::ScanOneValue(text.data(), text.data() + text.size(), builder);
    if (!result.Ok()) {
        error.offset = static_cast<size_t>(result.where - text.data());
        error.reason = Reason(result, error.offset == text.size());
        return false;
    }
    root = builder.TakeRoot();
    return true;
}

const char* JsonKindName(JsonValue::Kind kind) {
    switch (kind) {
    case JsonValue::Kind::Null: return "null";
    case JsonValue::Kind::Boolean: return "true or false";
    case JsonValue::Kind::Number: return "a number";
    case JsonValue::Kind::String: return "text";
    case JsonValue::Kind::Array: return "an array";
    case JsonValue::Kind::Object: return "an object";
    }
    return "";
}

std::string JsonQuoted(std::string_view text) {
    std::string out(text.size() * 6 + 2, '"');
    char* const last = AddJSONEscape(text, out.data() + 1);
    out.resize(static_cast<size_t>(last - out.data()) + 1);
    out.back() = '"';
    return out;
}

}  // namespace tabulora
