#include "domain/Address.h"

#include "base/Errors.h"

#include <statusobject/GroupPoint.h>
#include <statusobject/Vocabulary.h>

#include <QHash>

#include <algorithm>

namespace so {

PointKind classifyAddress(const QString& address) {
    struct CodeTest {
        const char* code;
        PointKind kind;
    };
    static constexpr CodeTest kOrderedTests[] = {
        {"SM", PointKind::Reader}, {"BI", PointKind::Input},    {"BR", PointKind::Relay},
        {"DR", PointKind::Door},   {"XR", PointKind::ExpRelay}, {"XI", PointKind::ExpInput},
    };
    for (const CodeTest& test : kOrderedTests)
        if (address.contains(QLatin1String(test.code)))
            return test.kind;
    switch (address.size()) {
    case 17: return PointKind::Controller;
    case 14:
    case 19: return PointKind::Pylon;
    case 10: return PointKind::ServerPort;
    default: return PointKind::None;
    }
}

QString ConvertToDoorAddress(const QString& address) {
    QString door;
    if (!writeDoorAddress(address, door))
        throw ComponentError(ComponentError::InvalidArgument,
                             QStringLiteral("Address too short for a door address: \"%1\"").arg(address));
    return door;
}

bool writeDoorAddress(QStringView address, QString& door) {
    const qsizetype size = address.size();
    if (size < 4)
        return false;
    door.resize(size);  // keeps the storage when it is large enough and not shared
    QChar* out = door.data();
    std::copy_n(address.data(), size, out);
    out[size - 4] = u'D';
    out[size - 3] = u'R';
    return true;
}

QString classicControllerAddress(const QString& pointAddress) {
    if (pointAddress.size() < 5)
        throw ComponentError(ComponentError::InvalidArgument,
                             QStringLiteral("Address too short for a point address: \"%1\"").arg(pointAddress));
    return pointAddress.left(pointAddress.size() - 5);
}

QString newerLineControllerAddress(const QString& pointAddress) { return pointAddress.left(15); }

bool isNewerLineAddress(const QString& address) { return address.left(6) == QLatin1String("\\\\ZRII"); }

bool isWellFormedAddress(QStringView address) {
    return address.size() > 2 && address.size() <= kMaxAddressLength && address.startsWith(u"\\\\");
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

std::optional<Section> sectionForObjectType(int objectType) {
    using enum ObjectType;
    switch (ObjectType(objectType)) {
    case Door:
    case ZR2Door: return Section::Doors;
    case Input:
    case ExpInput:
    case ZR2Input: return Section::Inputs;
    case Relay:
    case ExpRelay:
    case ZR2Relay: return Section::Relays;
    case Reader:
    case ZR2Reader: return Section::Readers;
    case Controller:
    case ZR2Controller: return Section::Controllers;
    case Pylon: return Section::Boxes;
    case ServerPort: return Section::Ports;
    case ZR2Module: return Section::Modules;
    }
    return std::nullopt;
}

int sectionOfObjectType(int objectType) {
    const std::optional<Section> section = sectionForObjectType(objectType);
    return section ? sectionIndex(*section) : -1;
}

QString tableForObjectType(int objectType) {
    using enum ObjectType;
    switch (ObjectType(objectType)) {
    case Door: return QStringLiteral("Doors");
    case Input: return QStringLiteral("Inputs");
    case Relay: return QStringLiteral("Outputs");
    case Reader: return QStringLiteral("Readers");
    case Controller: return QStringLiteral("Controllers");
    case Pylon: return QStringLiteral("Pylons");
    case ServerPort: return QStringLiteral("ServerPorts");
    case ExpInput: return QStringLiteral("ExpInputs");
    case ExpRelay: return {};
    case ZR2Door: return QStringLiteral("ZRII_Doors");
    case ZR2Input: return QStringLiteral("ZRII_Inputs");
    case ZR2Relay: return QStringLiteral("ZRII_Relays");
    case ZR2Reader: return QStringLiteral("ZRII_Readers");
    case ZR2Controller: return QStringLiteral("ZRII_Controllers");
    case ZR2Module: return QStringLiteral("ZRII_Modules");
    }
    return {};
}

const DeviceTypeRoute* deviceTypeRoute(const QString& upperCasedType) {
    using D = DeviceType;
    using S = Section;
    static const QHash<QString, DeviceTypeRoute> kRoutes = {
        {QString(device::Controller), {D::Controller, S::Controllers, QStringLiteral("CA"), {}, {}}},
        {QString(device::ControllerThreatLevel),
         {D::ControllerThreatLevel, S::Controllers, QStringLiteral("CA"), {}, {}}},
        {QString(device::ControllerEnabled), {D::ControllerEnabled, S::Controllers, QStringLiteral("ENABLED"), {}, {}}},
        {QString(device::Reader), {D::Reader, S::Readers, QStringLiteral("SM"), {}, {}}},
        {QString(device::ReaderThreatLevel), {D::ReaderThreatLevel, S::Readers, QStringLiteral("SM"), {}, {}}},
        {QString(device::Pylon), {D::Pylon, S::Boxes, QStringLiteral("PY"), {}, {}}},
        {QString(device::PylonEnabled), {D::PylonEnabled, S::Boxes, QStringLiteral("ENABLED"), {}, {}}},
        {QString(device::Port), {D::Port, S::Ports, QStringLiteral("PO"), {}, {}}},
        {QString(device::PortEnabled), {D::PortEnabled, S::Ports, QStringLiteral("ENABLED"), {}, {}}},
        {QString(device::StdRelay), {D::StdRelay, S::Relays, QStringLiteral("BR"), QStringLiteral("BR"), {}}},
        {QString(device::StdInput), {D::StdInput, S::Inputs, QStringLiteral("BI"), QStringLiteral("DR"), {}}},
        {QString(device::StdInputV), {D::StdInputV, S::Inputs, QStringLiteral("BIV"), QStringLiteral("DRV"), {}}},
        {QString(device::ExpRelay), {D::ExpRelay, S::Relays, QStringLiteral("XR"), {}, {}}},
        {QString(device::ExpInput), {D::ExpInput, S::Inputs, QStringLiteral("XI"), {}, {}}},
        {QString(device::ExpInputV), {D::ExpInputV, S::Inputs, QStringLiteral("XIV"), {}, {}}},
        {QString(device::ZR2Relay),
         {D::ZR2Relay, S::Relays, QStringLiteral("ZR2_RELAY"), QStringLiteral("ZR2_RELAY"), QStringLiteral("BR")}},
        {QString(device::ZR2Input),
         {D::ZR2Input, S::Inputs, QStringLiteral("ZR2_INPUT"), QStringLiteral("ZR2_INPUT"), QStringLiteral("BI")}},
        {QString(device::ZR2Module), {D::ZR2Module, S::Modules, QStringLiteral("ZR2_MODULE"), {}, {}}},
        {QString(device::ZR2Controller), {D::ZR2Controller, S::Controllers, {}, {}, {}}},
    };
    const auto it = kRoutes.constFind(upperCasedType);
    return it == kRoutes.constEnd() ? nullptr : &*it;
}

}  // namespace so
