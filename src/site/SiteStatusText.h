// The text layout of a SuperStatus row: what a controller's stored status report holds.
//
// SuperStatus keeps one row per controller (or port, or communication box) and status type. Its
// Status column is written by whoever stores the field's reports (the demo site generator, the
// simulated field) and read back when a status request is replayed. The layout:
//
//   per-point types 1, 2, 3, 7, 8, 9, 11, 12, 14, 15, 16:
//       one entry per point, in point-number order, each ended by "#":  codes|value|maskSource#
//       codes       the point's state codes, decimal 0-255, separated by "," (e.g. "1,65,67")
//       value       the state value text (never holds "|", "#" or ","; may be empty)
//       maskSource  the mask-source bits, decimal; 0 when the point is not masked. For the mask
//                   types 7, 8, 9, 14 and 15 this is field 2 that the masked-points list reads.
//   type 10 (and 13): one entry with the controller's own condition codes, "codes|value|0#"
//   type 32:          the 16 reader threat-level ids joined by "|" (no "#")
//   types 500, 501, 502: the state codes of the controller, server port or communication box,
//                     separated by ",". For 501 and 502 the row's Address is the port's or box's
//                     address and ControllerID holds the PortID or PylonID.
#pragma once

#include <statusobject/StoredStatus.h>

#include <QString>
#include <QVector>

#include <optional>

namespace so::db {

/// One point's entry in a per-point status text.
struct StatusEntry {
    QVector<int> codes;
    QString value;
    quint32 maskSource = 0;

    bool operator==(const StatusEntry&) const = default;
};

// The status types and their point ranges are the stored texts' own (statusobject/StoredStatus.h).
using so::StatusType;
using enum so::StatusType;
using so::StatusPointRange;
using so::statusPointRange;

/// Every status type the demo site stores for a classic controller, in the order a request for
/// all types replays them.
const QVector<int>& controllerStatusTypes();

/// "codes|value|maskSource#" for every entry. Throws DbError when a value holds "|", "#" or ",".
QString joinStatusEntries(const QVector<StatusEntry>& entries);
/// The entries of a per-point text; the text after the last "#" is not an entry. Fields that are
/// missing or not numbers read as empty codes / mask source 0.
QVector<StatusEntry> splitStatusEntries(const QString& text);

/// The 16 reader threat-level ids of a type 32 row, joined by "|".
QString joinThreatLevels(const QVector<int>& threatIds);

/// State codes of a type 500 / 501 / 502 row, joined by ",".
QString joinCodes(const QVector<int>& codes);

}  // namespace so::db
