#pragma once
#include <windows.h>

namespace winui {

// Moves a window with the mouse: every move shifts it by the distance from the last point seen.
// Points are in screen coordinates.
class WindowDrag {
public:
    void Begin(POINT screen);
    // Does nothing unless a drag is under way.
    void MoveTo(HWND window, POINT screen);
    void End() { active_ = false; }
    bool Active() const { return active_; }

private:
    bool active_ = false;
    POINT last_{};
};

}  // namespace winui
