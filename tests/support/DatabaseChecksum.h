// Fingerprints of a whole site database, to show that an operation wrote nothing, or which tables
// it changed.
#pragma once

#include <statusobject/Db.h>

#include <QByteArrayView>
#include <QCryptographicHash>
#include <QMap>
#include <QStringList>

namespace so::test {

/// A hash of every row of every table, per table: equal maps mean equal databases, and a
/// difference names the tables that differ. With includeInternal, the database's own tables count
/// too (a row inserted and deleted again still moves the AUTOINCREMENT counter).
inline QMap<QString, QByteArray> tableChecksums(db::Connection& db, bool includeInternal = false) {
    QStringList tables;
    for (db::Recordset rs =
             db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'%1 ORDER BY name")
                          .arg(includeInternal ? QString() : QStringLiteral(" AND name NOT LIKE 'sqlite_%'")));
         !rs.eof(); rs.moveNext())
        tables << rs.field(0).toString();
    QMap<QString, QByteArray> sums;
    for (const QString& table : tables) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (db::Recordset rs = db.query(QStringLiteral("SELECT * FROM [%1] ORDER BY rowid").arg(table)); !rs.eof();
             rs.moveNext()) {
            for (int i = 0; i < rs.fieldCount(); ++i) {
                const QVariant v = rs.field(i);
                hash.addData(v.isNull() ? QByteArrayView("N") : QByteArrayView("V"));
                hash.addData(v.toString().toUtf8());
                hash.addData(QByteArrayView("\x00", 1));
            }
            hash.addData(QByteArrayView("\n"));
        }
        sums.insert(table, hash.result().toHex());
    }
    return sums;
}

/// Every row of every table, the database's own included, hashed: equal before and after means
/// nothing was written.
inline QByteArray databaseChecksum(db::Connection& db) {
    const QMap<QString, QByteArray> sums = tableChecksums(db, true);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (auto it = sums.begin(); it != sums.end(); ++it) {
        hash.addData(it.key().toUtf8());
        hash.addData(it.value());
    }
    return hash.result();
}

/// The tables whose checksums differ between two databases (or exist in one only).
inline QStringList differingTables(const QMap<QString, QByteArray>& a, const QMap<QString, QByteArray>& b) {
    QStringList out;
    for (auto it = a.begin(); it != a.end(); ++it)
        if (b.value(it.key()) != it.value())
            out << it.key();
    for (auto it = b.begin(); it != b.end(); ++it)
        if (!a.contains(it.key()))
            out << it.key();
    return out;
}

}  // namespace so::test
