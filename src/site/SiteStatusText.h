// Writing the stored status texts of SuperStatus, as whoever stores the field's reports does (the
// demo site generator, the simulated field), and reading them back for changing them. Their layout
// is the stored texts' own: statusobject/StoredStatus.h.
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
/// The entries of a per-point text; the text after the last "#" is not an entry. A malformed entry
/// (see statusobject/StoredStatus.h) reads as an empty one: no codes, no value, mask source 0.
QVector<StatusEntry> splitStatusEntries(const QString& text);

/// The 16 reader threat-level ids of a type 32 row, joined by "|".
QString joinThreatLevels(const QVector<int>& threatIds);
/// The threat-level ids of a type 32 text, one per "|" part (at most 16); a part that is not a
/// number reads as 0.
QVector<int> splitThreatLevels(const QString& text);

/// State codes of a type 500 / 501 / 502 row, joined by ",".
QString joinCodes(const QVector<int>& codes);
/// The state codes of a type 500 / 501 / 502 text; parts that are not codes 0-255 are skipped.
QVector<int> splitCodes(const QString& text);

}  // namespace so::db
