// A desk shows the site's past: a storm of the simulated field recorded with time driven by the
// test, then a replay opened beside the live window. The replay's rows equal a desk opened on a
// copy of the site rebuilt at the same moment; it steps one report forward and back (buttons and
// keys); it offers no command or alarm step and sends none; "Back to live" and Esc close it; a moment
// the history does not hold is told, not shown.
#include "desk/PastReplay.h"
#include "desk/PastWindow.h"
#include "desk/Workstation.h"
#include "field/HistoryPastSources.h"
#include "field/PastBoardCopy.h"
#include "field/ReportHistory.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/DrawnImageList.h"
#include "host/ResourceTexts.h"
#include "host/SyncBus.h"

#include "app/AppTestSite.h"
#include "app/HistoryField.h"

#include <statusobject/StatusReader.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QPushButton>
#include <QTest>

namespace past_replay {

constexpr qint64 kStart = 1793491200000;  // 2026-11-01 00:00 UTC
constexpr qint64 kTick = 100;

/// Records what reaches the field from a desk: nothing may come from a past board.
struct RecordingField final : sv::FieldControl {
    int commands = 0;
    void dtApiCall(qint32, const QString&, qint16) override { ++commands; }
    void zr2AccessFunction(qint32, qint32, qint32) override { ++commands; }
    void zr2ControlFunction(qint32, qint32, qint32) override { ++commands; }
    void zr2ClearCodeTamper(qint32) override { ++commands; }
};

using sv::test::QuietField;

struct ReplayOfAStorm : ::testing::Test {
    sv::test::DemoSiteFile site{400};
    sv::AppLog log;
    sv::ResourceTexts texts{&log};
    sv::SyncBus bus;
    sv::DrawnImageList images;
    RecordingField commands;
    qint64 now = kStart;
    std::unique_ptr<sv::ReportHistory> history;
    std::unique_ptr<so::db::Connection> fieldDb = site.connect();
    std::unique_ptr<sv::SimulatedField> field;
    std::unique_ptr<sv::HistoryPastSource> past;
    std::unique_ptr<sv::Workstation> live;

    void SetUp() override {
        log.setEcho(false);
        sv::test::startFieldWithHistory(site, *fieldDb, log, now, history, field);
        past = std::make_unique<sv::HistoryPastSource>(*history);
        // A second of storm, a tenth at a time: every tenth's reports share its time.
        for (int tenth = 1; tenth <= 10; ++tenth) {
            now += kTick;
            field->step(kTick);
        }
        field->flush();
        ASSERT_TRUE(field->waitUntilWritten(60000));
        ASSERT_TRUE(history->sync());
        live = openDesk(site.url, *field, bus, past.get(), &commands);
    }
    void TearDown() override { live.reset(); }

