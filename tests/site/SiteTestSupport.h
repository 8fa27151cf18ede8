// Helpers of the site tests: fresh site databases and a digest of everything a site holds.
#pragma once

#include "site/DemoSite.h"

#include <statusobject/Db.h>

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <memory>

namespace so::db::test {

inline std::unique_ptr<Connection> memorySite() { return Connection::open(QStringLiteral("sqlite::memory:")); }

inline QSqlDatabase qtDatabase(Connection& connection) {
    return QSqlDatabase::database(connection.qtConnectionName(), false);
}

/// One value of a single-value query through the connection.
inline QVariant scalar(Connection& connection, const QString& sql) {
    Recordset rs = connection.query(sql);
    return rs.eof() ? QVariant() : rs.field(0);
}

/// Digest of every row of every table, in row order: two sites with the same digest hold the same data.
inline QByteArray siteDigest(Connection& connection) {
    QSqlDatabase db = qtDatabase(connection);
    QSqlQuery tables(db);
    tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
                               "ORDER BY name"));
    QStringList names;
    while (tables.next()) names.append(tables.value(0).toString());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& table : names) {
        hash.addData(table.toUtf8());
        QSqlQuery rows(db);
        rows.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table));
        while (rows.next()) {
            for (int i = 0; i < rows.record().count(); ++i) {
                hash.addData(rows.value(i).toString().toUtf8());
                hash.addData(QByteArrayView("\x1f", 1));
            }
        }
    }
    return hash.result().toHex();
}

/// The SQLite ODBC driver library of the machine, or empty when it is not installed.
inline QString sqliteOdbcDriver() {
    const QString path = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so");
    return QFile::exists(path) && QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")) ? path : QString();
}

}  // namespace so::db::test
