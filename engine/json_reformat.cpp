#include "engine/json_reformat.h"

#include <cstring>

#include "engine/json_chars.h"
#include "engine/line_breaks.h"
#include "engine/scan.h"

namespace tabulora {
namespace {

// The closing quote of the string value whose contents begin at p, or nullptr when `end` comes
// first. `breaks` is set when the string holds a raw CR or LF, escaped or not.
const char* FindStringValueEnd(const char* p, const char* end, bool& breaks) {
    for (;;) {
        p = scan::FindEscapeNeeded(p, end);
        if (p == end) return nullptr;
        if (*p == '"') return p;
        if (*p == '\\') {
            if (p + 1 == end) return nullptr;
            if (p[1] == '\r' || p[1] == '\n') breaks = true;
            p += 2;
            continue;
        }
        if (*p == '\r' || *p == '\n') breaks = true;
        ++p;
    }
}

// Appends a string's contents as written, except that a raw line break is written as an escape:
// "\r\n" when the text is read as lines (where every line break is CR LF), else "\r" or "\n". A
// backslash right before a raw break is dropped: the break's escape takes its place.
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

}  // namespace

void ReformattedLines::MemberLine(size_t, std::string_view, std::string_view, bool) {}
ReformattedLines::ArrayUse ReformattedLines::ArrayMemberBegins(size_t) { return ArrayUse::Lines; }
void ReformattedLines::ArrayMember(size_t, std::string_view) {}
bool ReformattedLines::ArraysWanted() { return false; }

JsonReformatter::JsonReformatter(ReformattedLines& lines, ReformatOptions options)
    : lines_(lines), options_(options) {}

const char* JsonReformatter::SkipBlanks(const char* p) const { return scan::SkipBlanks(p, end_); }

size_t JsonReformatter::Feed(const char* data, const char* end, bool final) {
    data_ = pos_ = data;
    end_ = end;
    final_ = final;
    while (RunStep()) {
    }
    const size_t used = Done() ? static_cast<size_t>(end - data) : static_cast<size_t>(pos_ - data);
    consumed_ += used;
    return used;
}

// Each step either completes, or needs more text and leaves the position where it must start
// again (after the blanks it skipped), or ends the reading.
bool JsonReformatter::RunStep() {
    switch (step_) {
        case Step::TopValue: return TopValue();
        case Step::Value: return BeginValue();
        case Step::ArrayFirst: return ArrayFirst();
        case Step::ObjectFirst: return ObjectFirst();
        case Step::ArrayElement: return ArrayElement();
        case Step::ObjectMember: return ObjectMember();
        case Step::NameColon: return NameColon();
        case Step::AfterValue: return AfterValue();
        case Step::FieldEnd: return FieldEnd();
        case Step::ValueDone: return ValueDone();
        case Step::TopDone: return TopDone();
        case Step::Finished:
        case Step::Stopped: return false;
    }
    return false;
}

bool JsonReformatter::NeedMore(const char* p) {
    pos_ = p;
    return false;
}

// Reading ends here; what was written stays, open containers stay open.
bool JsonReformatter::StopAt(const char* p, StopReason reason) {
    if (collecting_) DropCollecting();   // an array read whole but not to its end gives no cell
    stop_ = reason;
    stopOffset_ = consumed_ + static_cast<uint64_t>(p - data_);
    FinishLine();
    lines_.ValueEnd();
    step_ = Step::Stopped;
    return false;
}

// Before a top-level value. The first one is always read, even from a text of blanks (which
// cannot be read as one); the caller does not feed an empty text at all.
bool JsonReformatter::TopValue() {
    if (firstValue_) {
        step_ = Step::Value;
        return true;
    }
    const char* p = SkipBlanks(pos_);
    if (p == end_) {
        if (!final_) return NeedMore(p);
        step_ = Step::Finished;
        return false;
    }
    pos_ = p;
    step_ = Step::Value;
    return true;
}

bool JsonReformatter::BeginValue() {
    const char* p = SkipBlanks(pos_);
    if (p == end_ && !final_) return NeedMore(p);
    switch (*p) {
        case '"': {
            bool breaks = false;
            const char* close = FindStringValueEnd(p + 1, end_, breaks);
            if (!close) return final_ ? StopAt(p, StopReason::UnexpectedEnd) : NeedMore(p);
            if (collecting_) {
                PutString(p, close + 1, breaks);
            } else {
                rawBreakInLine_ |= breaks;
                line_.Append(p, close + 1 - p);
            }
            pos_ = close + 1;
            step_ = Step::AfterValue;
            return true;
        }
        case '[':
            pos_ = p + 1;
            step_ = Step::ArrayFirst;
            return true;
        case '{':
            if (open_.size() >= kMaxNestingDepth) return StopAt(p, StopReason::NestingTooDeep);
            pos_ = p + 1;
            open_.push_back('{');
            Put('{');
            if (!options_.flatten) AddCRAndIndent();   // else once it is known not to be empty
            step_ = Step::ObjectFirst;
            return true;
        default:
            pos_ = p;
            return ParseJSONField();
    }
}

// After "[": an empty array stays on its line, any other opens a level.
bool JsonReformatter::ArrayFirst() {
    const char* p = SkipBlanks(pos_);
    if (p == end_ && !final_) return NeedMore(p);
    if (*p == ']') {
        Put("[]", 2);
        pos_ = p + 1;
        step_ = Step::AfterValue;
        return true;
    }
    if (open_.size() >= kMaxNestingDepth) return StopAt(p, StopReason::NestingTooDeep);
    pos_ = p;
    if (options_.flatten && !compactLine_ && !open_.empty() && open_.back() == '{') {
        BeginMemberArray();
        if (step_ == Step::AfterValue) return true;   // read whole at once
    } else {
        AddCRAndIndent();
        open_.push_back('[');
        Put('[');
    }
    step_ = Step::ArrayElement;
    return true;
}

// Flattening: a member's array value, read as the receiver wants it.
void JsonReformatter::BeginMemberArray() {
    const ReformattedLines::ArrayUse use = lines_.ArrayMemberBegins(Level());
    if (use == ReformattedLines::ArrayUse::Cell) {
        // Written compact after the name on the member's line, which goes nowhere else.
        DropPending();
        if (CopyPlainArray(pos_)) {
            lines_.ArrayMember(lineTabs_, std::string_view(line_.Data(), line_.Size()));
            lineHandedOver_ = true;
            step_ = Step::AfterValue;
            return;
        }
        open_.push_back('[');
        line_.Append('[');
        compactLine_ = collecting_ = true;
        cellLevel_ = open_.size();
        return;
    }
    if (use == ReformattedLines::ArrayUse::Lines) {
        AddCRAndIndent();
        open_.push_back('[');
        Put('[');
        return;
    }
    if (pendingCount_ == pending_.size()) pending_.emplace_back();
    PendingArray& array = pending_[pendingCount_];
    array.nameLine.assign(line_.Data(), line_.Size());
    array.tabs = Level();
    AddCRAndIndent();
    array.start = compact_.Size();
    ++pendingCount_;
    collecting_ = true;
    open_.push_back('[');
    array.level = open_.size();
    Put('[');
}

// The array whose first token (after "[" and blanks) is at p, when it is plain JSON (blanks only
// between tokens, double-quoted names, no raw line break in a string, at most 64 levels deep)
// and ends in the piece at hand: appends its compact text to line_, which is then what the steps
// would write, moves past it and returns true. Otherwise writes nothing and returns false.
bool JsonReformatter::CopyPlainArray(const char* p) {
    constexpr int kMaxDepth = 64;
    if (open_.size() + kMaxDepth + 1 >= kMaxNestingDepth) return false;
    const size_t start = line_.Size();
    auto fail = [&] {
        line_.Truncate(start);
        return false;
    };
    auto skipBlanks = [](const char* q) {
        while (*q == ' ' || *q == '\n' || *q == '\r' || *q == '\t') ++q;
        return q;
    };
    // A string or name from its opening quote: copied whole; false at a raw line break or the end.
    auto copyString = [&](const char*& q) {
        const char* s = q + 1;
        for (;;) {
            s = scan::FindEscapeNeeded(s, end_);
            if (s == end_ || *s == '\r' || *s == '\n') return false;
            if (*s == '"') break;
            if (*s == '\\') {
                if (s[1] == '\r' || s[1] == '\n' || s + 1 == end_) return false;
                s += 2;
            } else {
                ++s;   // another control byte, copied as it is
            }
        }
        line_.Append(q, s + 1 - q);
        q = s + 1;
        return true;
    };
    uint64_t objects = 0;   // bit n: level n + 1 is an object
    int depth = 1;
    line_.Append('[');
    enum { kValue, kValueOrClose, kName, kNameOrClose, kAfterValue } expect = kValueOrClose;
    for (;;) {
        p = skipBlanks(p);
        const bool inObject = (objects >> (depth - 1)) & 1;
        switch (expect) {
            case kValueOrClose:
                if (*p == ']') {
                    line_.Append(']');
                    ++p;
                    if (--depth == 0) break;
                    expect = kAfterValue;
                    continue;
                }
                [[fallthrough]];
            case kValue:
                if (*p == '"') {
                    if (!copyString(p)) return fail();
                    expect = kAfterValue;
                } else if (*p == '[' || *p == '{') {
                    if (depth == kMaxDepth) return fail();
                    objects = (objects & ~(uint64_t{1} << depth)) | (uint64_t{*p == '{'} << depth);
                    ++depth;
                    line_.Append(*p);
                    expect = *p == '{' ? kNameOrClose : kValueOrClose;
                    ++p;
                } else if (*p == '-' || IsDigit(*p)) {
                    if (*p == '0' && IsDigit(p[1])) return fail();
                    const char* q = p;
                    while (IsNumberChar(*q)) ++q;
                    line_.Append(p, q - p);
                    p = q;
                    expect = kAfterValue;
                } else if (StartsWithLiteral(p, "true") || StartsWithLiteral(p, "null")) {
                    line_.Append(p, 4);
                    p += 4;
                    expect = kAfterValue;
                } else if (StartsWithLiteral(p, "false")) {
                    line_.Append(p, 5);
                    p += 5;
                    expect = kAfterValue;
                } else {
                    return fail();
                }
                continue;
            case kNameOrClose:
                if (*p == '}') {
                    line_.Append('}');
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
                line_.Append(':');
                ++p;
                expect = kValue;
                continue;
            case kAfterValue:
                if (*p == ',') {
                    line_.Append(',');
                    ++p;
                    expect = inObject ? kName : kValue;
                    continue;
                }
                if (*p != (inObject ? '}' : ']')) return fail();
                line_.Append(*p);
                ++p;
                if (--depth == 0) break;
                continue;
        }
        break;
    }
    pos_ = p;
    return true;
}

// After a closing bracket or brace: hands over the arrays read whole that it ends.
void JsonReformatter::ArrayClosed() {
    if (compactLine_ && open_.size() < cellLevel_) {
        compactLine_ = false;
        collecting_ = pendingCount_ > 0;
        lines_.ArrayMember(lineTabs_, std::string_view(line_.Data(), line_.Size()));
        lineHandedOver_ = true;
    }
    while (pendingCount_ > 0 && open_.size() < pending_[pendingCount_ - 1].level) {
        const PendingArray& array = pending_[--pendingCount_];
        scratch_.assign(array.nameLine);
        scratch_.append(compact_.Data() + array.start, compact_.Size() - array.start);
        lines_.ArrayMember(array.tabs, scratch_);
        if (pendingCount_ == 0) DropPending();
    }
}

void JsonReformatter::DropCollecting() {
    if (compactLine_) {
        line_.Clear();
        lineHandedOver_ = true;
        compactLine_ = false;
    }
    DropPending();
}

void JsonReformatter::DropPending() {
    pendingCount_ = 0;
    compact_.Clear();
    collecting_ = compactLine_;
}

// A string value while arrays are read whole: in the layout as it stands, compact with its raw
// line breaks escaped.
void JsonReformatter::PutString(const char* begin, const char* end, bool breaks) {
    if (!breaks) {
        Put(begin, end - begin);
        return;
    }
    if (!compactLine_) {
        rawBreakInLine_ = true;
        line_.Append(begin, end - begin);
    }
    scratch_.assign(1, '"');
    AppendEscapingBreaks(std::string_view(begin + 1, end - begin - 2), options_.textAsLines, scratch_);
    scratch_ += '"';
    PutCompact(scratch_);
}

// Text of the compact form only.
void JsonReformatter::PutCompact(std::string_view text) {
    if (compactLine_) line_.Append(text.data(), text.size());
    if (pendingCount_) compact_.Append(text.data(), text.size());
}

// A member name in the compact text: a double-quoted name as written (`raw` between its quotes),
// any other in double quotes, escaped.
void JsonReformatter::PutCompactName(std::string_view raw, bool quoted) {
    scratch_.assign(1, '"');
    if (quoted) {
        if (HasLineBreak(raw))
            AppendEscapingBreaks(raw, options_.textAsLines, scratch_);
        else
            scratch_.append(raw);
    } else {
        const size_t start = scratch_.size();
        scratch_.resize(start + name_.size() * 6);
        scratch_.resize(AddJSONEscape(name_, scratch_.data() + start) - scratch_.data());
    }
    scratch_ += '"';
    PutCompact(scratch_);
}

// After "{" and its line break: an empty object closes one TAB deeper than it opened. When
// flattening, the line break comes only once the object is known not to be empty: "{}" stays on
// its line.
bool JsonReformatter::ObjectFirst() {
    const char* p = SkipBlanks(pos_);
    if (p == end_ && !final_) return NeedMore(p);
    if (*p == '}') {
        open_.pop_back();
        if (!options_.flatten) AddCRAndIndent();
        Put('}');
        pos_ = p + 1;
        step_ = Step::AfterValue;
        return true;
    }
    if (options_.flatten) AddCRAndIndent();
    pos_ = p;
    step_ = Step::ObjectMember;
    return true;
}

bool JsonReformatter::ArrayElement() {
    if (ended_) return StopAt(end_, StopReason::UnexpectedEnd);
    AddCRAndIndent();
    step_ = Step::Value;
    return true;
}

// Members follow each other here for as long as each is a simple member line.
bool JsonReformatter::ObjectMember() {
    do {
        if (!ParseJSONPropName() || !NameColon()) return false;
    } while (step_ == Step::ObjectMember);
    return true;
}

// Reads a member name: double-quoted and decoded, single-quoted, or bare.
bool JsonReformatter::ParseJSONPropName() {
    if (ended_) return StopAt(end_, StopReason::UnexpectedEnd);
    const char* p = SkipBlanks(pos_);
    if (p == end_ && !final_) return NeedMore(p);
    const char* after;
    std::string_view raw;   // a double-quoted name as written
    if (*p == '"') {
        // Most names hold no escape and no control byte: they are written back as they stand.
        const char* stop = scan::FindEscapeNeeded(p + 1, end_);
        if (stop != end_ && *stop == '"') {
            name_ = std::string_view(p + 1, stop - p - 1);
            raw = name_;
            nameNeedsEscaping_ = false;
            after = stop + 1;
        } else {
            const char* close = FindStringEnd(stop, end_);
            if (!close) return final_ ? StopAt(p, StopReason::UnexpectedEnd) : NeedMore(p);
            raw = std::string_view(p + 1, close - (p + 1));
            std::string_view text(p + 1, close + 1 - (p + 1));   // up to and with the closing quote
            if (options_.textAsLines && HasLineBreak(text)) {
                normalizedName_.clear();
                AppendWithCrLf(text, normalizedName_);
                text = normalizedName_;
            }
            nameCopy_.clear();
            DecodeQuotedName(text.data(), text.data() + text.size(), nameCopy_);
            name_ = nameCopy_;
            nameNeedsEscaping_ = true;
            after = close + 1;
        }
        colonRule_ = ColonRule::AfterQuotedName;
    } else if (*p == '\'') {
        const char* q = p + 1;
        while (static_cast<unsigned char>(*q) >= 0x20 && *q != '\'') ++q;
        if (q == end_) return final_ ? StopAt(p, StopReason::UnexpectedEnd) : NeedMore(p);
        if (*q != '\'') return StopAt(p, StopReason::UnreadableJson);
        name_ = std::string_view(p + 1, q - p - 1);
        nameNeedsEscaping_ = true;
        after = q + 1;
        colonRule_ = ColonRule::ColonOnly;
    } else if (IsIdentifierStart(*p)) {
        const char* q = p + 1;
        while (IsIdentifierChar(*q)) ++q;
        if (q == end_ && !final_) return NeedMore(p);
        name_ = std::string_view(p, q - p);
        nameNeedsEscaping_ = false;
        after = q;
        colonRule_ = ColonRule::ColonOrEquals;
    } else {
        return StopAt(p, p == end_ ? StopReason::UnexpectedEnd : StopReason::UnreadableJson);
    }
    pos_ = after;
    // The compact text takes the name now: the name may have to be kept across pieces of text
    // before its colon is found, but only in its decoded form.
    if (collecting_) PutCompactName(raw, *p == '"');
    return true;
}

// The colon after a member name. What stands between them is passed over without being kept, so
// the name is kept by itself when the text runs out first.
bool JsonReformatter::NameColon() {
    const bool quoted = colonRule_ == ColonRule::AfterQuotedName;
    const char* p = quoted ? FindFieldEnd(pos_) : SkipBlanks(pos_);
    const bool colon = *p == ':' || (colonRule_ == ColonRule::ColonOrEquals && *p == '=');
    // After a double-quoted name the text must not end right after the colon.
    if (p == end_ || (quoted && colon && p + 1 == end_)) {
        if (final_) return StopAt(end_, StopReason::UnexpectedEnd);
        KeepName();
        step_ = Step::NameColon;
        return NeedMore(p);
    }
    if (!colon) return StopAt(p, StopReason::UnreadableJson);
    pos_ = p + 1;
    return MemberValue();
}

void JsonReformatter::KeepName() {
    if (name_.data() == nameCopy_.data()) return;
    nameCopy_.assign(name_);
    name_ = nameCopy_;
}

bool JsonReformatter::MemberValue() {
    if (options_.memberLines && !collecting_ && !nameNeedsEscaping_ && TryMemberLine()) return true;
    if (compactLine_) {
        line_.Append(':');
    } else {
        WriteName();
        line_.Append(": ", 2);
    }
    if (pendingCount_) compact_.Append(':');
    step_ = Step::Value;
    return true;
}

// After a string or a container: the next non-blank byte is the separator, whatever it is.
bool JsonReformatter::AfterValue() {
    separator_ = 0;
    if (open_.empty()) {
        step_ = Step::TopDone;
        return true;
    }
    if (!ended_) {
        const char* p = SkipBlanks(pos_);
        if (p == end_) {
            if (!final_) return NeedMore(p);
            ended_ = true;
            pos_ = end_;
        } else {
            separator_ = *p;
            pos_ = p + 1;
        }
    }
    step_ = Step::ValueDone;
    return true;
}

// A number, true, false or null; anything else cannot be read and gives "null".
bool JsonReformatter::ParseJSONField() {
    separator_ = 0;
    const char* p = pos_;
    const char c = *p;
    const char* value = nullptr;
    size_t length = 0;
    const char* after = nullptr;
    if (c == '-' || IsDigit(c)) {
        const char* q = p;
        while (IsNumberChar(*q)) ++q;
        if (q == end_ && !final_) return NeedMore(p);
        if (!(c == '0' && IsDigit(p[1]))) {   // a leading zero fails
            value = p;
            length = q - p;
            after = q;
        }
    } else if (c == 'n' || c == 't' || c == 'f') {
        if (end_ - p < 6 && !final_) return NeedMore(p);
        if (StartsWithLiteral(p, "null")) {
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
    }
    if (value)
        Put(value, length);
    else
        Put("null", 4);
    if (!after) {
        // A text of nothing but blanks held no value to lose.
        const StopReason reason = p != end_ ? StopReason::UnreadableJson
                                  : open_.empty() ? StopReason::None
                                                  : StopReason::UnexpectedEnd;
        return StopAt(p, reason);
    }
    pos_ = after;
    // A top-level scalar is a value like any other; in a container, what follows it up to the next
    // field-end byte is passed over.
    step_ = open_.empty() ? Step::TopDone : Step::FieldEnd;
    return true;
}

bool JsonReformatter::FieldEnd() {
    const char* q = FindFieldEnd(pos_);
    if (q == end_ || q + 1 == end_) {
        if (!final_) return NeedMore(q);
        if (q != end_) separator_ = *q;
        ended_ = true;
        pos_ = end_;
    } else {
        separator_ = *q;
        pos_ = q + 1;
    }
    step_ = Step::ValueDone;
    return true;
}

// Continues the enclosing container after one of its values.
bool JsonReformatter::ValueDone() {
    if (separator_ == 0) return StopAt(end_, StopReason::UnexpectedEnd);
    const char container = open_.back();
    const char closing = container == '[' ? ']' : '}';
    if (separator_ == closing) {
        open_.pop_back();
        AddCRAndIndent();
        Put(closing);
        if (collecting_) ArrayClosed();
        step_ = Step::AfterValue;
        return true;
    }
    AppendSeparator(separator_);
    if (container == '[') {
        step_ = Step::ArrayElement;
    } else {
        AddCRAndIndent();
        step_ = Step::ObjectMember;
    }
    return true;
}

// A separator byte is written as found. A byte that begins a multi-byte character would stand
// alone in the output (the character's other bytes start the next element, which cannot be
// read), so it is written as U+FFFD.
void JsonReformatter::AppendSeparator(char separator) {
    if (static_cast<unsigned char>(separator) >= 0x80)
        Put("\xEF\xBF\xBD", 3);
    else
        Put(separator);
}

// Values are joined with line breaks.
bool JsonReformatter::TopDone() {
    FinishLine();
    lines_.ValueEnd();
    if (!options_.allValues) {
        step_ = Step::Finished;
        return false;
    }
    firstValue_ = false;
    step_ = Step::TopValue;
    return true;
}

// The common member line, a name needing no escaping with a string, number or literal value and
// a "," or "}" after it, goes to the receiver taken apart instead of being written. Anything else,
// including a line that the piece of text at hand does not hold whole, leaves everything as it
// was and returns false.
bool JsonReformatter::TryMemberLine() {
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
    if ((*separator != ',' && *separator != '}') || separator + 1 >= end_) return false;

    lines_.MemberLine(Level(), name_, std::string_view(value, valueEnd - value), escapes);
    lineHandedOver_ = true;
    separator_ = *separator;
    pos_ = separator + 1;
    if (separator_ == ',') {
        AddCRAndIndent();
        step_ = Step::ObjectMember;
    } else {
        step_ = Step::ValueDone;   // closes the object
    }
    return true;
}

void JsonReformatter::WriteName() {
    char* p = line_.Reserve(name_.size() * 6 + 2);
    char* start = p;
    *p++ = '"';
    if (nameNeedsEscaping_) {
        p = AddJSONEscape(name_, p);
    } else {
        std::memcpy(p, name_.data(), name_.size());
        p += name_.size();
    }
    *p++ = '"';
    line_.Commit(p - start);
}

// A line break and the indentation of the current level. Two breaks in a row collapse into one:
// the indentation of the first one stays.
void JsonReformatter::AddCRAndIndent() {
    if (compactLine_) return;   // a cell's compact text has no line breaks
    if (!lineHandedOver_ && line_.Size() == 0 && lineTabs_ > 0) return;
    FinishLine();
    lineTabs_ = Level();
}

// Hands the line being written to the receiver.
void JsonReformatter::FinishLine() {
    if (!lineHandedOver_) {
        lines_.Line(lineTabs_, std::string_view(line_.Data(), line_.Size()), rawBreakInLine_);
        if (pendingCount_ && !lines_.ArraysWanted()) DropPending();
    }
    line_.Clear();
    lineHandedOver_ = false;
    rawBreakInLine_ = false;
    lineTabs_ = 0;
}

}  // namespace tabulora
