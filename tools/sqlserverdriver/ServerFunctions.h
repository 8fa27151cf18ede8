// T-SQL's built-ins and statement forms the rewriter of the component leaves alone, made to run on
// the driver's SQLite: the functions as SQLite functions of the session's connection, the forms
// rewritten on tokens before the rewriter sees the text.
//
// Functions: GETDATE, SYSDATETIME, GETUTCDATE, SYSUTCDATETIME (times as ISO 8601 text, as the
// driver stores them), SCOPE_IDENTITY, NEWID, CHARINDEX, DATALENGTH (two bytes a character, as
// NVARCHAR), CONCAT, SPACE, REPLICATE, RIGHT, DATEADD, DATEDIFF, DATEPART, YEAR, MONTH, DAY and the
// aggregate STRING_AGG.
// Forms: RIGHT(...) (a word of joins to SQLite); @@ROWCOUNT, @@IDENTITY; OFFSET n ROWS [FETCH NEXT|FIRST m ROW|ROWS
// ONLY]; the date part of DATEADD/DATEDIFF/DATEPART written as a bare word (day, mi, hh ...).
#pragma once

#include <QString>

struct sqlite3;

namespace so::sqlserverdriver {

/// Adds the functions to a connection.
void installServerFunctions(sqlite3* db);

/// The statement with the forms rewritten for SQLite (anything else unchanged).
QString serverForms(const QString& sql);

}  // namespace so::sqlserverdriver
