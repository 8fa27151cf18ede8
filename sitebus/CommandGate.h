// What the field of a multi-desk site checks before it executes a desk's command: plain code on
// the site database, no broker, tested on its own.
//
// A command is executed only when
//  - the desk it names is the broker login that published it (the broker's ACL lets a login
//    publish only under its own name, so a desk cannot speak for another);
//  - it is new: its number is above every number seen of the desk's run (its session) and it was
//    sent at most kWindowMs before now by the desk's clock (ReplayGuard), so a command captured
//    from the broker and published again does nothing;
//  - the operator it names may command every point it acts on, by the rule the status window's
//    menus apply (statusobject/CommandRule.h), asked of the site database for that operator (the
//    host answers whether the operator holds a permission: Permission).
// A desk's request to resynchronise needs no operator and is taken whatever the desk's clock says
// (a field restarted with its clock set wrong must still bring every desk up to date; a request
// executes nothing, it makes the field publish what it already published): it must come from its
// desk's login and be new by its number.
#pragma once

#include "FieldInterfaces.h"
#include "SiteWire.h"

#include <statusobject/Db.h>

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

namespace sv {

/// Refuses a desk's command seen before or sent too long ago.
class ReplayGuard {
public:
    /// How old (or, by a desk's clock ahead of the field's, how far in the future) a command may be.
    static constexpr qint64 kWindowMs = 10000;
    /// Runs of one desk kept; the oldest is forgotten first (its commands are too old by then).
    static constexpr int kSessionsPerDesk = 8;

    /// Empty when the command is to be executed (and is from now on the newest of its session);
    /// otherwise why not.
    QString check(const QString& desk, qint64 session, qint64 number, qint64 sentMs, qint64 nowMs);
    /// The same without the time window: only the number decides.
    QString checkNumber(const QString& desk, qint64 session, qint64 number, qint64 nowMs);

private:
    struct Session {
        qint64 lastNumber = 0;
        qint64 seenMs = 0;
    };
    QHash<QString, QHash<qint64, Session>> desks_;
};

class CommandGate {
public:
    /// The addresses of the points a command acts on; empty when it acts on none.
    using Targets = std::function<QStringList(const wire::Command&)>;
    /// Whether operator operatorId holds operator permission number, asked of the site database.
    using Permission = std::function<bool(so::db::Connection& db, qint32 operatorId, qint32& number)>;

    CommandGate(so::db::Connection& db, Targets targets, Permission permission)
        : db_(db), targets_(std::move(targets)), permission_(std::move(permission)) {}

    /// Empty when the command published under login is to be executed; otherwise why it is refused.
    QString check(const QString& login, const wire::Command& command, qint64 nowMs);

private:
    QString checkOperator(const wire::Command& command);

    so::db::Connection& db_;
    Targets targets_;
    Permission permission_;
    ReplayGuard replay_;
};

/// The points a command acts on as the field resolves it (its devices answer); empty when none.
QStringList commandTargets(const FieldDevices& field, const wire::Command& command);

}  // namespace sv
