#include "web/WebGuards.h"

#include <algorithm>
#include <vector>

namespace sv::web {

bool validUserName(const QString& name) {
    if (name.isEmpty() || name.size() > 64 || name.trimmed() != name)
        return false;
    for (QChar c : name)
        if (c == QLatin1Char(':') || c.category() == QChar::Other_Control)
            return false;
    return true;
}

// ---- SessionTable

WebSession* SessionTable::open(const QString& login, const QString& operatorName, qint64 nowMs, QByteArray* evicted) {
    expire(nowMs);
    auto ownOldest = sessions_.end();
    int own = 0;
    for (auto it = sessions_.begin(); it != sessions_.end(); ++it) {
        if (it->login != login)
            continue;
        ++own;
        if (ownOldest == sessions_.end() || it->lastUsedMs < ownOldest->lastUsedMs)
            ownOldest = it;
    }
    if (own >= kMaxSessionsPerLogin || (sessions_.size() >= kMaxSessions && own > 0)) {
        if (evicted != nullptr)
            *evicted = ownOldest.key();
        sessions_.erase(ownOldest);
    } else if (sessions_.size() >= kMaxSessions) {
        return nullptr;
    }
    WebSession session{newToken(), newToken(), login, operatorName, nowMs};
    return &*sessions_.insert(session.token, session);
}

const WebSession* SessionTable::find(const QByteArray& token, qint64 nowMs, bool touch) {
    if (token.isEmpty())
        return nullptr;
    const auto it = sessions_.find(token);
    if (it == sessions_.end())
        return nullptr;
    // The hash found the token; it is compared once more in constant time, so a lookup never
    // answers for a token that only hashes alike.
    if (!sameSecret(it->token, token))
        return nullptr;
    if (nowMs - it->lastUsedMs > idleMs_) {
        sessions_.erase(it);
        return nullptr;
    }
    if (touch)
        it->lastUsedMs = nowMs;
    return &*it;
}

bool SessionTable::close(const QByteArray& token) { return sessions_.remove(token) > 0; }

QList<QByteArray> SessionTable::expire(qint64 nowMs) {
    QList<QByteArray> ended;
    for (auto it = sessions_.begin(); it != sessions_.end();) {
        if (nowMs - it->lastUsedMs > idleMs_) {
            ended << it.key();
            it = sessions_.erase(it);
        } else {
            ++it;
        }
    }
    return ended;
}

bool SessionTable::hasOperator(const QString& operatorName) const {
    for (const WebSession& session : sessions_)
        if (session.operatorName == operatorName)
            return true;
    return false;
}

// ---- AttemptPace

qint64 AttemptPace::wait(const QString& key, qint64 nowMs) const {
    // Each attempt moves the moment the key's credit is full again one step later; an attempt
    // that would move it past a whole burst's worth waits until it would not.
    const qint64 from = std::max(fullAt_.value(key, nowMs), nowMs);
    return std::max<qint64>(0, from + everyMs_ - nowMs - qint64(burst_) * everyMs_);
}

qint64 AttemptPace::take(const QString& key, qint64 nowMs) {
    const qint64 waitMs = wait(key, nowMs);
    if (waitMs > 0)
        return waitMs;
    qint64& fullAt = fullAt_[key];
    fullAt = std::max(fullAt, nowMs) + everyMs_;
    if (fullAt_.size() > kMaxKeys)
        forget(nowMs);
    return 0;
}

void AttemptPace::forget(qint64 nowMs) {
    for (auto it = fullAt_.begin(); it != fullAt_.end();)
        it = it.value() <= nowMs ? fullAt_.erase(it) : std::next(it);
    // Still full of keys in use: the table is a guard, not a ledger; start it anew.
    if (fullAt_.size() > kMaxKeys)
        fullAt_.clear();
}

QHostAddress clientAddress(const QHostAddress& peer, const QByteArray& forwardedFor,
                           const QList<QHostAddress>& trustedProxies) {
    const auto trusted = [&](const QHostAddress& a) {
        return std::any_of(trustedProxies.cbegin(), trustedProxies.cend(),
                           [&](const QHostAddress& p) { return p.isEqual(a, QHostAddress::TolerantConversion); });
    };
    if (!trusted(peer) || forwardedFor.isEmpty())
        return peer;
    const QList<QByteArray> hops = forwardedFor.split(',');
    for (auto it = hops.crbegin(); it != hops.crend(); ++it) {
        const QHostAddress hop(QString::fromLatin1(it->trimmed()));
        if (hop.isNull())
            return peer;
        if (!trusted(hop))
            return hop;
    }
    return peer;
}

// ---- cookies and origins

bool hostAllowed(const QByteArray& hostHeader, const QStringList& allowedHosts) {
    QString host = QString::fromLatin1(hostHeader).trimmed();
    if (host.startsWith(QLatin1Char('['))) {
        host = host.mid(1, host.indexOf(QLatin1Char(']')) - 1);  // [v6]:port
    } else {
        const qsizetype colon = host.indexOf(QLatin1Char(':'));
        if (colon >= 0)
            host.truncate(colon);
    }
    return !host.isEmpty() && allowedHosts.contains(host, Qt::CaseInsensitive);
}

QByteArray sessionCookieName(bool secure) { return secure ? "__Host-sv_session" : "sv_session"; }

QByteArray sessionCookie(const QByteArray& cookieHeader, bool secure) {
    const QByteArray prefix = sessionCookieName(secure) + '=';
    for (const QByteArray& part : cookieHeader.split(';')) {
        const QByteArray pair = part.trimmed();
        if (pair.startsWith(prefix))
            return pair.mid(prefix.size());
    }
    return {};
}

QByteArray sessionCookieHeader(const QByteArray& token, bool secure) {
    QByteArray value = sessionCookieName(secure) + '=' + token + "; HttpOnly; SameSite=Strict; Path=/";
    if (token.isEmpty())
        value += "; Max-Age=0";
    if (secure)
        value += "; Secure";
    return value;
}

bool originAllowed(const QByteArray& origin, const QStringList& ownOrigins) {
    return origin.isEmpty() || socketOriginAllowed(origin, ownOrigins);
}

bool socketOriginAllowed(const QByteArray& origin, const QStringList& ownOrigins) {
    const QString text = QString::fromLatin1(origin).trimmed();
    return !text.isEmpty() && ownOrigins.contains(text, Qt::CaseInsensitive);
}

}  // namespace sv::web
