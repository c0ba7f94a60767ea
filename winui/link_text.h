#pragma once
#include <windows.h>

#include <string>

namespace winui {

// A system colour (COLOR_...) as the active visual style paints it; the classic value when no
// style is active.
COLORREF StyledSystemColor(HWND window, int index);

// Whether the mouse cursor is over the client area of `window` (hidden windows included).
bool CursorOverClient(HWND window);

// Paints an owner-drawn static control: its text word-wrapped and centred both ways in `font`
// and `colour`, over the button-face background of its parent.
void DrawWrappedCentredText(const DRAWITEMSTRUCT& item, HFONT font, COLORREF colour);

}  // namespace winui
