#include "engine/strict_json.h"

#include "engine/json_grammar.h"

namespace tabulora {
namespace {

// Only whether the text is one value counts.
struct CheckOnly {
    void Open(bool, const char*) {}
    void Close() {}
    void Name(const char*, const char*) {}
    void String(const char*, const char*) {}
    void Number(const char*, const char*) {}
    void Literal(char, const char*) {}
};

}  // namespace

JsonTextKind ClassifyJsonText(std::string_view text) {
    const char* const end = text.data() + text.size();
    if (json_grammar::detail::SkipBlanks(text.data(), end) == end) return JsonTextKind::Blank;
    CheckOnly check;
    return json_grammar::ScanOneValue(text.data(), end, check).Ok() ? JsonTextKind::OneValue : JsonTextKind::Invalid;
}

}  // namespace tabulora
