// Notifications from other workstations through Status::SyncPipe: the status-group box follows
// groups created, deleted and renamed elsewhere as the site stores them, configuration changes and
// enabled flags re-read the point's rows, and whatever is not meant for this workstation or cannot be
// read is left alone.
#include "component/ComponentFixture.h"

#include "component/Notices.h"

#include <statusobject/Vocabulary.h>

#include <QCoreApplication>

#include <thread>

namespace so::test {
namespace {

const QString kTopic = notice::Topic;
const QString kOther = QStringLiteral("WS2");

class SyncPipeTest : public ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        status->Show();
    }

    void send(qint32 action, const QVariant& data, const QString& sender = kOther, const QString& topic = kTopic) {
        status->SyncPipe(topic, action, data, sender, QString());
    }

    QStringList box() {
        QStringList out;
        for (const GroupEntry& e : window().groupEntries())
            out << QStringLiteral("%1=%2").arg(e.text).arg(e.itemData);
        return out;
    }

    QString firstOf(int objectId) { return groupAddresses(site.smallGroupId, objectId).value(0); }

    void storeGroup(int id, const QString& name) {
        db->execute(QStringLiteral("INSERT INTO Status_Groups (GroupID, GroupName, SiteID) VALUES (%1, '%2', 1)")
                        .arg(id)
                        .arg(name));
    }

    /// A report was written to the component's log and shown as a message naming the procedure.
    bool reportedUnder(const QString& name) {
        for (const auto& m : dialogs.messages)
            if (m.text.contains(name))
                return true;
        return false;
    }
};

TEST_F(SyncPipeTest, GroupsCreatedElsewhereAppearUnderTheirStoredNameWhenTheOperatorMaySeeThem) {
    storeGroup(77, QStringLiteral("Night Shift"));
    storeGroup(78, QStringLiteral("Dock|Yard"));
    for (int id = 79; id <= 83; ++id)
        storeGroup(id, QStringLiteral("Group %1").arg(id));
    const QStringList before = box();
    send(1, QStringLiteral("ALL CLEAR - ignore|77"), kOther, QStringLiteral("StatusView"));
    EXPECT_EQ(box(), before + QStringList{QStringLiteral("Night Shift=77")}) << "the stored name, not the notice's";
    EXPECT_EQ(host.callsNamed(QStringLiteral("PermissionGranted")).last().toString(),
              QStringLiteral("PermissionGranted(14, 77)"));

    // A name may hold "|" itself: the identifier is what follows the last one.
    send(1, QStringLiteral("Dock|Yard|78"));
    EXPECT_EQ(box().last(), QStringLiteral("Dock|Yard=78"));

    const QStringList now = box();
    send(1, QStringLiteral("Forged|4242"));                     // no such group stored
    send(1, QStringLiteral("Mine|79"), QStringLiteral("WS1"));  // sent by this workstation
    send(1, QStringLiteral("Wrong Topic|80"), kOther, QStringLiteral("STATUSVIEWER"));
    host.permissions[14] = false;
    send(1, QStringLiteral("Secret|81"));  // permission 14 denied
    send(0, QStringLiteral("Zero|82"));
    send(10, QStringLiteral("Ten|83"));
    EXPECT_EQ(box(), now);
}

TEST_F(SyncPipeTest, GroupsNamedAgainstTheNameRuleElsewhereAreNotShownOrRenamedTo) {
    const QStringList before = box();
    for (const QString& name : {QStringLiteral(" "), QStringLiteral("\u200B\u200B"), QStringLiteral("Gate\u202E"),
                                QStringLiteral("a") + QChar(0) + QStringLiteral("b"), QString(51, QLatin1Char('n'))})
        send(1, name + QStringLiteral("|90"));
    EXPECT_EQ(box(), before);
    const int groupId = site.sectionGroupIds[2];
    send(3, QStringLiteral("\u2066Relays|%1").arg(groupId));
    EXPECT_EQ(box(), before) << "a rename to such a name keeps the old one";

    // The host's own call into the component keeps to the same rule.
    EXPECT_EQ(status->createGroup(QStringLiteral("\u200B"), {{QStringLiteral("Front"), firstOf(1), 1, 1, 0, 16}}), 0);
    EXPECT_EQ(status->createGroup(box().last().section(QLatin1Char('='), 0, 0).toUpper(),
                                  {{QStringLiteral("Front"), firstOf(1), 1, 1, 0, 16}}),
              0)
        << "a name taken in another letter case";
}

