// What the operator narrowed the sections to: the find text and "Abnormal only". Rows left out
// stay in their grids and keep taking state changes; only the views hide them.
#pragma once

#include "grid/RowSeverity.h"

#include <QString>

namespace so {

class StatusGrid;

/// True when `needle` is empty or the row's Name or Address contains it, ignoring letter case.
/// A grid without one of the columns is matched on the other.
bool rowMatchesFilter(const StatusGrid& grid, int row, const QString& needle);

struct RowFilter {
    QString text;
    bool abnormalOnly = false;

    bool isEmpty() const { return text.isEmpty() && !abnormalOnly; }
    /// Whether a row (from 1) of the given severity stays in sight.
    bool shows(const StatusGrid& grid, int row, Severity severity) const {
        return (!abnormalOnly || severity != Severity::Normal) && rowMatchesFilter(grid, row, text);
    }
};

/// A section's counts as its header reports them: all its rows, those in sight under the filter,
/// and the alarms and warnings among the rows in sight.
struct SectionCounts {
    int points = 0;
    int shown = 0;
    int alarms = 0;
    int warnings = 0;

    void add(bool inSight, Severity severity) {
        ++points;
        if (!inSight)
            return;
        ++shown;
        alarms += severity == Severity::Alarm ? 1 : 0;
        warnings += severity == Severity::Warning ? 1 : 0;
    }
    SectionCounts& operator+=(const SectionCounts& other) {
        points += other.points;
        shown += other.shown;
        alarms += other.alarms;
        warnings += other.warnings;
        return *this;
    }
    bool operator==(const SectionCounts&) const = default;
};

}  // namespace so
