// The full refresh of the status window (the classic context menu's "Refresh", the F5 key and the
// quiet-period timer): every shown row brought up to date from the database.
//
// Classic rows are replayed from the stored controller reports: one copy of "Select * From
// SuperStatus" is taken and the reports of every controller, port and communication box that has a
// shown row go through the stored-report replay (the same decoding as the live reports). Newer-line
// rows are renewed from their kinds' detail procedures, run once per kind for the shown group, each
// record written into the row of its address the one way a re-read of one row writes it too
// (Filler::renewRow). The number of statements is fixed (the status copy,
// the controller list, one per newer-line kind shown), whatever the number of rows: a refresh of a
// window holding tens of thousands of points never sends one statement per row.
#pragma once

#include "base/ComponentContext.h"
#include "domain/Section.h"
#include "status/Filler.h"

#include <statusobject/Db.h>

#include <QString>

#include <span>

namespace so {

class Filler;
class Sections;
class StatusDecoder;
class StatusGrid;
class SuperStatusReplay;

class FullRefresh {
public:
    FullRefresh(ComponentContext& ctx, Sections& sections, StatusDecoder& decoder, Filler& filler,
                SuperStatusReplay& replay);

    /// Refreshes every shown row ("FPopup.mnuMainArray_Click"); groupId selects the newer-line
    /// points (0: none shown). Right after the group's fill, `fromFill` holds the records the fill
    /// read: the newer-line kinds found there are renewed from them without a second read.
    void run(qint32 groupId, Filler::KindRecords* fromFill = nullptr);

    /// A shown row, by section and number.
    struct ShownRow {
        Section section;
        int row;
    };
    /// Replays the stored reports that draw the shown classic rows, as run() replays them for
    /// every row: each row's controller's, or a port's or communication box's own, once each, from
    /// one copy of the stored reports. Newer-line rows and rows no longer there are passed over.
    void replayRows(std::span<const ShownRow> rows);

private:
    void replayClassicRows();
    /// Replays the stored reports of rows from one copy of SuperStatus: the whole table's, or that
    /// of the rows' controllers, ports and boxes alone.
    void replay(std::span<const ShownRow> rows, bool wholeTable);
    void renewNewerLineRows(qint32 groupId, Filler::KindRecords* fromFill);

    ComponentContext& ctx_;
    Sections& sections_;
    StatusDecoder& decoder_;
    Filler& filler_;
    SuperStatusReplay& replay_;
};

}  // namespace so
