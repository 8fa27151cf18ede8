// Helpers of the site tests: fresh site databases and single values read from them.
#pragma once

#include "db/ConnectionImpl.h"
#include "site/DemoSite.h"

#include <statusobject/Db.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

#include <memory>

namespace so::db::test {

inline std::unique_ptr<Connection> memorySite() { return Connection::open(QStringLiteral("sqlite::memory:")); }

inline QSqlDatabase qtDatabase(Connection& connection) {
    return QSqlDatabase::database(so::db::qtConnectionName(connection), false);
}

/// One value of a single-value query through the connection.
inline QVariant scalar(Connection& connection, const QString& sql) {
    Recordset rs = connection.query(sql);
    return rs.eof() ? QVariant() : rs.field(0);
}

/// The SQLite ODBC driver library of the machine, or empty when it is not installed.
inline QString sqliteOdbcDriver() {
    const QString path = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so");
    return QFile::exists(path) && QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")) ? path : QString();
}

}  // namespace so::db::test
