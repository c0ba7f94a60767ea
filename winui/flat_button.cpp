#include "winui/flat_button.h"

#include <string>

#include "winui/handles.h"
#include "winui/text.h"

namespace winui {

void DrawFlatButton(const DRAWITEMSTRUCT& item, const FlatButtonLook& look) {
    HDC dc = item.hDC;
    RECT area = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    UniqueBrush face(CreateSolidBrush(pressed ? look.pressedFace : look.face));
    UniqueBrush border(CreateSolidBrush(look.border));
    FillRect(dc, &area, face.Get());
    FrameRect(dc, &area, border.Get());

    const std::wstring caption = WindowText(item.hwndItem);
    const ScopedSelect font(dc, look.font);
    SIZE text{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    const int shift = pressed ? 1 : 0;
    const bool picture = look.image || look.drawnArrow;
    const int gap = picture ? look.imageSize / 2 : 0;
    const int contentWidth = text.cx + (picture ? gap + look.imageSize : 0);
    const int left = area.left + (area.right - area.left - contentWidth) / 2 + shift;
    const int middle = (area.top + area.bottom) / 2 + shift;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, pressed ? look.pressedText : look.text);
    TextOutW(dc, left, middle - text.cy / 2, caption.c_str(), static_cast<int>(caption.size()));
    if (look.drawnArrow) {
        const int size = look.imageSize;
        const int x = left + text.cx + gap;
        const int y = middle - size / 4;
        const POINT arrow[] = {{x + size / 8, y}, {x + size - size / 8, y}, {x + size / 2, y + size / 2 - size / 8}};
        const COLORREF colour = pressed ? look.pressedText : look.text;
        UniqueBrush fill(CreateSolidBrush(colour));
        const ScopedSelect brush(dc, fill.Get());
        const ScopedSelect pen(dc, GetStockObject(NULL_PEN));
        Polygon(dc, arrow, 3);
    } else if (look.image) {
        DrawIconEx(dc, left + text.cx + gap, middle - look.imageSize / 2, look.image, look.imageSize, look.imageSize, 0,
                   nullptr, DI_NORMAL);
    }
    if (item.itemState & ODS_FOCUS) {
        RECT focus = area;
        InflateRect(&focus, -3, -3);
        // The dots take the text's colour against the face's.
        SetTextColor(dc, pressed ? look.pressedText : look.text);
        SetBkColor(dc, pressed ? look.pressedFace : look.face);
        DrawFocusRect(dc, &focus);
    }
}

}  // namespace winui
