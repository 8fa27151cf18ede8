// One point of a stored status group, as a host creates a group with it (Status::createGroup)
// and as the component stores and lists it.
#pragma once

#include <statusobject/Export.h>

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

/// The listSmallIcon of a point of an object type, as the group dialog lists it; 0 for a server
/// port (it has portListIcon) or an unknown type.
STATUSOBJECT_EXPORT qint16 kindListIcon(int objectType);

/// The listSmallIcon of a server port: by its PortStyle ("CCTV" 47, "SNet" 33, "PNet" 34, "DVR" 46,
/// "CSR" 66; another style 33), then a PortType of 4 (dial-up) makes it 16.
STATUSOBJECT_EXPORT qint16 portListIcon(const QString& portStyle, qint64 portType);

/// The window's section (0-7, numbered as StatusReader numbers them) that shows points of an object
/// type; -1 for a number that is no object type.
STATUSOBJECT_EXPORT int sectionOfObjectType(int objectType);

}  // namespace so
