#include "winui/key_hooks.h"

#include <commctrl.h>

namespace winui {
namespace {

constexpr UINT_PTR kSubclassId = 0x4B45;  // one key hook per control

struct KeyHook {
    std::function<bool(WPARAM)> handler;
    bool running = false;
    bool controlGone = false;  // the handler destroyed the control (closing its window)
};

LRESULT CALLBACK KeyHookProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* hook = reinterpret_cast<KeyHook*>(data);
    switch (message) {
    case WM_GETDLGCODE: {
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        LRESULT code = DefSubclassProc(control, message, wParam, lParam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_ESCAPE) code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN: {
        hook->running = true;
        const bool taken = hook->handler(wParam);
        hook->running = false;
        if (hook->controlGone) {
            delete hook;
            return 0;
        }
        if (taken) return 0;
        break;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(control, KeyHookProc, kSubclassId);
        if (hook->running) {
            hook->controlGone = true;  // freed when the handler returns
        } else {
            delete hook;
        }
        break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

constexpr UINT_PTR kTabSubclassId = 0x5442;

bool CtrlDown() { return (GetKeyState(VK_CONTROL) & 0x8000) != 0; }

LRESULT CALLBACK TabLeavesProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR typedTab) {
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code = DefSubclassProc(edit, message, wParam, lParam);
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && (pending->message == WM_KEYDOWN || pending->message == WM_CHAR) && pending->wParam == VK_TAB &&
            !CtrlDown()) {
            code &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
        }
        return code;
    }
    case WM_KEYDOWN:
        if (wParam == VK_TAB && CtrlDown()) {
            SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\t"));
            SetWindowSubclass(edit, TabLeavesProc, kTabSubclassId, 1);  // its WM_CHAR, if any, is not typed again
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\t' && typedTab) {
            SetWindowSubclass(edit, TabLeavesProc, kTabSubclassId, 0);
            return 0;
        }
        SetWindowSubclass(edit, TabLeavesProc, kTabSubclassId, 0);
        break;
    case WM_NCDESTROY: RemoveWindowSubclass(edit, TabLeavesProc, kTabSubclassId); break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

void LetTabLeave(HWND multiLineEdit) { SetWindowSubclass(multiLineEdit, TabLeavesProc, kTabSubclassId, 0); }

void HookKeyDown(HWND control, std::function<bool(WPARAM key)> onKeyDown) {
    auto* hook = new KeyHook{std::move(onKeyDown)};
    if (!SetWindowSubclass(control, KeyHookProc, kSubclassId, reinterpret_cast<DWORD_PTR>(hook))) delete hook;
}

}  // namespace winui
