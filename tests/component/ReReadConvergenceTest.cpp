// A row re-read after another workstation's "point configured" notice draws every cell as a full
// load of the group does: for a point of every kind, after its stored configuration and states
// changed, after each notice kind, and for the newer line after its controller went off line and
// came back. The full load is a second window opened afresh on the same site.
#include "ComponentFixture.h"

#include <statusobject/Diagnostics.h>
#include <statusobject/Vocabulary.h>

#include <QRegularExpression>

namespace so::test {
namespace {

class ReReadConvergence : public ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        status->Show();
        chooseGroup(site.siteGroupId);
    }

    void exec(const QString& sql) { db->execute(sql); }

    /// The lines of the shown rows of the addresses, as a window lists them.
    static QStringList rowsOf(const Status& s, const QStringList& addresses) {
        QStringList out;
        for (const QString& line : diagnostics::shownRows(s))
            for (const QString& address : addresses)
                if (line.contains(QRegularExpression(
                        QStringLiteral("\tAddress=%1(\t|$)").arg(QRegularExpression::escape(address)))))
                    out << line;
        return out;
    }

    /// The same rows in a window that loads the group now.
    QStringList fullLoad(const QStringList& addresses) {
        FakeHost otherHost;
        FakeDialogs otherDialogs;
        std::unique_ptr<Status> other = makeStatus(otherHost, otherDialogs);
        other->Show();
        StatusWindow& w = windowOf(*other);
        w.selectGroupEntry(w.findGroupEntry(site.siteGroupId));
        return rowsOf(*other, addresses);
    }

    /// Sends each notice that makes a window re-read the point; after each, its rows (and its
    /// door's) read as a full load shows them.
    void expectEveryNoticeConverges(const QString& address, const char* why) {
        QStringList addresses{address};
        for (const char* code : {".BI", ".BR"})
            if (address.contains(QLatin1String(code)))
                addresses << QString(address).replace(QLatin1String(code), QStringLiteral(".DR"));
        const QStringList expected = fullLoad(addresses);
        ASSERT_FALSE(expected.isEmpty()) << address.toStdString();
        const struct {
            notice::Action action;
            QString data;
        } notices[] = {{notice::PointConfigured, address},
                       {notice::PointConfiguredOfKind, address + QStringLiteral("|CONT")},
                       {notice::ControllerEnabled, address + QStringLiteral("|1")}};
        for (const auto& n : notices) {
            status->SyncPipe(QString(notice::Topic), n.action, n.data, QStringLiteral("77"), QString());
            EXPECT_EQ(rowsOf(*status, addresses), expected)
                << why << ", after notice " << int(n.action) << " for " << address.toStdString();
        }
    }

    QString firstOfKind(int objectId) { return groupAddresses(site.siteGroupId, objectId).value(0); }
};

TEST_F(ReReadConvergence, EveryKindOfPointAfterItsStoredConfigurationAndStatesChanged) {
    const auto sameAs = [](QString address, const char* from, const char* to) {
        return address.replace(QLatin1String(from), QLatin1String(to));
    };
    const QString door = firstOfKind(1);
    const QString zrDoor = firstOfKind(101);
    const QString zrDoorInputs =
        QStringLiteral(
            "SELECT x.InputID FROM ZRII_InputsInDoorsRelations x JOIN ZRII_Doors d ON d.DoorID = x.DoorID "
            "WHERE d.Address = '%1'")
            .arg(zrDoor);
    const struct {
        int objectId;
        QStringList changes;  // %1: the point's address
    } kinds[] = {
        {1,
         {"UPDATE Inputs SET Disabled = 1, AnlgMode = 3 WHERE Address = '" + sameAs(door, ".DR", ".BI") + "'",
          "UPDATE Outputs SET TwoMan = 1 WHERE Address = '" + sameAs(door, ".DR", ".BR") + "'"}},
        {2, {"UPDATE Inputs SET Disabled = 1, AnlgMode = 2 WHERE Address = '%1'"}},
        {3, {}},
        {4, {}},
        {5, {"UPDATE Controllers SET Installed = 0 WHERE Address = '%1'"}},
        {6, {"UPDATE Pylons SET Revision = '9.9', Enabled = 0 WHERE Address = '%1'"}},
        {7, {"UPDATE ServerPorts SET Enabled = 0 WHERE Address = '%1'"}},
        {8, {"UPDATE ExpInputs SET Disabled = 1, Anlg_mode = 2 WHERE Address = '%1'"}},
        {9, {}},
        // The door's inputs differ: its contact (the lowest index) decides the door's cells.
        {101,
         {"UPDATE ZRII_Inputs SET LineModuleType = 1 + [Index] % 3, ContactStatus = 513 * [Index], Disabled = 1 "
          "WHERE InputID IN (" +
              zrDoorInputs + ")",
          "UPDATE ZRII_Relays SET EnergizedStatus = 1, OperationsStatus = 3 WHERE Address = '" +
              sameAs(zrDoor, ".DR", ".BR") + "'"}},
        {102, {"UPDATE ZRII_Inputs SET MaskSource = 129, ContactStatus = 2, LineModuleType = 3 WHERE Address = '%1'"}},
        {103, {"UPDATE ZRII_Relays SET EnergizedStatus = 1, OperationsStatus = 3 WHERE Address = '%1'"}},
        {104,
         {"UPDATE ZRII_Readers SET ThreatLevel = 4 WHERE Address = '%1'",
          "UPDATE ZRII_Keypads SET CodeTamperLockout = 1 WHERE ID IN (SELECT kr.KeypadID FROM ZRII_KeypadsInReader "
          "kr JOIN ZRII_Readers r ON r.ReaderID = kr.ReaderID WHERE r.Address = '%1')"}},
        {105, {"UPDATE ZRII_Controllers SET Installed = 0 WHERE Address = '%1'"}},
        {108, {"UPDATE ZRII_Modules SET InTamper = 1, Online = 0 WHERE Address = '%1'"}},
    };
    for (const auto& kind : kinds) {
        const QString address = firstOfKind(kind.objectId);
        ASSERT_FALSE(address.isEmpty()) << "no point of kind " << kind.objectId;
        const QStringList before = rowsOf(*status, {address});
        for (const QString& change : kind.changes)
            exec(change.contains(QLatin1String("%1")) ? change.arg(address) : change);
        expectEveryNoticeConverges(address, "changed stored values");
        if (!kind.changes.isEmpty())
            EXPECT_NE(rowsOf(*status, {address}), before) << "kind " << kind.objectId << ": the change is shown";
    }
}

TEST_F(ReReadConvergence, NewerLinePointsAfterTheirControllerWentOffLineAndCameBack) {
    for (const int objectId : {101, 102, 103, 104, 105, 108}) {
        const QString address = firstOfKind(objectId);
        ASSERT_FALSE(address.isEmpty()) << "no point of kind " << objectId;
        const QString controller = address.left(15);
        for (const int online : {0, 1}) {
            exec(QStringLiteral("UPDATE ZRII_Controllers SET Online = %1 WHERE Address = '%2'")
                     .arg(online)
                     .arg(controller));
            expectEveryNoticeConverges(address, online ? "back on line" : "off line");
            expectEveryNoticeConverges(controller, online ? "its controller back on line" : "its controller off line");
        }
    }
}

}  // namespace
}  // namespace so::test
