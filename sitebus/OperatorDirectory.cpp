#include "OperatorDirectory.h"

#include "Secrets.h"

namespace sv {

using so::db::ParamDirection;
using so::db::ParamType;

std::optional<DirectoryOperator> OperatorDirectory::find(const QString& login, QByteArray* hash) {
    so::db::Command lookup(db_, QStringLiteral("SELECT o.OperatorID, o.LoginName, p.PasswordHash FROM Operators o "
                                               "LEFT JOIN OperatorPasswords p ON p.OperatorID = o.OperatorID "
                                               "WHERE o.LoginName = ?"));
    lookup.appendParameter(QStringLiteral("@LoginName"), ParamType::NVarChar, ParamDirection::Input, 64, login);
    so::db::Recordset rs = lookup.open();
    if (rs.eof())
        return std::nullopt;
    DirectoryOperator found{rs.field(0).toInt(), rs.field(1).toString()};
    if (hash != nullptr)
        *hash = rs.field(2).toString().toLatin1();
    return found;
}

OperatorDirectory::Credential OperatorDirectory::credential(const QString& login) {
    Credential c;
    if (login.size() <= 64)
        c.found = find(login, &c.hash);
    return c;
}

bool OperatorDirectory::matches(const Credential& credential, const QByteArray& password) {
    if (!credential.found || credential.hash.isEmpty() || password.size() > kMaxPasswordBytes) {
        verifyAgainstDecoy(password.left(kMaxPasswordBytes));
        return false;
    }
    return passwordMatches(credential.hash, password);
}

std::optional<DirectoryOperator> OperatorDirectory::verify(const QString& login, const QByteArray& password) {
    const Credential c = credential(login);
    return matches(c, password) ? c.found : std::nullopt;
}

bool OperatorDirectory::setPassword(const QString& login, const QByteArray& password, QString& error) {
    if (password.isEmpty() || password.size() > kMaxPasswordBytes) {
        error = QStringLiteral("a password of 1 to %1 bytes is needed").arg(kMaxPasswordBytes);
        return false;
    }
    const std::optional<DirectoryOperator> found = login.size() <= 64 ? find(login, nullptr) : std::nullopt;
    if (!found) {
        error = QStringLiteral("the site has no operator \"%1\"").arg(login.left(64));
        return false;
    }
    const QByteArray hash = hashPassword(password);
    if (hash.isEmpty()) {
        error = QStringLiteral("the password could not be hashed");
        return false;
    }
    so::db::Command remove(db_, QStringLiteral("DELETE FROM OperatorPasswords WHERE OperatorID = ?"));
    remove.appendParameter(QStringLiteral("@OperatorID"), ParamType::Integer, ParamDirection::Input, 4, found->id);
    remove.execute();
    so::db::Command insert(db_, QStringLiteral("INSERT INTO OperatorPasswords (OperatorID, PasswordHash, ChangedAt) "
                                               "VALUES (?, ?, CURRENT_TIMESTAMP)"));
    insert.appendParameter(QStringLiteral("@OperatorID"), ParamType::Integer, ParamDirection::Input, 4, found->id);
    insert.appendParameter(QStringLiteral("@PasswordHash"), ParamType::VarChar, ParamDirection::Input, 128,
                           QString::fromLatin1(hash));
    insert.execute();
    return true;
}

int OperatorDirectory::idleLockMinutes() {
    so::db::Command read(db_, QStringLiteral("SELECT Value FROM SiteSettings WHERE Name = ?"));
    read.appendParameter(QStringLiteral("@Name"), ParamType::NVarChar, ParamDirection::Input, 64,
                         QStringLiteral("OperatorIdleLockMinutes"));
    so::db::Recordset rs = read.open();
    if (rs.eof())
        return kDefaultIdleLockMinutes;
    bool ok = false;
    const int minutes = rs.field(0).toString().trimmed().toInt(&ok);
    return ok && minutes >= 1 && minutes <= kMaxIdleLockMinutes ? minutes : kDefaultIdleLockMinutes;
}

}  // namespace sv
