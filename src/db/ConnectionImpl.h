// Inside of db::Connection and db::Recordset: the Qt SQL connection, the statement runner with the
// T-SQL compatibility layer, and the procedure catalogue of an embedded site database.
#pragma once

#include "db/ProcedureCatalog.h"
#include "db/SiteFileLook.h"
#include "db/TSqlRewriter.h"

#include <statusobject/Db.h>

#include <QCache>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

namespace so::db {

/// Prepared statements kept for their next run, one idle query per statement text. Preparing a
/// joined statement costs SQLite several times what running it does, and the same few statements
/// run once per row of a fill or once per report (a module's row, a threat level's name). A query
/// comes back when its record set closes; one still being read is never handed out twice.
class StatementPool {
public:
    /// More statement texts than this and the pool starts afresh (the texts with bound values are
    /// the component's own, so this bound is never reached in normal use).
    static constexpr std::size_t kMaxStatements = 256;

    /// The idle query prepared with `text`, if one is kept.
    std::optional<QSqlQuery> take(const QString& text);
    /// Keeps a finished query for the next run of `text`.
    void giveBack(const QString& text, QSqlQuery&& query);
    void clear() { idle_.clear(); }

private:
    std::unordered_map<QString, QSqlQuery> idle_;  // Qt's seeded std::hash<QString>
};

/// The record sets of one connection that still have rows: the connection is busy with them.
struct PendingResults {
    int count = 0;
    QString statement;  // the latest one's, for the error that names it
};

// Hidden: a nested class would take the exported visibility of the class it is declared in.
struct __attribute__((visibility("hidden"))) Recordset::Impl {
    /// A record set over the query's current result. With `pending` it reads row by row from the
    /// query and is counted there while it has rows left; without, every row is read at once
    /// (the query may go on to its next result afterwards).
    Impl(QSqlQuery&& query, const QString& statement, std::shared_ptr<PendingResults> pending);
    /// Gives a pooled query back to its connection's pool (when the connection still exists).
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    QSqlQuery query;
    /// Set when the query came from (or goes to) a statement pool: the pool and the prepared text.
    std::weak_ptr<StatementPool> pool;
    QString pooledText;
    QString statement;
    QStringList names;
    /// Field index by lower-case name, plus every spelling asked for (so that a fill reading the
    /// same names row after row does one hash lookup per field).
    mutable QHash<QString, int> index;
    bool eof = true;
    /// Rows read ahead (readAll(), procedure results), row by row; `row` is the current one.
    bool buffered = false;
    QVector<QVariant> cells;
    qsizetype row = 0;
    std::shared_ptr<PendingResults> pending;
    bool counted = false;

    void fetch();
    /// Moves the current row and every following one of the query into `cells`.
    void readRemaining();
    /// No longer counts this record set as pending on its connection.
    void release();
};

/// What a connection knows of its database file, to tell when the file at its path is no longer
/// the one it opened or is damaged (Connection::fileFault). Each look compares the file with what
/// SQLite itself last wrote into it: in write-ahead mode only a checkpoint writes the file, and every
/// commit of this library's connections carries a new stamp on the first page, so the first page a
/// checkpoint copied from the log names the file's content exactly. Each sound look also tells the
/// file layer the stamp it found (SiteFileGuard): no checkpoint writes its first page over an older one.
struct FileWatch {
    /// A file shorter than its header says while a checkpoint is copying is taken as cut only when
    /// a look at least kConfirmMs later sees the same checkpoint record (a checkpoint writes the
    /// first page before the pages it counts; one that stopped part-way leaves its record so).
    static constexpr qint64 kConfirmMs = 1000;

    /// The path the url names (its links followed at every look), or the file SQLite opened.
    QString path;
    quint64 device = 0;
    quint64 inode = 0;
    /// As at the last look that found nothing wrong.
    qint64 size = 0;
    sitefile::Header header;
    std::optional<sitefile::CheckpointMark> mark;
    /// False while the last look could not judge the file (a checkpoint moved meanwhile, or the
    /// file looked cut while one was copying): closing then leaves the file as it is.
    bool settled = true;
    /// The checkpoint record under which the file first looked cut while a checkpoint was copying.
    std::optional<sitefile::CheckpointMark> cutMark;
    qint64 cutSinceMs = 0;  // steady clock
    /// Kept until the connection is opened again.
    Connection::FileFault fault = Connection::FileFault::None;
    QString reason;
    /// The write-ahead log and its index (-wal, -shm) as first seen open. SQLite keeps both open:
    /// once either is deleted or another file takes its path, another process opening the site
    /// starts a log of its own beside the one this connection writes.
    struct Companion {
        bool seen = false;
        quint64 device = 0;
        quint64 inode = 0;
    };
    Companion wal;
    Companion shm;
};

/// What running a statement text gives: its last row set (empty when none) and the rows affected
/// by its last statement that returns no rows (-1 when not known or none).
struct RunResult {
    Recordset rows;
    int rowsAffected = -1;
};

// Hidden: a nested class would take the exported visibility of the class it is declared in.
struct __attribute__((visibility("hidden"))) Connection::Impl {
    ~Impl();

