#include "CommandsFixture.h"
#include "status/StatusBoard.h"

#include "site/SiteStatusText.h"

namespace so::test {
namespace {

class DeviceDetailsTest : public CommandsFixture {
protected:
    void properties(int pane, const QString& address, qint64 deviceNumber) {
        host.clearCalls();
        addRow(pane, address, deviceNumber);
        click(pane, address);
        menus->details().runMainEntry(entry::Properties);
    }
    /// Stores threat level `level` for all 16 readers of a classic controller.
    void storeReaderThreatLevels(int controllerId, int level) {
        exec(QStringLiteral("UPDATE SuperStatus SET Status = '%1' WHERE ControllerID = %2 AND StatusType = 32")
                 .arg(db::joinThreatLevels(QVector<int>(16, level)))
                 .arg(controllerId));
    }
    QString cell(int pane, const QString& address, const QString& key) {
        return window->board().sections().grid(pane).text(rowOf(pane, address), key);
    }
};

TEST_F(DeviceDetailsTest, PropertiesOpenTheHostDialogOfTheClassicKindByPane) {
    const QString c = QStringLiteral("\\\\SNET.P01.C00001");
    struct Case {
        int pane;
        QString address;
        const char* kind;  // nullptr: nothing opened
    } const cases[] = {
        {0, c + ".DR01", "Door"},   {1, c + ".BI02", "Input"},        {1, c + ".XI02", "ExpInput"},
        {2, c + ".BR03", "Output"}, {2, c + ".XR03", "ExpOutput"},    {3, c + ".SM04", "Reader"},
        {4, c, "Controller"},       {5, "\\\\PYLON.P01.01", "Pylon"}, {7, c + ".MD01", nullptr},
    };
    int number = 100;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.address.toStdString());
        properties(k.pane, k.address, ++number);
        EXPECT_EQ(
            commands(),
            k.kind
                ? QStringList{QStringLiteral("AlarmFormConfigureDevice(%1, %2)").arg(QLatin1String(k.kind)).arg(number)}
                : QStringList());
    }
}

TEST_F(DeviceDetailsTest, ServerPortPropertiesFollowThePortType) {
    QStringList seen;
    db::Recordset rs = db->query(QStringLiteral("SELECT PortID, Address, PortType FROM ServerPorts ORDER BY PortID"));
    rs.readAll();  // each port's properties query the site meanwhile
    for (; !rs.eof(); rs.moveNext()) {
        properties(6, rs.field(1).toString(), rs.field(0).toInt());
        seen << rs.field(2).toString() + QLatin1Char(' ') + commands().join(QLatin1Char(';'));
    }
    const auto has = [&](const QString& line) { return seen.filter(line).size() > 0; };
    EXPECT_TRUE(has(QStringLiteral("1 AlarmFormConfigureDevice(Port, ")));
    EXPECT_TRUE(has(QStringLiteral("5 AlarmFormConfigureDevice(Port, ")));
    EXPECT_TRUE(has(QStringLiteral("4 AlarmFormConfigureDevice(Dialup Location, ")));
    EXPECT_TRUE(has(QStringLiteral("6 AlarmFormConfigureDevice(CCTVPort, ")));
    EXPECT_TRUE(seen.contains(QStringLiteral("7 CallBack(DEVICEADMIN, 0, PROPERTIES, 5001)")));
    EXPECT_TRUE(seen.contains(QStringLiteral("8 CallBack(DEVICEADMIN, 0, PROPERTIES, 6001)")));
}

TEST_F(DeviceDetailsTest, PortConfigLookupBindsTheAddressAndAMissingRowIsLoggedQuietly) {
    const int dvr = value(QStringLiteral("SELECT PortID FROM ServerPorts WHERE PortType = 7")).toInt();
    // A quote in the port's address stays data.
    exec(QStringLiteral("UPDATE ServerPorts SET Address = '\\\\PORT.P''7' WHERE PortID = %1").arg(dvr));
    exec(QStringLiteral("UPDATE DVR_Config SET Address2 = '\\\\PORT.P''7'"));
    properties(6, QStringLiteral("\\\\PORT.P'7"), dvr);
    EXPECT_EQ(commands(), QStringList{QStringLiteral("CallBack(DEVICEADMIN, 0, PROPERTIES, 5001)")});

    exec(QStringLiteral("DELETE FROM DVR_Config"));
    properties(6, QStringLiteral("\\\\PORT.P'7"), dvr);
    properties(6, QStringLiteral("\\\\PORT.P77"), 7777);  // no such port
    EXPECT_TRUE(commands().isEmpty());
    EXPECT_EQ(ownLogReports(), 0);
    EXPECT_TRUE(logText().contains(QStringLiteral("no DVR_Config row for port \\\\PORT.P'7")));
    EXPECT_TRUE(logText().contains(QStringLiteral("no server port with id 7777")));
}

