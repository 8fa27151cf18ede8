// The context menus of the status window's rows (the menu form `FPopup`): the menu model, the
// building of a menu on a right-button release over a row (buttonReleased), and the dispatch of a
// chosen entry to its command.
//
// The popping up itself is handed in as a function: the Qt layer shows a QMenu built from the
// model (src/ui/RowContextMenu.h); without it the whole sequence runs headless and tests read the
// model afterwards.
#pragma once

#include "commands/ClassicCommands.h"
#include "commands/DeviceDetails.h"
#include "commands/MenuModel.h"
#include "commands/NewerLineCommands.h"
#include "base/ComponentContext.h"

#include <functional>

namespace so {

class StatusWindow;
class SuperStatusReplay;

class ContextMenus {
public:
    /// Whether the pane's grid shows the cell (row from 1, column as the window's current cell
    /// counts it) as selected.
    using CellSelected = std::function<bool(int row, int column)>;
    /// Shows a top-level menu at the mouse and returns when the operator chose or dismissed it;
    /// the chosen entry's command runs before it returns.
    using Popup = std::function<void(TopMenu menu)>;

    ContextMenus(ComponentContext& ctx, StatusWindow& window, SuperStatusReplay& replay);

    MenuModel& model() { return model_; }
    ClassicCommands& classic() { return classic_; }
    NewerLineCommands& newerLine() { return newerLine_; }
    DeviceDetails& details() { return details_; }

    /// A mouse button was released over the grid of `pane`. When the right button armed the menu
    /// over a selected cell, builds the menu for the clicked row (the newer-line menu for a "ZRII"
    /// address, the classic one otherwise), pops it up and disarms. Returns the menu built, None
    /// when nothing was shown ("FMain.vGrid_MouseUp").
    TopMenu buttonReleased(int pane, const CellSelected& cellSelected, const Popup& popup = {});

    /// Runs the command of a chosen entry. An entry the operator could not reach (hidden or
    /// disabled, itself or the submenu holding it) runs nothing. While a menu is up, the command
    /// acts on the point the menu was built for, wherever its row is now.
    void choose(MenuArray array, int index);

private:
    /// Points the current cell at the row of the point the open menu was built for; false when
    /// that point is no longer shown.
    bool followMenuPoint();

    ComponentContext& ctx_;
    StatusWindow& window_;
    MenuModel model_;
    ClassicCommands classic_;
    DeviceDetails details_;
    NewerLineCommands newerLine_;
    /// The address of the row the open menu was built for; empty while no menu is up.
    QString menuAddress_;
};

}  // namespace so
