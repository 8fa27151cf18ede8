// An error storm through the public Status: a thousand failing state reports within a second,
// with live state changes arriving in between. A report the host hands over never opens a box:
// every failure must be logged (the repeats within a second as a count) and counted, the host's
// LogError told once in its quiet time, and the state changes must keep reaching the grid.
#include "component/StatusInternals.h"
#include "reliability/ReliabilitySite.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

namespace so::test {
namespace {

TEST(ErrorStorm, AThousandFailingReportsAreAllLoggedWithoutABoxAndStatesKeepFlowing) {
    ReliabilitySite s;
    FakeDialogs dialogs;
    s.status->setDialogs(&dialogs);
    s.showGroup(s.site.siteGroupId);
    const QString port = s.firstAddress(6);
    const QString input = s.firstAddress(1, QStringLiteral("BI"));
    ASSERT_FALSE(port.isEmpty() || input.isEmpty());

    constexpr int kFailures = 1000;
    // A dial-up port state whose value is no number: one conversion failure per report
    // ("MPublic.UpdateList").
    const auto fail = [&] { s.status->StateChange(QStringLiteral("PORT"), port, 2, {}, QStringLiteral("x")); };
    int statesSent = 0;
    const auto liveState = [&](int i) {
        s.status->StateChange(QStringLiteral("STD_INPUTV"), input, quint8(i % 256), {}, QStringLiteral("0"));
        ++statesSent;
        EXPECT_EQ(s.cell(1, input, QStringLiteral("Voltage")), voltsOf(quint8(i % 256)));
    };
    const int ignoredBefore = s.status->inputsIgnored();
    s.host.clearCalls();

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kFailures; ++i) {
        fail();
        liveState(i);
    }
    const qint64 elapsedMs = clock.elapsed();

    // Every failure is in the log, the repeats within a second folded into a count.
    EXPECT_EQ(s.logReports(), kFailures);
    EXPECT_LT(s.logEntries(), kFailures / 10);
    EXPECT_EQ(contextOf(*s.status).errorLog.reportsWritten(), kFailures);
    EXPECT_EQ(s.status->inputsIgnored(), ignoredBefore + kFailures);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(s.host.count(QStringLiteral("LogError")), 1);
    EXPECT_EQ(statesSent, kFailures);
    EXPECT_LT(elapsedMs, 5000);
    ::testing::Test::RecordProperty("storm_ms", int(elapsedMs));
}

}  // namespace
}  // namespace so::test
