#include "ui/new_version_notice.h"

#include <windowsx.h>

#include <cstdint>
#include <utility>

#include <oleacc.h>

#include "ui/palette.h"
#include "ui/system_colours.h"
#include "update/notice_link.h"
#include "winui/accessibility.h"
#include "winui/browser.h"
#include "winui/busy_cursor.h"
#include "winui/images.h"
#include "winui/link_text.h"
#include "winui/text.h"

namespace tabulora::ui {
namespace {

using winui::ControlKind;
using winui::ControlSpec;

constexpr int kClientWidth = 320;
constexpr int kClientHeight = 68;
constexpr int kScreenGap = 5;  // to the top and right edges of the primary screen, in pixels
constexpr UINT kAnimationMs = 100;
constexpr DWORD kGrowFromCentre = AW_CENTER | AW_HOR_POSITIVE | AW_HOR_NEGATIVE;  // 0x13
constexpr DWORD kShrinkToCentre = AW_HIDE | AW_CENTER;                            // 0x10010
constexpr int kCloseImageSize = 16;
// The middle of the panel, holding the heading and the link: presses on its bare margins do
// not drag the notice (presses on the heading do).
constexpr RECT kTextArea = {67, 1, 67 + 230, 1 + 66};
constexpr RECT kHeadingArea = {70, 4, 70 + 224, 4 + 16};

enum Fonts { kWindowFont, kHeadingFont, kLinkFont };
const winui::FontSpec kFonts[] = {
    {L"Tahoma", 11},
    {L"Tahoma", 13, FW_BOLD},
    {L"Tahoma", 13, FW_NORMAL, true},
};

// Left the icon, in the middle the heading above the link, right the close button. The heading
// and the icon let presses through to the window, which drags; the link and the button keep theirs.
const ControlSpec kControls[] = {
    {NewVersionNotice::AppIcon, ControlKind::Label, L"", {4, 4, 60, 60}, kWindowFont, SS_ICON | SS_CENTERIMAGE},
    {NewVersionNotice::Heading,
     ControlKind::Label,
     L"",
     {kHeadingArea.left, kHeadingArea.top, 224, 16},
     kHeadingFont,
     SS_CENTER},
    {NewVersionNotice::DownloadLink, ControlKind::Label, L"", {67, 23, 230, 44}, kLinkFont, SS_OWNERDRAW | SS_NOTIFY},
    {NewVersionNotice::CloseButton, ControlKind::Button, L"", {297, 1, 22, 22}, kWindowFont, BS_ICON},
};

// Counts the automatic close down once per second; shared by the unit and never reset.
int64_t closeCountdown = 11;

}  // namespace

NewVersionNotice::NewVersionNotice(HWND mainWindow, NewVersionInfo info, MakerSite site)
    : mainWindow_(mainWindow), info_(std::move(info)), site_(std::move(site)) {
    CreateFrame({L"TabuloraNewVersionNotice",
                 WS_POPUP | WS_CLIPCHILDREN,
                 WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                 {kClientWidth, kClientHeight}});
    CreateControls(kFonts, kControls);
    SetUp();
}

void NewVersionNotice::SetUp() {
    LoadImages();
    RECT window{};
    GetWindowRect(Handle(), &window);
    const int left = GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left) - kScreenGap;
    SetWindowPos(Handle(), nullptr, left, kScreenGap, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    const std::wstring heading = L"UPDATE AVAILABLE";
    SetWindowTextW(Handle(), heading.c_str());  // not shown; names the window for tools
    SetWindowTextW(Control(Heading), heading.c_str());
    SetWindowTextW(Control(DownloadLink),
                   (L"Click to download " + info_.productName + L" " + info_.serverVersion).c_str());
    linkColour_ = winui::StyledSystemColor(Handle(),
                                           SystemColourIndex(NoticeLinkColour(winui::HighContrastOn(), false)));
    winui::MakeKeyboardLink(Control(DownloadLink));
    Describe(CloseButton, {.name = [] { return std::wstring(L"Close"); }});
    Describe(AppIcon, {.name = [this] { return info_.productName; }, .role = ROLE_SYSTEM_GRAPHIC});

    SetTimer(Handle(), kShowTimer, 1, nullptr);
    SetTimer(Handle(), kCloseTimer, 1000, nullptr);
    SetTimer(Handle(), kLinkTimer, 100, nullptr);
}

void NewVersionNotice::LoadImages() {
    appIcon_ = winui::LoadIconAtSize(L"MAINICON", Scale(60));
    SendMessageW(Control(AppIcon), STM_SETICON, reinterpret_cast<WPARAM>(appIcon_.Get()), 0);
    closeIcon_ = winui::LoadIconAtSize(L"IMG_CLOSE", Scale(kCloseImageSize));
    SendMessageW(Control(CloseButton), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(closeIcon_.Get()));
}

void NewVersionNotice::AfterDpiChange() { LoadImages(); }

void NewVersionNotice::ShowAnimated() {
    KillTimer(Handle(), kShowTimer);
    AnimateWindow(Handle(), kAnimationMs, kGrowFromCentre);
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    // The notice never keeps the keyboard: typing goes on in the main window.
    if (GetActiveWindow() == Handle() && IsWindow(mainWindow_)) SetActiveWindow(mainWindow_);
}

void NewVersionNotice::CountDownToClose() {
    if (--closeCountdown != 0) return;
    KillTimer(Handle(), kCloseTimer);
    AnimateWindow(Handle(), kAnimationMs, kShrinkToCentre);  // fails harmlessly when already hidden
    Close();
}

void NewVersionNotice::UpdateLinkColour() {
    const SystemColour chosen = NoticeLinkColour(winui::HighContrastOn(),
                                                 winui::CursorOverClient(Control(DownloadLink)));
    const COLORREF colour = winui::StyledSystemColor(Handle(), SystemColourIndex(chosen));
    if (colour == linkColour_) return;
    linkColour_ = colour;
    InvalidateRect(Control(DownloadLink), nullptr, FALSE);
}

void NewVersionNotice::OpenDownload() {
    winui::OpenInBrowser(update::NoticeLinkTarget(winui::WideToUtf8(info_.downloadUrl), site_));
    Close();
}

void NewVersionNotice::Close() {
    const bool wasActive = GetActiveWindow() == Handle();
    EndDrag();
    ShowWindow(Handle(), SW_HIDE);
    if (wasActive && IsWindow(mainWindow_)) SetActiveWindow(mainWindow_);
}

bool NewVersionNotice::StartsDrag(POINT client) const {
    const POINT at96{MulDiv(client.x, 96, static_cast<int>(Dpi())), MulDiv(client.y, 96, static_cast<int>(Dpi()))};
    return !PtInRect(&kTextArea, at96) || PtInRect(&kHeadingArea, at96);
}

void NewVersionNotice::BeginDrag(POINT client) {
    if (!StartsDrag(client)) return;
    POINT screen = client;
    ClientToScreen(Handle(), &screen);
    drag_.Begin(screen);
    SetCapture(Handle());  // keeps the drag when the mouse outruns the window
}

void NewVersionNotice::ContinueDrag(POINT client) {
    POINT screen = client;
    ClientToScreen(Handle(), &screen);
    drag_.MoveTo(Handle(), screen);
}

void NewVersionNotice::EndDrag() {
    drag_.End();
    if (GetCapture() == Handle()) ReleaseCapture();
}

void NewVersionNotice::Paint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(Handle(), &paint);
    RECT client{};
    GetClientRect(Handle(), &client);
    DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
    EndPaint(Handle(), &paint);
}

