#pragma once
#include <string>

namespace tabulora {

#ifdef _WIN32
// The system's text for a Win32 error code (from `module`'s message table when given), in UTF-8
// without its trailing line break; empty when the system has no text for the code. The one
// place the program asks Windows for an error's words.
std::string SystemErrorText(unsigned long code, const wchar_t* module = nullptr);
#endif

}  // namespace tabulora
