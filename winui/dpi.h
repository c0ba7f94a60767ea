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

// The monitor DPI that Windows itself uses for the window frame (ignores the override).
UINT SystemFrameDpi(HWND window);

// The outer size of a window with the given client size.
SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD exStyle, bool hasMenu, UINT frameDpi);

// Left-top corner that centres a window of `size` in the work area of the monitor nearest to
// `neighbour` (the primary monitor when `neighbour` is null).
POINT CentredOnScreen(SIZE size, HWND neighbour);

// A font of the given face with a character height of `pixels96` at 96 DPI.
HFONT CreateUiFont(const wchar_t* face, int pixels96, UINT dpi, int weight = FW_NORMAL, bool underline = false);

}  // namespace winui
