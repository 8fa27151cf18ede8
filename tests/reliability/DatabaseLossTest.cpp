// The site database goes away in the middle of a run: the connection closes (as a dropped network
// connection does) and the database file is replaced by one that is not a database, so that it
// cannot simply be opened again. Both ways the component reaches a site run it: SQLite directly,
// and ODBC through the driver manager. Live state changes must keep reaching the grids; operations
// that need the database must fail cleanly, the loss told once and the failures counted (the site
// link); a group save must leave the stored points as they were; and nothing stored before the
// loss may be lost once the database is back.
#include "component/StatusInternals.h"
#include "status/StatusBoard.h"
#include "reliability/ReliabilitySite.h"
#include "support/DatabaseLoss.h"

#include "groups/GroupStore.h"
#include "base/SiteLink.h"
#include "domain/Formatting.h"
#include "status/StatusDecoder.h"

#include <gtest/gtest.h>

namespace so::test {
namespace {

class DatabaseLoss : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::OdbcFile && OdbcSqlite::driverName().isEmpty())
            GTEST_SKIP() << OdbcSqlite::skipReason().toStdString();
        s = std::make_unique<ReliabilitySite>(300, GetParam());
        s->showGroup(s->site.siteGroupId);
        ASSERT_GT(s->totalRows(), 100);
        before = tableChecksums(*s->db);
        group = s->site.smallGroupId;
        pointsBefore = storedPoints(*s->db, group);
        ASSERT_FALSE(pointsBefore.isEmpty());
    }

    /// Puts the site's file back; the link's check (its timer, called here directly) reconnects.
    void restoreAndReconnect() {
        test::restoreDatabase(s->databasePath());
        link().check();
        ASSERT_TRUE(s->db->isAlive());
    }

    SiteLink& link() { return *contextOf(*s->status).siteLink; }

    std::unique_ptr<ReliabilitySite> s;
    QMap<QString, QByteArray> before;
    int group = 0;
    QStringList pointsBefore;
};

TEST_P(DatabaseLoss, LiveStateChangesKeepUpdatingTheGrids) {
    loseDatabase(*s->db, s->databasePath());
    const QString input = s->firstAddress(1, QStringLiteral("BI"));
    const QString controller = s->firstAddress(4);
    const QString pylon = s->firstAddress(5);
    ASSERT_FALSE(input.isEmpty() || controller.isEmpty() || pylon.isEmpty());
    StatusDecoder& decoder = s->window().board().decoder();
    for (int i = 0; i < 200; ++i) {
        const QString stamp = QStringLiteral("2024-03-01 10:%1:%2")
                                  .arg(i / 60, 2, 10, QLatin1Char('0'))
                                  .arg(i % 60, 2, 10, QLatin1Char('0'));
        const quint8 voltage = quint8(i);
        s->status->StateChange(QStringLiteral("STD_INPUTV"), input, voltage, stamp, QStringLiteral("0"));
        s->status->StateChange(QStringLiteral("CONTROLLER_ENABLED"), controller, quint8(i % 2), stamp);
        s->status->StateChange(QStringLiteral("PYLON_ENABLED"), pylon, quint8((i + 1) % 2), stamp);
        ASSERT_EQ(s->cell(1, input, QStringLiteral("Voltage")), voltageText(voltage));
        ASSERT_EQ(s->cell(1, input, QStringLiteral("LastUpdated")), decoder.ConvertDateTime(stamp).text);
        ASSERT_EQ(s->cell(4, controller, QStringLiteral("Enabled")),
                  i % 2 ? QStringLiteral("R1463") : QStringLiteral("R1679"));
        ASSERT_EQ(s->cell(5, pylon, QStringLiteral("Enabled")),
                  i % 2 ? QStringLiteral("R1679") : QStringLiteral("R1463"));
    }
    EXPECT_EQ(s->logEntries(), 0) << "decoding a live state needs no database";
}

