// The simulated field on a generated site: momentary commands released again, commands that act
// on no point, the points a command acts on, traffic that stays consistent with the stored live
// status, and determinism. What each command does, from a desk's menu to every desk's row:
// EveryCommandEndToEndTest.
#include "db/ConnectionImpl.h"
#include "host/AppLog.h"

#include "AppTestSite.h"
#include "FieldInternals.h"

#include <site/SiteStatusText.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using sv::FieldOptions;
using sv::SimulatedField;
using sv::test::RecordingSink;
using sv::test::StateReport;

namespace {

struct FieldFixture : ::testing::Test {
    sv::test::DemoSiteFile site;
    sv::AppLog log;
    RecordingSink sink;
    std::unique_ptr<SimulatedField> field;

    FieldFixture() {
        log.setEcho(false);
        FieldOptions options;
        options.answerDelayMs = 1;
        options.momentaryMs = 30;
        field = std::make_unique<SimulatedField>(*site.db, options, &log);
        field->load();
        field->addSink(&sink);
    }

    bool waitFor(const StateReport& r) {
        return QTest::qWaitFor([&] { return sink.has(r); }, 10000);
    }
    /// A stored value once the field's writer has written what it was handed.
    QString stored(const QString& sql) {
        EXPECT_TRUE(field->waitUntilWritten());
        return site.scalar(sql).toString();
    }
    /// The stored entry of point n of a controller's per-point status type.
    so::db::StatusEntry entry(qint32 controller, int type, int index) {
        const QString text =
            stored(QString("SELECT Status FROM SuperStatus WHERE ControllerID = %1 AND StatusType = %2")
                       .arg(controller)
                       .arg(type));
        return so::db::splitStatusEntries(text).value(index);
    }
    qint32 firstController() {
        return site.scalar("SELECT MIN(Controller_ID) FROM Controllers WHERE Installed = 1").toInt();
    }
    QString controllerAddress(qint32 id) {
        return stored(QString("SELECT Address FROM Controllers WHERE Controller_ID = %1").arg(id));
    }
};

TEST_F(FieldFixture, MomentaryCommandsReleaseAgain) {
    const qint32 controller = firstController();
    const QString address = controllerAddress(controller);
    field->dtApiCall(controller, "CALL_API|DOORFUNCTION|MOMENTARY_ACCESS", 1);
    field->dtApiCall(controller, "CALL_API|CONTROLFUNCTION|MOMENTARY_MASK", 2);
    ASSERT_TRUE(waitFor({"STD_RELAY", address + ".BR01", 0, ""}));
    ASSERT_TRUE(waitFor({"STD_INPUT", address + ".BI02", 68, "0"}));
    const int on = int(sink.reports.indexOf(StateReport{"STD_RELAY", address + ".BR01", 1, ""}));
    const int off = int(sink.reports.indexOf(StateReport{"STD_RELAY", address + ".BR01", 0, ""}));
    EXPECT_GE(on, 0);
    EXPECT_LT(on, off);
    EXPECT_TRUE(sink.has({"STD_INPUT", address + ".BI02", 67, "2"}));
}

TEST_F(FieldFixture, CommandsWithoutAPointAreLoggedAndAnsweredWithNothing) {
    const qint32 controller = firstController();
    const int before = log.errorCount();
    field->dtApiCall(99999, "CALL_API|DOORFUNCTION|UNLOCK_DOOR", 1);
    field->dtApiCall(controller, "CALL_API|DOORFUNCTION|UNLOCK_DOOR", 40);
    field->dtApiCall(controller, "CALL_API|CONTROLFUNCTION|SELF_DESTRUCT", 1);
    field->dtApiCall(controller, "garbage", 1);
    field->zr2AccessFunction(7, 99999, 2);
    field->zr2ControlFunction(5, 99999, 103);
    QTest::qWait(20);
    EXPECT_TRUE(sink.reports.isEmpty());
    EXPECT_EQ(log.errorCount() - before, 6);
}

TEST_F(FieldFixture, ACommandsTargetsAreThePointsItActsOnWithTheirDoor) {
    const qint32 controller = firstController();
    const QString c = controllerAddress(controller);
    // What the operator's rights are checked against: the point and, on board, its door.
    EXPECT_EQ(field->apiCallTargets(controller, "CALL_API|DOORFUNCTION|UNLOCK_DOOR", 3),
              (QStringList{c + ".BR03", c + ".DR03"}));
    EXPECT_EQ(field->apiCallTargets(controller, "CALL_API|CONTROLFUNCTION|MASK", 4),
              (QStringList{c + ".BI04", c + ".DR04"}));
    EXPECT_EQ(field->apiCallTargets(controller, "CALL_API|CONTROLFUNCTION|MASK", 8 + 5), (QStringList{c + ".XI05"}));
    EXPECT_TRUE(field->apiCallTargets(99999, "CALL_API|DOORFUNCTION|UNLOCK_DOOR", 1).isEmpty());
    EXPECT_TRUE(field->apiCallTargets(controller, "garbage", 1).isEmpty());

    const qint32 door = site.scalar("SELECT MIN(DoorID) FROM ZRII_Doors").toInt();
    EXPECT_EQ(field->deviceTargets(7, door),
              (QStringList{stored(QString("SELECT Address FROM ZRII_Doors WHERE DoorID = %1").arg(door))}));
    EXPECT_TRUE(field->deviceTargets(5, door + 100000).isEmpty());
    EXPECT_TRUE(field->deviceTargets(9, door).isEmpty());
    const qint32 reader = site.scalar("SELECT MIN(ReaderID) FROM ZRII_Readers").toInt();
    EXPECT_EQ(field->readerTargets(reader),
              (QStringList{stored(QString("SELECT Address FROM ZRII_Readers WHERE ReaderID = %1").arg(reader))}));
}

TEST_F(FieldFixture, TrafficLeavesTheStoredStatusShowingWhatWasReported) {
    ASSERT_GT(field->deviceCount(), 0);
    const int sent = field->step(3000);
    EXPECT_EQ(sent, int(sink.reports.size()));
    field->flush();
    ASSERT_TRUE(field->waitUntilWritten());
    QCoreApplication::processEvents();  // module reports go out once their rows are written

    // The last report of each classic input's alarm, mask and line must match its stored entry.
    QHash<QString, StateReport> lastAlarm, lastMask;
    QSet<QString> kinds;
    for (const StateReport& r : sink.reports) {
        kinds.insert(r.type);
        if (r.type != "STD_INPUT")
            continue;
        if (r.state == 65 || r.state == 66)
            lastAlarm[r.address] = r;
        if (r.state == 67 || r.state == 68)
            lastMask[r.address] = r;
    }
    ASSERT_FALSE(lastAlarm.isEmpty());
    ASSERT_FALSE(lastMask.isEmpty());
    for (auto it = lastAlarm.cbegin(); it != lastAlarm.cend(); ++it) {
        const qint32 controller =
            site.scalar(QString("SELECT ControllerID FROM Inputs WHERE Address = '%1'").arg(it.key())).toInt();
        const int number = it.key().right(2).toInt();
        EXPECT_TRUE(sv::codes::has(entry(controller, so::db::StatusInputs, number - 1).codes, it->state))
            << it.key().toStdString();
    }
    for (auto it = lastMask.cbegin(); it != lastMask.cend(); ++it) {
        const qint32 controller =
            site.scalar(QString("SELECT ControllerID FROM Inputs WHERE Address = '%1'").arg(it.key())).toInt();
        const so::db::StatusEntry e = entry(controller, so::db::StatusInputs, it.key().right(2).toInt() - 1);
        EXPECT_EQ(QString::number(e.maskSource), it->value) << it.key().toStdString();
    }
    // Every kind of traffic shows up in a few thousand events.
    for (const char* type :
         {"STD_INPUT", "EXP_INPUT", "STD_RELAY", "EXP_RELAY", "CONTROLLER", "READER", "READER_THREAT_LEVEL",
          "CONTROLLER_THREAT_LEVEL", "PORT", "ZR2_INPUT", "ZR2_RELAY", "ZR2_MODULE"})
        EXPECT_TRUE(kinds.contains(type)) << type;
}

// Every scenario, started and ended through its row, leaves the site's stored states as they were:
// a row wired to another scenario's start or end leaves points abnormal (or the wrong ones restored).
TEST_F(FieldFixture, EachScenarioEndsWithItsPointsBackAtRest) {
    using Internals = sv::SimulatedFieldInternals;
    const auto siteStates = [this] {
        field->flush();
        EXPECT_TRUE(field->waitUntilWritten());
        QStringList rows;
        for (const char* sql :
             {"SELECT ControllerID, StatusType, Status FROM SuperStatus",
              "SELECT InputID, ContactStatus, MaskSource FROM ZRII_Inputs",
              "SELECT RelayID, EnergizedStatus, OperationsStatus FROM ZRII_Relays",
              "SELECT ID, Online, InTamper FROM ZRII_Modules", "SELECT ID, Online, 0 FROM ZRII_Controllers"})
            for (so::db::Recordset rs = site.db->query(QString(sql) + " ORDER BY 1, 2"); !rs.eof(); rs.moveNext())
                rows << QString("%1 %2: %3 %4")
                            .arg(QString(sql).section(" FROM ", 1), rs.field(0).toString(), rs.field(1).toString(),
                                 rs.field(2).toString());
        return rows;
    };
    // The stored rows that differ between two pictures, for the failure message.
    const auto changed = [](const QStringList& a, const QStringList& b) {
        QStringList rows;
        for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i)
            if (a.value(i) != b.value(i))
                rows << a.value(i) + " -> " + b.value(i);
        return rows.join('\n').toStdString();
    };
    for (const Internals::Row* row : Internals::rows()) {
        SCOPED_TRACE(row->name);
        ASSERT_TRUE(row->possible(*field)) << "the demo site has the points of every scenario";
        const QStringList before = siteStates();
        if (row->end == nullptr) {  // a change that holds nothing
            EXPECT_FALSE(Internals::start(*field, *row, 1));
            continue;
        }
        ASSERT_TRUE(Internals::start(*field, *row, 200));
        ASSERT_EQ(Internals::episodes(*field), 1);
        EXPECT_NE(changed(before, siteStates()), "") << "started without changing a point";
        Internals::endFirst(*field);
        EXPECT_EQ(changed(before, siteStates()), "");
    }
    QCoreApplication::processEvents();  // the outage's reports, sent once its rows are written
    EXPECT_EQ(log.errorCount(), 0) << log.lines().join("\n").toStdString();
}

