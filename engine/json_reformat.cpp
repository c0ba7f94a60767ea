#include "engine/json_reformat.h"

#include <cstring>
#include <vector>

#include "engine/json_chars.h"
#include "engine/output_buffer.h"
#include "engine/scan.h"

namespace tabulora {
namespace {

// Writes the line layout of JSON values read from a zero-terminated text. Nested containers
// are followed with an explicit stack, so nesting depth never costs native stack.
// Without a line receiver the layout is collected in `out`; with one, `out` holds only the line
// being written and every finished line goes to the receiver.
class Reformatter {
public:
    // The text runs from `text` to `end`, where a zero byte stands.
    Reformatter(const char* text, const char* end, OutputBuffer& out, ReformattedLines* lines = nullptr)
        : pos_(text), end_(end), lines_(lines), out_(out) {}

    // Reads one top-level value. Returns false when reading stopped (the output so far stands);
    // otherwise `NextValue` is where a following value may begin.
    bool AddJSONReformat();
    const char* NextValue() const { return next_; }
    // Hands the line being written to the receiver: the value ended, and so did the line.
    void FinishLine();

private:
    enum class Step { Value, ArrayElement, ObjectMember, AfterValue, ValueDone, Stop, TopDone };

    void AddCRAndIndent();
    Step BeginValue();
    Step AfterStringOrContainer();
    Step ValueDone();
    Step ParseJSONField();
    bool ParseJSONPropName();
    void WriteName();
    bool TryMemberLine(Step& next);
    const char* SkipBlanks(const char* p) const { return scan::SkipBlanks(p, end_); }

