// An error storm through the public Status: a thousand failing state reports within a second,
// with live state changes arriving in between. The error box is modal, and while it is open the
// host keeps delivering calls (its message loop runs), so the storm arrives inside the box: every
// failure must be logged (the repeats within a second as a count), no second box may open on top
// of the first, and the state changes must keep reaching the grid.
#include "component/StatusInternals.h"
#include "reliability/ReliabilitySite.h"

#include "domain/Formatting.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <functional>

namespace so::test {
namespace {

/// Message boxes that count how many are open at once, and run what the host delivers while
/// the first one is open.
class ModalDialogs : public FakeDialogs {
public:
    void message(const QString& text, const QString& title, Icon icon) override {
        FakeDialogs::message(text, title, icon);
        ++open;
        maxOpen = std::max(maxOpen, open);
        if (whileOpen) {
            auto run = std::move(whileOpen);
            whileOpen = nullptr;
            run();
        }
        --open;
    }
    int open = 0;
    int maxOpen = 0;
    std::function<void()> whileOpen;
};

TEST(ErrorStorm, AThousandFailuresAreAllLoggedWithOneBoxOpenAtATimeAndStatesKeepFlowing) {
    ReliabilitySite s;
    ModalDialogs dialogs;
    s.status->setDialogs(&dialogs);
    s.showGroup(s.site.siteGroupId);
    const QString port = s.firstAddress(6);
    const QString input = s.firstAddress(1, QStringLiteral("BI"));
    ASSERT_FALSE(port.isEmpty() || input.isEmpty());

    constexpr int kFailures = 1000;
    // A dial-up port state whose value is no number: one conversion failure per report, written
    // to the log and shown to the operator ("MPublic.UpdateList").
    const auto fail = [&] { s.status->StateChange(QStringLiteral("PORT"), port, 2, {}, QStringLiteral("x")); };
    int statesSent = 0;
    const auto liveState = [&](int i) {
        s.status->StateChange(QStringLiteral("STD_INPUTV"), input, quint8(i % 256), {}, QStringLiteral("0"));
        ++statesSent;
        EXPECT_EQ(s.cell(1, input, QStringLiteral("Voltage")), voltageText(quint8(i % 256)));
    };

    QElapsedTimer clock;
    clock.start();
    dialogs.whileOpen = [&] {
        for (int i = 1; i < kFailures; ++i) {
            fail();
            liveState(i);
        }
    };
    fail();  // the first failure opens the box; the rest of the storm arrives while it is open
    const qint64 elapsedMs = clock.elapsed();

    // Every failure is in the log, the repeats within a second folded into a count.
    EXPECT_EQ(s.logReports(), kFailures);
    EXPECT_LT(s.logEntries(), kFailures / 10);
    EXPECT_EQ(contextOf(*s.status).errorLog.reportsWritten(), kFailures);
    EXPECT_EQ(dialogs.maxOpen, 1);
    EXPECT_EQ(dialogs.messages.size(), 1) << "reports during an open box show no further box";
    EXPECT_EQ(statesSent, kFailures - 1);
    EXPECT_LT(elapsedMs, 5000);
    ::testing::Test::RecordProperty("storm_ms", int(elapsedMs));

    // Once the box is closed, the next failure is shown again.
    fail();
    EXPECT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(s.logReports(), kFailures + 1);
}

}  // namespace
}  // namespace so::test
