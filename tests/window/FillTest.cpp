// Filling the sections for a status group: every kind's cells, icons and item data, and which
// sections a group shows.
#include "window/WindowFixture.h"
#include "status/StatusBoard.h"

namespace so::test {
namespace {

class FillTest : public WindowFixture {
protected:
    void fill(int groupId) { window->FillPoints(groupId); }
};

struct KindCase {
    int objectId;
    int section;
    const char* nameField;
    const char* idField;
    int icon;  // -1: decided by the point's flags, checked elsewhere
};

TEST_F(FillTest, EveryKindWritesNameIconAddressAndIdentifier) {
    const KindCase cases[] = {
        {1, 0, "DoorName", "DoorId", 16},
        {2, 1, "Name", "InputID", 18},
        {3, 2, "Name", "OutputID", 19},
        {4, 3, "Name", "ReaderId", 26},
        {5, 4, "Controller_Name", "Controller_ID", 13},
        {6, 5, "PylonName", "PylonID", 20},
        {7, 6, "PortName", "PortID", -1},
        {8, 1, "Name", "ExpInputID", 18},
        {9, 2, "Name", "ExpOutputID", -1},
        {101, 0, "Name", "DoorID", 16},
        {102, 1, "Name", "InputID", 18},
        {103, 2, "Name", "RelayID", 19},
        {104, 3, "Name", "ReaderID", 26},
        {105, 4, "Name", "ID", 88},
        {108, 7, "Name", "ID", 92},
    };
    QVector<QPair<int, QString>> kinds;
    for (const KindCase& c : cases)
        kinds.append(
            {c.objectId, QStringLiteral("t.Address = (SELECT min(Address) FROM %1)").arg(tableOf(c.objectId).first)});
    // Newer-line controllers and modules on line and installed: the icons 88 and 92.
    exec(QStringLiteral("UPDATE ZRII_Controllers SET Installed = 1, Online = 1"));
    exec(QStringLiteral("UPDATE ZRII_Modules SET Installed = 1, Online = 1"));
    fill(makeGroup(kinds));

    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.objectId);
        const auto [table, idColumn] = tableOf(c.objectId);
        const QString address = firstAddress(c.objectId);
        const int row = rowOf(c.section, address);
        ASSERT_GT(row, 0) << address.toStdString();
        StatusGrid& g = grid(c.section);
        EXPECT_EQ(g.text(row, col::Name), text(QStringLiteral("SELECT %1 FROM %2 WHERE Address = '%3'")
                                                   .arg(QLatin1String(c.nameField), table, address)));
        EXPECT_EQ(g.format(row, col::Name), 0x40020u);
        if (c.icon >= 0)
            EXPECT_EQ(g.icon(row, col::Name), c.icon);
        EXPECT_EQ(
            g.data(row, col::Address),
            value(
                QStringLiteral("SELECT %1 FROM %2 WHERE Address = '%3'").arg(QLatin1String(c.idField), table, address))
                .toLongLong());
        EXPECT_TRUE(window->isHeaderShown(Section(c.section)));
        EXPECT_TRUE(window->isSectionUsed(Section(c.section)));
    }
    EXPECT_EQ(ownLogReports(), 0);
}

TEST_F(FillTest, ClassicDoorAndInputCarryConfigurationAndPolarities) {
    const QString door = firstAddress(1);
    exec(QStringLiteral("UPDATE Inputs SET NormalyOpen = -1, Disabled = 1, AnlgMode = 2, PanelType = 1 WHERE Address = "
                        "(SELECT replace('%1', '.DR', '.BI'))")
             .arg(door));
    exec(
        QStringLiteral("UPDATE Outputs SET TwoMan = 1, invert = 1 WHERE Address = (SELECT replace('%1', '.DR', '.BR'))")
            .arg(door));
    const QString input = firstAddress(2, QStringLiteral("t.BelongToDoor = 0"));
    exec(QStringLiteral("UPDATE Inputs SET NormalyOpen = 0, Disabled = 0, AnlgMode = 3 WHERE Address = '%1'")
             .arg(input));
    fill(makeGroup(
        {{1, QStringLiteral("t.Address = '%1'").arg(door)}, {2, QStringLiteral("t.Address = '%1'").arg(input)}}));

    EXPECT_EQ(data(0, door, col::Name), 1);  // the panel type
    EXPECT_EQ(cell(0, door, col::TwoPersonRule), R(1463));
    EXPECT_EQ(data(0, door, col::TwoPersonRule), 1);  // the door relay's inversion
    EXPECT_EQ(cell(0, door, col::Enabled), R(1679));
    EXPECT_EQ(cell(0, door, col::LMType), QStringLiteral("2"));
    EXPECT_EQ(data(0, door, col::Status), 1);  // normally open, as an absolute value
    EXPECT_EQ(cell(1, input, col::LMType), QStringLiteral("3"));
    EXPECT_EQ(cell(1, input, col::Enabled), R(1463));
    EXPECT_EQ(data(1, input, col::Status), 0);
}

