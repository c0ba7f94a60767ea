#include "engine/compact_text.h"

#include "engine/cell_escapes.h"
#include "engine/json_chars.h"
#include "engine/line_breaks.h"
#include "engine/scan.h"

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

const char* CompactText::AppendPlainArray(const char* p, const char* end, size_t levels) {
    const int maxDepth = static_cast<int>(levels < 64 ? levels : 64);
    const size_t start = text_.size();
    auto fail = [&]() -> const char* {
        text_.resize(start);
        return nullptr;
    };
    auto skipBlanks = [](const char* q) {
        while (*q == ' ' || *q == '\n' || *q == '\r' || *q == '\t') ++q;
        return q;
    };
    // A string or name from its opening quote, copied whole; false at a raw line break or the end.
    auto copyString = [&](const char*& q) {
        const char* s = q + 1;
        for (;;) {
            s = scan::FindEscapeNeeded(s, end);
            if (s == end || *s == '\r' || *s == '\n') return false;
            if (*s == '"') break;
            if (*s == '\\') {
                if (s + 1 == end || s[1] == '\r' || s[1] == '\n') return false;
                s += 2;
            } else {
                ++s;  // another control byte, copied as it is
            }
        }
        text_.append(q, s + 1 - q);
        q = s + 1;
        return true;
    };

    ++p;
    if (*skipBlanks(p) == ']' || maxDepth < 1) return fail();  // an empty array is a value of its own
    uint64_t objects = 0;                                      // bit n: level n + 1 is an object
    int depth = 1;
    text_ += '[';
    enum { kValue, kValueOrClose, kName, kNameOrClose, kAfterValue } expect = kValue;
    for (;;) {
        p = skipBlanks(p);
        if (p == end) return fail();
        const bool inObject = (objects >> (depth - 1)) & 1;
        switch (expect) {
        case kValueOrClose:
            if (*p == ']') {
                text_ += ']';
                ++p;
                if (--depth == 0) return p;
                expect = kAfterValue;
                continue;
            }
            [[fallthrough]];
        case kValue:
            if (*p == '"') {
                if (!copyString(p)) return fail();
                expect = kAfterValue;
            } else if (*p == '[' || *p == '{') {
                if (depth == maxDepth) return fail();
                objects = (objects & ~(uint64_t{1} << depth)) | (uint64_t{*p == '{'} << depth);
                ++depth;
                text_ += *p;
                expect = *p == '{' ? kNameOrClose : kValueOrClose;
                ++p;
            } else if (*p == '-' || IsDigit(*p)) {
                if (*p == '0' && IsDigit(p[1])) return fail();
                const char* q = p;
                while (IsNumberChar(*q)) ++q;
                if (q == end) return fail();  // the number may go on in the next piece
                text_.append(p, q - p);
                p = q;
                expect = kAfterValue;
            } else if (StartsWithLiteral(p, "true") || StartsWithLiteral(p, "null")) {
                text_.append(p, 4);
                p += 4;
                expect = kAfterValue;
            } else if (StartsWithLiteral(p, "false")) {
                text_.append(p, 5);
                p += 5;
                expect = kAfterValue;
            } else {
                return fail();
            }
            continue;
        case kNameOrClose:
            if (*p == '}') {
                text_ += '}';
                ++p;
                --depth;
                expect = kAfterValue;
                continue;
            }
            [[fallthrough]];
        case kName:
            if (*p != '"' || !copyString(p)) return fail();
            p = skipBlanks(p);
            if (*p != ':') return fail();
            text_ += ':';
            ++p;
            expect = kValue;
            continue;
        case kAfterValue:
            if (*p == ',') {
                text_ += ',';
                ++p;
                expect = inObject ? kName : kValue;
                continue;
            }
            if (*p != (inObject ? '}' : ']')) return fail();
            text_ += *p;
            ++p;
            if (--depth == 0) return p;
            continue;
        }
    }
}

}  // namespace tabulora