    QString url;
    QString name;  // the Qt connection name, unique per open
    QSqlDatabase db;
    bool compatibility = false;
    bool inMemory = false;
    int busyTimeoutMs = Connection::kDefaultBusyTimeoutMs;
    /// The database file of a SQLite backend as SQLite names it (empty otherwise).
    QString file;
    FileWatch watch;
    /// Every commit that changes the file stamps its first page (see stamped()): SQLite file
    /// connections of Qt's own driver.
    bool stampsCommits = false;
    /// The open transaction has changed something: commit() stamps it.
    bool wroteInTransaction = false;
    /// Frames in the write-ahead log after the last commit (SQLite's log hook). Past
    /// kCheckpointFrames the commit copies the log into the file, after a look at the file finds it
    /// sound: SQLite's own checkpoint after a commit, which would copy it into whatever file is at
    /// hand, is off.
    int logFrames = 0;
    static constexpr int kCheckpointFrames = 1000;
    void checkpointWhenDue();
    /// The connection string of a SQLite ODBC backend without the lock wait added to it.
    QString odbcBaseString;

    /// Opens db, detects the backend, sets SQLite up and starts watching the file.
    void openDatabase();
    /// SET LOCK_TIMEOUT busyTimeoutMs on a server connection.
    void setServerLockTimeout();
    /// Runs SQLite's quick check; throws a damage DbError when the file is not whole.
    void checkWhole();
    /// Sets the file's fault (kept until a reopen) and returns it.
    Connection::FileFault fileFails(Connection::FileFault fault, const QString& reason);
    /// Looks at the file under the connection (Connection::fileFault).
    Connection::FileFault lookAtFile();
    /// Compares the file's header and size with what SQLite last wrote into it (lookAtFile).
    Connection::FileFault compareContent();
    /// Remembers the file as sound.
    void noteSound(qint64 size, const sitefile::Header& header, const std::optional<sitefile::CheckpointMark>& mark);
    /// The -wal or -shm no longer the one open: what the log holds is written into the file
    /// (still the one open), then the connection stops using either.
    Connection::FileFault companionLost(const QString& suffix);
    /// Closes db. The last connection to close copies the write-ahead log into the file: that
    /// happens only when a fresh look finds the file sound and nothing odd about it (never into
    /// a damaged file, one put in its place, or beside a log that is no longer its own).
    void closeDatabase();
    /// Throws when the file is known damaged: nothing is read from or written to it.
    void refuseDamagedFile(const QString& sql) const;
    /// Looks at the file before a write: throws when it is damaged, replaced or written over.
    void refuseFaultyFile(const QString& sql);
    ProcedureCatalog procedures;
    /// Recent statement texts and their translations (statements repeat: fills, refreshes).
    QCache<QString, tsql::Translation> translations{512};
    /// Prepared statements with bound values, kept for reuse.
    std::shared_ptr<StatementPool> statements = std::make_shared<StatementPool>();
    std::shared_ptr<PendingResults> pending = std::make_shared<PendingResults>();

    /// Counts the file's stamp (the header's user version) up inside the open write transaction.
    /// The first page then changes with every commit, and a checkpoint that copies any commit
    /// copies a first page that names it: the file's content is known by its first page.
    void stampCommit();
    /// Runs body, which changes the database when `writes`: outside a transaction as one
    /// transaction with the stamp; inside one, the stamp is left to commit().
    RunResult stamped(bool writes, const std::function<RunResult()>& body);
    /// Runs a statement text (or a procedure call written as text) with the values bound, in
    /// order, to its "?" placeholders.
    RunResult run(const QString& sql, const QVariantList& values);
    /// Runs the procedure `name` with `arguments` bound to its parameters in order (missing ones
    /// NULL). `outputs` receives the values of the output parameters, in parameter order.
    RunResult callProcedure(const QString& name, const QVariantList& arguments,
                            const QVector<ParamDirection>& directions, QVariantList* outputs);

private:
    /// Throws when a record set of this connection still has rows (see Recordset).
    void checkNothingPending(const QString& sql) const;
    tsql::Translation translate(const QString& sql);
    RunResult runEmbeddedProcedure(const QString& name, const QVariantList& arguments, QVariantList* outputs,
                                   const QString& statementForErrors);
    RunResult runServerProcedure(const QString& name, const QVariantList& arguments,
                                 const QVector<ParamDirection>& directions, QVariantList* outputs);
    /// Runs one statement; a row set replaces `result.rows`, otherwise sets `result.rowsAffected`.
    void runOne(const QString& text, const QVariantList& values, RunResult& result, const QString& statementForErrors);
};

/// Throws a DbError with the query's driver message.
[[noreturn]] void throwQueryError(const QString& message, const QString& statement, const QSqlQuery& query);

}  // namespace so::db
