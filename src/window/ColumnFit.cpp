#include "window/ColumnFit.h"

#include "grid/ColumnLayout.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace so {
namespace {

int firstShownColumn(const StatusGrid& grid) {
    for (int i = 0; i < grid.columnCount(); ++i)
        if (grid.column(i).visible)
            return i;
    return -1;
}

/// Room for the widest of the column's longest texts, with padding and icon.
int contentWidth(const StatusGrid& grid, int column, const TextMetrics& metrics) {
    // The longest texts by character count stand for the widest: measuring every row of a
    // 50,000-row section would cost more than the fill itself.
    std::vector<std::pair<int, int>> byLength;  // (-length, row)
    byLength.reserve(size_t(grid.rowCount()));
    for (int row = 1; row <= grid.rowCount(); ++row)
        byLength.emplace_back(-int(grid.text(row, column).size()), row);
    const size_t samples = std::min(byLength.size(), size_t(kFitSamples));
    std::partial_sort(byLength.begin(), byLength.begin() + std::ptrdiff_t(samples), byLength.end());
    int widest = 0;
    for (size_t i = 0; i < samples; ++i) {
        const GridCell& cell = grid.cell(byLength[i].second, column);
        const int text = metrics.cellTextWidth(grid.text(byLength[i].second, column).left(kFitCharacters));
        widest = std::max(widest, text + (cell.icon >= 0 ? metrics.iconWidth : 0));
    }
    return widest + metrics.cellPadding;
}

}  // namespace

int scaledWidth(int designWidth, const TextMetrics& metrics) {
    return int(std::lround(designWidth * metrics.averageCharWidth / kDesignAverageCharWidth));
}

void scaleDefaultWidths(StatusGrid& grid, const TextMetrics& metrics) {
    if (!metrics.measures())
        return;
    const int first = firstShownColumn(grid);
    for (int i = 0; i < grid.columnCount(); ++i) {
        GridColumn& column = grid.column(i);
        const int marker = i == first ? metrics.markerWidth : 0;
        column.width = std::max(scaledWidth(column.width, metrics) + marker, metrics.captionWidth(column.caption));
    }
}

bool fitContentWidths(StatusGrid& grid, const TextMetrics& metrics) {
    if (!metrics.measures() || grid.rowCount() == 0)
        return false;
    const int first = firstShownColumn(grid);
    bool changed = false;
    for (const QString& key : {col::Name, col::Address, col::LastUpdated}) {
        const int index = grid.columnIndex(key);
        if (index < 0)
            continue;
        const int marker = index == first ? metrics.markerWidth : 0;
        const int wanted = contentWidth(grid, index, metrics) + marker;
        GridColumn& column = grid.column(index);
        if (wanted > column.width) {
            column.width = wanted;
            changed = true;
        }
    }
    return changed;
}

}  // namespace so
