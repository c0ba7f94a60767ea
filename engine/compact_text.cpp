#include "engine/compact_text.h"

#include "engine/json_chars.h"
#include "engine/line_breaks.h"

namespace tabulora {

// A backslash right before a raw break is dropped: the break's escape takes its place.
void AppendEscapingBreaks(std::string_view text, bool asLines, std::string& out) {
    const size_t size = text.size();
    for (size_t i = 0; i < size; ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < size) {
            if (text[i + 1] != '\r' && text[i + 1] != '\n') {
                out.append(text.data() + i, 2);
                ++i;
            }
            continue;
        }
        if (c == '\r' || c == '\n') {
            if (asLines) {
                out += "\\r\\n";
                if (c == '\r' && i + 1 < size && text[i + 1] == '\n') ++i;
            } else {
                out += c == '\r' ? "\\r" : "\\n";
            }
            continue;
        }
        out += c;
    }
}

void CompactText::Name(const MemberName& name) {
    text_ += '"';
    if (name.quote == MemberName::Quote::Double) {
        if (HasLineBreak(name.raw))
            AppendEscapingBreaks(name.raw, textAsLines_, text_);
        else
            text_.append(name.raw);
    } else {
        const size_t start = text_.size();
        text_.resize(start + name.decoded.size() * 6);
        text_.resize(AddJSONEscape(name.decoded, text_.data() + start) - text_.data());
    }
    text_ += "\":";
}

void CompactText::Member(std::string_view name, ScalarKind kind, std::string_view value) {
    const bool string = kind == ScalarKind::String;
    text_ += '"';
    text_.append(name);
    text_ += "\":";
    if (string) text_ += '"';
    text_.append(value);
    if (string) text_ += '"';
}

void CompactText::Scalar(std::string_view text, bool rawBreaks) {
    if (!rawBreaks) {
        text_.append(text);
        return;
    }
    text_ += '"';
    AppendEscapingBreaks(text.substr(1, text.size() - 2), textAsLines_, text_);
    text_ += '"';
}

void CompactText::Separator(char separator) {
    if (static_cast<unsigned char>(separator) >= 0x80)
        text_ += "\xEF\xBF\xBD";
    else
        text_ += separator;
}

}  // namespace tabulora
