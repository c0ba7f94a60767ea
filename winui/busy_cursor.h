#pragma once
#include <windows.h>

namespace winui {

// The cursor over every window of the program, like a screen-wide cursor setting: the arrow, or
// the arrow with a small hourglass while a long operation runs on the window thread.
enum class ScreenCursor { Default, AppStarting };

ScreenCursor CurrentScreenCursor();
// For WM_SETCURSOR: shows the busy cursor and returns true while it is in force.
bool ApplyBusyCursor();

// Shows the busy cursor for its lifetime; the default cursor comes back on every way out, once
// the outermost BusyCursor ends.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Inside a BusyCursor: the default cursor while a message is shown, then busy again.
class DefaultCursorWhile {
public:
    DefaultCursorWhile();
    ~DefaultCursorWhile();
    DefaultCursorWhile(const DefaultCursorWhile&) = delete;
    DefaultCursorWhile& operator=(const DefaultCursorWhile&) = delete;
};

}  // namespace winui
