#pragma once
#include <windows.h>

namespace winui {

struct FlatButtonLook {
    COLORREF face;
    COLORREF pressedFace;
    COLORREF border;
    COLORREF text;
    COLORREF pressedText;
    HFONT font;
    HICON image = nullptr;  // drawn right of the caption
    int imageSize = 0;
    // Instead of `image`: a down arrow of imageSize drawn in the text colour, for colours in
    // which a picture made for one background would not show.
    bool drawnArrow = false;
};

// Paints an owner-drawn push button (BS_OWNERDRAW) in fixed colours, so it keeps them under
// every visual style: face, one-pixel border, centred caption, and the focus rectangle.
void DrawFlatButton(const DRAWITEMSTRUCT& item, const FlatButtonLook& look);

}  // namespace winui
