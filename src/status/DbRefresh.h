// Re-reading single rows of the status window from the site database (DBStatusUpdate) and the two
// threat level lookups of controllers.
//
// A row is renewed when another workstation reports a point's configuration changed and when a
// newer-line controller, module or keypad reports. The caller finds the row first (by address);
// row 0 means "not shown" and touches nothing. A newer-line row is renewed the one way the full
// load writes it (Filler::renewPoint), so a re-read draws every cell as a full load does.
//
// Every statement is sent as the site's SQL Server dialect writes it, with the point's address
// bound as the parameter "@Address": an address comes from the host, another workstation or a
// grid cell and never becomes part of the statement text.
#pragma once

#include "base/ComponentContext.h"
#include "domain/Section.h"
#include "domain/UpdatedStamp.h"

#include <QString>

namespace so {

class Filler;
class Sections;
class StatusGrid;

class DbRefresh {
public:
    DbRefresh(ComponentContext& ctx, Sections& sections, Filler& filler);

    /// Renews row `row` of the target's section ("FMain.DBStatusUpdate(grid, address, row)", grid
    /// the target's code). No record leaves the row as it was. True when a classic row's
    /// configuration changed: its states, which decode by it (a line module's type, a contact's
    /// polarity), are then to be replayed from the stored reports (FullRefresh::replayRows) to
    /// read as a full load reads them.
    bool DBStatusUpdate(RefreshTarget target, const QString& address, int row);

    /// The name of the highest threat level a classic controller's status value ("2|5|3") names;
    /// empty when the level has no name ("FMain.GetContThreatLevelForStatus").
    QString GetContThreatLevelForStatus(const QString& statusValue);

private:
    void classicDoor(StatusGrid& grid, const QString& address, int row);
    void classicInput(StatusGrid& grid, const QString& address, int row);
    void expansionInput(StatusGrid& grid, const QString& address, int row, bool checkPresent);
    void classicController(StatusGrid& grid, const QString& address, int row);
    void pylon(StatusGrid& grid, const QString& address, int row);
    void serverPort(StatusGrid& grid, const QString& address, int row);

    ComponentContext& ctx_;
    Sections& sections_;
    Filler& filler_;
};

}  // namespace so
