// Device addresses, point kinds and the device type words of state reports.
//
// A point is known everywhere by its text address: "\\NETW.<network part>.<code><number>", where
// the code is two capital letters ("DR", "BI" ...) and the number is the point's number on its
// controller, at least two digits. The component never parses the network part: it classifies an
// address by substrings and length, and derives related addresses (controller, door) by cutting and
// splicing text. Addresses compare case-sensitively.
#pragma once

#include "domain/Section.h"

#include <QString>

#include <optional>

namespace so {

/// The longest address the site stores (its Address columns hold 30 characters): a longer one
/// names no point.
inline constexpr int kMaxAddressLength = 30;

/// The object type of a point (`Status_Points.ObjectID`, the site's tables): 1-9 the classic
/// line, 101-105 and 108 the newer line. A number read from the site is compared with these.
enum class ObjectType : qint32 {
    Door = 1,
    Input = 2,
    Relay = 3,
    Reader = 4,
    Controller = 5,
    Pylon = 6,
    ServerPort = 7,
    ExpInput = 8,
    ExpRelay = 9,
    ZR2Door = 101,
    ZR2Input = 102,
    ZR2Relay = 103,
    ZR2Reader = 104,
    ZR2Controller = 105,
    ZR2Module = 108,
};

/// The number of an object type, as the site stores it.
constexpr qint32 objectTypeNumber(ObjectType type) { return qint32(type); }

/// True for the object types of the newer line (101 and above).
constexpr bool isNewerLineObjectType(ObjectType type) { return type >= ObjectType::ZR2Door; }

/// The kind of a classic point; the value is its object type.
enum class PointKind {
    None = 0,
    Door = objectTypeNumber(ObjectType::Door),
    Input = objectTypeNumber(ObjectType::Input),
    Relay = objectTypeNumber(ObjectType::Relay),
    Reader = objectTypeNumber(ObjectType::Reader),
    Controller = objectTypeNumber(ObjectType::Controller),
    Pylon = objectTypeNumber(ObjectType::Pylon),
    ServerPort = objectTypeNumber(ObjectType::ServerPort),
    ExpInput = objectTypeNumber(ObjectType::ExpInput),
    ExpRelay = objectTypeNumber(ObjectType::ExpRelay),
};

/// Kind of an address reported without one, by ordered substring tests: "SM" reader, "BI" input,
/// "BR" relay, "DR" door, "XR" expansion relay, "XI" expansion input; then by length: 17
/// controller, 14 or 19 communication box, 10 server port; else None. The order matters: an
/// address holding both "SM" and "DR" is a reader.
PointKind classifyAddress(const QString& address);

/// The door a point belongs to: the address with its point code replaced by "DR" (…SM03, …BR03
/// and …BI03 all give …DR03). Throws ComponentError for an address shorter than 4 characters.
QString ConvertToDoorAddress(const QString& address);
/// The same door address written into `door`, reusing its storage (a report's hot path); false,
/// and `door` unchanged, for an address shorter than 4 characters.
bool writeDoorAddress(QStringView address, QString& door);

/// The controller of a classic point: the address without its last 5 characters (".BR01").
/// Throws ComponentError for an address shorter than 5 characters. A point number of 100 or more
/// has three digits, and the result then keeps one digit too many; callers do not guard this.
QString classicControllerAddress(const QString& pointAddress);

/// The controller of a newer-line point: the first 15 characters of the address.
QString newerLineControllerAddress(const QString& pointAddress);

/// True for text that can be an address: it starts with two backslashes and is no longer than
/// kMaxAddressLength. Anything else names no point of any site.
bool isWellFormedAddress(QStringView address);

/// True when the address belongs to the newer line (its first 6 characters are "\\ZRII").
bool isNewerLineAddress(const QString& address);

/// The two-letter code of a classic point kind ("DR", "BI", "BR", "SM", "CA", "PY", "PO", "XI",
/// "XR"); empty for None.
QString pointCode(PointKind kind);

/// The classic kind of a two-letter code; None for any other text.
PointKind pointKindForCode(const QString& code);

/// Section of an object type, classic (1-9) or newer line (101-105, 108); nothing for another
/// number (object types come from the site's tables).
std::optional<Section> sectionForObjectType(int objectType);

/// Database table holding points of an object type; empty when there is none (expansion relays are
/// read through stored procedures) or the type is unknown.
QString tableForObjectType(int objectType);

/// The device type words of StateChange (compared after upper-casing).
enum class DeviceType {
    Controller,
    ControllerThreatLevel,
    ControllerEnabled,
    Reader,
    ReaderThreatLevel,
    Pylon,
    PylonEnabled,
    Port,
    PortEnabled,
    StdRelay,
    StdInput,
    StdInputV,
    ExpRelay,
    ExpInput,
    ExpInputV,
    ZR2Relay,
    ZR2Input,
    ZR2Module,
    ZR2Controller,
};

/// Where a device type's state reports go.
struct DeviceTypeRoute {
    DeviceType type;
    /// Section of the point's own row.
    Section section;
    /// Kind code handed to UpdateList for the point's own row; empty for ZR2_CONTROLLER, whose row
    /// is re-read from the database instead of decoded.
    QString kindCode;
    /// Kind code for the row of the point's door in section 0 (ConvertToDoorAddress); empty when
    /// the report does not reach a door.
    QString doorKindCode;
    /// Newer-line reports reach the door only when the address contains this code; empty: always.
    QString doorOnlyIfAddressContains;
};

/// The route of an upper-cased device type word; nullptr for a word the component ignores.
const DeviceTypeRoute* deviceTypeRoute(const QString& upperCasedType);

}  // namespace so
