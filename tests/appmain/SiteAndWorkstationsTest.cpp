// The site a run opens (a missing SQLite file becomes a demo site, an existing one is reused,
// anything else is refused with a reason) and the application's workstations on it, headless.
#include "component/StatusInternals.h"
#include "demo/App.h"
#include "host/AppSite.h"

#include <statusobject/Db.h>
#include <statusobject/Status.h>
#include <groups/GroupStore.h>
#include <window/StatusWindow.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct SiteFolder : ::testing::Test {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

TEST_F(SiteFolder, AMissingFileBecomesADemoSiteThatLaterRunsReuse) {
    const QString file = path("site.db");
    const sv::SiteChoice first = sv::prepareSite("sqlite:" + file, 150, {}, true);
    EXPECT_EQ(first.url, "sqlite:" + file);
    EXPECT_EQ(first.createdPoints, 150);
    // Only the site itself is left behind: no side file of the generation.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"site.db"});

    const sv::SiteChoice again = sv::prepareSite("sqlite:" + file, 999, {}, true);
    EXPECT_EQ(again.createdPoints, 0);
}

TEST_F(SiteFolder, TheLogOfARemovedSiteFileIsNotReadIntoTheNewOne) {
    // A site whose last run ended without folding its write-ahead log back: its log and index
    // stay beside the file when the file alone is removed.
    const QString file = path("site.db");
    ASSERT_EQ(sv::prepareSite("sqlite:" + file, 300, {}, true).createdPoints, 300);
    {
        const std::unique_ptr<so::db::Connection> db = so::db::Connection::open("sqlite:" + file);
        db->execute("CREATE TABLE FromTheRemovedSite (Id INTEGER)");
        db->execute("UPDATE Doors SET DoorName = 'from the removed site'");
        for (const char* suffix : {"-wal", "-shm"})
            ASSERT_TRUE(QFile::copy(file + suffix, path("kept") + suffix));
    }
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(file + suffix);
    for (const char* suffix : {"-wal", "-shm"})
        ASSERT_TRUE(QFile::rename(path("kept") + suffix, file + suffix));

    ASSERT_EQ(sv::prepareSite("sqlite:" + file, 150, {}, true).createdPoints, 150);
    const std::unique_ptr<so::db::Connection> db = so::db::Connection::open("sqlite:" + file);
    EXPECT_EQ(db->query("PRAGMA integrity_check").field(0).toString().toStdString(), "ok");
    EXPECT_EQ(db->query("SELECT COUNT(*) FROM sqlite_master WHERE name = 'FromTheRemovedSite'").field(0).toInt(), 0);
    EXPECT_EQ(db->query("SELECT COUNT(*) FROM Doors WHERE DoorName = 'from the removed site'").field(0).toInt(), 0);
    EXPECT_EQ(QDir(dir.path()).entryList({"*.creating"}, QDir::Files), QStringList{});
}

TEST_F(SiteFolder, WithoutAUrlTheDemoSiteOfTheScaleGoesIntoTheDataFolder) {
    const QString data = path("data/statusviewer");
    const sv::SiteChoice choice = sv::prepareSite({}, 120, data);
    EXPECT_EQ(choice.url, "sqlite:" + sv::demoSitePath(data, 120));
    EXPECT_TRUE(sv::demoSitePath(data, 120).endsWith("/demo-site-120.db"));
    EXPECT_EQ(choice.createdPoints, 120);
    EXPECT_TRUE(QFile::exists(sv::demoSitePath(data, 120)));
}

TEST_F(SiteFolder, UnusableSitesAreRefusedWithTheReason) {
    QFile text(path("notes.db"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a database, just some text long enough to fill a header page\n");
    text.close();
    const struct {
        QString url;
        const char* mentions;
    } cases[] = {
        {"sqlite:" + path("notes.db"), "notes.db"},
        {"sqlite:" + path("no/such/folder/site.db"), "does not exist"},
        {"sqlite:" + path("mistyped.db"), "--create-demo"},
        {"sqlite::memory:", "in-memory"},
        {"mysql:site", "Malformed"},
    };
    for (const auto& c : cases) {
        try {
            sv::prepareSite(c.url, 100, {});
            ADD_FAILURE() << "accepted " << c.url.toStdString();
        } catch (const sv::StartupError& e) {
            EXPECT_TRUE(e.message().contains(QLatin1String(c.mentions))) << e.message().toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(path("mistyped.db"))) << "a mistyped path became a demo site";
}

struct TwoWorkstations : SiteFolder {
    std::unique_ptr<sv::StatusViewerApp> app;

    void SetUp() override {
        const sv::SiteChoice site = sv::prepareSite("sqlite:" + path("site.db"), 300, {}, true);
        sv::AppConfig config;
        config.siteUrl = site.url;
        config.workstations = 2;
        config.logFolder = dir.path();
        app = std::make_unique<sv::StatusViewerApp>(config);
        app->log().setEcho(false);
    }
    so::Status& status(int k) { return app->workstation(k).status(); }
};

TEST_F(TwoWorkstations, AGroupCreatedOnTheFirstAppearsInTheSecondsGroupBox) {
    EXPECT_EQ(app->workstation(1).computerName(), "WS2");
    auto db = so::db::Connection::open("sqlite:" + path("site.db"));
    so::db::Recordset rs = db->query(
        "SELECT TOP 1 ObjectID, PointID, ListName, ListSmallIcon, ListAddress, AlternateFlag FROM Status_Points");
    ASSERT_FALSE(rs.eof());
    const so::SelectedPoint point{rs.field(2).toString(), rs.field(4).toString(), rs.field(0).toInt(),
                                  rs.field(1).toInt(),    rs.field(5).toInt(),    qint16(rs.field(3).toInt())};
    rs.close();

    const qint32 id = groupStoreOf(status(0)).createGroup("Night Rounds", {point});
    ASSERT_GT(id, 0);
    const auto listed = [&] { return windowOf(status(1)).findGroupEntry(id) >= 0; };
    EXPECT_TRUE(QTest::qWaitFor(listed, 10000));
    EXPECT_EQ(windowOf(status(1)).groupEntries().at(windowOf(status(1)).findGroupEntry(id)).text, "Night Rounds");
}

TEST_F(TwoWorkstations, TheSummaryCountsTheFirstWindowsRowsAndEveryDelivery) {
    app->field().step(2000);
    const sv::RunSummary s = app->summary();
    EXPECT_EQ(s.workstations, 2);
    EXPECT_EQ(s.pointsShown, app->workstation(0).pointsShown());
    EXPECT_GT(s.pointsShown, 0);
    EXPECT_EQ(s.stateChanges, 2 * app->field().reportsSent());
    EXPECT_EQ(s.errors, 0) << app->log().lines().join('\n').toStdString();
    app->log().error("one failure");
    EXPECT_EQ(app->summary().errors, 1);
}

TEST_F(SiteFolder, AnUnknownOperatorStopsTheStartWithItsName) {
    sv::AppConfig config;
    config.siteUrl = sv::prepareSite("sqlite:" + path("site.db"), 100, {}, true).url;
    config.operatorName = "nobody";
    config.logFolder = dir.path();
    try {
        sv::StatusViewerApp app(config);
        ADD_FAILURE() << "started";
    } catch (const sv::StartupError& e) {
        EXPECT_TRUE(e.message().contains("nobody")) << e.message().toStdString();
    }
}

}  // namespace
