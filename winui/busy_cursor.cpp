#include "winui/busy_cursor.h"

namespace winui {
namespace {

int busyDepth = 0;
int pausedDepth = 0;

void ShowCurrent() {
    SetCursor(LoadCursorW(nullptr, CurrentScreenCursor() == ScreenCursor::AppStarting ? IDC_APPSTARTING : IDC_ARROW));
}

}  // namespace

ScreenCursor CurrentScreenCursor() {
    return busyDepth > 0 && pausedDepth == 0 ? ScreenCursor::AppStarting : ScreenCursor::Default;
}

bool ApplyBusyCursor() {
    if (CurrentScreenCursor() != ScreenCursor::AppStarting) return false;
    ShowCurrent();
    return true;
}

BusyCursor::BusyCursor() {
    ++busyDepth;
    ShowCurrent();
}

BusyCursor::~BusyCursor() {
    --busyDepth;
    ShowCurrent();
}

DefaultCursorWhile::DefaultCursorWhile() {
    ++pausedDepth;
    ShowCurrent();
}

DefaultCursorWhile::~DefaultCursorWhile() {
    --pausedDepth;
    ShowCurrent();
}

}  // namespace winui