TEST_F(DeviceDetailsTest, RefreshEntriesReReadTheClickedPanesRowsOfTheFoundControllers) {
    window->FillPoints(site.siteGroupId);
    const int controllerId = value(QStringLiteral("SELECT min(Controller_ID) FROM Controllers")).toInt();
    const QString controller =
        text(QStringLiteral("SELECT Address FROM Controllers WHERE Controller_ID = %1").arg(controllerId));
    const QString door = text(QStringLiteral("SELECT Address FROM Doors WHERE ControllerID = %1").arg(controllerId));
    const QString doorInput = door.chopped(5) + QStringLiteral(".BI") + door.right(2);
    const QString zr2Input = text(QStringLiteral("SELECT Address FROM ZRII_Inputs ORDER BY Address"));
    const QString reader = controller + QStringLiteral(".SM") + door.right(2);
    const QString levelName = text(QStringLiteral("SELECT Name FROM ThreatLevels WHERE ThreatID = 4"));
    ASSERT_FALSE(levelName.isEmpty());

    // Configuration and stored states change in the database behind the window.
    exec(QStringLiteral("UPDATE Inputs SET Disabled = 1 WHERE Address = '%1'").arg(doorInput));
    exec(QStringLiteral("UPDATE ZRII_Inputs SET Disabled = 1 WHERE Address = '%1'").arg(zr2Input));
    storeReaderThreatLevels(controllerId, 4);
    const QString doorEnabledBefore = cell(0, door, col::Enabled);

    // "Refresh This Item(s) - This Pane" on the inputs pane: its classic and newer-line rows.
    click(1, doorInput);
    menus->details().runMainEntry(entry::RefreshPane);
    EXPECT_EQ(cell(1, doorInput, col::Enabled), QStringLiteral("R1679"));
    EXPECT_EQ(cell(1, zr2Input, col::Enabled), QStringLiteral("R1679"));
    EXPECT_EQ(cell(0, door, col::Enabled), doorEnabledBefore);  // another pane's row is not re-read
    // The controller's stored reports were replayed: its readers show the stored threat level.
    EXPECT_EQ(cell(3, reader, col::ThreatLevel), levelName);

    // "Refresh" with the site's controllers, on the doors pane.
    storeReaderThreatLevels(controllerId, 0);
    click(0, door);
    menus->details().runMainEntry(entry::RefreshControllers);
    EXPECT_EQ(cell(0, door, col::Enabled), QStringLiteral("R1679"));
    EXPECT_NE(cell(3, reader, col::ThreatLevel), levelName);
    EXPECT_EQ(ownLogReports(), 0);
}

TEST_F(DeviceDetailsTest, NewerLineRefreshRunsTheFullRefresh) {
    window->FillPoints(site.siteGroupId);
    const int controllerId = value(QStringLiteral("SELECT min(Controller_ID) FROM Controllers")).toInt();
    const QString reader =
        text(QStringLiteral("SELECT Address FROM Readers WHERE ControllerID = %1").arg(controllerId));
    const QString levelName = text(QStringLiteral("SELECT Name FROM ThreatLevels WHERE ThreatID = 5"));
    const QString zr2Door = text(QStringLiteral("SELECT Address FROM ZRII_Doors ORDER BY Address"));
    storeReaderThreatLevels(controllerId, 5);

    click(0, zr2Door);
    menus->choose(MenuArray::ZR2List, entry::ZR2Refresh);
    EXPECT_EQ(cell(3, reader, col::ThreatLevel), levelName);
    EXPECT_EQ(ownLogReports(), 0);
}

}  // namespace
}  // namespace so::test
