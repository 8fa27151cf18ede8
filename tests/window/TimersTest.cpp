// The quiet-period refresh timer and the resize timer.
#include "WindowFixture.h"

namespace so::test {
namespace {

class TimersTest : public WindowFixture {
protected:
    TimersTest() {
        controller = firstAddress(105);
        exec(QStringLiteral("UPDATE ZRII_Controllers SET Online = 1"));
        window->FillPoints(makeGroup({{105, QStringLiteral("t.Address = '%1'").arg(controller)}}));
        // The database now says off line: the next full refresh shows it.
        exec(QStringLiteral("UPDATE ZRII_Controllers SET Online = 0"));
    }
    bool refreshed() { return cell(4, controller, col::Status) == R(1435); }
    void tick(int times) {
        for (int i = 0; i < times; ++i)
            window->refreshTimerTick();
    }

    QString controller;
};

TEST_F(TimersTest, StateChangesPostponeTheFullRefreshWhichRunsOnceAfter25QuietTicks) {
    ASSERT_EQ(cell(4, controller, col::Status), R(1433));
    window->RefreshStatus();
    EXPECT_TRUE(window->refreshTimer().isActive());
    EXPECT_EQ(window->refreshTimer().interval(), 10);

    // A burst: a state change every 20 ticks keeps the refresh waiting.
    for (int burst = 0; burst < 5; ++burst) {
        tick(20);
        window->resetRefreshCounter();
    }
    tick(24);
    EXPECT_FALSE(refreshed());
    EXPECT_TRUE(window->refreshTimer().isActive());

    tick(1);
    EXPECT_TRUE(refreshed());
    EXPECT_FALSE(window->refreshTimer().isActive());
    EXPECT_EQ(window->refreshCounter(), 0);

    // RefreshStatus starts a new wait from zero.
    exec(QStringLiteral("UPDATE ZRII_Controllers SET Online = 1"));
    window->RefreshStatus();
    tick(24);
    EXPECT_EQ(cell(4, controller, col::Status), R(1435));
    tick(1);
    EXPECT_EQ(cell(4, controller, col::Status), R(1433));
}

TEST_F(TimersTest, ResizeRunsOnTheSixthTickFirstAndOnTheFifthAfterwards) {
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
    window->columnsChangedByOperator(0);
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
