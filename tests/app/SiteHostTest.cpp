// The workstation host on a generated site: identity, permissions, locks shared through the site
// database, operator events and the smaller host services.
#include "host/AppLog.h"
#include "host/ResourceTexts.h"
#include "host/SiteHost.h"
#include "host/SyncBus.h"
#include "support/SqlServerLike.h"

#include "AppTestSite.h"

#include <gtest/gtest.h>

using sv::SiteHost;
using sv::WorkstationSetup;

namespace {

constexpr qint16 kOperatorFunctions = 10;
constexpr qint16 kStatusGroups = 14;
constexpr qint32 kGroupConfiguration = 37;

struct SiteHostFixture : ::testing::Test {
    sv::test::DemoSiteFile site;
    std::unique_ptr<so::db::Connection> otherDb = site.connect();
    sv::AppLog log;
    sv::ResourceTexts texts{&log};
    sv::SyncBus bus;
    sv::HostServices services;

    SiteHostFixture() {
        log.setEcho(false);
        services.texts = &texts;
        services.log = &log;
        services.bus = &bus;
    }
    std::unique_ptr<SiteHost> host(const QString& computer, const QString& op, so::db::Connection* db = nullptr) {
        WorkstationSetup setup;
        setup.computerName = computer;
        setup.operatorName = op;
        return std::make_unique<SiteHost>(db ? *db : *site.db, setup, services);
    }
    bool permitted(SiteHost& h, qint16 kind, qint32 number) { return h.PermissionGranted(kind, number); }
};

TEST_F(SiteHostFixture, TheOperatorAndWorkstationComeFromTheSite) {
    auto admin = host("WS1", "admin");
    EXPECT_EQ(admin->UserId(), site.site.adminOperatorId);
    EXPECT_EQ(admin->operatorDisplayName(), "Site Administrator");
    EXPECT_EQ(admin->SecurityDomain(), 1);
    EXPECT_EQ(admin->WorkstationID(), QString::number(site.site.workstationId));
    EXPECT_EQ(admin->profileId(), site.site.defaultProfileId);

    auto byNumber = host("WS2", QString::number(site.site.restrictedOperatorId));
    EXPECT_EQ(byNumber->operatorLogin(), "akim");
    EXPECT_EQ(byNumber->WorkstationID(), QString::number(site.site.secondWorkstationId));

    // A computer the site does not know joins it with the first profile.
    auto newcomer = host("Reception-PC", "");
    EXPECT_EQ(newcomer->UserId(), site.site.adminOperatorId);  // the lowest operator number
    EXPECT_GT(newcomer->workstationNumber(), site.site.secondWorkstationId);
    EXPECT_EQ(newcomer->profileId(), site.site.profileIds.first());
}

TEST_F(SiteHostFixture, AnUnknownOperatorStopsTheStartWithAClearMessage) {
    for (const QString& name : {QString("nobody"), QString("x' OR '1'='1"), QString("999")}) {
        try {
            host("WS1", name);
            ADD_FAILURE() << "started for " << name.toStdString();
        } catch (const so::HostError& e) {
            EXPECT_TRUE(e.message().contains(name)) << e.message().toStdString();
        }
    }
}

TEST_F(SiteHostFixture, PermissionsFollowTheOperatorsGroups) {
    auto admin = host("WS1", "admin");
    auto viewer = host("WS2", "akim");
    const qint32 small = site.site.smallGroupId;
    const qint32 doors = site.site.sectionGroupIds[0];
    ASSERT_NE(doors, small);
    struct Case {
        SiteHost* host;
        qint16 kind;
        qint32 number;
        bool granted;
    };
    const Case cases[] = {
        {admin.get(), kOperatorFunctions, 63, true},
        {viewer.get(), kOperatorFunctions, 63, false},  // device commands denied explicitly
        {viewer.get(), kOperatorFunctions, 12, true},   // other functions through the "all" rule
        {admin.get(), kStatusGroups, doors, true},
        {viewer.get(), kStatusGroups, small, true},
        {viewer.get(), kStatusGroups, doors, false},  // no rule at all
        {admin.get(), 99, 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(permitted(*c.host, c.kind, c.number), c.granted)
            << c.host->operatorLogin().toStdString() << " kind " << c.kind << " number " << c.number;
}

TEST_F(SiteHostFixture, TwoWorkstationsContendForALockThroughTheSiteDatabase) {
    auto first = host("WS1", "admin");
    auto second = host("WS2", "mlee", otherDb.get());
    QString holder, where;

    EXPECT_TRUE(first->LockComponent(kGroupConfiguration, 0));
    EXPECT_FALSE(first->ComponentIsLocked(kGroupConfiguration, 0, holder, where)) << "its own lock";
    EXPECT_TRUE(first->LockComponent(kGroupConfiguration, 0)) << "taking its own lock again";

    EXPECT_TRUE(second->ComponentIsLocked(kGroupConfiguration, 0, holder, where));
    EXPECT_EQ(holder, "Site Administrator");
    EXPECT_EQ(where, "WS1");
    EXPECT_FALSE(second->LockComponent(kGroupConfiguration, 0));
    EXPECT_FALSE(second->ReleaseComponent(kGroupConfiguration, 0)) << "released another's lock";
    EXPECT_TRUE(second->ComponentIsLocked(kGroupConfiguration, 0, holder, where));
    EXPECT_TRUE(second->LockComponent(kGroupConfiguration, 1)) << "another component is free";

    EXPECT_TRUE(first->ReleaseComponent(kGroupConfiguration, 0));
    EXPECT_FALSE(second->ComponentIsLocked(kGroupConfiguration, 0, holder, where));
    EXPECT_TRUE(second->LockComponent(kGroupConfiguration, 0));
    EXPECT_FALSE(first->LockComponent(kGroupConfiguration, 0));
}

TEST_F(SiteHostFixture, AClosedWorkstationLeavesNoLocksBehind) {
    auto second = host("WS2", "mlee", otherDb.get());
    {
        auto first = host("WS1", "admin");
        ASSERT_TRUE(first->LockComponent(kGroupConfiguration, 0));
    }
    QString holder, where;
    EXPECT_FALSE(second->ComponentIsLocked(kGroupConfiguration, 0, holder, where));

    // A lock left by a run that ended without closing is dropped when that workstation starts again.
    site.db->execute(
        "INSERT INTO ComponentLocks (Kind, ComponentID, Holder, WorkstationName) "
        "VALUES (37, 5, 'Site Administrator', 'WS1')");
    EXPECT_TRUE(second->ComponentIsLocked(kGroupConfiguration, 5, holder, where));
    auto again = host("WS1", "admin");
    EXPECT_FALSE(second->ComponentIsLocked(kGroupConfiguration, 5, holder, where));
}

TEST_F(SiteHostFixture, OperatorEventsAreStoredWithTheWorkstationAndOperator) {
    auto admin = host("WS1", "admin");
    qint32 device = 42;
    const QString details = "Status Group O''Brien's; DROP TABLE EventLog; --";
    admin->LogEvent("Added", "Status Group", device, details, 1184);
    admin->LogEvent("Operator executed unlock to Door.", "Door", device, "unlock to Front Entrance", 1267);

    const QVector<sv::EventRecord> events = SiteHost::recentEvents(*site.db, 10);
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[0].description, "Operator executed unlock to Door.");
    EXPECT_EQ(events[0].eventCode, 1267);
    EXPECT_EQ(events[1].details, details);
    EXPECT_EQ(events[1].deviceNumber, 42);
    EXPECT_EQ(events[1].workstationId, site.site.workstationId);
    EXPECT_EQ(events[1].operatorId, site.site.adminOperatorId);
    EXPECT_TRUE(events[1].time.isValid());
    EXPECT_EQ(SiteHost::recentEvents(*site.db, 1).size(), 1);
}

// On a server (the SQL Server-like test driver, a day-month-year login): an operator's full name of
// 100 characters holds a lock, and a stored time reads back as the day it was stored.
TEST_F(SiteHostFixture, OnAServerLocksKeepFullNamesAndTimesReadBackUnderADayMonthYearLogin) {
    if (const QString reason = so::test::SqlServerLike::skipReason(); !reason.isEmpty())
        GTEST_SKIP() << reason.toStdString();
    const QString fullName = QString(100, u'N');
    site.db->execute(QStringLiteral("UPDATE Operators SET FullName = '%1' WHERE LoginName = 'admin'").arg(fullName));
    const QString file = site.url.mid(QStringLiteral("sqlite:").size());
    auto server = so::db::Connection::open(so::test::SqlServerLike::url(file, QStringLiteral("LANGUAGE=dmy")));
    auto otherServer = so::db::Connection::open(so::test::SqlServerLike::url(file, QStringLiteral("LANGUAGE=dmy")));
    ASSERT_FALSE(server->usesCompatibilityLayer());

    auto admin = host("WS1", "admin", server.get());
    EXPECT_TRUE(admin->LockComponent(kGroupConfiguration, 0));
    QString holder;
    QString where;
    EXPECT_TRUE(host("WS2", "admin", otherServer.get())->ComponentIsLocked(kGroupConfiguration, 0, holder, where));
    EXPECT_EQ(holder, fullName);

    qint32 device = 7;
    admin->LogEvent("Added", "Status Group", device, "Night Rounds", 1184);
    const QVector<sv::EventRecord> events = SiteHost::recentEvents(*server, 1);
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].time.date(), QDate::currentDate());
}

