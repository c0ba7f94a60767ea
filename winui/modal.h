#pragma once
#include <windows.h>

namespace winui {

// Shows `window` and runs its modal loop: the window's owner takes no input meanwhile. Returns
// once the window is destroyed (see CloseModal); a WM_QUIT seen on the way is passed on to the
// outer loop.
void ShowModal(HWND window, HWND focus);

// Ends the modal loop of `window`: gives the owner its input back, then destroys the window.
void CloseModal(HWND window);

// Escape pressed while `control` has the focus closes the modal `window`.
void CloseModalOnEscape(HWND control, HWND window);

}  // namespace winui
