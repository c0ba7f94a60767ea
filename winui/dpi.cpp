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

UINT SystemFrameDpi(HWND window) {
    UINT dpi = window ? GetDpiForWindow(window) : GetDpiForSystem();
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

SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD exStyle, bool hasMenu, UINT frameDpi) {
    RECT rect{0, 0, client.cx, client.cy};
    AdjustWindowRectExForDpi(&rect, style, hasMenu, exStyle, frameDpi);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

POINT CentredOnScreen(SIZE size, HWND neighbour) {
    HMONITOR monitor = neighbour ? MonitorFromWindow(neighbour, MONITOR_DEFAULTTONEAREST)
                                 : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    const RECT& area = info.rcWork;
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
