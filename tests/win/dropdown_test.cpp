#include <gtest/gtest.h>

#include "fake_effects.h"
#include "winui/dropdown.h"

namespace {

// A button and two menus of a scratch window.
class DropDownTest : public testing::Test {
protected:
    void SetUp() override {
        winui::LastPopupButton = nullptr;
        winui::LastPopupMenu = nullptr;
        winui::LastPopupTick = 0;
    }
    void TearDown() override {
        DestroyMenu(menu);
        DestroyMenu(otherMenu);
        DestroyWindow(button);
    }

    FakeEffects effects;
    HWND button = CreateWindowExW(0, L"BUTTON", L"Export", WS_POPUP, 100, 100, 80, 30, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    HMENU menu = CreatePopupMenu();
    HMENU otherMenu = CreatePopupMenu();
};

TEST_F(DropDownTest, TheClickThatClosesTheMenuDoesNotReopenIt) {
    effects.menuReplies.push_back(42);
    EXPECT_EQ(winui::DropDownMenu(button, menu), 42u);  // shown; closes at tick 1000
    EXPECT_EQ(winui::LastPopupTick, 1000u);

    effects.tick = 1099;
    EXPECT_EQ(winui::DropDownMenu(button, menu), 0u);  // the closing click: suppressed
    EXPECT_EQ(effects.menusShown.size(), 1u);
    EXPECT_EQ(winui::LastPopupButton, nullptr);
    EXPECT_EQ(winui::LastPopupMenu, nullptr);

    effects.tick = 1120;
    winui::DropDownMenu(button, menu);  // a later click opens it again
    EXPECT_EQ(effects.menusShown.size(), 2u);
}

TEST_F(DropDownTest, OnlyTheSameButtonAndMenuWithin100MsAreSuppressed) {
    winui::DropDownMenu(button, menu);
    effects.tick = 1050;
    winui::DropDownMenu(button, otherMenu);  // another menu
    EXPECT_EQ(effects.menusShown.size(), 2u);
    effects.tick = 1150;
    winui::DropDownMenu(button, otherMenu);  // exactly 100 ms later
    EXPECT_EQ(effects.menusShown.size(), 3u);
}

TEST_F(DropDownTest, TheTickCountMayWrapAround) {
    effects.tick = 0xFFFFFFF0u;
    winui::DropDownMenu(button, menu);
    effects.tick = 0x20;  // 48 ms later, after the wrap
    winui::DropDownMenu(button, menu);
    EXPECT_EQ(effects.menusShown.size(), 1u);
}

TEST_F(DropDownTest, ShowsTheMenuUnderTheButtonsLowerLeftCorner) {
    winui::DropDownMenu(button, menu);
    RECT rect{};
    GetWindowRect(button, &rect);
    EXPECT_EQ(effects.lastMenuPoint.x, rect.left);
    EXPECT_EQ(effects.lastMenuPoint.y, rect.bottom);
}

}  // namespace
