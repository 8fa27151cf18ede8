#include "WebUsers.h"

#include "WebGuards.h"

#include <QFile>
#include <QSaveFile>

namespace sv::web {

bool validUserName(const QString& name) {
    if (name.isEmpty() || name.size() > 64 || name.trimmed() != name)
        return false;
    for (QChar c : name)
        if (c == QLatin1Char(':') || c.category() == QChar::Other_Control)
            return false;
    return true;
}

bool UsersFile::load(const QString& path, QString* error, QStringList* warnings) {
    users_.clear();
    lines_.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error != nullptr)
            *error = QStringLiteral("cannot read the users file %1: %2").arg(path, file.errorString());
        return false;
    }
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        const QString text = QString::fromUtf8(file.readLine()).trimmed();
        if (text.isEmpty() || text.startsWith(QLatin1Char('#'))) {
            lines_.append(Line{-1, text});
            continue;
        }
        // The hash holds no ":" in its own text but "$" separators: the first two ":" split.
        const qsizetype first = text.indexOf(QLatin1Char(':'));
        const qsizetype second = first < 0 ? -1 : text.indexOf(QLatin1Char(':'), first + 1);
        WebUser user;
        if (second > 0) {
            user = {text.left(first), text.mid(first + 1, second - first - 1), text.mid(second + 1).toLatin1()};
        }
        if (second < 0 || !validUserName(user.login) || !validUserName(user.operatorName) ||
            !user.hash.startsWith("$argon2")) {
            if (warnings != nullptr)
                *warnings
                    << QStringLiteral("%1 line %2: not login:operator:argon2id-hash, skipped").arg(path).arg(number);
            lines_.append(
                Line{-1, QStringLiteral("# skipped: ") + text.left(64).replace(QLatin1Char(':'), QLatin1Char(' '))});
            continue;
        }
        if (find(user.login) != nullptr) {
            if (warnings != nullptr)
                *warnings << QStringLiteral("%1 line %2: login %3 again, the first line counts")
                                 .arg(path)
                                 .arg(number)
                                 .arg(user.login);
            continue;
        }
        lines_.append(Line{int(users_.size()), QString()});
        users_.append(user);
    }
    return true;
}

bool UsersFile::save(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error != nullptr)
            *error = QStringLiteral("cannot write the users file %1: %2").arg(path, file.errorString());
        return false;
    }
    // Owner only, before a byte of a hash is written.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const Line& line : lines_) {
        if (line.user < 0) {
            file.write(line.text.toUtf8() + '\n');
            continue;
        }
        const WebUser& u = users_[line.user];
        file.write(u.login.toUtf8() + ':' + u.operatorName.toUtf8() + ':' + u.hash + '\n');
    }
    if (!file.commit()) {
        if (error != nullptr)
            *error = QStringLiteral("cannot write the users file %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

const WebUser* UsersFile::find(const QString& login) const {
    for (const WebUser& user : users_)
        if (user.login == login)
            return &user;
    return nullptr;
}

void UsersFile::put(const WebUser& user) {
    for (WebUser& existing : users_) {
        if (existing.login == user.login) {
            existing = user;
            return;
        }
    }
    lines_.append(Line{int(users_.size()), QString()});
    users_.append(user);
}

std::optional<QString> UsersFile::signIn(const QString& login, const QByteArray& password) const {
    const WebUser* user = find(login);
    if (user == nullptr) {
        verifyAgainstDecoy(password);
        return std::nullopt;
    }
    if (!passwordMatches(user->hash, password))
        return std::nullopt;
    return user->operatorName;
}

}  // namespace sv::web
