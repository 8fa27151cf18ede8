// Taking a site's SQLite database file away in the middle of a run, and putting it back.
//
// An open SQLite connection keeps reading its file through the open handle even after the file is
// renamed, deleted or made unreadable, so the loss is made the way a dropped connection looks: the
// connection is closed and a file that is no database takes the site's place, so nothing can open
// it again. Restoring only puts the site's file back; reconnecting is the component's own work.
#pragma once

#include "db/ConnectionImpl.h"
#include <statusobject/Db.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QSqlDatabase>
#include <QStringList>

namespace so::test {

inline QString awayPath(const QString& databasePath) { return databasePath + QStringLiteral(".away"); }

/// Closes the connection and puts a file that is no database where the site's file was.
inline void loseDatabase(db::Connection& db, const QString& databasePath) {
    QSqlDatabase::database(so::db::qtConnectionName(db), false).close();
    ASSERT_TRUE(QFile::rename(databasePath, awayPath(databasePath)));
    QFile garbage(databasePath);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();
    ASSERT_FALSE(db.isAlive());
}

/// Puts the site's file back in place of the one that is no database.
inline void restoreDatabase(const QString& databasePath) {
    ASSERT_TRUE(QFile::remove(databasePath));
    ASSERT_TRUE(QFile::rename(awayPath(databasePath), databasePath));
}

/// The points stored with a group as "address=name", in their stored order.
inline QStringList storedPoints(db::Connection& db, int groupId) {
    QStringList out;
    db::Command command(db, QStringLiteral("SELECT ListAddress, ListName FROM Status_Points WHERE GroupID = ? "
                                           "ORDER BY StatusPointID"));
    command.appendParameter(QStringLiteral("@GroupID"), db::ParamType::Integer, db::ParamDirection::Input, 0, groupId);
    for (db::Recordset rs = command.open(); !rs.eof(); rs.moveNext())
        out << rs.field(0).toString() + QLatin1Char('=') + rs.field(1).toString();
    return out;
}

}  // namespace so::test