LRESULT NewVersionNotice::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_TIMER:
        switch (wParam) {
        case kShowTimer: ShowAnimated(); return 0;
        case kCloseTimer: CountDownToClose(); return 0;
        case kLinkTimer: UpdateLinkColour(); return 0;
        }
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == DownloadLink && HIWORD(wParam) == STN_CLICKED) OpenDownload();
        if (LOWORD(wParam) == CloseButton && HIWORD(wParam) == BN_CLICKED) Close();
        return 0;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID != DownloadLink) break;
        winui::DrawWrappedCentredText(item, Font(kLinkFont), linkColour_, GetSysColor(COLOR_BTNFACE));
        return TRUE;
    }
    case WM_PAINT: Paint(); return 0;
    case WM_SETCURSOR: {
        const auto over = reinterpret_cast<HWND>(wParam);
        if (winui::ApplyBusyCursor()) return TRUE;
        if (LOWORD(lParam) == HTCLIENT && (over == Control(DownloadLink) || over == Control(CloseButton))) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN: BeginDrag(at); return 0;
    case WM_MOUSEMOVE: ContinueDrag(at); return 0;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
    case WM_XBUTTONUP: EndDrag(); return 0;
    case WM_CAPTURECHANGED: drag_.End(); return 0;
    case WM_CLOSE: Close(); return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace tabulora::ui
