// How the stored status texts of `SuperStatus` are read (their layout: statusobject/StoredStatus.h).
#pragma once

#include <statusobject/StoredStatus.h>

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>
#include <QVector>

#include <optional>

namespace so {

/// The status types a classic controller's `SuperStatus` rows hold, in the order a request for all
/// types replays them (a port's and a communication box's own types come after them).
inline constexpr qint32 kControllerStatusTypes[] = {
    StatusRelays,
    StatusExpRelays,
    StatusReaders,
    StatusInputs,
    StatusExpInputs1to8,
    StatusExpInputs9to16,
    StatusController,
    StatusInputVoltages,
    StatusExpVoltages1to16,
    StatusControllerLink,
    StatusExpInputs17to24,
    StatusExpInputs25to32,
    StatusExpVoltages17to32,
    StatusThreatLevels,
    StatusControllerCodes,
};

/// The state codes of one point or device.
using StateCodes = QVarLengthArray<quint8, 6>;

/// One well-formed entry of a per-point status text.
struct PointStatus {
    /// 0-based position of the entry: the point's number minus the first number of its range.
    int index = 0;
    StateCodes codes;
    QString value;
    qint32 maskSource = 0;
};

/// What a status text held; problems describes each entry that was skipped.
struct ParsedPointStatus {
    QVector<PointStatus> points;
    QStringList problems;
};

/// Reads a per-point status text (types 1-3, 7-12, 14-16); at most maxEntries entries are read,
/// entries beyond that are reported as problems.
ParsedPointStatus parsePointStatus(QStringView text, int maxEntries);

/// Reads a "," separated list of state codes (types 500-502); codes that are not numbers 0-255 are
/// skipped and described in problems.
StateCodes parseStateCodes(QStringView text, QStringList& problems);

/// Reads the threat level identifiers of type 32: element i belongs to reader i + 1 (at most 16).
/// A value that is not a whole number is empty and described in problems.
QVector<std::optional<qint32>> parseThreatLevels(QStringView text, QStringList& problems);

}  // namespace so
