#pragma once
#include <windows.h>

namespace winui {

// Sizes are written in 96-DPI units and scaled to the window's DPI.
inline int Scale(int value96, UINT dpi) { return MulDiv(value96, static_cast<int>(dpi), 96); }

// The DPI to lay a window out for. The environment variable TABULORA_DPI (72 to 480), when set,
// replaces the monitor's DPI, so scaling can be exercised on a single-DPI display.
UINT DpiOverride();              // 0 when not set
UINT DpiForWindow(HWND window);  // the override, else the window's monitor DPI
UINT DpiForNewWindows();         // the override, else the system DPI

// The DPI functions of user32 that Windows 7 lacks, each null where the running system has none.
// They are looked up at run time so that the program starts on Windows 7 SP1 and later.
struct DpiFunctions {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;                                      // Windows 10 1607
    UINT(WINAPI* getDpiForSystem)() = nullptr;                                          // Windows 10 1607
    BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;  // Windows 10 1607
};

// The running system's DPI functions, looked up once.
const DpiFunctions& SystemDpiFunctions();

// The system DPI as the screen's device context reports it (96 when it reports nothing).
UINT ScreenDpi();

// The monitor DPI that Windows itself uses for the window frame (ignores the override). Without
// the per-window function (before Windows 10 1607) it is the system DPI of the screen.
UINT SystemFrameDpi(HWND window, const DpiFunctions& functions = SystemDpiFunctions());

// The outer size of a window with the given client size. Without the DPI-aware frame function
// the frame is measured for the system DPI, which is what Windows draws there.
SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD exStyle, bool hasMenu, UINT frameDpi,
                         const DpiFunctions& functions = SystemDpiFunctions());

// The work area of the monitor nearest to `neighbour` (the primary monitor when it is null).
RECT WorkAreaNear(HWND neighbour);

// Left-top corner that centres a window of `size` in the work area of the monitor nearest to
// `neighbour` (the primary monitor when `neighbour` is null).
POINT CentredOnScreen(SIZE size, HWND neighbour);

// A font of the given face with a character height of `pixels96` at 96 DPI.
HFONT CreateUiFont(const wchar_t* face, int pixels96, UINT dpi, int weight = FW_NORMAL, bool underline = false);

}  // namespace winui
