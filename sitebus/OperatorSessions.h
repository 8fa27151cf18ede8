// The field's signed-in operators: one session per sign-in, bound to the desk (broker login) that
// signed in and to the operator whose password was given, that every command of the desk names.
//
// A session is a random token of kTokenBytes from libsodium that only the field and that desk
// know (it travels on the desk's own command and answer topics, which no other login can read).
// The field keeps no token, only its BLAKE2b hash, so a copy of the field's memory does not give
// a usable session. A token the field keeps (rather than a signed ticket the desk holds) is ended
// at once by signing out, locking or switching operator: nothing of it stays valid anywhere.
// A session ends after kIdleMs without a command or kLifetimeMs after the sign-in, whichever
// comes first; the times are the field's steady clock (passed in). The sessions live in the
// field's memory: a field restart ends them all, and the desks ask their operators to sign in
// again (a desk sees the field's new session on the bus).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace sv {

class OperatorSessions {
public:
    static constexpr int kTokenBytes = 32;
    /// A shift and then some.
    static constexpr qint64 kLifetimeMs = 12LL * 60 * 60 * 1000;
    /// Longer than a desk's idle lock (which ends the session itself when it locks).
    static constexpr qint64 kIdleMs = 4LL * 60 * 60 * 1000;
    /// Sessions of one desk at most (the web desk holds one per browser sign-in); the oldest goes.
    static constexpr int kMaxPerDesk = 256;

    /// A new session of operatorLogin at desk; its token.
    QByteArray open(const QString& desk, const QString& operatorLogin, qint64 nowMs);
    /// Empty when the token is a live session of operatorLogin at desk (its idle time starts
    /// again); otherwise why not. An expired session is ended.
    QString check(const QString& desk, const QString& operatorLogin, const QByteArray& token, qint64 nowMs);
    /// Ends the desk's session of that token; false when there was none.
    bool close(const QString& desk, const QByteArray& token);
    int size() const { return int(sessions_.size()); }

private:
    struct Session {
        QString desk;
        QString operatorLogin;
        qint64 openedMs = 0;
        qint64 usedMs = 0;
    };
    static QByteArray key(const QByteArray& token);
    void makeRoom(const QString& desk);

    QHash<QByteArray, Session> sessions_;
};

}  // namespace sv
