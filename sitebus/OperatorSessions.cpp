#include "OperatorSessions.h"

#include "Secrets.h"

#include <sodium.h>

namespace sv {

QByteArray OperatorSessions::key(const QByteArray& token) {
    QByteArray hash(crypto_generichash_BYTES, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char*>(hash.data()), size_t(hash.size()),
                       reinterpret_cast<const unsigned char*>(token.constData()), quint64(token.size()), nullptr, 0);
    return hash;
}

void OperatorSessions::makeRoom(const QString& desk) {
    auto oldest = sessions_.end();
    int count = 0;
    for (auto it = sessions_.begin(); it != sessions_.end(); ++it) {
        if (it->desk != desk)
            continue;
        ++count;
        if (oldest == sessions_.end() || it->usedMs < oldest->usedMs)
            oldest = it;
    }
    if (count >= kMaxPerDesk)
        sessions_.erase(oldest);
}

QByteArray OperatorSessions::open(const QString& desk, const QString& operatorLogin, qint64 nowMs) {
    makeRoom(desk);
    const QByteArray token = randomBytes(kTokenBytes);
    sessions_.insert(key(token), Session{desk, operatorLogin, nowMs, nowMs});
    return token;
}

QString OperatorSessions::check(const QString& desk, const QString& operatorLogin, const QByteArray& token,
                                qint64 nowMs) {
    if (token.isEmpty())
        return QStringLiteral("no operator is signed in at this desk");
    const auto it = token.size() == kTokenBytes ? sessions_.find(key(token)) : sessions_.end();
    if (it == sessions_.end())
        return QStringLiteral(
            "the session is not one the field holds (signed out, ended by a field restart, or "
            "made up): sign in again");
    if (it->desk != desk)
        return QStringLiteral("the session was given to another desk");
    if (nowMs - it->openedMs > kLifetimeMs || nowMs - it->usedMs > kIdleMs) {
        sessions_.erase(it);
        return QStringLiteral("the session expired: sign in again");
    }
    if (it->operatorLogin.compare(operatorLogin, Qt::CaseInsensitive) != 0)
        return QStringLiteral("operator \"%1\" is not the one signed in with this session").arg(operatorLogin.left(40));
    it->usedMs = nowMs;
    return {};
}

bool OperatorSessions::close(const QString& desk, const QByteArray& token) {
    const auto it = token.size() == kTokenBytes ? sessions_.find(key(token)) : sessions_.end();
    if (it == sessions_.end() || it->desk != desk)
        return false;
    sessions_.erase(it);
    return true;
}

}  // namespace sv
