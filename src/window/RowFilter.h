// The operator's find text: which rows of a section it leaves in sight.
#pragma once

#include <QString>

namespace so {

class StatusGrid;

/// True when `needle` is empty or the row's Name or Address contains it, ignoring letter case.
/// A grid without one of the columns is matched on the other.
bool rowMatchesFilter(const StatusGrid& grid, int row, const QString& needle);

}  // namespace so
