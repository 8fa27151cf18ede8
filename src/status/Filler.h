// Filling the sections for a status group: one row per point, made from the configuration that
// each point kind's stored procedure returns for the group.
//
// The kinds, their procedures and sections:
//   1 doors, 2 inputs, 3 relays, 4 readers, 5 controllers, 6 communication boxes, 7 server ports,
//   8 expansion inputs, 9 expansion relays (classic line; STATUS_Fetch_*), and
//   101 doors, 102 inputs, 103 relays, 104 readers, 105 controllers, 108 modules (newer line;
//   ZRII_Status_Fetch_*Info). Each procedure is sent as its name followed by the group number.
#pragma once

#include "base/ComponentContext.h"
#include "domain/Address.h"
#include "base/Texts.h"
#include "domain/UpdatedStamp.h"

#include <statusobject/Db.h>

#include <QString>

#include <map>

namespace so {

class Sections;
class StatusDecoder;
class StatusGrid;

class Filler {
public:
    using RowWriter = void (Filler::*)(StatusGrid&, int, const db::Recordset&);
    struct Kind {
        ObjectType objectType;
        const char* command;  // procedure name with its trailing blank
        Section section;
        RowWriter write;
    };

    /// Item data of a door row's Name cell that marks a newer-line door.
    static constexpr qint64 kNewerLineDoorMark = 100;

    Filler(ComponentContext& ctx, Sections& sections, StatusDecoder& decoder);

    /// The kind of an object type; nullptr for a number that fills nothing.
    static const Kind* kindFor(int objectId);

    /// Records of newer-line kinds read by a fill, by object type, at their first row: the full
    /// refresh that follows the fill of a group renews those rows from them instead of running the
    /// same procedures again.
    using KindRecords = std::map<int, db::Recordset>;

    /// Runs the kind's procedure for the group and appends one row per record to its section,
    /// with the grid's redrawing off meanwhile. Failures pass to the caller's trap; rows added
    /// before a failure stay. With `keep`, a newer-line kind's records are kept there.
    void appendRows(const Kind& kind, qint32 groupId, KindRecords* keep = nullptr);

    /// Writes every cell a fill writes into an existing row from a record of the kind's procedure.
    void writeRow(const Kind& kind, StatusGrid& grid, int row, const db::Recordset& rs) {
        (this->*kind.write)(grid, row, rs);
    }

    /// The one way a shown row of a newer-line kind is brought up to date: from a record of the
    /// kind (its procedure's for the group, or one point's, see renewPoint), the cells the fill
    /// writes, then the states the record carries beyond them, then the row's time. The full
    /// refresh renews every row this way and a re-read renews one, so both draw a row alike.
    void renewRow(const Kind& kind, StatusGrid& grid, int row, const db::Recordset& rs, const UpdatedStamp& now);

    /// Re-reads the shown row of one newer-line point from the site database: the record of the
    /// point at address with the columns of its kind's procedure (bound as "@Address"), through
    /// renewRow; a reader's keypad module state as the fill reads it. No record leaves the row as
    /// it was. `type` is a newer-line object type.
    void renewPoint(ObjectType type, StatusGrid& grid, int row, const QString& address);

    /// The LastUpdated content of the present moment, as the decoding writes report times.
    UpdatedStamp nowStamp();

private:
    /// False for a record that makes no row (an expansion input the controller does not have).
    static bool makesRow(const Kind& kind, const db::Recordset& rs);
    void writeNameAndAddress(StatusGrid& grid, int row, const db::Recordset& rs, const QString& nameField, int icon,
                             const QString& idField);
    void writeEnabledFromDisabled(StatusGrid& grid, int row, const db::Recordset& rs);

    void classicDoor(StatusGrid& grid, int row, const db::Recordset& rs);
    void classicInput(StatusGrid& grid, int row, const db::Recordset& rs);
    void classicRelay(StatusGrid& grid, int row, const db::Recordset& rs);
    void classicReader(StatusGrid& grid, int row, const db::Recordset& rs);
    void classicController(StatusGrid& grid, int row, const db::Recordset& rs);
    void pylon(StatusGrid& grid, int row, const db::Recordset& rs);
    void serverPort(StatusGrid& grid, int row, const db::Recordset& rs);
    void expansionInput(StatusGrid& grid, int row, const db::Recordset& rs);
    void expansionRelay(StatusGrid& grid, int row, const db::Recordset& rs);
    void newerLineDoor(StatusGrid& grid, int row, const db::Recordset& rs);
    void newerLineInput(StatusGrid& grid, int row, const db::Recordset& rs);
    void newerLineRelay(StatusGrid& grid, int row, const db::Recordset& rs);
    void newerLineReader(StatusGrid& grid, int row, const db::Recordset& rs);
    void newerLineController(StatusGrid& grid, int row, const db::Recordset& rs);
    void newerLineModule(StatusGrid& grid, int row, const db::Recordset& rs);
    /// The live states a newer-line record carries beyond the fill's cells (renewRow).
    void renewState(ObjectType type, StatusGrid& grid, int row, const db::Recordset& rs, const QString& now);
    /// A newer-line reader's state from its keypads and their module: Status, the tampers and the
    /// threat level, or "-" while its controller is off line.
    void readerKeypadState(StatusGrid& grid, int row, const QString& address);

    ComponentContext& ctx_;
    Sections& sections_;
    StatusDecoder& decoder_;
    NowText now_;
    qint64 stampSecond_ = -1;  // of stamp_
    UpdatedStamp stamp_;
};

}  // namespace so
