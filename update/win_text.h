#pragma once
#include <string>
#include <string_view>

#include "engine/utf.h"

namespace tabulora::update {

// UTF-8 <-> UTF-16 at the Win32 boundary; malformed input becomes U+FFFD.
using tabulora::Utf8ToWide;
using tabulora::WideToUtf8;

// The system's text for a Win32 error code (from `module`'s message table when given),
// followed by the code in parentheses.
std::string Win32ErrorText(unsigned long code, const wchar_t* module = nullptr);

}  // namespace tabulora::update
