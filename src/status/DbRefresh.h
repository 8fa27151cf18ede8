// Re-reading single rows of the status window from the site database (DBStatusUpdate) and the two
// threat level lookups of controllers.
//
// A row is renewed when another workstation reports a point's configuration changed, when a
// newer-line controller, module or keypad reports, and when a newer-line reader row is filled. The
// caller finds the row first (by address); row 0 means "not shown" and touches nothing.
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

class Sections;
class StatusDecoder;
class StatusGrid;

class DbRefresh {
public:
    /// Item data of a door row's Name cell that marks a newer-line door.
    static constexpr qint64 kNewerLineDoorMark = 100;

    DbRefresh(ComponentContext& ctx, Sections& sections, StatusDecoder& decoder);

    /// Renews row `row` of the target's section ("FMain.DBStatusUpdate(grid, address, row)", grid
    /// the target's code). No record leaves the row as it was.
    void DBStatusUpdate(RefreshTarget target, const QString& address, int row);

    /// The name of the highest threat level a classic controller's status value ("2|5|3") names;
    /// empty when the level has no name ("FMain.GetContThreatLevelForStatus").
    QString GetContThreatLevelForStatus(const QString& statusValue);

    /// The name of the highest threat level among a newer-line controller's readers; empty when
    /// none ("FMain.ZR2GetContThreatLevelForID").
    QString ZR2GetContThreatLevelForID(qint32 controllerId);

    /// The LastUpdated content of the present moment, as the decoding writes report times.
    UpdatedStamp nowStamp();

private:
    void newerLineDoor(StatusGrid& grid, const QString& address, int row);
    void classicDoor(StatusGrid& grid, const QString& address, int row);
    void newerLineInput(StatusGrid& grid, const QString& address, int row);
    void classicInput(StatusGrid& grid, const QString& address, int row);
    void expansionInput(StatusGrid& grid, const QString& address, int row, bool checkPresent);
    void newerLineRelay(StatusGrid& grid, const QString& address, int row);
    void classicController(StatusGrid& grid, const QString& address, int row);
    void pylon(StatusGrid& grid, const QString& address, int row);
    void serverPort(StatusGrid& grid, const QString& address, int row);
    void newerLineReader(StatusGrid& grid, const QString& address, int row);
    void newerLineController(StatusGrid& grid, const QString& address, int row);
    void newerLineModule(StatusGrid& grid, const QString& address, int row);

    ComponentContext& ctx_;
    Sections& sections_;
    StatusDecoder& decoder_;
};

}  // namespace so
