// Live status through the public Status: device type words in any letter case, the newer line's controllers, modules
// and keypads are re-read from the database, stored controller reports replay on request, and the quiet-period timer
// runs the full refresh.
#include "component/ComponentFixture.h"
#include "status/StatusBoard.h"
#include "component/StatusInternals.h"

#include "status/SuperStatus.h"

#include <statusobject/Vocabulary.h>

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QRegularExpression>

#include <functional>
#include <thread>

namespace so::test {
namespace {

constexpr int kDoor = 1, kReader = 4, kController = 5, kZDoor = 101, kZInput = 102, kZReader = 104, kZController = 105,
              kZModule = 108;
const QString kTime = QStringLiteral("2025-01-02 03:04:05");

class LiveStatusTest : public ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        status->Show();
        ASSERT_EQ(window().currentGroup(), site.smallGroupId);
    }

    /// The i-th point of a kind in the small group, classic kinds filtered by address code.
    QString point(int objectId, int i = 0, const char* code = nullptr) {
        QStringList all = groupAddresses(site.smallGroupId, objectId);
        if (code != nullptr)
            all = all.filter(QLatin1String(code));
        return all.value(i);
    }

    void setStoredStatus(const QString& address, int statusType, const QString& text) {
        db->execute(QStringLiteral("UPDATE SuperStatus SET Status = '%1' WHERE Address = '%2' AND StatusType = %3")
                        .arg(text, address)
                        .arg(statusType));
    }

    qint32 controllerId(const QString& address) {
        return scalar(*db, QStringLiteral("SELECT Controller_ID FROM Controllers WHERE Address = '%1'").arg(address))
            .toInt();
    }

    /// Every cell text of every section.
    QStringList allCells() {
        QStringList out;
        for (int s = 0; s < 8; ++s)
            for (int r = 1; r <= grid(s).rowCount(); ++r)
                for (int c = 0; c < grid(s).columnCount(); ++c)
                    out << grid(s).text(r, c);
        return out;
    }

    bool maskedListed(const QString& address) { return window().board().sections().masked().findRow(address) > 0; }
};

