#include "ui/about_box.h"

#include <commctrl.h>
#include <oleacc.h>
#include <windowsx.h>

#include <cwchar>
#include <string>

#include "ui/rain_canvas.h"
#include "ui/system_colours.h"
#include "winui/accessibility.h"
#include "winui/browser.h"
#include "winui/busy_cursor.h"
#include "winui/dpi.h"
#include "winui/dropdown.h"
#include "winui/flat_button.h"
#include "winui/images.h"
#include "winui/link_text.h"
#include "winui/menus.h"
#include "winui/messages.h"
#include "winui/modal.h"
#include "winui/panel.h"
#include "winui/pictures.h"
#include "winui/program_folder.h"
#include "winui/side_effects.h"
#include "winui/text.h"

namespace tabulora::ui {
namespace {

using winui::ControlKind;
using winui::ControlSpec;
using winui::PanelItem;

constexpr int kClientWidth = 446;
constexpr int kClientHeight = 374;
constexpr int kCentrePanelLeft = 48;
constexpr int kCentrePanelTop = 42;
constexpr SIZE kLogoSize{344, 105};
constexpr SIZE kCatSize{320, 214};
constexpr int kIconSize = 32;
constexpr int kArrowSize = 16;

enum Fonts { kWindowFont, kLargeFont, kLinkFont };
const winui::FontSpec kFonts[] = {{L"Tahoma", 11}, {L"Tahoma", 16}, {L"MS Sans Serif", 11, FW_NORMAL, true}};

// PicturePanel comes after CentrePanel, so it lies behind it.
const ControlSpec kControls[] = {
    {AboutBox::CentrePanel,
     ControlKind::Panel,
     L"",
     {kCentrePanelLeft, kCentrePanelTop, 350, 291},
     kWindowFont,
     WS_CLIPSIBLINGS},
    {AboutBox::PicturePanel, ControlKind::Panel, L"", {61, 77, 324, 220}, kWindowFont, WS_CLIPSIBLINGS},
    {AboutBox::OkButton,
     ControlKind::Button,
     L"OK",
     {49, 224, 122, 33},
     kLargeFont,
     BS_OWNERDRAW,
     AboutBox::CentrePanel},
    {AboutBox::InfoButton,
     ControlKind::Button,
     L"Info",
     {177, 224, 122, 33},
     kLargeFont,
     BS_OWNERDRAW,
     AboutBox::CentrePanel},
    {AboutBox::SiteLink,
     ControlKind::Label,
     L"",
     {0, 270, 350, 16},
     kLinkFont,
     SS_OWNERDRAW | SS_NOTIFY,
     AboutBox::CentrePanel},
};

const winui::MenuItemSpec kInfoMenu[] = {
    {AboutBox::AcknowledgementsCommand, L"Acknowledgements..."},
    {AboutBox::UninstallHelpCommand, L"How to uninstall..."},
    {AboutBox::LicenseCommand, L"License..."},
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

SIZE OuterSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

const MatrixRain& AboutBox::Rain() { return SharedRain(); }

AboutBox::AboutBox(HWND owner, const AppIdentity& app, const MakerSite& site) : app_(app), site_(site) {
    infoMenu_.Reset(winui::BuildPopupMenu(kInfoMenu));
    CreateFrame({L"TabuloraAboutBox",
                 WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                 WS_EX_TOOLWINDOW,
                 {kClientWidth, kClientHeight},
                 owner});
    CreateControls(kFonts, kControls);
    SetUp();
}

void AboutBox::SetUp() {
    SharedRain().MatrixChars = u"brm";
    StartRain();
    SetWindowTextW(Handle(), winui::Utf8ToWide("About " + app_.product).c_str());
    SetWindowTextW(Control(SiteLink), winui::Utf8ToWide(site_.Host()).c_str());
    winui::MakeKeyboardLink(Control(SiteLink));
    ApplyColours();
    DescribeControls();
    for (int button : {OkButton, InfoButton}) winui::CloseModalOnEscape(Control(button), Handle());
    RenderPictures();  // also draws the icon, the name and version, and the link

    // The hidden picture waits behind CentrePanel, centred in the window.
    HWND picturePanel = Control(PicturePanel);
    RECT client{};
    GetClientRect(Handle(), &client);
    SetWindowPos(picturePanel, HWND_BOTTOM, (client.right - Scale(324)) / 2, (client.bottom - Scale(220)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(picturePanel, SW_HIDE);
    slide_ = PanelSlide(Scale(kCentrePanelLeft));

    linkTooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                   Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    PlaceLinkTooltip();
}

void AboutBox::ShowModal() { winui::ShowModal(Handle(), Control(OkButton)); }

void AboutBox::Close() { winui::CloseModal(Handle()); }

int AboutBox::ClientWidth() const {
    RECT client{};
    GetClientRect(Handle(), &client);
    return client.right;
}

// ---- Pictures and texts

void AboutBox::RenderPictures() {
    logo_ = winui::RenderPicture(L"IMG_LOGO", kLogoSize, {Scale(kLogoSize.cx), Scale(kLogoSize.cy)});
    coveredPicture_ = winui::RenderPicture(L"IMG_CAT", kCatSize, {Scale(kCatSize.cx), Scale(kCatSize.cy)});
    PlacePanelItems();
}

void AboutBox::PlacePanelItems() {
    appIcon_ = winui::LoadIconAtSize(L"MAINICON", Scale(kIconSize));
    arrowIcon_ = winui::LoadIconAtSize(L"IMG_ARROW", Scale(kArrowSize));
    auto at = [this](int x, int y, int width, int height) {
        return RECT{Scale(x), Scale(y), Scale(x + width), Scale(y + height)};
    };

    PanelItem backdrop{Logo, PanelItem::Kind::Fill, at(0, 0, 350, kLogoSize.cy + 6)};
    backdrop.colour = colours_.logoBackdrop;
    PanelItem logo{Logo, PanelItem::Kind::Picture, at(3, 3, kLogoSize.cx, kLogoSize.cy)};
    logo.picture = logo_.Get();
    PanelItem frame{IconFrame, PanelItem::Kind::Frame, at(9, 122, 34, 34)};
    PanelItem icon{AppIcon, PanelItem::Kind::Icon, at(10, 123, kIconSize, kIconSize)};
    icon.icon = appIcon_.Get();
    PanelItem name{NameAndVersion, PanelItem::Kind::Text, at(49, 122, 290, 40)};
    name.text = winui::Utf8ToWide(app_.product + " " + app_.version);
    name.font = Font(kLargeFont);
    name.colour = colours_.text;
    winui::SetPanelItems(Control(CentrePanel), {backdrop, logo, frame, icon, name});

    PanelItem covered{CoveredPicture, PanelItem::Kind::Picture, at(2, 3, kCatSize.cx, kCatSize.cy)};
    covered.picture = coveredPicture_.Get();
    winui::SetPanelItems(Control(PicturePanel), {covered});
    InvalidateRect(Control(InfoButton), nullptr, TRUE);
}

void AboutBox::PlaceLinkTooltip() {
    if (!linkTooltip_) return;
    linkAddress_ = winui::Utf8ToWide(site_.HomePage());
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(Control(SiteLink));
    tool.lpszText = linkAddress_.data();
    SendMessageW(linkTooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(linkTooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void AboutBox::LayoutControls() {
    Window::LayoutControls();
    // A panel that has slid away stays where the slide put it.
    if (slide_.Phase() != SlidePhase::Normal) MoveCentrePanel(slide_.PanelLeft());
}

// ---- Colours and what screen readers hear

void AboutBox::ApplyColours() {
    colours_ = AboutBoxPalette(winui::HighContrastOn(), CurrentSystemColour);
    for (int panel : {CentrePanel, PicturePanel})
        winui::SetPanelLook(Control(panel), {colours_.panel, colours_.text, winui::Bevel::None});
    for (int control : {OkButton, InfoButton, SiteLink}) InvalidateRect(Control(control), nullptr, TRUE);
}

void AboutBox::AfterColoursChange() {
    ApplyColours();
    PlacePanelItems();  // the name and version take the new text colour
}

void AboutBox::DescribeControls() {
    // The centre panel is spoken as the group it is, named by the product and version it shows.
    Describe(CentrePanel, {.name = [this] { return winui::Utf8ToWide(app_.product + " " + app_.version); },
                           .role = ROLE_SYSTEM_GROUPING});
    Describe(PicturePanel, {.name = [] { return std::wstring(L"Hidden picture"); }, .role = ROLE_SYSTEM_GRAPHIC});
    // "Info" opens a menu.
    Describe(InfoButton, {.role = ROLE_SYSTEM_BUTTONMENU, .extraStates = [] { return STATE_SYSTEM_HASPOPUP; }});
}

void AboutBox::AfterDpiChange() {
    if (slide_.Phase() == SlidePhase::Normal) slide_ = PanelSlide(Scale(kCentrePanelLeft));
    RenderPictures();
    PlaceLinkTooltip();
}

// ---- Character rain

void AboutBox::StartRain() {
    rainFont_ = CreateRainFont();
    const SIZE outer = OuterSize(Handle());
    ClientAreaCanvas canvas(Handle(), rainFont_.Get());
    SharedRain().StartMatrix(canvas, SharedRandom(), outer.cx, outer.cy);
    rainStarted_ = true;
    SetTimer(Handle(), kRainTimer, kRainInterval, nullptr);
}

void AboutBox::RestartRainGrid() {
    if (!rainStarted_) return;  // sizes set while the window is being made
    const SIZE outer = OuterSize(Handle());
    ClientAreaCanvas canvas(Handle(), rainFont_.Get());
    SharedRain().SetupMatrix(canvas, SharedRandom(), outer.cx, outer.cy);
}

void AboutBox::AdvanceRain() {
    ClientAreaCanvas canvas(Handle(), rainFont_.Get());
    SharedRain().UpdateMatrix(canvas, SharedRandom());
}

void AboutBox::PaintBlack() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(Handle(), &paint);
    RECT client{};
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(Handle(), &paint);
}

// ---- Hidden picture

void AboutBox::MoveCentrePanel(int left) {
    HWND panel = Control(CentrePanel);
    RECT rect{};
    GetWindowRect(panel, &rect);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(panel, nullptr, left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutBox::RevealPicture() {
    if (slide_.TimerRunning()) return;
    slide_.IconDoubleClicked();
    ShowWindow(Control(PicturePanel), SW_SHOWNA);
    SetTimer(Handle(), kSlideTimer, kSlideInterval, nullptr);
}

void AboutBox::SlidePanel() {
    slide_.TimerTick(ClientWidth());
    MoveCentrePanel(slide_.PanelLeft());
    if (!slide_.TimerRunning()) KillTimer(Handle(), kSlideTimer);
}

void AboutBox::CoverPicture() {
    if (slide_.TimerRunning()) return;
    RECT panel{};
    GetWindowRect(Control(CentrePanel), &panel);
    slide_.PictureDoubleClicked(ClientWidth(), panel.right - panel.left);
    ShowWindow(Control(PicturePanel), SW_HIDE);
    MoveCentrePanel(slide_.PanelLeft());
}

// ---- Window dragging

void AboutBox::BeginDrag(UINT button, POINT screen) {
    if (button != MK_RBUTTON) drag_.Begin(screen);
}

void AboutBox::OnWindowMouse(UINT message, LPARAM lParam) {
    POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(Handle(), &screen);
    switch (message) {
    case WM_MOUSEMOVE: drag_.MoveTo(Handle(), screen); return;
    case WM_LBUTTONDOWN:
        SetCapture(Handle());
        BeginDrag(MK_LBUTTON, screen);
        return;
    case WM_MBUTTONDOWN:
        SetCapture(Handle());
        BeginDrag(MK_MBUTTON, screen);
        return;
    case WM_RBUTTONDOWN: BeginDrag(MK_RBUTTON, screen); return;
    default:  // a button went up
        if (GetCapture() == Handle()) ReleaseCapture();
        drag_.End();
        return;
    }
}

void AboutBox::OnPanelNotice(const winui::PanelNotice& notice) {
    using Event = winui::PanelNotice::Event;
    switch (notice.event) {
    case Event::MouseDown: BeginDrag(notice.button, notice.screen); break;
    case Event::MouseMove: drag_.MoveTo(Handle(), notice.screen); break;
    case Event::MouseUp: drag_.End(); break;
    case Event::Click:
    case Event::Key: break;
    case Event::DoubleClick:
        if (notice.panelId == CentrePanel && notice.itemId == AppIcon) RevealPicture();
        if (notice.panelId == PicturePanel && notice.itemId == CoveredPicture) CoverPicture();
        break;
    }
}

// ---- Info menu and links

void AboutBox::ShowInfoMenu() { RunCommand(winui::DropDownMenu(Control(InfoButton), InfoMenu())); }

void AboutBox::OpenMakerSite() { winui::OpenInBrowser(site_.HomePage()); }

void AboutBox::OpenAcknowledgements() { winui::OpenInBrowser(site_.AcknowledgementsPage()); }

void AboutBox::OpenUninstallHelp() { winui::OpenInBrowser(site_.UninstallHelpPage()); }

void AboutBox::OpenLicense() {
    const std::wstring path = winui::ProgramFolder() + L"license.txt";
    if (!winui::FileExists(path)) {
        winui::ShowMessage(Handle(), L"File not found!", L"License", MB_ICONERROR);
        return;
    }
    winui::Effects().OpenWithShell(Handle(), L"", L"notepad.exe", path, SW_SHOWNORMAL);
}

void AboutBox::RunCommand(UINT id) {
    switch (id) {
    case AcknowledgementsCommand: OpenAcknowledgements(); break;
    case UninstallHelpCommand: OpenUninstallHelp(); break;
    case LicenseCommand: OpenLicense(); break;
    default: break;
    }
}

// ---- Messages

LRESULT AboutBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == OkButton) Close();
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == InfoButton) ShowInfoMenu();
        if (HIWORD(wParam) == STN_CLICKED && LOWORD(wParam) == SiteLink) OpenMakerSite();
        return 0;  // Escape elsewhere than on a button does nothing
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID == SiteLink) {
            winui::DrawWrappedCentredText(item, Font(kLinkFont), colours_.link, colours_.panel);
            return TRUE;
        }
        const bool info = item.CtlID == InfoButton;
        winui::DrawFlatButton(item, {colours_.buttonFace, colours_.pressedButtonFace, colours_.buttonBorder,
                                     colours_.buttonText, colours_.pressedButtonText, Font(kLargeFont),
                                     info && !colours_.drawnShapes ? arrowIcon_.Get() : nullptr, Scale(kArrowSize),
                                     info && colours_.drawnShapes});
        return TRUE;
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == Control(SiteLink) && LOWORD(lParam) == HTCLIENT &&
            !winui::ApplyBusyCursor()) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case winui::kPanelNotice: OnPanelNotice(*reinterpret_cast<const winui::PanelNotice*>(lParam)); return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP: OnWindowMouse(message, lParam); return 0;
    case WM_TIMER:
        if (wParam == kRainTimer) AdvanceRain();
        if (wParam == kSlideTimer) SlidePanel();
        return 0;
    case WM_ERASEBKGND: return 1;  // PaintBlack covers everything in black
    case WM_PAINT: PaintBlack(); return 0;
    case WM_SIZE: RestartRainGrid(); break;
    case WM_CLOSE: Close(); return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace tabulora::ui
