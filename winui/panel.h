#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace winui {

// A panel that paints itself in the colours its window gives it, whatever the visual style:
// background, caption, a one-pixel outer bevel, and drawn items (pictures, icons, texts,
// frames). It is double-buffered, may hold child controls, and passes their notifications
// (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_CTLCOLOR*) on to its own parent.

enum class Bevel { None, Raised, Lowered };

struct PanelLook {
    COLORREF background;
    COLORREF text;
    Bevel bevel;
    friend bool operator==(const PanelLook&, const PanelLook&) = default;
};

// Something the panel draws at a rectangle of its client area (pixels).
struct PanelItem {
    enum class Kind { Picture, Icon, Text, Frame, Fill };  // Fill: the bounds in `colour`
    int id;
    Kind kind;
    RECT bounds{};
    HBITMAP picture = nullptr;  // 32-bit, premultiplied alpha; stretched to bounds
    HICON icon = nullptr;       // drawn at the size of bounds
    std::wstring text{};
    HFONT font = nullptr;
    COLORREF colour = 0;
    UINT textFormat = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;
    bool handCursor = false;  // over the item's text or picture
};

// Sent to the panel's parent for mouse activity on the panel (lParam: const PanelNotice*).
inline constexpr UINT kPanelNotice = WM_APP + 0x150;

struct PanelNotice {
    enum class Event { MouseDown, MouseMove, MouseUp, Click, DoubleClick, Key };
    HWND panel;
    int panelId;
    int itemId;  // the item under the mouse, 0 for the panel itself
    Event event;
    UINT button;   // MK_LBUTTON, MK_RBUTTON or MK_MBUTTON; 0 for moves
    POINT screen;  // the mouse in screen coordinates
    UINT key = 0;  // for Key: the virtual key pressed while the panel has the focus
};

// The window class name; registered on first use.
const wchar_t* RegisterPanelClass();

void SetPanelLook(HWND panel, const PanelLook& look);
PanelLook GetPanelLook(HWND panel);
// The caption is drawn centred over the whole panel in the panel's font (WM_SETFONT).
void SetPanelHandCursor(HWND panel, bool hand);
// A panel that takes the focus (and holds no controls): a left press gives it the focus, it shows a focus mark while it
// has it, and the arrow keys and Space pressed meanwhile reach its parent as Key notices
// instead of the window's dialog keys.
void SetPanelTakesFocus(HWND panel, bool takes);
// Replaces the drawn items; the caller keeps pictures, icons and fonts alive meanwhile.
void SetPanelItems(HWND panel, std::vector<PanelItem> items);
// The rectangle an item answers the mouse in: for a text, the text itself as drawn.
RECT PanelItemHitRect(HWND panel, int itemId);

}  // namespace winui
