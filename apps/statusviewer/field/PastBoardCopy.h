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

/// Copies the SQLite site behind site into a new file at copyPath (which must not exist) and
/// applies board to the copy. Throws DbError.
void copySiteAt(so::db::Connection& site, const QString& copyPath, const history::PastBoard& board);

}  // namespace sv
