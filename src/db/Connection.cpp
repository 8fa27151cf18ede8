#include "db/ConnectionImpl.h"
#include "db/SiteFileGuard.h"
#include "db/SiteFileLook.h"
#include "db/StatementObserver.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QUuid>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <sys/stat.h>

namespace so::db {
namespace {

// What SQLite (directly and through its ODBC driver) and SQL Server say when a lock held by another
// connection made a statement give up.
bool isBusyMessage(const QString& driverMessage) {
    for (const char* text :
         {"database is locked", "database table is locked", "database is busy", "Lock request time out"})
        if (driverMessage.contains(QLatin1String(text), Qt::CaseInsensitive))
            return true;
    return false;
}

// What SQLite says when the file it reads is no database or is damaged (and its quick check's
// answer for a sound file).
bool isDamageMessage(const QString& driverMessage) {
    for (const char* text : {"file is not a database", "database disk image is malformed"})
        if (driverMessage.contains(QLatin1String(text), Qt::CaseInsensitive))
            return true;
    return false;
}

/// The file at a path (symbolic links followed) as the file system sees it.
struct FileLook {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
};

FileLook lookAt(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {true, quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size)};
}

/// The SQLite connection behind Qt's own SQLite driver (null for other drivers, as through ODBC).
sqlite3* sqliteHandle(QSqlDatabase& db) {
    if (db.driverName() != QLatin1String("QSQLITE") || !db.isOpen())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

/// Makes closing the connection leave the database file as it is: by default the last connection
/// to close copies the write-ahead log into the file, which would write pages of the old file into
/// one put in its place, or more into a damaged one. Only Qt's own SQLite driver hands out its
/// handle; through ODBC the log is still copied.
void keepFileOnClose(QSqlDatabase& db) {
    if (sqlite3* connection = sqliteHandle(db))
        sqlite3_db_config(connection, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
}

/// The file of a SQLite connection's main database (empty for an in-memory one).
QString mainDatabaseFile(QSqlDatabase& db) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("PRAGMA database_list")))
        return {};
    while (query.next())
        if (query.value(1).toString() == QLatin1String("main"))
            return query.value(2).toString();
    return {};
}

QString describe(const QString& message, const QString& statement, const QString& driverMessage) {
    QString text = message;
    if (!driverMessage.isEmpty())
        text += QStringLiteral(" [") + driverMessage + u']';
    if (!statement.isEmpty())
        text += QStringLiteral(" in: ") + statement;
    return text;
}

// A connection string may carry a password; error messages show the url without it.
QString withoutSecrets(const QString& url) {
    const QRegularExpression secret(QStringLiteral("\\b(PWD|PASSWORD)\\s*=\\s*(\\{[^}]*\\}|[^;]*)"),
                                    QRegularExpression::CaseInsensitiveOption);
    QString shown = url;
    shown.replace(secret, QStringLiteral("\\1=***"));
    return shown;
}

struct UrlParts {
    QString driver;    // QSQLITE or QODBC
    QString database;  // file name or connection string
};

UrlParts parseUrl(const QString& url) {
    const qsizetype colon = url.indexOf(u':');
    const QString scheme = colon > 0 ? url.left(colon).trimmed().toLower() : QString();
    const QString rest = colon > 0 ? url.mid(colon + 1) : QString();
    const QString shown = withoutSecrets(url);
    if (scheme == QLatin1String("sqlite")) {
        if (rest.trimmed().isEmpty())
            throw DbError(QStringLiteral("Malformed database url \"%1\": the database file is missing "
                                         "(write sqlite:PATH, or sqlite::memory: for a private in-memory database)")
                              .arg(shown));
        return {QStringLiteral("QSQLITE"), rest};
    }
    if (scheme == QLatin1String("odbc")) {
        if (rest.trimmed().isEmpty())
            throw DbError(QStringLiteral("Malformed database url \"%1\": the ODBC connection string is missing "
                                         "(write odbc:DRIVER={...};... or odbc:DSN=...)")
                              .arg(shown));
        return {QStringLiteral("QODBC"), rest};
    }
    throw DbError(
        QStringLiteral("Malformed database url \"%1\": expected sqlite:PATH or odbc:CONNECTION-STRING").arg(shown));
}

bool backendIsSqlite(QSqlDatabase& db) {
    if (db.driverName() == QLatin1String("QSQLITE"))
        return true;
    // SQL Server is recognised by the ODBC driver itself; any other backend is asked for the
    // SQLite version, which only SQLite answers.
    if (db.driver()->dbmsType() == QSqlDriver::MSSqlServer)
        return false;
    QSqlQuery probe(db);
    probe.setForwardOnly(true);
    return probe.exec(QStringLiteral("SELECT sqlite_version()")) && probe.next();
}

