#include "host/AppSite.h"

#include "site/DemoSite.h"
#include "site/SiteSchema.h"
#include <statusobject/Db.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace sv {
namespace {

const QLatin1String kSqliteScheme("sqlite");
const QLatin1String kMemory(":memory:");

/// The scheme of a URL (lower case) and what follows its first colon.
std::pair<QString, QString> splitUrl(const QString& url) {
    const qsizetype colon = url.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return {};
    return {url.left(colon).trimmed().toLower(), url.mid(colon + 1)};
}

bool isPrivateMemory(const QString& url) {
    const auto [scheme, rest] = splitUrl(url);
    return scheme == kSqliteScheme && rest.trimmed() == kMemory;
}

QString describe(const so::db::DbError& e) {
    return e.driverMessage().isEmpty() ? e.message() : QStringLiteral("%1 (%2)").arg(e.message(), e.driverMessage());
}

/// Removes a SQLite file with its write-ahead log and shared-memory index.
void removeDatabaseFiles(const QString& file) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(file + QLatin1String(suffix));
}

/// Generates a demo site of `points` points as `file`; returns the points generated, or 0 when
/// another run created the file meanwhile (that site is used then).
int generateSiteFile(const QString& file, int points) {
    const QFileInfo info(file);
    if (!info.absoluteDir().exists()) {
        throw StartupError(QStringLiteral("Cannot create the site database %1: the folder %2 does not exist")
                               .arg(file, info.absolutePath()));
    }
    const QString partial = QStringLiteral("%1.partial-%2").arg(file).arg(QCoreApplication::applicationPid());
    removeDatabaseFiles(partial);
    int generated = 0;
    try {
        // Closed before the rename: the last connection to close folds the write-ahead log back
        // into the file, so the renamed file is complete on its own.
        const std::unique_ptr<so::db::Connection> db = so::db::Connection::open(QStringLiteral("sqlite:") + partial);
        so::db::createSiteSchema(*db);
        so::db::DemoSiteOptions options;
        options.points = points;
        generated = so::db::generateDemoSite(*db, options).totalPoints;
    } catch (const so::db::DbError& e) {
        removeDatabaseFiles(partial);
        throw StartupError(QStringLiteral("Creating the demo site %1 failed: %2").arg(file, describe(e)));
    }
    // A write-ahead log left beside a site file that was removed would be read into the new file
    // at its first open, writing another site's pages over it: the log and its index go first.
    // Under a lock, so that no other run has put its site in place and opened it meanwhile.
    QLockFile placing(file + QStringLiteral(".creating"));
    const bool placed = placing.lock() && !QFileInfo::exists(file) && [&] {
        for (const char* suffix : {"-wal", "-shm", "-journal"})
            QFile::remove(file + QLatin1String(suffix));
        return QFile::rename(partial, file);
    }();
    if (!placed) {
        removeDatabaseFiles(partial);
        if (QFileInfo::exists(file))
            return 0;
        throw StartupError(QStringLiteral("Cannot create the site database %1: the file cannot be written").arg(file));
    }
    return generated;
}

/// Opens the site once to find out whether it is one: a database with the site's operators table.
void checkSite(const QString& url, const QString& file) {
    const QString what =
        file.isEmpty() ? QStringLiteral("The site database") : QStringLiteral("The site database %1").arg(file);
    try {
        const std::unique_ptr<so::db::Connection> db = so::db::Connection::open(url);
        db->query(QStringLiteral("SELECT COUNT(*) FROM Operators")).close();
    } catch (const so::db::DbError& e) {
        throw StartupError(QStringLiteral("%1 cannot be opened as a site: %2").arg(what, describe(e)));
    }
}

}  // namespace

QString demoSitePath(const QString& folder, int scale) {
    return QDir(folder).filePath(QStringLiteral("demo-site-%1.db").arg(scale));
}

QString sqliteFileOf(const QString& url) {
    const auto [scheme, rest] = splitUrl(url);
    if (scheme != kSqliteScheme || rest.trimmed().isEmpty() || rest.trimmed() == kMemory)
        return {};
    return rest;
}

SiteChoice prepareSite(const QString& dbUrl, int scale, const QString& dataFolder, bool createDemo) {
    SiteChoice choice;
    choice.url = dbUrl;
    if (choice.url.isEmpty()) {
        if (dataFolder.isEmpty() || !QDir().mkpath(dataFolder))
            throw StartupError(
                QStringLiteral("Cannot create the data folder \"%1\" for the demo site").arg(dataFolder));
        choice.url = QStringLiteral("sqlite:") + demoSitePath(dataFolder, scale);
    }
    if (isPrivateMemory(choice.url)) {
        throw StartupError(QStringLiteral(
            "An in-memory database (sqlite::memory:) is private to one connection, but the field and every "
            "workstation open the site on their own: use a file (sqlite:PATH)"));
    }
    const QString file = sqliteFileOf(choice.url);
    if (!file.isEmpty() && !QFileInfo::exists(file)) {
        if (!dbUrl.isEmpty() && !createDemo) {
            throw StartupError(QStringLiteral("The site database %1 does not exist (give --create-demo to create a "
                                              "demo site there)")
                                   .arg(file));
        }
        choice.createdPoints = generateSiteFile(file, scale);
    }
    checkSite(choice.url, file);
    return choice;
}

}  // namespace sv
