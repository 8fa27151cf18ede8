// The web desk's users file: one line per web login, "login:operator:hash", where operator is the
// site operator (login name) whose permissions the login acts with, and hash an argon2id password
// hash in libsodium's string form. Lines starting with "#" and empty lines are kept as they are.
// The file is written whole to a temporary file (mode 0600) and renamed over the old one.
#pragma once

#include "Secrets.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

namespace sv::web {

struct WebUser {
    QString login;
    QString operatorName;
    QByteArray hash;
};

/// A login or an operator name the file can hold: 1 to 64 characters, none of them ":", a line
/// break or a control character, no spaces around.
bool validUserName(const QString& name);

// Passwords are hashed and checked the site's one way (Secrets.h).
using sv::hashPassword;
using sv::passwordMatches;

class UsersFile {
public:
    /// Reads the file; false with the reason when it cannot be read. Damaged lines are skipped
    /// and named in `warnings`.
    bool load(const QString& path, QString* error, QStringList* warnings = nullptr);
    /// Writes the file (0600); false with the reason.
    bool save(const QString& path, QString* error) const;

    const WebUser* find(const QString& login) const;
    /// Adds the login or replaces its line.
    void put(const WebUser& user);
    int size() const { return int(users_.size()); }

    /// The operator a login signs in as when the password matches; nullopt otherwise. An unknown
    /// login costs a hash verification as well, so the time taken does not tell which logins exist.
    std::optional<QString> signIn(const QString& login, const QByteArray& password) const;

private:
    QVector<WebUser> users_;
    /// The file's lines in order: a user's index, or -1 for a comment or empty line kept as text.
    struct Line {
        int user = -1;
        QString text;
    };
    QVector<Line> lines_;
};

}  // namespace sv::web
