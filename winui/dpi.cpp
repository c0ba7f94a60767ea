#include "winui/dpi.h"

#include <cstdlib>
#include <cwchar>

namespace winui {

UINT DpiOverride() {
    static const UINT value = [] {
        const wchar_t* text = _wgetenv(L"TABULORA_DPI");
        if (!text) return 0u;
        long dpi = std::wcstol(text, nullptr, 10);
        return (dpi >= 72 && dpi <= 480) ? static_cast<UINT>(dpi) : 0u;
    }();
    return value;
}

namespace {

template <typename Function>
void LookUp(HMODULE module, const char* name, Function& function) {
    function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace

const DpiFunctions& SystemDpiFunctions() {
    static const DpiFunctions functions = [] {
        DpiFunctions found;
        const HMODULE user32 = GetModuleHandleW(L"user32.dll");
        LookUp(user32, "GetDpiForWindow", found.getDpiForWindow);
        LookUp(user32, "GetDpiForSystem", found.getDpiForSystem);
        LookUp(user32, "AdjustWindowRectExForDpi", found.adjustWindowRectExForDpi);
        return found;
    }();
    return functions;
}

UINT ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    if (!screen) return 96;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT SystemFrameDpi(HWND window, const DpiFunctions& functions) {
    UINT dpi = 0;
    if (window && functions.getDpiForWindow) {
        dpi = functions.getDpiForWindow(window);
    } else if (functions.getDpiForSystem) {
        dpi = functions.getDpiForSystem();
    } else {
        dpi = ScreenDpi();
    }
    return dpi ? dpi : 96;
}

UINT DpiForWindow(HWND window) {
    UINT forced = DpiOverride();
    return forced ? forced : SystemFrameDpi(window);
}

UINT DpiForNewWindows() {
    UINT forced = DpiOverride();
    return forced ? forced : SystemFrameDpi(nullptr);
}

SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD exStyle, bool hasMenu, UINT frameDpi,
                         const DpiFunctions& functions) {
    RECT rect{0, 0, client.cx, client.cy};
    if (functions.adjustWindowRectExForDpi) {
        functions.adjustWindowRectExForDpi(&rect, style, hasMenu, exStyle, frameDpi);
    } else {
        AdjustWindowRectEx(&rect, style, hasMenu, exStyle);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

RECT WorkAreaNear(HWND neighbour) {
    HMONITOR monitor = neighbour ? MonitorFromWindow(neighbour, MONITOR_DEFAULTTONEAREST)
                                 : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    return info.rcWork;
}

POINT CentredOnScreen(SIZE size, HWND neighbour) {
    const RECT area = WorkAreaNear(neighbour);
    return {area.left + (area.right - area.left - size.cx) / 2, area.top + (area.bottom - area.top - size.cy) / 2};
}

HFONT CreateUiFont(const wchar_t* face, int pixels96, UINT dpi, int weight, bool underline) {
    LOGFONTW font{};
    font.lfHeight = -Scale(pixels96, dpi);
    font.lfWeight = weight;
    font.lfUnderline = underline;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

}  // namespace winui
