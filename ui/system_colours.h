#pragma once
#include <windows.h>

#include "ui/palette.h"

namespace tabulora::ui {

// The COLOR_... index of a system colour of the palettes.
inline int SystemColourIndex(SystemColour colour) {
    switch (colour) {
    case SystemColour::Window: return COLOR_WINDOW;
    case SystemColour::WindowText: return COLOR_WINDOWTEXT;
    case SystemColour::ButtonFace: return COLOR_BTNFACE;
    case SystemColour::ButtonText: return COLOR_BTNTEXT;
    case SystemColour::Highlight: return COLOR_HIGHLIGHT;
    case SystemColour::HighlightText: return COLOR_HIGHLIGHTTEXT;
    case SystemColour::HotLight: return COLOR_HOTLIGHT;
    case SystemColour::MenuHighlight: return COLOR_MENUHILIGHT;
    }
    return COLOR_WINDOWTEXT;
}

inline Colour CurrentSystemColour(SystemColour colour) { return GetSysColor(SystemColourIndex(colour)); }

}  // namespace tabulora::ui
