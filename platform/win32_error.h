#pragma once
#include <string>

#include "engine/system_error_text.h"

namespace tabulora {

// The system's text for a Win32 error code (SystemErrorText) followed by the code in parentheses
// ("Error (code)" when there is no text), as the update check records failures.
std::string Win32ErrorText(unsigned long code, const wchar_t* module = nullptr);

}  // namespace tabulora
