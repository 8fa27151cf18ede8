// The alarm states written off the window's thread: jobs run in their order on the writer's own
// thread, every job queued is run before the writer stops, a failing job is kept for the window to
// report and does not stop the next, and a site database in a file gets what the list saw from a
// connection of the writer's own, also when the desk closes at once.
#include "support/ContextFixture.h"

#include "base/SiteLink.h"
#include "site/SiteSchema.h"
#include "window/AlarmBridge.h"
#include "window/AlarmRecords.h"
#include "window/AlarmWriter.h"
#include "window/SiteAlarmAuthority.h"

#include <statusobject/Db.h>

#include <QDateTime>

#include <chrono>
#include <ctime>
#include <stdexcept>
#include <thread>

namespace so::test {
namespace {

/// An authority that records on which thread and in which order it was asked.
class RecordingAuthority : public AlarmAuthority {
public:
    std::vector<AlarmAcknowledgement> raised(std::vector<AlarmOccurrence>& alarms, qint64) override {
        for (const AlarmOccurrence& a : alarms)
            calls.push_back(QStringLiteral("raised ") + a.address);
        threads.push_back(std::this_thread::get_id());
        return {};
    }
    void cleared(const std::vector<AlarmOccurrence>& alarms, qint64) override {
        for (const AlarmOccurrence& a : alarms)
            calls.push_back(QStringLiteral("cleared ") + a.address);
    }
    std::vector<AlarmAcknowledgement> acknowledge(const std::vector<AlarmOccurrence>&, const QString&,
                                                  qint64) override {
        return {};
    }
    bool shelving(const QString&, bool, int, qint64) override { return true; }
    std::vector<AlarmShelving> shelvings(qint64) override { return {}; }
    void purgeJournal(int, qint64) override {}
    std::vector<AlarmAcknowledgement> news() override { return {}; }

    std::vector<QString> calls;
    std::vector<std::thread::id> threads;
};

AlarmWriter::Job raise(const QString& address) {
    return [address](AlarmAuthority& authority) {
        std::vector<AlarmOccurrence> alarms{{Section::Inputs, 1, address, 1000}};
        authority.raised(alarms, 1000);
    };
}

TEST(AlarmWriterTest, JobsRunInOrderOffTheCallersThreadAndNoneIsLostWhenItStops) {
    RecordingAuthority fallback;
    RecordingAuthority* made = nullptr;
    std::vector<QString> calls;
    std::vector<std::thread::id> threads;
    {
        AlarmWriter writer(
            [&]() -> std::unique_ptr<AlarmAuthority> {
                auto authority = std::make_unique<RecordingAuthority>();
                made = authority.get();
                return authority;
            },
            fallback);
        ASSERT_TRUE(writer.isThreaded());
        // A slow first job: the others wait in the queue when the writer is told to stop.
        writer.post([](AlarmAuthority&) { std::this_thread::sleep_for(std::chrono::milliseconds(50)); });
        for (int i = 0; i < 200; ++i)
            writer.post(raise(QString::number(i)));
        writer.post([&](AlarmAuthority&) {
            calls = made->calls;
            threads = made->threads;
        });
    }
    ASSERT_EQ(calls.size(), 200u) << "every queued job runs before the writer stops";
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(calls[size_t(i)], QStringLiteral("raised %1").arg(i));
    for (std::thread::id id : threads)
        EXPECT_NE(id, std::this_thread::get_id());
    EXPECT_TRUE(fallback.calls.empty());
}

TEST(AlarmWriterTest, FailuresAreKeptForTheCallerAndTheNextJobsStillRun) {
    RecordingAuthority fallback;
    // The thread's authority cannot be made (the site cannot be opened again): the jobs run on
    // the caller's authority, and the failure is told once.
    AlarmWriter writer([]() -> std::unique_ptr<AlarmAuthority> { throw std::runtime_error("no second connection"); },
                       fallback);
    EXPECT_FALSE(writer.isThreaded());
    writer.post([](AlarmAuthority&) { throw std::runtime_error("disk full"); });
    writer.post(raise(QStringLiteral("A1")));
    writer.wait();
    EXPECT_EQ(fallback.calls, std::vector<QString>{QStringLiteral("raised A1")});
    const std::vector<std::exception_ptr> failures = writer.failures();
    ASSERT_EQ(failures.size(), 2u);
    std::vector<std::string> messages;
    for (const std::exception_ptr& failure : failures) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            messages.push_back(e.what());
        }
    }
    EXPECT_EQ(messages, (std::vector<std::string>{"no second connection", "disk full"}));
    EXPECT_TRUE(writer.failures().empty()) << "told once";
    // A job the caller waits for hands its own failure back to it.
    EXPECT_THROW(writer.call([](AlarmAuthority&) { throw std::runtime_error("busy"); }), std::runtime_error);
}

