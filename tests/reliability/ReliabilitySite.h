// A Status component on a generated demo site, set up as a host would set it up, for the
// reliability tests: hostile input, database loss, error storms and the soak. The site lives in
// memory or in a file (for the tests that take the database away), and the whole site's group can
// be shown so that every point has a row.
#pragma once

#include "component/StatusInternals.h"
#include "status/StatusBoard.h"
#include "site/DemoSite.h"
#include "base/ComponentContext.h"
#include "support/DatabaseChecksum.h"
#include "support/DemoSiteStatus.h"
#include "support/OdbcSqlite.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <statusobject/Db.h>
#include <statusobject/Status.h>

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>
#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace so::test {

/// The voltage cell of an input's state byte: 0 to 4.97 V across the byte, two decimals.
inline QString voltsOf(quint8 state) { return QString::number(state * 4.97 / 255.0, 'f', 2); }

/// Where the site database lives and how the component reaches it.
enum class Backend {
    Memory,      // sqlite::memory:
    SqliteFile,  // sqlite:FILE
    OdbcFile,    // odbc: through the driver manager and the SQLite ODBC driver, to the same kind of file
};

struct ReliabilitySite {
    /// points: size of the generated site. The site is generated through SQLite; an ODBC site is
    /// then reached through a connection of its own, as a host would open it.
    explicit ReliabilitySite(int points = 300, Backend backend = Backend::Memory) {
        const QString url =
            backend == Backend::Memory ? QStringLiteral("sqlite::memory:") : QStringLiteral("sqlite:") + databasePath();
        db = db::Connection::open(url);
        site = db::generateDemoSite(*db, {points, 1, QStringLiteral("WS1")});
        if (backend == Backend::OdbcFile) {
            db.reset();
            db = db::Connection::open(OdbcSqlite::url(databasePath()));
        }
        status = makeSiteStatus(*db, site, host, dialogs, folder.path());
    }

    QString databasePath() const { return folder.filePath(QStringLiteral("site.db")); }
    QString logPath() const { return folder.filePath(QStringLiteral("StatusObject.log")); }

    StatusWindow& window() { return windowOf(*status); }
    StatusGrid& grid(int section) { return windowOf(*status).board().sections().grid(section); }

    /// Shows the window, then the group (the operator choosing it in the group box).
    void showGroup(int groupId) {
        status->Show();
        const int index = window().findGroupEntry(groupId);
        if (index >= 0)
            window().selectGroupEntry(index);
        else
            window().FillPoints(groupId);
    }

    int totalRows() {
        int rows = 0;
        for (int section = 0; section < kSectionCount; ++section)
            rows += grid(section).rowCount();
        return rows;
    }

    QString cell(int section, const QString& address, const QString& key) {
        const int row = grid(section).findRow(address);
        return row > 0 ? grid(section).text(row, key) : QStringLiteral("<no row>");
    }

    /// The first row address of a section whose address contains code (any row when code is empty).
    QString firstAddress(int section, const QString& code = {}) {
        StatusGrid& g = grid(section);
        for (int row = 1; row <= g.rowCount(); ++row) {
            const QString address = g.text(row, QStringLiteral("Address"));
            if (code.isEmpty() || address.contains(code))
                return address;
        }
        return {};
    }

    /// The log entries written so far (each begins with the report text's first line).
    int logEntries() const {
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        return int(file.readAll().count("An error has occurred."));
    }

    /// The reports logged so far: the entries and the repeats folded into them.
    int logReports() {
        contextOf(*status).errorLog.flushRepeats();
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        const QString text = QString::fromUtf8(file.readAll());
        int reports = int(text.count(QStringLiteral("An error has occurred.")));
        static const QRegularExpression repeated(QStringLiteral("Repeated (\\d+) more times"));
        for (auto it = repeated.globalMatch(text); it.hasNext();)
            reports += it.next().captured(1).toInt();
        return reports;
    }

    QTemporaryDir folder;
    std::unique_ptr<db::Connection> db;
    db::DemoSiteSummary site;
    FakeHost host;
    FakeDialogs dialogs;
    std::unique_ptr<Status> status;
};

/// The first column of the first row of sql (0 when there is none).
inline qint64 scalar(db::Connection& db, const QString& sql) {
    db::Recordset rs = db.query(sql);
    return rs.eof() ? 0 : rs.field(0).toLongLong();
}

}  // namespace so::test
