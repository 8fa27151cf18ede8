// What a host or a test driver may read from a Status to check it, beside its operation: nothing
// here changes the window, and an operator's workstation needs none of it.
#pragma once

#include <statusobject/Export.h>

#include <QStringList>

namespace so {

class Status;

namespace diagnostics {

/// The rows a Status shows, one line a row, for comparing two windows (equal lines, equal rows):
/// the section number, then each column but LastUpdated as "\tKey=text" (with "#icon" when the
/// cell has one) in key order; rows in address order. Without newerLine the newer-line
/// controllers' rows are left out. Empty before the first Show.
STATUSOBJECT_EXPORT QStringList shownRows(const Status& status, bool newerLine = true);

}  // namespace diagnostics
}  // namespace so
