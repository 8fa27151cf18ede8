// One point of a stored status group, as a host creates a group with it (Status::createGroup)
// and as the component stores and lists it.
#pragma once

#include <QString>
#include <QtGlobal>

namespace so {

/// One point of a status group as stored with it (a row of Status_Points).
struct GroupPoint {
    QString listName;          ///< the name shown in the group's lists
    QString listAddress;       ///< the point's address
    qint32 objectId = 0;       ///< object type: 1-9 classic, 101-105 and 108 newer line
    qint32 pointId = 0;        ///< the point's id in its table
    qint32 alternateFlag = 0;  ///< stored with the point for the host; not read by the window
    qint16 listSmallIcon = 0;  ///< index of the point's icon in the host's image list
};

}  // namespace so
