#include "WebGuards.h"

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

const WebSession& SessionTable::open(const QString& login, const QString& operatorName, qint64 nowMs) {
    expire(nowMs);
    if (sessions_.size() >= kMaxSessions) {
        auto oldest =
            std::min_element(sessions_.begin(), sessions_.end(),
                             [](const WebSession& a, const WebSession& b) { return a.lastUsedMs < b.lastUsedMs; });
        sessions_.erase(oldest);
    }
    WebSession session{newToken(), newToken(), login, operatorName, nowMs};
    return *sessions_.insert(session.token, session);
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

// ---- cookies and origins

QByteArray sessionCookie(const QByteArray& cookieHeader) {
    for (const QByteArray& part : cookieHeader.split(';')) {
        const QByteArray pair = part.trimmed();
        if (pair.startsWith("sv_session="))
            return pair.mid(int(qstrlen("sv_session=")));
    }
    return {};
}

QByteArray sessionCookieHeader(const QByteArray& token, bool secure) {
    QByteArray value = "sv_session=" + token + "; HttpOnly; SameSite=Strict; Path=/";
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
