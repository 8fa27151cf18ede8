#include "cli/OperatorPassword.h"

#include "OperatorDirectory.h"

#include <statusobject/Db.h>

#include <QFile>

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace sv {
namespace {

/// Operators choose passwords at least this long.
constexpr int kMinPasswordBytes = 8;

/// One line from standard input, without echo when it is a terminal.
QByteArray readPassword() {
    const bool tty = isatty(STDIN_FILENO) != 0;
    termios saved{};
    if (tty) {
        std::fprintf(stderr, "Password: ");
        std::fflush(stderr);
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (tty) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fprintf(stderr, "\n");
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QByteArray::fromStdString(line);
}

}  // namespace

int setOperatorPassword(const AppOptions& options) {
    const QByteArray password = readPassword();
    if (password.size() < kMinPasswordBytes) {
        std::fprintf(stderr, "statusviewer: the password must have at least %d characters\n", kMinPasswordBytes);
        return 2;
    }
    try {
        const std::unique_ptr<so::db::Connection> db = so::db::Connection::open(options.dbUrl);
        QString error;
        if (!OperatorDirectory(*db).setPassword(options.operatorName, password, error)) {
            std::fprintf(stderr, "statusviewer: %s\n", qPrintable(error));
            return 2;
        }
    } catch (const so::db::DbError& e) {
        std::fprintf(stderr, "statusviewer: the site cannot be written: %s\n", qPrintable(e.message()));
        return 1;
    }
    std::printf("password of operator %s set\n", qPrintable(options.operatorName));
    return 0;
}

std::optional<QByteArray> readPasswordFile(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read the operator's password file %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QByteArray line = file.readLine(OperatorDirectory::kMaxPasswordBytes + 2);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty()) {
        error = QStringLiteral("the operator's password file %1 has no password on its first line").arg(path);
        return std::nullopt;
    }
    return line;
}

}  // namespace sv
