// How abnormal a row of the status window is, read from the typed conditions its writers recorded
// (domain/RowConditions.h), never from the texts its cells show: a host that words its text
// resources differently rates its rows alike. The result drives the row's marker, its tint and
// the abnormal counts of the section headers; it never changes a cell.
#pragma once

#include "domain/RowConditions.h"
#include "grid/RowSeverity.h"

namespace so {

class StatusGrid;

/// Alarm: an alarm set, a door not closed, a tamper or keypad lockout. Warning: masked, an input
/// open, off line, enclosure open, power or battery failed, tamper pending, relay not normal.
Severity severity(RowConditions conditions);
/// Severity of grid row `row` (from 1).
Severity severity(const StatusGrid& grid, int row);
/// Sorts a grid's rows alarms first, then warnings, then normal rows; each keeps its order.
void sortBySeverity(StatusGrid& grid);

}  // namespace so
