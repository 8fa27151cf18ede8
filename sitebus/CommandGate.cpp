#include "CommandGate.h"

#include <statusobject/CommandRule.h>

namespace sv {

QString ReplayGuard::check(const QString& desk, qint64 session, qint64 number, qint64 sentMs, qint64 nowMs) {
    if (sentMs < nowMs - kWindowMs)
        return QStringLiteral("sent %1 s ago, more than %2 s").arg((nowMs - sentMs) / 1000).arg(kWindowMs / 1000);
    if (sentMs > nowMs + kWindowMs)
        return QStringLiteral("sent %1 s ahead of the field's clock").arg((sentMs - nowMs) / 1000);
    return checkNumber(desk, session, number, nowMs);
}

QString ReplayGuard::checkNumber(const QString& desk, qint64 session, qint64 number, qint64 nowMs) {
    QHash<qint64, Session>& sessions = desks_[desk];
    auto it = sessions.find(session);
    if (it != sessions.end() && number <= it->lastNumber)
        return QStringLiteral("command %1 of this run was already received").arg(number);
    if (it == sessions.end()) {
        if (sessions.size() >= kSessionsPerDesk) {
            auto oldest = sessions.begin();
            for (auto s = sessions.begin(); s != sessions.end(); ++s)
                if (s->seenMs < oldest->seenMs)
                    oldest = s;
            sessions.erase(oldest);
        }
        it = sessions.insert(session, {});
    }
    it->lastNumber = number;
    it->seenMs = nowMs;
    return {};
}

QStringList commandTargets(const FieldDevices& field, const wire::Command& c) {
    using Kind = wire::Command::Kind;
    switch (c.kind) {
    case Kind::ApiCall: return field.apiCallTargets(qint32(c.a), c.text, qint16(c.c));
    case Kind::AccessFunction:
    case Kind::ControlFunction: return field.deviceTargets(qint32(c.a), qint32(c.b));
    case Kind::ClearCodeTamper: return field.readerTargets(qint32(c.a));
    case Kind::Resync: break;
    }
    return {};
}

QString CommandGate::check(const QString& login, const wire::Command& command, qint64 nowMs) {
    if (command.sender != login)
        return QStringLiteral("it names desk \"%1\" but was published by the login \"%2\"")
            .arg(command.sender.left(40), login);
    if (command.kind == wire::Command::Kind::Resync)
        return replay_.checkNumber(login, command.session, command.number, nowMs);
    const QString replayed = replay_.check(login, command.session, command.number, command.sentMs, nowMs);
    if (!replayed.isEmpty())
        return replayed;
    try {
        return checkOperator(command);
    } catch (const so::db::DbError& e) {
        return QStringLiteral("the operator's rights could not be read: %1").arg(e.message());
    }
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

    const QStringList targets = targets_(command);
    if (targets.isEmpty())
        return QStringLiteral("it acts on no point of the site");
    const so::CommandRuleAnswers answers{
        [&](qint32& number) { return permission_(db_, operatorId, number); },
        [&](const QString& address) { return so::outsideOperatorBoundaries(db_, operatorId, address); }};
    for (const QString& address : targets)
        if (!so::mayCommandPoint(address, answers))
            return QStringLiteral("operator \"%1\" may not command %2").arg(command.operatorLogin, address);
    return {};
}

}  // namespace sv
