// The site's secrets, one way each: operator passwords as argon2id hashes (libsodium's string
// form, its interactive limits), random tokens from the system's CSPRNG, constant-time
// comparison, and the sign-in limiter that slows password guessing wherever a password is tried
// (the field for every desk, the web desk for its browsers).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace sv {

/// An argon2id hash of the password; empty when hashing failed.
QByteArray hashPassword(const QByteArray& password);
/// Whether the password matches the hash; false for an empty or damaged hash.
bool passwordMatches(const QByteArray& hash, const QByteArray& password);
/// Does the work of one verification against a hash no password matches: an unknown login costs
/// what a known one does, so the time taken does not tell which logins exist.
void verifyAgainstDecoy(const QByteArray& password);

/// True when two secrets are equal, in a time that does not depend on where they differ.
bool sameSecret(const QByteArray& a, const QByteArray& b);

/// bytes fresh random bytes from the system's CSPRNG.
QByteArray randomBytes(int bytes);
/// A fresh random token: 32 random bytes as URL-safe base64 (43 characters).
QByteArray newToken();

/// Sign-in attempts: after kFreeFailures failures for one key (a login, a desk, a client address)
/// each further attempt must wait, twice as long after each failure (1 s, 2 s, 4 s ... at most
/// kMaxDelayMs). A success clears the key. Keys quiet for kForgetMs are forgotten, and the table
/// holds at most kMaxKeys (when full, the stalest half goes), so a flood of made-up logins cannot
/// grow it. Times are the caller's steady clock.
class SignInLimiter {
public:
    static constexpr int kFreeFailures = 5;
    static constexpr qint64 kFirstDelayMs = 1000;
    static constexpr qint64 kMaxDelayMs = 15 * 60 * 1000;
    static constexpr qint64 kForgetMs = 60 * 60 * 1000;
    static constexpr int kMaxKeys = 10000;

    /// Milliseconds the key must still wait before its next attempt; 0 when it may try now.
    qint64 waitMs(const QString& key, qint64 nowMs) const;
    void failed(const QString& key, qint64 nowMs);
    void succeeded(const QString& key);
    int size() const { return int(records_.size()); }

private:
    struct Record {
        int failures = 0;
        qint64 lastMs = 0;
    };
    static constexpr qint64 kSweepMs = 60 * 1000;
    void forget(qint64 nowMs);
    QHash<QString, Record> records_;
    qint64 lastSweepMs_ = 0;
};

}  // namespace sv
