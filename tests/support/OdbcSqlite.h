// The SQLite ODBC driver as a test backend: builds DSN-less "odbc:" urls for a SQLite file, so
// tests run the ODBC path (driver manager, Qt's QODBC, a real driver) without a server.
//
// The driver is found by its registration in the driver manager's odbcinst.ini. When it is
// installed but not registered, a private odbcinst.ini registering it is written to a temporary
// folder named by ODBCSYSINI for this test process only; the system's files are never touched.
#pragma once

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace so::test {

class OdbcSqlite {
public:
    static constexpr const char* kDriverFile = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";

    /// The driver name to write in DRIVER={...}; empty when the driver is not installed
    /// (skipReason() says why).
    static const QString& driverName() { return instance().name_; }
    static const QString& skipReason() { return instance().skipReason_; }

    /// "odbc:DRIVER={name};Database=PATH" for a SQLite database file.
    static QString url(const QString& databaseFile) {
        return QStringLiteral("odbc:DRIVER={%1};Database=%2").arg(driverName(), databaseFile);
    }

private:
    OdbcSqlite() {
        if (!QFile::exists(QString::fromLatin1(kDriverFile))) {
            skipReason_ = QStringLiteral("the SQLite ODBC driver (%1, Debian package libsqliteodbc) is not installed")
                              .arg(QString::fromLatin1(kDriverFile));
            return;
        }
        const QByteArray configured = qgetenv("ODBCSYSINI");
        const QString folder = configured.isEmpty() ? QStringLiteral("/etc") : QString::fromLocal8Bit(configured);
        QSettings ini(folder + QStringLiteral("/odbcinst.ini"), QSettings::IniFormat);
        for (const QString& group : ini.childGroups()) {
            if (ini.value(group + QStringLiteral("/Driver")).toString().contains(QLatin1String("sqlite3odbc"))) {
                name_ = group;
                return;
            }
        }
        privateIni_ = std::make_unique<QTemporaryDir>();
        QFile file(privateIni_->filePath(QStringLiteral("odbcinst.ini")));
        if (!file.open(QIODevice::WriteOnly)) {
            skipReason_ = QStringLiteral("cannot write a private odbcinst.ini");
            return;
        }
        file.write(QByteArray("[StatusObjectSQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=") + kDriverFile + "\n");
        file.close();
        qputenv("ODBCSYSINI", QDir::toNativeSeparators(privateIni_->path()).toLocal8Bit());
        name_ = QStringLiteral("StatusObjectSQLite3");
    }

    static OdbcSqlite& instance() {
        static OdbcSqlite odbc;
        return odbc;
    }

    QString name_;
    QString skipReason_;
    std::unique_ptr<QTemporaryDir> privateIni_;
};

}  // namespace so::test
