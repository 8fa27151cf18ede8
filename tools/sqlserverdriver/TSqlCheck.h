// What is not T-SQL: the SQL Server-like test driver refuses a statement text holding it before the
// text is rewritten for SQLite, so a SQLite habit in the component, or in a query written by hand
// for a site, fails on the server path as it would on a server. The suite also runs it over every
// statement text the component and the application send, apart from the rewriter.
//
// The check follows T-SQL's own forms rather than a list of SQLite habits (outside string
// literals, [bracketed] names and comments):
//  - a name followed by "(" is a call of one of T-SQL's built-in functions, a type's length
//    (VARCHAR(50)), a schema-qualified function (dbo.F(...)), or a column list where one belongs
//    (INSERT INTO T (...), a table's definition, a common table expression's columns); any other
//    call is not T-SQL (substr, length, group_concat, ifnull, datetime, printf, instr ...);
//  - names are bare or [bracketed]: "double-quoted" and `back-quoted` names are refused (under
//    QUOTED_IDENTIFIER OFF, which a site's own connections may set, "x" is a string);
//  - operators are T-SQL's: ==, ||, ->, <<, >> are refused;
//  - words and forms only SQLite has: LIMIT, RETURNING, AUTOINCREMENT, PRAGMA, ATTACH, DETACH,
//    VACUUM, GLOB, REGEXP, NOTNULL, NOCASE, TRUE and FALSE, INSERT OR ..., REPLACE INTO, ON CONFLICT,
//    WITHOUT ROWID, CREATE TEMP, BEGIN IMMEDIATE/DEFERRED/EXCLUSIVE, ISNULL after a value, and IS
//    between two values (T-SQL has IS [NOT] NULL and IS [NOT] DISTINCT FROM).
#pragma once

#include "db/TSqlTokenizer.h"

#include <QSet>
#include <QString>

#include <vector>

