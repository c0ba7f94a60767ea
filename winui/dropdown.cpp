#include "winui/dropdown.h"

#include "winui/side_effects.h"

namespace winui {

HWND LastPopupButton = nullptr;
HMENU LastPopupMenu = nullptr;
uint32_t LastPopupTick = 0;

UINT DropDownMenu(HWND button, HMENU menu) {
    constexpr uint32_t kReopenGuardMs = 100;
    if (button == LastPopupButton && menu == LastPopupMenu && Effects().TickCount() - LastPopupTick < kReopenGuardMs) {
        LastPopupButton = nullptr;
        LastPopupMenu = nullptr;
        return 0;
    }
    RECT client{};
    GetClientRect(button, &client);
    POINT corner{0, client.bottom};
    ClientToScreen(button, &corner);
    UINT command = Effects().TrackMenu(menu, corner, GetAncestor(button, GA_ROOT));
    LastPopupTick = Effects().TickCount();
    LastPopupButton = button;
    LastPopupMenu = menu;
    return command;
}

}  // namespace winui
