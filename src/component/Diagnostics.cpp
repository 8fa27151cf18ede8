#include <statusobject/Diagnostics.h>

#include "component/StatusInternals.h"
#include "domain/Address.h"
#include "grid/ColumnLayout.h"
#include "grid/Sections.h"
#include "grid/StatusGrid.h"
#include "status/StatusBoard.h"
#include "window/StatusWindow.h"

#include <algorithm>
#include <numeric>

namespace so::diagnostics {

QStringList shownRows(const Status& status, bool newerLine) {
    const Sections& sections = windowOf(status).board().sections();
    QStringList lines;
    for (Section section : kAllSections) {
        const StatusGrid& grid = sections.grid(section);
        // The reception time differs between windows that show the same state; it is left out.
        QVector<int> columns;
        for (int c = 0; c < grid.columnCount(); ++c)
            if (grid.column(c).key != col::LastUpdated)
                columns.append(c);
        std::sort(columns.begin(), columns.end(),
                  [&](int a, int b) { return grid.column(a).key < grid.column(b).key; });
        const int address = grid.columnIndex(col::Address);
        QVector<int> rows(grid.rowCount());
        std::iota(rows.begin(), rows.end(), 1);
        if (address >= 0)
            std::stable_sort(rows.begin(), rows.end(),
                             [&](int a, int b) { return grid.text(a, address) < grid.text(b, address); });
        for (int row : std::as_const(rows)) {
            if (!newerLine && address >= 0 && isNewerLineAddress(grid.text(row, address)))
                continue;
            QString line = QString::number(sectionIndex(section));
            for (int c : std::as_const(columns)) {
                const GridCell& cell = grid.cell(row, c);
                line += QLatin1Char('\t') + grid.column(c).key + QLatin1Char('=') + grid.text(row, c);
                if (cell.icon >= 0)
                    line += QLatin1Char('#') + QString::number(cell.icon);
            }
            lines << line;
        }
    }
    return lines;
}

}  // namespace so::diagnostics
