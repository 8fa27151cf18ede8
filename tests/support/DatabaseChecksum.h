// A fingerprint of a whole site database, to show that an operation wrote nothing.
#pragma once

#include <statusobject/Db.h>

#include <QByteArrayView>
#include <QCryptographicHash>
#include <QStringList>

namespace so::test {

/// Every row of every table, hashed: equal before and after means nothing was written.
inline QByteArray databaseChecksum(db::Connection& db) {
    QStringList tables;
    for (db::Recordset rs = db.query(QStringLiteral(
             "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
         !rs.eof(); rs.moveNext())
        tables << rs.field(0).toString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& table : tables) {
        hash.addData(table.toUtf8());
        for (db::Recordset rs = db.query(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table)); !rs.eof();
             rs.moveNext()) {
            for (int i = 0; i < rs.fieldCount(); ++i) {
                hash.addData(rs.isNull(rs.fieldName(i)) ? QByteArrayView("\x01") : QByteArrayView("\x02"));
                hash.addData(rs.field(i).toString().toUtf8());
                hash.addData(QByteArrayView("\x00", 1));
            }
        }
    }
    return hash.result();
}

}  // namespace so::test
