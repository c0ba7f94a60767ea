#include "ui/about.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cwchar>
#include <string>

#include "app/mainform.h"
#include "app/maker_site.h"
#include "app/win/dpi.h"
#include "app/win/dropdown.h"
#include "app/win/flat_button.h"
#include "app/win/images.h"
#include "app/win/key_hooks.h"
#include "app/win/menus.h"
#include "app/win/messages.h"
#include "app/win/modal.h"
#include "app/win/panel.h"
#include "app/win/pictures.h"
#include "app/win/program_folder.h"
#include "app/win/side_effects.h"
#include "app/win/text.h"
#include "ui/rain_canvas.h"

namespace tabulora::ui {
namespace {

using winui::ControlKind;
using winui::ControlSpec;
using winui::PanelItem;

constexpr int kClientWidth = 446;
constexpr int kClientHeight = 374;
constexpr int kPanel1Left = 48;
constexpr int kPanel1Top = 42;
constexpr SIZE kLogoSize{344, 105};
constexpr SIZE kCatSize{320, 214};
constexpr int kIconSize = 32;
constexpr int kArrowSize = 16;
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLime = RGB(0, 255, 0);

enum Fonts { kWindowFont, kLargeFont };
const winui::FontSpec kFonts[] = {{L"Tahoma", 11}, {L"Tahoma", 16}};

// PanelEgg comes after Panel1, so it lies behind it.
const ControlSpec kControls[] = {
    {TAboutBox::Panel1, ControlKind::Panel, L"", {kPanel1Left, kPanel1Top, 350, 291}, kWindowFont, WS_CLIPSIBLINGS},
    {TAboutBox::PanelEgg, ControlKind::Panel, L"", {61, 77, 324, 220}, kWindowFont, WS_CLIPSIBLINGS},
    {TAboutBox::BitBtn1, ControlKind::Button, L"OK", {49, 224, 122, 33}, kLargeFont, BS_OWNERDRAW, TAboutBox::Panel1},
    {TAboutBox::BitBtn2, ControlKind::Button, L"Info", {177, 224, 122, 33}, kLargeFont, BS_OWNERDRAW,
     TAboutBox::Panel1},
};

const winui::MenuItemSpec kPopupMenu1[] = {
    {TAboutBox::Credits1, L"Acknowledgements..."},
    {TAboutBox::Howtouninstall1, L"How to uninstall..."},
    {TAboutBox::LicensePrivacyPolicy1, L"License..."},
};

// One process-wide rain: its drop slots, and the characters they last drew, outlive each box.
MatrixRain& SharedRain() {
    static MatrixRain rain;
    return rain;
}

RainRandom& SharedRandom() {
    static StdRainRandom random;
    return random;
}

winui::UniqueFont CreateLinkFont(UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -winui::Scale(11, dpi);
    font.lfWeight = FW_NORMAL;
    font.lfUnderline = TRUE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    std::wcsncpy(font.lfFaceName, L"MS Sans Serif", LF_FACESIZE - 1);
    return winui::UniqueFont(CreateFontIndirectW(&font));
}

std::wstring MakerHostText() { return winui::Utf8ToWide(MakerHost()); }

SIZE OuterSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

const MatrixRain& TAboutBox::Rain() { return SharedRain(); }

TAboutBox::TAboutBox(HWND owner) {
    popupMenu1_.Reset(winui::BuildPopupMenu(kPopupMenu1));
    CreateFrame({L"TAboutBox", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW,
                 {kClientWidth, kClientHeight}, owner});
    CreateControls(kFonts, kControls);
    FormCreate();
}

void TAboutBox::FormCreate() {
    SharedRain().MatrixChars = u"brm";
    StartMatrix();
    SetWindowTextW(Handle(), (L"About " + AppProductName).c_str());
    for (int panel : {Panel1, PanelEgg}) winui::SetPanelLook(Control(panel), {kBlack, kWhite, winui::Bevel::None});
    winui::HookKeyDown(Control(BitBtn1), [this](WPARAM key) { BitBtn1KeyDown(key); return key == VK_ESCAPE; });
    winui::HookKeyDown(Control(BitBtn2), [this](WPARAM key) { BitBtn2KeyDown(key); return key == VK_ESCAPE; });
    HighDPIImageYukle();   // also draws the icon, the name and version, and the link

    // The hidden picture waits behind Panel1, centred in the window.
    HWND egg = Control(PanelEgg);
    RECT client{};
    GetClientRect(Handle(), &client);
    SetWindowPos(egg, HWND_BOTTOM, (client.right - Scale(324)) / 2, (client.bottom - Scale(220)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(egg, SW_HIDE);
    egg_ = HiddenPicture(Scale(kPanel1Left));

    linkTooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                   Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    PlaceLinkTooltip();
}

void TAboutBox::ShowModal() { winui::ShowModal(Handle(), Control(BitBtn1)); }

void TAboutBox::FormClose() { winui::CloseModal(Handle()); }

void TAboutBox::CloseOnEscape(WPARAM key) {
    if (key == VK_ESCAPE) FormClose();
}

int TAboutBox::ClientWidth() const {
    RECT client{};
    GetClientRect(Handle(), &client);
    return client.right;
}

// ---- Pictures and texts

void TAboutBox::HighDPIImageYukle() {
    logo_ = winui::RenderPicture(L"IMG_LOGO", kLogoSize, {Scale(kLogoSize.cx), Scale(kLogoSize.cy)});
    cat_ = winui::RenderPicture(L"IMG_CAT", kCatSize, {Scale(kCatSize.cx), Scale(kCatSize.cy)});
    PlacePanelItems();
}

void TAboutBox::PlacePanelItems() {
    appIcon_ = winui::LoadIconAtSize(L"MAINICON", Scale(kIconSize));
    arrowIcon_ = winui::LoadIconAtSize(L"IMG_ARROW", Scale(kArrowSize));
    linkFont_ = CreateLinkFont(Dpi());
    auto at = [this](int x, int y, int width, int height) {
        return RECT{Scale(x), Scale(y), Scale(x + width), Scale(y + height)};
    };

    PanelItem logo{Image2, PanelItem::Kind::Picture, at(3, 3, kLogoSize.cx, kLogoSize.cy)};
    logo.picture = logo_.Get();
    PanelItem frame{Bevel1, PanelItem::Kind::Frame, at(9, 122, 34, 34)};
    PanelItem icon{Image1, PanelItem::Kind::Icon, at(10, 123, kIconSize, kIconSize)};
    icon.icon = appIcon_.Get();
    PanelItem name{Label2, PanelItem::Kind::Text, at(49, 122, 290, 40)};
    name.text = AppProductName + L" " + AppVersionText;
    name.font = Font(kLargeFont);
    name.colour = kWhite;
    PanelItem link{Label5, PanelItem::Kind::Text, at(0, 270, 350, 16)};
    link.text = MakerHostText();
    link.font = linkFont_.Get();
    link.colour = kLime;
    link.textFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    link.handCursor = true;
    winui::SetPanelItems(Control(Panel1), {logo, frame, icon, name, link});

    PanelItem cat{ImageEgg, PanelItem::Kind::Picture, at(2, 3, kCatSize.cx, kCatSize.cy)};
    cat.picture = cat_.Get();
    winui::SetPanelItems(Control(PanelEgg), {cat});
    InvalidateRect(Control(BitBtn2), nullptr, TRUE);
}

void TAboutBox::PlaceLinkTooltip() {
    if (!linkTooltip_) return;
    linkAddress_ = L"http://" + MakerHostText() + L"/";
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = Control(Panel1);
    tool.uId = Label5;
    tool.rect = winui::PanelItemHitRect(Control(Panel1), Label5);
    tool.lpszText = linkAddress_.data();
    SendMessageW(linkTooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(linkTooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TAboutBox::LayoutControls() {
    Window::LayoutControls();
    // A panel that has slid away stays where the slide put it.
    if (egg_.Phase() != EggPhase::Normal) MovePanel1(egg_.PanelLeft());
}

void TAboutBox::AfterDpiChange() {
    if (egg_.Phase() == EggPhase::Normal) egg_ = HiddenPicture(Scale(kPanel1Left));
    HighDPIImageYukle();
    PlaceLinkTooltip();
}

// ---- Character rain

void TAboutBox::StartMatrix() {
    rainFont_ = CreateRainFont();
    const SIZE outer = OuterSize(Handle());
    ClientAreaCanvas canvas(Handle(), rainFont_.Get());
    SharedRain().StartMatrix(canvas, SharedRandom(), outer.cx, outer.cy);
    rainStarted_ = true;
    SetTimer(Handle(), tmTimer, kRainInterval, nullptr);
}

void TAboutBox::FormResize() {
    if (!rainStarted_) return;   // sizes set while the window is being made
    const SIZE outer = OuterSize(Handle());
    ClientAreaCanvas canvas(Handle(), rainFont_.Get());
    SharedRain().SetupMatrix(canvas, SharedRandom(), outer.cx, outer.cy);
}

void TAboutBox::tmTimerTimer() {
    ClientAreaCanvas canvas(Handle(), rainFont_.Get());
    SharedRain().UpdateMatrix(canvas, SharedRandom());
}

void TAboutBox::FormPaint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(Handle(), &paint);
    RECT client{};
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(Handle(), &paint);
}

// ---- Hidden picture

void TAboutBox::MovePanel1(int left) {
    HWND panel = Control(Panel1);
    RECT rect{};
    GetWindowRect(panel, &rect);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(panel, nullptr, left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TAboutBox::Image1DblClick() {
    if (egg_.TimerRunning()) return;
    egg_.IconDoubleClicked();
    ShowWindow(Control(PanelEgg), SW_SHOWNA);
    SetTimer(Handle(), TimerEgg, kEggInterval, nullptr);
}

void TAboutBox::TimerEggTimer() {
    egg_.TimerTick(ClientWidth());
    MovePanel1(egg_.PanelLeft());
    if (!egg_.TimerRunning()) KillTimer(Handle(), TimerEgg);
}

void TAboutBox::ImageEggDblClick() {
    if (egg_.TimerRunning()) return;
    RECT panel{};
    GetWindowRect(Control(Panel1), &panel);
    egg_.PictureDoubleClicked(ClientWidth(), panel.right - panel.left);
    ShowWindow(Control(PanelEgg), SW_HIDE);
    MovePanel1(egg_.PanelLeft());
}

// ---- Window dragging

void TAboutBox::FormMouseDown(UINT button, POINT screen) {
    if (button == MK_RBUTTON) return;
    dragging_ = true;
    dx_ = screen.x;
    dy_ = screen.y;
}

void TAboutBox::FormMouseMove(POINT screen) {
    if (!dragging_) return;
    RECT rect{};
    GetWindowRect(Handle(), &rect);
    const int left = rect.left + screen.x - dx_;
    const int top = rect.top + screen.y - dy_;
    dx_ = screen.x;
    dy_ = screen.y;
    SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TAboutBox::FormMouseUp() { dragging_ = false; }

void TAboutBox::OnWindowMouse(UINT message, LPARAM lParam) {
    POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(Handle(), &screen);
    switch (message) {
    case WM_MOUSEMOVE: FormMouseMove(screen); return;
    case WM_LBUTTONDOWN: SetCapture(Handle()); FormMouseDown(MK_LBUTTON, screen); return;
    case WM_MBUTTONDOWN: SetCapture(Handle()); FormMouseDown(MK_MBUTTON, screen); return;
    case WM_RBUTTONDOWN: FormMouseDown(MK_RBUTTON, screen); return;
    default:   // a button went up
        if (GetCapture() == Handle()) ReleaseCapture();
        FormMouseUp();
        return;
    }
}

void TAboutBox::OnPanelNotice(const winui::PanelNotice& notice) {
    using Event = winui::PanelNotice::Event;
    const bool onLink = notice.panelId == Panel1 && notice.itemId == Label5;
    switch (notice.event) {
    case Event::MouseDown:
        if (!onLink) FormMouseDown(notice.button, notice.screen);
        break;
    case Event::MouseMove: FormMouseMove(notice.screen); break;
    case Event::MouseUp: FormMouseUp(); break;
    case Event::Click:
        if (onLink) Label5Click();
        break;
    case Event::DoubleClick:
        if (notice.panelId == Panel1 && notice.itemId == Image1) Image1DblClick();
        if (notice.panelId == PanelEgg && notice.itemId == ImageEgg) ImageEggDblClick();
        break;
    }
}

// ---- Info menu and links

void TAboutBox::BitBtn2Click() { RunCommand(winui::DropDownMenu(Control(BitBtn2), PopupMenu1())); }

void TAboutBox::OpenMakerPage(const wchar_t* scheme, const wchar_t* path) {
    // Opening a page is a convenience; its failure is not reported.
    winui::Effects().OpenWithShell(GetDesktopWindow(), L"open", scheme + (L"://" + MakerHostText()) + path, L"",
                                   SW_HIDE);
}

void TAboutBox::Label5Click() { OpenMakerPage(L"http", L"/"); }

void TAboutBox::Credits1Click() { OpenMakerPage(L"https", L"/blog/credits-and-acknowledgements/"); }

void TAboutBox::Howtouninstall1Click() { OpenMakerPage(L"http", L"/blog/how-to-uninstall-brimtal-software/"); }

void TAboutBox::LicensePrivacyPolicy1Click() {
    const std::wstring path = winui::ProgramFolder() + L"license.txt";
    if (!winui::FileExists(path)) {
        winui::ShowMessage(Handle(), L"File not found!", L"License", MB_ICONERROR);
        return;
    }
    winui::Effects().OpenWithShell(Handle(), L"", L"notepad.exe", path, SW_SHOWNORMAL);
}

void TAboutBox::RunCommand(UINT id) {
    switch (id) {
    case Credits1: Credits1Click(); break;
    case Howtouninstall1: Howtouninstall1Click(); break;
    case LicensePrivacyPolicy1: LicensePrivacyPolicy1Click(); break;
    default: break;
    }
}

// ---- Messages

LRESULT TAboutBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == BitBtn1) BitBtn1Click();
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == BitBtn2) BitBtn2Click();
        return 0;   // Escape elsewhere than on a button does nothing
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const bool info = item.CtlID == BitBtn2;
        winui::DrawFlatButton(item, {RGB(24, 24, 24), RGB(48, 48, 48), RGB(96, 96, 96), kWhite, Font(kLargeFont),
                                     info ? arrowIcon_.Get() : nullptr, Scale(kArrowSize)});
        return TRUE;
    }
    case winui::kPanelNotice:
        OnPanelNotice(*reinterpret_cast<const winui::PanelNotice*>(lParam));
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: case WM_MBUTTONDOWN: case WM_RBUTTONDOWN:
    case WM_LBUTTONUP: case WM_MBUTTONUP: case WM_RBUTTONUP:
        OnWindowMouse(message, lParam);
        return 0;
    case WM_TIMER:
        if (wParam == tmTimer) tmTimerTimer();
        if (wParam == TimerEgg) TimerEggTimer();
        return 0;
    case WM_ERASEBKGND:
        return 1;   // FormPaint covers everything in black
    case WM_PAINT:
        FormPaint();
        return 0;
    case WM_SIZE:
        FormResize();
        break;
    case WM_CLOSE:
        FormClose();
        return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace tabulora::ui
