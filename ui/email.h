#pragma once
#include <string_view>

namespace tabulora::ui {

// True when the whole UTF-8 text is an e-mail address of the form the feedback window
// accepts: name characters, one "@", a label, a dot, and a tail ending in a letter or digit.
// As in any default-mode pattern, the final "$" also matches before one closing line feed;
// callers test trimmed text.
bool IsValidEmailAddress(std::string_view text);

}  // namespace tabulora::ui
