// Losing the site database mid-run, through the public Status on a generated site in a temporary
// file reached through SQLite and through the SQLite ODBC driver (support/DatabaseLoss.h): live
// states keep reaching the rows, what needs the database fails cleanly and is told once, a group
// save that fails keeps what is stored. Restoring only puts the site's file back: the link's check
// opens the connection again by itself; the check is called directly (no waiting).
#include "component/StatusInternals.h"
#include "reliability/ReliabilitySite.h"
#include "support/DatabaseLoss.h"

#include "base/ErrorTrap.h"
#include "base/SiteLink.h"
#include "groups/GroupStore.h"
#include "support/DatabaseChecksum.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <optional>

namespace so::test {
namespace {

class SiteLinkLoss : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::OdbcFile && OdbcSqlite::driverName().isEmpty())
            GTEST_SKIP() << OdbcSqlite::skipReason().toStdString();
        s = std::make_unique<ReliabilitySite>(200, GetParam());
        s->showGroup(s->site.siteGroupId);
        ASSERT_GT(s->totalRows(), 50);
        link = contextOf(*s->status).siteLink;
        ASSERT_NE(link, nullptr);
        ASSERT_TRUE(link->isReachable());
        spy = std::make_unique<QSignalSpy>(link, &SiteLink::reachableChanged);
    }

    /// The link's own message boxes (database failures on a live database open the critical report).
    int linkMessages() const {
        int count = 0;
        for (const FakeDialogs::Shown& shown : s->dialogs.messages)
            count += shown.text.contains(QLatin1String("site database cannot be reached")) ? 1 : 0;
        return count;
    }

    /// Operations that need the database: a reload of the shown group, the full refresh, a row
    /// re-read asked for by another workstation and a module state that reads its configuration.
    void runDatabaseOperations(int times) {
        const QString input = s->firstAddress(1, QStringLiteral("BI"));
        const QString module = s->firstAddress(7);
        for (int i = 0; i < times; ++i) {
            s->status->Refresh();
            s->status->RefreshStatus();
            s->status->SyncPipe(QStringLiteral("STATUSVIEW"), 4, input, QStringLiteral("WS2"), {});
            s->status->StateChange(QStringLiteral("ZR2_MODULE"), module, 1);
        }
    }

    std::unique_ptr<ReliabilitySite> s;
    SiteLink* link = nullptr;
    std::unique_ptr<QSignalSpy> spy;
};