TEST_F(SyncPipeTest, GroupsDeletedOrRenamedElsewhereFollowTheStoredGroups) {
    const int groupId = site.sectionGroupIds[2];
    const int index = window().findGroupEntry(groupId);
    ASSERT_GE(index, 0);
    const QString stored = window().groupEntries().at(index).text;

    // Forged: the site still holds the group under its name.
    send(3, QStringLiteral("ALL CLEAR - ignore|%1").arg(groupId));
    send(2, QStringLiteral("x|%1").arg(groupId));
    ASSERT_EQ(window().findGroupEntry(groupId), index);
    EXPECT_EQ(window().groupEntries().at(index).text, stored);

    db->execute(
        QStringLiteral("UPDATE Status_Groups SET GroupName = 'Relays, renamed' WHERE GroupID = %1").arg(groupId));
    send(3, QStringLiteral("whatever|%1").arg(groupId));
    EXPECT_EQ(window().groupEntries().at(window().findGroupEntry(groupId)).text, QStringLiteral("Relays, renamed"));

    db->execute(QStringLiteral("DELETE FROM Status_Groups WHERE GroupID = %1").arg(groupId));
    send(2, QStringLiteral("Relays, renamed|%1").arg(groupId), QStringLiteral("WS1"));  // own: ignored
    EXPECT_GE(window().findGroupEntry(groupId), 0);
    send(2, QStringLiteral("Relays, renamed|%1").arg(groupId));
    EXPECT_LT(window().findGroupEntry(groupId), 0);

    const QStringList before = box();
    send(2, QStringLiteral("Unknown|4242"));
    send(3, QStringLiteral("Unknown|4242"));
    EXPECT_EQ(box(), before);
}

TEST_F(SyncPipeTest, VisibleGroupsChangedRebuildsTheBoxAndKeepsTheSelection) {
    const qint32 shown = window().currentGroup();
    db->execute(QStringLiteral("INSERT INTO Status_Groups (GroupName, SiteID) VALUES ('Added Elsewhere', 1)"));
    send(5, 0);
    EXPECT_TRUE(box().join(QLatin1Char(';')).contains(QStringLiteral("Added Elsewhere=")));
    ASSERT_GE(window().selectedGroupIndex(), 0);
    EXPECT_EQ(window().groupEntries().at(window().selectedGroupIndex()).itemData, shown);
}

TEST_F(SyncPipeTest, AConfigurationChangeReReadsThePointsRows) {
    const QString input = firstOf(2);
    const QString door = firstOf(1);
    ASSERT_TRUE(input.endsWith(QStringLiteral("BI01")) && door.endsWith(QStringLiteral("DR01")));
    db->execute(QStringLiteral("UPDATE Inputs SET Disabled = 1 WHERE Address = '%1'").arg(input));
    send(4, QStringLiteral("  %1 ").arg(input));
    EXPECT_EQ(cell(1, input, QStringLiteral("Enabled")), QStringLiteral("R1679"));
    EXPECT_EQ(cell(0, door, QStringLiteral("Enabled")), QStringLiteral("R1679"));  // the input's door
    for (int section = 0; section < 8; ++section)
        EXPECT_TRUE(grid(section).redraw());
}

TEST_F(SyncPipeTest, ANewerLineControllerIsFoundByItsAddressWhateverItsLengthOrKindWord) {
    const QString controller = firstOf(105);
    ASSERT_NE(controller.size(), 17);
    db->execute(QStringLiteral("UPDATE ZRII_Controllers SET Online = 0 WHERE Address = '%1'").arg(controller));
    send(4, controller);  // 15 characters, no kind word: still the newer line's controller
    EXPECT_EQ(cell(4, controller, QStringLiteral("Status")), QStringLiteral("R1435"));
    db->execute(QStringLiteral("UPDATE ZRII_Controllers SET Online = 1 WHERE Address = '%1'").arg(controller));
    send(6, controller + QStringLiteral("|CONT"));
    EXPECT_EQ(cell(4, controller, QStringLiteral("Status")), QStringLiteral("R1433"));
}

