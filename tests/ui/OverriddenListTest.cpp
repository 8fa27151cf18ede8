// The overridden points list: what an operator has taken out of normal working in the shown
// group now, with when and by whom where the site's event log holds it.
#include "ui/UiFixture.h"

#include "window/OverriddenPoints.h"

#include <QLabel>
#include <QToolBar>

namespace so::test {
namespace {

class OverriddenList : public UiFixture {
protected:
    QVariant firstValue(const QString& sql) {
        db::Recordset rs = db->query(sql);
        return rs.eof() ? QVariant() : rs.field(0);
    }
    /// The list's row of an address (from 1), 0 when not listed.
    int listed(const QString& address) { return window().gridOverridden().findRow(address); }
    QString cell(const QString& address, const QString& key) {
        return window().gridOverridden().text(listed(address), key);
    }
};

TEST_F(OverriddenList, ListsForcedRelaysUnlockedDoorsAndMaskedPointsWithWhenAndByWhom) {
    show();
    chooseGroup(site.siteGroupId);
    // A newer-line relay of the group forced on from a workstation, its event in the site's log.
    QString relay;
    for (int row = 1; row <= grid(2).rowCount() && relay.isEmpty(); ++row)
        if (grid(2).text(row, col::Address).startsWith(QLatin1String("\\\\ZRII")))
            relay = grid(2).text(row, col::Address);
    ASSERT_FALSE(relay.isEmpty());
    const QString relayName = grid(2).text(grid(2).findRow(relay), col::Name);
    db->execute(QStringLiteral("UPDATE ZRII_Relays SET OperationsStatus = 1024 | 2 WHERE Address = '%1'").arg(relay));
    const QString login = firstValue(QStringLiteral("SELECT LoginName FROM Operators ORDER BY OperatorID")).toString();
    const QString desk =
        firstValue(QStringLiteral("SELECT ComputerName FROM Workstations ORDER BY WorkstationID")).toString();
    for (const QString& details :
         {QStringLiteral("force off to ") + relayName, QStringLiteral("force on to ") + relayName})
        db->execute(
            QStringLiteral("INSERT INTO EventLog (EventTime, Description, DeviceKind, DeviceNumber, Details, "
                           "EventCode, WorkstationID, OperatorID) VALUES ('2026-12-07 10:4%1:13', "
                           "'Operator executed force.', 'Relay', 1, '%2', 1267, "
                           "(SELECT MIN(WorkstationID) FROM Workstations), (SELECT MIN(OperatorID) FROM Operators))")
                .arg(details.startsWith(QLatin1String("force on")) ? 2 : 1)
                .arg(details));
    // A classic input masked, a door released.
    const QString input = classicInputs().first();
    status->StateChange(QStringLiteral("STD_INPUT"), input, 67);
    grid(0).addConditions(1, Condition::RelayNotNormal);
    const QString door = grid(0).text(1, col::Address);
    settle();

    QTest::mouseClick(child<QToolBar>("tbrMain")->widgetForAction(action("overriddenButton")), Qt::LeftButton);
    settle();
    EXPECT_EQ(pageInSight(), overriddenList());

    ASSERT_GT(listed(relay), 0);
    EXPECT_EQ(cell(relay, col::Status), QStringLiteral("Force On")) << "the time-zone bit is no override";
    EXPECT_EQ(cell(relay, OverriddenPoints::kSinceKey), QStringLiteral("2026-12-07 10:42:13")) << "the newest event";
    EXPECT_EQ(cell(relay, OverriddenPoints::kByKey), desk.isEmpty() ? login : login + QStringLiteral(" at ") + desk);
    ASSERT_GT(listed(input), 0);
    EXPECT_EQ(cell(input, col::Status), QStringLiteral("Masked"));
    EXPECT_EQ(cell(input, OverriddenPoints::kByKey), QStringLiteral("not recorded"));
    ASSERT_GT(listed(door), 0);
    EXPECT_EQ(cell(door, col::Status), QStringLiteral("Unlocked"));

    // The view shows the list's rows and the band counts them.
    const int rows = window().gridOverridden().rowCount();
    EXPECT_EQ(overriddenList()->model()->rowCount(), rows);
    EXPECT_TRUE(totalsLabel()->text().startsWith(QStringLiteral("Total: %L1 point").arg(rows)))
        << totalsLabel()->text().toStdString();

    // The relay released: gone from the list when it is read again (F5 or choosing the view).
    db->execute(QStringLiteral("UPDATE ZRII_Relays SET OperationsStatus = 2 WHERE Address = '%1'").arg(relay));
    window().RefreshAllRows();
    settle();
    EXPECT_EQ(listed(relay), 0);
}

}  // namespace
}  // namespace so::test
