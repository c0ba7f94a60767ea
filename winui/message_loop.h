#pragma once
#include <windows.h>

namespace winui {

// Runs the thread's message loop until WM_QUIT: keyboard shortcuts of `mainWindow` first, then
// dialog keys (Tab, Esc, Enter) for whichever top-level window has the message.
int RunMessageLoop(HWND mainWindow, HACCEL accelerators);

}  // namespace winui
