#include "winui/message_loop.h"

namespace winui {

int RunMessageLoop(HWND mainWindow, HACCEL accelerators) {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (root == mainWindow && accelerators && TranslateAcceleratorW(mainWindow, accelerators, &message)) continue;
        if (root && IsDialogMessageW(root, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace winui
