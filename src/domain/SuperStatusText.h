// The stored status texts of `SuperStatus` as the component replays them. Their layout and their
// one reader (parsePointStatus, parseStateCodes, parseThreatLevels): statusobject/StoredStatus.h.
#pragma once

#include <statusobject/StoredStatus.h>

namespace so {

/// The status types a classic controller's `SuperStatus` rows hold, in the order a request for all
/// types replays them (a port's and a communication box's own types come after them).
inline constexpr qint32 kControllerStatusTypes[] = {
    StatusRelays,
    StatusExpRelays,
    StatusReaders,
    StatusInputs,
    StatusExpInputs1to8,
    StatusExpInputs9to16,
    StatusController,
    StatusInputVoltages,
    StatusExpVoltages1to16,
    StatusControllerLink,
    StatusExpInputs17to24,
    StatusExpInputs25to32,
    StatusExpVoltages17to32,
    StatusThreatLevels,
    StatusControllerCodes,
};

}  // namespace so
