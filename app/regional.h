#pragma once
#include <string>

namespace tabulora {

// The caption the separator button starts with: the list separator of the thread's locale, a
// TAB shown as the two characters backslash and t.
std::wstring ListSeparatorCaption();

}  // namespace tabulora
