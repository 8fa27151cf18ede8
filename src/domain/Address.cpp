#include "domain/Address.h"

#include "base/Errors.h"

#include <QHash>

namespace so {

PointKind classifyAddress(const QString& address) {
    struct CodeTest {
        const char* code;
        PointKind kind;
    };
    static constexpr CodeTest kOrderedTests[] = {
        {"SM", PointKind::Reader},   {"BI", PointKind::Input},    {"BR", PointKind::Relay},
        {"DR", PointKind::Door},     {"XR", PointKind::ExpRelay}, {"XI", PointKind::ExpInput},
    };
    for (const CodeTest& test : kOrderedTests)
        if (address.contains(QLatin1String(test.code)))
            return test.kind;
    switch (address.size()) {
    case 17:
        return PointKind::Controller;
    case 14:
    case 19:
        return PointKind::Pylon;
    case 10:
        return PointKind::ServerPort;
    default:
        return PointKind::None;
    }
}

QString ConvertToDoorAddress(const QString& address) {
    if (address.size() < 4)
        throw ComponentError(ComponentError::InvalidArgument,
                             QStringLiteral("Address too short for a door address: \"%1\"").arg(address));
    // Built in one allocation: every report of a door's input or relay asks for it.
    const QStringView text(address);
    QString door;
    door.reserve(address.size());
    door.append(text.first(address.size() - 4)).append(QLatin1String("DR")).append(text.last(2));
    return door;
}

QString classicControllerAddress(const QString& pointAddress) {
    if (pointAddress.size() < 5)
        throw ComponentError(ComponentError::InvalidArgument,
                             QStringLiteral("Address too short for a point address: \"%1\"").arg(pointAddress));
    return pointAddress.left(pointAddress.size() - 5);
}

QString newerLineControllerAddress(const QString& pointAddress) { return pointAddress.left(15); }

bool isNewerLineAddress(const QString& address) {
    return address.left(6) == QLatin1String("\\\\ZRII");
}

QString pointCode(PointKind kind) {
    switch (kind) {
    case PointKind::Door: return QStringLiteral("DR");
    case PointKind::Input: return QStringLiteral("BI");
    case PointKind::Relay: return QStringLiteral("BR");
    case PointKind::Reader: return QStringLiteral("SM");
    case PointKind::Controller: return QStringLiteral("CA");
    case PointKind::Pylon: return QStringLiteral("PY");
    case PointKind::ServerPort: return QStringLiteral("PO");
    case PointKind::ExpInput: return QStringLiteral("XI");
    case PointKind::ExpRelay: return QStringLiteral("XR");
    case PointKind::None: break;
    }
    return {};
}

PointKind pointKindForCode(const QString& code) {
    for (int type = 1; type <= 9; ++type) {
        const auto kind = PointKind(type);
        if (pointCode(kind) == code)
            return kind;
    }
    return PointKind::None;
}

int sectionForObjectType(int objectType) {
    switch (objectType) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 7:
        return objectType - 1;
    case 8: return 1;
    case 9: return 2;
    case objtype::ZR2Door: return 0;
    case objtype::ZR2Input: return 1;
    case objtype::ZR2Relay: return 2;
    case objtype::ZR2Reader: return 3;
    case objtype::ZR2Controller: return 4;
    case objtype::ZR2Module: return 7;
    default: return -1;
    }
}

QString tableForObjectType(int objectType) {
    switch (objectType) {
    case 1: return QStringLiteral("Doors");
    case 2: return QStringLiteral("Inputs");
    case 3: return QStringLiteral("Outputs");
    case 4: return QStringLiteral("Readers");
    case 5: return QStringLiteral("Controllers");
    case 6: return QStringLiteral("Pylons");
    case 7: return QStringLiteral("ServerPorts");
    case 8: return QStringLiteral("ExpInputs");
    case objtype::ZR2Door: return QStringLiteral("ZRII_Doors");
    case objtype::ZR2Input: return QStringLiteral("ZRII_Inputs");
    case objtype::ZR2Relay: return QStringLiteral("ZRII_Relays");
    case objtype::ZR2Reader: return QStringLiteral("ZRII_Readers");
    case objtype::ZR2Controller: return QStringLiteral("ZRII_Controllers");
    case objtype::ZR2Module: return QStringLiteral("ZRII_Modules");
    default: return {};
    }
}

const DeviceTypeRoute* deviceTypeRoute(const QString& upperCasedType) {
    using D = DeviceType;
    static const QHash<QString, DeviceTypeRoute> kRoutes = {
        {QStringLiteral("CONTROLLER"), {D::Controller, 4, QStringLiteral("CA"), {}, {}}},
        {QStringLiteral("CONTROLLER_THREAT_LEVEL"), {D::ControllerThreatLevel, 4, QStringLiteral("CA"), {}, {}}},
        {QStringLiteral("CONTROLLER_ENABLED"), {D::ControllerEnabled, 4, QStringLiteral("ENABLED"), {}, {}}},
        {QStringLiteral("READER"), {D::Reader, 3, QStringLiteral("SM"), {}, {}}},
        {QStringLiteral("READER_THREAT_LEVEL"), {D::ReaderThreatLevel, 3, QStringLiteral("SM"), {}, {}}},
        {QStringLiteral("PYLON"), {D::Pylon, 5, QStringLiteral("PY"), {}, {}}},
        {QStringLiteral("PYLON_ENABLED"), {D::PylonEnabled, 5, QStringLiteral("ENABLED"), {}, {}}},
        {QStringLiteral("PORT"), {D::Port, 6, QStringLiteral("PO"), {}, {}}},
        {QStringLiteral("PORT_ENABLED"), {D::PortEnabled, 6, QStringLiteral("ENABLED"), {}, {}}},
        {QStringLiteral("STD_RELAY"), {D::StdRelay, 2, QStringLiteral("BR"), QStringLiteral("BR"), {}}},
        {QStringLiteral("STD_INPUT"), {D::StdInput, 1, QStringLiteral("BI"), QStringLiteral("DR"), {}}},
        {QStringLiteral("STD_INPUTV"), {D::StdInputV, 1, QStringLiteral("BIV"), QStringLiteral("DRV"), {}}},
        {QStringLiteral("EXP_RELAY"), {D::ExpRelay, 2, QStringLiteral("XR"), {}, {}}},
        {QStringLiteral("EXP_INPUT"), {D::ExpInput, 1, QStringLiteral("XI"), {}, {}}},
        {QStringLiteral("EXP_INPUTV"), {D::ExpInputV, 1, QStringLiteral("XIV"), {}, {}}},
        {QStringLiteral("ZR2_RELAY"),
         {D::ZR2Relay, 2, QStringLiteral("ZR2_RELAY"), QStringLiteral("ZR2_RELAY"), QStringLiteral("BR")}},
        {QStringLiteral("ZR2_INPUT"),
         {D::ZR2Input, 1, QStringLiteral("ZR2_INPUT"), QStringLiteral("ZR2_INPUT"), QStringLiteral("BI")}},
        {QStringLiteral("ZR2_MODULE"), {D::ZR2Module, 7, QStringLiteral("ZR2_MODULE"), {}, {}}},
        {QStringLiteral("ZR2_CONTROLLER"), {D::ZR2Controller, 4, {}, {}, {}}},
    };
    const auto it = kRoutes.constFind(upperCasedType);
    return it == kRoutes.constEnd() ? nullptr : &*it;
}

}  // namespace so