TEST_P(SiteLinkLoss, ManyFailuresAreCountedAndTellTheOperatorOnce) {
    loseDatabase(*s->db, s->databasePath());
    const int logBefore = s->logEntries();
    runDatabaseOperations(10);

    EXPECT_FALSE(link->isReachable());
    EXPECT_LE(s->logEntries() - logBefore, 1) << "at most the failure that found the loss; the others are counted";
    EXPECT_GE(link->failuresWhileDown(), 20);
    QFile log(s->logPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray logText = log.readAll();
    EXPECT_EQ(logText.count("The site database cannot be reached:"), 1);
    EXPECT_EQ(logText.count("Status.Refresh: the site database cannot be reached"), 10);
    EXPECT_EQ(s->dialogs.messages.size(), 1) << "one box for the loss, none per failure";
    EXPECT_EQ(linkMessages(), 1);
    EXPECT_EQ(s->dialogs.messages.value(0).icon, Dialogs::Icon::Warning);
    ASSERT_EQ(spy->size(), 1);
    EXPECT_EQ(spy->at(0).at(0).toBool(), false);
    EXPECT_TRUE(link->checkTimer().isActive());
    EXPECT_LE(link->checkTimer().interval(), SiteLink::kCheckIntervalSeconds * 1000);
}

TEST_P(SiteLinkLoss, LiveStateChangesKeepUpdatingTheRowsAndTheirTime) {
    EXPECT_FALSE(link->lastStateChange().isValid()) << "no state change received yet";
    const int rows = s->totalRows();
    loseDatabase(*s->db, s->databasePath());
    runDatabaseOperations(1);
    ASSERT_FALSE(link->isReachable());
    EXPECT_EQ(s->totalRows(), rows) << "a refresh while the database is gone keeps the rows shown";

    const QString input = s->firstAddress(1, QStringLiteral("BI"));
    const QString controller = s->firstAddress(4);
    const QString pylon = s->firstAddress(5);
    ASSERT_FALSE(input.isEmpty() || controller.isEmpty() || pylon.isEmpty());
    const int logBefore = s->logEntries();
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    for (const bool on : {true, false}) {
        s->status->StateChange(QStringLiteral("STD_INPUTV"), input, on ? 255 : 0,
                               QStringLiteral("2024-03-01 10:00:0%1").arg(int(on)), QStringLiteral("0"));
        s->status->StateChange(QStringLiteral("CONTROLLER_ENABLED"), controller, on ? 1 : 0);
        s->status->StateChange(QStringLiteral("PYLON_ENABLED"), pylon, on ? 0 : 1);
        EXPECT_EQ(s->cell(1, input, QStringLiteral("Voltage")), on ? QStringLiteral("4.97") : QStringLiteral("0.00"));
        EXPECT_EQ(s->cell(1, input, QStringLiteral("LastUpdated")),
                  on ? QStringLiteral("2024-03-01 10:00:01") : QStringLiteral("2024-03-01 10:00:00"));
        EXPECT_EQ(s->cell(4, controller, QStringLiteral("Enabled")),
                  on ? QStringLiteral("R1463") : QStringLiteral("R1679"));
        EXPECT_EQ(s->cell(5, pylon, QStringLiteral("Enabled")), on ? QStringLiteral("R1679") : QStringLiteral("R1463"));
    }
    EXPECT_EQ(s->logEntries(), logBefore) << "decoding a live state needs no database";
    const QDateTime last = link->lastStateChange();
    EXPECT_TRUE(last.isValid());
    EXPECT_GE(last, before);
    EXPECT_LE(last, QDateTime::currentDateTime().addSecs(1));
}

TEST_P(SiteLinkLoss, CheckKeepsTheLinkDownUntilTheDatabaseAnswersThenTellsAgainOnTheNextLoss) {
    loseDatabase(*s->db, s->databasePath());
    runDatabaseOperations(2);
    ASSERT_FALSE(link->isReachable());

    for (int i = 0; i < 4; ++i) {
        const int wait = link->checkTimer().interval();
        link->check();
        EXPECT_EQ(link->checkTimer().interval(), qMin(2 * wait, SiteLink::kCheckIntervalSeconds * 1000))
            << "each failed reconnect waits longer, up to the longest wait";
    }
    EXPECT_FALSE(link->isReachable());
    EXPECT_EQ(spy->size(), 1) << "a failed check changes nothing";
    EXPECT_EQ(linkMessages(), 1);

    restoreDatabase(s->databasePath());
    link->check();
    EXPECT_TRUE(link->isReachable());
    ASSERT_EQ(spy->size(), 2);
    EXPECT_EQ(spy->at(1).at(0).toBool(), true);
    EXPECT_EQ(link->checkTimer().interval(), SiteLink::kWatchIntervalSeconds * 1000);

    const int logBefore = s->logEntries();
    runDatabaseOperations(1);
    EXPECT_EQ(s->logEntries(), logBefore) << "the component works again";
    EXPECT_GT(s->window().groupEntries().size(), 1);

    loseDatabase(*s->db, s->databasePath());
    runDatabaseOperations(3);
    EXPECT_FALSE(link->isReachable());
    EXPECT_EQ(linkMessages(), 2) << "a new loss is told again, once";
    EXPECT_EQ(spy->size(), 3);
}

TEST_P(SiteLinkLoss, AGroupSaveThatFailsKeepsThePreviousPointsAndNothingStoredIsLost) {
    const QMap<QString, QByteArray> tables = tableChecksums(*s->db);
    const int group = s->site.smallGroupId;
    const QStringList points = storedPoints(*s->db, group);
    ASSERT_FALSE(points.isEmpty());
    loseDatabase(*s->db, s->databasePath());
    GroupStore& groups = groupStoreOf(*s->status);
    const QVector<SelectedPoint> replacement = {{QStringLiteral("Only point"), s->firstAddress(0), 1, 1, 0, 16}};
    EXPECT_FALSE(groups.replacePoints(group, QStringLiteral("Lobby"), replacement));
    EXPECT_EQ(groups.createGroup(QStringLiteral("New group"), replacement), 0);
    EXPECT_FALSE(groups.deleteGroup(group, QStringLiteral("Lobby")));
    s->status->ShutDown();  // the layout save fails as well
    EXPECT_EQ(s->host.count(QStringLiteral("SendSyncData")), 0) << "a failed change must not be announced";

    restoreDatabase(s->databasePath());
    link->check();
    ASSERT_TRUE(s->db->isAlive());
    EXPECT_EQ(storedPoints(*s->db, group), points);
    EXPECT_EQ(differingTables(tableChecksums(*s->db), tables), QStringList());
    EXPECT_TRUE(groups.replacePoints(group, QStringLiteral("Lobby"), replacement)) << "saves again once it is back";
    EXPECT_EQ(storedPoints(*s->db, group).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, SiteLinkLoss, ::testing::Values(Backend::SqliteFile, Backend::OdbcFile),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                             return info.param == Backend::OdbcFile ? std::string("Odbc") : std::string("Sqlite");
                         });

TEST(SiteLinkLive, AFailedStatementOnALiveDatabaseKeepsTheLinkUpAndShowsTheReport) {
    ReliabilitySite s(50, Backend::SqliteFile);
    ComponentContext& ctx = contextOf(*s.status);
    ASSERT_NE(ctx.siteLink, nullptr);
    for (int i = 0; i < 2; ++i)
        trap(ctx, QStringLiteral("FMain.FillPoints"),
             [&] { s.db->execute(QStringLiteral("SELECT * FROM NoSuchTable")); });
    EXPECT_TRUE(ctx.siteLink->isReachable());
    ASSERT_EQ(s.dialogs.messages.size(), 2) << "an ordinary failure keeps its report box";
    EXPECT_EQ(s.dialogs.messages.at(0).icon, Dialogs::Icon::Critical);
    EXPECT_EQ(s.logReports(), 2);
}

/// A context of its own: its log in a folder of its own, its boxes recorded.
struct BareContext {
    QTemporaryDir folder;
    ComponentContext ctx;
    FakeDialogs dialogs;
    BareContext() {
        ctx.errorLog.setFolder(folder.path());
        ctx.dialogs = &dialogs;
    }
};

TEST(SiteLinkLive, NoConnectionSetCountsAsUnreachable) {
    BareContext bare;
    ComponentContext& ctx = bare.ctx;
    FakeDialogs& dialogs = bare.dialogs;
    SiteLink siteLink(ctx);
    ctx.siteLink = &siteLink;
    siteLink.check();
    siteLink.check();
    EXPECT_FALSE(siteLink.isReachable());
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST(SiteLinkLive, ALogGrowingBehindAReaderIsToldOnceAndClearedWhenCheckpointed) {
    BareContext bare;
    ComponentContext& ctx = bare.ctx;
    QTemporaryDir& folder = bare.folder;
    const QString url = QStringLiteral("sqlite:") + folder.filePath(QStringLiteral("site.db"));
    auto db = db::Connection::open(url);
    db->execute(QStringLiteral("CREATE TABLE T (A INTEGER PRIMARY KEY, B TEXT)"));
    db->execute(QStringLiteral("INSERT INTO T (A, B) VALUES (0, 'first')"));
    ctx.dbConnection = db.get();
    SiteLink siteLink(ctx);
    ctx.siteLink = &siteLink;
    siteLink.setWalBound(256 * 1024);
    QSignalSpy over(&siteLink, &SiteLink::logOverBoundChanged);

    // A reader that never finishes its read holds back every checkpoint.
    auto reader = db::Connection::open(url);
    std::optional<db::Recordset> stuck = reader->query(QStringLiteral("SELECT A FROM T"));
    for (int i = 1; i <= 2000; ++i)
        db->execute(QStringLiteral("INSERT INTO T (A, B) VALUES (%1, '%2')").arg(i).arg(QString(200, u'x')));
    siteLink.check();
    siteLink.check();
    EXPECT_TRUE(siteLink.isLogOverBound());
    EXPECT_EQ(over.size(), 1) << "told once";

    stuck.reset();
    db->query(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")).close();
    siteLink.check();
    EXPECT_FALSE(siteLink.isLogOverBound());
    EXPECT_EQ(over.size(), 2);
    QFile log(folder.filePath(QStringLiteral("StatusObject.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains("holds back its checkpoints"));
    ctx.siteLink = nullptr;
}

/// A site file on a small file system of its own (a tmpfs; needs mount rights, else the test skips).
struct SmallDisk : ::testing::Test {
    QTemporaryDir folder;
    QString mount;
    bool mounted = false;
    void SetUp() override {
        mount = folder.filePath(QStringLiteral("disk"));
        QDir().mkpath(mount);
        QProcess run;
        run.start(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=4m", "tmpfs", mount});
        mounted = run.waitForFinished(30000) && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
        if (!mounted)
            GTEST_SKIP() << "cannot mount a tmpfs here: " << run.readAllStandardError().toStdString();
    }
    void TearDown() override {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {mount});
    }
    /// Fills the file system; returns the filler's path.
    QString fill() {
        const QString filler = mount + QStringLiteral("/filler");
        QFile file(filler);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray block(64 * 1024, 'x');
        while (file.write(block) == block.size() && file.flush()) {
        }
        return filler;
    }
};

TEST_F(SmallDisk, AFullDiskIsToldOnceByTheCheckAndClearedWhenThereIsRoom) {
    BareContext bare;
    ComponentContext& ctx = bare.ctx;
    FakeDialogs& dialogs = bare.dialogs;
    {
        auto db = db::Connection::open(QStringLiteral("sqlite:") + mount + QStringLiteral("/site.db"));
        db->execute(QStringLiteral("CREATE TABLE T (A INTEGER)"));
        ctx.dbConnection = db.get();
        SiteLink siteLink(ctx);
        ctx.siteLink = &siteLink;
        QSignalSpy full(&siteLink, &SiteLink::fullChanged);
        siteLink.check();
        EXPECT_FALSE(siteLink.isFull());

        const QString filler = fill();
        siteLink.check();
        siteLink.check();
        EXPECT_TRUE(siteLink.isFull());
        EXPECT_TRUE(siteLink.isReachable()) << "a full disk is no lost site";
        ASSERT_EQ(dialogs.messages.size(), 1) << "told once";
        EXPECT_TRUE(dialogs.messages[0].text.contains("The site file cannot grow: the disk is full"));

        QFile::remove(filler);
        siteLink.check();
        EXPECT_FALSE(siteLink.isFull());
        EXPECT_EQ(full.size(), 2);
        ctx.siteLink = nullptr;
    }
    QFile log(bare.folder.filePath(QStringLiteral("StatusObject.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(text.contains("The site file cannot grow: the disk is full")) << text.toStdString();
    EXPECT_TRUE(text.contains("room again"));
}

}  // namespace
}  // namespace so::test
