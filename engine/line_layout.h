#pragma once
#include <cstdint>
#include <string_view>

#include "engine/json_reader.h"
#include "engine/output_buffer.h"

namespace tabulora {

// Receives the line layout line by line, in order, without line breaks.
class ReformattedLines {
public:
    virtual ~ReformattedLines() = default;
    // A line as written: `tabs` TABs, then `text`. When `mayHoldBreaks` is set it copies a string
    // holding raw CR or LF bytes, which split it into several lines for its reader.
    virtual void Line(size_t tabs, std::string_view text, bool mayHoldBreaks) = 0;
    // Only when the reader reports member lines (ReaderOptions::memberLines): the member line
    // `"name": value` (with a "," after it or not) at `tabs` TABs, handed over already taken apart:
    // the name needs no escaping, and `value` is a string's contents between its quotes (escapes as
    // written, no control bytes; `escapes` tells whether there are any) or a number or literal, of
    // the kind given.
    virtual void MemberLine(size_t tabs, std::string_view name, ScalarKind kind, std::string_view value, bool escapes);
    // A top-level value has ended and its last line has been handed over.
    virtual void ValueEnd() {}

    // Whether a line that a long string makes long is taken in parts (LinePart) instead of whole.
    virtual bool TakesLineParts() const { return false; }
    // Only when TakesLineParts(): parts of a line at `tabs` TABs, the first being the line up to the
    // long string (possibly empty), the others the string as it comes. The Line() that follows
    // ends the line with its rest; it is empty only when the text ended inside the string.
    virtual void LinePart(size_t tabs, std::string_view text, bool mayHoldBreaks);
};

// Writes what a JsonReader reads in the line layout: one member or element per line, one TAB per
// nesting level, member names re-escaped in double quotes followed by ": ", strings and numbers
// as written, separators as found, and "null" for a value that cannot be read.
class LineLayout {
public:
    explicit LineLayout(ReformattedLines& lines) : lines_(lines) {}

    void Name(const MemberName& name);
    void MemberLine(std::string_view name, ScalarKind kind, std::string_view value, bool escapes) {
        lines_.MemberLine(level_, name, kind, value, escapes);
        lineHandedOver_ = true;
    }
    void Scalar(ScalarKind, std::string_view text, bool rawBreaks) {
        rawBreakInLine_ |= rawBreaks;
        partedString_ = false;
        line_.Append(text.data(), text.size());
    }
    void StringPart(std::string_view text, bool rawBreaks);
    void OpenObject();
    void EmptyObject();
    void CloseObject() { Close('}'); }
    void OpenArray();
    void EmptyArray() { line_.Append("[]", 2); }
    void CloseArray() { Close(']'); }
    void Element() { BreakLine(); }
    void Separator(char separator, bool inObject) {
        // After a member line handed over whole, its "," only starts the next line: the short way
        // of what the general one does then.
        if (lineHandedOver_ && inObject && separator == ',') {
            StartLine();
            return;
        }
        WriteSeparator(separator, inObject);
    }
    void ValueEnd();

private:
    void Close(char closing);
    void WriteSeparator(char separator, bool inObject);
    void BreakLine();
    void FinishLine();
    void StartLine() {
        line_.Clear();
        lineHandedOver_ = false;
        rawBreakInLine_ = false;
        lineInParts_ = false;
        lineTabs_ = level_;
    }

    ReformattedLines& lines_;
    unsigned level_ = 0;           // open containers
    OutputBuffer line_;            // the line being written, without its indentation
    unsigned lineTabs_ = 0;        // the indentation of the line being written
    bool lineHandedOver_ = false;  // the line being written went to the receiver already
    bool rawBreakInLine_ = false;  // the line being written copies a raw CR or LF
    bool lineInParts_ = false;     // the line being written goes to the receiver in parts
    bool partedString_ = false;    // a string reported in parts has begun and not ended
    size_t stringStart_ = 0;       // where it begins in line_
};

// A JsonReader that writes the line layout.
class LayoutReader final : public PieceReader {
public:
    LayoutReader(ReformattedLines& lines, ReaderOptions options) : layout_(lines), reader_(layout_, options) {}

    size_t Feed(const char* data, const char* end, bool final) override { return reader_.Feed(data, end, final); }
    bool Done() const override { return reader_.Done(); }
    StopReason Stop() const override { return reader_.Stop(); }
    uint64_t StopOffset() const override { return reader_.StopOffset(); }
    uint64_t PartedStringStart() const override { return reader_.PartedStringStart(); }

private:
    LineLayout layout_;
    JsonReader<LineLayout> reader_;
};

}  // namespace tabulora
