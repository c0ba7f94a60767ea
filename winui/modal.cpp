#include "winui/modal.h"

#include "winui/key_hooks.h"

namespace winui {

void ShowModal(HWND window, HWND focus) {
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    if (focus) SetFocus(focus);

    MSG message{};
    bool quit = false;
    while (IsWindow(window)) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (owner) EnableWindow(owner, TRUE);  // also when the loop ended by WM_QUIT
    if (quit) PostQuitMessage(static_cast<int>(message.wParam));
}

void CloseModal(HWND window) {
    // Re-enabled first, so the owner becomes the active window again when this one goes.
    if (HWND owner = GetWindow(window, GW_OWNER)) EnableWindow(owner, TRUE);
    DestroyWindow(window);
}

void CloseModalOnEscape(HWND control, HWND window) {
    HookKeyDown(control, [window](WPARAM key) {
        if (key != VK_ESCAPE) return false;
        CloseModal(window);
        return true;
    });
}

}  // namespace winui
