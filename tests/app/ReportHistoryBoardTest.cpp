// The board rebuilt from the field's report history at a moment is the board a desk showed live
// at that moment, cell for cell: a storm of the simulated field on 2,000 points, time driven by the
// test, the live desk's rows taken every tenth of a second, then each moment rebuilt into a copy
// of the site and shown by a desk opened on the copy.
#include "desk/Workstation.h"
#include "field/PastBoardCopy.h"
#include "field/ReportHistory.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/DrawnImageList.h"
#include "host/ResourceTexts.h"
#include "host/SyncBus.h"
#include "support/EventLoop.h"

#include "AppTestSite.h"
#include "HistoryField.h"

#include <gtest/gtest.h>

namespace history_board {

constexpr qint64 kStart = 1793491200000;  // 2026-11-01 00:00 UTC

using sv::test::QuietField;

struct StormOnTheSite : ::testing::Test {
    sv::test::DemoSiteFile site{2000};
    sv::AppLog log;
    sv::ResourceTexts texts{&log};
    sv::SyncBus bus;
    sv::DrawnImageList images;
    qint64 now = kStart;
    std::unique_ptr<sv::ReportHistory> history;
    std::unique_ptr<so::db::Connection> fieldDb = site.connect();
    std::unique_ptr<sv::SimulatedField> field;

    StormOnTheSite() {
        log.setEcho(false);
        sv::test::startFieldWithHistory(site, *fieldDb, log, now, history, field);
    }

    std::unique_ptr<sv::Workstation> openDesk(const QString& url, const QString& computer, sv::StateSource& source,
                                              sv::SyncBus& notices) {
        sv::WorkstationOptions options;
        options.siteUrl = url;
        options.host.computerName = computer;
        options.host.operatorName = QStringLiteral("admin");
        options.logFolder = site.dir.path();
        auto desk = std::make_unique<sv::Workstation>(
            options, sv::HostServices{&texts, &log, &notices, field.get(), &images}, source, notices);
        EXPECT_TRUE(desk->showGroup(QStringLiteral("Entire Site")));
        return desk;
    }
};

TEST_F(StormOnTheSite, TheBoardRebuiltAtAMomentIsTheBoardShownLiveThen) {
    auto live = openDesk(site.url, QStringLiteral("WS1"), *field, bus);
    struct Moment {
        qint64 at;
        QStringList live;     // as the desk showed them from the reports
        QStringList redrawn;  // the same desk's rows after a full refresh from the site
    };
    QVector<Moment> moments;
    // Three seconds of storm (about 1,500 reports a second), a tenth of a second at a time; each
    // tenth's writes (and the reports waiting for them) done before the desk is read.
    for (int tenth = 1; tenth <= 30; ++tenth) {
        now += 100;
        field->step(100);
        field->flush();
        ASSERT_TRUE(field->waitUntilWritten(60000));
        QCoreApplication::processEvents();
        Moment moment{now, live->shownRows(), {}};
        live->refreshAllRows();
        moment.redrawn = live->shownRows();
        moments.append(moment);
    }
    ASSERT_GT(field->reportsSent(), 3000);
    live.reset();

    int liveDrift = 0;
    for (const Moment& moment : moments) {
        const sv::history::PastBoard board = history->boardAt(moment.at);
        ASSERT_EQ(board.fidelity, sv::history::Fidelity::Exact) << board.note.toStdString();
        const QString copy = site.dir.filePath(QStringLiteral("at-%1.db").arg(moment.at));
        sv::copySiteAt(*site.db, copy, board);
        QuietField quiet;
        sv::SyncBus quietBus;
        auto past = openDesk(QStringLiteral("sqlite:") + copy, QStringLiteral("WS1"), quiet, quietBus);
        const QStringList rows = past->shownRows();
        ASSERT_EQ(rows.size(), moment.live.size());
        for (qsizetype r = 0; r < rows.size(); ++r) {
            const std::string at = std::to_string(moment.at - kStart) + " ms";
            ASSERT_EQ(rows[r].toStdString(), moment.redrawn[r].toStdString()) << at;
            // A live row differs only where the live desk differed from its own redraw (the rows
            // its audit puts right).
            if (rows[r] != moment.live[r])
                ++liveDrift;
            EXPECT_TRUE(rows[r] == moment.live[r] || moment.live[r] != moment.redrawn[r]) << at;
        }
    }
    EXPECT_LT(liveDrift, 60) << "rows of the live desk that its redraw changed";
    EXPECT_EQ(log.lines().filter(QStringLiteral("report history")).size(), 0);
}

}  // namespace history_board
