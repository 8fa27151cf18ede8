// The web desk's guards, without network or clock of their own (the time is passed in): the
// session table with its tokens and idle expiry, and the checks of a
// request's CSRF token and Origin. The time passed is a steady
// clock's (WebDesk::nowMs), never the time of day: a clock stepped forward signs no one out, one
// stepped back holds nothing for longer.
#pragma once

#include "Secrets.h"

#include <QByteArray>
#include <QHash>
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
};

/// The signed-in sessions by token. A session not used for the idle time is gone; so is one
/// ended by signing out, and its token is never valid again.
class SessionTable {
public:
    static constexpr qint64 kDefaultIdleMs = 15 * 60 * 1000;
    static constexpr int kMaxSessions = 1000;

    explicit SessionTable(qint64 idleMs = kDefaultIdleMs) : idleMs_(idleMs) {}

    /// A new session with fresh session and CSRF tokens. The oldest session goes when the table
    /// is full.
    const WebSession& open(const QString& login, const QString& operatorName, qint64 nowMs);
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

/// The session token of a Cookie header (`sv_session`); empty when there is none.
QByteArray sessionCookie(const QByteArray& cookieHeader);
/// The Set-Cookie value of a session (HttpOnly, SameSite=Strict, Path=/, Secure when `secure`): a
/// cookie of the browser session; an empty token clears the cookie.
QByteArray sessionCookieHeader(const QByteArray& token, bool secure);

/// Whether a request's Origin header may act: absent (not a browser's cross-site request) or
/// naming one of the server's own origins ("http://host:port" as the page was served).
bool originAllowed(const QByteArray& origin, const QStringList& ownOrigins);
/// The same, for a WebSocket: a browser always sends Origin there, so it must be present.
bool socketOriginAllowed(const QByteArray& origin, const QStringList& ownOrigins);

}  // namespace sv::web
