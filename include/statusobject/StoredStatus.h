// The stored status texts of the site's `SuperStatus` table: the contract between whatever writes
// them (the field's server) and the status viewer that reads them.
//
// SuperStatus holds one row per controller and status type: 0 Address (the controller's, or the
// port's / communication box's for 501 / 502), 1 ControllerID (PortID / PylonID for 501 / 502),
// 2 StatusType, 3 Status (the text below), 4 LastUpdated (the time of the report).
//
// Layout of the Status text, by status type:
// - per-point types 1, 2, 3, 7, 8, 9, 11, 12, 14, 15, 16: one entry per point in point-number
//   order, each entry ended by "#" (text after the last "#" is not an entry):
//       codes|value|maskSource#
//   codes: the point's state codes, decimal 0-255, separated by "," (may be empty: nothing to
//   report); value: the state value text (no "|", "#" or ","); maskSource: the point's mask-source
//   bits, a whole number, 0 when the point is not masked (the masked points list reads this field
//   for types 7, 8, 9, 14 and 15).
// - type 10: one entry of the same form holding the controller's own condition codes.
// - type 32: the 16 readers' threat level identifiers joined by "|" (no "#").
// - types 500 (controller), 501 (server port), 502 (communication box): the state codes, ",".
// A malformed entry (wrong field count, a code that is not a number 0-255, a mask source that is
// not a whole number) is reported to the caller and skipped; the entries around it still count,
// so entry i always describes point i + 1 of its range.
//
// The readers below are the one reading of these texts: the component's own, and the one to use
// for whatever else reads them back (the site's tools, a host's reports).
#pragma once

#include <statusobject/Export.h>

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>
#include <QVector>

#include <optional>

namespace so {

/// The status types of SuperStatus rows.
enum StatusType : int {
    StatusRelays = 1,
    StatusExpRelays = 2,
    StatusReaders = 3,
    StatusInputs = 7,
    StatusExpInputs1to8 = 8,
    StatusExpInputs9to16 = 9,
    StatusController = 10,
    StatusInputVoltages = 11,
    StatusExpVoltages1to16 = 12,
    StatusControllerLink = 13,  // the controller's link conditions; stored, not decoded by the viewer
    StatusExpInputs17to24 = 14,
    StatusExpInputs25to32 = 15,
    StatusExpVoltages17to32 = 16,
    StatusThreatLevels = 32,
    StatusControllerCodes = 500,
    StatusPort = 501,
    StatusPylon = 502,
};

/// Points a per-point status type describes: entry i is point firstPoint + i.
struct StatusPointRange {
    int firstPoint = 1;  ///< the point of entry 0
    int lastPoint = 0;   ///< the point of the last entry
    /// Number of entries.
    int count() const { return lastPoint - firstPoint + 1; }
};

/// The point range of a per-point status type; nothing for the other types.
STATUSOBJECT_EXPORT std::optional<StatusPointRange> statusPointRange(int statusType);

/// The state codes of one point or device.
using StateCodes = QVarLengthArray<quint8, 6>;

/// One well-formed entry of a per-point status text.
struct PointStatus {
    /// 0-based position of the entry: the point's number minus the first number of its range.
    int index = 0;
    StateCodes codes;       ///< the state codes, in the order stored
    QString value;          ///< the state value text
    qint32 maskSource = 0;  ///< the mask-source bits; 0 when the point is not masked
};

/// What a status text held.
struct ParsedPointStatus {
    QVector<PointStatus> points;  ///< the well-formed entries, in point order
    QStringList problems;         ///< one description for each entry that was skipped
};

/// Reads a per-point status text (types 1-3, 7-12, 14-16); at most maxEntries entries are read,
/// entries beyond that are reported as problems.
STATUSOBJECT_EXPORT ParsedPointStatus parsePointStatus(QStringView text, int maxEntries);

/// Reads a "," separated list of state codes (types 500-502); codes that are not numbers 0-255 are
/// skipped and described in problems.
STATUSOBJECT_EXPORT StateCodes parseStateCodes(QStringView text, QStringList& problems);

/// Reads the threat level identifiers of type 32: element i belongs to reader i + 1 (at most 16).
/// A value that is not a whole number is empty and described in problems.
STATUSOBJECT_EXPORT QVector<std::optional<qint32>> parseThreatLevels(QStringView text, QStringList& problems);

}  // namespace so
