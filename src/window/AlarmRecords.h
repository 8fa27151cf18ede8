// The statements the alarm steps share: binding a text or a time, reading a stored time, and
// writing one row of the alarm journal. Every value is bound, never part of a statement's text.
#pragma once

#include <statusobject/AlarmSteps.h>
#include <statusobject/Db.h>

#include <QVariant>

namespace so::alarms {

/// Empty text is bound as empty, never as Null.
void bindText(db::Command& command, const QString& name, const QString& text);
/// A time bound to the whole second.
void bindTime(db::Command& command, const QString& name, qint64 ms);
/// A stored time (a date-time, or its text); 0 for Null or an unreadable one.
qint64 msOf(const QVariant& value);

/// One step of the journal: event raised, cleared, acknowledged, shelved or unshelved. raisedMs 0
/// (a shelving) is stored as Null.
void journal(db::Connection& db, const QString& event, const QString& address, qint64 raisedMs, qint64 atMs,
             const QString& by = {}, const QString& comment = {});

}  // namespace so::alarms