// Settings for speed and integrity of the embedded database: write-ahead log on files, fewer
// syncs (safe with the log), and enforced foreign keys (a group's points go with the group).
// The busy timeout comes first: it bounds how long the others wait for another connection's lock.
void tuneSqlite(QSqlDatabase& db, bool inMemory, int busyTimeoutMs) {
    QStringList pragmas{QStringLiteral("PRAGMA busy_timeout = %1").arg(busyTimeoutMs),
                        QStringLiteral("PRAGMA foreign_keys = ON"), QStringLiteral("PRAGMA synchronous = NORMAL")};
    if (!inMemory) {
        pragmas.insert(1, QStringLiteral("PRAGMA journal_mode = WAL"));
        // A log that grew behind a reader is cut back to this once it starts again, so its size
        // says how far the checkpoints are behind (the site link tells a log past its bound).
        pragmas.append(QStringLiteral("PRAGMA journal_size_limit = 16777216"));
    }
    for (const QString& pragma : pragmas) {
        QSqlQuery query(db);
        if (!query.exec(pragma))
            throwQueryError(QStringLiteral("Cannot set up the SQLite database"), pragma, query);
    }
}

// Qt's ODBC driver binds a string that takes more than 254 bytes with its terminator as ntext
// (from 127 characters in UTF-16, fewer in a multi-byte encoding), which SQL Server refuses in a
// comparison ("="). On a server the placeholder of a string that may be that long is sent as
// CAST(? AS NVARCHAR(4000)); a string over 4000 characters stays as it is, since the cast would cut it.
QString withLongTextsAsNVarChar(const QString& sql, const QVariantList& values) {
    const auto isLongText = [](const QVariant& v) {
        if (v.typeId() != QMetaType::QString)
            return false;
        const qsizetype size = v.toString().size();
        return size > 63 && size <= 4000;
    };
    if (std::none_of(values.begin(), values.end(), isLongText))
        return sql;
    QString typed;
    qsizetype copied = 0;
    int index = 0;
    for (const tsql::Token& tok : tsql::tokenize(sql)) {
        if (tok.kind != tsql::TokenKind::Parameter || sql.at(tok.pos) != u'?')
            continue;
        if (index < values.size() && isLongText(values[index])) {
            typed += QStringView(sql).mid(copied, tok.pos - copied);
            typed += QLatin1String("CAST(? AS NVARCHAR(4000))");
            copied = tok.pos + tok.len;
        }
        ++index;
    }
    typed += QStringView(sql).mid(copied);
    return typed;
}

StatementObserver& installedObserver() {
    static StatementObserver observer;
    return observer;
}

/// What a procedure's whole-number output parameter holds until the server writes it.
constexpr int kUnwrittenOutput = std::numeric_limits<int>::min();

// SQL Server answers with a row count for every statement of a batch or procedure that changes
// rows (unless the statement text says SET NOCOUNT ON): the counts ahead of the first result set
// are skipped, so that its rows come through. Returns the last count seen (-1 when none).
int skipLeadingRowCounts(QSqlQuery& query) {
    int affected = -1;
    while (!query.isSelect()) {
        affected = query.numRowsAffected();
        if (!query.nextResult())
            break;
    }
    return affected;
}

// Whether a statement text changes the database, by its first word.
bool changesData(const QString& text) {
    for (const tsql::Token& tok : tsql::tokenize(text)) {
        if (!tok.significant())
            continue;
        for (const char* word : {"INSERT", "UPDATE", "DELETE", "REPLACE", "CREATE", "DROP", "ALTER"})
            if (tok.isWord(text, QLatin1StringView(word)))
                return true;
        return false;
    }
    return false;
}

}  // namespace

DbError::DbError(const QString& message, const QString& statement, const QString& driverMessage, bool damage)
    : std::runtime_error(describe(message, statement, driverMessage).toStdString()), message_(message),
      statement_(statement), driverMessage_(driverMessage), damage_(damage) {}

bool DbError::isBusy() const { return isBusyMessage(driverMessage_); }

bool DbError::isDamage() const { return damage_ || isDamageMessage(driverMessage_); }

void throwQueryError(const QString& message, const QString& statement, const QSqlQuery& query) {
    throw DbError(message, statement, query.lastError().text());
}

