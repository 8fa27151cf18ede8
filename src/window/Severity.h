// How abnormal a row of the status window is, and what is wrong with it in words, read from the
// typed conditions its writers recorded (domain/RowConditions.h), never from the texts its cells
// show: a host that words its text resources differently rates its rows alike. The result drives
// the row's marker, its tint, the abnormal counts of the section headers and the attention list;
// it never changes a cell.
//
// Both come from one table (kSeverityRules in Severity.cpp): every rule whose conditions a row
// shows adds its words, and the row's severity is the highest of those rules.
#pragma once

#include "domain/RowConditions.h"
#include "grid/RowSeverity.h"

#include <QString>

#include <span>

namespace so {

class StatusGrid;

/// One line of the severity table: a row showing every condition of `all` and none of `none` is at
/// least `severity`, and `words` say why.
struct SeverityRule {
    RowConditions all;
    RowConditions none;
    Severity severity;
    const char* words;
};

/// The table itself, in the order its words are joined.
std::span<const SeverityRule> severityRules();

/// Alarm: a tamper of any kind (reader, keypad code, enclosure, pending), a door forced or held
/// open, a point in alarm that is not masked, a line open or short that is not masked. Warning:
/// masked, unlocked or forced by an operator, open, off line (its own or its controller's), a line
/// out of tolerance or noisy, power or battery failed. A door open while unlocked is a warning (unlocked),
/// never an alarm by itself.
Severity severity(RowConditions conditions);
/// Severity of grid row `row` (from 1).
Severity severity(const StatusGrid& grid, int row);
/// What is wrong, in words: the words of every matching rule joined by ", "; empty when normal.
QString conditionWords(RowConditions conditions);
/// Sorts a grid's rows alarms first, then warnings, then normal rows; each keeps its order.
void sortBySeverity(StatusGrid& grid);

}  // namespace so
