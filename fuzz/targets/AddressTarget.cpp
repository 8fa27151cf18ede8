// The address helpers and the number conversions that reported values go through.
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "base/Errors.h"
#include "domain/Address.h"
#include "base/Convert.h"

#include <cmath>

namespace so::fuzz {
namespace {

void checkAddress(const QString& address) {
    const PointKind kind = classifyAddress(address);
    check(kind == PointKind::None || !pointCode(kind).isEmpty(), QStringLiteral("a kind without code"));
    isNewerLineAddress(address);
    check(newerLineControllerAddress(address) == address.left(15), QStringLiteral("newer-line controller"));

    if (address.size() < 4) {
        bool refused = false;
        try {
            ConvertToDoorAddress(address);
        } catch (const ComponentError&) {
            refused = true;
        }
        check(refused, QStringLiteral("door address of \"%1\" (shorter than 4)").arg(address));
    } else {
        const QString door = ConvertToDoorAddress(address);
        check(door.size() == address.size() && door.left(door.size() - 4) == address.left(address.size() - 4) &&
                  door.right(2) == address.right(2) && door.mid(door.size() - 4, 2) == QLatin1String("DR"),
              QStringLiteral("door address of \"%1\" is \"%2\"").arg(address, door));
        check(ConvertToDoorAddress(door) == door, QStringLiteral("the door of door \"%1\" differs").arg(door));
    }
    if (address.size() >= 5)
        check(classicControllerAddress(address).size() == address.size() - 5, QStringLiteral("controller length"));
}

void checkNumber(const QString& text) {
    try {
        const double value = toNumber(text);
        check(!std::isnan(value), QStringLiteral("\"%1\" reads as NaN").arg(text));
    } catch (const ComponentError&) {
    }
    try {
        toInt16(text);
    } catch (const ComponentError&) {
    }
    try {
        const qint32 value = toInt32(text);
        if (const std::optional<qint32> whole = wholeNumber(text))
            check(*whole == value, QStringLiteral("\"%1\": whole %2, converted %3").arg(text).arg(*whole).arg(value));
    } catch (const ComponentError&) {
        check(!wholeNumber(text).has_value(),
              QStringLiteral("\"%1\" is a whole number but does not convert").arg(text));
    }
}

}  // namespace

int addressHelpers(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const int objectType = in.int32();
    const std::optional<Section> section = sectionForObjectType(objectType);
    check(!section || isSectionIndex(sectionIndex(*section)), QStringLiteral("section %1 of object type %2")
                                                                  .arg(sectionIndex(section.value_or(Section::Doors)))
                                                                  .arg(objectType));
    tableForObjectType(objectType);

    const QString word = in.text(32);
    if (const DeviceTypeRoute* route = deviceTypeRoute(word.toUpper()))
        check(isSectionIndex(sectionIndex(route->section)), QStringLiteral("route of \"%1\"").arg(word));
    const QString code = in.text(3);
    const PointKind kind = pointKindForCode(code);
    check(kind == PointKind::None || pointCode(kind) == code, QStringLiteral("code \"%1\"").arg(code));

    const QString text = in.rest();
    checkAddress(text);
    checkNumber(text);
    return 0;
}

}  // namespace so::fuzz
