// Commands of the newer-line menu (addresses containing "ZRII").
//
// The host's site connection executes them by device number (the database id kept as item data of
// the row's "Address" cell), and every access or control command is followed by an operator event
// (LogEvent, event code 1267) naming the point. The menu also clears a reader's code tamper,
// refreshes, opens the host's configuration dialog, and for a door lists the relays, inputs and
// readers that belong to it in the "Component Properties" submenu.
#pragma once

#include "base/ComponentContext.h"

namespace so {

class DeviceDetails;
class MenuModel;
class StatusWindow;

class NewerLineCommands {
public:
    /// Operator event code of every command written here.
    static constexpr qint16 kOperatorEventCode = 1267;

    /// One access or control function: its code, the event texts and, for control functions, the
    /// device type used outside the doors pane.
    struct Function {
        qint32 code;
        const char* description;
        const char* detailsPrefix;
        const char* deviceKind;
        qint32 typeOutsideDoors;
    };

    NewerLineCommands(ComponentContext& ctx, StatusWindow& window, MenuModel& menus, DeviceDetails& details);

    /// The newer-line menu opens: rebuilds the component submenu for a door row, or disables it
    /// for any other pane ("FPopup.mnuZR2_Click").
    void prepareMenu();
    /// Access submenu: momentary access, unlock, relock, toggle lock of the clicked door.
    void runAccessEntry(int index);
    /// Control submenu: trigger, mask, unmask, forced states ... of the clicked point.
    void runControlEntry(int index);
    /// 3 clear code tamper, 5 refresh (the full refresh), 7 properties ("FPopup.mnuZR2List_Click").
    void runListEntry(int index);
    /// Opens the configuration dialog of a component listed for a door, by the entry's tag.
    void openComponentProperties(int index);

private:
    void execute(const Function& function, qint32 deviceType, bool control);
    void addComponents(const QString& sql, const QString& idColumn, const QString& letter);

    ComponentContext& ctx_;
    StatusWindow& window_;
    MenuModel& menus_;
    DeviceDetails& details_;
};

}  // namespace so
