// The baseline the benchmarks compare the grid's address index against: a row found by scanning
// the cells of a column, as a grid without an index must. Only the benchmarks use it.
#pragma once

#include "grid/StatusGrid.h"

#include <QString>

namespace so::bench {

/// The first row (display order) whose cell in column `key` equals `text`; 0 when none or when
/// the grid has no such column.
inline int findByScan(const StatusGrid& grid, const QString& key, const QString& text) {
    const int column = grid.columnIndex(key);
    if (column < 0)
        return 0;
    for (int r = 1; r <= grid.rowCount(); ++r)
        if (grid.text(r, column) == text)
            return r;
    return 0;
}

}  // namespace so::bench
