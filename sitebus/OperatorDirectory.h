// The site's one operator directory in the site database: an operator's password (an argon2id
// hash in OperatorPasswords) and the site's settings for signed-in operators (SiteSettings).
// Every desk, the web desk included, signs its operators in against it through the field; the
// password command of the application writes it. Only bound parameters reach SQL.
#pragma once

#include <statusobject/Db.h>

#include <QByteArray>
#include <QString>

#include <optional>

namespace sv {

struct DirectoryOperator {
    qint32 id = 0;
    /// The login name as the directory writes it.
    QString login;
};

class OperatorDirectory {
public:
    /// A desk locks after this long without input unless the site sets OperatorIdleLockMinutes.
    static constexpr int kDefaultIdleLockMinutes = 15;
    static constexpr int kMaxIdleLockMinutes = 24 * 60;
    static constexpr int kMaxPasswordBytes = 1024;

    explicit OperatorDirectory(so::db::Connection& db) : db_(db) {}

    /// What a password is verified against: the operator (none for an unknown login) and the
    /// operator's hash (empty when the operator has no password).
    struct Credential {
        std::optional<DirectoryOperator> found;
        QByteArray hash;
    };
    /// Reads the login's credential. Throws so::db::DbError when the directory cannot be read.
    Credential credential(const QString& login);
    /// Whether the password is the credential's: false for an unknown login, an operator without
    /// a password or a wrong one, each costing one hash verification, so the time taken tells none
    /// of them apart. Reads no database: runs on any thread.
    static bool matches(const Credential& credential, const QByteArray& password);
    /// The operator whose password this is (credential, then matches); nullopt otherwise.
    std::optional<DirectoryOperator> verify(const QString& login, const QByteArray& password);
    /// Sets (or replaces) the operator's password; false with why in error (an unknown operator,
    /// an empty or too long password).
    bool setPassword(const QString& login, const QByteArray& password, QString& error);
    /// The site's idle lock time in minutes (1 to kMaxIdleLockMinutes), or the default when the
    /// site sets none or an unreadable one.
    int idleLockMinutes();

private:
    std::optional<DirectoryOperator> find(const QString& login, QByteArray* hash);

    so::db::Connection& db_;
};

}  // namespace sv