TEST_F(LiveStatusTest, DeviceTypesInAnyLetterCaseAndEveryReportRestartsTheQuietPeriod) {
    // What each device type writes is pinned by PointStatesTableTest; here the words' letter case
    // and the quiet period every report starts again.
    const QString sm = point(kReader, 0, "SM");
    for (const QString& word : {QStringLiteral("reader"), QStringLiteral("Reader"), QStringLiteral("READER")}) {
        window().refreshTimerTick();
        ASSERT_EQ(window().board().quietPeriod().ticks, 1);
        status->StateChange(QStringLiteral("READER"), sm, state::Online, kTime);
        status->StateChange(word, sm, state::ReaderPhysicalTamper, kTime);
        EXPECT_EQ(cell(3, sm, QStringLiteral("PTamper")), QStringLiteral("R1436")) << word.toStdString();
        EXPECT_EQ(window().board().quietPeriod().ticks, 0);
        status->StateChange(word, sm, state::ReaderPhysicalTamperCleared, kTime);
    }
    EXPECT_EQ(ctx().errorLog.reportsWritten(), 0);
    EXPECT_TRUE(host.loggedErrors.isEmpty()) << host.loggedErrors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(LiveStatusTest, BadInputOfEveryKindShowsNoBoxAndTheHostHearsOncePerReason) {
    const QString door = point(kDoor, 0);
    const QString input = groupAddresses(site.smallGroupId, 2).filter(QStringLiteral(".BI")).value(0);
    ASSERT_FALSE(input.isEmpty());
    const QStringList before = allCells();
    struct Bad {
        const char* reason;  // how the host's LogError begins
        std::function<void()> send;
    };
    const Bad inputs[] = {
        {"Status.StateChange: StateChange with an unknown device type: no section shows that device type",
         [&] { status->StateChange(QStringLiteral("FIRE_PANEL"), door, state::LineState16, kTime); }},
        {"Status.StateChange: StateChange with an address of no known form",
         [&] { status->StateChange(device::StdInput, QStringLiteral("NETW.DR01"), state::AlarmSet); }},
        {"Status.StateChange: StateChange whose device type names another kind of point",
         [&] { status->StateChange(device::StdRelay, input, state::RelayOn, kTime); }},
        {"Status.StateChange: StateChange with a state no device type has",
         [&] { status->StateChange(device::StdInput, input, 255, kTime); }},
        {"Status.RefreshStatusItem: RefreshStatusItem with a controller id of no controller",
         [&] { status->RefreshStatusItem(-5); }},
        {"Status.SyncPipe: SyncPipe notice of another topic",
         [&] {
             status->SyncPipe(QStringLiteral("ALARMVIEW"), notice::GroupCreated, QStringLiteral("x|1"),
                              QStringLiteral("WS2"), {});
         }},
        {"Status.SyncPipe: SyncPipe notice with an unknown action",
         [&] { status->SyncPipe(notice::Topic, 42, QStringLiteral("x|1"), QStringLiteral("WS2"), {}); }},
        {"Status.SyncPipe: a notice or report that could not be applied",
         [&] {
             status->SyncPipe(notice::Topic, notice::GroupCreated, QStringLiteral("nogroupid"), QStringLiteral("WS2"),
                              {});
         }},
        {"Status.StateChange: StateChange from a thread other than the component's",
         [&] {
             std::thread worker([&] { status->StateChange(device::StdInput, input, state::AlarmSet); });
             worker.join();
             // Refused on the component's thread, when its event loop runs.
             QCoreApplication::processEvents();
         }},
    };
    int ignored = 0;
    for (const Bad& bad : inputs) {
        SCOPED_TRACE(bad.reason);
        host.loggedErrors.clear();
        bad.send();
        bad.send();  // within the quiet time: counted, not told again
        ignored += 2;
        EXPECT_EQ(status->inputsIgnored(), ignored);
        ASSERT_EQ(host.loggedErrors.size(), 1) << host.loggedErrors.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(host.loggedErrors[0].startsWith(QLatin1String(bad.reason))) << host.loggedErrors[0].toStdString();
    }
    EXPECT_EQ(allCells(), before);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    // One log line per reason, quoting the first input of it.
    QFile log(logDir.path() + QStringLiteral("/StatusObject.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString logged = QString::fromUtf8(log.readAll());
    EXPECT_EQ(logged.count(QStringLiteral("Ignored: ")), int(std::size(inputs))) << logged.toStdString();
    for (const char* quoted : {"\"FIRE_PANEL\"", "\"NETW.DR01\"", "\"255\"", "\"ALARMVIEW\"", "\"-5\""})
        EXPECT_TRUE(logged.contains(QLatin1String(quoted))) << quoted << "\n" << logged.toStdString();
}

TEST_F(LiveStatusTest, AReportWithATimeThatIsNoneIsAppliedAtItsArrivalAndTheHostTold) {
    const QString input = groupAddresses(site.smallGroupId, 2).filter(QStringLiteral(".BI")).value(0);
    const int row = grid(1).findRow(input);
    ASSERT_GT(row, 0);
    host.loggedErrors.clear();
    status->StateChange(device::StdInput, input, state::AlarmSet, QStringLiteral("not a date"));
    EXPECT_EQ(grid(1).text(row, col::Alarm), QStringLiteral("R1463"));
    const QString shown = grid(1).text(row, col::LastUpdated);
    EXPECT_NE(shown, QStringLiteral("not a date"));
    EXPECT_TRUE(shown.contains(QDate::currentDate().toString(QStringLiteral("yyyy")))) << shown.toStdString();
    ASSERT_EQ(host.loggedErrors.size(), 1);
    EXPECT_TRUE(
        host.loggedErrors[0].startsWith(QStringLiteral("Status.StateChange: StateChange with a time that is not one")))
        << host.loggedErrors[0].toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(LiveStatusTest, AReportWithoutTimeShowsNowInTheHostsDateFormat) {
    host.dateFormat = QStringLiteral("dd.MM.yyyy");
    auto fresh = makeStatus(host, dialogs);
    fresh->Show();
    const QString sm = point(kReader, 0, "SM");
    fresh->StateChange(QStringLiteral("READER"), sm, 1);
    const int row = windowOf(*fresh).board().sections().grid(3).findRow(sm);
    const QString shown = windowOf(*fresh).board().sections().grid(3).text(row, QStringLiteral("LastUpdated"));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d$")).match(shown).hasMatch())
        << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))));
}

