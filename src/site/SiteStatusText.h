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
    int firstPoint = 1;
    int lastPoint = 0;
    int count() const { return lastPoint - firstPoint + 1; }
};

/// The point range of a per-point status type; nothing for the other types.
std::optional<StatusPointRange> statusPointRange(int statusType);

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