    const char* pos_;            // nullptr: the text ended or reading failed
    const char* end_;
    const char* next_ = nullptr;
    char separator_ = 0;         // separator byte after the value just read; 0 when none
    unsigned level_ = 0;
    std::vector<char> open_;     // '[' or '{' for every open container
    std::string decodedName_;    // a member name that needed decoding
    std::string_view name_;      // the member name: raw text when it needs no escaping, else decodedName_
    bool nameNeedsEscaping_ = false;
    ReformattedLines* lines_;
    bool lineHandedOver_ = false;   // the line being written went to the receiver already
    bool rawBreakInLine_ = false;   // the line being written copies a raw CR or LF
    unsigned lineTabs_ = 0;         // the indentation of the line being written, kept as a count
    OutputBuffer& out_;
};

void Reformatter::AddCRAndIndent() {
    // Two breaks in a row collapse into one: the indentation of the first one stays.
    const bool afterTab = lines_ ? out_.Size() == 0 && lineTabs_ > 0 : out_.LastByte() == '\t';
    if (!lineHandedOver_ && (afterTab || level_ >= 65536)) return;
    if (lines_) {
        FinishLine();
        lineTabs_ = level_;
        return;
    }
    char* p = out_.Reserve(2 + level_);
    p[0] = '\r';
    p[1] = '\n';
    std::memset(p + 2, '\t', level_);
    out_.Commit(2 + level_);
}

void Reformatter::FinishLine() {
    if (!lineHandedOver_) lines_->Line(lineTabs_, std::string_view(out_.Data(), out_.Size()), rawBreakInLine_);
    out_.Clear('\n');
    lineHandedOver_ = false;
    rawBreakInLine_ = false;
    lineTabs_ = 0;
}

bool Reformatter::AddJSONReformat() {
    Step step = Step::Value;
    for (;;) {
        switch (step) {
            case Step::Value:
                step = BeginValue();
                break;
            case Step::AfterValue:
                step = AfterStringOrContainer();
                break;
            case Step::ValueDone:
                step = ValueDone();
                break;
            case Step::ArrayElement:
                if (!pos_) return false;
                AddCRAndIndent();
                step = Step::Value;
                break;
            case Step::ObjectMember:
                if (!ParseJSONPropName()) return false;
                if (lines_ && !nameNeedsEscaping_ && TryMemberLine(step)) break;
                WriteName();
                out_.Append(": ", 2);
                pos_ = SkipBlanks(pos_);
                step = Step::Value;
                break;
            case Step::Stop:
                return false;
            case Step::TopDone:
                return true;
        }
    }
}

Reformatter::Step Reformatter::BeginValue() {
    pos_ = SkipBlanks(pos_);
    switch (*pos_) {
        case '"': {
            const char* close = FindStringEnd(pos_ + 1, end_);
            if (!close) return Step::Stop;
            if (lines_ && scan::FindAny(pos_, close, '\r', '\n', '\n') != close) rawBreakInLine_ = true;
            out_.Append(pos_, close + 1 - pos_);
            pos_ = close + 1;
            return Step::AfterValue;
        }
        case '[': {
            const char* inside = SkipBlanks(pos_ + 1);
            if (*inside == ']') {
                out_.Append("[]", 2);
                pos_ = inside + 1;
                return Step::AfterValue;
            }
            if (open_.size() >= kMaxNestingDepth) return Step::Stop;
            pos_ = inside;
            AddCRAndIndent();
            ++level_;
            out_.Append('[');
            open_.push_back('[');
            return Step::ArrayElement;
        }
        case '{': {
            if (open_.size() >= kMaxNestingDepth) return Step::Stop;
            pos_ = SkipBlanks(pos_ + 1);
            out_.Append('{');
            ++level_;
            AddCRAndIndent();
            if (*pos_ == '}') {
                pos_ = SkipBlanks(pos_ + 1);
                --level_;
                AddCRAndIndent();
                out_.Append('}');
                return Step::AfterValue;
            }
            open_.push_back('{');
            return Step::ObjectMember;
        }
        default:
            return ParseJSONField();
    }
}

// After a string or a container: the next non-blank byte is the separator, whatever it is.
Reformatter::Step Reformatter::AfterStringOrContainer() {
    separator_ = 0;
    if (open_.empty()) {
        // A top-level value: what follows is looked at by the caller, not taken as a separator.
        next_ = pos_;
        return pos_ ? Step::TopDone : Step::Stop;
    }
    if (!pos_) return Step::ValueDone;
    pos_ = SkipBlanks(pos_);
    if (*pos_ == '\0') {
        pos_ = nullptr;
        return Step::ValueDone;
    }
    separator_ = *pos_;
    pos_ = SkipBlanks(pos_ + 1);
    return Step::ValueDone;
}

// Continues the enclosing container after one of its values.
Reformatter::Step Reformatter::ValueDone() {
    if (open_.empty()) return Step::Stop;   // a top-level scalar ends the reading
    if (separator_ == 0) return Step::Stop;
    const char container = open_.back();
    const char closing = container == '[' ? ']' : '}';
    if (separator_ == closing) {
        open_.pop_back();
        --level_;
        AddCRAndIndent();
        out_.Append(closing);
        return Step::AfterValue;
    }
    out_.Append(separator_);
    if (container == '[') return Step::ArrayElement;
    AddCRAndIndent();
    return Step::ObjectMember;
}

// A number, true, false or null, followed by anything up to the next field-end byte.
Reformatter::Step Reformatter::ParseJSONField() {
    separator_ = 0;
    const char* p = SkipBlanks(pos_);
    const char* value = nullptr;
    size_t length = 0;
    const char* after = nullptr;
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '0' && IsDigit(p[1])) {
        // a leading zero fails
    } else if (c == '-' || IsDigit(c)) {
        after = p;
        while (IsNumberChar(*after)) ++after;
        value = p;
        length = after - p;
    } else if (StartsWithLiteral(p, "null")) {
        after = p + 4;
    } else if (StartsWithLiteral(p, "false")) {
        value = p;
        length = 5;
        after = p + 5;
    } else if (StartsWithLiteral(p, "true")) {
        value = p;
        length = 4;
        after = p + 4;
    }
    if (value)
        out_.Append(value, length);
    else
        out_.Append("null", 4);
    if (!after) {
        pos_ = nullptr;
        return Step::Stop;
    }
    // Bytes between the value and the next field-end byte are dropped.
    const char* end = FindFieldEnd(after);
    if (*end == '\0') {
        pos_ = nullptr;
    } else {
        separator_ = *end;
        pos_ = end[1] == '\0' ? nullptr : end + 1;
    }
    return Step::ValueDone;
}

// The common member line, a name needing no escaping with a string, number or literal value and
// a "," or "}" after it, goes to the receiver taken apart instead of being written. Anything else
// leaves everything as it was and returns false.
bool Reformatter::TryMemberLine(Step& next) {
    const char* p = SkipBlanks(pos_);
    const char* value = p;
    const char* valueEnd;
    bool escapes = false;
    if (*p == '"') {
        for (const char* q = p + 1;;) {
            q = scan::FindEscapeNeeded(q, end_);
            if (q == end_ || static_cast<unsigned char>(*q) < 0x20) return false;
            if (*q == '"') {
                value = p + 1;
                valueEnd = q;
                p = q + 1;
                break;
            }
            if (static_cast<unsigned char>(q[1]) < 0x20) return false;   // a control byte after a backslash
            escapes = true;
            q += 2;
        }
    } else if (*p == '-' || IsDigit(*p)) {
        if (*p == '0' && IsDigit(p[1])) return false;
        while (IsNumberChar(*p)) ++p;
        valueEnd = p;
    } else if (StartsWithLiteral(p, "true") || StartsWithLiteral(p, "null")) {
        valueEnd = p += 4;
    } else if (StartsWithLiteral(p, "false")) {
        valueEnd = p += 5;
    } else {
        return false;
    }
    const char* separator = SkipBlanks(p);
    if ((*separator != ',' && *separator != '}') || separator[1] == '\0') return false;

    lines_->MemberLine(level_, name_, std::string_view(value, valueEnd - value), escapes);
    lineHandedOver_ = true;
    separator_ = *separator;
    pos_ = SkipBlanks(separator + 1);
    if (separator_ == ',') {
        AddCRAndIndent();
        next = Step::ObjectMember;
    } else {
        next = Step::ValueDone;   // closes the object
    }
    return true;
}

// Reads a member name and the colon (or, after a bare name, equals sign) that follows it.
bool Reformatter::ParseJSONPropName() {
    if (!pos_) return false;
    const char* p = SkipBlanks(pos_);
    if (*p == '"') {
        // Most names hold no escape and no control byte: they are written back as they stand.
        const char* stop = scan::FindEscapeNeeded(p + 1, end_);
        nameNeedsEscaping_ = stop == end_ || *stop != '"';
        if (!nameNeedsEscaping_) {
            name_ = std::string_view(p + 1, stop - p - 1);
            p = stop + 1;
        } else {
            decodedName_.clear();
            p = DecodeQuotedName(p + 1, end_, decodedName_);
            if (!p) return false;
            name_ = decodedName_;
        }
        p = FindFieldEnd(p);
        if (*p != ':' || p[1] == '\0') return false;
        pos_ = p + 1;
        return true;
    }
    if (*p == '\'') {
        const char* start = ++p;
        while (static_cast<unsigned char>(*p) >= 0x20 && *p != '\'') ++p;
        if (*p != '\'') return false;
        name_ = std::string_view(start, p - start);
        nameNeedsEscaping_ = true;
        p = SkipBlanks(p + 1);
        if (*p != ':') return false;
        pos_ = p + 1;
        return true;
    }
    if (IsIdentifierStart(*p)) {
        const char* start = p++;
        while (IsIdentifierChar(*p)) ++p;
        name_ = std::string_view(start, p - start);
        nameNeedsEscaping_ = false;
        p = SkipBlanks(p);
        if (*p != ':' && *p != '=') return false;
        pos_ = p + 1;
        return true;
    }
    return false;
}

void Reformatter::WriteName() {
    char* p = out_.Reserve(name_.size() * 6 + 2);
    char* start = p;
    *p++ = '"';
    if (nameNeedsEscaping_) {
        p = AddJSONEscape(name_, p);
    } else {
        std::memcpy(p, name_.data(), name_.size());
        p += name_.size();
    }
    *p++ = '"';
    out_.Commit(p - start);
}

std::string TrimBlanks(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
    return std::string(text.substr(begin, end - begin));
}

// The first zero byte ends the text.
const char* TextEnd(std::string_view text) {
    const void* zero = std::memchr(text.data(), 0, text.size());
    return zero ? static_cast<const char*>(zero) : text.data() + text.size();
}

}  // namespace

