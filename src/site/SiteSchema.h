// The embedded site database: every table, index and stored procedure the status viewer and its
// demo host use, created on a SQLite database (directly or behind the SQLite ODBC driver).
//
// Column conventions (the values a SQL Server site returns through its driver):
// - Flags that are taken as an absolute value (Inputs.NormalyOpen, ExpInputs.normal_open,
//   ZRII_Inputs.NormallyClosed) hold true as -1 and false as 0.
// - Flags only tested for truth (Installed, Online, Enabled, Disabled, invert, ef_reb1..8 ...)
//   hold 1 and 0. Each table's comment in SiteSchema.cpp says which columns are which.
// - Time stamps are text "yyyy-MM-dd HH:mm:ss".
// - Addresses are compared case-sensitively (BINARY), group and login names case-insensitively,
//   as the site's SQL Server collation does.
//
// SQLite has no stored procedures: they live in the table sys_procedures (name, params, body) and
// the database layer runs their bodies (see Connection). siteProcedures() lists them.
#pragma once

#include <QString>
#include <QVector>

namespace so::db {

class Connection;

/// One stored procedure of the embedded site: its name, its parameter names in call order
/// (comma-separated, an output parameter suffixed " OUTPUT") and its SQLite body, whose
/// statements are separated by ";" and reference the parameters as :Name.
struct SiteProcedure {
    QString name;
    QString params;
    QString body;
};

/// Every stored procedure of the embedded site.
const QVector<SiteProcedure>& siteProcedures();

/// Creates every table, index and stored procedure on a SQLite-backed connection. Idempotent:
/// existing tables keep their rows, procedures are replaced by the current bodies. Throws DbError
/// for a connection that is not backed by SQLite or when a statement fails.
void createSiteSchema(Connection& connection);

}  // namespace so::db
