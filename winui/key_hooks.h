#pragma once
#include <windows.h>

#include <functional>

namespace winui {

// Calls `onKeyDown` with the virtual key of every key pressed while `control` has the focus,
// before the control handles it; the handler returns true when it took the key. Escape is
// delivered here instead of being treated as the window's dialog key. The hook ends with the
// control.
void HookKeyDown(HWND control, std::function<bool(WPARAM key)> onKeyDown);

// In a multi-line edit box, Tab and Shift+Tab move the focus on as in any other control (the
// window's dialog keys take them), and Ctrl+Tab types a TAB character.
void LetTabLeave(HWND multiLineEdit);

}  // namespace winui
