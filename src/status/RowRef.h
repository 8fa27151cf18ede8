// One row of a section grid, its cells reached by column id through the row's handle
// (StatusGrid::RowAt: found once, by findRows or at) for all the cells a report or a summary reads
// and writes.
#pragma once

#include "grid/ColumnLayout.h"
#include "grid/StatusGrid.h"

namespace so {

/// Reads one row's cells by column id (the door and input summaries).
class RowReader {
public:
    RowReader(const StatusGrid& grid, const GridColumns& columns, StatusGrid::RowAt row)
        : grid_(grid), columns_(columns), at_(row) {}
    const GridColumns& columns() const { return columns_; }
    int row() const { return at_.row; }
    StatusGrid::RowAt at() const { return at_; }
    const QString& text(ColumnId id) const { return grid_.text(at_, columns_.require(id)); }
    qint64 data(ColumnId id) const { return grid_.data(at_, columns_.require(id)); }

private:
    const StatusGrid& grid_;
    const GridColumns& columns_;
    StatusGrid::RowAt at_;
};

/// Reads and writes one row's cells by column id (the decoder).
class RowRef : public RowReader {
public:
    RowRef(StatusGrid& grid, const GridColumns& columns, StatusGrid::RowAt row)
        : RowReader(grid, columns, row), grid_(grid) {}
    StatusGrid& grid() const { return grid_; }
    void setText(ColumnId id, const QString& text) const { grid_.setText(at(), columns().require(id), text); }
    /// Records conditions the row's cells now show (after writing the cells).
    void show(RowConditions conditions) const { grid_.addConditions(at(), conditions); }

private:
    StatusGrid& grid_;
};

}  // namespace so
