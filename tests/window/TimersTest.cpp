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
            window->tRefreshStatus_Timer();
    }

    QString controller;
};

TEST_F(TimersTest, StateChangesPostponeTheFullRefreshWhichRunsOnceAfter25QuietTicks) {
    ASSERT_EQ(cell(4, controller, col::Status), R(1433));
    window->RefreshStatus();
    EXPECT_TRUE(window->tRefreshStatus().isActive());
    EXPECT_EQ(window->tRefreshStatus().interval(), 10);

    // A burst: a state change every 20 ticks keeps the refresh waiting.
    for (int burst = 0; burst < 5; ++burst) {
        tick(20);
        window->resetRefreshCounter();
    }
    tick(24);
    EXPECT_FALSE(refreshed());
    EXPECT_TRUE(window->tRefreshStatus().isActive());

    tick(1);
    EXPECT_TRUE(refreshed());
    EXPECT_FALSE(window->tRefreshStatus().isActive());
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
    EXPECT_TRUE(window->tDirty().isActive());
    const int before = view.arranged;
    for (int i = 0; i < 5; ++i)
        window->tDirty_Timer();
    EXPECT_EQ(view.arranged, before);
    window->tDirty_Timer();
    EXPECT_EQ(view.arranged, before + 1);
    EXPECT_FALSE(window->tDirty().isActive());

    // The counter is not reset when the timer goes on again.
    window->vGrid_LayoutChanged(0);
    EXPECT_TRUE(window->tDirty().isActive());
    const int afterLayout = view.arranged;
    for (int i = 0; i < 4; ++i)
        window->tDirty_Timer();
    EXPECT_EQ(view.arranged, afterLayout);
    window->tDirty_Timer();
    EXPECT_EQ(view.arranged, afterLayout + 1);
}

}  // namespace
}  // namespace so::test
