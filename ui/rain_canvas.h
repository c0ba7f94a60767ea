#pragma once
#include <windows.h>

#include "ui/matrix_rain.h"
#include "winui/handles.h"

namespace tabulora::ui {

// The character rain's canvas: the client area of a window, drawn on directly (child windows
// clipped out when the window has WS_CLIPCHILDREN). One instance per timer tick or set-up.
class ClientAreaCanvas final : public RainCanvas {
public:
    ClientAreaCanvas(HWND window, HFONT font);

    void FillBlack(int left, int top, int right, int bottom) override;
    void DrawChar(int x, int y, char16_t c, RainColour colour) override;

private:
    winui::WindowDc dc_;
    winui::ScopedSelect font_;
};

// The rain's font: a 12-pixel character cell, drawn without smoothing so every pixel of a
// character has exactly the drop's colour.
winui::UniqueFont CreateRainFont();

}  // namespace tabulora::ui
