// What the field of a multi-desk site checks before it executes a desk's command: plain code on
// the site database, no broker, tested on its own.
//
// A command is executed only when
//  - the desk it names is the broker login that published it (the broker's ACL lets a login
//    publish only under its own name, so a desk cannot speak for another);
//  - it is new: its number is above every number seen of the desk's run (its session) and it was
//    sent at most kWindowMs before now by the desk's clock (ReplayGuard), so a command captured
//    from the broker and published again does nothing;
//  - the operator it names is signed in at that desk: the command carries the session the field
//    gave that desk when the operator signed in (OperatorSessions), live and of that operator;
//  - the operator it names may command every point it acts on, by the rule the status window's
//    menus apply (statusobject/CommandRule.h), asked of the site database for that operator (the
//    host answers whether the operator holds a permission: Permission).
// An operator's alarm step (acknowledging alarms, shelving a point) passes the same checks: the
// operator holds the step's permission and every point it names lies outside the operator's
// boundaries; a shelving is for kShelveMinMinutes to kShelveMaxMinutes.
// A request for a past moment (the board as the field reported it then, or a stretch of reports
// around it to step through) passes the same checks but the points: any operator signed in at the
// desk may see what the desks showed live.
// A sign-in names the operator and carries the password; the field verifies it against the site's
// operator directory (OperatorDirectory) and answers with a new session. Guessing is slowed per
// desk login and per operator (SignInLimiter: 5 free failures, then 1 s, 2 s, 4 s ... up to 15
// min). The argon2id verification (50 to 250 ms) runs where the Verifier says: the field runs it on
// a worker thread with a bounded queue (FieldBroadcaster), so its event loop never waits for one
// and a flood of sign-ins is answered "busy" rather than queued without end. A sign-out ends the session it
// carries.
// A desk's request to resynchronise needs no operator and is taken whatever the desk's clock says
// or its number (a field restarted with its clock set wrong must still bring every desk up to
// date): it executes nothing, its answer goes to the asking login only, and the field answers a
// login at most once in a while however often it asks (ResyncAnswers), so one asked again or
// replayed costs what asking once does. It must come from its desk's login, and it never enters
// the replay guard, so no number of requests can push a run of commands out of it.
// A sign-in and a sign-out are taken whatever the desk's clock says and never enter the replay
// guard either (they run no device; a desk's operator signs in again after a field restart
// whatever the field's clock says, while device commands stay refused until the clocks agree).
#pragma once

#include "FieldInterfaces.h"
#include "OperatorDirectory.h"
#include "OperatorSessions.h"
#include "Secrets.h"
#include "SiteWire.h"

#include <statusobject/Db.h>

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace sv {

/// Refuses a desk's command seen before or sent too long ago. Each login's runs are kept apart (no
/// login can push out another's), and one login holds at most kRunsPerLogin of them: a run is
/// forgotten only once its newest command is older than the window, when every command of it is
/// refused by its age anyway; a new run while the bound is full of live runs is refused.
class ReplayGuard {
public:
    /// How old (or, by a desk's clock ahead of the field's, how far in the future) a command may be.
    static constexpr qint64 kWindowMs = 10000;
    /// Runs of one login with a command inside the window; a desk restarts far less often.
    static constexpr int kRunsPerLogin = 8;

    /// Empty when the command is to be executed (and is from now on the newest of its run);
    /// otherwise why not.
    QString check(const QString& login, qint64 session, qint64 number, qint64 sentMs, qint64 nowMs);

private:
    struct Run {
        qint64 lastNumber = 0;
        /// The latest sending time of the run's commands, by the desk's clock.
        qint64 newestSentMs = 0;
    };
    QHash<QString, QHash<qint64, Run>> logins_;
};

class CommandGate {
public:
    /// The addresses of the points a command acts on; empty when it acts on none.
    using Targets = std::function<QStringList(const wire::Command&)>;
    /// Whether operator operatorId holds operator permission number, asked of the site database.
    using Permission = std::function<bool(so::db::Connection& db, qint32 operatorId, qint32& number)>;

    CommandGate(so::db::Connection& db, Targets targets, Permission permission)
        : db_(db), targets_(std::move(targets)), permission_(std::move(permission)) {}

    /// A sign-in's answer: empty refusal and the new session's token, or why it was refused.
    using SignInAnswer = std::function<void(const QString& refusal, const QByteArray& token)>;
    /// Verifies a password against a credential and calls done on the gate's thread with whether it
    /// matched, or nullopt when it was not verified (too busy). The default verifies at once.
    using Verifier = std::function<void(const OperatorDirectory::Credential& credential, const QByteArray& password,
                                        std::function<void(std::optional<bool> matched)> done)>;
    void setVerifier(Verifier verifier) { verifier_ = std::move(verifier); }

    /// Empty when the command published under login is to be executed; otherwise why it is
    /// refused. A sign-in let through is answered through signedIn, at once or once verified.
    /// nowMs is the wall clock (the desk's time of sending is checked against it), steadyMs the
    /// field's steady clock (sessions and sign-in delays).
    QString check(const QString& login, const wire::Command& command, qint64 nowMs, qint64 steadyMs,
                  SignInAnswer signedIn = {});

    const OperatorSessions& sessions() const { return sessions_; }

private:
    /// The longest address a point of the site has (AlarmStates.Address).
    static constexpr qsizetype kMaxAddress = 30;
    QString checkOperator(const wire::Command& command);
    QString signIn(const QString& login, const wire::Command& command, qint64 steadyMs, SignInAnswer answer);
    /// A verified sign-in admitted at steadyMs, answered.
    void signedIn(const QString& login, const QString& named, const OperatorDirectory::Credential& credential,
                  std::optional<bool> matched, qint64 steadyMs, const SignInAnswer& answer);

    so::db::Connection& db_;
    Targets targets_;
    Permission permission_;
    ReplayGuard replay_;
    OperatorSessions sessions_;
    SignInLimiter limiter_;
    Verifier verifier_;
};

/// The points a command acts on as the field resolves it (its devices answer); empty when none.
QStringList commandTargets(const FieldDevices& field, const wire::Command& command);

}  // namespace sv
