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
// and `colour` over `background`, with a focus mark around the text while it has the focus.
void DrawWrappedCentredText(const DRAWITEMSTRUCT& item, HFONT font, COLORREF colour, COLORREF background);

// Makes an owner-drawn static control with SS_NOTIFY a link of the keyboard and of screen
// readers: a tab stop that Enter or Space follows as a click does (STN_CLICKED to its parent),
// repainted as it gains and loses the focus, spoken as a link named by its text.
void MakeKeyboardLink(HWND label);

}  // namespace winui