class AlarmBridgeOnAFile : public ContextFixture {
protected:
    AlarmBridgeOnAFile() {
        db = db::Connection::open(QStringLiteral("sqlite:") + folder.filePath(QStringLiteral("site.db")));
        db::createSiteSchema(*db);
        ctx.dbConnection = db.get();
    }
    int rows(const QString& sql) {
        db::Recordset rs = db->query(sql);
        const int n = rs.field(0).toInt();
        rs.close();
        return n;
    }
    QTemporaryDir folder;
    std::unique_ptr<db::Connection> db;
};

TEST_F(AlarmBridgeOnAFile, WhatTheListSawReachesTheSiteFromTheWritersOwnConnectionAlsoAtAnAbruptClose) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    {
        AlarmBridge bridge(ctx);
        AttentionList::SyncResult first;
        for (int i = 0; i < 50; ++i)
            first.raised.push_back({Section::Inputs, i, QStringLiteral("\\\\P.C%1.BI01").arg(i), now});
        bridge.report(first, now);
        EXPECT_TRUE(bridge.isThreaded());
        AttentionList::SyncResult second;
        second.cleared.push_back({Section::Inputs, 0, QStringLiteral("\\\\P.C0.BI01"), now});
        bridge.report(second, now + 10);
        // The desk closes at once: nothing waits for the writer.
    }
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM AlarmStates")), 50);
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM AlarmStates WHERE ClearedAt IS NOT NULL")), 1);
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM AlarmJournal WHERE Event = 'raised'")), 50);
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM AlarmJournal WHERE Event = 'cleared'")), 1);
    EXPECT_EQ(failuresLogged(), 0);
}

TEST_F(AlarmBridgeOnAFile, AnAlarmAcknowledgedAtOnceIsRecordedThoughItsRaiseWasStillWaiting) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    AlarmBridge bridge(ctx);
    AttentionList::SyncResult busy;  // keeps the writer busy: the next steps wait in the bridge
    for (int i = 0; i < 300; ++i)
        busy.raised.push_back({Section::Inputs, i, QStringLiteral("\\\\P.C%1.BI02").arg(i), now});
    bridge.report(busy, now);
    const AlarmOccurrence fresh{Section::Inputs, 1000, QStringLiteral("\\\\P.C1000.BI01"), now};
    AttentionList::SyncResult next;
    next.raised.push_back(fresh);
    bridge.report(next, now);
    const std::vector<AlarmAcknowledgement> recorded = bridge.acknowledge({fresh}, QStringLiteral("seen"), now + 500);
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].address, fresh.address);
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM AlarmJournal WHERE Event = 'acknowledged'")), 1);
}

TEST_F(AlarmBridgeOnAFile, NothingIsWrittenIntoADamagedSiteTheStepsWait) {
    SiteLink link(ctx);
    ctx.siteLink = &link;
    link.noteDatabaseFailure(QStringLiteral("the file is no database"), SiteLink::Failure::Damaged);
    ASSERT_TRUE(link.isDamaged());
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    {
        AlarmBridge bridge(ctx);
        AttentionList::SyncResult seen;
        seen.raised.push_back({Section::Inputs, 1, QStringLiteral("\\\\P.C1.BI01"), now});
        bridge.report(seen, now);
        bridge.wait(std::chrono::seconds(10));
    }
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM AlarmStates")), 0);
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM AlarmJournal")), 0);
}