std::string ReformatJSONText(std::string_view text) {
    if (text.empty()) return {};
    const std::string copy(text);   // guarantees the terminating zero byte
    OutputBuffer out;
    Reformatter(copy.c_str(), TextEnd(copy), out).AddJSONReformat();
    return std::string(out.Data(), out.Size());
}

std::string HumanReadableJson(std::string_view text) {
    const std::string copy(text);
    const char* end = TextEnd(copy);
    std::string joined;
    const char* pos = copy.c_str();
    for (bool first = true;; first = false) {
        OutputBuffer out;
        Reformatter reformatter(pos, end, out);
        const bool complete = *pos != '\0' && reformatter.AddJSONReformat();
        if (!first) joined += "\r\n";
        joined += TrimBlanks(std::string_view(out.Data(), out.Size()));
        if (!complete) break;
        pos = scan::SkipBlanks(reformatter.NextValue(), end);
        if (*pos == '\0') break;
    }
    return joined;
}

void ReformatAllValues(std::string_view text, ReformattedLines& lines) {
    OutputBuffer line;
    const char* end = TextEnd(text);
    for (const char* pos = text.data();;) {
        Reformatter reformatter(pos, end, line, &lines);
        const bool complete = *pos != '\0' && reformatter.AddJSONReformat();
        reformatter.FinishLine();   // values are joined with line breaks
        if (!complete) break;
        pos = scan::SkipBlanks(reformatter.NextValue(), end);
        if (*pos == '\0') break;
    }
}

}  // namespace tabulora
