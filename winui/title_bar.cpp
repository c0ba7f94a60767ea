#include "winui/title_bar.h"

#include <cwchar>

namespace winui {
namespace {

const TitleBarFunctions& SystemTitleBarFunctions() {
    static const TitleBarFunctions functions = [] {
        TitleBarFunctions found;
        // From the system folder only, loaded once and kept for the life of the process.
        wchar_t path[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length + 12 >= MAX_PATH) return found;
        std::wcscat(path, L"\\dwmapi.dll");
        if (HMODULE dwmapi = LoadLibraryW(path)) {
            found.setWindowAttribute = reinterpret_cast<decltype(found.setWindowAttribute)>(
                reinterpret_cast<void*>(GetProcAddress(dwmapi, "DwmSetWindowAttribute")));
        }
        return found;
    }();
    return functions;
}

const TitleBarFunctions* installed = nullptr;

LRESULT CALLBACK MessageBoxHook(int code, WPARAM wParam, LPARAM lParam) {
    // A message box is activated once, when it appears, before it is painted.
    if (code == HCBT_ACTIVATE) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (std::wcscmp(className, L"#32770") == 0) ApplyTitleBarTheme(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

const TitleBarFunctions& CurrentTitleBarFunctions() { return installed ? *installed : SystemTitleBarFunctions(); }

const TitleBarFunctions* InstallTitleBarFunctions(const TitleBarFunctions* functions) {
    const TitleBarFunctions* previous = installed;
    installed = functions;
    return previous;
}

bool AppsUseDarkMode() {
    DWORD light = 1;
    DWORD size = sizeof light;
    const LONG status = RegGetValueW(HKEY_CURRENT_USER,
                                     L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                                     L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &size);
    return status == ERROR_SUCCESS && light == 0;
}

void ApplyTitleBarTheme(HWND window) {
    const TitleBarFunctions& functions = CurrentTitleBarFunctions();
    if (!window || !functions.setWindowAttribute) return;
    // Also when light: a switch back from dark must reach windows drawn dark before. A system
    // without the attribute answers with an error, which changes nothing.
    const BOOL dark = AppsUseDarkMode() ? TRUE : FALSE;
    functions.setWindowAttribute(window, kImmersiveDarkModeAttribute, &dark, sizeof dark);
}

void FollowThemeChange(HWND window, LPARAM settingName) {
    const auto* name = reinterpret_cast<const wchar_t*>(settingName);
    if (name && std::wcscmp(name, L"ImmersiveColorSet") == 0) ApplyTitleBarTheme(window);
}

ThemedMessageBoxes::ThemedMessageBoxes()
    : hook_(SetWindowsHookExW(WH_CBT, MessageBoxHook, nullptr, GetCurrentThreadId())) {}

ThemedMessageBoxes::~ThemedMessageBoxes() {
    if (hook_) UnhookWindowsHookEx(hook_);
}

}  // namespace winui
