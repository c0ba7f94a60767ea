#include <gtest/gtest.h>

#include "ui/egg_state.h"

using namespace tabulora::ui;

namespace {

constexpr int32_t kClientWidth = 446;
constexpr int32_t kPanelWidth = 350;
constexpr int32_t kCentred = (kClientWidth - kPanelWidth) / 2;

}  // namespace

TEST(HiddenPicture, SlidesOutOnTheIconAndBackOnThePicture) {
    HiddenPicture egg(kCentred);
    EXPECT_EQ(egg.Phase(), EggPhase::Normal);
    EXPECT_FALSE(egg.PictureVisible());

    egg.IconDoubleClicked();
    EXPECT_EQ(egg.Phase(), EggPhase::Sliding);
    EXPECT_TRUE(egg.PictureVisible());
    EXPECT_TRUE(egg.TimerRunning());

    // 48 + 5 × 80 = 448 is the first position past the right edge.
    for (int tick = 1; tick < 80; ++tick) egg.TimerTick(kClientWidth);
    EXPECT_EQ(egg.PanelLeft(), 443);
    EXPECT_EQ(egg.Phase(), EggPhase::Sliding);
    egg.TimerTick(kClientWidth);
    EXPECT_EQ(egg.PanelLeft(), 448);
    EXPECT_EQ(egg.Phase(), EggPhase::Revealed);
    EXPECT_FALSE(egg.TimerRunning());

    egg.TimerTick(kClientWidth);  // a late tick moves nothing
    EXPECT_EQ(egg.PanelLeft(), 448);

    egg.PictureDoubleClicked(kClientWidth, kPanelWidth);
    EXPECT_EQ(egg.Phase(), EggPhase::Normal);
    EXPECT_EQ(egg.PanelLeft(), kCentred);
    EXPECT_FALSE(egg.PictureVisible());
}

TEST(HiddenPicture, IgnoresDoubleClicksWhileSliding) {
    HiddenPicture egg(kCentred);
    egg.IconDoubleClicked();
    egg.TimerTick(kClientWidth);

    egg.IconDoubleClicked();
    egg.PictureDoubleClicked(kClientWidth, kPanelWidth);
    EXPECT_EQ(egg.Phase(), EggPhase::Sliding);
    EXPECT_EQ(egg.PanelLeft(), kCentred + 5);
    EXPECT_TRUE(egg.PictureVisible());
}