TEST_F(FillTest, DoorOfPanelType3BeyondItsSecondInputHasNoLineModule) {
    const QString controller = firstAddress(5);
    exec(QStringLiteral("UPDATE Inputs SET PanelType = 3, AnlgMode = 2 WHERE Address LIKE '%1%'").arg(controller));
    fill(makeGroup({{1, QStringLiteral("t.Address LIKE '%1%' AND t.InputIndex IN (2, 3)").arg(controller)}}));
    EXPECT_EQ(cell(0, controller + QStringLiteral(".DR02"), col::LMType), QStringLiteral("2"));
    EXPECT_EQ(cell(0, controller + QStringLiteral(".DR03"), col::LMType), QStringLiteral("-"));
}

TEST_F(FillTest, ExpansionPointsFollowTheControllersHardware) {
    const QString controller =
        firstAddress(5, QStringLiteral("EXISTS (SELECT 1 FROM ExpOutputs x WHERE x.ControllerID = "
                                       "t.Controller_ID AND x.OutputIndex = 9)"));
    ASSERT_FALSE(controller.isEmpty());
    exec(QStringLiteral("UPDATE PanelBasicSetups SET nxinputs = 1, ef_reb64 = 0, ef_reb1 = 1, ef_reb2 = 0 WHERE "
                        "ControllerID = (SELECT Controller_ID FROM Controllers WHERE Address = '%1')")
             .arg(controller));
    const QString where = QStringLiteral("t.Address LIKE '%1%'").arg(controller);
    fill(makeGroup({{8, where}, {9, where}}));

    // Only the fitted expansion input makes a row.
    EXPECT_GT(rowOf(1, controller + QStringLiteral(".XI01")), 0);
    EXPECT_EQ(rowOf(1, controller + QStringLiteral(".XI02")), 0);
    // Relay 1 sits on the fitted board 1, relay 9 on the missing board 2.
    EXPECT_EQ(grid(2).icon(rowOf(2, controller + QStringLiteral(".XR01")), col::Name), 35);
    EXPECT_EQ(grid(2).icon(rowOf(2, controller + QStringLiteral(".XR09")), col::Name), 34);

    exec(QStringLiteral("UPDATE PanelBasicSetups SET ef_reb64 = 1"));
    fill(makeGroup({{9, where}}));
    EXPECT_EQ(grid(2).icon(rowOf(2, controller + QStringLiteral(".XR09")), col::Name), 35);
}

TEST_F(FillTest, PortIconFollowsItsTypeAndStyle) {
    const QString port = firstAddress(7);
    struct Case {
        int type;
        const char* style;
        int icon;
    };
    for (const Case& c : {Case{4, "SNet", 15}, Case{6, "CCTV", 46}, Case{1, "SNet", 32}, Case{5, "PNet", 33},
                          Case{7, "DVR", 45}, Case{8, "CSR", 65}, Case{1, "Other", -1}}) {
        SCOPED_TRACE(c.style);
        exec(QStringLiteral(
                 "UPDATE ServerPorts SET PortType = %1, PortStyle = '%2', ModemStatus = 3 WHERE Address = '%3'")
                 .arg(c.type)
                 .arg(QLatin1String(c.style), port));
        fill(makeGroup({{7, QStringLiteral("t.Address = '%1'").arg(port)}}));
        EXPECT_EQ(grid(6).icon(rowOf(6, port), col::Name), c.icon);
        // A dial-up port shows its modem's state.
        EXPECT_EQ(cell(6, port, col::Status), c.type == 4 ? QStringLiteral("Connected") : QString());
    }
}

