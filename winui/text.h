#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "engine/utf.h"

namespace winui {

// UTF-8 inside the program, UTF-16 at the Win32 boundary.
using tabulora::Utf8ToWide;
using tabulora::WideToUtf8;

// Changes only the letters A to Z.
std::wstring AsciiLower(std::wstring_view text);

// The text (caption) of a window or control.
std::wstring WindowText(HWND window);

}  // namespace winui
