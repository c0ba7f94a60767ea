#include "winui/window_drag.h"

namespace winui {

void WindowDrag::Begin(POINT screen) {
    active_ = true;
    last_ = screen;
}

void WindowDrag::MoveTo(HWND window, POINT screen) {
    if (!active_) return;
    RECT rect{};
    GetWindowRect(window, &rect);
    SetWindowPos(window, nullptr, rect.left + screen.x - last_.x, rect.top + screen.y - last_.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    last_ = screen;
}

}  // namespace winui