TEST_F(FieldFixture, ALockedSiteDelaysTheWriteBackNotTheFieldAndLosesNothing) {
    const std::unique_ptr<so::db::Connection> other = site.connect();
    QSqlQuery begin(QSqlDatabase::database(so::db::qtConnectionName(*other), false));
    ASSERT_TRUE(begin.exec("BEGIN EXCLUSIVE"));
    // A hand-over that waited for the lock would take the writer's whole lock wait; a busy machine
    // slows the work itself, never by that much.
    qint64 longest = 0;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer clock;
        clock.start();
        field->step(50);
        field->flush();
        longest = qMax(longest, clock.elapsed());
    }
    EXPECT_LT(longest, sv::FieldWriter::kBusyTimeoutMs) << "handing states over never waits for the lock";
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->failedWrites() > 0; }, 5000));
    EXPECT_GT(field->unwrittenRows(), 0);
    EXPECT_FALSE(field->waitUntilWritten(100));
    // Whoever waits for the write (a resync's answer) is told only once it succeeded.
    bool told = false;
    field->flush([&] { told = true; });
    QTest::qWait(sv::FieldWriter::kBusyTimeoutMs + 2 * sv::FieldWriter::kRetryMs);  // an attempt failed meanwhile
    EXPECT_FALSE(told) << "told while the site still lacks the states";

    begin.exec("ROLLBACK");
    ASSERT_TRUE(field->waitUntilWritten());
    EXPECT_TRUE(QTest::qWaitFor([&] { return told; }, 10000));
    EXPECT_EQ(field->unwrittenRows(), 0);
    QHash<QString, QString> lastContact;
    for (const StateReport& r : sink.reports)
        if (r.type == "ZR2_INPUT" && r.state == 1)
            lastContact[r.address] = r.value;
    ASSERT_FALSE(lastContact.isEmpty());
    for (auto it = lastContact.cbegin(); it != lastContact.cend(); ++it)
        EXPECT_EQ(stored(QString("SELECT ContactStatus FROM ZRII_Inputs WHERE Address = '%1'").arg(it.key())),
                  it.value());
}

