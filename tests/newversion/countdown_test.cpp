// The automatic close counts from 11 once per process, so it runs in a process of its own.
#include "notice_fixture.h"

namespace {

using tabulora::TNewVer;

TEST_F(NoticeTest, HidesItselfOnTheEleventhTick) {
    notice->TimerStartTimer();
    for (int tick = 1; tick <= 10; ++tick) {
        notice->TimerCloseTimer();
        ASSERT_TRUE(IsWindowVisible(Notice())) << "tick " << tick;
    }
    notice->TimerCloseTimer();
    EXPECT_FALSE(IsWindowVisible(Notice()));
    EXPECT_TRUE(IsWindow(Notice()));
    EXPECT_FALSE(KillTimer(Notice(), TNewVer::TimerClose)) << "the close timer stops for good";
}

}  // namespace
