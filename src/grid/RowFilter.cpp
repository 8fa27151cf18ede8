#include "grid/RowFilter.h"

#include "grid/ColumnLayout.h"
#include "grid/StatusGrid.h"

#include <QLocale>

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

namespace so {
namespace {

QString counted(int n, const char* one, const char* many) {
    return n == 1 ? QStringLiteral("1 %1").arg(QLatin1String(one))
                  : QStringLiteral("%1 %2").arg(QLocale().toString(n), QLatin1String(many));
}

}  // namespace

QString SectionCounts::pointsText() const {
    const QString all = counted(points, "point", "points");
    return shown == points ? all : QStringLiteral("%1 of %2").arg(QLocale().toString(shown), all);
}

QString SectionCounts::alarmsText() const { return alarms == 0 ? QString() : counted(alarms, "alarm", "alarms"); }

QString SectionCounts::warningsText() const {
    return warnings == 0 ? QString() : counted(warnings, "warning", "warnings");
}

}  // namespace so
