// The web desk's guards, without network or clock of their own (the time is passed in): the
// session table with its tokens and idle expiry, and the checks of a
// request's CSRF token and Origin. The time passed is a steady
// clock's (WebDesk::nowMs), never the time of day: a clock stepped forward signs no one out, one
// stepped back holds nothing for longer.
#pragma once

#include "Secrets.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

namespace sv::web {

// The secrets and the sign-in limiter are the site's (Secrets.h).
using sv::newToken;
using sv::sameSecret;
using sv::SignInLimiter;

/// A login name a browser may give: 1 to 64 characters, none of them ":", a line break or a
/// control character, no spaces around (anything else is no operator's, and is not logged as written).
bool validUserName(const QString& name);

struct WebSession {
    QByteArray token;
    QByteArray csrf;
    QString login;
    QString operatorName;
    qint64 lastUsedMs = 0;
    /// A wall display: it watches only (no commands), and its open tabs keep it signed in.
    bool wall = false;
};

/// The signed-in sessions by token. A session not used for the idle time is gone; so is one
/// ended by signing out, and its token is never valid again. A login holds at most
/// kMaxSessionsPerLogin: its own least recently used goes for a new one, never another login's.
class SessionTable {
public:
    static constexpr qint64 kDefaultIdleMs = 15 * 60 * 1000;
    static constexpr int kMaxSessions = 1000;
    static constexpr int kMaxSessionsPerLogin = 10;

    explicit SessionTable(qint64 idleMs = kDefaultIdleMs) : idleMs_(idleMs) {}

    /// A new session with fresh session and CSRF tokens; the token of the login's own session it
    /// replaced goes into `evicted`. Null when the table is full of other logins' live sessions.
    WebSession* open(const QString& login, const QString& operatorName, qint64 nowMs, QByteArray* evicted = nullptr);
    /// The live session of a token (its idle time starts again when `touch`); null for an unknown,
    /// ended or expired token.
    const WebSession* find(const QByteArray& token, qint64 nowMs, bool touch = true);
    /// Ends a session; false when it was not live.
    bool close(const QByteArray& token);
    /// Ends the sessions idle too long; their tokens.
    QList<QByteArray> expire(qint64 nowMs);
    int size() const { return int(sessions_.size()); }
    /// The tokens of every session.
    QList<QByteArray> tokens() const { return sessions_.keys(); }
    /// Whether any live session signs in as that operator.
    bool hasOperator(const QString& operatorName) const;
    qint64 idleMs() const { return idleMs_; }

private:
    qint64 idleMs_;
    QHash<QByteArray, WebSession> sessions_;
};

/// Attempts per key, paced: `burst` at once, then one every `everyMs` (a key's credit refills at
/// that pace). Keys whose credit is full again are forgotten when the table grows past kMaxKeys,
/// so made-up keys cannot grow it without bound. Times are the caller's steady clock.
class AttemptPace {
public:
    static constexpr int kMaxKeys = 10000;
    AttemptPace(int burst, qint64 everyMs) : burst_(burst), everyMs_(everyMs) {}
    /// Takes an attempt: 0 when it may go now (and is counted), else the milliseconds until it may.
    qint64 take(const QString& key, qint64 nowMs);
    /// The same without counting it.
    qint64 wait(const QString& key, qint64 nowMs) const;
    int size() const { return int(fullAt_.size()); }

private:
    void forget(qint64 nowMs);
    int burst_;
    qint64 everyMs_;
    /// Per key, when its credit is full again.
    QHash<QString, qint64> fullAt_;
};

/// The address a request came from: the peer's, unless the peer is one of the trusted proxies and
/// names the client in X-Forwarded-For; then the last address there that is not a trusted proxy
/// (a client can prepend anything, only what the proxies appended is theirs).
QHostAddress clientAddress(const QHostAddress& peer, const QByteArray& forwardedFor,
                           const QList<QHostAddress>& trustedProxies);

/// Whether a request's Host header names one of the allowed hosts (any port; names without case).
/// A page of another name that resolves to this server (DNS rebinding) is refused so.
bool hostAllowed(const QByteArray& hostHeader, const QStringList& allowedHosts);

/// The session cookie's name: `sv_session`, and `__Host-sv_session` where it is Secure (the
/// browser then takes it only from this very host, over TLS, for every path: no sibling host or
/// plain-HTTP page can plant or shadow it).
QByteArray sessionCookieName(bool secure);
/// The session token of a Cookie header; empty when there is none.
QByteArray sessionCookie(const QByteArray& cookieHeader, bool secure = false);
/// The Set-Cookie value of a session (HttpOnly, SameSite=Strict, Path=/, Secure when `secure`): a
/// cookie of the browser session; an empty token clears the cookie.
QByteArray sessionCookieHeader(const QByteArray& token, bool secure);

/// Whether a request's Origin header may act: absent (not a browser's cross-site request) or
/// naming one of the server's own origins ("http://host:port" as the page was served).
bool originAllowed(const QByteArray& origin, const QStringList& ownOrigins);
/// The same, for a WebSocket: a browser always sends Origin there, so it must be present.
bool socketOriginAllowed(const QByteArray& origin, const QStringList& ownOrigins);

}  // namespace sv::web
