#pragma once
#include <cstdint>
#include <functional>

namespace tabulora::ui {

// A colour as Windows keeps it: 0x00BBGGRR.
using Colour = uint32_t;

constexpr Colour Rgb(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<Colour>(red) | static_cast<Colour>(green) << 8 | static_cast<Colour>(blue) << 16;
}

// The system colours the painted controls may take.
enum class SystemColour {
    Window,
    WindowText,
    ButtonFace,
    ButtonText,
    Highlight,
    HighlightText,
    HotLight,
    MenuHighlight
};
using SystemColours = std::function<Colour(SystemColour)>;

// The about box's centre panel and what sits on it. Without high contrast it keeps its own look
// (black, white text, dark flat buttons, a lime link) under every visual style; with high
// contrast everything takes the theme's colours: the panel the window colours, the buttons the
// button colours (highlight while pressed), the link the hot-light colour.
struct AboutBoxColours {
    Colour panel;
    Colour text;
    Colour buttonFace;
    Colour pressedButtonFace;
    Colour buttonBorder;
    Colour buttonText;
    Colour pressedButtonText;
    Colour link;
    // Behind the logo, whose white lettering is made for a dark ground: the panel's black, and
    // black still under a high-contrast theme.
    Colour logoBackdrop;
    // Whether the pictures made for the dark panel (the arrow on "Info") give way to shapes
    // drawn in the text colour.
    bool drawnShapes;
    friend bool operator==(const AboutBoxColours&, const AboutBoxColours&) = default;
};
AboutBoxColours AboutBoxPalette(bool highContrast, const SystemColours& system);

// The new-version notice's link: the window-text colour, the menu-highlight colour while the
// mouse is over it; with high contrast the hot-light colour of links, the menu highlight under
// the mouse.
SystemColour NoticeLinkColour(bool highContrast, bool underMouse);

}  // namespace tabulora::ui
