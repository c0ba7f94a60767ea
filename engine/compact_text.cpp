#include "engine/compact_text.h"

#include "engine/cell_escapes.h"
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

bool JoinPlainArray(std::string_view compact, std::string_view separator, std::string& out) {
    out.clear();
    std::string scratch;
    const char* p = compact.data() + 1;                     // after "["
    const char* end = compact.data() + compact.size() - 1;  // at "]"
    for (bool first = true; p < end; first = false) {
        if (!first) out.append(separator);
        if (*p == '[' || *p == '{') return false;
        const char* start = p;
        if (*p == '"') {
            for (++p; p < end && *p != '"'; ++p)
                if (*p == '\\') ++p;
            out.append(DecodedCell(std::string_view(start + 1, p - start - 1), scratch));
            p += 2;  // the closing quote and the separator after it
        } else {
            while (p < end && !IsFieldEnd(*p)) ++p;
            out.append(start, p - start);
            ++p;
        }
    }
    return true;
}

void AssignNameCell(const MemberName& name, std::string& cell, std::string& scratch) {
    if (!name.needsEscaping) {
        cell.assign(name.decoded);
        return;
    }
    scratch.resize(name.decoded.size() * 6);
    scratch.resize(AddJSONEscape(name.decoded, scratch.data()) - scratch.data());
    cell.clear();
    DecodeCellEscapes(scratch, cell);
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
