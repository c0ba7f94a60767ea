#pragma once
#include <string>
#include <string_view>

namespace tabulora {

// Deepest container nesting the reformatter follows; a deeper container ends the reading like
// any other unreadable text (the output so far is kept).
inline constexpr unsigned kMaxNestingDepth = 4096;

// Receives the reformatted text in pieces, in order. `Write` gets complete runs of bytes; a
// line may span several calls.
class ReformatSink {
public:
    virtual ~ReformatSink() = default;
    virtual void Write(const char* data, size_t size) = 0;
};

// Rewrites the first JSON value of `text` into the line layout: one member or element per
// line, one TAB per nesting level, CR LF between lines, member names re-escaped in double quotes
// followed by ": ". Never fails: unreadable text ends the output where reading stopped.
std::string ReformatJSONText(std::string_view text);

// The conversion's view of one file: every top-level value (JSON Lines, concatenated JSON) is
// rewritten by itself, trimmed of bytes <= 0x20 at both ends, and the results are joined with
// CR LF. Reading ends at the end of the text or after a value whose reading stopped.
std::string HumanReadableJson(std::string_view text);

// Streaming form of HumanReadableJson for the conversion: the same lines (up to blank lines and
// trailing blanks, which never carry a cell) arrive at `sink`. `text` must be followed by a zero
// byte (std::string guarantees this), which ends it like an embedded zero byte does.
void ReformatAllValues(std::string_view text, ReformatSink& sink);

}  // namespace tabulora
