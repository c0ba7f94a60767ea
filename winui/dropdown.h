#pragma once
#include <windows.h>

#include <cstdint>

namespace winui {

// The button and menu of the last drop-down and the tick count taken when it closed; shared by
// every window that drops a menu down from a button.
extern HWND LastPopupButton;
extern HMENU LastPopupMenu;
extern uint32_t LastPopupTick;

// Shows `menu` under the lower-left corner of `button` and returns the chosen command (0 for
// none). A call for the same button and menu within 100 ms of that menu closing shows nothing:
// the click that closed the menu must not open it again.
UINT DropDownMenu(HWND button, HMENU menu);

}  // namespace winui
