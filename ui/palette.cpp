#include "ui/palette.h"

namespace tabulora::ui {

AboutBoxColours AboutBoxPalette(bool highContrast, const SystemColours& system) {
    if (!highContrast) {
        constexpr Colour white = Rgb(255, 255, 255);
        return {Rgb(0, 0, 0), white, Rgb(24, 24, 24), Rgb(48, 48, 48), Rgb(96, 96, 96),
                white,        white, Rgb(0, 255, 0),  Rgb(0, 0, 0),    false};
    }
    return {
        system(SystemColour::Window),
        system(SystemColour::WindowText),
        system(SystemColour::ButtonFace),
        system(SystemColour::Highlight),
        system(SystemColour::ButtonText),
        system(SystemColour::ButtonText),
        system(SystemColour::HighlightText),
        system(SystemColour::HotLight),
        Rgb(0, 0, 0),
        true,
    };
}

SystemColour NoticeLinkColour(bool highContrast, bool underMouse) {
    if (underMouse) return SystemColour::MenuHighlight;
    return highContrast ? SystemColour::HotLight : SystemColour::WindowText;
}

}  // namespace tabulora::ui
