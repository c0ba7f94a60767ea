#pragma once
#include <windows.h>

namespace winui {

// The window manager's attribute that draws a window's title bar dark (Windows 10 20H1 and
// later; earlier systems refuse it, and then the title bar stays as it is).
constexpr DWORD kImmersiveDarkModeAttribute = 20;

// dwmapi's DwmSetWindowAttribute, looked up at run time; null where the system has none.
struct TitleBarFunctions {
    HRESULT(WINAPI* setWindowAttribute)(HWND, DWORD, LPCVOID, DWORD) = nullptr;
};

// The functions in force: the system's unless a test has installed others.
const TitleBarFunctions& CurrentTitleBarFunctions();
// Installs `functions` (null restores the system's) and returns the previous installation.
const TitleBarFunctions* InstallTitleBarFunctions(const TitleBarFunctions* functions);

// Whether the user has chosen dark mode for apps: AppsUseLightTheme = 0 under
// HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize. Absent or unreadable: no.
bool AppsUseDarkMode();

// Draws the title bar of the top-level `window` dark or light as AppsUseDarkMode says. Every
// window of the program does this when it is made and when the user switches (FollowThemeChange).
void ApplyTitleBarTheme(HWND window);

// For WM_SETTINGCHANGE: re-applies the title bar when the change is the user's colour set
// ("ImmersiveColorSet"), and does nothing for other changes.
void FollowThemeChange(HWND window, LPARAM settingName);

// While it lives, every message box that the calling thread opens gets the same title bar as the
// program's windows.
class ThemedMessageBoxes {
public:
    ThemedMessageBoxes();
    ~ThemedMessageBoxes();
    ThemedMessageBoxes(const ThemedMessageBoxes&) = delete;
    ThemedMessageBoxes& operator=(const ThemedMessageBoxes&) = delete;

private:
    HHOOK hook_;
};

}  // namespace winui
