// The stored procedures of an embedded (SQLite) site database.
//
// SQLite has no stored procedures, so the site database keeps them in a table:
//   CREATE TABLE sys_procedures (name TEXT PRIMARY KEY COLLATE NOCASE, params TEXT NOT NULL, body TEXT NOT NULL);
// `params` lists the parameter names in call order, comma-separated, without "@"; an output
// parameter carries the suffix " OUTPUT". `body` holds SQLite statements separated by ";" that
// refer to the parameters as :Name. The catalogue reads a procedure on its first call and keeps
// it; values are always bound, never spliced into the statements.
#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

namespace so::db {

struct ProcedureParameter {
    QString name;  // without "@"
    bool output = false;
};

/// One statement of a procedure body, its :Name references turned into "?" placeholders.
struct ProcedureStatement {
    QString text;
    QVector<int> bindings;  // for each placeholder in order: the index of the procedure parameter
};

struct Procedure {
    QString name;
    QVector<ProcedureParameter> parameters;
    QVector<ProcedureStatement> body;

    /// Index of the parameter called `name` ("@" and case ignored); -1 when there is none.
    int parameterIndex(QStringView name) const;
};

/// Builds a procedure from its row of the procedure table. Throws DbError when the body refers to
/// a name that is not a parameter, uses another placeholder form than :Name, or cannot be parsed.
Procedure parseProcedure(const QString& name, const QString& params, const QString& body);

class ProcedureCatalog {
public:
    /// The procedure called `name` (case ignored), read from the database on first use.
    /// Throws DbError "Unknown procedure NAME" when the database has none of that name.
    const Procedure& find(const QSqlDatabase& db, const QString& name);
    /// Forgets every procedure read (the procedure table was written to).
    void clear() { procedures_.clear(); }

private:
    QHash<QString, Procedure> procedures_;  // by lower-case name
};

}  // namespace so::db
