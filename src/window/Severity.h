// How abnormal a row of the status window is, read from the texts its cells show.
//
// The cells hold the host's text resources, so the rules compare against the texts the host gave
// this workstation (fetched once into SeverityTexts), never against wording of their own. The
// result drives the row's marker, its tint and the abnormal counts of the section headers; it
// never changes a cell.
#pragma once

#include "base/ComponentContext.h"
#include "grid/RowSeverity.h"

#include <QString>

namespace so {

class StatusGrid;

/// The resource texts the rules compare with, fetched once per window.
struct SeverityTexts {
    QString yes;             // alarm set, mask set (1463)
    QString notKnown;        // cleared (1435)
    QString tampered;        // reader tamper (1436)
    QString enclosureOpen;   // controller enclosure open (1438)
    QString powerFailed;     // power or battery failed (1440)
    QString tamperPending;   // controller tamper pending (1444)
    QString doorNotClosed;   // door summary item (1453)
    QString relayNotNormal;  // door summary item (1769)
    QString portOffLine;     // port state 0 (1432)

    static SeverityTexts load(ComponentContext& ctx);
};

/// The grid columns the rules read, resolved once per column layout (-1: the grid lacks it).
struct SeverityColumns {
    int status = -1, alarm = -1, masked = -1, pTamper = -1, cTamper = -1, enclosure = -1, tamperPending = -1;
    int acPower = -1, upsBattery = -1, memoryBattery = -1, input1 = -1;

    static SeverityColumns resolve(const StatusGrid& grid);
};

/// Severity of grid row `row` of section `section` (0 doors ... 7 modules). Columns the grid lacks
/// are read as empty. Alarm: an alarm set, a door not closed, a tamper or keypad lockout.
/// Warning: masked, open, off line, enclosure open, power failed, tamper pending, relay not normal.
Severity severity(const SeverityTexts& texts, int section, const StatusGrid& grid, int row);
/// The same with the columns resolved beforehand (a recount of every row reads no column key).
Severity severity(const SeverityTexts& texts, int section, const StatusGrid& grid, int row,
                  const SeverityColumns& columns);
/// Sorts a section's rows alarms first, then warnings, then normal rows; each keeps its order.
void sortBySeverity(const SeverityTexts& texts, int section, StatusGrid& grid);

}  // namespace so
