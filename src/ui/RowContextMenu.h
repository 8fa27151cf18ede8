// The context menus of the status window as Qt popup menus.
//
// On every mouse release over a section grid the window's hook calls gridMouseUp; the menu model
// (ContextMenus) decides whether a menu is shown and builds it, this class renders the chosen
// top-level menu as a QMenu (captions, "-" separators, submenus, visibility, enabling), pops it up
// at the pointer and, once the operator chose an entry, runs the entry's command before returning.
#pragma once

#include "commands/MenuModel.h"
#include "domain/Section.h"

#include <QObject>
#include <QPoint>

#include <optional>
#include <utility>

class QMenu;
class QWidget;

namespace so {

class ContextMenus;
class StatusFrame;

class RowContextMenu : public QObject {
    Q_OBJECT
public:
    /// Hooks itself into the window's grid mouse-up.
    RowContextMenu(ContextMenus& menus, StatusFrame& window);

    /// A mouse button went up over the grid of a section at globalPos.
    void gridMouseUp(Section section, const QPoint& globalPos);

    /// Fills menu with the entries of a model array (its submenus included); triggering an entry
    /// records it in `chosen` and closes `top`, the menu whose popup is running.
    void fill(QMenu& menu, MenuArray array, QMenu& top, std::optional<std::pair<MenuArray, int>>& chosen) const;

private:
    /// Pops a top-level menu up at globalPos and runs the chosen entry's command.
    void popup(TopMenu menu, const QPoint& globalPos);

    ContextMenus& menus_;
    StatusFrame& window_;
};

}  // namespace so