TEST_F(FieldFixture, ACutSiteStopsTheWriteBackUntilAWholeFileIsInPlace) {
    const QString path = site.dir.filePath(QStringLiteral("site.db"));
    const QString sound = site.dir.filePath(QStringLiteral("sound.db"));
    site.db->query("PRAGMA wal_checkpoint(TRUNCATE)").close();
    ASSERT_TRUE(QFile::copy(path, sound));
    ASSERT_TRUE(QFile::resize(path, QFileInfo(path).size() / 2));
    const auto hash = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    field->step(200);
    field->flush();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->failedWrites() > 0; }, 5000));
    const QByteArray cut = hash();
    for (int i = 0; i < 10; ++i) {
        field->step(50);
        field->flush();
        QTest::qWait(150);
    }
    EXPECT_EQ(hash(), cut) << "nothing written into the cut file";
    EXPECT_GT(field->unwrittenRows(), 0) << "kept for the whole file";

    ASSERT_EQ(std::rename(QFile::encodeName(sound).constData(), QFile::encodeName(path).constData()), 0);
    EXPECT_TRUE(field->waitUntilWritten(8000)) << "written once a whole file is in place";
}

TEST(SimulatedField, TheSameSeedGivesTheSameTraffic) {
    sv::test::DemoSiteFile a, b;
    RecordingSink sinkA, sinkB;
    SimulatedField fieldA(*a.db, {}), fieldB(*b.db, {});
    fieldA.load();
    fieldB.load();
    fieldA.addSink(&sinkA);
    fieldB.addSink(&sinkB);
    fieldA.step(500);
    fieldB.step(500);
    EXPECT_EQ(sinkA.reports, sinkB.reports);

    FieldOptions other;
    other.seed = 2;
    const std::unique_ptr<so::db::Connection> aAgain = a.connect();
    SimulatedField fieldC(*aAgain, other);
    RecordingSink sinkC;
    fieldC.load();
    fieldC.addSink(&sinkC);
    fieldC.step(500);
    EXPECT_NE(sinkA.reports, sinkC.reports);
}

TEST(SimulatedField, RunsAtTheChosenRateFromTheEventLoop) {
    sv::test::DemoSiteFile site;
    RecordingSink sink;
    FieldOptions options;
    options.reportsPerSecond = 500;
    SimulatedField field(*site.db, options);
    field.load();
    field.addSink(&sink);
    QElapsedTimer clock;
    clock.start();
    field.start();
    QTest::qWait(400);
    field.stop();
    const double seconds = double(clock.elapsed()) / 1000.0;
    EXPECT_FALSE(field.isRunning());
    // About 200 reports: never more than the rate allows for the time it ran (plus the few one
    // event sends beyond its budget); a generous lower bound for a loaded machine.
    EXPECT_GT(field.reportsSent(), 60);
    EXPECT_LE(double(field.reportsSent()), 500.0 * seconds + 5.0);
    EXPECT_EQ(field.deliveries(), field.reportsSent());
    const qint64 sent = field.reportsSent();
    QTest::qWait(50);
    EXPECT_EQ(field.reportsSent(), sent) << "still running after stop";
}

}  // namespace
