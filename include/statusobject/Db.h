// The site database connection the component runs every statement on.
//
// A connection is named by a URL-like text:
//   sqlite:PATH               the embedded site database (sqlite::memory: for a private in-memory one)
//   odbc:CONNECTION-STRING    a site database reached through unixODBC (SQL Server, or any driver)
//
// The component writes SQL Server statements. Against a SQL Server they pass through unchanged;
// against SQLite (directly or through an ODBC driver for SQLite) a T-SQL compatibility layer
// rewrites them and runs the stored procedures kept in the embedded site database.
#pragma once

#include <statusobject/Export.h>

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>
#include <stdexcept>

namespace so::db {

class Connection;
struct RunResult;

/// The name of the Qt SQL connection under a Connection (QSqlDatabase::database(name)), for code
/// that writes the same database through Qt SQL inside the connection's transaction: the embedded
/// site's schema and demo generator. What runs that way is outside the rules of this header.
STATUSOBJECT_EXPORT QString qtConnectionName(const Connection& connection);

/// Every failure of the database layer: carries the statement and the driver's message.
class STATUSOBJECT_EXPORT DbError : public std::runtime_error {
public:
    /// A failure described by message, of statement (empty when none ran), with the driver's text;
    /// damage: the failure is the file's damage (see isDamage()) whatever the driver said.
    DbError(const QString& message, const QString& statement = {}, const QString& driverMessage = {},
            bool damage = false);
    /// What failed.
    QString message() const { return message_; }
    /// The statement that failed; empty when the failure came before one ran.
    QString statement() const { return statement_; }
    /// The database driver's own message.
    QString driverMessage() const { return driverMessage_; }
    /// True when the statement failed because another connection holds a lock it needed (the
    /// database is busy, not gone): waiting or trying again later can succeed.
    bool isBusy() const;
    /// True when the database says its file is not a database or is damaged: nothing written to
    /// it can be trusted until the file is whole again.
    bool isDamage() const;

private:
    QString message_;
    QString statement_;
    QString driverMessage_;
    bool damage_ = false;
};

/// Declared type of a command parameter (what the site database is told; values are bound as given).
enum class ParamType { Integer, SmallInt, TinyInt, VarChar, NVarChar, Boolean, Double, DateTime };
/// Whether a parameter carries a value in or, for a stored procedure, one back out.
enum class ParamDirection { Input, Output };

/// A parameter of a Command, bound to its "?" in order.
struct Parameter {
    QString name;                                      ///< "@Address", "@GroupID" ...
    ParamType type = ParamType::VarChar;               ///< declared type
    ParamDirection direction = ParamDirection::Input;  ///< in or out
    int size = 0;                                      ///< declared size of a text (0: any)
    QVariant value;                                    ///< the value bound, or read back
};

/// A forward-only, read-only record set. Usage:
///   for (auto rs = conn.query(sql); !rs.eof(); rs.moveNext()) { rs.field("Name") ... }
/// Fields are read by name (case-insensitive, as the site's SQL Server is) or by position; a Null
/// field reads as an invalid QVariant (isNull() is true). Reading a field that the result has not is a DbError.
///
/// A connection serves one result at a time (SQL Server refuses a statement while another one's
/// rows are still pending): while a record set has rows left, sending another statement on its
/// connection is a DbError, on every backend alike. A record set frees its connection when read
/// to its end, closed or destroyed; readAll() frees it at once for a caller that must query again
/// while it reads.
class STATUSOBJECT_EXPORT Recordset {
public:
    Recordset();
    ~Recordset();
    /// Takes over other's rows; other is left closed.
    Recordset(Recordset&&) noexcept;
    /// Takes over other's rows; other is left closed.
    Recordset& operator=(Recordset&&) noexcept;