TEST_F(LiveStatusTest, MaskChangesFollowTheWholeSite) {
    // A classic input of no shown group: the masked list follows it all the same.
    const QString elsewhere =
        scalar(*db, QStringLiteral("SELECT Address FROM Inputs WHERE BelongToDoor = 0 AND Address NOT IN "
                                   "(SELECT ListAddress FROM Status_Points WHERE GroupID = %1) ORDER BY InputID DESC")
                        .arg(site.smallGroupId))
            .toString();
    ASSERT_FALSE(elsewhere.isEmpty());
    ASSERT_FALSE(maskedListed(elsewhere));
    status->StateChange(QStringLiteral("STD_INPUT"), elsewhere, 67, kTime, QStringLiteral("4"));
    EXPECT_TRUE(maskedListed(elsewhere));
    status->StateChange(QStringLiteral("STD_INPUT"), elsewhere, 68, kTime, QStringLiteral("0"));
    EXPECT_FALSE(maskedListed(elsewhere));

    // A newer-line input reports its mask source as the value of state 0.
    const QString zInput = point(kZInput, 1);
    status->StateChange(QStringLiteral("ZR2_INPUT"), zInput, 0, kTime, QStringLiteral("2"));
    EXPECT_TRUE(maskedListed(zInput));
    status->StateChange(QStringLiteral("ZR2_INPUT"), zInput, 0, kTime, QStringLiteral("0"));
    EXPECT_FALSE(maskedListed(zInput));
    status->StateChange(QStringLiteral("ZR2_INPUT"), zInput, 1, kTime, QStringLiteral("2"));  // not state 0
    EXPECT_FALSE(maskedListed(zInput));
}

TEST_F(LiveStatusTest, NewerLineControllersModulesAndKeypadsAreReReadFromTheDatabase) {
    const QString controller = point(kZController, 0);
    db->execute(QStringLiteral("UPDATE ZRII_Controllers SET Online = 0 WHERE Address = '%1'").arg(controller));
    status->StateChange(QStringLiteral("ZR2_CONTROLLER"), controller, 1, kTime);
    EXPECT_EQ(cell(4, controller, QStringLiteral("Status")), QStringLiteral("R1435"));  // cannot be told

    // A module state other than 2 or 3 re-reads the module's row.
    const QString module = point(kZModule, 0);
    status->StateChange(QStringLiteral("ZR2_MODULE"), module, 2, kTime);
    ASSERT_EQ(cell(7, module, QStringLiteral("LastUpdated")), kTime);
    status->StateChange(QStringLiteral("ZR2_MODULE"), module, 1, kTime);
    EXPECT_EQ(cell(7, module, QStringLiteral("Status")), QStringLiteral("-"));  // its controller is off line
    EXPECT_NE(cell(7, module, QStringLiteral("LastUpdated")), kTime);

    // A keypad module's report re-reads the reader the keypad belongs to.
    const QString reader = point(kZReader, 1);
    const QString keypadModule =
        scalar(*db,
               QStringLiteral("SELECT m.Address FROM ZRII_Modules m JOIN ZRII_Keypads k ON k.KeypadModuleID = m.ID "
                              "JOIN ZRII_KeypadsInReader kr ON kr.KeypadID = k.ID JOIN ZRII_Readers r ON "
                              "r.ReaderID = kr.ReaderID WHERE r.Address = '%1'")
                   .arg(reader))
            .toString();
    ASSERT_FALSE(keypadModule.isEmpty());
    const QString stamped = cell(3, reader, QStringLiteral("LastUpdated"));
    status->StateChange(QStringLiteral("ZR2_MODULE"), point(kZModule, 1), 1, kTime);  // no keypad
    EXPECT_EQ(cell(3, reader, QStringLiteral("LastUpdated")), stamped);
    db->execute(QStringLiteral("UPDATE ZRII_Controllers SET Online = 0 WHERE Address = '%1'").arg(reader.left(15)));
    status->StateChange(QStringLiteral("ZR2_MODULE"), keypadModule, 1, kTime);
    EXPECT_EQ(cell(3, reader, QStringLiteral("Status")), QStringLiteral("-"));
    EXPECT_EQ(cell(3, reader, QStringLiteral("PTamper")), QStringLiteral("-"));
}