Connection::Connection(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

Connection::~Connection() = default;

Connection::Impl::~Impl() {
    // Kept queries go before their database connection does.
    statements->clear();
    if (!db.isValid())
        return;
    closeDatabase();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

std::unique_ptr<Connection> Connection::open(const QString& url) {
    const UrlParts parts = parseUrl(url);
    if (!QSqlDatabase::isDriverAvailable(parts.driver))
        throw DbError(QStringLiteral("The Qt SQL driver %1 is not installed").arg(parts.driver));

    // Every SQLite file is opened through the layer that keeps checkpoints off a copy written over it.
    if (parts.driver == QLatin1String("QSQLITE"))
        sitefile::installFirstPageGuard();
    auto d = std::make_unique<Impl>();
    d->url = url;
    d->name = QStringLiteral("statusobject-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    d->db = QSqlDatabase::addDatabase(parts.driver, d->name);
    d->db.setDatabaseName(parts.database);
    d->inMemory = parts.driver == QLatin1String("QSQLITE") && parts.database.trimmed() == QLatin1String(":memory:");
    if (parts.driver == QLatin1String("QSQLITE") && !d->inMemory) {
        d->watch.path = QFileInfo(parts.database).absoluteFilePath();
        // SQLite takes an empty file for an empty database and writes one into it: an empty file
        // is refused before anything is written to it (any other file that is no database SQLite
        // refuses itself, writing nothing).
        const QFileInfo existing(d->watch.path);
        if (existing.exists() && existing.size() == 0)
            throw DbError(
                QStringLiteral("The file %1 holds no SQLite database; it is left as it is").arg(d->watch.path), {}, {},
                true);
    }
    d->openDatabase();
    return std::unique_ptr<Connection>(new Connection(std::move(d)));
}

void Connection::Impl::openDatabase() {
    if (db.driverName() == QLatin1String("QSQLITE"))
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (!db.open())
        throw DbError(QStringLiteral("Cannot open the database %1").arg(withoutSecrets(url)), {},
                      db.lastError().text());
    compatibility = backendIsSqlite(db);
    if (!compatibility) {
        // SQL Server waits for a lock as long as it takes unless told: bounded as on SQLite.
        setServerLockTimeout();
        return;
    }
    // The SQLite ODBC driver keeps its own lock wait (its Timeout attribute, 100 s unless given)
    // over the busy_timeout pragma: the connection is opened again with the wait set.
    if (db.driverName() == QLatin1String("QODBC") && odbcBaseString.isEmpty()) {
        odbcBaseString = db.databaseName();
        db.close();
        db.setDatabaseName(odbcBaseString + QStringLiteral(";Timeout=%1").arg(busyTimeoutMs));
        if (!db.open())
            throw DbError(QStringLiteral("Cannot open the database %1").arg(withoutSecrets(url)), {},
                          db.lastError().text());
    }
    tuneSqlite(db, inMemory, busyTimeoutMs);
    file = mainDatabaseFile(db);
    if (file.isEmpty())
        return;
    if (watch.path.isEmpty())
        watch.path = file;
    const FileLook look = lookAt(watch.path);
    if (!look.exists)
        throw DbError(QStringLiteral("The database file %1 is not there").arg(watch.path));
    FileWatch fresh;
    fresh.path = watch.path;
    fresh.device = look.device;
    fresh.inode = look.inode;
    watch = std::move(fresh);
    stampsCommits = sqliteHandle(db) != nullptr;
    if (stampsCommits) {
        // Replaces SQLite's own checkpoint after a commit (checkpointWhenDue).
        logFrames = 0;
        sqlite3_wal_hook(
            sqliteHandle(db),
            [](void* impl, sqlite3*, const char*, int frames) {
                static_cast<Impl*>(impl)->logFrames = frames;
                return SQLITE_OK;
            },
            this);
    }
    sqlite3_file* const open = sitefile::openFileOf(sqliteHandle(db));
    noteSound(look.size, sitefile::readHeader(open).value_or(sitefile::Header{}), sitefile::readCheckpointMark(open));
}

void Connection::Impl::checkWhole() {
    if (file.isEmpty())
        return;
    const QString check = QStringLiteral("PRAGMA quick_check");
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(check))
        throw DbError(QStringLiteral("The database file %1 cannot be checked").arg(watch.path), check,
                      query.lastError().text(), isDamageMessage(query.lastError().text()));
    const QString answer = query.next() ? query.value(0).toString() : QString();
    if (answer != QLatin1String("ok"))
        throw DbError(QStringLiteral("The database file %1 is damaged").arg(watch.path), check, answer, true);
}

Connection::FileFault Connection::Impl::fileFails(Connection::FileFault fault, const QString& reason) {
    watch.fault = fault;
    watch.reason = reason;
    return fault;
}

void Connection::Impl::refuseDamagedFile(const QString& sql) const {
    if (watch.fault == Connection::FileFault::Damaged)
        throw DbError(QStringLiteral("The database file %1 is damaged; nothing is read or written until it is whole "
                                     "again")
                          .arg(watch.path),
                      sql, watch.reason, true);
}

void Connection::Impl::refuseFaultyFile(const QString& sql) {
    switch (lookAtFile()) {
    case Connection::FileFault::None: return;
    case Connection::FileFault::Damaged: refuseDamagedFile(sql); return;
    case Connection::FileFault::Replaced:
        throw DbError(QStringLiteral("The database file %1 was removed, replaced or written over while open; nothing "
                                     "more is written to it")
                          .arg(watch.path),
                      sql, watch.reason);
    }
}

Connection::FileFault Connection::fileFault() { return d->lookAtFile(); }

Connection::FileFault Connection::Impl::companionLost(const QString& suffix) {
    QSqlQuery save(db);
    save.setForwardOnly(true);
    const bool saved = suffix == QLatin1String("-wal") && save.exec(QStringLiteral("PRAGMA wal_checkpoint(FULL)")) &&
                       save.next() && save.value(0).toInt() == 0;
    save.finish();
    return fileFails(FileFault::Replaced,
                     QStringLiteral("its %1 file was deleted or replaced%2")
                         .arg(file.section(QLatin1Char('/'), -1) + suffix,
                              saved ? QStringLiteral("; the rows it held are written into the file") : QString()));
}

Connection::FileFault Connection::Impl::lookAtFile() {
    FileWatch& w = watch;
    if (w.path.isEmpty() || w.fault != FileFault::None)
        return w.fault;
    const FileLook now = lookAt(w.path);
    if (!now.exists || now.device != w.device || now.inode != w.inode)
        return fileFails(FileFault::Replaced, QStringLiteral("the path no longer names the file that is open"));
    for (auto [suffix, companion] :
         {std::pair{QStringLiteral("-wal"), &w.wal}, std::pair{QStringLiteral("-shm"), &w.shm}}) {
        if (!db.isOpen())
            break;
        const FileLook seen = lookAt(file + suffix);
        if (!companion->seen) {
            if (seen.exists)
                *companion = {true, seen.device, seen.inode};
        } else if (!seen.exists || seen.device != companion->device || seen.inode != companion->inode) {
            return companionLost(suffix);
        }
    }
    const FileFault fault = compareContent();
    // What the file shows now may no longer tell (the look could not judge it, or knows no newer
    // stamp): a checkpoint that found the first page older than this connection last saw already did.
    const sitefile::FirstPageGuard* guard = sitefile::firstPageGuardOf(sitefile::openFileOf(sqliteHandle(db)));
    if (fault != FileFault::None || guard == nullptr || !guard->refused)
        return fault;
    const qint64 found = guard->refusedStamp;
    return fileFails(FileFault::Replaced,
                     QStringLiteral("another program wrote over the file in place (a checkpoint found %1 in its "
                                    "first page where stamp %2 was last seen, and wrote nothing)")
                         .arg(found < 0 ? QStringLiteral("no database header") : QStringLiteral("stamp %1").arg(found))
                         .arg(guard->floor.load()));
}

Connection::FileFault Connection::Impl::compareContent() {
    using namespace sitefile;
    FileWatch& w = watch;
    sqlite3* const handle = sqliteHandle(db);
    sqlite3_file* const open = openFileOf(handle);
    // The checkpoint record is read before and after the file: a checkpoint that started or ended
    // in between leaves the judgement to the next look.
    const std::optional<CheckpointMark> mark = readCheckpointMark(open);
    const FileLook now = lookAt(w.path);
    const std::optional<Header> header = readHeader(open);
    if (!header || !now.exists) {
        w.settled = false;
        return FileFault::None;  // unreadable for now: the statements say what is wrong
    }
    if (!header->sqlite)
        return fileFails(FileFault::Damaged, QStringLiteral("the file no longer holds a database"));
    const std::optional<quint32> logEnd = readLogEnd(open);
    if (readCheckpointMark(open) != mark) {
        w.settled = false;
        return FileFault::None;
    }
    const bool copying = mark && mark->copying();

    const qint64 counted = header->pageCount * header->pageSize;
    if (header->pageCount > 0 && now.size < counted) {
        const QString cut = QStringLiteral("the file is cut short: %1 bytes of its %2").arg(now.size).arg(counted);
        if (!copying)
            return fileFails(FileFault::Damaged, cut);
        // A checkpoint writes the first page before the pages it counts: cut only when it has not
        // moved on for a while (one that stopped part-way keeps its record).
        const qint64 nowMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count();
        if (w.cutMark == mark && nowMs - w.cutSinceMs >= FileWatch::kConfirmMs)
            return fileFails(FileFault::Damaged, cut);
        if (w.cutMark != mark) {
            w.cutMark = mark;
            w.cutSinceMs = nowMs;
        }
        w.settled = false;
        return FileFault::None;
    }
    w.cutMark.reset();

    // Every commit of this library counts the stamp up, and the change counter never goes back.
    if (w.header.sqlite &&
        (qint32(header->stamp - w.header.stamp) < 0 || header->changeCounter < w.header.changeCounter))
        return fileFails(FileFault::Replaced, QStringLiteral("an older copy of the file was written over it"));

    if (mark) {
        // Once the newest frame of the first page is copied, the file's first page is that frame's.
        // (The index is read after the record: a log started afresh meanwhile is seen by the
        // record read once more.)
        sqlite3_file* const log = logFileOf(handle);
        const std::optional<quint32> pending =
            logEnd ? newestFirstPageFrame(open, mark->backfilled, *logEnd) : std::nullopt;
        const std::optional<quint32> copied =
            pending == 0u ? newestFirstPageFrame(open, 0, mark->backfilled) : std::nullopt;
        const std::optional<QByteArray> last = copied ? firstPageOfFrame(log, *copied, header->pageSize) : std::nullopt;
        if (last && *last != header->bytes && readCheckpointMark(open) == mark)
            return fileFails(FileFault::Replaced, QStringLiteral("another program wrote over the file in place (its "
                                                                 "first page is not the one the log copied last)"));
    }
    if (mark && w.mark && mark->sameGeneration(*w.mark)) {
        // The first page is as at the last look, or a checkpoint since copied it from a frame of
        // the log written since.
        if (header->bytes != w.header.bytes &&
            findFirstPageInLog(open, logFileOf(handle), w.mark->backfilled, qMax(mark->backfilled, mark->attempted),
                               header->pageSize, header->bytes) == LogMatch::NotFound &&
            readCheckpointMark(open) == mark)
            return fileFails(FileFault::Replaced, QStringLiteral("another program wrote over the file in place (its "
                                                                 "first page is none the log copied into it)"));
        // No checkpoint since the last look: nothing has written the file.
        if (*mark == *w.mark && !copying && now.size != w.size)
            return fileFails(FileFault::Replaced, QStringLiteral("another program wrote over the file in place (its "
                                                                 "size changed while no checkpoint ran)"));
    }
    noteSound(now.size, *header, mark);
    return FileFault::None;
}

void Connection::Impl::noteSound(qint64 size, const sitefile::Header& header,
                                 const std::optional<sitefile::CheckpointMark>& mark) {
    watch.size = size;
    watch.header = header;
    watch.mark = mark;
    watch.settled = true;
    // From now on no checkpoint writes its first page over a file whose stamp is older than this.
    if (sitefile::FirstPageGuard* guard = sitefile::firstPageGuardOf(sitefile::openFileOf(sqliteHandle(db)))) {
        guard->floor = header.stamp;
        guard->armed = header.sqlite;
    }
}

void Connection::close() {
    // Kept queries go before the connection they were prepared on; record sets still open give
    // theirs back to the old pool, which goes with the last of them.
    d->statements->clear();
    d->statements = std::make_shared<StatementPool>();
    d->pending = std::make_shared<PendingResults>();
    d->translations.clear();
    d->procedures.clear();
    d->closeDatabase();
}

void Connection::Impl::closeDatabase() {
    if (db.isOpen() && !file.isEmpty() && (lookAtFile() != FileFault::None || !watch.settled))
        keepFileOnClose(db);
    db.close();
}

void Connection::reopen() {
    if (d->inMemory)
        throw DbError(QStringLiteral("A private in-memory database cannot be opened again: its content is gone"));
    close();
    const QString path = d->watch.path;
    if (!path.isEmpty()) {
        // SQLite creates a missing file: an empty site at the path would hide the real one; and
        // it would write a database into an empty file.
        if (!QFileInfo::exists(path))
            throw DbError(QStringLiteral("The database file %1 is not there").arg(path));
        if (QFileInfo(path).size() == 0) {
            d->fileFails(FileFault::Damaged, QStringLiteral("the file is empty"));
            throw DbError(QStringLiteral("The database file %1 is damaged: it is empty").arg(path), {}, {}, true);
        }
    }
    try {
        d->openDatabase();
        d->checkWhole();
    } catch (const DbError& e) {
        // A file that is not whole is left exactly as it is, and refused until a reopen finds it whole.
        keepFileOnClose(d->db);
        d->db.close();
        if (e.isDamage())
            d->fileFails(FileFault::Damaged, e.driverMessage());
        throw;
    }
}

void Connection::Impl::setServerLockTimeout() {
    const QString set = QStringLiteral("SET LOCK_TIMEOUT %1").arg(busyTimeoutMs);
    QSqlQuery query(db);
    if (!query.exec(set))
        throwQueryError(QStringLiteral("Cannot set the lock timeout"), set, query);
}

void Connection::setBusyTimeout(int milliseconds) {
    d->busyTimeoutMs = qMax(0, milliseconds);
    if (!d->db.isOpen())
        return;
    if (!d->compatibility) {
        d->setServerLockTimeout();
        return;
    }
    if (!d->odbcBaseString.isEmpty()) {
        d->db.setDatabaseName(d->odbcBaseString + QStringLiteral(";Timeout=%1").arg(d->busyTimeoutMs));
        reopen();
        return;
    }
    const QString pragma = QStringLiteral("PRAGMA busy_timeout = %1").arg(d->busyTimeoutMs);
    QSqlQuery query(d->db);
    if (!query.exec(pragma))
        throwQueryError(QStringLiteral("Cannot set the busy timeout"), pragma, query);
}

QString Connection::url() const { return d->url; }

bool Connection::usesCompatibilityLayer() const { return d->compatibility; }

QString qtConnectionName(const Connection& connection) { return connection.d->name; }

Recordset Connection::query(const QString& sql) { return std::move(d->run(sql, {}).rows); }

int Connection::execute(const QString& sql) { return d->run(sql, {}).rowsAffected; }

void Connection::beginTransaction() {
    d->wroteInTransaction = false;
    if (d->db.driverName() == QLatin1String("QSQLITE")) {
        // SQLite through Qt's own driver (an ODBC driver ends its transactions itself): the write lock is taken at the
        // start, waiting out another connection's write (the busy timeout). A transaction begun as a reader fails at
        // once, without waiting, when it comes to write after another connection committed meanwhile (the alarm
        // writer's, another desk's, the field's).
        QSqlQuery control(d->db);
        if (!control.exec(QStringLiteral("BEGIN IMMEDIATE")))
            throwQueryError(QStringLiteral("Cannot begin a transaction"), QStringLiteral("BEGIN IMMEDIATE"), control);
        return;
    }
    if (!d->db.transaction())
        throw DbError(QStringLiteral("Cannot begin a transaction"), {}, d->db.lastError().text());
}

void Connection::commit() {
    if (d->wroteInTransaction) {
        // A failure leaves the transaction to be rolled back: nothing reaches the log.
        d->wroteInTransaction = false;
        d->refuseFaultyFile(QStringLiteral("COMMIT"));
        d->stampCommit();
    }
    if (!d->db.commit())
        throw DbError(QStringLiteral("Cannot commit the transaction"), {}, d->db.lastError().text());
    d->checkpointWhenDue();
}

void Connection::rollback() {
    d->wroteInTransaction = false;
    if (!d->db.rollback())
        throw DbError(QStringLiteral("Cannot roll back the transaction"), {}, d->db.lastError().text());
}

bool Connection::isAlive() {
    if (!d->db.isOpen() || fileFault() != FileFault::None)
        return false;
    // SQLite answers "SELECT 1" without reading its file; the schema read finds a file that is no database.
    QSqlQuery probe(d->db);
    probe.setForwardOnly(true);
    if (probe.exec(d->compatibility ? QStringLiteral("SELECT count(*) FROM sqlite_master")
                                    : QStringLiteral("SELECT 1")) &&
        probe.next())
        return true;
    if (isDamageMessage(probe.lastError().text()))
        d->fileFails(FileFault::Damaged, probe.lastError().text());
    return false;
}

bool Connection::canWrite() {
    if (!d->compatibility)
        return isAlive();
    if (!d->db.isOpen())
        return false;
    QSqlQuery query(d->db);
    const auto run = [&query](const QString& sql) { return query.exec(sql); };
    if (!run(QStringLiteral("PRAGMA busy_timeout = 0")))
        return false;
    const bool free = run(QStringLiteral("BEGIN IMMEDIATE"));
    if (free)
        run(QStringLiteral("ROLLBACK"));
    run(QStringLiteral("PRAGMA busy_timeout = %1").arg(d->busyTimeoutMs));
    return free;
}

// --- running statements ---------------------------------------------------------------------

void Connection::Impl::stampCommit() {
    const QString read = QStringLiteral("PRAGMA user_version");
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(read) || !query.next())
        throwQueryError(QStringLiteral("Cannot stamp the commit"), read, query);
    const quint32 next = quint32(query.value(0).toLongLong()) + 1;
    query.finish();
    const QString write = QStringLiteral("PRAGMA user_version = %1").arg(qint32(next));
    if (!query.exec(write))
        throwQueryError(QStringLiteral("Cannot stamp the commit"), write, query);
}

void Connection::Impl::checkpointWhenDue() {
    sqlite3* const handle = sqliteHandle(db);
    if (logFrames < kCheckpointFrames || handle == nullptr)
        return;
    logFrames = 0;
    if (lookAtFile() == FileFault::None && watch.settled)
        sqlite3_wal_checkpoint_v2(handle, "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

RunResult Connection::Impl::stamped(bool writes, const std::function<RunResult()>& body) {
    sqlite3* const handle = sqliteHandle(db);
    if (!writes || !stampsCommits || handle == nullptr)
        return body();
    if (sqlite3_get_autocommit(handle) == 0) {
        wroteInTransaction = true;
        return body();
    }
    refuseFaultyFile(QString());
    QSqlQuery control(db);
    if (!control.exec(QStringLiteral("BEGIN IMMEDIATE")))
        throwQueryError(QStringLiteral("Cannot begin a transaction"), QStringLiteral("BEGIN IMMEDIATE"), control);
    try {
        RunResult result = body();
        stampCommit();
        if (!control.exec(QStringLiteral("COMMIT")))
            throwQueryError(QStringLiteral("Cannot commit the transaction"), QStringLiteral("COMMIT"), control);
        checkpointWhenDue();
        return result;
    } catch (...) {
        control.exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

tsql::Translation Connection::Impl::translate(const QString& sql) {
    if (const tsql::Translation* cached = translations.object(sql))
        return *cached;
    tsql::Translation translation = tsql::translate(sql);
    translations.insert(sql, new tsql::Translation(translation));
    return translation;
}

std::optional<QSqlQuery> StatementPool::take(const QString& text) {
    const auto it = idle_.find(text);
    if (it == idle_.end())
        return std::nullopt;
    std::optional<QSqlQuery> query(std::move(it->second));
    idle_.erase(it);
    return query;
}

void StatementPool::giveBack(const QString& text, QSqlQuery&& query) {
    if (idle_.size() >= kMaxStatements)
        idle_.clear();
    idle_.emplace(text, std::move(query));  // a text already kept keeps its query
}

void Connection::Impl::runOne(const QString& text, const QVariantList& values, RunResult& result,
                              const QString& statementForErrors) {
    // Statements with bound values are prepared once and kept (StatementPool).
    const bool bound = !values.isEmpty();
    std::optional<QSqlQuery> kept = bound ? statements->take(text) : std::nullopt;
    const bool reused = kept.has_value();
    QSqlQuery query = reused ? std::move(*kept) : QSqlQuery(db);
    if (!reused)
        query.setForwardOnly(true);
    auto fail = [&](const char* what) {
        // A statement that found the file damaged stops this connection using it.
        if (!file.isEmpty() && isDamageMessage(query.lastError().text()))
            fileFails(Connection::FileFault::Damaged, query.lastError().text());
        QString message = QString::fromLatin1(what);
        if (text != statementForErrors)
            message += QStringLiteral(" (sent to the database as: %1)").arg(text);
        throwQueryError(message, statementForErrors, query);
    };
    if (!bound) {
        if (!query.exec(text))
            fail("The statement failed");
    } else {
        const auto execute = [&] {
            for (int i = 0; i < values.size(); ++i)
                query.bindValue(i, values[i]);
            return query.exec();
        };
        bool done = reused && execute();
        // Another connection's lock is no stale statement: preparing it again would only wait twice.
        if (!done && reused && isBusyMessage(query.lastError().text()))
            fail("The statement failed");
        if (!done && reused) {
            // A kept statement can go stale (its connection was closed and opened under it): the
            // kept ones are dropped and this one is prepared afresh.
            statements->clear();
            query = QSqlQuery(db);
            query.setForwardOnly(true);
        }
        if (!done) {
            if (!query.prepare(text))
                fail("The statement cannot be prepared");
            if (!execute())
                fail("The statement failed");
        }
    }
    int affected = -1;
    if (!compatibility) {
        affected = skipLeadingRowCounts(query);
        if (query.lastError().type() != QSqlError::NoError)
            fail("The statement failed");
    } else if (!query.isSelect()) {
        affected = query.numRowsAffected();
    }
    if (query.isSelect()) {
        auto rows = std::make_unique<Recordset::Impl>(std::move(query), statementForErrors, pending);
        if (bound) {
            rows->pool = statements;
            rows->pooledText = text;
        }
        result.rows = Recordset(std::move(rows));
    } else {
        result.rowsAffected = affected;
        if (bound) {
            query.finish();
            statements->giveBack(text, std::move(query));
        }
    }
}

StatementObserver setStatementObserver(StatementObserver observer) {
    std::swap(installedObserver(), observer);
    return observer;
}

void Connection::Impl::checkNothingPending(const QString& sql) const {
    if (pending->count > 0)
        throw DbError(QStringLiteral("A statement was sent while the rows of \"%1\" were still being read: a "
                                     "connection serves one result at a time (read the record set to its end, "
                                     "close it or read it all first)")
                          .arg(pending->statement),
                      sql);
}

RunResult Connection::Impl::run(const QString& sql, const QVariantList& values) {
    if (const StatementObserver& observer = installedObserver())
        observer({sql, values, false, {}});
    checkNothingPending(sql);
    refuseDamagedFile(sql);
    RunResult result;
    if (!compatibility) {
        runOne(withLongTextsAsNVarChar(sql, values), values, result, sql);
        return result;
    }
    const tsql::Translation translation = translate(sql);
    if (translation.call) {
        if (!values.isEmpty())
            throw DbError(QStringLiteral("A procedure call written as text takes its arguments from the text, "
                                         "not from bound values"),
                          sql);
        return runEmbeddedProcedure(translation.call->name, translation.call->arguments, nullptr, sql);
    }
    qsizetype placeholders = 0;
    for (const tsql::SqlStatement& statement : translation.statements)
        placeholders += statement.placeholders;
    if (placeholders != values.size())
        throw DbError(QStringLiteral("The statement has %1 \"?\" placeholders but %2 values are bound")
                          .arg(placeholders)
                          .arg(values.size()),
                      sql);
    if (translation.touchesProcedureTable)
        procedures.clear();
    const bool writes = std::any_of(translation.statements.begin(), translation.statements.end(),
                                    [](const tsql::SqlStatement& statement) { return changesData(statement.text); });
    return stamped(writes, [&] {
        qsizetype offset = 0;
        for (const tsql::SqlStatement& statement : translation.statements) {
            runOne(statement.text, values.mid(offset, statement.placeholders), result, sql);
            offset += statement.placeholders;
        }
        return std::move(result);
    });
}

RunResult Connection::Impl::callProcedure(const QString& name, const QVariantList& arguments,
                                          const QVector<ParamDirection>& directions, QVariantList* outputs) {
    if (const StatementObserver& observer = installedObserver())
        observer({name, arguments, true, directions});
    checkNothingPending(name);
    refuseDamagedFile(name);
    // The name must be a (possibly qualified, possibly bracketed) name and nothing else.
    const QVector<tsql::Token> tokens = tsql::tokenize(name);
    QStringList parts;
    bool expectName = true;
    for (const tsql::Token& tok : tokens) {
        if (!tok.significant())
            continue;
        const bool isName = tok.kind == tsql::TokenKind::Identifier || tok.kind == tsql::TokenKind::QuotedName;
        if (expectName && isName)
            parts.append(tsql::nameValue(name, tok));
        else if (expectName || !tok.isPunct(name, u'.'))
            throw DbError(QStringLiteral("Not a procedure name: %1").arg(name), name);
        expectName = !expectName;
    }
    if (parts.isEmpty() || expectName)
        throw DbError(QStringLiteral("Not a procedure name: %1").arg(name), name);
    if (compatibility)
        return runEmbeddedProcedure(parts.last(), arguments, outputs, name);
    return runServerProcedure(name.trimmed(), arguments, directions, outputs);
}

RunResult Connection::Impl::runEmbeddedProcedure(const QString& name, const QVariantList& arguments,
                                                 QVariantList* outputs, const QString& statementForErrors) {
    const Procedure procedure = procedures.find(db, name);
    if (arguments.size() > procedure.parameters.size())
        throw DbError(QStringLiteral("Procedure %1 takes %2 arguments; %3 were given")
                          .arg(procedure.name)
                          .arg(procedure.parameters.size())
                          .arg(arguments.size()),
                      statementForErrors);
    QVariantList values = arguments;
    values.resize(procedure.parameters.size());

    const bool writes = std::any_of(procedure.body.begin(), procedure.body.end(),
                                    [](const ProcedureStatement& statement) { return changesData(statement.text); });
    RunResult result = stamped(writes, [&] {
        RunResult ran;
        for (const ProcedureStatement& statement : procedure.body) {
            QVariantList bound;
            bound.reserve(statement.bindings.size());
            for (int index : statement.bindings)
                bound.append(values[index]);
            runOne(statement.text, bound, ran, statementForErrors);
        }
        return ran;
    });
    if (outputs) {
        *outputs = values;
        for (int i = 0; i < procedure.parameters.size(); ++i) {
            if (!procedure.parameters[i].output)
                continue;
            const int field = result.rows.fieldIndex(procedure.parameters[i].name);
            if (field < 0)
                throw DbError(QStringLiteral("Procedure %1 returns no column %2 for its output parameter")
                                  .arg(procedure.name, procedure.parameters[i].name),
                              statementForErrors);
            (*outputs)[i] = result.rows.eof() ? QVariant() : result.rows.field(field);
        }
    }
    return result;
}

RunResult Connection::Impl::runServerProcedure(const QString& name, const QVariantList& arguments,
                                               const QVector<ParamDirection>& directions, QVariantList* outputs) {
    QStringList marks;
    for (qsizetype i = 0; i < arguments.size(); ++i)
        marks.append(QStringLiteral("?"));
    const QString call = QStringLiteral("{CALL %1(%2)}").arg(name, marks.join(u','));
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(call))
        throwQueryError(QStringLiteral("The procedure call cannot be prepared"), call, query);
    for (int i = 0; i < arguments.size(); ++i) {
        const bool output = i < directions.size() && directions[i] == ParamDirection::Output;
        QVariant value = arguments[i];
        if (output) {
            // Qt's ODBC driver keeps a whole number's storage where the server writes the output
            // after the last result, but hands the driver no Null indicator (a bound Null would
            // get one that does not outlive exec()). The output is bound with a mark instead: a
            // Null coming back leaves it there (or is the driver's error), and reads as Null.
            if (value.typeId() != QMetaType::Int)
                throw DbError(QStringLiteral("Output parameter %1 of a procedure must be a whole number").arg(i + 1),
                              call);
            value = kUnwrittenOutput;
        }
        query.bindValue(i, value, output ? QSql::Out : QSql::In);
    }
    if (!query.exec())
        throwQueryError(QStringLiteral("The procedure call failed"), call, query);

    // The server sends output parameters after the last result: every result is read first. The
    // first one with columns is the procedure's rows (read into memory); row counts and any
    // later result sets are passed over.
    RunResult result;
    bool haveRows = false;
    do {
        if (!query.isSelect()) {
            result.rowsAffected = query.numRowsAffected();
        } else if (!haveRows) {
            result.rows = Recordset(std::make_unique<Recordset::Impl>(QSqlQuery(query), call, nullptr));
            haveRows = true;
        }
    } while (query.nextResult());
    if (query.lastError().type() != QSqlError::NoError)
        throwQueryError(QStringLiteral("The procedure call failed"), call, query);
    if (outputs) {
        outputs->clear();
        for (int i = 0; i < arguments.size(); ++i) {
            const QVariant value = query.boundValue(i);
            const bool unwritten =
                i < directions.size() && directions[i] == ParamDirection::Output && value == QVariant(kUnwrittenOutput);
            outputs->append(unwritten ? QVariant() : value);
        }
    }
    return result;
}

}  // namespace so::db
