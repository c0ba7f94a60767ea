#include "winui/link_text.h"

#include <uxtheme.h>

#include "winui/text.h"

namespace winui {

COLORREF StyledSystemColor(HWND window, int index) {
    HTHEME theme = OpenThemeData(window, L"WINDOW");
    if (!theme) return GetSysColor(index);
    COLORREF colour = GetThemeSysColor(theme, index);
    CloseThemeData(theme);
    return colour;
}

bool CursorOverClient(HWND window) {
    POINT cursor{};
    if (!GetCursorPos(&cursor) || !ScreenToClient(window, &cursor)) return false;
    RECT client{};
    GetClientRect(window, &client);
    return PtInRect(&client, cursor) != FALSE;
}

void DrawWrappedCentredText(const DRAWITEMSTRUCT& item, HFONT font, COLORREF colour) {
    const std::wstring text = WindowText(item.hwndItem);
    HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const int savedDc = SaveDC(dc);
    SelectObject(dc, font);  // undone by RestoreDC
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    const UINT format = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
    // DrawText centres vertically only single lines: measure the wrapped block and place it.
    RECT block = item.rcItem;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &block, format | DT_CALCRECT);
    RECT target = item.rcItem;
    const int spare = (item.rcItem.bottom - item.rcItem.top) - (block.bottom - block.top);
    if (spare > 0) target.top += spare / 2;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &target, format);
    RestoreDC(dc, savedDc);
}

}  // namespace winui
