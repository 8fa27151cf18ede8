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
#pragma once

#include <statusobject/Export.h>

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

}  // namespace so
