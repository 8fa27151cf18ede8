// What the report history keeps and gives back: the field's points as the rows it writes back
// (a SuperStatus entry, a SuperStatus row of codes or threat levels, a newer-line device column),
// their states, the reports, and a past board as typed rows a desk applies to a copy of the site.
#pragma once

#include "field/DeviceColumns.h"

#include <QHashFunctions>
#include <QString>
#include <QVector>

namespace sv::history {

/// One point of the board: what row of the site database holds its state.
struct PointKey {
    enum Kind : quint8 {
        StatusEntry,   // id: controller or port, type: status type, index: entry in the row
        StatusValues,  // a SuperStatus row of codes (500, 501) or threat levels (32)
        Device         // id: device id, type: DeviceColumn
    };
    Kind kind = StatusEntry;
    qint32 id = 0;
    qint32 type = 0;
    qint32 index = 0;
    bool operator==(const PointKey&) const = default;
};
inline size_t qHash(const PointKey& key, size_t seed = 0) {
    return qHashMulti(seed, quint8(key.kind), key.id, key.type, key.index);
}

/// A point's state: a SuperStatus entry's codes, value and mask source; a codes row's values
/// (codes); a device column's value (number).
struct PointState {
    QVector<int> codes;
    QString text;
    qint64 number = 0;
    bool operator==(const PointState&) const = default;
};

/// One state report as the field sent it.
struct PastReport {
    qint64 time = 0;  // ms since the epoch, the field's wall clock
    QString deviceType;
    QString address;
    int state = 0;
    QString value;
    bool operator==(const PastReport&) const = default;
};

/// How far a rebuilt moment can be trusted.
enum class Fidelity {
    Exact,        // every record up to the moment was read
    Approximate,  // part of the history before the moment could not be read: some states may be older
    Unavailable   // the history holds nothing readable for the moment
};

struct StatusRowValue {
    qint32 controllerId = 0;
    int statusType = 0;
    QString text;  // the SuperStatus Status text
    bool operator==(const StatusRowValue&) const = default;
};
struct DeviceRowValue {
    DeviceColumn column = DeviceColumn::InputContact;
    qint32 id = 0;
    qint64 value = 0;
    bool operator==(const DeviceRowValue&) const = default;
};

/// Every point's state at a moment as the rows the field writes back.
struct PastBoard {
    qint64 moment = 0;
    Fidelity fidelity = Fidelity::Unavailable;
    QString note;  // why it is approximate or unavailable
    QVector<StatusRowValue> statusRows;
    QVector<DeviceRowValue> deviceRows;
};

/// The span of time the history holds (ms since the epoch); empty when it holds nothing.
struct HistorySpan {
    qint64 first = 0;
    qint64 last = 0;
    bool isEmpty() const { return last < first || (first == 0 && last == 0); }
};

}  // namespace sv::history