    std::unique_ptr<sv::Workstation> openDesk(const QString& url, sv::StateSource& source, sv::SyncBus& notices,
                                              sv::PastSource* pastSite, sv::FieldControl* control) {
        sv::WorkstationOptions options;
        options.siteUrl = url;
        options.host.computerName = QStringLiteral("WS1");
        options.host.operatorName = QStringLiteral("admin");
        options.logFolder = site.dir.path();
        options.past = pastSite;
        auto desk = std::make_unique<sv::Workstation>(
            options, sv::HostServices{&texts, &log, &notices, control, &images}, source, notices);
        EXPECT_TRUE(desk->showGroup(QStringLiteral("Entire Site")));
        return desk;
    }
    /// The rows a desk opened on a copy of the site rebuilt at moment shows.
    QStringList rebuiltAt(qint64 moment) {
        const QString copy = site.dir.filePath(QStringLiteral("rebuilt-%1.db").arg(moment));
        sv::copySiteAt(*site.db, copy, history->boardAt(moment));
        QuietField quiet;
        sv::SyncBus quietBus;
        return openDesk(QStringLiteral("sqlite:") + copy, quiet, quietBus, nullptr, nullptr)->shownRows();
    }
};

TEST_F(ReplayOfAStorm, ShowsTheBoardAtTheMomentAndStepsOneReportEachWay) {
    const qint64 moment = kStart + 4 * kTick;
    sv::PastReplay* replay = live->showPast(moment);
    ASSERT_NE(replay, nullptr);
    ASSERT_NE(replay->desk(), nullptr) << replay->banner().toStdString();
    EXPECT_EQ(replay->moment(), moment);
    EXPECT_EQ(replay->desk()->shownRows(), rebuiltAt(moment));
    // The reports around the moment: one time a tenth, from the first tenth to the last.
    ASSERT_EQ(replay->reportTimes().size(), 10);
    EXPECT_EQ(replay->reportTimes().first(), kStart + kTick);
    EXPECT_EQ(replay->reportIndex(), 3);

    ASSERT_TRUE(replay->stepForward());
    EXPECT_EQ(replay->moment(), kStart + 5 * kTick);
    const QStringList next = replay->desk()->shownRows();
    EXPECT_EQ(next, rebuiltAt(kStart + 5 * kTick));
    ASSERT_TRUE(replay->stepBack());
    ASSERT_TRUE(replay->stepBack());
    EXPECT_EQ(replay->moment(), kStart + 3 * kTick);
    EXPECT_EQ(replay->desk()->shownRows(), rebuiltAt(kStart + 3 * kTick));
    EXPECT_NE(next, replay->desk()->shownRows()) << "a storm's tenth changes some rows";

    // At the last report there is nothing further; at the first, nothing before.
    replay->moveTo(kStart + 10 * kTick);
    EXPECT_FALSE(replay->stepForward());
    replay->moveTo(kStart + kTick);
    EXPECT_FALSE(replay->stepBack());
}

TEST_F(ReplayOfAStorm, APastDeskDrawsItsRowsAtItsMomentNotAtTheTimeOfDay) {
    // The latest time any row of the past desk says it was updated, ms since 1970.
    const auto latestShown = [](sv::Workstation& desk) {
        so::StatusReader reader(desk.status());
        qint64 latest = 0;
        int times = 0;
        for (const so::StatusReader::SectionInfo& section : reader.sections())
            for (const so::StatusReader::Row& row : reader.rows(section.section, {}, 0, 500).rows)
                for (const QString& cell : row.cells)
                    if (const QDateTime at = QDateTime::fromString(cell, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                        at.isValid()) {
                        latest = std::max(latest, at.toMSecsSinceEpoch());
                        ++times;
                    }
        EXPECT_GT(times, 0);
        return latest;
    };
    sv::PastReplay* replay = live->showPast(kStart + 4 * kTick);
    ASSERT_NE(replay->desk(), nullptr);
    EXPECT_LE(latestShown(*replay->desk()), kStart + 4 * kTick);
    // A step draws every row again, at the step's moment.
    ASSERT_TRUE(replay->stepForward());
    const qint64 latest = latestShown(*replay->desk());
    EXPECT_LE(latest, kStart + 5 * kTick);
    EXPECT_GE(latest, kStart);
}

TEST_F(ReplayOfAStorm, PlayingMovesOnByTheReportsThatTheSpeedReaches) {
    sv::PastReplay* replay = live->showPast(kStart + kTick);
    ASSERT_NE(replay->desk(), nullptr);
    replay->play(10);
    replay->advance(5);  // 50 ms of the past: no report yet
    EXPECT_EQ(replay->moment(), kStart + kTick);
    replay->advance(25);  // 300 ms in all: three tenths on
    EXPECT_EQ(replay->moment(), kStart + 4 * kTick);
    replay->advance(10000);  // beyond the last report: it stops there
    EXPECT_EQ(replay->moment(), kStart + 10 * kTick);
    EXPECT_FALSE(replay->isPlaying());
}

TEST_F(ReplayOfAStorm, APastBoardOffersNoCommandAtAllAndSendsNone) {
    so::StatusReader liveReader(live->status());
    sv::PastReplay* replay = live->showPast(kStart + 5 * kTick);
    ASSERT_NE(replay->desk(), nullptr);
    so::StatusReader pastReader(replay->desk()->status());
    const auto reads = [](const so::StatusReader::MenuItem& item) {
        return item.text.contains(QStringLiteral("Refresh")) || item.text.contains(QStringLiteral("Properties"));
    };
    int liveCommands = 0;
    int rowsSeen = 0;
    for (const so::StatusReader::SectionInfo& section : pastReader.sections()) {
        const so::StatusReader::Rows rows = pastReader.rows(section.section, {}, 0, 20);
        for (const auto& row : rows.rows) {
            ++rowsSeen;
            for (const auto& item : liveReader.menu(section.section, row.key)) {
                if (reads(item))
                    continue;
                ++liveCommands;
                // The live desk's command, asked of the past row all the same, is not run.
                EXPECT_EQ(pastReader.invoke(section.section, row.key, item.id),
                          so::StatusReader::CommandResult::NotPermitted)
                    << item.text.toStdString();
            }
            for (const auto& item : pastReader.menu(section.section, row.key))
                EXPECT_TRUE(reads(item)) << "offered on a past row: " << item.text.toStdString();
        }
    }
    EXPECT_GT(liveCommands, 0) << "the live desk's operator may command these points";
    EXPECT_GT(rowsSeen, 0);
    EXPECT_EQ(commands.commands, 0);

    // Nor does the past desk's attention list offer an alarm step; the live one's does.
    for (const char* step :
         {"acknowledgeAlarm", "acknowledgeAlarmWithComment", "acknowledgeAllAlarms", "shelvePoint"}) {
        SCOPED_TRACE(step);
        const auto* liveStep = live->widget()->findChild<QAction*>(QLatin1String(step));
        const auto* pastStep = replay->desk()->widget()->findChild<QAction*>(QLatin1String(step));
        ASSERT_NE(liveStep, nullptr);
        ASSERT_NE(pastStep, nullptr);
        EXPECT_TRUE(liveStep->isVisible() && liveStep->isEnabled());
        EXPECT_FALSE(pastStep->isVisible() || pastStep->isEnabled());
    }
}

TEST_F(ReplayOfAStorm, TheWindowSaysItIsThePastStepsByKeysAndGoesBackToLive) {
    live->showPast(kStart + 2 * kTick);
    sv::PastWindow* window = live->pastWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->bannerText().startsWith(QStringLiteral("The site as it was at 2026-11-01 ")));
    EXPECT_TRUE(window->bannerText().endsWith(QStringLiteral(" \u2014 not live")));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

    QTest::keyClick(window, Qt::Key_Right);
    EXPECT_EQ(live->past()->moment(), kStart + 3 * kTick);
    QTest::keyClick(window, Qt::Key_PageDown);
    EXPECT_EQ(live->past()->moment(), kStart + 4 * kTick);
    QTest::keyClick(window, Qt::Key_PageUp);
    QTest::keyClick(window, Qt::Key_Left);
    EXPECT_EQ(live->past()->moment(), kStart + 2 * kTick);

    auto* backToLive = window->findChild<QPushButton*>(QStringLiteral("pastBackToLive"));
    ASSERT_NE(backToLive, nullptr);
    QTest::mouseClick(backToLive, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(live->pastWindow(), nullptr);
    EXPECT_EQ(live->past(), nullptr);
    EXPECT_TRUE(live->widget()->isVisible());

    // Esc in the past desk's own window is back to live as well.
    live->showPast(kStart + 2 * kTick);
    ASSERT_NE(live->pastWindow(), nullptr);
    QWidget* pastDesk = live->past()->desk()->widget();
    QTest::keyClick(pastDesk, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return live->past() == nullptr;
    }));
}