TEST_F(FillTest, NewerLineDoorShowsTwoPersonRuleMaskAndContact) {
    const QString plain = firstAddress(101);
    const QString ruled = text(QStringLiteral("SELECT max(Address) FROM ZRII_Doors"));
    exec(QStringLiteral(
             "UPDATE ZRII_Doors SET TwoPersonRule = '{00000000-0000-0000-0000-000000000000}' WHERE Address = '%1'")
             .arg(plain));
    exec(QStringLiteral(
             "UPDATE ZRII_Doors SET TwoPersonRule = '{12345678-0000-0000-0000-000000000001}' WHERE Address = '%1'")
             .arg(ruled));
    exec(QStringLiteral(
             "UPDATE ZRII_Inputs SET MaskSource = 129, ContactStatus = 33 WHERE InputID IN (SELECT InputID FROM "
             "ZRII_InputsInDoorsRelations r JOIN ZRII_Doors d ON d.DoorID = r.DoorID WHERE d.Address = '%1')")
             .arg(plain));
    fill(makeGroup({{101, QStringLiteral("t.Address IN ('%1', '%2')").arg(plain, ruled)}}));

    EXPECT_EQ(cell(0, plain, col::TwoPersonRule), R(1679));
    EXPECT_EQ(cell(0, ruled, col::TwoPersonRule), R(1463));
    EXPECT_EQ(data(0, plain, col::Name), 100);
    EXPECT_EQ(cell(0, plain, col::Masked), QStringLiteral("Door Relay Actuated,RQE"));
    EXPECT_EQ(cell(0, plain, col::Input1), QStringLiteral("Line Open"));
    EXPECT_FALSE(cell(0, plain, col::Status).isEmpty());
}

TEST_F(FillTest, LayoutWithoutSomeColumnsStillGetsEveryPoint) {
    // The operator's doors layout has neither Voltage nor 2PR nor Masked.
    QString layouts[kSectionCount];
    layouts[0] = QStringLiteral(
        "Name][Door][1][85][True,Address][Address][2][129][True,Status][Status][3][127][True,"
        "Enabled][Enabled][4][53][True");
    for (int section = 1; section < kSectionCount; ++section)
        layouts[section] = kUseObjectDefault;
    window->board().sections().InitColumnHeaders(layouts);
    fill(makeGroup({{1, QString()}, {101, QString()}}));
    EXPECT_EQ(grid(0).rowCount(), value(QStringLiteral("SELECT count(*) FROM Doors")).toInt() +
                                      value(QStringLiteral("SELECT count(*) FROM ZRII_Doors")).toInt());
    const QString door = firstAddress(101);
    EXPECT_EQ(cell(0, door, col::Name),
              text(QStringLiteral("SELECT Name FROM ZRII_Doors WHERE Address = '%1'").arg(door)));
    EXPECT_FALSE(cell(0, door, col::Enabled).isEmpty());
    EXPECT_EQ(ownLogReports(), 0);
}

TEST_F(FillTest, GroupOfExpansionInputsShowsOnlyTheInputsSection) {
    fill(makeGroup({{8, QString()}}));
    for (int section = 0; section < kSectionCount; ++section) {
        SCOPED_TRACE(section);
        EXPECT_EQ(window->isHeaderShown(Section(section)), section == 1);
        EXPECT_EQ(grid(section).rowCount() > 0, section == 1);
    }
}

TEST_F(FillTest, AnotherGroupEmptiesEverySectionFirst) {
    fill(site.siteGroupId);
    ASSERT_GT(grid(0).rowCount(), 0);
    ASSERT_GT(grid(7).rowCount(), 0);
    fill(makeGroup({{6, QString()}}));
    EXPECT_EQ(window->currentGroup(), value(QStringLiteral("SELECT max(GroupID) FROM Status_Groups")).toInt());
    for (int section = 0; section < kSectionCount; ++section) {
        SCOPED_TRACE(section);
        EXPECT_EQ(grid(section).rowCount() > 0, section == 5);
        EXPECT_EQ(window->isSectionUsed(Section(section)), section == 5);
        EXPECT_TRUE(window->isCollapsed(Section(section)));
    }
}

TEST_F(FillTest, GroupWithoutPointsLeavesEverySectionHiddenAndEmpty) {
    fill(makeGroup({}));
    for (int section = 0; section < kSectionCount; ++section) {
        EXPECT_FALSE(window->isHeaderShown(Section(section)));
        EXPECT_FALSE(window->isSectionGridVisible(Section(section)));
        EXPECT_EQ(grid(section).rowCount(), 0);
    }
}

}  // namespace
}  // namespace so::test
