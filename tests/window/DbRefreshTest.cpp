// Re-reading single rows from the database: every branch of DBStatusUpdate, the threat level
// lookups, and addresses that must never reach a statement's text.
#include "window/WindowFixture.h"
#include "status/StatusBoard.h"

namespace so::test {
namespace {

class DbRefreshTest : public WindowFixture {
protected:
    DbRefreshTest() { window->FillPoints(site.siteGroupId); }

    /// Renews the row of address in section, looked up there, as target.
    void refresh(RefreshTarget target, int section, const QString& address) {
        const int row = rowOf(section, address);
        ASSERT_GT(row, 0) << address.toStdString();
        window->board().dbRefresh().DBStatusUpdate(target, address, row);
    }
    static constexpr RefreshTarget kEveryTarget[] = {
        RefreshTarget::Door,           RefreshTarget::Input,     RefreshTarget::Relay,
        RefreshTarget::Controller,     RefreshTarget::Box,       RefreshTarget::Port,
        RefreshTarget::ExpansionInput, RefreshTarget::ZR2Reader, RefreshTarget::ZR2Controller,
        RefreshTarget::ZR2Module,
    };
    QString controllerOf(const QString& newerLinePoint) { return newerLinePoint.left(15); }
    void setOnline(const QString& newerLineController, bool online) {
        exec(QStringLiteral("UPDATE ZRII_Controllers SET Online = %1 WHERE Address = '%2'")
                 .arg(online ? 1 : 0)
                 .arg(newerLineController));
    }
};

TEST_F(DbRefreshTest, RowZeroTouchesNoDatabase) {
    ctx.dbConnection = nullptr;  // any statement would now fail and be logged
    for (const RefreshTarget g : kEveryTarget)
        window->board().dbRefresh().DBStatusUpdate(g, firstAddress(1), 0);
    EXPECT_EQ(ownLogReports(), 0);
    window->board().dbRefresh().DBStatusUpdate(RefreshTarget::Box, firstAddress(6), 1);
    EXPECT_EQ(ownLogReports(), 1);
}

TEST_F(DbRefreshTest, ClassicDoorRenewsItsConfiguration) {
    const QString door = firstAddress(1);
    const QString input = QString(door).replace(QLatin1String(".DR"), QLatin1String(".BI"));
    exec(QStringLiteral(
             "UPDATE Inputs SET Disabled = 1, AnlgMode = 3, NormalyOpen = -1, PanelType = 1 WHERE Address = '%1'")
             .arg(input));
    exec(QStringLiteral("UPDATE Outputs SET TwoMan = 1 WHERE Address = '%1'")
             .arg(QString(door).replace(QLatin1String(".DR"), QLatin1String(".BR"))));
    grid(0).setText(rowOf(0, door), col::LastUpdated, QString());
    refresh(RefreshTarget::Door, 0, door);
    EXPECT_EQ(cell(0, door, col::TwoPersonRule), R(1463));
    EXPECT_EQ(cell(0, door, col::Enabled), R(1679));
    EXPECT_EQ(cell(0, door, col::LMType), QStringLiteral("3"));
    EXPECT_EQ(data(0, door, col::Status), 1);
    EXPECT_FALSE(cell(0, door, col::LastUpdated).isEmpty());
}

TEST_F(DbRefreshTest, NewerLineDoorRenewsFromItsContactAndRelayOrShowsDashesOffLine) {
    const QString door = firstAddress(101);
    exec(QStringLiteral("UPDATE ZRII_Relays SET EnergizedStatus = 1, OperationsStatus = 3 WHERE Address = '%1'")
             .arg(QString(door).replace(QLatin1String("DR"), QLatin1String("BR"))));
    exec(QStringLiteral("UPDATE ZRII_Doors SET Disabled = 1 WHERE Address = '%1'").arg(door));
    // The door's contact is its input with the lowest index; its other inputs say nothing here.
    const QString inputs =
        QStringLiteral(
            "SELECT InputID FROM ZRII_InputsInDoorsRelations r JOIN ZRII_Doors d ON d.DoorID = r.DoorID "
            "WHERE d.Address = '%1'")
            .arg(door);
    exec(QStringLiteral("UPDATE ZRII_Inputs SET LineModuleType = 3, MaskSource = 0 WHERE InputID IN (%1)").arg(inputs));
    exec(QStringLiteral("UPDATE ZRII_Inputs SET LineModuleType = 2, MaskSource = 1 WHERE InputID = (SELECT i.InputID "
                        "FROM ZRII_Inputs i WHERE i.InputID IN (%1) ORDER BY i.[Index] LIMIT 1)")
             .arg(inputs));
    setOnline(controllerOf(door), true);
    refresh(RefreshTarget::Door, 0, door);
    EXPECT_EQ(cell(0, door, col::Enabled), R(1679));
    EXPECT_EQ(cell(0, door, col::LMType), QStringLiteral("2"));
    EXPECT_EQ(cell(0, door, col::Masked), QStringLiteral("Door Relay Actuated"));
    EXPECT_EQ(cell(0, door, col::RelayStatus), QStringLiteral("ON"));
    EXPECT_EQ(cell(0, door, col::RelayDetails), QStringLiteral("Time Zone"));
    EXPECT_EQ(ownLogReports(), 0);

    setOnline(controllerOf(door), false);
    refresh(RefreshTarget::Door, 0, door);
    EXPECT_EQ(cell(0, door, col::RelayStatus), QStringLiteral("-"));
    EXPECT_EQ(cell(0, door, col::RelayDetails), QStringLiteral("-"));
}

TEST_F(DbRefreshTest, InputsOfEachLineRenewFromTheirOwnTables) {
    const QString classic = firstAddress(2, QStringLiteral("t.BelongToDoor = 0"));
    const QString expansion = firstAddress(8);
    const QString newer = firstAddress(102);
    exec(QStringLiteral("UPDATE Inputs SET AnlgMode = 3, Disabled = 1 WHERE Address = '%1'").arg(classic));
    exec(QStringLiteral("UPDATE ExpInputs SET Anlg_mode = 2, normal_open = -1 WHERE Address = '%1'").arg(expansion));
    exec(QStringLiteral("UPDATE ZRII_Inputs SET MaskSource = 129, LineModuleType = 3 WHERE Address = '%1'").arg(newer));
    setOnline(controllerOf(newer), true);
    for (const QString& address : {classic, expansion, newer})
        refresh(RefreshTarget::Input, 1, address);
    EXPECT_EQ(cell(1, classic, col::LMType), QStringLiteral("3"));
    EXPECT_EQ(cell(1, classic, col::Enabled), R(1679));
    EXPECT_EQ(cell(1, expansion, col::LMType), QStringLiteral("2"));
    EXPECT_EQ(data(1, expansion, col::Status), 1);
    EXPECT_EQ(cell(1, newer, col::Masked), QStringLiteral("Door Relay Actuated,RQE"));
    EXPECT_EQ(cell(1, newer, col::LMType), QStringLiteral("3"));

    setOnline(controllerOf(newer), false);
    refresh(RefreshTarget::Input, 1, newer);
    for (const QString& key : {col::Masked, col::Input1, col::Input2, col::Input3})
        EXPECT_EQ(cell(1, newer, key), QStringLiteral("-")) << key.toStdString();
}

TEST_F(DbRefreshTest, NewerLineRelayShowsItsEnergisedState) {
    const QString relay = firstAddress(103);
    exec(QStringLiteral("UPDATE ZRII_Relays SET EnergizedStatus = 0, OperationsStatus = 0 WHERE Address = '%1'")
             .arg(relay));
    setOnline(controllerOf(relay), true);
    refresh(RefreshTarget::Relay, 2, relay);
    EXPECT_EQ(cell(2, relay, col::Status), QStringLiteral("OFF"));
    EXPECT_EQ(cell(2, relay, col::RelayDetails), QStringLiteral("none"));
    setOnline(controllerOf(relay), false);
    refresh(RefreshTarget::Relay, 2, relay);
    EXPECT_EQ(cell(2, relay, col::Status), QStringLiteral("-"));
}

TEST_F(DbRefreshTest, ClassicControllerShowsTheHighestThreatLevelOfItsStatus) {
    const QString controller = firstAddress(5);
    exec(QStringLiteral("UPDATE SuperStatus SET Status = '2|5|3' WHERE Address = '%1' AND StatusType = 32")
             .arg(controller));
    exec(QStringLiteral("UPDATE Controllers SET Installed = 0 WHERE Address = '%1'").arg(controller));
    refresh(RefreshTarget::Controller, 4, controller);
    EXPECT_EQ(cell(4, controller, col::ThreatLevel), QStringLiteral("Severe"));
    EXPECT_EQ(cell(4, controller, col::Enabled), R(1679));
}

TEST_F(DbRefreshTest, ClassicThreatLevelOfAStatusValue) {
    EXPECT_EQ(window->board().dbRefresh().GetContThreatLevelForStatus(QStringLiteral("2|5|3")),
              QStringLiteral("Severe"));
    EXPECT_EQ(window->board().dbRefresh().GetContThreatLevelForStatus(QString()), QStringLiteral("Normal"));
    EXPECT_EQ(window->board().dbRefresh().GetContThreatLevelForStatus(QStringLiteral("1|x|2")),
              QStringLiteral("Guarded"));
}

TEST_F(DbRefreshTest, PylonAndPortRenewFromTheirTables) {
    const QString pylon = firstAddress(6);
    const QString port = firstAddress(7);
    exec(QStringLiteral("UPDATE Pylons SET Revision = 'r42', Enabled = 0 WHERE Address = '%1'").arg(pylon));
    refresh(RefreshTarget::Box, 5, pylon);
    EXPECT_EQ(cell(5, pylon, col::Rev), QStringLiteral("r42"));
    EXPECT_EQ(cell(5, pylon, col::Enabled), R(1679));

    exec(QStringLiteral("DELETE FROM SuperStatus WHERE Address = '%1'").arg(port));
    exec(QStringLiteral(
             "INSERT INTO SuperStatus (Address, ControllerID, StatusType, Status) VALUES ('%1', 99999, 501, '0')")
             .arg(port));
    refresh(RefreshTarget::Port, 6, port);
    EXPECT_EQ(cell(6, port, col::Status), R(1432));
    exec(QStringLiteral("UPDATE SuperStatus SET Status = '1' WHERE Address = '%1'").arg(port));
    refresh(RefreshTarget::Port, 6, port);
    EXPECT_EQ(cell(6, port, col::Status), R(1433));
}

TEST_F(DbRefreshTest, ExpansionInputBranchWritesTheInputsSectionNotTheModules) {
    const QString input = firstAddress(8, QStringLiteral("t.InputIndex = 1"));
    exec(QStringLiteral("UPDATE ExpInputs SET Anlg_mode = 3 WHERE Address = '%1'").arg(input));
    window->FillPoints(makeGroup({{8, QStringLiteral("t.Address = '%1'").arg(input)}, {108, QString()}}));
    const int row = rowOf(1, input);
    ASSERT_EQ(row, 1);
    ASSERT_GE(grid(7).rowCount(), 1);  // the same row number exists among the modules
    const QString moduleName = grid(7).text(row, col::Name);
    const QString moduleUpdated = grid(7).text(row, col::LastUpdated);
    window->board().dbRefresh().DBStatusUpdate(RefreshTarget::ExpansionInput, input, row);
    EXPECT_EQ(cell(1, input, col::LMType), QStringLiteral("3"));
    EXPECT_EQ(grid(7).text(row, col::Name), moduleName);
    EXPECT_EQ(grid(7).text(row, col::LastUpdated), moduleUpdated);
}

TEST_F(DbRefreshTest, NewerLineReaderControllerAndModule) {
    const QString reader = firstAddress(
        104, QStringLiteral("EXISTS (SELECT 1 FROM ZRII_KeypadsInReader k WHERE k.ReaderID = t.ReaderID)"));
    ASSERT_FALSE(reader.isEmpty());
    const QString controller = controllerOf(reader);
    const QString module = firstAddress(108, QStringLiteral("t.Address LIKE '%1%'").arg(controller));
    exec(QStringLiteral("UPDATE ZRII_Keypads SET CodeTamperLockout = 1, PhysicalTamperLockout = 0"));
    exec(QStringLiteral("UPDATE ZRII_Modules SET Online = 1, Installed = 1, InTamper = 1"));
    setOnline(controller, true);
    refresh(RefreshTarget::ZR2Reader, 3, reader);
    refresh(RefreshTarget::ZR2Controller, 4, controller);
    refresh(RefreshTarget::ZR2Module, 7, module);
    EXPECT_EQ(cell(3, reader, col::Status), R(1433));
    EXPECT_EQ(cell(3, reader, col::CTamper), QStringLiteral("Lockout"));
    EXPECT_EQ(cell(3, reader, col::PTamper), QStringLiteral("OK"));
    EXPECT_EQ(cell(4, controller, col::Status), R(1433));
    EXPECT_EQ(cell(7, module, col::Enclosure), R(1438));
    EXPECT_EQ(cell(7, module, col::Status), R(1433));

    setOnline(controller, false);
    refresh(RefreshTarget::ZR2Reader, 3, reader);
    refresh(RefreshTarget::ZR2Controller, 4, controller);
    refresh(RefreshTarget::ZR2Module, 7, module);
    for (const QString& key : {col::Status, col::PTamper, col::CTamper, col::ThreatLevel})
        EXPECT_EQ(cell(3, reader, key), QStringLiteral("-")) << key.toStdString();
    // Off line, a controller's state cannot be told; as a full load draws it, no cell of it says "-".
    EXPECT_EQ(cell(4, controller, col::Status), R(1435));
    EXPECT_EQ(cell(4, controller, col::Enclosure), QString());
    EXPECT_EQ(cell(7, module, col::Enclosure), QStringLiteral("-"));
    EXPECT_EQ(cell(7, module, col::Status), QStringLiteral("-"));
}

TEST_F(DbRefreshTest, AddressesWithQuotesNeverReachAStatement) {
    const QByteArray before = databaseChecksum(*db);
    const QString evil =
        QStringLiteral("\\\\SNET.X'); DELETE FROM Doors; UPDATE ZRII_Inputs SET MaskSource = 1; --.DR01");
    for (const RefreshTarget g : kEveryTarget)
        window->board().dbRefresh().DBStatusUpdate(g, evil, 1);
    window->board().maskedPoints().UpdateMaskedItem(QStringLiteral("\\\\SNET.A'B'); DELETE FROM Inputs; --.BI03"), 4);
    window->board().maskedPoints().UpdateMaskedItem(QStringLiteral("\\\\ZRII.'; DELETE FROM ZRII_Inputs; --.BI01"), 4);
    EXPECT_EQ(databaseChecksum(*db), before);
    // Bound, the addresses are plain values: no statement failed on them.
    EXPECT_EQ(ownLogReports(), 0);
}

}  // namespace
}  // namespace so::test
