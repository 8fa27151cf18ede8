// The supervisor's commands on the site's report history, run without a window:
//   statusviewer --db URL --compare T1 T2 [--out FILE.csv]       the points whose state differs
//   statusviewer --db URL --export-incident T --out FILE.html [--window-minutes N]
// Moments are the site's local time, "yyyy-MM-dd HH:mm[:ss]".
#pragma once

#include "cli/CliOptions.h"

#include <cstdio>

namespace sv {

/// Runs options.historyTask on options.dbUrl; what it found goes to `out`, why it failed to `err`.
/// Exit status: 0 done, 1 the site, its history or the file could not be read or written (or the
/// history holds nothing for a moment).
int runHistoryTask(const AppOptions& options, std::FILE* out, std::FILE* err);

}  // namespace sv
