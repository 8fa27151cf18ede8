// The counts in the one-line summaries every process of the application prints.
#pragma once

#include <QString>

namespace sv {

/// "1 point", "2 points": a count with its noun, for the summary lines.
QString counted(qint64 n, const char* singular, const char* plural);

}  // namespace sv
