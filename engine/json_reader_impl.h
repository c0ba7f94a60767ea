#pragma once
// The steps of JsonReader, for the files that instantiate it with their events class.
#include "engine/json_chars.h"
#include "engine/json_reader.h"
#include "engine/line_breaks.h"
#include "engine/scan.h"

namespace tabulora {

// Events that take a long string in parts (JsonReader's StringPart).
template <class Events>
concept TakesStringParts = requires(Events& events) {
    events.StringPart(std::string_view(), false);
};

// A string whose contents begin at p: its closing quote (nullptr when `end` comes first; a
// backslash steps over the next byte), and what stands in it.
struct StringToken {
    const char* close = nullptr;
    const char* scanned = nullptr;  // no close: where the scan ended (`end`, or a backslash just before it)
    bool escapes = false;           // a backslash
    bool controls = false;          // a byte below 0x20, raw or after a backslash
    bool breaks = false;            // a raw CR or LF, or one after a backslash
};

inline StringToken ScanString(const char* p, const char* end) {
    StringToken token;
    for (;;) {
        p = scan::FindEscapeNeeded(p, end);
        if (p == end) {
            token.scanned = end;
            return token;
        }
        if (*p == '"') {
            token.close = p;
            return token;
        }
        if (*p == '\\') {
            if (p + 1 == end) {
                token.scanned = p;
                return token;
            }
            token.escapes = true;
            ++p;
        }
        if (static_cast<unsigned char>(*p) < 0x20) {
            token.controls = true;
            token.breaks |= *p == '\r' || *p == '\n';
        }
        ++p;
    }
}

// A number or a literal at p, and where it ends. A number is the run of number bytes there; with
// a leading zero it cannot be read (Unreadable, `end` still after the run). Any other text cannot
// be read either (`end` nullptr).
struct ScalarToken {
    ScalarKind kind = ScalarKind::Unreadable;
    const char* end = nullptr;
};

inline ScalarToken ScanNumberOrLiteral(const char* p) {
    if (*p == '-' || IsDigit(*p)) {
        const char* q = p;
        while (IsNumberChar(*q)) ++q;
        return {*p == '0' && IsDigit(p[1]) ? ScalarKind::Unreadable : ScalarKind::Number, q};
    }
    if (StartsWithLiteral(p, "null")) return {ScalarKind::Null, p + 4};
    if (StartsWithLiteral(p, "true")) return {ScalarKind::True, p + 4};
    if (StartsWithLiteral(p, "false")) return {ScalarKind::False, p + 5};
    return {};
}

template <class Events>
const char* JsonReader<Events>::SkipBlanks(const char* p) const {
    return scan::SkipBlanks(p, end_);
}

template <class Events>
size_t JsonReader<Events>::Feed(const char* data, const char* end, bool final) {
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
template <class Events>
bool JsonReader<Events>::RunStep() {
    switch (step_) {
    case Step::TopValue: return TopValue();
    case Step::Value: return BeginValue();
    case Step::ArrayFirst: return ArrayFirst();
    case Step::ObjectFirst: return ObjectFirst();
    case Step::ArrayElement: return ArrayElement();
    case Step::ObjectMember: return ObjectMember();
    case Step::NameColon: return NameColon();
    case Step::StringRest: return StringRest();
    case Step::AfterValue: return AfterValue();
    case Step::FieldEnd: return FieldEnd();
    case Step::ValueDone: return ValueDone();
    case Step::TopDone: return TopDone();
    case Step::Finished:
    case Step::Stopped: return false;
    }
    return false;
}

template <class Events>
bool JsonReader<Events>::NeedMore(const char* p) {
    pos_ = p;
    return false;
}

// Reading ends here; what was reported stays, open containers stay open.
template <class Events>
bool JsonReader<Events>::StopAt(const char* p, StopReason reason) {
    return StopAtOffset(consumed_ + static_cast<uint64_t>(p - data_), reason);
}

template <class Events>
bool JsonReader<Events>::StopAtOffset(uint64_t offset, StopReason reason) {
    stop_ = reason;
    stopOffset_ = offset;
    events_.ValueEnd();
    step_ = Step::Stopped;
    return false;
}

// Before a top-level value. The first one is always read, even from a text of blanks (which
// cannot be read as one); the caller does not feed an empty text at all.
template <class Events>
bool JsonReader<Events>::TopValue() {
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

template <class Events>
bool JsonReader<Events>::BeginValue() {
    const char* p = SkipBlanks(pos_);
    if (p == end_ && !final_) return NeedMore(p);
    switch (*p) {
    case '"': {
        const StringToken string = ScanString(p + 1, end_);
        if (!string.close) {
            if (final_) return StopAt(p, StopReason::UnexpectedEnd);
            if constexpr (TakesStringParts<Events>) {
                if (static_cast<size_t>(end_ - p) >= kStringPartBytes) {
                    stringStart_ = consumed_ + static_cast<uint64_t>(p - data_);
                    events_.StringPart(std::string_view(p, string.scanned - p), string.breaks);
                    step_ = Step::StringRest;
                    return NeedMore(string.scanned);
                }
            }
            return NeedMore(p);
        }
        events_.Scalar(ScalarKind::String, std::string_view(p, string.close + 1 - p), string.breaks);
        pos_ = string.close + 1;
        step_ = Step::AfterValue;
        return true;
    }
    case '[':
        // A consumer may take a whole array straight from the text instead of event by event.
        if constexpr (requires(Events & events) { events.TakeWholeArray(p, p, size_t{}); }) {
            if (open_.size() < kMaxNestingDepth) {
                if (const char* after = events_.TakeWholeArray(p, end_, kMaxNestingDepth - open_.size())) {
                    pos_ = after;
                    step_ = Step::AfterValue;
                    return true;
                }
            }
        }
        pos_ = p + 1;
        step_ = Step::ArrayFirst;
        return true;
    case '{':
        if (open_.size() >= kMaxNestingDepth) return StopAt(p, StopReason::NestingTooDeep);
        pos_ = p + 1;
        open_.push_back('{');
        step_ = Step::ObjectFirst;
        return true;
    default: pos_ = p; return ReadScalar();
    }
}

// After "[": an empty array, or the first element.
template <class Events>
bool JsonReader<Events>::ArrayFirst() {
    const char* p = SkipBlanks(pos_);
    if (p == end_ && !final_) return NeedMore(p);
    if (*p == ']') {
        events_.EmptyArray();
        pos_ = p + 1;
        step_ = Step::AfterValue;
        return true;
    }
    if (open_.size() >= kMaxNestingDepth) return StopAt(p, StopReason::NestingTooDeep);
    pos_ = p;
    open_.push_back('[');
    events_.OpenArray();
    step_ = Step::ArrayElement;
    return true;
}

// After "{": an empty object, or the first member.
template <class Events>
bool JsonReader<Events>::ObjectFirst() {
    const char* p = SkipBlanks(pos_);
    if (p == end_ && !final_) return NeedMore(p);
    if (*p == '}') {
        open_.pop_back();
        events_.EmptyObject();
        pos_ = p + 1;
        step_ = Step::AfterValue;
        return true;
    }
    events_.OpenObject();
    pos_ = p;
    step_ = Step::ObjectMember;
    return true;
}

template <class Events>
bool JsonReader<Events>::ArrayElement() {
    if (ended_) return StopAt(end_, StopReason::UnexpectedEnd);
    events_.Element();
    step_ = Step::Value;
    return true;
}

// Members follow each other here for as long as each is a simple member line.
template <class Events>
bool JsonReader<Events>::ObjectMember() {
    do {
        if (!ReadMemberName() || !NameColon()) return false;
    } while (step_ == Step::ObjectMember);
    return true;
}

// Reads a member name: double-quoted and decoded, single-quoted, or bare.
template <class Events>
bool JsonReader<Events>::ReadMemberName() {
    if (ended_) return StopAt(end_, StopReason::UnexpectedEnd);
    const char* p = SkipBlanks(pos_);
    if (p == end_ && !final_) return NeedMore(p);
    const char* after;
    if (*p == '"') {
        // Most names hold no escape and no control byte: they are written back as they stand.
        const char* stop = scan::FindEscapeNeeded(p + 1, end_);
        if (stop != end_ && *stop == '"') {
            name_.decoded = name_.raw = std::string_view(p + 1, stop - p - 1);
            name_.needsEscaping = false;
            after = stop + 1;
        } else {
            const char* close = ScanString(stop, end_).close;
            if (!close) return final_ ? StopAt(p, StopReason::UnexpectedEnd) : NeedMore(p);
            name_.raw = std::string_view(p + 1, close - (p + 1));
            std::string_view text(p + 1, close + 1 - (p + 1));  // up to and with the closing quote
            if (options_.textAsLines && HasLineBreak(text)) {
                normalizedName_.clear();
                AppendWithCrLf(text, normalizedName_);
                text = normalizedName_;
            }
            nameCopy_.clear();
            DecodeQuotedName(text.data(), text.data() + text.size(), nameCopy_);
            name_.decoded = nameCopy_;
            name_.needsEscaping = true;
            after = close + 1;
        }
        name_.quote = MemberName::Quote::Double;
        colonRule_ = ColonRule::AfterQuotedName;
    } else if (*p == '\'') {
        const char* q = p + 1;
        while (static_cast<unsigned char>(*q) >= 0x20 && *q != '\'') ++q;
        if (q == end_) return final_ ? StopAt(p, StopReason::UnexpectedEnd) : NeedMore(p);
        if (*q != '\'') return StopAt(p, StopReason::UnreadableJson);
        name_.decoded = std::string_view(p + 1, q - p - 1);
        name_.raw = {};
        name_.needsEscaping = true;
        name_.quote = MemberName::Quote::Single;
        after = q + 1;
        colonRule_ = ColonRule::ColonOnly;
    } else if (IsIdentifierStart(*p)) {
        const char* q = p + 1;
        while (IsIdentifierChar(*q)) ++q;
        if (q == end_ && !final_) return NeedMore(p);
        name_.decoded = std::string_view(p, q - p);
        name_.raw = {};
        name_.needsEscaping = false;
        name_.quote = MemberName::Quote::Bare;
        after = q;
        colonRule_ = ColonRule::ColonOrEquals;
    } else {
        return StopAt(p, p == end_ ? StopReason::UnexpectedEnd : StopReason::UnreadableJson);
    }
    pos_ = after;
    return true;
}

// The colon after a member name. What stands between them is passed over without being kept, so
// the name is kept by itself when the text runs out first.
template <class Events>
bool JsonReader<Events>::NameColon() {
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

template <class Events>
void JsonReader<Events>::KeepName() {
    if (name_.decoded.data() != nameCopy_.data()) {
        const bool rawIsName = name_.raw.data() == name_.decoded.data();
        nameCopy_.assign(name_.decoded);
        name_.decoded = nameCopy_;
        if (rawIsName) name_.raw = nameCopy_;
    }
    if (!name_.raw.empty() && name_.raw.data() != nameCopy_.data()) {
        rawCopy_.assign(name_.raw);
        name_.raw = rawCopy_;
    }
}

template <class Events>
bool JsonReader<Events>::MemberValue() {
    if (options_.memberLines && !name_.needsEscaping && TryMemberLine()) return true;
    events_.Name(name_);
    step_ = Step::Value;
    return true;
}

// The rest of a string reported in parts: another part, or its last one with the closing quote.
template <class Events>
bool JsonReader<Events>::StringRest() {
    if constexpr (TakesStringParts<Events>) {
        const StringToken string = ScanString(pos_, end_);
        if (!string.close) {
            if (final_) return StopAtOffset(stringStart_, StopReason::UnexpectedEnd);
            if (string.scanned != pos_)
                events_.StringPart(std::string_view(pos_, string.scanned - pos_), string.breaks);
            return NeedMore(string.scanned);
        }
        events_.Scalar(ScalarKind::String, std::string_view(pos_, string.close + 1 - pos_), string.breaks);
        pos_ = string.close + 1;
        step_ = Step::AfterValue;
    }
    return true;
}

// After a string or a container: the next non-blank byte is the separator, whatever it is.
template <class Events>
bool JsonReader<Events>::AfterValue() {
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

// A number, true, false or null; anything else cannot be read and is reported as "null".
template <class Events>
bool JsonReader<Events>::ReadScalar() {
    separator_ = 0;
    const char* p = pos_;
    const char c = *p;
    if ((c == 'n' || c == 't' || c == 'f') && end_ - p < 6 && !final_) return NeedMore(p);
    const ScalarToken token = ScanNumberOrLiteral(p);
    if (token.end == end_ && !final_) return NeedMore(p);  // a number that may go on
    const bool readable = token.kind != ScalarKind::Unreadable;
    const char* after = readable ? token.end : nullptr;
    if (token.kind == ScalarKind::Null || !readable)
        events_.Scalar(token.kind, std::string_view("null", 4), false);
    else
        events_.Scalar(token.kind, std::string_view(p, after - p), false);
    if (!after) {
        // A text of nothing but blanks held no value to lose.
        const StopReason reason = p != end_       ? StopReason::UnreadableJson
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

template <class Events>
bool JsonReader<Events>::FieldEnd() {
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
template <class Events>
bool JsonReader<Events>::ValueDone() {
    if (separator_ == 0) return StopAt(end_, StopReason::UnexpectedEnd);
    const char container = open_.back();
    const char closing = container == '[' ? ']' : '}';
    if (separator_ == closing) {
        open_.pop_back();
        if (container == '[')
            events_.CloseArray();
        else
            events_.CloseObject();
        step_ = Step::AfterValue;
        return true;
    }
    events_.Separator(separator_, container == '{');
    step_ = container == '[' ? Step::ArrayElement : Step::ObjectMember;
    return true;
}

template <class Events>
bool JsonReader<Events>::TopDone() {
    events_.ValueEnd();
    if (!options_.allValues) {
        step_ = Step::Finished;
        return false;
    }
    firstValue_ = false;
    step_ = Step::TopValue;
    return true;
}

// The common member, a name needing no escaping with a string, number or literal value and a ","
// or "}" after it, goes to the events whole. Anything else, including a member that the piece of
// text at hand does not hold whole, leaves everything as it was and returns false.
template <class Events>
bool JsonReader<Events>::TryMemberLine() {
    const char* p = SkipBlanks(pos_);
    const char* value = p;
    const char* valueEnd;
    ScalarKind kind;
    bool escapes = false;
    if (*p == '"') {
        const StringToken string = ScanString(p + 1, end_);
        if (!string.close || string.controls) return false;
        value = p + 1;
        valueEnd = string.close;
        p = string.close + 1;
        escapes = string.escapes;
        kind = ScalarKind::String;
    } else {
        const ScalarToken token = ScanNumberOrLiteral(p);
        if (token.kind == ScalarKind::Unreadable) return false;
        kind = token.kind;
        valueEnd = p = token.end;
    }
    const char* separator = SkipBlanks(p);
    if ((*separator != ',' && *separator != '}') || separator + 1 >= end_) return false;

    events_.MemberLine(name_.decoded, kind, std::string_view(value, valueEnd - value), escapes);
    separator_ = *separator;
    pos_ = separator + 1;
    if (separator_ == ',') {
        events_.Separator(',', true);
        step_ = Step::ObjectMember;
    } else {
        step_ = Step::ValueDone;  // closes the object
    }
    return true;
}

}  // namespace tabulora
