// The icons of the point kinds: indexes into the host's image list, shown beside a point's name in
// the status grids, the masked points list and the group dialog's lists (kindListIcon and
// portListIcon: statusobject/GroupPoint.h).
#pragma once

#include "domain/Address.h"

#include <statusobject/GroupPoint.h>

#include <QString>

namespace so {

enum class KindIcon : qint16 {
    None = -1,  // a grid row of a port whose style is none of the known ones
    Controller = 13,
    DialupPort = 15,  // in the status grid; the group dialog's lists use portListIcon
    Door = 16,
    Input = 18,
    Relay = 19,
    Pylon = 20,
    Module = 20,
    Reader = 26,
    ExpansionRelayAbsent = 34,  // an expansion relay whose board is not fitted
    ExpansionRelay = 35,
    ExpansionInput = 36,
};

/// The image index of an icon.
constexpr qint16 iconIndex(KindIcon icon) { return qint16(icon); }

}  // namespace so
