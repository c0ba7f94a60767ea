// The automatic close counts from 11 once per process, so it runs in a process of its own.
#include "notice_fixture.h"

namespace {

using tabulora::ui::NewVersionNotice;

TEST_F(NoticeTest, HidesItselfOnTheEleventhTick) {
    notice->ShowAnimated();
    for (int tick = 1; tick <= 10; ++tick) {
        notice->CountDownToClose();
        ASSERT_TRUE(IsWindowVisible(Notice())) << "tick " << tick;
    }
    notice->CountDownToClose();
    EXPECT_FALSE(IsWindowVisible(Notice()));
    EXPECT_TRUE(IsWindow(Notice()));
    EXPECT_FALSE(KillTimer(Notice(), NewVersionNotice::kCloseTimer)) << "the close timer stops for good";
}

}  // namespace
