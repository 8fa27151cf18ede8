// The classic menu's refresh and "Properties..." entries (`runMainEntry`), which the
// newer-line menu's "Refresh" uses as well.
//
//   0  "&Refresh This Item(s) - This Pane"  the controllers of the current group's points of the
//                                            clicked pane
//   1  "Refresh"                             the controllers of the whole site
//   6  "Refresh"                             the window's full refresh (also F5 and the timer)
//   8  "Properties..."                       the host's configuration dialog of the clicked point
//
// Entries 0 and 1 ask the database for controller addresses, replay the stored status reports of
// those controllers (from one copy of SuperStatus) and re-read from the database every row of the
// clicked pane whose address begins with one of them (DBStatusUpdate; newer-line rows get their
// state there, classic rows their configuration cells; communication boxes and ports also replay
// their own stored reports). Entry 0 reads the controllers from the current group's points of the
// pane's kinds, entry 1 from the site's controller table.
#pragma once

#include "base/ComponentContext.h"

#include <QString>
#include <QStringList>

namespace so {

class StatusWindow;
class SuperStatusReplay;

class DeviceDetails {
public:
    DeviceDetails(ComponentContext& ctx, StatusWindow& window, SuperStatusReplay& replay);

    /// Runs entry `index` of the classic menu's own list; other indexes do nothing
    /// ("FPopup.mnuMainArray_Click").
    void runMainEntry(int index);

private:
    void refreshControllers(int index);
    QStringList controllerAddresses(int index, int pane);
    void refreshRows(int pane, const QStringList& controllers);
    void properties();
    void serverPortProperties(qint32 portId);
    void portConfigCallBack(const QString& table, const QString& portAddress);

    ComponentContext& ctx_;
    StatusWindow& window_;
    SuperStatusReplay& replay_;
};

}  // namespace so
