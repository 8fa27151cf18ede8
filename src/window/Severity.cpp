#include "window/Severity.h"

#include "grid/StatusGrid.h"

#include <QVector>

namespace so {

Severity severity(RowConditions conditions) {
    using C = Condition;
    // Alarms: what an operator must act on.
    if (conditions.any(C::Alarm | C::DoorNotClosed | C::PhysicalTamper | C::CodeTamper))
        return Severity::Alarm;
    // Warnings: points that cannot report normally or are left out of alarms.
    if (!conditions.empty())
        return Severity::Warning;
    return Severity::Normal;
}

Severity severity(const StatusGrid& grid, int row) { return severity(grid.conditions(row)); }

void sortBySeverity(StatusGrid& grid) {
    QVector<int> ranks(grid.rowCount());
    for (int row = 1; row <= grid.rowCount(); ++row)
        ranks[row - 1] = int(severity(grid, row));
    grid.sortByRank(ranks);
}

}  // namespace so
