#include "grid/RowFilter.h"

#include "grid/ColumnLayout.h"
#include "grid/StatusGrid.h"

namespace so {

bool rowMatchesFilter(const StatusGrid& grid, int row, const QString& needle) {
    if (needle.isEmpty())
        return true;
    for (const QString& key : {col::Name, col::Address}) {
        const int column = grid.columnIndex(key);
        if (column >= 0 && grid.text(row, column).contains(needle, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

}  // namespace so
