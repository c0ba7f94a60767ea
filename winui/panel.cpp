#include "winui/panel.h"

#include <windowsx.h>

#include "winui/handles.h"
#include "winui/text.h"

namespace winui {
namespace {

constexpr wchar_t kClassName[] = L"TabuloraPanel";

struct PanelState {
    PanelLook look{GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_WINDOWTEXT), Bevel::None};
    bool handCursor = false;
    HFONT font = nullptr;
    std::vector<PanelItem> items;
    UINT pressedButton = 0;  // the button that went down on the panel, for clicks
    bool takesFocus = false;
};

PanelState* StateOf(HWND panel) { return reinterpret_cast<PanelState*>(GetWindowLongPtrW(panel, GWLP_USERDATA)); }

RECT TextRect(HDC dc, const PanelItem& item) {
    RECT measured = item.bounds;
    {
        ScopedSelect font(dc, item.font);
        DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &measured, item.textFormat | DT_CALCRECT);
    }
    // DT_CALCRECT keeps the left edge; move the measured box where the format puts it.
    const int width = measured.right - measured.left;
    const int height = measured.bottom - measured.top;
    RECT placed = item.bounds;
    if (item.textFormat & DT_CENTER)
        placed.left += (item.bounds.right - item.bounds.left - width) / 2;
    else if (item.textFormat & DT_RIGHT)
        placed.left = item.bounds.right - width;
    if (item.textFormat & DT_VCENTER) placed.top += (item.bounds.bottom - item.bounds.top - height) / 2;
    placed.right = placed.left + width;
    placed.bottom = placed.top + height;
    return placed;
}

RECT HitRect(HWND panel, const PanelItem& item) {
    if (item.kind != PanelItem::Kind::Text) return item.bounds;
    const WindowDc dc(panel);
    return TextRect(dc.Get(), item);
}

const PanelItem* ItemAt(HWND panel, const PanelState& state, POINT client) {
    // Later items lie on top of earlier ones.
    for (auto item = state.items.rbegin(); item != state.items.rend(); ++item) {
        RECT rect = HitRect(panel, *item);
        if (PtInRect(&rect, client)) return &*item;
    }
    return nullptr;
}

void DrawItem(HDC dc, const PanelItem& item) {
    const RECT& r = item.bounds;
    switch (item.kind) {
    case PanelItem::Kind::Picture: {
        if (!item.picture) break;
        BITMAP info{};
        GetObjectW(item.picture, sizeof info, &info);
        MemoryDc source(CreateCompatibleDC(dc));
        ScopedSelect picture(source.Get(), item.picture);
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        SetStretchBltMode(dc, HALFTONE);
        AlphaBlend(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source.Get(), 0, 0, info.bmWidth,
                   info.bmHeight, blend);
        break;
    }
    case PanelItem::Kind::Icon:
        if (item.icon)
            DrawIconEx(dc, r.left, r.top, item.icon, r.right - r.left, r.bottom - r.top, 0, nullptr, DI_NORMAL);
        break;
    case PanelItem::Kind::Text: {
        ScopedSelect font(dc, item.font);
        SetTextColor(dc, item.colour);
        RECT bounds = r;
        DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &bounds, item.textFormat);
        break;
    }
    case PanelItem::Kind::Fill: {
        UniqueBrush fill(CreateSolidBrush(item.colour));
        FillRect(dc, &r, fill.Get());
        break;
    }
    case PanelItem::Kind::Frame: {
        RECT bounds = r;
        DrawEdge(dc, &bounds, BDR_SUNKENOUTER, BF_RECT);
        break;
    }
    }
}