TEST_F(ReplayOfAStorm, AMomentTheHistoryDoesNotHoldIsToldNotShown) {
    sv::PastReplay* replay = live->showPast(kStart - 24 * 3600 * 1000);
    ASSERT_NE(replay, nullptr);
    EXPECT_EQ(replay->desk(), nullptr);
    EXPECT_TRUE(replay->banner().startsWith(QStringLiteral("The site's past at 2026-10-31 ")))
        << replay->banner().toStdString();
    // A moment it holds is shown after all.
    replay->moveTo(kStart + kTick);
    EXPECT_NE(replay->desk(), nullptr);
    EXPECT_TRUE(replay->banner().endsWith(QStringLiteral("not live")));
}

TEST(PastMoments, TheJournalsStepsAreMomentsToGoBackTo) {
    so::StatusReader::JournalRow raised{QStringLiteral("2026-12-08 09:53:10"),
                                        QStringLiteral("raised"),
                                        QStringLiteral("\\\\SNET.P01.C00001.DR02"),
                                        {},
                                        {},
                                        {}};
    so::StatusReader::JournalRow unreadable = raised;
    unreadable.time = QStringLiteral("08.12.2026 09:53");
    so::StatusReader::JournalRow acknowledged = raised;
    acknowledged.time = QStringLiteral("2026-12-08 09:54:00");
    acknowledged.event = QStringLiteral("acknowledged");
    const QVector<sv::JournalMoment> moments = sv::journalMoments({acknowledged, unreadable, raised});
    ASSERT_EQ(moments.size(), 2);
    EXPECT_EQ(moments[0].moment, QDateTime(QDate(2026, 12, 8), QTime(9, 54, 0, 999)).toMSecsSinceEpoch());
    EXPECT_EQ(moments[0].label, QStringLiteral("2026-12-08 09:54:00  acknowledged  \\\\SNET.P01.C00001.DR02"));
    EXPECT_EQ(moments[1].moment, QDateTime(QDate(2026, 12, 8), QTime(9, 53, 10, 999)).toMSecsSinceEpoch());
}

/// A history that can rebuild its moments only in part.
struct DamagedHistory final : sv::PastSource {
    std::pair<qint64, qint64> span() override { return {kStart, kStart + 1000}; }
    void reportTimesAround(qint64, std::function<void(QVector<qint64>)> done) override { done({}); }
    void boardAt(qint64 moment, std::function<void(const sv::PastAnswer&)> done) override {
        sv::PastAnswer past;
        past.moment = moment;
        past.approximate = true;
        past.note = QStringLiteral("the hour before it is damaged");
        past.copySite = [](so::db::Connection& site, const QString& path) { sv::copySiteAt(site, path, {}); };
        past.writeInto = [](so::db::Connection&) {};
        done(past);
    }
};

TEST_F(ReplayOfAStorm, AnApproximateBoardSaysWhy) {
    DamagedHistory damaged;
    sv::PastReplay::Desk setup{
        site.db.get(), {}, sv::HostServices{&texts, &log, nullptr, nullptr, &images}, QStringLiteral("Entire Site")};
    setup.options.host.computerName = QStringLiteral("WS1");
    setup.options.host.operatorName = QStringLiteral("admin");
    sv::PastReplay replay(damaged, setup);
    replay.moveTo(kStart + 500);
    ASSERT_NE(replay.desk(), nullptr) << replay.banner().toStdString();
    EXPECT_TRUE(
        replay.banner().endsWith(QStringLiteral(" \u2014 not live; approximate: the hour before it is damaged")))
        << replay.banner().toStdString();
}

}  // namespace past_replay
