#pragma once
#include <string>

namespace tabulora {

// The system's text for a Win32 error code (from `module`'s message table when given), in UTF-8
// without its trailing line break; empty when the system has no text for the code.
std::string SystemErrorText(unsigned long code, const wchar_t* module = nullptr);

// The same text followed by the code in parentheses ("Error (code)" when there is no text).
std::string Win32ErrorText(unsigned long code, const wchar_t* module = nullptr);

}  // namespace tabulora
