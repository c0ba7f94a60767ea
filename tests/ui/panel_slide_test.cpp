#include <gtest/gtest.h>

#include "ui/panel_slide.h"

using namespace tabulora::ui;

namespace {

constexpr int32_t kClientWidth = 446;
constexpr int32_t kPanelWidth = 350;
constexpr int32_t kCentred = (kClientWidth - kPanelWidth) / 2;

}  // namespace

TEST(PanelSlide, SlidesOutOnTheIconAndBackOnThePicture) {
    PanelSlide slide(kCentred);
    EXPECT_EQ(slide.Phase(), SlidePhase::Normal);
    EXPECT_FALSE(slide.PictureVisible());

    slide.IconDoubleClicked();
    EXPECT_EQ(slide.Phase(), SlidePhase::Sliding);
    EXPECT_TRUE(slide.PictureVisible());
    EXPECT_TRUE(slide.TimerRunning());

    // 48 + 5 × 80 = 448 is the first position past the right edge.
    for (int tick = 1; tick < 80; ++tick) slide.TimerTick(kClientWidth);
    EXPECT_EQ(slide.PanelLeft(), 443);
    EXPECT_EQ(slide.Phase(), SlidePhase::Sliding);
    slide.TimerTick(kClientWidth);
    EXPECT_EQ(slide.PanelLeft(), 448);
    EXPECT_EQ(slide.Phase(), SlidePhase::Revealed);
    EXPECT_FALSE(slide.TimerRunning());

    slide.TimerTick(kClientWidth);  // a late tick moves nothing
    EXPECT_EQ(slide.PanelLeft(), 448);

    slide.PictureDoubleClicked(kClientWidth, kPanelWidth);
    EXPECT_EQ(slide.Phase(), SlidePhase::Normal);
    EXPECT_EQ(slide.PanelLeft(), kCentred);
    EXPECT_FALSE(slide.PictureVisible());
}

TEST(PanelSlide, IgnoresDoubleClicksWhileSliding) {
    PanelSlide slide(kCentred);
    slide.IconDoubleClicked();
    slide.TimerTick(kClientWidth);

    slide.IconDoubleClicked();
    slide.PictureDoubleClicked(kClientWidth, kPanelWidth);
    EXPECT_EQ(slide.Phase(), SlidePhase::Sliding);
    EXPECT_EQ(slide.PanelLeft(), kCentred + 5);
    EXPECT_TRUE(slide.PictureVisible());
}
