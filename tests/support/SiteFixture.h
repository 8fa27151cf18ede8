// A generated demo site in a private in-memory database, the recording host and scripted dialogs,
// for the tests that run the component against a whole site.
#pragma once

#include "site/DemoSite.h"
#include "site/SiteSchema.h"
#include "support/DatabaseChecksum.h"
#include "support/FakeDialogs.h"
#include "support/FakeHost.h"
#include "support/SqlServerLike.h"

#include <statusobject/Db.h>

#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace so::test {

inline std::unique_ptr<db::Connection> openMemoryDatabase() {
    return db::Connection::open(QStringLiteral("sqlite::memory:"));
}

/// A generated demo site for the component tests: in a private in-memory database, or, when the
/// environment says STATUSOBJECT_TEST_BACKEND=sqlserver, in a file of `dir` served by the SQL
/// Server-like test driver, so the component takes the server path and meets the server's rules.
inline std::unique_ptr<db::Connection> openDemoSite(const QTemporaryDir& dir, const db::DemoSiteOptions& options,
                                                    db::DemoSiteSummary* site) {
    if (qEnvironmentVariable("STATUSOBJECT_TEST_BACKEND") != QLatin1String("sqlserver")) {
        auto db = openMemoryDatabase();
        *site = db::generateDemoSite(*db, options);
        return db;
    }
    const QString file = dir.filePath(QStringLiteral("site.db"));
    *site = db::generateDemoSite(*db::Connection::open(QStringLiteral("sqlite:") + file), options);
    return db::Connection::open(SqlServerLike::url(file));
}

/// The value of the first column of the first row of sql.
inline QVariant scalar(db::Connection& db, const QString& sql) {
    db::Recordset rs = db.query(sql);
    return rs.eof() ? QVariant() : rs.field(0);
}

inline int countRows(db::Connection& db, const QString& sql) {
    int n = 0;
    for (db::Recordset rs = db.query(sql); !rs.eof(); rs.moveNext())
        ++n;
    return n;
}

/// Makes every insert into Status_Points whose ListName is "FAIL" fail, to break a save part-way.
inline void failPointInsertsNamedFail(db::Connection& db) {
    db.execute(
        QStringLiteral("CREATE TRIGGER test_fail_point BEFORE INSERT ON Status_Points "
                       "WHEN NEW.ListName = 'FAIL' BEGIN SELECT RAISE(ABORT, 'refused by test'); END"));
}

}  // namespace so::test
