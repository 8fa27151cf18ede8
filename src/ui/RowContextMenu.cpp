#include "ui/RowContextMenu.h"

#include "base/ComponentContext.h"
#include "commands/ContextMenus.h"
#include "ui/StatusFrame.h"
#include "ui/SectionGridView.h"
#include "window/StatusWindow.h"

#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QMenu>

namespace so {

RowContextMenu::RowContextMenu(ContextMenus& menus, StatusFrame& window)
    : QObject(&window), menus_(menus), window_(window) {
    window_.setOnGridMouseUp(
        [this](Section section, int, const QPoint& globalPos) { gridMouseUp(section, globalPos); });
}

void RowContextMenu::gridMouseUp(Section section, const QPoint& globalPos) {
    // A command's CallBack (a port's properties) may delete the component.
    const Lifetime::Scope scope(window_.statusWindow().context().lifetime, Lifetime::Entry::WindowEvent);
    auto* view = window_.findChild<SectionGridView*>(QStringLiteral("grid") + StatusWindow::sectionName(section));
    // The window counts the current cell's row and column from 1; the view from 0.
    const auto cellSelected = [view](int row, int column) {
        const QModelIndex index = view->model()->index(row - 1, column - 1);
        return index.isValid() && view->selectionModel()->isSelected(index);
    };
    menus_.buttonReleased(sectionIndex(section), cellSelected, [&](TopMenu menu) { popup(menu, globalPos); });
}

void RowContextMenu::popup(TopMenu menu, const QPoint& globalPos) {
    QMenu top(&window_);
    std::optional<std::pair<MenuArray, int>> chosen;
    fill(top, MenuModel::arrayOf(menu), top, chosen);
    top.exec(globalPos);
    if (chosen)
        menus_.choose(chosen->first, chosen->second);
}

void RowContextMenu::fill(QMenu& menu, MenuArray array, QMenu& top,
                          std::optional<std::pair<MenuArray, int>>& chosen) const {
    menu.setToolTipsVisible(true);
    const QVector<MenuEntry>& entries = menus_.model().entries(array);
    for (int index = 0; index < entries.size(); ++index) {
        const MenuEntry& entry = entries[index];
        // The menus' own captions are English in the model; a door's component entries (those
        // with a tag) are named by the site.
        const QString caption = entry.tag.isEmpty()
                                    ? QCoreApplication::translate("so::MenuModel", entry.caption.toUtf8().constData())
                                    : entry.caption;
        QAction* action = nullptr;
        if (entry.isSeparator()) {
            action = menu.addSeparator();
        } else if (entry.submenu) {
            QMenu* submenu = menu.addMenu(caption);
            fill(*submenu, *entry.submenu, top, chosen);
            action = submenu->menuAction();
        } else {
            action = menu.addAction(caption);
            QObject::connect(action, &QAction::triggered, &top, [&top, &chosen, array, index] {
                chosen.emplace(array, index);
                top.close();
            });
        }
        action->setVisible(entry.visible);
        action->setEnabled(entry.enabled);
        // A disabled entry says why, in its status tip and as a tooltip over the menu.
        action->setStatusTip(entry.whyDisabled);
        action->setToolTip(entry.whyDisabled);
    }
}

}  // namespace so
