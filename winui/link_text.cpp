#include "winui/link_text.h"

#include <commctrl.h>
#include <oleacc.h>
#include <uxtheme.h>

#include "winui/accessibility.h"
#include "winui/handles.h"
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

void DrawWrappedCentredText(const DRAWITEMSTRUCT& item, HFONT font, COLORREF colour, COLORREF background) {
    const std::wstring text = WindowText(item.hwndItem);
    HDC dc = item.hDC;
    UniqueBrush fill(CreateSolidBrush(background));
    FillRect(dc, &item.rcItem, fill.Get());
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
    if (GetFocus() == item.hwndItem) {
        const int width = block.right - block.left;
        RECT focus{target.left + (target.right - target.left - width) / 2, target.top, 0,
                   target.top + (block.bottom - block.top)};
        focus.right = focus.left + width;
        InflateRect(&focus, 2, 1);
        IntersectRect(&focus, &focus, &item.rcItem);
        SetBkColor(dc, background);
        DrawFocusRect(dc, &focus);
    }
    RestoreDC(dc, savedDc);
}

namespace {

constexpr UINT_PTR kLinkSubclassId = 0x4C4B;

void FollowLink(HWND label) {
    SendMessageW(GetParent(label), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(label), STN_CLICKED),
                 reinterpret_cast<LPARAM>(label));
}

LRESULT CALLBACK KeyboardLinkProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code = DefSubclassProc(label, message, wParam, lParam);
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
        return code | DLGC_WANTCHARS;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_SPACE) {
            FollowLink(label);
            return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(label, nullptr, FALSE); break;
    case WM_NCDESTROY: RemoveWindowSubclass(label, KeyboardLinkProc, kLinkSubclassId); break;
    }
    return DefSubclassProc(label, message, wParam, lParam);
}

}  // namespace

void MakeKeyboardLink(HWND label) {
    SetWindowLongPtrW(label, GWL_STYLE, GetWindowLongPtrW(label, GWL_STYLE) | WS_TABSTOP);
    SetWindowSubclass(label, KeyboardLinkProc, kLinkSubclassId, 0);
    AccessibleDescription link;
    link.name = [label] { return WindowText(label); };
    link.role = ROLE_SYSTEM_LINK;
    link.extraStates = [] { return STATE_SYSTEM_LINKED; };
    link.defaultAction = L"Jump";
    link.doDefaultAction = [label] { FollowLink(label); };
    DescribeForAccessibility(label, std::move(link));
}

}  // namespace winui
