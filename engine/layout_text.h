#pragma once
// The reformatted layout as one text, for callers that want it whole.
#include <string>
#include <string_view>

#include "engine/json_reformat.h"

namespace tabulora {

// Rewrites the first JSON value of `text` into the line layout, lines joined with CR LF. Never
// fails: unreadable text ends the output where reading stopped. The first zero byte ends the text.
std::string ReformatJSONText(std::string_view text);

// The conversion's view of one file's text (read as its lines, see TextFeeder): every top-level
// value is rewritten by itself, trimmed of bytes <= 0x20 at both ends, and the results are joined
// with CR LF. Reading ends at the end of the text or at a value whose reading stopped.
std::string HumanReadableJson(std::string_view text);

// Feeds a whole text to `reformatter` through a TextFeeder; the first zero byte ends it.
void ReformatWholeText(std::string_view text, JsonReformatter& reformatter, bool asLines);

}  // namespace tabulora
