// The database session behind one connection of the SQL Server-like test driver.
//
// Data lives in SQLite (a file named by Database=, or a private in-memory database). Statement
// texts are SQL Server's: the project's T-SQL rewriter turns them into SQLite, and procedure calls
// (`{CALL name(?, ...)}`, `EXEC name args`, `name args`) run the bodies kept in the site's
// procedure table. What SQL Server does differently from SQLite, the session does too:
// - every statement of a batch gives its own result: a row set, or the row count of an INSERT,
//   UPDATE or DELETE (none under SET NOCOUNT ON); inside a procedure as well, so a procedure that
//   writes before its final SELECT returns row counts first;
// - a procedure's output parameters are set by a SELECT whose columns are all named like output
//   parameters (SQL Server's `SELECT @Out = ...`); that SELECT returns no row set;
// - a string longer than its column's declared (N)VARCHAR/(N)CHAR length is refused;
// - text stored into a DATETIME column is read in the session's date order (LANGUAGE=dmy reads
//   "2024-03-05 10:00:00" as 3 May), an impossible date is refused;
// - a parameter bound as a long type (ntext, text, image) is refused in a comparison;
// - with CaseSensitive=yes (a case-sensitive collation), a table, column or procedure name
//   spelled in another letter case than the schema's is unknown;
// - SQLite's own functions named sqlite_* do not exist;
// - a text that is not T-SQL (TSqlCheck.h) is refused before anything is rewritten; T-SQL's
//   built-ins and forms the component's rewriter leaves alone run (ServerFunctions.h);
// - SET LOCK_TIMEOUT bounds the wait for another connection's lock (5 s until set), and a wait
//   that runs out fails as the server's error 1222.
// Statements of a batch are separated by ";".
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>
#include <stdexcept>

struct sqlite3;

namespace so::db {
struct Procedure;
namespace tsql {
struct Token;
}
}  // namespace so::db

namespace so::sqlserverdriver {

struct Value {
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind = Kind::Null;
    qint64 integer = 0;
    double real = 0;
    QString text;
    QByteArray blob;

    static Value ofInteger(qint64 v) { return {Kind::Integer, v, 0, {}, {}}; }
    static Value ofReal(double v) { return {Kind::Real, 0, v, {}, {}}; }
    static Value ofText(const QString& v) { return {Kind::Text, 0, 0, v, {}}; }
    static Value ofBlob(const QByteArray& v) { return {Kind::Blob, 0, 0, {}, v}; }
    bool isNull() const { return kind == Kind::Null; }
};

/// A result column as SQL Server describes it: ODBC SQL type, column size, decimal digits.
struct Column {
    QString name;
    short sqlType = 0;
    quint64 size = 0;
    short digits = 0;
    QString table;  // the table of a column read from one, else empty
};

/// One result of a batch: a row set (columns set) or a row count (no columns).
struct Result {
    QVector<Column> columns;
    QVector<QVector<Value>> rows;
    qint64 rowCount = -1;
    bool isRowSet() const { return !columns.isEmpty(); }
};

/// An error as the server reports it: SQLSTATE, native error number and message.
struct ServerError : std::runtime_error {
    ServerError(const char* state, int native, const QString& message)
        : std::runtime_error(message.toStdString()), state(state), native(native), message(message) {}
    const char* state;
    int native;
    QString message;
};

enum class DateOrder { MonthDayYear, DayMonthYear };

struct Execution {
    QVector<Result> results;
    /// For each parameter of the batch: the value an output parameter received (NULL when the
    /// procedure set none); entries of input parameters stay NULL.
    QVector<Value> outputs;
};

struct BoundParameter {
    Value value;
    bool output = false;
    /// Bound as text, ntext or image (a long type): the server refuses to compare it.
    bool longType = false;
};

class Session {
public:
    /// Opens the session for the attributes of a connection string (Database=, LANGUAGE=,
    /// CaseSensitive=).
    /// Throws ServerError when the database cannot be opened.
    explicit Session(const QString& connectionString);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// Runs a batch with its "?" parameters. Throws ServerError; the results of the statements
    /// before a failing one are dropped (their changes stay, as on the server).
    Execution execute(const QString& batch, const QVector<BoundParameter>& parameters);

    /// The catalogue as SQLTables and SQLColumns give it: tables (and views) whose name matches
    /// the LIKE pattern, columns of those tables whose name matches theirs.
    Result tables(const QString& tablePattern);
    Result columns(const QString& tablePattern, const QString& columnPattern);

    void setAutocommit(bool on);
    bool autocommit() const { return autocommit_; }
    /// Commits or rolls back the open transaction (nothing when none is open).
    void endTransaction(bool commit);

    DateOrder dateOrder() const { return dateOrder_; }

private:
    struct Batch;
    void runStatement(const QString& text, const QVector<Value>& values, Batch& batch, bool nocount,
                      const db::Procedure* procedure, QVector<Value>* procedureValues);
    void runProcedure(const QString& name, QVector<Value> arguments, const QVector<int>& parameterOf, Batch& batch);
    bool applySet(const QString& text, bool* nocount);
    void beginIfNeeded();
    void installGuards();
    void checkLetterCase(const QString& sql, const QVector<db::tsql::Token>& tokens, int first, int last) const;
    void exec(const QString& sql);
    QStringList tableNames(const QString& pattern, bool views);

    sqlite3* db_ = nullptr;
    bool autocommit_ = true;
    bool nocount_ = false;
    bool caseSensitive_ = false;
    /// Table and column names by their lower-case form: the spellings the schema has.
    QHash<QString, QStringList> names_;
    DateOrder dateOrder_ = DateOrder::MonthDayYear;
};

/// Reads a date and time text as SQL Server reads it into DATETIME under `order`: ISO 8601
/// ("2024-03-05T10:00:00[.fff]") and "yyyyMMdd[ HH:mm:ss]" the same under every order; dashed,
/// slashed or dotted dates with the year first as year-month-day (year-day-month under
/// day-month-year), with the year last as month-day-year or day-month-year. Gives ISO 8601 with
/// milliseconds; throws ServerError for a text that is no date or an impossible one.
QString toDateTime(const QString& text, DateOrder order);

}  // namespace so::sqlserverdriver
