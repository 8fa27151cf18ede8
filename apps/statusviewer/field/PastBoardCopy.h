// A past board made into a site a desk can open: a copy of the site database with the rows the
// field writes back set as they were at the moment. A so::Status opened on the copy draws the
// board as it was; the site itself is never written.
#pragma once

#include "field/HistoryTypes.h"

#include <statusobject/Db.h>

namespace sv {

/// Writes every row of board into db (a copy of the site), values bound, in one transaction.
/// Throws DbError.
void applyPastBoard(so::db::Connection& db, const history::PastBoard& board);

/// Sets the alarm records of db (a copy of the site) back to what they were at moment (ms since
/// the epoch), from its alarm journal: the journal's later steps go, each point's alarm is the one
/// raised last by then, acknowledged and cleared as it was by then (an alarm the journal no longer
/// reaches keeps its record, without the later steps), and later shelvings go. Throws DbError.
void rewindAlarmRecords(so::db::Connection& db, qint64 moment);

/// Copies the SQLite site behind site into a new file at copyPath (which must not exist), applies
/// board to the copy and sets its alarm records back to the board's moment. Throws DbError.
void copySiteAt(so::db::Connection& site, const QString& copyPath, const history::PastBoard& board);

}  // namespace sv
