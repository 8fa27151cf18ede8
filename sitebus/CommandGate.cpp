#include "CommandGate.h"

#include "OperatorDirectory.h"

#include <statusobject/AlarmSteps.h>
#include <statusobject/CommandRule.h>

#include <algorithm>

namespace sv {

QString ReplayGuard::check(const QString& login, qint64 session, qint64 number, qint64 sentMs, qint64 nowMs) {
    if (sentMs < nowMs - kWindowMs)
        return QStringLiteral("sent %1 s ago, more than %2 s").arg((nowMs - sentMs) / 1000).arg(kWindowMs / 1000);
    if (sentMs > nowMs + kWindowMs)
        return QStringLiteral("sent %1 s ahead of the field's clock").arg((sentMs - nowMs) / 1000);
    QHash<qint64, Run>& runs = logins_[login];
    auto it = runs.find(session);
    if (it != runs.end() && number <= it->lastNumber)
        return QStringLiteral("command %1 of this run was already received").arg(number);
    if (it == runs.end()) {
        if (runs.size() >= kRunsPerLogin)
            runs.removeIf([&](QHash<qint64, Run>::iterator run) { return run->newestSentMs < nowMs - kWindowMs; });
        if (runs.size() >= kRunsPerLogin)
            return QStringLiteral("a new run while %1 runs of this desk sent commands in the last %2 s")
                .arg(runs.size())
                .arg(kWindowMs / 1000);
        it = runs.insert(session, {});
    }
    it->lastNumber = number;
    it->newestSentMs = std::max(it->newestSentMs, sentMs);
    return {};
}

QStringList commandTargets(const FieldDevices& field, const wire::Command& c) {
    using Kind = wire::Command::Kind;
    switch (c.kind) {
    case Kind::ApiCall: return field.apiCallTargets(qint32(c.a), c.text, qint16(c.c));
    case Kind::AccessFunction:
    case Kind::ControlFunction: return field.deviceTargets(qint32(c.a), qint32(c.b));
    case Kind::ClearCodeTamper: return field.readerTargets(qint32(c.a));
    case Kind::Acknowledge: {
        QStringList addresses;
        for (const wire::AlarmRef& alarm : c.alarms)
            addresses.append(alarm.address);
        return addresses;
    }
    case Kind::Shelve: return {c.text};
    case Kind::Resync:
    case Kind::SignIn:
    case Kind::SignOut:
    case Kind::PastStretch: break;
    }
    return {};
}

QString CommandGate::check(const QString& login, const wire::Command& command, qint64 nowMs, qint64 steadyMs,
                           SignInAnswer signedIn) {
    if (command.sender != login)
        return QStringLiteral("it names desk \"%1\" but was published by the login \"%2\"")
            .arg(command.sender.left(40), login);
    using Kind = wire::Command::Kind;
    if (command.kind == Kind::Resync)
        return {};
    // A sign-in and a sign-out run no device and are taken whatever the desk's clock says (a desk's
    // operator signs in again after a field restart with its clock set wrong). Like a resync they
    // never enter the replay guard, so no number of them can push a run of commands out of it: a
    // sign-in proves itself by its password (its answer goes to its own desk's login only, and the
    // sign-in limiter slows guessing), a sign-out ends only the session whose token it carries.
    const bool runsDevice = command.kind != Kind::SignIn && command.kind != Kind::SignOut;
    const QString replayed =
        runsDevice ? replay_.check(login, command.session, command.number, command.sentMs, nowMs) : QString();
    if (!replayed.isEmpty())
        return replayed;
    try {
        if (command.kind == Kind::SignIn)
            return signIn(login, command, steadyMs, std::move(signedIn));
        if (command.kind == Kind::SignOut)
            return sessions_.close(login, command.token) ? QString() : QStringLiteral("no such session at this desk");
        const QString session = sessions_.check(login, command.operatorLogin, command.token, steadyMs);
        if (!session.isEmpty())
            return session;
        // A past moment shows what any desk showed live then: a signed-in operator may see it.
        if (command.kind == Kind::PastStretch)
            return {};
        return checkOperator(command);
    } catch (const so::db::DbError& e) {
        return QStringLiteral("the operator's rights could not be read: %1").arg(e.message());
    }
}

namespace {

QString deskKey(const QString& login) { return QStringLiteral("desk:") + login; }
QString operatorKey(const QString& operatorLogin) {
    return QStringLiteral("operator:") + operatorLogin.left(64).toLower();
}

}  // namespace

QString CommandGate::signIn(const QString& login, const wire::Command& command, qint64 steadyMs, SignInAnswer answer) {
    const qint64 wait =
        qMax(limiter_.waitMs(deskKey(login), steadyMs), limiter_.waitMs(operatorKey(command.operatorLogin), steadyMs));
    if (wait > 0)
        return QStringLiteral("too many failed sign-ins: try again in %1 s").arg((wait + 999) / 1000);
    const OperatorDirectory::Credential credential = OperatorDirectory(db_).credential(command.operatorLogin);
    // Counted as a failure until the password is found right: attempts arriving while earlier
    // ones are still being verified are held back as if those had failed.
    limiter_.failed(deskKey(login), steadyMs);
    limiter_.failed(operatorKey(command.operatorLogin), steadyMs);
    const auto done = [this, login, named = command.operatorLogin, credential, steadyMs,
                       answer = std::move(answer)](std::optional<bool> matched) {
        signedIn(login, named, credential, matched, steadyMs, answer);
    };
    if (verifier_)
        verifier_(credential, command.text.toUtf8(), done);
    else
        done(OperatorDirectory::matches(credential, command.text.toUtf8()));
    return {};
}

void CommandGate::signedIn(const QString& login, const QString& named, const OperatorDirectory::Credential& credential,
                           std::optional<bool> matched, qint64 steadyMs, const SignInAnswer& signInAnswer) {
    const auto answer = [&](const QString& refusal, const QByteArray& token) {
        if (signInAnswer)
            signInAnswer(refusal, token);
    };
    if (!matched) {
        answer(QStringLiteral("the field is busy signing operators in: try again in a moment"), {});
        return;
    }
    if (!*matched || !credential.found) {
        answer(QStringLiteral("wrong operator name or password"), {});
        return;
    }
    limiter_.succeeded(deskKey(login));
    limiter_.succeeded(operatorKey(named));
    answer({}, sessions_.open(login, credential.found->login, steadyMs));
}

QString CommandGate::checkOperator(const wire::Command& command) {
    so::db::Command lookup(db_, QStringLiteral("SELECT OperatorID FROM Operators WHERE LoginName = ?"));
    lookup.appendParameter(QStringLiteral("@LoginName"), so::db::ParamType::NVarChar, so::db::ParamDirection::Input, 50,
                           command.operatorLogin);
    so::db::Recordset rs = lookup.open();
    if (rs.eof())
        return QStringLiteral("no operator \"%1\" on the site").arg(command.operatorLogin.left(40));
    const qint32 operatorId = rs.field(0).toInt();
    rs.close();

    using Kind = wire::Command::Kind;
    if (command.kind == Kind::Shelve && (command.a < so::kShelveMinMinutes || command.a > so::kShelveMaxMinutes))
        return QStringLiteral("a point is shelved for %1 to %2 minutes")
            .arg(so::kShelveMinMinutes)
            .arg(so::kShelveMaxMinutes);
    const QStringList targets = targets_(command);
    if (targets.isEmpty())
        return QStringLiteral("it acts on no point of the site");
    const bool alarmStep = command.kind == Kind::Acknowledge || command.kind == Kind::Shelve;
    const qint32 permission = command.kind == Kind::Acknowledge ? so::kAcknowledgePermission
                              : command.kind == Kind::Shelve    ? so::kShelvePermission
                                                                : so::kCommandPermission;
    const so::CommandRuleAnswers answers{
        [&](qint32& number) { return permission_(db_, operatorId, number); },
        [&](const QString& address) { return so::outsideOperatorBoundaries(db_, operatorId, address); }};
    for (const QString& address : targets) {
        // An alarm step names a point by its address as the site stores it: never an empty or an
        // overlong one.
        if (alarmStep && (address.isEmpty() || address.size() > kMaxAddress))
            return QStringLiteral("it names no point of the site");
        if (!so::mayActOnPoint(permission, address, answers))
            return QStringLiteral("operator \"%1\" may not %2 %3")
                .arg(command.operatorLogin,
                     command.kind == Kind::Acknowledge ? QStringLiteral("acknowledge alarms of")
                     : command.kind == Kind::Shelve    ? QStringLiteral("shelve")
                                                       : QStringLiteral("command"),
                     address.left(40));
    }
    return {};
}

}  // namespace sv
