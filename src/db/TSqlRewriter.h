// The T-SQL compatibility layer: makes the SQL Server statements the component sends run on SQLite.
//
// It works on tokens (TSqlTokenizer.h), so text inside string literals, quoted names and comments
// is never changed. Rewrites:
//   N'text'                          -> 'text'
//   SELECT [DISTINCT] TOP n ...      -> SELECT [DISTINCT] ... LIMIT n   (at the end of that SELECT,
//                                       also inside a parenthesised sub-query)
//   t (NOLOCK), t WITH (NOLOCK)      -> t                               (any list of table hints)
//   LEFT(x, n)                       -> substr(x, 1, n)
//   LEN(x)                           -> length(rtrim(x))                (LEN ignores trailing blanks)
//   ISNULL(x, y)                     -> coalesce(x, y)
//   CONVERT(type, x)                 -> CAST(x AS type)                 (not with a style argument)
//   A JOIN B JOIN C ON c1 ON a1      -> A JOIN (B JOIN C ON c1) ON a1   (nested joins made explicit)
// A text whose first word is not a statement keyword (or is EXEC/EXECUTE, or a [bracketed] name)
// is a stored procedure call: `NAME arg, arg` with literal arguments.
#pragma once

#include "db/TSqlTokenizer.h"

#include <QString>
#include <QVariantList>
#include <QVector>

#include <optional>

namespace so::db::tsql {

/// A procedure call written as text: the procedure's name and its literal arguments in order
/// (numbers as qlonglong or double, texts as QString, NULL as an invalid QVariant).
struct ProcedureCall {
    QString name;
    QVariantList arguments;
};

/// One SQLite statement and the number of "?" placeholders it binds.
struct SqlStatement {
    QString text;
    int placeholders = 0;
};

/// What the compatibility layer makes of one statement text.
struct Translation {
    /// Set when the text is a procedure call; `statements` is empty then.
    std::optional<ProcedureCall> call;
    /// The rewritten statement (one; a ";" inside a BEGIN ... END block does not end it).
    QVector<SqlStatement> statements;
    /// True when the text names the table of embedded procedures (its cached bodies go stale).
    bool touchesProcedureTable = false;
};

/// Translates a SQL Server statement text for SQLite. Throws DbError for a text that cannot be
/// parsed (unterminated literal, unbalanced parentheses, a procedure call with a non-literal
/// argument), that holds no statement, or that holds more than one.
Translation translate(const QString& sql);

/// The whole text rewritten for SQLite, statement separators and layout kept (a procedure call
/// comes back unchanged). Throws DbError like translate().
QString rewrite(const QString& sql);

/// Token index ranges [first, last] of the statements in `tokens`, split at the ";" that end a
/// statement (not inside parentheses or a BEGIN ... END / CASE ... END block). Each range starts
/// and ends on a significant token; empty statements are dropped.
QVector<QPair<int, int>> statementRanges(const QString& source, const QVector<Token>& tokens);

/// The table that keeps the embedded stored procedures.
inline constexpr QLatin1StringView kProcedureTable{"sys_procedures"};

}  // namespace so::db::tsql
