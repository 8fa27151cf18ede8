#include "WebGuards.h"

#include <sodium.h>

#include <algorithm>
#include <vector>

namespace sv::web {

bool sameSecret(const QByteArray& a, const QByteArray& b) {
    // The lengths are not secret (every token has the same one); the contents are compared in
    // constant time.
    return a.size() == b.size() && !a.isEmpty() && sodium_memcmp(a.constData(), b.constData(), size_t(a.size())) == 0;
}

QByteArray newToken() {
    if (sodium_init() < 0)
        qFatal("libsodium cannot start: no random source");
    QByteArray bytes(32, Qt::Uninitialized);
    randombytes_buf(bytes.data(), size_t(bytes.size()));
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

// ---- SignInLimiter

qint64 SignInLimiter::waitMs(const QString& key, qint64 nowMs) const {
    const auto it = records_.constFind(key);
    if (it == records_.constEnd() || it->failures < kFreeFailures)
        return 0;
    const int doublings = std::min(it->failures - kFreeFailures, 30);
    const qint64 delay = std::min(kMaxDelayMs, kFirstDelayMs << doublings);
    return std::max<qint64>(0, it->lastMs + delay - nowMs);
}

void SignInLimiter::failed(const QString& key, qint64 nowMs) {
    forget(nowMs);
    Record& record = records_[key];
    ++record.failures;
    record.lastMs = nowMs;
}

void SignInLimiter::succeeded(const QString& key) { records_.remove(key); }

void SignInLimiter::forget(qint64 nowMs) {
    // Quiet keys are swept once a minute, or when the table is full.
    if (nowMs - lastSweepMs_ < kSweepMs && records_.size() < kMaxKeys)
        return;
    lastSweepMs_ = nowMs;
    for (auto it = records_.begin(); it != records_.end();)
        it = nowMs - it->lastMs > kForgetMs ? records_.erase(it) : std::next(it);
    if (records_.size() < kMaxKeys)
        return;
    // Full of recent keys (a flood of made-up logins): the stalest half goes in one pass, so a
    // failure costs the same on average however long the flood lasts.
    std::vector<qint64> times;
    times.reserve(size_t(records_.size()));
    for (const Record& record : std::as_const(records_))
        times.push_back(record.lastMs);
    const auto middle = times.begin() + std::ptrdiff_t(times.size() / 2);
    std::nth_element(times.begin(), middle, times.end());
    const qint64 cut = *middle;
    for (auto it = records_.begin(); it != records_.end();)
        it = it->lastMs <= cut ? records_.erase(it) : std::next(it);
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