TEST_F(AlarmBridgeOnAFile, ARaiseTakesTheRowOfAClearedOccurrenceAndLeavesALiveOneStanding) {
    // What the point's row held before the raise at 10:00:05 local time, and what it holds after.
    const QDateTime raised(QDate(2026, 12, 8), QTime(10, 0, 5));
    struct Case {
        const char* before;  // RaisedAt, ClearedAt, AcknowledgedAt, AcknowledgedBy; "" for no row
        const char* after;
        const char* journalRaisedAt;  // "" when nothing is journalled
        bool acknowledgementHandedBack;
    };
    const Case cases[] = {
        {"", "2026-12-08 10:00:05|||", "2026-12-08 10:00:05", false},
        {"2026-12-08 09:00:00|2026-12-08 09:10:00||", "2026-12-08 10:00:05|||", "2026-12-08 10:00:05", false},
        {"2026-12-08 09:00:00|2026-12-08 09:10:00|2026-12-08 09:20:00|Day Operator", "2026-12-08 10:00:05|||",
         "2026-12-08 10:00:05", false},
        {"2026-12-08 09:00:00|||", "2026-12-08 09:00:00|||", "", false},
        {"2026-12-08 09:00:00||2026-12-08 09:05:00|Day Operator",
         "2026-12-08 09:00:00||2026-12-08 09:05:00|Day Operator", "", true},
    };
    const QString address = QStringLiteral("\\\\P.C1.BI01");
    SiteAlarmAuthority authority(*db, std::make_shared<std::atomic<qint32>>(0));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        db->execute(QStringLiteral("DELETE FROM AlarmStates"));
        db->execute(QStringLiteral("DELETE FROM AlarmJournal"));
        const QStringList before = QString::fromUtf8(c.before).split(QLatin1Char('|'));
        if (before.size() == 4) {
            db::Command insert(*db,
                               QStringLiteral("INSERT INTO AlarmStates VALUES (?, ?, NULLIF(?, ''), NULLIF(?, ''), "
                                              "NULLIF(?, ''))"));
            insert.appendParameter(QStringLiteral("@A"), db::ParamType::NVarChar, db::ParamDirection::Input, 30,
                                   address);
            for (int i = 0; i < 4; ++i)
                insert.appendParameter(QStringLiteral("@V%1").arg(i), db::ParamType::NVarChar,
                                       db::ParamDirection::Input, 64, before[i]);
            insert.execute();
        }
        std::vector<AlarmOccurrence> alarms{{Section::Inputs, 1, address, raised.toMSecsSinceEpoch() + 300}};
        const std::vector<AlarmAcknowledgement> handedBack = authority.raised(alarms, raised.toMSecsSinceEpoch() + 400);
        db::Recordset rs = db->query(QStringLiteral(
            "SELECT RaisedAt || '|' || ifnull(ClearedAt, '') || '|' || ifnull(AcknowledgedAt, '') || '|' || "
            "ifnull(AcknowledgedBy, '') FROM AlarmStates"));
        EXPECT_EQ(rs.field(0).toString(), QString::fromUtf8(c.after));
        rs.close();
        db::Recordset journal = db->query(QStringLiteral("SELECT ifnull(max(RaisedAt), '') FROM AlarmJournal"));
        EXPECT_EQ(journal.field(0).toString(), QString::fromUtf8(c.journalRaisedAt));
        journal.close();
        EXPECT_EQ(handedBack.size(), c.acknowledgementHandedBack ? 1u : 0u);
        EXPECT_EQ(QDateTime::fromMSecsSinceEpoch(alarms[0].raisedMs).toString(QStringLiteral("HH:mm:ss")),
                  QString::fromUtf8(c.after).mid(11, 8))
            << "the desk takes the time that stands";
    }
}

TEST(AlarmTimesTest, StoredLocalTimesReadAsTheZoneSaysAlsoAroundAChangeOfTheOffset) {
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    alarms::TimeValues times;
    // Summer and winter time, read twice (the second time from the hour kept).
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(times.read(QStringLiteral("2024-05-06 15:15:37")), 1715001337000);
        EXPECT_EQ(times.read(QStringLiteral("2024-01-15 09:59:59")), 1705309199000);
    }
    // The hours the clock skips and repeats, and what is no time at all, read as a full parse does.
    for (const char* text : {"2024-03-31 02:30:00", "2024-03-31 03:10:00", "2024-10-27 02:30:00", "2024-10-27 02:59:59",
                             "2024-13-01 10:00:00", "2024-05-06 15:61:00", "not a time", ""}) {
        const QVariant stored = QString::fromLatin1(text);
        EXPECT_EQ(times.read(stored), alarms::msOf(stored)) << text;
    }
    EXPECT_EQ(times.read(QVariant()), 0);
    if (zone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
}

}  // namespace
}  // namespace so::test