TEST_F(SiteHostFixture, TextsDatesQuotesAndErrors) {
    auto admin = host("WS1", "admin");
    qint32 number = 1433;
    EXPECT_EQ(admin->GetResourceString(number), "On Line");
    EXPECT_EQ(admin->GRS(74, {"Morgan Lee", "WS2", "Night Shift"}).left(11), "Night Shift");
    EXPECT_EQ(admin->GetDateFormat(), "yyyy-MM-dd");
    EXPECT_EQ(admin->Fix_Apostrophe("O'Brien's ''x"), "O''Brien''s ''''x");

    admin->LogError(0, {13, "Type mismatch", "StatusObject"}, "Status: Show", 7, 0);
    EXPECT_EQ(log.errorCount(), 1);
    EXPECT_TRUE(log.lines().last().contains("Status: Show"));
    EXPECT_TRUE(log.lines().last().contains("Type mismatch"));
}

TEST_F(SiteHostFixture, AFailingDatabaseSurfacesAsAHostError) {
    auto admin = host("WS1", "admin");
    site.db->execute("DROP TABLE ComponentLocks");
    EXPECT_THROW(admin->LockComponent(kGroupConfiguration, 0), so::HostError);
    QString holder, where;
    EXPECT_THROW(admin->ComponentIsLocked(kGroupConfiguration, 0, holder, where), so::HostError);
}

}  // namespace
