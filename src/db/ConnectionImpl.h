// Inside of db::Connection and db::Recordset: the Qt SQL connection, the statement runner with the
// T-SQL compatibility layer, and the procedure catalogue of an embedded site database.
#pragma once

#include "db/ProcedureCatalog.h"
#include "db/TSqlRewriter.h"

#include <statusobject/Db.h>

#include <QCache>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

namespace so::db {

struct Recordset::Impl {
    Impl(QSqlQuery&& query, const QString& statement);

    QSqlQuery query;
    QString statement;
    QStringList names;
    /// Field index by lower-case name, plus every spelling asked for (so that a fill reading the
    /// same names row after row does one hash lookup per field).
    mutable QHash<QString, int> index;
    bool eof = true;

    void fetch();
};

/// What running a statement text gives: its last row set (empty when none) and the rows affected
/// by its last statement that returns no rows (-1 when not known or none).
struct RunResult {
    Recordset rows;
    int rowsAffected = -1;
};

struct Connection::Impl {
    ~Impl();

    QString url;
    QString name;  // the Qt connection name, unique per open
    QSqlDatabase db;
    bool compatibility = false;
    ProcedureCatalog procedures;
    /// Recent statement texts and their translations (statements repeat: fills, refreshes).
    QCache<QString, tsql::Translation> translations{512};

    /// Runs a statement text (or a procedure call written as text) with the values bound, in
    /// order, to its "?" placeholders.
    RunResult run(const QString& sql, const QVariantList& values);
    /// Runs the procedure `name` with `arguments` bound to its parameters in order (missing ones
    /// NULL). `outputs` receives the values of the output parameters, in parameter order.
    RunResult callProcedure(const QString& name, const QVariantList& arguments,
                            const QVector<ParamDirection>& directions, QVariantList* outputs);

private:
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
