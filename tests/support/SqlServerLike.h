// The SQL Server-like test driver (tools/sqlserverdriver) as a test backend: "odbc:" urls that
// load it by path through the driver manager and Qt's QODBC, with a SQLite file underneath.
// The component takes the server path there (no rewriter), and the driver refuses what SQL Server
// refuses (a second command while results are pending, over-long strings, impossible dates).
#pragma once

#include <QSqlDatabase>
#include <QString>

namespace so::test {

struct SqlServerLike {
    /// Why the driver cannot be used here; empty when it can.
    static QString skipReason() {
        return QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC"))
                   ? QString()
                   : QStringLiteral("Qt's QODBC plugin (libqt6sql6-odbc) is not installed");
    }

    /// "odbc:DRIVER=<the test driver>;Database=FILE" plus the extra attributes ("LANGUAGE=dmy").
    static QString url(const QString& sqliteFile, const QString& extra = {}) {
        return QStringLiteral("odbc:DRIVER=%1;Database=%2%3")
            .arg(QStringLiteral(STATUSOBJECT_SQLSERVER_DRIVER), sqliteFile, extra.isEmpty() ? QString() : u';' + extra);
    }
};

}  // namespace so::test
