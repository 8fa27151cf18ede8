#include "CommandsFixture.h"
#include "status/StatusBoard.h"

namespace so::test {
namespace {

class ClassicCommandsTest : public CommandsFixture {
protected:
    ClassicCommandsTest() {
        controller = text(QStringLiteral("SELECT Address FROM Controllers ORDER BY Address"));
        controllerId = value(QStringLiteral("SELECT Controller_ID FROM Controllers ORDER BY Address")).toInt();
    }
    /// Makes a new row of the pane, on the first controller, the current cell.
    void pointAt(int pane, const QString& pointPart) {
        const QString address = controller + pointPart;
        addRow(pane, address);
        click(pane, address);
    }
    QString call(const QString& command, int point) const {
        return QStringLiteral("DTApiCall(%1, CALL_API|%2, %3)").arg(controllerId).arg(command).arg(point);
    }
    ClassicCommands& classic() { return menus->classic(); }

    QString controller;
    int controllerId = 0;
};

TEST_F(ClassicCommandsTest, EveryEntrySendsItsCommandTextAndSeparatorsSendNothing) {
    pointAt(0, QStringLiteral(".DR03"));
    for (int index = 0; index <= 4; ++index)
        classic().runAccessEntry(index);
    for (int index = 0; index <= 17; ++index)
        classic().runControlEntry(index);
    EXPECT_EQ(commands(), (QStringList{
                              call("DOORFUNCTION|MOMENTARY_ACCESS", 3),
                              call("DOORFUNCTION|UNLOCK_DOOR", 3),
                              call("DOORFUNCTION|RELOCK_DOOR", 3),
                              call("CONTROLFUNCTION|TRIGGER", 3),
                              call("CONTROLFUNCTION|MASK", 3),
                              call("CONTROLFUNCTION|UNMASK", 3),
                              call("CONTROLFUNCTION|MOMENTARY_MASK", 3),
                              call("CONTROLFUNCTION|FORCEON", 3),
                              call("CONTROLFUNCTION|FORCEON_RELEASE", 3),
                              call("CONTROLFUNCTION|FORCEOFF", 3),
                              call("CONTROLFUNCTION|FORCEOFF_RELEASE", 3),
                              call("CONTROLFUNCTION|LOCKDOWN", 3),
                              call("CONTROLFUNCTION|LOCKDOWN_RELEASE", 3),
                              call("CONTROLFUNCTION|LOCKOPEN", 3),
                              call("CONTROLFUNCTION|LOCKOPEN_RELEASE", 3),
                          }));
    EXPECT_EQ(ownLogReports(), 0);
}

TEST_F(ClassicCommandsTest, ControlPointNumberComesFromTheAddressExpansionPointsPlusEight) {
    struct Case {
        int pane;
        const char* point;
        int expected;  // -1: nothing sent
    } const cases[] = {
        {2, ".XR02", 10}, {1, ".XI05", 13}, {1, ".BI04", 4}, {2, ".BR07", 7},
        {0, ".DR08", 8},  {3, ".SM01", -1}, {4, "", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.point);
        host.clearCalls();
        pointAt(c.pane, QString::fromLatin1(c.point));
        classic().runControlEntry(0);
        EXPECT_EQ(commands(),
                  c.expected < 0 ? QStringList() : QStringList{call("CONTROLFUNCTION|TRIGGER", c.expected)});
    }
}

TEST_F(ClassicCommandsTest, AccessCommandsGoOnlyToRowsOfTheDoorsInputsAndRelaysPanes) {
    for (int pane = 0; pane < 8; ++pane) {
        SCOPED_TRACE(pane);
        host.clearCalls();
        pointAt(pane, QStringLiteral(".DR02"));
        classic().runAccessEntry(2);
        EXPECT_EQ(commands(), pane <= 2 ? QStringList{call("DOORFUNCTION|UNLOCK_DOOR", 2)} : QStringList());
    }
}

TEST_F(ClassicCommandsTest, BadAddressesAreLoggedAndSendNothing) {
    // The last two characters are not digits.
    pointAt(0, QStringLiteral(".DR0x"));
    classic().runAccessEntry(0);
    classic().runControlEntry(2);
    EXPECT_EQ(ownLogReports(), 2);
    EXPECT_TRUE(logText().contains(QStringLiteral("FPopup.mnuAAccessFunctions_Click")));
    EXPECT_TRUE(logText().contains(QStringLiteral("FPopup.mnuAControlFunctions_Click")));

    // No controller owns the point: the command is not sent to controller 0.
    addRow(0, QStringLiteral("\\\\SNET.P99.C99999.DR01"));
    click(0, QStringLiteral("\\\\SNET.P99.C99999.DR01"));
    classic().runAccessEntry(0);
    EXPECT_EQ(ownLogReports(), 3);
    EXPECT_TRUE(commands().isEmpty());
}

TEST_F(ClassicCommandsTest, ControllerLookupBindsTheAddress) {
    EXPECT_EQ(classic().pControllerIDForAddress(controller + QStringLiteral(".BI01")), controllerId);
    // A quote in the address is data, not statement text: no failure, simply no controller.
    EXPECT_EQ(classic().pControllerIDForAddress(QStringLiteral("\\\\SNET.P0' OR '1'='1.BI01")), 0);
    EXPECT_EQ(classic().pControllerIDForAddress(QStringLiteral("NoDotAtAll")), 0);
    EXPECT_EQ(ownLogReports(), 1);  // only the address without a controller part
}

TEST_F(ClassicCommandsTest, ACommandFromAnOpenMenuFollowsItsPointWhenRowsMove) {
    window->FillPoints(site.sectionGroupIds[0]);
    StatusGrid& doors = window->board().sections().grid(0);
    ASSERT_GT(doors.rowCount(), 2);
    const QString door = doors.text(1, col::Address);
    const int addressColumn = doors.columnIndex(col::Address);
    int popups = 0;
    const auto chooseUnlock = [&](const std::function<void()>& whileOpen) {
        window->gridPressed(Section::Doors, 2);
        click(0, door);
        menus->buttonReleased(
            0, [](int, int) { return true; },
            [&](TopMenu) {
                ++popups;
                whileOpen();
                menus->choose(MenuArray::AAccessFunctions, 2);
            });
    };
    // Sorted descending while the menu is up: row 1 now holds another door.
    chooseUnlock([&] { doors.sort(addressColumn, StatusGrid::Descending); });
    ASSERT_NE(doors.text(1, col::Address), door);
    const int id = value(QStringLiteral("SELECT ControllerID FROM Doors WHERE Address = '%1'").arg(door)).toInt();
    EXPECT_EQ(
        commands(),
        QStringList{
            QStringLiteral("DTApiCall(%1, CALL_API|DOORFUNCTION|UNLOCK_DOOR, %2)").arg(id).arg(door.right(2).toInt())});
    // The point left the window while the menu was up: nothing is sent.
    host.clearCalls();
    chooseUnlock([&] { doors.clear(); });
    EXPECT_EQ(popups, 2);
    EXPECT_TRUE(commands().isEmpty());
    EXPECT_TRUE(logText().contains(door + QStringLiteral(" is no longer shown")));
}

}  // namespace
}  // namespace so::test
