#include "ui/rain_canvas.h"

#include <cwchar>

namespace tabulora::ui {

ClientAreaCanvas::ClientAreaCanvas(HWND window, HFONT font) : dc_(window), font_(dc_.Get(), font) {
    SetBkMode(dc_.Get(), OPAQUE);
    SetBkColor(dc_.Get(), RGB(0, 0, 0));
    SetTextAlign(dc_.Get(), TA_LEFT | TA_TOP | TA_NOUPDATECP);
}

void ClientAreaCanvas::FillBlack(int left, int top, int right, int bottom) {
    RECT cell{left, top, right, bottom};
    FillRect(dc_.Get(), &cell, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void ClientAreaCanvas::DrawChar(int x, int y, char16_t c, RainColour colour) {
    const wchar_t text = static_cast<wchar_t>(c);
    SetTextColor(dc_.Get(), RGB(colour.red, colour.green, colour.blue));
    TextOutW(dc_.Get(), x, y, &text, 1);
}

winui::UniqueFont CreateRainFont() {
    LOGFONTW font{};
    font.lfHeight = 12;  // positive: the height of the character cell
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = NONANTIALIASED_QUALITY;
    std::wcsncpy(font.lfFaceName, L"Tahoma", LF_FACESIZE - 1);
    return winui::UniqueFont(CreateFontIndirectW(&font));
}

}  // namespace tabulora::ui
