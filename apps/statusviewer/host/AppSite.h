// The site database a status viewer run opens: the one named on the command line, or the demo site
// kept in the user's data folder. A SQLite file that does not exist yet is generated as a demo site
// when asked for (into a side file that is renamed when complete, so an interrupted generation never leaves a
// half site behind that later runs would reuse).
#pragma once

#include "StartupError.h"

#include <QString>

namespace sv {

struct SiteChoice {
    /// What the field and every workstation connect to.
    QString url;
    /// Points generated when this run created the site; 0 when it opened an existing one.
    int createdPoints = 0;
};

/// The demo site file of a scale in a folder ("demo-site-2000.db").
QString demoSitePath(const QString& folder, int scale);

/// The SQLite file a URL names, or an empty text for another kind of URL (and for sqlite::memory:).
QString sqliteFileOf(const QString& url);

/// Decides the site for the run and makes sure it can be opened as a site: dbUrl (empty: the demo
/// site of the scale in dataFolder, a folder created when missing). A missing SQLite file is
/// generated with `scale` points when it is the default demo site or createDemo is set; otherwise
/// it is refused (a mistyped path must not quietly become a new demo site). Throws StartupError
/// for a URL that cannot be used, a missing file not to be created, a private in-memory database
/// (the field and the workstations each need a connection to the same site), a database that is
/// not a site, or a failed generation.
SiteChoice prepareSite(const QString& dbUrl, int scale, const QString& dataFolder, bool createDemo = false);

}  // namespace sv
