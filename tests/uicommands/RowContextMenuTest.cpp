// The context menu on the real status window: a right click on a row pops up the menu built from
// the model, and choosing an entry sends the command.
#include "support/DemoSiteStatus.h"

#include "commands/ContextMenus.h"
#include "component/StatusInternals.h"
#include "ui/StatusFrame.h"
#include "ui/RowContextMenu.h"
#include "ui/SectionGridView.h"
#include "ui/StatusGridModel.h"
#include "grid/ColumnLayout.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

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

TEST(RowContextMenu, RightClickOnARowPopsUpTheMenuAndTheChosenEntrySendsTheCommand) {
    DemoSiteStatus demo;
    demo.open(200);
    Status& status = *demo.status;
    ImageHost& host = demo.host;
    status.Show();
    auto* frame = qobject_cast<StatusFrame*>(status.widget());
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));

    StatusWindow& window = windowOf(status);
    ContextMenus menus(contextOf(status), window, superStatusOf(status));
    RowContextMenu popup(menus, *frame);

    // The first classic door of the group shown.
    StatusGrid& doors = window.grid(0);
    int row = 1;
    while (row <= doors.rowCount() && doors.text(row, col::Address).contains(QLatin1String("ZRII")))
        ++row;
    ASSERT_LE(row, doors.rowCount());
    const QString address = doors.text(row, col::Address);
    frame->sectionModel(0)->flush();
    QCoreApplication::processEvents();

    // Once the menu is up: note what it offers and choose "Unlock" in "Access Functions".
    QStringList offered;
    QTimer chooser;
    QObject::connect(&chooser, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        chooser.stop();
        for (QAction* action : menu->actions())
            if (action->isVisible() && !action->isSeparator())
                offered << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (disabled)"));
        QAction* unlock = findAction(menu, QStringLiteral("Unlock"));
        ASSERT_NE(unlock, nullptr);
        unlock->trigger();
    });
    chooser.start(10);

    SectionGridView* view = frame->sectionView(0);
    const QPoint centre = view->visualRect(view->model()->index(row - 1, 0)).center();
    QTest::mousePress(view->viewport(), Qt::RightButton, {}, centre);
    QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, centre);

    EXPECT_EQ(offered, (QStringList{QStringLiteral("&Refresh This Item(s) - This Pane"), QStringLiteral("Refresh"),
                                    QStringLiteral("Access Functions"), QStringLiteral("Control Functions"),
                                    QStringLiteral("Refresh"), QStringLiteral("Properties...")}));
    const qint32 controllerId = [&] {
        db::Recordset rs =
            demo.db->query(QStringLiteral("SELECT ControllerID FROM Doors WHERE Address = '%1'").arg(address));
        return rs.field(0).toInt();
    }();
    const auto calls = host.callsNamed(QStringLiteral("DTApiCall"));
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].args, (QVariantList{controllerId, QStringLiteral("CALL_API|DOORFUNCTION|UNLOCK_DOOR"),
                                           qint16(address.right(2).toInt())}));
    EXPECT_FALSE(window.contextMenuArmed());
    status.ShutDown();
}

}  // namespace
}  // namespace so::test
