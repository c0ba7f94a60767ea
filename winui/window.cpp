#include "winui/window.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "engine/utf.h"
#include "platform/win32_error.h"
#include "winui/busy_cursor.h"
#include "winui/dpi.h"
#include "winui/messages.h"
#include "winui/panel.h"
#include "winui/text.h"
#include "winui/title_bar.h"

namespace winui {
namespace {

void RegisterWindowClass(const wchar_t* className, const wchar_t* iconName, WNDPROC windowProc) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, className, &existing)) return;

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    if (iconName) {
        windowClass.hIcon = LoadIconW(instance, iconName);
        windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, iconName, IMAGE_ICON,
                                                            GetSystemMetrics(SM_CXSMICON),
                                                            GetSystemMetrics(SM_CYSMICON), 0));
    }
    RegisterClassExW(&windowClass);
}

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Button: return {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::CheckBox: return {WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ControlKind::RadioButton: return {WC_BUTTONW, BS_AUTORADIOBUTTON, 0};
    case ControlKind::Label: return {WC_STATICW, SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::Edit: return {WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::StatusBar: return {STATUSCLASSNAMEW, 0, 0};
    case ControlKind::Panel: return {RegisterPanelClass(), 0, WS_EX_CONTROLPARENT};
    case ControlKind::Memo:
        return {WC_EDITW, ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Link: return {WC_LINK, WS_TABSTOP, 0};
    case ControlKind::ListView: return {WC_LISTVIEWW, LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::ComboBox: return {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::ProgressBar: return {PROGRESS_CLASSW, 0, 0};
    case ControlKind::KeyLabel: return {WC_STATICW, SS_LEFT, 0};
    }
    return {WC_STATICW, 0, 0};
}

// A window the program cannot make leaves it without its user interface: the error reaches the
// unhandled-error box of whoever asked for the window.
[[noreturn]] void FailedToCreate(const wchar_t* className) {
    throw std::runtime_error("Cannot create a window of class " + tabulora::WideToUtf8(className) + ". " +
                             tabulora::Win32ErrorText(GetLastError()));
}

bool IsChecked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A SysLink's caption marks its link with <a>...</a>; the name is the text without the marks.
std::wstring WithoutMarkup(const std::wstring& text) {
    std::wstring plain;
    bool inTag = false;
    for (wchar_t c : text) {
        if (c == L'<') inTag = true;
        if (!inTag) plain += c;
        if (c == L'>') inTag = false;
    }
    return plain;
}

// What every control of a kind tells a screen reader. The system's standard objects say the
// same of standard controls on Windows; saying it here keeps it so wherever the standard object
// is plainer.
AccessibleDescription KindDescription(ControlKind kind, HWND control) {
    AccessibleDescription description;
    switch (kind) {
    case ControlKind::Button: description.role = ROLE_SYSTEM_PUSHBUTTON; break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        description.role = kind == ControlKind::CheckBox ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_RADIOBUTTON;
        description.extraStates = [control] { return IsChecked(control) ? STATE_SYSTEM_CHECKED : 0L; };
        break;
    case ControlKind::Label: description.role = ROLE_SYSTEM_STATICTEXT; break;
    case ControlKind::Edit:
    case ControlKind::Memo:
        description.role = ROLE_SYSTEM_TEXT;
        description.name = [control] { return LabelBefore(control); };
        description.value = [control] { return WindowText(control); };
        break;
    case ControlKind::StatusBar: description.role = ROLE_SYSTEM_STATUSBAR; break;
    case ControlKind::Link:
        description.role = ROLE_SYSTEM_LINK;
        description.name = [control] { return WithoutMarkup(WindowText(control)); };
        break;
    case ControlKind::Panel: break;  // each window says what its panels are
    case ControlKind::KeyLabel: description.role = ROLE_SYSTEM_STATICTEXT; break;
    // Named by the label before them, as Windows names an edit box.
    case ControlKind::ListView:
    case ControlKind::ComboBox:
    case ControlKind::ProgressBar:
        description.role = kind == ControlKind::ListView   ? ROLE_SYSTEM_LIST
                           : kind == ControlKind::ComboBox ? ROLE_SYSTEM_COMBOBOX
                                                           : ROLE_SYSTEM_PROGRESSBAR;
        description.name = [control] { return LabelBefore(control); };
        break;
    }
    return description;
}

}  // namespace

void InitCommonControls6() {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
}

Window::~Window() {
    if (hwnd_) DestroyWindow(hwnd_);
}

int Window::Scale(int value96) const { return winui::Scale(value96, dpi_); }

HWND Window::Control(int id) const {
    for (const ControlSpec& item : controls_) {
        if (item.id == id && item.parent != 0) return GetDlgItem(Control(item.parent), id);
    }
    return GetDlgItem(hwnd_, id);
}

void Window::CreateFrame(const FrameSpec& frame) {
    RegisterWindowClass(frame.className, frame.iconName, WindowProc);
    menu_.Reset(frame.menu);
    client96_ = frame.client96;
    dpi_ = DpiForNewWindows();
    SIZE size = WindowSizeForClient({Scale(client96_.cx), Scale(client96_.cy)}, frame.style, frame.exStyle,
                                    frame.menu != nullptr, SystemFrameDpi(nullptr));
    POINT origin = CentredOnScreen(size, frame.owner);
    if (!CreateWindowExW(frame.exStyle, frame.className, L"", frame.style, origin.x, origin.y, size.cx, size.cy,
                         frame.owner, frame.menu, GetModuleHandleW(nullptr), this)) {
        FailedToCreate(frame.className);
    }
    ApplyTitleBarTheme(hwnd_);  // before the window is first shown
}

void Window::CentreOnScreen(HWND neighbour) {
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    const SIZE size = FittedToWorkArea({rect.right - rect.left, rect.bottom - rect.top});
    POINT origin = CentredOnScreen(size, neighbour ? neighbour : hwnd_);
    SetWindowPos(hwnd_, nullptr, origin.x, origin.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE Window::FittedToWorkArea(SIZE size) const {
    if (!(GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_THICKFRAME)) return size;
    const RECT area = WorkAreaNear(hwnd_);
    return {size.cx, std::min(size.cy, area.bottom - area.top)};
}

void Window::CreateFonts() {
    fonts_.clear();
    for (const FontSpec& font : fontSpecs_) {
        fonts_.emplace_back(CreateUiFont(font.face, font.pixels96, dpi_, font.weight, font.underline));
    }
}

void Window::CreateControls(std::span<const FontSpec> fonts, std::span<const ControlSpec> controls) {
    fontSpecs_.assign(fonts.begin(), fonts.end());
    controls_.assign(controls.begin(), controls.end());
    CreateFonts();
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font(0)), FALSE);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const ControlSpec& item : controls_) {
        ControlClass control = ClassOf(item.kind);
        HWND parent = item.parent != 0 ? Control(item.parent) : hwnd_;
        HWND child = CreateWindowExW(control.exStyle, control.name, item.caption,
                                     WS_CHILD | WS_VISIBLE | control.style | item.extraStyle, 0, 0, 0, 0, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance, nullptr);
        if (!child) FailedToCreate(control.name);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(Font(item.font)), FALSE);
        if (item.kind != ControlKind::Panel) DescribeForAccessibility(child, KindDescription(item.kind, child));
    }
    LayoutControls();
}

void Window::Describe(int id, AccessibleDescription description) {
    const HWND control = Control(id);
    for (const ControlSpec& item : controls_) {
        if (item.id != id) continue;
        AccessibleDescription standard = KindDescription(item.kind, control);
        if (!description.name) description.name = std::move(standard.name);
        if (description.role == 0) description.role = standard.role;
        if (!description.value) description.value = std::move(standard.value);
        if (standard.extraStates) {
            description.extraStates = [own = std::move(description.extraStates),
                                       kind = std::move(standard.extraStates)] { return kind() | (own ? own() : 0L); };
        }
        break;
    }
    DescribeForAccessibility(control, std::move(description));
}

// The focus goes back where it was when the window is activated again, as in a dialog box; the
// first control of the tab order has it when the window is activated the first time.
void Window::RememberFocus() {
    const HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
}

void Window::RestoreFocus() {
    HWND target = lastFocus_;
    if (!target || !IsWindow(target) || !IsChild(hwnd_, target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target)) {
        target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    }
    SetFocus(target ? target : hwnd_);
}

void Window::OnColoursChanged() {
    // Common controls learn of a new colour only from their top-level window.
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    }
    AfterColoursChange();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void Window::LayoutControls() {
    if (IsIconic(hwnd_)) return;
    // What a resizable window has beyond the client area it was laid out for, or lacks of its
    // height on a screen too low for it (FittedToWorkArea): the controls that grow give it up, and
    // those below them move up.
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int extraWidth = std::max(0, static_cast<int>(client.right) - Scale(client96_.cx));
    const int extraHeight = static_cast<int>(client.bottom) - Scale(client96_.cy);
    for (const ControlSpec& item : controls_) {
        if (item.kind == ControlKind::StatusBar) {
            SendMessageW(Control(item.id), WM_SIZE, 0, 0);  // docks itself at the bottom
            continue;
        }
        const bool top = item.parent == 0;  // anchors follow the window, not a panel
        const unsigned anchors = top ? item.anchors : 0;
        const int x = Scale(item.bounds.x) + (anchors & kMoveRight ? extraWidth : 0);
        const int y = Scale(item.bounds.y) + (anchors & kMoveDown ? extraHeight : 0);
        const int width = Scale(item.bounds.width) + (anchors & kGrowWidth ? extraWidth : 0);
        const int height = std::max(0, Scale(item.bounds.height) + (anchors & kGrowHeight ? extraHeight : 0));
        SetWindowPos(Control(item.id), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

SIZE Window::BaseClientSize() const { return {Scale(client96_.cx), Scale(client96_.cy)}; }

void Window::ResizeToClient() {
    auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
    auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
    const SIZE size = FittedToWorkArea(WindowSizeForClient({Scale(client96_.cx), Scale(client96_.cy)}, style, exStyle,
                                                           GetMenu(hwnd_) != nullptr, SystemFrameDpi(hwnd_)));
    SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = DpiOverride() ? DpiOverride() : dpi;
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ResizeToClient();
    CreateFonts();
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font(0)), FALSE);
    for (const ControlSpec& item : controls_) {
        SendMessageW(Control(item.id), WM_SETFONT, reinterpret_cast<WPARAM>(Font(item.font)), TRUE);
    }
    LayoutControls();
    AfterDpiChange();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETCURSOR:
        if (ApplyBusyCursor()) return TRUE;
        break;
    case WM_DPICHANGED: OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_NEXTDLGCTL: {
        // What the dialog manager asks of a dialog when an access key of a label moves the focus
        // on to the control after it; DefWindowProc leaves it undone.
        HWND target = reinterpret_cast<HWND>(wParam);
        if (!LOWORD(lParam)) target = GetNextDlgTabItem(hwnd_, GetFocus(), wParam != 0);
        if (target) SetFocus(target);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            RememberFocus();
        } else if (!HIWORD(wParam)) {  // not minimised
            RestoreFocus();
        }
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->menu_.Release();  // destroyed with the window
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // Here rather than in HandleMessage, so that no window can miss a switch of the theme.
    if (message == WM_SETTINGCHANGE) FollowThemeChange(hwnd, lParam);
    if (message == WM_SYSCOLORCHANGE || (message == WM_SETTINGCHANGE && wParam == SPI_SETHIGHCONTRAST)) {
        self->OnColoursChanged();
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        ShowUnhandledError(error.what());
    } catch (...) {
        ShowUnhandledError("Unknown error");
    }
    return 0;
}

}  // namespace winui