namespace so::sqlserverdriver {

namespace tsqlcheck {

/// T-SQL's built-in functions (the scalar, aggregate, ranking and system ones a site's queries use).
inline const QSet<QString>& builtins() {
    static const QSet<QString> names = {
        // aggregates and ranking
        "AVG", "CHECKSUM_AGG", "COUNT", "COUNT_BIG", "GROUPING", "GROUPING_ID", "MAX", "MIN", "STDEV", "STDEVP",
        "STRING_AGG", "SUM", "VAR", "VARP", "ROW_NUMBER", "RANK", "DENSE_RANK", "NTILE", "LAG", "LEAD", "FIRST_VALUE",
        "LAST_VALUE", "PERCENT_RANK", "CUME_DIST",
        // strings
        "ASCII", "CHAR", "CHARINDEX", "CONCAT", "CONCAT_WS", "DATALENGTH", "DIFFERENCE", "FORMAT", "LEFT", "LEN",
        "LOWER", "LTRIM", "NCHAR", "PATINDEX", "QUOTENAME", "REPLACE", "REPLICATE", "REVERSE", "RIGHT", "RTRIM",
        "SOUNDEX", "SPACE", "STR", "STRING_ESCAPE", "STRING_SPLIT", "STUFF", "SUBSTRING", "TRANSLATE", "TRIM",
        "UNICODE", "UPPER",
        // conversion, nulls, choices
        "CAST", "CONVERT", "TRY_CAST", "TRY_CONVERT", "PARSE", "TRY_PARSE", "ISNULL", "COALESCE", "NULLIF", "IIF",
        "CHOOSE", "ISNUMERIC", "ISDATE",
        // dates and times
        "CURRENT_TIMESTAMP", "DATEADD", "DATEDIFF", "DATEDIFF_BIG", "DATEFROMPARTS", "DATENAME", "DATEPART",
        "DATETIME2FROMPARTS", "DATETIMEFROMPARTS", "DATETRUNC", "DAY", "EOMONTH", "GETDATE", "GETUTCDATE", "MONTH",
        "SMALLDATETIMEFROMPARTS", "SWITCHOFFSET", "SYSDATETIME", "SYSDATETIMEOFFSET", "SYSUTCDATETIME", "TIMEFROMPARTS",
        "TODATETIMEOFFSET", "YEAR",
        // mathematics
        "ABS", "ACOS", "ASIN", "ATAN", "ATN2", "CEILING", "COS", "COT", "DEGREES", "EXP", "FLOOR", "LOG", "LOG10", "PI",
        "POWER", "RADIANS", "RAND", "ROUND", "SIGN", "SIN", "SQRT", "SQUARE", "TAN",
        // system, metadata, JSON, errors
        "APP_NAME", "BINARY_CHECKSUM", "CHECKSUM", "COLUMNPROPERTY", "COL_LENGTH", "COL_NAME", "DB_ID", "DB_NAME",
        "ERROR_LINE", "ERROR_MESSAGE", "ERROR_NUMBER", "ERROR_PROCEDURE", "ERROR_SEVERITY", "ERROR_STATE",
        "FORMATMESSAGE", "HASHBYTES", "HOST_NAME", "IDENT_CURRENT", "IDENTITY", "ISJSON", "JSON_MODIFY", "JSON_QUERY",
        "JSON_VALUE", "NEWID", "NEWSEQUENTIALID", "OBJECT_ID", "OBJECT_NAME", "OBJECTPROPERTY", "OPENJSON", "RAISERROR",
        "ROWCOUNT_BIG", "SCHEMA_NAME", "SCOPE_IDENTITY", "SERVERPROPERTY", "SESSION_USER", "SUSER_NAME", "SUSER_SNAME",
        "SYSTEM_USER", "TYPE_NAME", "USER_ID", "USER_NAME", "XACT_STATE"};
    return names;
}

/// Types written with a length or precision: VARCHAR(50), DECIMAL(9, 2).
inline const QSet<QString>& sizedTypes() {
    static const QSet<QString> names = {"BINARY", "CHAR",    "DATETIME2", "DATETIMEOFFSET", "DECIMAL",   "FLOAT",
                                        "NCHAR",  "NUMERIC", "NVARCHAR",  "TIME",           "VARBINARY", "VARCHAR"};
    return names;
}

/// Words followed by "(" that opens a list, a sub-query or an expression, not a call.
inline const QSet<QString>& wordsOpeningAParenthesis() {
    static const QSet<QString> names = {
        "ALL",       "AND",          "ANY",     "APPLY",    "AS",        "BETWEEN", "BY",     "CASE", "CHECK",
        "CLUSTERED", "CONSTRAINT",   "DEFAULT", "DISTINCT", "ELSE",      "EXCEPT",  "EXISTS", "FROM", "GROUP",
        "HAVING",    "IF",           "IN",      "INCLUDE",  "INTERSECT", "INTO",    "IS",     "JOIN", "KEY",
        "LIKE",      "NONCLUSTERED", "NOT",     "ON",       "OPTION",    "OR",      "OUTPUT", "OVER", "PARTITION",
        "PATH",      "PRINT",        "RETURN",  "RETURNS",  "SELECT",    "SET",     "SOME",   "THEN", "TOP",
        "UNION",     "UNIQUE",       "USING",   "VALUES",   "WHEN",      "WHERE",   "WHILE",  "WITH"};
    return names;
}

/// Words after which a name followed by "(" names a table or a procedure: its column or
/// parameter list, a table hint, a table-valued function.
inline const QSet<QString>& wordsBeforeATable() {
    static const QSet<QString> names = {"CALL", "EXEC", "EXECUTE",   "FROM",       "FUNCTION", "INSERT", "INTO",
                                        "JOIN", "PROC", "PROCEDURE", "REFERENCES", "TABLE",    "UPDATE", "VIEW"};
    return names;
}

/// Words only SQLite has, refused wherever they stand.
inline const QSet<QString>& sqliteWords() {
    static const QSet<QString> names = {"ATTACH",  "AUTOINCREMENT", "DETACH", "FALSE",     "GLOB", "LIMIT", "NOCASE",
                                        "NOTNULL", "PRAGMA",        "REGEXP", "RETURNING", "TRUE", "VACUUM"};
    return names;
}

}  // namespace tsqlcheck

/// The first construct of `sql` that T-SQL does not have, as the text writes it; empty when there
/// is none. Throws DbError for a text the tokenizer refuses (an unterminated literal).
inline QString notTSql(const QString& sql) {
    using db::tsql::Token;
    using db::tsql::TokenKind;
    using namespace tsqlcheck;
    const QVector<Token> tokens = db::tsql::tokenize(sql);
    std::vector<const Token*> t;
    for (const Token& token : tokens)
        if (token.significant())
            t.push_back(&token);
    const auto at = [&t](std::size_t i) -> const Token* { return i < t.size() ? t[i] : nullptr; };
    const auto upper = [&sql](const Token* token) {
        return token != nullptr && token->kind == TokenKind::Identifier ? token->text(sql).toString().toUpper()
                                                                        : QString();
    };
    const auto punct = [&sql](const Token* token, QChar c) { return token != nullptr && token->isPunct(sql, c); };
    const auto adjacent = [](const Token* a, const Token* b) { return b != nullptr && b->pos == a->pos + a->len; };
    const auto span = [&sql](const Token* a, const Token* b) { return sql.mid(a->pos, b->pos + b->len - a->pos); };
    // The index of the ")" closing the "(" at i, or t.size().
    const auto closing = [&](std::size_t open) {
        int depth = 0;
        for (std::size_t j = open; j < t.size(); ++j) {
            depth += punct(t[j], u'(') ? 1 : punct(t[j], u')') ? -1 : 0;
            if (depth == 0)
                return j;
        }
        return t.size();
    };
    bool indexStatement = false;  // CREATE [UNIQUE] INDEX name ON table (columns)

    for (std::size_t i = 0; i < t.size(); ++i) {
        const Token* token = t[i];
        const Token* next = at(i + 1);
        const Token* before = i > 0 ? t[i - 1] : nullptr;
        const QString word = upper(token);
        const QString nextWord = upper(next);

        if (token->kind == TokenKind::QuotedName && token->text(sql).front() != u'[')
            return token->text(sql).toString();
        if (token->kind == TokenKind::Punct) {
            const QChar c = sql.at(token->pos);
            if (adjacent(token, next)) {
                const QChar n = sql.at(next->pos);
                if ((c == u'=' && n == u'=') || (c == u'|' && n == u'|') || (c == u'-' && n == u'>') ||
                    (c == u'<' && n == u'<') || (c == u'>' && n == u'>'))
                    return span(token, next);
            }
            continue;
        }
        if (word.isEmpty())
            continue;
        if (word == QLatin1String("INDEX"))
            indexStatement = true;
        if (sqliteWords().contains(word))
            return token->text(sql).toString();
        if ((word == QLatin1String("INSERT") && nextWord == QLatin1String("OR")) ||
            (word == QLatin1String("REPLACE") && nextWord == QLatin1String("INTO")) ||
            (word == QLatin1String("ON") && nextWord == QLatin1String("CONFLICT")) ||
            (word == QLatin1String("WITHOUT") && nextWord == QLatin1String("ROWID")) ||
            (word == QLatin1String("CREATE") &&
             (nextWord == QLatin1String("TEMP") || nextWord == QLatin1String("TEMPORARY"))) ||
            (word == QLatin1String("BEGIN") &&
             (nextWord == QLatin1String("IMMEDIATE") || nextWord == QLatin1String("DEFERRED") ||
              nextWord == QLatin1String("EXCLUSIVE"))))
            return span(token, next);
        if (word == QLatin1String("IS")) {
            const QString tested = nextWord == QLatin1String("NOT") ? upper(at(i + 2)) : nextWord;
            if (tested != QLatin1String("NULL") && tested != QLatin1String("DISTINCT"))
                return next != nullptr ? span(token, next) : token->text(sql).toString();
        }
        if (word == QLatin1String("ISNULL") && !punct(next, u'('))
            return token->text(sql).toString();
        if (!punct(next, u'('))
            continue;

        // A name followed by "(": a call, unless the "(" opens a list where T-SQL has one.
        const QString beforeWord = upper(before);
        if (punct(before, u'.') || wordsOpeningAParenthesis().contains(word) ||
            wordsBeforeATable().contains(beforeWord) || (indexStatement && beforeWord == QLatin1String("ON")) ||
            builtins().contains(word) || sizedTypes().contains(word))
            continue;
        // A common table expression's columns: name (a, b) AS (...).
        const std::size_t close = closing(i + 1);
        if (upper(at(close + 1)) == QLatin1String("AS") && punct(at(close + 2), u'('))
            continue;
        return token->text(sql).toString();
    }
    return {};
}

}  // namespace so::sqlserverdriver
