#include "domain/KindIcon.h"

#include <QHash>

namespace so {

qint16 kindListIcon(int objectType) {
    using enum ObjectType;
    switch (ObjectType(objectType)) {
    case Door:
    case ZR2Door: return iconIndex(KindIcon::Door);
    case Input:
    case ZR2Input: return iconIndex(KindIcon::Input);
    case Relay:
    case ZR2Relay: return iconIndex(KindIcon::Relay);
    case Reader:
    case ZR2Reader: return iconIndex(KindIcon::Reader);
    case Controller:
    case ZR2Controller: return iconIndex(KindIcon::Controller);
    case Pylon: return iconIndex(KindIcon::Pylon);
    case ExpInput: return iconIndex(KindIcon::ExpansionInput);
    case ExpRelay: return iconIndex(KindIcon::ExpansionRelay);
    case ZR2Module: return iconIndex(KindIcon::Module);
    case ServerPort: return 0;
    }
    return 0;
}

qint16 portListIcon(const QString& portStyle, qint64 portType) {
    static const QHash<QString, qint16> byStyle{{QStringLiteral("CCTV"), 47},
                                                {QStringLiteral("SNet"), 33},
                                                {QStringLiteral("PNet"), 34},
                                                {QStringLiteral("DVR"), 46},
                                                {QStringLiteral("CSR"), 66}};
    constexpr qint64 kDialUpPortType = 4;
    if (portType == kDialUpPortType)
        return 16;
    return byStyle.value(portStyle, 33);
}

}  // namespace so
