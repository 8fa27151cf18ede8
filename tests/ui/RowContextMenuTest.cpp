// The context menu on the real status window: a right click on a row pops up the menu built from
// the model, and choosing an entry sends the command.
#include "UiFixture.h"

#include "commands/ContextMenus.h"
#include "ui/RowContextMenu.h"

#include <QAction>
#include <QMenu>

namespace so::test {
namespace {

/// The action captioned `caption` in menu or its submenus; null when there is none.
QAction* findAction(QMenu* menu, const QString& caption) {
    for (QAction* action : menu->actions()) {
        if (action->text() == caption)
            return action;
        if (action->menu() != nullptr)
            if (QAction* inner = findAction(action->menu(), caption))
                return inner;
    }
    return nullptr;
}

using RowContextMenuTest = UiFixture;

TEST_F(RowContextMenuTest, RightClickOnARowPopsUpTheMenuAndTheChosenEntrySendsTheCommand) {
    show();
    ContextMenus menus(contextOf(*status), window(), superStatusOf(*status));
    RowContextMenu popup(menus, *frame);

    // The first classic door of the group shown.
    StatusGrid& doors = grid(0);
    int row = 1;
    while (row <= doors.rowCount() && doors.text(row, col::Address).contains(QLatin1String("ZRII")))
        ++row;
    ASSERT_LE(row, doors.rowCount());
    const QString address = doors.text(row, col::Address);

    // Once the menu is up: note what it offers and choose "Unlock" in "Access Functions".
    QStringList offered;
    rightClickRow(*view(0), row - 1, [&](QMenu& menu) {
        for (QAction* action : menu.actions())
            if (action->isVisible() && !action->isSeparator())
                offered << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (disabled)"));
        QAction* unlock = findAction(&menu, QStringLiteral("Unlock"));
        ASSERT_NE(unlock, nullptr);
        unlock->trigger();
    });

    EXPECT_EQ(offered, (QStringList{QStringLiteral("&Refresh This Item(s) - This Pane"), QStringLiteral("Refresh"),
                                    QStringLiteral("Access Functions"), QStringLiteral("Control Functions"),
                                    QStringLiteral("Refresh"), QStringLiteral("Properties...")}));
    const qint32 controllerId = [&] {
        db::Recordset rs =
            db->query(QStringLiteral("SELECT ControllerID FROM Doors WHERE Address = '%1'").arg(address));
        return rs.field(0).toInt();
    }();
    const auto calls = host.callsNamed(QStringLiteral("DTApiCall"));
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].args, (QVariantList{controllerId, QStringLiteral("CALL_API|DOORFUNCTION|UNLOCK_DOOR"),
                                           qint16(address.right(2).toInt())}));
    EXPECT_FALSE(window().contextMenuArmed());
    status->ShutDown();
}

}  // namespace
}  // namespace so::test
