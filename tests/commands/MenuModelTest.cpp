#include "CommandsFixture.h"
#include "status/StatusBoard.h"

namespace so::test {
namespace {

using A = MenuArray;

QList<int> shown(const MenuModel& model, MenuArray array) {
    QList<int> out;
    for (int i = 0; i < model.count(array); ++i)
        if (model.entry(array, i).visible)
            out << i;
    return out;
}
const QList<int> kAll = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const QList<int> kInputItems = {2, 3, 4};
const QList<int> kRelayItems = {0, 1, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

struct ClassicCase {
    int pane;
    bool granted;
    QList<int> mainShown;
    bool accessEnabled, controlEnabled;
    QList<int> controlsShown;
    int permissionQuestions;
};

TEST(ClassicMenu, EntriesByPaneAndPermissionFromTheStartState) {
    const QList<int> startMain = {0, 1, 2, 5, 6, 7, 8};
    const ClassicCase cases[] = {
        // Every command shown is asked for: 3 access and 12 control functions of a door.
        {0, true, {0, 1, 2, 3, 4, 5, 6, 7, 8}, true, true, kAll, 15},
        {0, false, {0, 1, 2, 3, 4, 5, 6, 7, 8}, false, false, kAll, 15},
        {1, true, {0, 1, 2, 4, 5, 6, 7, 8}, false, true, kInputItems, 3},
        {2, false, {0, 1, 2, 4, 5, 6, 7, 8}, false, false, kRelayItems, 9},
        {3, true, {0, 1, 2, 6, 7, 8}, true, true, kAll, 0},
        {4, true, startMain, false, false, kAll, 0},
        {6, true, startMain, false, false, kAll, 0},
        {7, true, startMain, true, true, kAll, 0},
    };
    for (const ClassicCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "pane " << c.pane << (c.granted ? " granted" : " denied"));
        MenuModel model;
        int questions = 0;
        model.buildClassic(c.pane, [&](MenuArray, int) { return ++questions, c.granted; });
        EXPECT_EQ(shown(model, A::MainArray), c.mainShown);
        EXPECT_EQ(model.entry(A::MainArray, entry::AccessFunctions).enabled, c.accessEnabled);
        EXPECT_EQ(model.entry(A::MainArray, entry::ControlFunctions).enabled, c.controlEnabled);
        EXPECT_EQ(shown(model, A::AControlFunctions), c.controlsShown);
        EXPECT_EQ(shown(model, A::AAccessFunctions), (QList<int>{0, 1, 2, 3}));
        EXPECT_EQ(questions, c.permissionQuestions);
    }
}

struct NewerLineCase {
    const char* address;
    bool granted;
    QList<int> listShown;
    bool accessEnabled, controlEnabled;
    QList<int> controlsShown;
    int permissionQuestions;
};

TEST(NewerLineMenu, EntriesByAddressAndPermissionFromTheStartState) {
    const NewerLineCase cases[] = {
        // A reader's one command, clearing its code tamper, is asked for too.
        {"\\\\ZRII.S01.C001.RL01", true, {3, 4, 5, 6, 7}, true, true, kAll, 1},
        // A reader's code wins over a door code anywhere in the address.
        {"\\\\ZRII.DR1.C001.RL01", false, {3, 4, 5, 6, 7}, true, true, kAll, 1},
        {"\\\\ZRII.S01.C001.DR01", true, {0, 1, 2, 5, 6, 7, 8}, true, true, kAll, 16},
        {"\\\\ZRII.S01.C001.DR01", false, {0, 1, 2, 5, 6, 7, 8}, false, false, kAll, 16},
        {"\\\\ZRII.S01.C001.BI03", false, {1, 2, 5, 6, 7}, true, false, kInputItems, 3},
        {"\\\\ZRII.S01.C001.XI03", true, {1, 2, 5, 6, 7}, true, true, kInputItems, 3},
        {"\\\\ZRII.S01.C001.BR02", true, {1, 2, 5, 6, 7}, true, true, kRelayItems, 9},
        {"\\\\ZRII.S01.C001.XR02", true, {1, 2, 5, 6, 7}, true, true, kRelayItems, 9},
        {"\\\\ZRII.S01.C001.VR02", false, {1, 2, 5, 6, 7}, true, false, kRelayItems, 9},
        {"\\\\ZRII.S01.C001.MD01", true, {5}, true, true, kAll, 0},
        {"\\\\ZRII.S01.C001", true, {5}, true, true, kAll, 0},
    };
    for (const NewerLineCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.address << (c.granted ? " granted" : " denied"));
        MenuModel model;
        int questions = 0;
        model.buildNewerLine(QString::fromLatin1(c.address), [&](MenuArray, int) { return ++questions, c.granted; });
        EXPECT_EQ(shown(model, A::ZR2List), c.listShown);
        EXPECT_EQ(model.entry(A::ZR2List, entry::ZR2Access).enabled, c.accessEnabled);
        EXPECT_EQ(model.entry(A::ZR2List, entry::ZR2Control).enabled, c.controlEnabled);
        EXPECT_EQ(shown(model, A::ZR2ControlArray), c.controlsShown);
        EXPECT_EQ(questions, c.permissionQuestions);
    }
}

TEST(MenuModel, AnEntryIsReachableOnlyThroughVisibleEnabledParents) {
    MenuModel model;
    EXPECT_TRUE(model.isReachable(A::MainArray, entry::FullRefresh));
    // The access submenu starts hidden: its items cannot be chosen.
    EXPECT_FALSE(model.isReachable(A::AAccessFunctions, 0));
    model.buildClassic(0, [](MenuArray, int) { return false; });
    EXPECT_FALSE(model.isReachable(A::AAccessFunctions, 0));  // shown but disabled
    model.buildClassic(0, [](MenuArray, int) { return true; });
    EXPECT_TRUE(model.isReachable(A::AAccessFunctions, 0));
    EXPECT_FALSE(model.isReachable(A::AAccessFunctions, 4));  // no such entry
}

TEST(MenuModel, EachCommandIsOfferedByItsOwnPermissionAndASubmenuWhenAnyOfItsCommandsIs) {
    MenuModel model;
    // Only the control functions that act on the door's relay: masking acts on its input.
    model.buildClassic(0, [](MenuArray array, int index) {
        return array == A::AControlFunctions && index != 2 && index != 3 && index != 4;
    });
    EXPECT_FALSE(model.entry(A::MainArray, entry::AccessFunctions).enabled);
    EXPECT_EQ(model.entry(A::MainArray, entry::AccessFunctions).whyDisabled, "Not permitted for this door");
    EXPECT_TRUE(model.isReachable(A::AControlFunctions, 0));   // Trigger
    EXPECT_FALSE(model.isReachable(A::AControlFunctions, 2));  // Mask
    EXPECT_TRUE(model.isReachable(A::AControlFunctions, 16));  // Lock OPEN Release

    // A reader's code tamper is cleared only by permission.
    model.buildNewerLine(QStringLiteral("\\\\ZRII.S01.C001.RL01"), [](MenuArray, int) { return false; });
    EXPECT_FALSE(model.isReachable(A::ZR2List, entry::ZR2ClearCodeTamper));
    EXPECT_TRUE(model.isReachable(A::ZR2List, entry::ZR2Refresh));
}

// ---- through the window: a right click on real rows

class ContextMenuTest : public CommandsFixture {};

TEST_F(ContextMenuTest, MouseUpShowsNothingUnlessArmedOverASelectedCell) {
    showPane(0);
    const QString door = window->board().sections().grid(0).text(1, col::Address);
    int popups = 0;
    const auto popup = [&](TopMenu) { ++popups; };
    const auto selected = [](int, int) { return true; };

    // Armed, but no row or column recorded: nothing, and the flag stays set.
    window->gridPressed(Section::Doors, 2);
    window->setCurrentCell(Section::Doors, 0, 0);
    EXPECT_EQ(menus->buttonReleased(0, selected, popup), TopMenu::None);
    EXPECT_TRUE(window->contextMenuArmed());

    // A cell the grid does not show as selected: nothing, the flag stays set.
    click(0, door);
    EXPECT_EQ(menus->buttonReleased(
                  0, [](int, int) { return false; }, popup),
              TopMenu::None);
    EXPECT_TRUE(window->contextMenuArmed());

    // The right button's release: the menu pops up while armed and is disarmed afterwards.
    bool armedDuringPopup = false;
    EXPECT_EQ(menus->buttonReleased(0, selected,
                                    [&](TopMenu m) {
                                        armedDuringPopup = window->contextMenuArmed();
                                        EXPECT_EQ(m, TopMenu::Main);
                                        ++popups;
                                    }),
              TopMenu::Main);
    EXPECT_TRUE(armedDuringPopup);
    EXPECT_FALSE(window->contextMenuArmed());

    // A left click (never armed) shows nothing.
    window->gridPressed(Section::Doors, 1);
    EXPECT_EQ(menus->buttonReleased(0, selected, popup), TopMenu::None);
    EXPECT_EQ(popups, 1);
}

TEST_F(ContextMenuTest, ClassicStateCarriesFromOnePopupToTheNext) {
    window->FillPoints(site.siteGroupId);
    const QString door = text(QStringLiteral("SELECT Address FROM Doors ORDER BY Address"));
    const QString controller = door.chopped(5);
    const QString reader = controller + QStringLiteral(".SM") + door.right(2);
    const auto functions = [&] {
        const MenuEntry& access = menus->model().entry(A::MainArray, entry::AccessFunctions);
        const MenuEntry& control = menus->model().entry(A::MainArray, entry::ControlFunctions);
        return QList<bool>{access.visible, access.enabled, control.visible, control.enabled};
    };
    ASSERT_EQ(rightClick(0, door), TopMenu::Main);
    ASSERT_EQ(rightClick(4, controller), TopMenu::Main);
    EXPECT_EQ(functions(), (QList<bool>{true, false, true, false}));  // the door's, disabled

    rightClick(3, reader);
    EXPECT_EQ(shown(menus->model(), A::MainArray), (QList<int>{0, 1, 2, 6, 7, 8}));
    rightClick(4, controller);
    EXPECT_EQ(functions(), (QList<bool>{false, false, false, false}));  // still hidden
}

TEST_F(ContextMenuTest, PermissionAndPointRolesDecideEveryEntryAskedOncePerMenu) {
    window->FillPoints(site.siteGroupId);
    const QString boundaryDoor = site.boundaryAddress;
    const QString otherDoor =
        text(QStringLiteral("SELECT Address FROM Doors WHERE Address <> '%1' ORDER BY Address").arg(boundaryDoor));
    const auto enabled = [&] {
        return QList<bool>{menus->model().entry(A::MainArray, entry::AccessFunctions).enabled,
                           menus->model().entry(A::MainArray, entry::ControlFunctions).enabled};
    };

    rightClick(0, otherDoor);
    EXPECT_EQ(enabled(), (QList<bool>{true, true}));
    EXPECT_EQ(host.count(QStringLiteral("PermissionGranted")), 1);

    // The operator kept from the boundary door: both functions disabled there, not elsewhere.
    host.userId = site.boundedOperatorId;
    rightClick(0, boundaryDoor);
    EXPECT_EQ(enabled(), (QList<bool>{false, false}));
    rightClick(0, otherDoor);
    EXPECT_EQ(enabled(), (QList<bool>{true, true}));
    // The boundary door's relay and input command the door too: kept from the operator as well.
    const QString controller = boundaryDoor.left(boundaryDoor.lastIndexOf(QLatin1Char('.')));
    rightClick(2, controller + QStringLiteral(".BR") + boundaryDoor.right(2));
    EXPECT_FALSE(menus->model().entry(A::MainArray, entry::ControlFunctions).enabled);
    rightClick(1, controller + QStringLiteral(".BI") + boundaryDoor.right(2));
    EXPECT_FALSE(menus->model().entry(A::MainArray, entry::ControlFunctions).enabled);

    // Device commands denied to the operator (permission 63).
    host.permissions[10] = false;
    rightClick(0, otherDoor);
    EXPECT_EQ(enabled(), (QList<bool>{false, false}));
    const HostCall last = host.callsNamed(QStringLiteral("PermissionGranted")).last();
    EXPECT_EQ(last.args, (QVariantList{qint16(10), 63}));
}

TEST_F(ContextMenuTest, NewerLineStateCarriesAndTheComponentListIsBuiltBeforeThePopup) {
    window->FillPoints(site.siteGroupId);
    const QString door = text(QStringLiteral("SELECT Address FROM ZRII_Doors ORDER BY Address"));
    const QString input = text(QStringLiteral("SELECT Address FROM ZRII_Inputs ORDER BY Address"));
    const QString reader = text(QStringLiteral("SELECT Address FROM ZRII_Readers ORDER BY Address"));

    host.permissions[10] = false;
    int components = 0;
    window->gridPressed(Section::Doors, 2);
    click(0, door);
    EXPECT_EQ(menus->buttonReleased(
                  0, [](int, int) { return true; }, [&](TopMenu) { components = menus->model().count(A::CompProps); }),
              TopMenu::ZR2);
    EXPECT_GT(components, 1);

    host.permissions[10] = true;
    rightClick(1, input);
    EXPECT_FALSE(menus->model().entry(A::ZR2List, entry::ZR2Access).enabled);  // hidden, the door's state
    EXPECT_TRUE(menus->model().entry(A::ZR2List, entry::ZR2Control).enabled);
    // A reader leaves the control submenu as the input left it.
    rightClick(3, reader);
    EXPECT_EQ(shown(menus->model(), A::ZR2ControlArray), kInputItems);
    EXPECT_EQ(shown(menus->model(), A::ZR2List), (QList<int>{3, 4, 5, 6, 7}));
}

}  // namespace
}  // namespace so::test
