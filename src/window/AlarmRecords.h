// The statements the alarm steps share: binding a text or a time, reading a stored time, and
// writing one row of the alarm journal. Every value is bound, never part of a statement's text.
#pragma once

#include <statusobject/AlarmSteps.h>
#include <statusobject/Db.h>

#include <QDateTime>
#include <QHash>
#include <QVariant>

#include <optional>

namespace so::alarms {

/// Empty text is bound as empty, never as Null.
void bindText(db::Command& command, const QString& name, const QString& text);
/// The times one batch binds, each second's local date and time worked out once: turning a moment
/// into local time reads the zone's rules, which a storm's batch would otherwise do for every
/// bound time. A second is bound at its own offset from UTC, so what is stored reads exactly as
/// the local time it stands for.
class TimeValues {
public:
    /// `ms` to the whole second, in local time.
    QDateTime at(qint64 ms);
    /// As msOf(), reading a stored text with its hour's offset from UTC worked out once (an hour
    /// holding a change of the offset is read as msOf() reads it).
    qint64 read(const QVariant& value);

private:
    static constexpr int kKept = 256;  // hours kept at most
    static constexpr qint64 kHourMs = 3600 * 1000;
    QHash<qint64, std::optional<int>> offsets_;  // an hour of UTC: its offset, none when it changes
    QHash<QString, qint64> hours_;               // "yyyy-MM-dd HH": its first second, or -1 when irregular
};

/// A time bound to the whole second.
void bindTime(db::Command& command, const QString& name, qint64 ms);
void bindTime(db::Command& command, const QString& name, qint64 ms, TimeValues& times);
/// A stored time (a date-time, or its text); 0 for Null or an unreadable one.
qint64 msOf(const QVariant& value);

/// One step of the journal: event raised, cleared, acknowledged, shelved or unshelved. raisedMs 0
/// (a shelving) is stored as Null.
void journal(db::Connection& db, const QString& event, const QString& address, qint64 raisedMs, qint64 atMs,
             const QString& by = {}, const QString& comment = {});
/// As above, one of a batch's steps.
void journal(db::Connection& db, TimeValues& times, const QString& event, const QString& address, qint64 raisedMs,
             qint64 atMs, const QString& by = {}, const QString& comment = {});

}  // namespace so::alarms