void Paint(HWND panel, const PanelState& state) {
    PAINTSTRUCT paint{};
    HDC target = BeginPaint(panel, &paint);
    RECT client{};
    GetClientRect(panel, &client);
    // Drawn off-screen first so the panel never flickers while the window around it animates.
    MemoryDc dc(CreateCompatibleDC(target));
    UniqueBitmap buffer(CreateCompatibleBitmap(target, client.right, client.bottom));
    ScopedSelect bitmap(dc.Get(), buffer.Get());

    UniqueBrush background(CreateSolidBrush(state.look.background));
    FillRect(dc.Get(), &client, background.Get());
    SetBkMode(dc.Get(), TRANSPARENT);
    const std::wstring caption = WindowText(panel);
    if (!caption.empty()) {
        ScopedSelect font(dc.Get(), state.font ? state.font : GetStockObject(DEFAULT_GUI_FONT));
        SetTextColor(dc.Get(), state.look.text);
        RECT area = client;
        DrawTextW(dc.Get(), caption.c_str(), static_cast<int>(caption.size()), &area,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    for (const PanelItem& item : state.items) DrawItem(dc.Get(), item);
    if (state.look.bevel != Bevel::None) {
        RECT edge = client;
        DrawEdge(dc.Get(), &edge, state.look.bevel == Bevel::Raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
    }
    if (state.takesFocus && GetFocus() == panel) {
        // Dotted in the panel's own colours, so it shows on the chosen look and on the plain one.
        RECT focus = client;
        InflateRect(&focus, -3, -3);
        SetTextColor(dc.Get(), state.look.text);
        SetBkColor(dc.Get(), state.look.background);
        DrawFocusRect(dc.Get(), &focus);
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc.Get(), 0, 0, SRCCOPY);
    EndPaint(panel, &paint);
}

UINT ButtonOf(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: return MK_LBUTTON;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK: return MK_RBUTTON;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: return MK_MBUTTON;
    default: return 0;
    }
}

void Notify(HWND panel, const PanelState& state, PanelNotice::Event event, UINT button, LPARAM lParam) {
    POINT client{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const PanelItem* item = ItemAt(panel, state, client);
    PanelNotice notice{panel, GetDlgCtrlID(panel), item ? item->id : 0, event, button, client};
    ClientToScreen(panel, &notice.screen);
    SendMessageW(GetParent(panel), kPanelNotice, 0, reinterpret_cast<LPARAM>(&notice));
}

LRESULT OnMouse(HWND panel, PanelState& state, UINT message, LPARAM lParam) {
    using Event = PanelNotice::Event;
    const UINT button = ButtonOf(message);
    switch (message) {
    case WM_MOUSEMOVE: Notify(panel, state, Event::MouseMove, 0, lParam); break;
    case WM_LBUTTONDOWN:
        if (state.takesFocus) SetFocus(panel);
        [[fallthrough]];
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        SetCapture(panel);
        state.pressedButton = button;
        Notify(panel, state, Event::MouseDown, button, lParam);
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        SetCapture(panel);
        state.pressedButton = button;
        Notify(panel, state, Event::MouseDown, button, lParam);
        if (button == MK_LBUTTON) Notify(panel, state, Event::DoubleClick, button, lParam);
        break;
    default: {  // a button goes up
        const bool wasPressed = state.pressedButton == button;
        state.pressedButton = 0;
        if (GetCapture() == panel) ReleaseCapture();
        Notify(panel, state, Event::MouseUp, button, lParam);
        RECT client{};
        GetClientRect(panel, &client);
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (wasPressed && button == MK_LBUTTON && PtInRect(&client, at)) {
            Notify(panel, state, Event::Click, button, lParam);
        }
        break;
    }
    }
    return 0;
}

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) SetWindowLongPtrW(panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new PanelState));
    PanelState* state = StateOf(panel);
    if (!state) return DefWindowProcW(panel, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY:
        SetWindowLongPtrW(panel, GWLP_USERDATA, 0);
        delete state;
        break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(panel, *state); return 0;
    case WM_SETFONT:
        state->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(panel, nullptr, FALSE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(state->font);
    case WM_GETDLGCODE:
        if (!state->takesFocus) break;
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(panel, nullptr, FALSE); break;
    case WM_KEYDOWN:
        if (state->takesFocus) {
            switch (wParam) {
            case VK_LEFT:
            case VK_RIGHT:
            case VK_UP:
            case VK_DOWN:
            case VK_SPACE: {
                PanelNotice notice{panel, GetDlgCtrlID(panel),      0, PanelNotice::Event::Key, 0,
                                   {},    static_cast<UINT>(wParam)};
                SendMessageW(GetParent(panel), kPanelNotice, 0, reinterpret_cast<LPARAM>(&notice));
                return 0;
            }
            }
        }
        break;
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcW(panel, message, wParam, lParam);
        InvalidateRect(panel, nullptr, FALSE);
        return result;
    }
    case WM_SETCURSOR: {
        if (LOWORD(lParam) != HTCLIENT || reinterpret_cast<HWND>(wParam) != panel) break;
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(panel, &at);
        const PanelItem* item = ItemAt(panel, *state, at);
        if (state->handCursor || (item && item->handCursor)) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: return OnMouse(panel, *state, message, lParam);
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case kPanelNotice:
        // The window that owns the panel handles its controls.
        return SendMessageW(GetParent(panel), message, wParam, lParam);
    }
    return DefWindowProcW(panel, message, wParam, lParam);
}

}  // namespace

const wchar_t* RegisterPanelClass() {
    static const bool registered = [] {
        WNDCLASSEXW panelClass{};
        panelClass.cbSize = sizeof panelClass;
        panelClass.style = CS_DBLCLKS;
        panelClass.lpfnWndProc = PanelProc;
        panelClass.hInstance = GetModuleHandleW(nullptr);
        panelClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        panelClass.lpszClassName = kClassName;
        return RegisterClassExW(&panelClass) != 0;
    }();
    (void)registered;
    return kClassName;
}

void SetPanelLook(HWND panel, const PanelLook& look) {
    if (PanelState* state = StateOf(panel)) {
        state->look = look;
        InvalidateRect(panel, nullptr, FALSE);
    }
}

PanelLook GetPanelLook(HWND panel) {
    const PanelState* state = StateOf(panel);
    return state ? state->look : PanelLook{};
}

void SetPanelHandCursor(HWND panel, bool hand) {
    if (PanelState* state = StateOf(panel)) state->handCursor = hand;
}

void SetPanelTakesFocus(HWND panel, bool takes) {
    if (PanelState* state = StateOf(panel)) {
        state->takesFocus = takes;
        // The dialog manager stops at such a panel instead of looking for controls inside it.
        const LONG_PTR exStyle = GetWindowLongPtrW(panel, GWL_EXSTYLE);
        SetWindowLongPtrW(panel, GWL_EXSTYLE,
                          takes ? (exStyle & ~WS_EX_CONTROLPARENT) : (exStyle | WS_EX_CONTROLPARENT));
        InvalidateRect(panel, nullptr, FALSE);
    }
}

void SetPanelItems(HWND panel, std::vector<PanelItem> items) {
    if (PanelState* state = StateOf(panel)) {
        state->items = std::move(items);
        InvalidateRect(panel, nullptr, FALSE);
    }
}

RECT PanelItemHitRect(HWND panel, int itemId) {
    if (const PanelState* state = StateOf(panel)) {
        for (const PanelItem& item : state->items) {
            if (item.id == itemId) return HitRect(panel, item);
        }
    }
    return {};
}

}  // namespace winui
