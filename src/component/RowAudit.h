// The shown rows checked against a fresh draw from the site, a slice at a time, and redrawn where
// they differ: what finds a row that drifted from what the site holds (a re-read that drew a cell
// otherwise than a load, a cell written by mistake) without reloading the group.
//
// A row's fresh draw is the one a "point configured" notice makes: its kind's re-read from the
// site database (DBStatusUpdate, Filler::renewPoint for the newer line), and for the classic line
// the stored reports of its controller, port or communication box replayed (one copy of the
// stored reports for the whole slice). The grids write only cells whose text changes, so a row
// equal to its fresh draw is left as it was; its LastUpdated cell, which a re-read sets to the
// present moment, gets its time back. A row whose cells (LastUpdated aside) differ afterwards has
// drifted: it keeps its fresh draw and is counted.
//
// The caller decides when the site is level with what the rows show (a desk checks after the
// field's digest told it that it holds every report the field wrote to the site) and how many
// rows a call may cost: each row is one or two statements.
#pragma once

#include "domain/Section.h"

namespace so {

class Notices;
class StatusBoard;

class RowAudit {
public:
    explicit RowAudit(StatusBoard& board) : board_(board) {}

    /// Checks the next `count` shown rows, going on where the last call stopped and from the first
    /// row again after the last; a row is checked at most once a call. Returns the rows that
    /// differed from their fresh draw and were redrawn.
    int check(int count);

private:
    StatusBoard& board_;
    Section section_ = Section::Doors;
    int next_ = 1;
};

}  // namespace so
