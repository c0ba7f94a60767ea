#pragma once
#include <windows.h>

#include <span>
#include <vector>

#include "winui/accessibility.h"
#include "winui/handles.h"

namespace winui {

// Registers the common controls (v6) the windows use; call once at start.
void InitCommonControls6();

// Panel is the drawn container of winui/panel.h; Memo a multi-line edit with a vertical
// scroll bar that wraps its lines; Link a SysLink control (its caption marks the link with <a>);
// KeyLabel a label whose "&" marks the access key of the control after it, which takes the
// label's text as its accessible name; ListView a report-view list (winui/list_view.h); ComboBox a drop-down list to
// pick from (winui/combo_box.h; its height is that of the open list).
enum class ControlKind {
    Button,
    CheckBox,
    RadioButton,
    Label,
    Edit,
    StatusBar,
    Panel,
    Memo,
    Link,
    ListView,
    ComboBox,
    ProgressBar,
    KeyLabel
};

// How a control follows a resizable window whose client area is larger than the one it was laid
// out for: its left or top edge moves with the right or bottom edge of the window, and it grows
// with it.
enum Anchor : unsigned { kMoveRight = 1, kMoveDown = 2, kGrowWidth = 4, kGrowHeight = 8 };

struct Bounds96 {
    int x, y, width, height;
};

struct FontSpec {
    const wchar_t* face;
    int pixels96;
    int weight = FW_NORMAL;
    bool underline = false;
};

// One child control: created in table order, placed at `bounds` (96-DPI units, client
// coordinates of its parent) and given font number `font` of the window's font table. `parent`
// names a panel created earlier in the table; 0 is the window itself.
struct ControlSpec {
    int id;
    ControlKind kind;
    const wchar_t* caption;
    Bounds96 bounds;
    int font = 0;
    DWORD extraStyle = 0;
    int parent = 0;
    unsigned anchors = 0;  // Anchor flags
};

struct FrameSpec {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
    SIZE client96;
    HWND owner = nullptr;
    HMENU menu = nullptr;               // the window takes ownership
    const wchar_t* iconName = nullptr;  // class icon resource
};

// A top-level window whose messages go to one HandleMessage per class, with controls created
// from a table and everything sized in 96-DPI units scaled to the window's DPI. Errors thrown by
// a handler end the handler and reach the unhandled-error box.
class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return hwnd_; }
    // A control of the table, also one inside a panel.
    HWND Control(int id) const;
    UINT Dpi() const { return dpi_; }
    int Scale(int value96) const;
    HFONT Font(int index) const { return fonts_.at(static_cast<size_t>(index)).Get(); }

    // The client area the controls were laid out for, at the window's DPI: the smallest a
    // resizable window should be made.
    SIZE BaseClientSize() const;

    // Centres the window on the monitor nearest to `neighbour` (the primary one when null); a
    // resizable window taller than that monitor's work area is made to fit it first.
    void CentreOnScreen(HWND neighbour = nullptr);
    // `size` of a window, no taller than the work area of the window's monitor when the window is
    // resizable: the controls that grow in height then give up what the room lacks. (Screens are
    // wider than the layouts, and a row of controls cannot give up width without overlapping.)
    SIZE FittedToWorkArea(SIZE size) const;

    // Every control of the table speaks its kind's role (and, for edit boxes, the label before
    // it as its name); this adds to that what `description` sets.
    void Describe(int id, AccessibleDescription description);

protected:
    void CreateFrame(const FrameSpec& frame);
    // Sets the window's own font (index 0 of `fonts`) and creates the controls.
    void CreateControls(std::span<const FontSpec> fonts, std::span<const ControlSpec> controls);

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Places the controls; windows with docked parts extend it.
    virtual void LayoutControls();
    // After a DPI change has re-created the fonts and placed the controls.
    virtual void AfterDpiChange() {}
    // After the system colours or the high-contrast setting changed; the window is repainted
    // afterwards.
    virtual void AfterColoursChange() {}

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateFonts();
    void ResizeToClient();
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnColoursChanged();
    void RememberFocus();
    void RestoreFocus();

    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    SIZE client96_{};
    UniqueMenu menu_;
    std::vector<FontSpec> fontSpecs_;
    std::vector<UniqueFont> fonts_;
    std::vector<ControlSpec> controls_;
    HWND lastFocus_ = nullptr;  // the control that had the focus when the window was last left
};

}  // namespace winui
