#include "ui/palette.h"

#include <gtest/gtest.h>

#include <map>

namespace tabulora::ui {
namespace {

// A high-contrast theme whose colours are all different, so that a mix-up shows.
Colour ThemeColour(SystemColour colour) {
    static const std::map<SystemColour, Colour> theme = {
        {SystemColour::Window, Rgb(0, 0, 0)},         {SystemColour::WindowText, Rgb(255, 255, 255)},
        {SystemColour::ButtonFace, Rgb(10, 10, 10)},  {SystemColour::ButtonText, Rgb(250, 250, 250)},
        {SystemColour::Highlight, Rgb(26, 235, 255)}, {SystemColour::HighlightText, Rgb(1, 2, 3)},
        {SystemColour::HotLight, Rgb(255, 255, 0)},   {SystemColour::MenuHighlight, Rgb(0, 128, 255)},
    };
    return theme.at(colour);
}

TEST(AboutBoxPalette, KeepsItsOwnLookWithoutHighContrastWhateverTheSystemColours) {
    const AboutBoxColours own = AboutBoxPalette(false, ThemeColour);
    EXPECT_EQ(own.panel, Rgb(0, 0, 0));
    EXPECT_EQ(own.text, Rgb(255, 255, 255));
    EXPECT_EQ(own.link, Rgb(0, 255, 0));
    EXPECT_EQ(own.buttonFace, Rgb(24, 24, 24));
    EXPECT_EQ(own, AboutBoxPalette(false, [](SystemColour) { return Rgb(200, 0, 0); }));
}

TEST(AboutBoxPalette, TakesEveryColourFromTheThemeUnderHighContrast) {
    const AboutBoxColours theme = AboutBoxPalette(true, ThemeColour);
    EXPECT_EQ(theme.panel, ThemeColour(SystemColour::Window));
    EXPECT_EQ(theme.text, ThemeColour(SystemColour::WindowText));
    EXPECT_EQ(theme.buttonFace, ThemeColour(SystemColour::ButtonFace));
    EXPECT_EQ(theme.buttonText, ThemeColour(SystemColour::ButtonText));
    EXPECT_EQ(theme.buttonBorder, ThemeColour(SystemColour::ButtonText));
    EXPECT_EQ(theme.pressedButtonFace, ThemeColour(SystemColour::Highlight));
    EXPECT_EQ(theme.pressedButtonText, ThemeColour(SystemColour::HighlightText));
    EXPECT_EQ(theme.link, ThemeColour(SystemColour::HotLight));
    EXPECT_EQ(theme.logoBackdrop, Rgb(0, 0, 0)) << "the logo keeps the dark ground it is made for";
    EXPECT_TRUE(theme.drawnShapes);
    EXPECT_FALSE(AboutBoxPalette(false, ThemeColour).drawnShapes);
}

TEST(NoticeLinkColour, IsWindowTextOrHotLightAndTheMenuHighlightUnderTheMouse) {
    const struct {
        bool highContrast, underMouse;
        SystemColour expected;
    } cases[] = {
        {false, false, SystemColour::WindowText},
        {false, true, SystemColour::MenuHighlight},
        {true, false, SystemColour::HotLight},
        {true, true, SystemColour::MenuHighlight},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NoticeLinkColour(c.highContrast, c.underMouse), c.expected)
            << "high contrast " << c.highContrast << ", under the mouse " << c.underMouse;
    }
}

}  // namespace
}  // namespace tabulora::ui
