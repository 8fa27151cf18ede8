#include "CommandsFixture.h"

namespace so::test {
namespace {

class NewerLineCommandsTest : public CommandsFixture {
protected:
    NewerLineCommands& zr2() { return menus->newerLine(); }
    QString logEvent(const char* description, const char* kind, int id, const QString& details) const {
        return QStringLiteral("LogEvent(%1, %2, %3, %4, 1267)")
            .arg(QLatin1String(description), QLatin1String(kind))
            .arg(id)
            .arg(details);
    }
};

TEST_F(NewerLineCommandsTest, AccessEntriesExecuteThenLogTheOperatorEvent) {
    addRow(0, QStringLiteral("\\\\ZRII.S01.C001.DR01"), 42, QStringLiteral("Front"));
    click(0, QStringLiteral("\\\\ZRII.S01.C001.DR01"));
    for (int index = 0; index <= 5; ++index)
        zr2().runAccessEntry(index);
    EXPECT_EQ(
        commands(),
        (QStringList{QStringLiteral("ZR2ExecuteAccessFunction(7, 42, 1)"),
                     logEvent("Operator executed Momentary Access to door.", "Door", 42, "Momentary Access to Front"),
                     QStringLiteral("ZR2ExecuteAccessFunction(7, 42, 2)"),
                     logEvent("Operator executed unlock to Door.", "Door", 42, "unlock to Front"),
                     QStringLiteral("ZR2ExecuteAccessFunction(7, 42, 3)"),
                     logEvent("Operator executed relock to Door.", "Door", 42, "relock to Front"),
                     QStringLiteral("ZR2ExecuteAccessFunction(7, 42, 4)"),
                     logEvent("Operator executed toggle lock to Door.", "Door", 42, "toggle lock to Front")}));
}

TEST_F(NewerLineCommandsTest, ControlEntriesUseTheDoorTypeOnlyInTheDoorsPane) {
    struct Case {
        int index;
        int typeOutsideDoors;
        int code;
        const char* kind;
        const char* description;
        const char* prefix;
    } const cases[] = {
        {0, 5, 100, "Relay", "Operator executed trigger.", "trigger to "},
        {2, 6, 10, "Door", "Operator executed Mask.", "Mask to "},
        {3, 6, 11, "Door", "Operator executed Unmask.", "Unmask to "},
        {4, 6, 14, "Door", "Operator executed Momentary Mask.", "Momentary Mask to "},
        {6, 5, 103, "Relay", "Operator executed force on.", "force on to "},
        {7, 5, 104, "Relay", "Operator executed force on release.", "force on release to "},
        {9, 5, 105, "Relay", "Operator executed force off.", "force off to "},
        {10, 5, 106, "Relay", "Operator executed force off release.", "force off release to "},
        {12, 5, 107, "Relay", "Operator executed lock down.", "lock down to "},
        {13, 5, 108, "Relay", "Operator executed lock down release.", "lock down release to "},
        {15, 5, 109, "Relay", "Operator executed lock open.", "lock open to "},
        {16, 5, 110, "Relay", "Operator executed lock open release.", "lock open release to "},
    };
    addRow(0, QStringLiteral("\\\\ZRII.S01.C001.DR02"), 7, QStringLiteral("Lobby"));
    addRow(2, QStringLiteral("\\\\ZRII.S01.C001.VR01"), 9, QStringLiteral("Siren"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        for (const int pane : {0, 2}) {
            host.clearCalls();
            click(pane,
                  pane == 0 ? QStringLiteral("\\\\ZRII.S01.C001.DR02") : QStringLiteral("\\\\ZRII.S01.C001.VR01"));
            zr2().runControlEntry(c.index);
            const int id = pane == 0 ? 7 : 9;
            const QString name = pane == 0 ? QStringLiteral("Lobby") : QStringLiteral("Siren");
            EXPECT_EQ(commands(), (QStringList{QStringLiteral("ZR2ExecuteControlFunction(%1, %2, %3)")
                                                   .arg(pane == 0 ? 7 : c.typeOutsideDoors)
                                                   .arg(id)
                                                   .arg(c.code),
                                               logEvent(c.description, c.kind, id, QLatin1String(c.prefix) + name)}));
        }
    }
    host.clearCalls();
    for (const int separator : {1, 5, 8, 11, 14, 17})
        zr2().runControlEntry(separator);
    EXPECT_TRUE(commands().isEmpty());
}

TEST_F(NewerLineCommandsTest, AFailedExecuteWritesNoEvent) {
    addRow(1, QStringLiteral("\\\\ZRII.S01.C001.BI03"), 5, QStringLiteral("Window"));
    click(1, QStringLiteral("\\\\ZRII.S01.C001.BI03"));
    host.failing.insert(QStringLiteral("ZR2ExecuteControlFunction"));
    zr2().runControlEntry(2);
    EXPECT_EQ(host.count(QStringLiteral("LogEvent")), 0);
    EXPECT_TRUE(logText().contains(QStringLiteral("FPopup.mnuZR2ControlArray_Click")));
}

TEST_F(NewerLineCommandsTest, ListEntriesClearTamperAndOpenPropertiesByPane) {
    const char* const kinds[] = {"ZR2Door", "ZR2Input", "ZR2Relay", "ZR2Reader"};
    for (int pane = 0; pane < 8; ++pane) {
        SCOPED_TRACE(pane);
        host.clearCalls();
        const QString address = QStringLiteral("\\\\ZRII.S01.C001.XX%1").arg(pane, 2, 10, QLatin1Char('0'));
        addRow(pane, address, 30 + pane);
        click(pane, address);
        zr2().runListEntry(entry::ZR2Properties);
        EXPECT_EQ(
            commands(),
            pane < 4
                ? QStringList{QStringLiteral("ConfigureDevice(%1, %2)").arg(QLatin1String(kinds[pane])).arg(30 + pane)}
                : QStringList());
    }
    host.clearCalls();
    zr2().runListEntry(entry::ZR2ClearCodeTamper);
    EXPECT_EQ(commands(), QStringList{QStringLiteral("ZR2ClearCodeTamper(37)")});

    // The list's own failures are contained and logged.
    host.failing.insert(QStringLiteral("ZR2ClearCodeTamper"));
    zr2().runListEntry(entry::ZR2ClearCodeTamper);
    EXPECT_TRUE(logText().contains(QStringLiteral("FPopup.mnuZR2List_Click")));
}

TEST_F(NewerLineCommandsTest, ComponentSubmenuListsTheDoorsRelaysInputsAndReaders) {
    window->FillPoints(site.siteGroupId);
    // An even door: strike relay, contact and exit button inputs, reader.
    const QString door =
        text(QStringLiteral("SELECT Address FROM ZRII_Doors WHERE Address LIKE '%DR02' ORDER BY Address"));
    const int doorId = value(QStringLiteral("SELECT DoorID FROM ZRII_Doors WHERE Address = '%1'").arg(door)).toInt();
    QStringList expected;
    for (const auto& [sql, letter] :
         {std::pair{QStringLiteral("SELECT r.Name, r.RelayID FROM ZRII_Relays r JOIN ZRII_RelaysInDoorsRelations d "
                                   "ON d.RelayID = r.RelayID WHERE d.DoorID = %1"),
                    "R"},
          std::pair{QStringLiteral("SELECT i.Name, i.InputID FROM ZRII_Inputs i JOIN ZRII_InputsInDoorsRelations d "
                                   "ON d.InputID = i.InputID WHERE d.DoorID = %1 ORDER BY i.\"Index\""),
                    "I"},
          std::pair{QStringLiteral("SELECT r.Name, r.ReaderID FROM ZRII_Readers r JOIN ZRII_ReadersInDoorsRelations d "
                                   "ON d.ReaderID = r.ReaderID WHERE d.DoorID = %1"),
                    "L"}})
        for (db::Recordset rs = db->query(sql.arg(doorId)); !rs.eof(); rs.moveNext())
            expected << rs.field(0).toString() + QLatin1Char('|') + QLatin1String(letter) + rs.field(1).toString();
    ASSERT_EQ(expected.size(), 4);

    ASSERT_EQ(rightClick(0, door), TopMenu::ZR2);
    const MenuModel& model = menus->model();
    QStringList listed;
    for (int i = 1; i < model.count(MenuArray::CompProps); ++i)
        listed << model.entry(MenuArray::CompProps, i).caption + QLatin1Char('|') +
                      model.entry(MenuArray::CompProps, i).tag;
    EXPECT_EQ(listed, expected);
    EXPECT_FALSE(model.entry(MenuArray::CompProps, 0).visible);
    EXPECT_TRUE(model.entry(MenuArray::ZR2List, entry::ZR2ComponentProperties).enabled);

    menus->choose(MenuArray::CompProps, 1);
    EXPECT_EQ(commands(),
              QStringList{QStringLiteral("ConfigureDevice(ZR2Relay, %1)").arg(expected[0].section('R', -1))});

    // The next door is listed afresh; a door without components gets the entry disabled, and
    // any other pane as well.
    addRow(0, QStringLiteral("\\\\ZRII.S09.C009.DR01"), 99999);
    rightClick(0, QStringLiteral("\\\\ZRII.S09.C009.DR01"));
    EXPECT_EQ(model.count(MenuArray::CompProps), 1);
    EXPECT_TRUE(model.entry(MenuArray::CompProps, 0).visible);
    EXPECT_FALSE(model.entry(MenuArray::ZR2List, entry::ZR2ComponentProperties).enabled);
    rightClick(0, door);
    rightClick(3, text(QStringLiteral("SELECT Address FROM ZRII_Readers ORDER BY Address")));
    EXPECT_FALSE(model.entry(MenuArray::ZR2List, entry::ZR2ComponentProperties).enabled);
}

TEST_F(NewerLineCommandsTest, ComponentTagsWithoutANumberAreLoggedAndOpenNothing) {
    menus->model().addComponentEntry(QStringLiteral("Broken"), QStringLiteral("Rx12"));
    menus->model().addComponentEntry(QStringLiteral("Other kind"), QStringLiteral("Q12"));
    zr2().openComponentProperties(1);
    zr2().openComponentProperties(2);
    zr2().openComponentProperties(0);  // the placeholder
    EXPECT_TRUE(commands().isEmpty());
    EXPECT_EQ(ownLogReports(), 1);
    EXPECT_TRUE(logText().contains(QStringLiteral("FPopup.mnuCompProps_Click")));
}

}  // namespace
}  // namespace so::test
