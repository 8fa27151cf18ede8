#include "commands/ContextMenus.h"
#include "status/StatusBoard.h"

#include "base/ErrorTrap.h"
#include "base/Errors.h"
#include "domain/Permissions.h"
#include "grid/ColumnLayout.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

namespace so {
namespace {

/// The points the command of a menu entry acts on when run for the point at address: a classic
/// command goes to its controller as the classic commands send it, a newer-line one to the point
/// itself. Empty when the entry sends no command for that point.
QStringList commandedPoints(const QString& address, MenuArray array, int index) {
    try {
        const QString controller = address.left(address.lastIndexOf(QLatin1Char('.')));
        switch (array) {
        case MenuArray::AAccessFunctions:
            return classicCommandPoints(controller, ClassicCommands::accessCommand(index), boardPointNumber(address));
        case MenuArray::AControlFunctions: {
            const std::optional<qint16> number = controlPointNumber(address);
            return number ? classicCommandPoints(controller, ClassicCommands::controlCommand(index), *number)
                          : QStringList();
        }
        default: return {address};
        }
    } catch (const ComponentError&) {
        return {};  // an address without a point number
    }
}

}  // namespace

ContextMenus::ContextMenus(ComponentContext& ctx, StatusWindow& window, SuperStatusReplay& replay)
    : ctx_(ctx), window_(window), classic_(ctx, window), details_(ctx, window, replay),
      newerLine_(ctx, window, model_, details_) {}

TopMenu ContextMenus::buttonReleased(int pane, const CellSelected& cellSelected, const Popup& popup) {
    return trapOr(ctx_, QStringLiteral("FMain.vGrid_MouseUp"), TopMenu::None, [&] {
        const int row = window_.currentRow();
        const int column = window_.currentColumn();
        if (row == 0 || column == 0)
            return TopMenu::None;
        if (!window_.contextMenuArmed()) {
            window_.setContextMenuArmed(false);
            return TopMenu::None;
        }
        if (!cellSelected || !cellSelected(row, column))
            return TopMenu::None;

        const QString address = window_.board().sections().grid(pane).text(row, col::Address);
        // Each command entry is offered by the rule the field applies to a desk's command: the
        // operator's right and the role of every point the command acts on.
        const CommandRuleAnswers answers = windowOperatorAnswers(ctx_);
        const MenuModel::Permission permitted = [&](MenuArray array, int index) {
            return mayCommandPoints(commandedPoints(address, array, index), answers);
        };
        const TopMenu menu = MenuModel::menuForAddress(address);
        if (menu == TopMenu::ZR2) {
            model_.buildNewerLine(address, permitted);
            // The newer-line menu's own click handler runs as it opens: the door's components.
            newerLine_.prepareMenu();
        } else {
            model_.buildClassic(pane, permitted);
        }
        if (!ctx_.commandsOffered)
            model_.withholdCommands();
        if (popup) {
            menuAddress_ = address;
            popup(menu);
            menuAddress_.clear();
        }
        window_.setContextMenuArmed(false);
        return menu;
    });
}

bool ContextMenus::followMenuPoint() {
    if (menuAddress_.isEmpty())
        return true;
    const Section pane = window_.currentSection();
    const int row = window_.currentRow();
    StatusGrid& grid = window_.board().sections().grid(pane);
    if (row >= 1 && row <= grid.rowCount() && grid.text(row, col::Address) == menuAddress_)
        return true;
    // The rows changed while the menu was up (a refill, a sort): the remembered row number may
    // hold another point now, and a command must never go to a point the operator did not pick.
    const int moved = grid.findRow(menuAddress_);
    if (moved == 0) {
        ctx_.errorLog.writeToLog(
            QStringLiteral("FMain.vGrid_MouseUp: %1 is no longer shown; the command was not run").arg(menuAddress_));
        return false;
    }
    window_.setCurrentCell(pane, moved, window_.currentColumn());
    return true;
}

void ContextMenus::choose(MenuArray array, int index) {
    if (!model_.isReachable(array, index))
        return;
    if (!trapOr(ctx_, QStringLiteral("FMain.vGrid_MouseUp"), false, [&] { return followMenuPoint(); }))
        return;
    switch (array) {
    case MenuArray::MainArray: details_.runMainEntry(index); break;
    case MenuArray::AAccessFunctions: classic_.runAccessEntry(index); break;
    case MenuArray::AControlFunctions: classic_.runControlEntry(index); break;
    case MenuArray::ZR2List: newerLine_.runListEntry(index); break;
    case MenuArray::ZR2AccessArray: newerLine_.runAccessEntry(index); break;
    case MenuArray::ZR2ControlArray: newerLine_.runControlEntry(index); break;
    case MenuArray::CompProps: newerLine_.openComponentProperties(index); break;
    }
}

}  // namespace so
