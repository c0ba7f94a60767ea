#include "update/newversion.h"

#include <windowsx.h>

#include <cstdint>
#include <utility>

#include "app/maker_site.h"
#include "app/win/busy_cursor.h"
#include "app/win/images.h"
#include "app/win/link_text.h"
#include "app/win/side_effects.h"
#include "app/win/text.h"
#include "update/notice_link.h"

namespace tabulora {
namespace {

using winui::ControlKind;
using winui::ControlSpec;

constexpr int kClientWidth = 320;
constexpr int kClientHeight = 68;
constexpr int kScreenGap = 5;             // to the top and right edges of the primary screen, in pixels
constexpr UINT kAnimationMs = 100;
constexpr DWORD kGrowFromCentre = AW_CENTER | AW_HOR_POSITIVE | AW_HOR_NEGATIVE;   // 0x13
constexpr DWORD kShrinkToCentre = AW_HIDE | AW_CENTER;                            // 0x10010
constexpr int kCloseImageSize = 16;
// The middle of the panel, holding the heading and the link: presses on its bare margins do
// not drag the notice (presses on the heading do).
constexpr RECT kPanel2 = {67, 1, 67 + 230, 1 + 66};
constexpr RECT kLabel1 = {70, 4, 70 + 224, 4 + 16};

enum Fonts { kWindowFont, kHeadingFont, kLinkFont };
const winui::FontSpec kFonts[] = {
    {L"Tahoma", 11},
    {L"Tahoma", 13, FW_BOLD},
    {L"Tahoma", 13, FW_NORMAL, true},
};

// Left the icon, in the middle the heading above the link, right the close button. The heading
// and the icon let presses through to the window, which drags; the link and the button keep theirs.
const ControlSpec kControls[] = {
    {TNewVer::Image1, ControlKind::Label, L"", {4, 4, 60, 60}, kWindowFont, SS_ICON | SS_CENTERIMAGE},
    {TNewVer::Label1, ControlKind::Label, L"", {kLabel1.left, kLabel1.top, 224, 16}, kHeadingFont, SS_CENTER},
    {TNewVer::Label2, ControlKind::Label, L"", {67, 23, 230, 44}, kLinkFont, SS_OWNERDRAW | SS_NOTIFY},
    {TNewVer::Button1, ControlKind::Button, L"", {297, 1, 22, 22}, kWindowFont, BS_ICON},
};

// Counts the automatic close down once per second; shared by the unit and never reset.
int64_t closeCountdown = 11;

}  // namespace

TNewVer::TNewVer(HWND mainWindow, NewVersionInfo info) : mainWindow_(mainWindow), info_(std::move(info)) {
    CreateFrame({L"TNewVer", WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                 {kClientWidth, kClientHeight}});
    CreateControls(kFonts, kControls);
    FormCreate();
}

void TNewVer::FormCreate() {
    LoadImages();
    RECT window{};
    GetWindowRect(Handle(), &window);
    const int left = GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left) - kScreenGap;
    SetWindowPos(Handle(), nullptr, left, kScreenGap, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    const std::wstring heading = L"UPDATE AVAILABLE";
    SetWindowTextW(Handle(), heading.c_str());   // not shown; names the window for tools
    SetWindowTextW(Control(Label1), heading.c_str());
    SetWindowTextW(Control(Label2), (L"Click to download " + info_.productName + L" " + info_.serverVersion).c_str());
    linkColour_ = winui::StyledSystemColor(Handle(), COLOR_WINDOWTEXT);

    SetTimer(Handle(), TimerStart, 1, nullptr);
    SetTimer(Handle(), TimerClose, 1000, nullptr);
    SetTimer(Handle(), TimerLink, 100, nullptr);
}

void TNewVer::LoadImages() {
    appIcon_ = winui::LoadIconAtSize(L"MAINICON", Scale(60));
    SendMessageW(Control(Image1), STM_SETICON, reinterpret_cast<WPARAM>(appIcon_.Get()), 0);
    closeIcon_ = winui::LoadIconAtSize(L"IMG_CLOSE", Scale(kCloseImageSize));
    SendMessageW(Control(Button1), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(closeIcon_.Get()));
}

void TNewVer::AfterDpiChange() { LoadImages(); }

void TNewVer::TimerStartTimer() {
    KillTimer(Handle(), TimerStart);
    AnimateWindow(Handle(), kAnimationMs, kGrowFromCentre);
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    // The notice never keeps the keyboard: typing goes on in the main window.
    if (GetActiveWindow() == Handle() && IsWindow(mainWindow_)) SetActiveWindow(mainWindow_);
}

void TNewVer::TimerCloseTimer() {
    if (--closeCountdown != 0) return;
    KillTimer(Handle(), TimerClose);
    AnimateWindow(Handle(), kAnimationMs, kShrinkToCentre);   // fails harmlessly when already hidden
    Close();
}

void TNewVer::TimerLinkTimer() {
    const int index = winui::CursorOverClient(Control(Label2)) ? COLOR_MENUHILIGHT : COLOR_WINDOWTEXT;
    const COLORREF colour = winui::StyledSystemColor(Handle(), index);
    if (colour == linkColour_) return;
    linkColour_ = colour;
    InvalidateRect(Control(Label2), nullptr, FALSE);
}

void TNewVer::Label2Click() {
    const std::string target =
        update::NoticeLinkTarget(winui::WideToUtf8(info_.downloadUrl), MakerHost());
    try {
        winui::Effects().OpenWithShell(GetDesktopWindow(), L"open", winui::Utf8ToWide(target), L"", SW_HIDE);
    } catch (...) {
        // the browser is a convenience; a failure to start it is not reported
    }
    Close();
}

void TNewVer::Close() {
    const bool wasActive = GetActiveWindow() == Handle();
    FormMouseUp();
    ShowWindow(Handle(), SW_HIDE);
    if (wasActive && IsWindow(mainWindow_)) SetActiveWindow(mainWindow_);
}

bool TNewVer::StartsDrag(POINT client) const {
    const POINT at96{MulDiv(client.x, 96, static_cast<int>(Dpi())), MulDiv(client.y, 96, static_cast<int>(Dpi()))};
    return !PtInRect(&kPanel2, at96) || PtInRect(&kLabel1, at96);
}

void TNewVer::FormMouseDown(POINT client) {
    if (!StartsDrag(client)) return;
    POINT screen = client;
    ClientToScreen(Handle(), &screen);
    dx = screen.x;
    dy = screen.y;
    dragging = true;
    SetCapture(Handle());   // keeps the drag when the mouse outruns the window
}

void TNewVer::FormMouseMove(POINT client) {
    if (!dragging) return;
    POINT screen = client;
    ClientToScreen(Handle(), &screen);
    RECT window{};
    GetWindowRect(Handle(), &window);
    SetWindowPos(Handle(), nullptr, window.left + screen.x - dx, window.top + screen.y - dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    dx = screen.x;
    dy = screen.y;
}

void TNewVer::FormMouseUp() {
    dragging = false;
    if (GetCapture() == Handle()) ReleaseCapture();
}

void TNewVer::Paint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(Handle(), &paint);
    RECT client{};
    GetClientRect(Handle(), &client);
    DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
    EndPaint(Handle(), &paint);
}

LRESULT TNewVer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_TIMER:
        switch (wParam) {
        case TimerStart: TimerStartTimer(); return 0;
        case TimerClose: TimerCloseTimer(); return 0;
        case TimerLink: TimerLinkTimer(); return 0;
        }
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == Label2 && HIWORD(wParam) == STN_CLICKED) Label2Click();
        if (LOWORD(wParam) == Button1 && HIWORD(wParam) == BN_CLICKED) Button1Click();
        return 0;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID != Label2) break;
        winui::DrawWrappedCentredText(item, Font(kLinkFont), linkColour_);
        return TRUE;
    }
    case WM_PAINT:
        Paint();
        return 0;
    case WM_SETCURSOR: {
        const auto over = reinterpret_cast<HWND>(wParam);
        if (winui::ApplyBusyCursor()) return TRUE;
        if (LOWORD(lParam) == HTCLIENT && (over == Control(Label2) || over == Control(Button1))) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        FormMouseDown(at);
        return 0;
    case WM_MOUSEMOVE:
        FormMouseMove(at);
        return 0;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
    case WM_XBUTTONUP:
        FormMouseUp();
        return 0;
    case WM_CAPTURECHANGED:
        dragging = false;
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace tabulora
