// One point of a stored status group, as a host creates a group with it (Status::createGroup)
// and as the component stores and lists it.
#pragma once

#include <QString>
#include <QtGlobal>

namespace so {

/// One point of a status group as stored with it (a row of Status_Points).
struct GroupPoint {
    QString listName;
    QString listAddress;
    qint32 objectId = 0;
    qint32 pointId = 0;
    qint32 alternateFlag = 0;
    qint16 listSmallIcon = 0;
};

}  // namespace so