TEST_F(SyncPipeTest, EnabledFlagsAreReReadFromTheSiteNotTakenFromTheNotice) {
    const QString controller = firstOf(5), port = firstOf(7), pylon = firstOf(6);
    const auto enabled = [&] {
        return QStringList{cell(4, controller, QStringLiteral("Enabled")), cell(6, port, QStringLiteral("Enabled")),
                           cell(5, pylon, QStringLiteral("Enabled"))};
    };
    const QStringList yes{QStringLiteral("R1463"), QStringLiteral("R1463"), QStringLiteral("R1463")};
    ASSERT_EQ(enabled(), yes);
    // Forged: the site still says enabled.
    send(7, controller + QStringLiteral("|0"));
    send(8, port + QStringLiteral("|0"));
    send(9, pylon + QStringLiteral("|0"));
    EXPECT_EQ(enabled(), yes);

    db->execute(QStringLiteral("UPDATE Controllers SET Installed = 0 WHERE Address = '%1'").arg(controller));
    db->execute(QStringLiteral("UPDATE ServerPorts SET Enabled = 0 WHERE Address = '%1'").arg(port));
    db->execute(QStringLiteral("UPDATE Pylons SET Enabled = 0 WHERE Address = '%1'").arg(pylon));
    send(7, controller + QStringLiteral("|1"));  // the stored flag wins over the notice's either way
    send(8, port + QStringLiteral("|1"));
    send(9, pylon + QStringLiteral("|1"));
    EXPECT_EQ(enabled(), (QStringList{QStringLiteral("R1679"), QStringLiteral("R1679"), QStringLiteral("R1679")}));
}

TEST_F(SyncPipeTest, UnreadablePayloadsAreLoggedCountedAndToldToTheHostWithoutABox) {
    const QString controller = firstOf(5);
    const QStringList boxBefore = box();
    const QString enabledBefore = cell(4, controller, QStringLiteral("Enabled"));
    host.clearCalls();
    struct Case {
        qint32 action;
        QString data;
    };
    const Case cases[] = {
        {1, QStringLiteral("No bar at all")},
        {1, QStringLiteral("nogroupid")},
        {1, QStringLiteral("Name|twelve")},
        {2, QStringLiteral("42")},
        {3, QStringLiteral("New name|4x")},
        {6, QStringLiteral("\\\\PORT.P01")},
        {7, controller},
        {7, controller + QStringLiteral("|on")},
        {8, controller + QStringLiteral("|256")},
    };
    const int ignoredBefore = status->inputsIgnored();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data.toStdString());
        const int before = ctx().errorLog.reportsWritten();
        send(c.action, c.data);
        EXPECT_EQ(ctx().errorLog.reportsWritten(), before + 1);
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(status->inputsIgnored(), ignoredBefore + int(std::size(cases)));
    // The host hears of the first with its reason; the rest of that kind are held back a while.
    ASSERT_EQ(host.count(QStringLiteral("LogError")), 1);
    EXPECT_EQ(box(), boxBefore);
    EXPECT_EQ(cell(4, controller, QStringLiteral("Enabled")), enabledBefore);
    EXPECT_EQ(host.count(QStringLiteral("PermissionGranted")), 0);
}

TEST_F(SyncPipeTest, NoNoticeOfAnyActionShowsABoxWhateverItsData) {
    const QString junk[] = {QStringLiteral("nogroupid"),
                            QStringLiteral("|"),
                            QStringLiteral("||||"),
                            QString(),
                            QStringLiteral("x|99999999999999999999"),
                            QString(5000, QLatin1Char('#'))};
    for (const Notices::Kind& kind : Notices::kinds())
        for (const QString& data : junk) {
            SCOPED_TRACE(QStringLiteral("action %1, data \"%2\"").arg(kind.action).arg(data.left(20)).toStdString());
            send(kind.action, data);
            EXPECT_TRUE(dialogs.messages.isEmpty());
        }
}

TEST_F(SyncPipeTest, ReportsAndRefreshesTheHostHandsOverAreRefusedWithoutABox) {
    host.clearCalls();
    const int ignoredBefore = status->inputsIgnored();
    status->RefreshStatusItem(-5);
    status->RefreshStatusItem(0);
    EXPECT_EQ(status->inputsIgnored(), ignoredBefore + 2);
    ASSERT_EQ(host.count(QStringLiteral("LogError")), 1);  // the second within the quiet time

    // A report from a worker thread is refused there, not applied beside the window's own reads.
    const StatusGrid& inputs = grid(1);
    ASSERT_GT(inputs.rowCount(), 0);
    const auto rowTexts = [&] {
        QStringList texts;
        for (int c = 0; c < inputs.columnCount(); ++c)
            texts << inputs.text(1, c);
        return texts;
    };
    const QStringList before = rowTexts();
    std::thread worker([&] { status->StateChange(device::StdInput, inputs.address(1), state::AlarmSet); });
    worker.join();
    EXPECT_EQ(status->inputsIgnored(), ignoredBefore + 2) << "counted on the component's thread";
    QCoreApplication::processEvents();
    EXPECT_EQ(rowTexts(), before);
    EXPECT_EQ(status->inputsIgnored(), ignoredBefore + 3);
    EXPECT_EQ(host.count(QStringLiteral("LogError")), 2);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace so::test
