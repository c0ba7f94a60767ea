#include "engine/line_layout.h"

#include <cstring>

#include "engine/json_chars.h"
#include "engine/json_reader_impl.h"

namespace tabulora {

template class JsonReader<LineLayout>;

void ReformattedLines::MemberLine(size_t, std::string_view, ScalarKind, std::string_view, bool) {}
void ReformattedLines::LinePart(size_t, std::string_view, bool) {}

// A long string goes on to a receiver that takes it in parts, after the line before it; other
// receivers get it whole in its line.
void LineLayout::StringPart(std::string_view text, bool rawBreaks) {
    if (!lines_.TakesLineParts()) {
        if (!partedString_) stringStart_ = line_.Size();
        Scalar(ScalarKind::String, text, rawBreaks);
        partedString_ = true;
        return;
    }
    if (!lineInParts_) {
        lines_.LinePart(lineTabs_, std::string_view(line_.Data(), line_.Size()), rawBreakInLine_);
        line_.Clear();
        rawBreakInLine_ = false;
        lineInParts_ = true;
    }
    partedString_ = true;
    stringStart_ = 0;
    lines_.LinePart(lineTabs_, text, rawBreaks);
}

void LineLayout::Name(const MemberName& name) {
    char* p = line_.Reserve(name.decoded.size() * 6 + 4);
    char* start = p;
    *p++ = '"';
    if (name.needsEscaping) {
        p = AddJSONEscape(name.decoded, p);
    } else {
        std::memcpy(p, name.decoded.data(), name.decoded.size());
        p += name.decoded.size();
    }
    *p++ = '"';
    *p++ = ':';
    *p++ = ' ';
    line_.Commit(p - start);
}

// An object's members begin on the next line; an empty object's closing brace stands one TAB
// deeper than its opening line, as two line breaks in a row collapse into one.
void LineLayout::OpenObject() {
    line_.Append('{');
    ++level_;
    BreakLine();
}

void LineLayout::EmptyObject() {
    OpenObject();
    Close('}');
}

// A non-empty array opens on a line of its own.
void LineLayout::OpenArray() {
    BreakLine();
    ++level_;
    line_.Append('[');
}

void LineLayout::Close(char closing) {
    --level_;
    BreakLine();
    line_.Append(closing);
}

// A separator byte is written as found. A byte that begins a multi-byte character would stand
// alone in the output (the character's other bytes start the next element, which cannot be
// read), so it is written as U+FFFD. The next member begins a line; the next element does so
// itself.
void LineLayout::WriteSeparator(char separator, bool inObject) {
    if (static_cast<unsigned char>(separator) >= 0x80)
        line_.Append("\xEF\xBF\xBD", 3);
    else
        line_.Append(separator);
    if (inObject) BreakLine();
}

// A string that the text ended inside is no value: the line ends as it stood before it.
void LineLayout::ValueEnd() {
    if (partedString_) line_.Truncate(stringStart_);
    partedString_ = false;
    FinishLine();
    lines_.ValueEnd();
    level_ = 0;
}

// A line break and the indentation of the current level. Two breaks in a row collapse into one:
// the indentation of the first one stays.
void LineLayout::BreakLine() {
    if (!lineHandedOver_ && line_.Size() == 0 && lineTabs_ > 0) return;
    FinishLine();
    lineTabs_ = level_;
}

// Hands the line being written to the receiver.
void LineLayout::FinishLine() {
    if (!lineHandedOver_) lines_.Line(lineTabs_, std::string_view(line_.Data(), line_.Size()), rawBreakInLine_);
    line_.Clear();
    lineHandedOver_ = false;
    rawBreakInLine_ = false;
    lineInParts_ = false;
    lineTabs_ = 0;
}

}  // namespace tabulora