    /// True past the last row (and for a record set without rows).
    bool eof() const;
    /// Goes to the next row.
    void moveNext();
    /// Number of columns.
    int fieldCount() const;
    /// Name of column index.
    QString fieldName(int index) const;
    /// Position of the column of that name; -1 when absent.
    int fieldIndex(const QString& name) const;
    /// The current row's value of the column of that name.
    QVariant field(const QString& name) const;
    /// The current row's value of column index.
    QVariant field(int index) const;
    /// True when the current row's value of that column is Null.
    bool isNull(const QString& name) const;
    /// Frees the connection; the record set reads as at its end.
    void close();
    /// Reads the remaining rows into memory and frees the connection; the record set is read as
    /// before, from its current row.
    void readAll();
    /// Goes back to the first row read into memory by readAll(); DbError for a record set that
    /// was not read into memory.
    void moveFirst();

private:
    friend class Connection;
    struct Impl;
    explicit Recordset(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

/// A prepared text command with "?" placeholders bound, in order, to the parameters appended.
/// Also used for stored procedure calls (setProcedure), where parameters map to the procedure's
/// arguments in order and output parameters are read back with parameterValue() after execute().
class STATUSOBJECT_EXPORT Command {
public:
    /// A command on connection (which must outlive it) with text.
    explicit Command(Connection& connection, const QString& text = {});
    ~Command();

    /// Replaces the command's text.
    void setText(const QString& text);
    /// The command's text.
    QString text() const { return text_; }
    /// Marks the command text as a stored procedure name.
    void setProcedure(bool isProcedure) { procedure_ = isProcedure; }
    /// True when the text names a stored procedure.
    bool isProcedure() const { return procedure_; }

    /// Adds a parameter, bound to the next "?" (or the procedure's next argument).
    void appendParameter(const QString& name, ParamType type, ParamDirection direction, int size,
                         const QVariant& value = {});
    /// Number of parameters.
    int parameterCount() const { return int(parameters_.size()); }
    /// Removes parameter index.
    void deleteParameter(int index);
    /// Parameter index, to change its value before the next run.
    Parameter& parameter(int index) { return parameters_[index]; }
    /// The value of the parameter of that name (an output parameter's after execute()).
    QVariant parameterValue(const QString& name) const;

    /// Runs the command and returns its rows.
    Recordset open();
    /// Runs the command; returns the number of rows affected (-1 when not known).
    int execute();

private:
    RunResult run();

    Connection& connection_;
    QString text_;
    bool procedure_ = false;
    QVector<Parameter> parameters_;
};

/// One open connection to the site database.
class STATUSOBJECT_EXPORT Connection {
public:
    /// Opens the connection named by url (see above). Throws DbError for a malformed or unusable url.
    static std::unique_ptr<Connection> open(const QString& url);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    /// The url the connection was opened with.
    QString url() const;
    /// True when statements go through the T-SQL compatibility layer (SQLite behind the connection).
    bool usesCompatibilityLayer() const;

    /// A forward-only, read-only record set of a statement or a procedure call written as text.
    Recordset query(const QString& sql);
    /// Runs a statement (or a procedure call written as text); returns the rows affected or -1.
    int execute(const QString& sql);

    /// Starts a transaction (see Transaction).
    void beginTransaction();
    /// Commits the transaction.
    void commit();
    /// Rolls the transaction back.
    void rollback();

    /// How long a statement waits for a lock another connection holds before it fails as busy.
    static constexpr int kDefaultBusyTimeoutMs = 200;

    /// What can be wrong with the database file under a connection, seen without trusting SQLite.
    enum class FileFault {
        None,
        /// The path no longer names the file that is open: deleted, moved away, renamed over, its
        /// symbolic link pointed elsewhere, or another program wrote over the file in place.
        /// SQLite keeps using what it has open, so every later write would be lost or mixed.
        Replaced,
        /// The file is no database, is shorter than its own header says, or a statement found it
        /// damaged: statements on this connection fail without touching it until a reopen finds
        /// the file whole.
        Damaged,
    };
    /// The file's state now (None for databases that are no file). Cheap (a few stats and small
    /// reads through SQLite's own handles), so the link's check asks every second and every write
    /// of a SQLite file connection looks first.
    FileFault fileFault();
    /// True while the connection answers (a trivial query succeeds) and, for a database file,
    /// fileFault() finds nothing wrong.
    bool isAlive();
    /// Closes the connection and opens it again with the same url; kept prepared statements and
    /// translations are dropped. A database file is opened only when a file is at its path again
    /// (never created afresh) and passes SQLite's quick check. Throws DbError when it cannot be
    /// opened or is damaged (isDamage()); the connection is then closed.
    void reopen();
    /// True when a write could start now (no other connection holds the write lock); never waits.
    /// For databases other than SQLite: isAlive().
    bool canWrite();
    /// Closes the connection; every statement fails until reopen().
    void close();
    /// Sets how long a statement waits for another connection's lock: SQLite's busy timeout, SQL
    /// Server's LOCK_TIMEOUT (a statement that gives up fails with isBusy()).
    void setBusyTimeout(int milliseconds);

private:
    friend class Command;
    friend QString qtConnectionName(const Connection& connection);
    struct Impl;
    explicit Connection(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

/// Commits on commit(); rolls back when destroyed without it (an exception part-way).
class Transaction {
public:
    /// Begins a transaction on connection, which must outlive it.
    explicit Transaction(Connection& connection) : connection_(connection) { connection_.beginTransaction(); }
    ~Transaction() {
        if (!done_) {
            try {
                connection_.rollback();
            } catch (...) {
            }
        }
    }
    /// Commits; the destructor then rolls nothing back.
    void commit() {
        connection_.commit();
        done_ = true;
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Connection& connection_;
    bool done_ = false;
};

}  // namespace so::db
