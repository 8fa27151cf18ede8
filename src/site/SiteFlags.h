// How the site stores a flag, for the application's readers of site rows.
#pragma once

#include <QVariant>

namespace so::db {

/// A stored flag as the site keeps it: NULL and 0 false; 1 or -1 (and any other number) true.
inline bool storedFlag(const QVariant& v) { return !v.isNull() && v.toLongLong() != 0; }

}  // namespace so::db