TEST_P(DatabaseLoss, OperationsNeedingTheDatabaseFailCleanlyAndTheLossIsToldOnce) {
    loseDatabase(*s->db, s->databasePath());
    const QString input = s->firstAddress(1, QStringLiteral("BI"));
    const QString module = s->firstAddress(7);
    constexpr int kAttempts = 20;
    for (int i = 0; i < kAttempts; ++i) {
        s->status->SyncPipe(QStringLiteral("STATUSVIEW"), 4, input, QStringLiteral("WS2"), {});  // re-read rows
        s->status->StateChange(QStringLiteral("ZR2_MODULE"), module, 1);                         // re-read module
    }
    // None escaped to the host as an exception (we got here). The failure that took the link
    // down is logged; the others are counted by the link, not logged one by one, and the
    // operator hears once that the site database is unreachable.
    EXPECT_EQ(s->logEntries(), 1);
    EXPECT_GE(link().failuresWhileDown(), 2 * kAttempts - 1);
    EXPECT_EQ(s->dialogs.messages.size(), 1);
    EXPECT_FALSE(link().isReachable());
    // The rows stay as they were shown.
    EXPECT_GT(s->grid(1).findRow(input), 0);
    EXPECT_GT(s->grid(7).findRow(module), 0);
}

TEST_P(DatabaseLoss, AGroupSaveThatFailsKeepsThePreviousPointsAndNothingStoredIsLost) {
    loseDatabase(*s->db, s->databasePath());
    GroupStore& groups = groupStoreOf(*s->status);
    const QVector<SelectedPoint> replacement = {{QStringLiteral("Only point"), s->firstAddress(0), 1, 1, 0, 16}};
    EXPECT_FALSE(groups.replacePoints(group, QStringLiteral("Lobby"), replacement));
    EXPECT_EQ(groups.createGroup(QStringLiteral("New group"), replacement), 0);
    EXPECT_FALSE(groups.deleteGroup(group, QStringLiteral("Lobby")));
    s->status->ShutDown();  // the layout save fails as well
    EXPECT_EQ(s->host.count(QStringLiteral("SendSyncData")), 0) << "a failed change must not be announced";

    restoreAndReconnect();
    EXPECT_EQ(storedPoints(*s->db, group), pointsBefore);
    EXPECT_EQ(differingTables(tableChecksums(*s->db), before), QStringList());
}

TEST_P(DatabaseLoss, TheComponentWorksAgainOnceTheDatabaseIsBack) {
    loseDatabase(*s->db, s->databasePath());
    const QString input = s->firstAddress(1, QStringLiteral("BI"));
    s->status->SyncPipe(QStringLiteral("STATUSVIEW"), 4, input, QStringLiteral("WS2"), {});
    const int failures = s->logEntries();
    ASSERT_GE(failures, 1);

    EXPECT_FALSE(link().isReachable());

    restoreAndReconnect();
    EXPECT_TRUE(link().isReachable());
    s->status->SyncPipe(QStringLiteral("STATUSVIEW"), 4, input, QStringLiteral("WS2"), {});
    s->status->SyncPipe(QStringLiteral("STATUSVIEW"), 5, QString(), QStringLiteral("WS2"), {});
    EXPECT_EQ(s->logEntries(), failures) << "no new failure once the database answers again";
    EXPECT_GT(s->window().groupEntries().size(), 1);

    GroupStore& groups = groupStoreOf(*s->status);
    const QVector<SelectedPoint> replacement = {{QStringLiteral("Only point"), s->firstAddress(0), 1, 1, 0, 16}};
    EXPECT_TRUE(groups.replacePoints(group, QStringLiteral("Lobby"), replacement));
    EXPECT_EQ(storedPoints(*s->db, group).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, DatabaseLoss, ::testing::Values(Backend::SqliteFile, Backend::OdbcFile),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                             return info.param == Backend::OdbcFile ? std::string("Odbc") : std::string("Sqlite");
                         });

}  // namespace
}  // namespace so::test