TEST_F(LiveStatusTest, RefreshStatusItemReplaysTheControllersStoredConditions) {
    const QString controller = point(kController, 0);
    const qint32 id = controllerId(controller);
    status->StateChange(QStringLiteral("CONTROLLER"), controller, 0, kTime);  // Status: not known
    ASSERT_EQ(cell(4, controller, QStringLiteral("Status")), QStringLiteral("R1435"));
    setStoredStatus(controller, 10, QStringLiteral("3,5||0#"));

    qint32 requested = id;
    status->RefreshStatusItem(requested);
    EXPECT_EQ(cell(4, controller, QStringLiteral("Enclosure")), QStringLiteral("R1438"));
    EXPECT_EQ(cell(4, controller, QStringLiteral("ACPower")), QStringLiteral("R1440"));
    // During the request a report does not put the controller on line by itself.
    EXPECT_EQ(cell(4, controller, QStringLiteral("Status")), QStringLiteral("R1435"));
    EXPECT_FALSE(superStatusOf(*status).snapshot().isValid());
}

TEST_F(LiveStatusTest, APointsRefreshReplaysItsStatusTypesAndSkipsWhatIsMalformed) {
    const QString door = point(kDoor, 1);  // door 2: input 2 and relay 2
    const QString controller = door.chopped(5);
    const QString input2 = controller + QStringLiteral(".BI02");
    // Input 1's entry is malformed; input 2 reports an alarm and a mask by time zone.
    setStoredStatus(controller, 7, QStringLiteral("x|0|0#65,67|1|1#"));
    setStoredStatus(controller, 1, QStringLiteral("0,70|0|0#1|0|0#"));
    superStatusOf(*status).RequestSuperStatus(false, door, 0);

    EXPECT_EQ(cell(1, input2, QStringLiteral("Alarm")), QStringLiteral("R1463"));
    EXPECT_EQ(cell(0, door, QStringLiteral("Alarm")), QStringLiteral("R1463"));
    EXPECT_EQ(cell(0, door, QStringLiteral("Relay Status")), QStringLiteral("R1442"));
    EXPECT_TRUE(maskedListed(door));  // a door's input is listed under the door
    // Logged quietly: no message box for stored data.
    EXPECT_EQ(ctx().errorLog.reportsWritten(), 1);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(LiveStatusTest, ReaderThreatLevelsAreReplayedAndTheControllerShowsTheHighest) {
    const QString reader = point(kReader, 1, "SM");
    const QString controller = reader.chopped(5);
    setStoredStatus(controller, 32, QStringLiteral("0|4|0|0|0|0|0|0|0|0|0|0|0|0|0|2"));
    superStatusOf(*status).RequestSuperStatus(false, reader, kReader - 1);
    EXPECT_EQ(cell(3, reader, QStringLiteral("ThreatLevel")), QStringLiteral("High"));
    EXPECT_EQ(cell(3, point(kReader, 0, "SM"), QStringLiteral("ThreatLevel")), QStringLiteral("Normal"));
    EXPECT_EQ(cell(4, controller, QStringLiteral("ThreatLevel")), QStringLiteral("High"));
}

TEST_F(LiveStatusTest, RequestsForAWholeControllerOrTheNewerLine) {
    const QString controller = point(kController, 0);
    setStoredStatus(controller, 500, QStringLiteral("1,3"));
    superStatusOf(*status).RequestSuperStatus(true, point(kDoor, 0), 0);
    EXPECT_EQ(cell(4, controller, QStringLiteral("Enclosure")), QStringLiteral("R1438"));

    const QStringList before = allCells();
    superStatusOf(*status).RequestSuperStatus(true, point(kZDoor, 0), 0);
    superStatusOf(*status).RequestSuperStatus(false, point(kZInput, 0), 1);
    EXPECT_EQ(allCells(), before);
}

TEST_F(LiveStatusTest, QuietTicksPostponeThenRunTheFullRefreshOnce) {
    const QString controller = point(kController, 0);
    setStoredStatus(controller, 500, QStringLiteral("1,3"));
    status->RefreshStatus();
    ASSERT_TRUE(window().refreshTimer().isActive());
    for (int tick = 0; tick < 24; ++tick)
        window().refreshTimerTick();
    status->StateChange(QStringLiteral("READER"), point(kReader, 0, "SM"), 1, kTime);  // the quiet period restarts
    for (int tick = 0; tick < 24; ++tick)
        window().refreshTimerTick();
    EXPECT_NE(cell(4, controller, QStringLiteral("Enclosure")), QStringLiteral("R1438"));
    EXPECT_TRUE(window().refreshTimer().isActive());

    window().refreshTimerTick();  // the 25th quiet tick
    EXPECT_EQ(cell(4, controller, QStringLiteral("Enclosure")), QStringLiteral("R1438"));
    EXPECT_FALSE(window().refreshTimer().isActive());
}

}  // namespace
}  // namespace so::test
