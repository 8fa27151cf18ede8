// The window's timers: the quiet-period refresh ticks every 10 ms (its quiet period itself is
// checked with live reports), the resize runs on the sixth tick first and on the fifth afterwards.
#include "WindowFixture.h"

namespace so::test {
namespace {

using TimersTest = WindowFixture;

TEST_F(TimersTest, ResizeRunsOnTheSixthTickFirstAndOnTheFifthAfterwards) {
    window->RefreshStatus();
    EXPECT_EQ(window->refreshTimer().interval(), 10);  // the quiet-period refresh ticks every 10 ms
    window->ReShow();
    EXPECT_TRUE(window->resizeTimer().isActive());
    const int before = view.arranged;
    for (int i = 0; i < 5; ++i)
        window->resizeTimerTick();
    EXPECT_EQ(view.arranged, before);
    window->resizeTimerTick();
    EXPECT_EQ(view.arranged, before + 1);
    EXPECT_FALSE(window->resizeTimer().isActive());

    // The counter is not reset when the timer goes on again.
    window->columnsChangedByOperator(Section::Doors);
    EXPECT_TRUE(window->resizeTimer().isActive());
    const int afterLayout = view.arranged;
    for (int i = 0; i < 4; ++i)
        window->resizeTimerTick();
    EXPECT_EQ(view.arranged, afterLayout);
    window->resizeTimerTick();
    EXPECT_EQ(view.arranged, afterLayout + 1);
}

}  // namespace
}  // namespace so::test
