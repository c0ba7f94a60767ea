#pragma once
#include <string>
#include <string_view>

namespace tabulora {

// Deepest container nesting the reformatter follows; a deeper container ends the reading like
// any other unreadable text (the output so far is kept).
inline constexpr unsigned kMaxNestingDepth = 4096;

// Receives the reformatted layout line by line, in order, without line breaks.
class ReformattedLines {
public:
    virtual ~ReformattedLines() = default;
    // A line as written: `tabs` TABs, then `text`. When `mayHoldBreaks` is set it copies a string
    // holding raw CR or LF bytes, which split it into several lines for its reader.
    virtual void Line(size_t tabs, std::string_view text, bool mayHoldBreaks) = 0;
    // The member line `"name": value` (with a "," after it or not) at `tabs` TABs, handed over
    // already taken apart: the name needs no escaping, and `value` is a string's contents between
    // its quotes (escapes as written, no control bytes; `escapes` tells whether there are any)
    // or a number or literal.
    virtual void MemberLine(size_t tabs, std::string_view name, std::string_view value, bool escapes) = 0;
};

// Rewrites the first JSON value of `text` into the line layout: one member or element per
// line, one TAB per nesting level, CR LF between lines, member names re-escaped in double quotes
// followed by ": ". Never fails: unreadable text ends the output where reading stopped.
std::string ReformatJSONText(std::string_view text);

// The conversion's view of one file: every top-level value (JSON Lines, concatenated JSON) is
// rewritten by itself, trimmed of bytes <= 0x20 at both ends, and the results are joined with
// CR LF. Reading ends at the end of the text or after a value whose reading stopped.
std::string HumanReadableJson(std::string_view text);

// Streaming form of HumanReadableJson for the conversion: the same lines (up to lines of blanks,
// which never carry a cell) arrive at `lines`, and nothing of the layout is kept. `text` must be
// followed by a zero byte (std::string guarantees this), which ends it like an embedded one does.
void ReformatAllValues(std::string_view text, ReformattedLines& lines);

}  // namespace tabulora
