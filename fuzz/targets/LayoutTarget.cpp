// The column layout text of a profile: read into a grid, built back, read again.
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "base/Errors.h"
#include "grid/ColumnLayout.h"
#include "grid/StatusGrid.h"

namespace so::fuzz {
namespace {

QString describe(const StatusGrid& grid) {
    QStringList out;
    for (int i = 0; i < grid.columnCount(); ++i) {
        const GridColumn& c = grid.column(i);
        out << QStringLiteral("%1|%2|%3|%4").arg(c.key, c.caption).arg(c.width).arg(c.visible);
    }
    return out.join(QStringLiteral(" ; "));
}

}  // namespace

int columnLayout(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const int section = in.below(9);  // 8 is no section
    const QString text = in.rest();

    layoutMeansDefaults(Section(section), text);

    // A bad entry ends the read; the columns added before it stay, as the window keeps them.
    StatusGrid grid;
    try {
        addLayoutColumns(grid, text);
    } catch (const ComponentError&) {
    }

    // What the window saves must read back into the same columns and build the same text.
    const QString built = buildLayoutText(grid);
    StatusGrid again;
    try {
        addLayoutColumns(again, built);
    } catch (const ComponentError& e) {
        throw Finding(QStringLiteral("a built layout text does not read back: \"%1\": %2").arg(built, e.description()));
    }
    check(describe(grid) == describe(again), QStringLiteral("columns change on the way back: %1 -> \"%2\" -> %3")
                                                 .arg(describe(grid), built, describe(again)));
    check(buildLayoutText(again) == built, QStringLiteral("a built layout text builds differently: \"%1\"").arg(built));
    return 0;
}

}  // namespace so::fuzz
