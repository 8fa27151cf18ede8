// A generated demo site in a temporary SQLite file, for the host application's tests, and a state
// sink that records what the simulated field reports.
#pragma once

#include "FieldInterfaces.h"

#include <site/DemoSite.h>
#include <statusobject/Db.h>

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <memory>

namespace sv::test {

struct DemoSiteFile {
    QTemporaryDir dir;
    QString url;
    std::unique_ptr<so::db::Connection> db;
    so::db::DemoSiteSummary site;

    explicit DemoSiteFile(int points = 400, quint32 seed = 7) {
        url = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("site.db"));
        db = so::db::Connection::open(url);
        so::db::DemoSiteOptions options;
        options.points = points;
        options.seed = seed;
        site = so::db::generateDemoSite(*db, options);
    }
    /// Another connection to the same file, as a second process or workstation would have.
    std::unique_ptr<so::db::Connection> connect() const { return so::db::Connection::open(url); }

    QVariant scalar(const QString& sql) {
        so::db::Recordset rs = db->query(sql);
        return rs.eof() ? QVariant() : rs.field(0);
    }
};

struct StateReport {
    QString type;
    QString address;
    int state = 0;
    QString value;
    bool operator==(const StateReport&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const StateReport& r) {
    return os << r.type.toStdString() << ' ' << r.address.toStdString() << ' ' << r.state << " '"
              << r.value.toStdString() << "'";
}

class RecordingSink final : public StateSink {
public:
    QVector<StateReport> reports;
    QStringList times;  // each report's time, as handed over
    void StateChange(const QString& deviceType, const QString& address, quint8 state, const QString& time,
                     const QString& stateValue) override {
        reports.append({deviceType, address, state, stateValue});
        times.append(time);
    }
    bool has(const StateReport& r) const { return reports.contains(r); }
};

}  // namespace sv::test
