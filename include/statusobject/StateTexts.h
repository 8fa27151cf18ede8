// Texts of the values controllers report that a host formats before it hands a report on: the
// wording is the product's fixed vocabulary (not text resources), the same the status window shows.
#pragma once

#include <statusobject/Export.h>

#include <QString>

namespace so {

/// The active reasons of a classic relay, listed from the last tested bit back to the first,
/// joined by ","; 0 gives "none". Bits 4096 and above are ignored. A host reports a relay's
/// reasons (state 70) with this text as the value.
STATUSOBJECT_EXPORT QString FormatDetailedRelayState(qint32 value);

}  // namespace so
