#pragma once
#include <string>

namespace tabulora {

// The separator the program starts with: the list separator of the thread's locale (a comma
// when the locale has none).
std::wstring ListSeparator();

}  // namespace tabulora
