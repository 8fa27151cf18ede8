#include "groups/Catalogue.h"

#include "base/ErrorTrap.h"
#include "base/Errors.h"
#include "base/Texts.h"
#include "domain/Address.h"
#include "domain/KindIcon.h"
#include "base/RecordFields.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <iterator>
#include <optional>

namespace so {
namespace {

/// Which rows of a kind's source are offered.
enum class Offer {
    Always,
    FittedRelayBoard,      // expansion relays: ef_reb64, or the board flag of the relay's OutputIndex
    FittedExpansionInput,  // expansion inputs: InputIndex at most nxinputs
};

/// How a row's alternate flag is read.
enum class Alternate {
    None,          // always 0
    Flag,          // 1 when the column is true
    InvertedFlag,  // 1 when the column is false
};

/// One kind of point the catalogue lists.
struct KindSource {
    int filter;
    /// A second filter that also selects the kind (-1: none).
    int alsoFilter;
    /// The statement; with takesComputerName it ends in "N'" and the computer name and "'" follow.
    const char* statement;
    bool takesComputerName;
    const char* nameColumn;
    ObjectType objectType;
    Alternate alternate;
    const char* alternateColumn;
    Offer offer;
};

// In the order the kinds are fetched when every kind is wanted. The expansion relays' procedure
// is always called with an empty computer name. The "XRelays" option (filter 9) offers expansion
// relays: no other kind answers to it, so without them that option would always list nothing.
constexpr KindSource kKinds[] = {
    {FilterRelays, FilterXRelays, "KSP_Fetch_Status_XOutputs N''", false, "Name", ObjectType::ExpRelay, Alternate::None,
     nullptr, Offer::FittedRelayBoard},
    {FilterInputs, -1, "KSP_Fetch_Status_XInputs N'", true, "Name", ObjectType::ExpInput, Alternate::Flag,
     "normal_open", Offer::FittedExpansionInput},
    {FilterPorts, -1, "KSP_Fetch_Status_Ports N'", true, "PortName", ObjectType::ServerPort, Alternate::None, nullptr,
     Offer::Always},
    {FilterPylons, -1, "KSP_Fetch_Status_Pylons N'", true, "PylonName", ObjectType::Pylon, Alternate::None, nullptr,
     Offer::Always},
    {FilterControllers, -1, "KSP_Fetch_Status_Controllers N'", true, "Controller_Name", ObjectType::Controller,
     Alternate::None, nullptr, Offer::Always},
    {FilterControllers, -1, "Select ID, [Name], [Address] from ZRII_Controllers", false, "Name",
     ObjectType::ZR2Controller, Alternate::None, nullptr, Offer::Always},
    {FilterModules, -1,
     "Select ID, [Name], [Address] from ZRII_Modules Where DeviceSubType <> 8 AND DeviceSubType <> 1 AND "
     "DeviceSubType <> 2 ",
     false, "Name", ObjectType::ZR2Module, Alternate::None, nullptr, Offer::Always},
    {FilterReaders, -1, "KSP_Fetch_Status_Readers N'", true, "Name", ObjectType::Reader, Alternate::None, nullptr,
     Offer::Always},
    {FilterReaders, -1, "Select ReaderID, [Name], Address From ZRII_Readers", false, "Name", ObjectType::ZR2Reader,
     Alternate::None, nullptr, Offer::Always},
    {FilterRelays, -1, "KSP_Fetch_Status_Relays N'", true, "Name", ObjectType::Relay, Alternate::None, nullptr,
     Offer::Always},
    {FilterRelays, -1,
     "Select RelayID, [Name], [Address] From ZRII_Relays WHERE (RelayType = 4 OR  RelayType = 2) Order By [Address] "
     "ASC",
     false, "Name", ObjectType::ZR2Relay, Alternate::None, nullptr, Offer::Always},
    {FilterInputs, -1, "KSP_Fetch_Status_Inputs N'", true, "Name", ObjectType::Input, Alternate::Flag, "NormalyOpen",
     Offer::Always},
    {FilterInputs, -1,
     "Select InputID, [Name], [Address], NormallyClosed, Expansion  from ZRII_Inputs ORDER BY Address ASC", false,
     "Name", ObjectType::ZR2Input, Alternate::InvertedFlag, "NormallyClosed", Offer::Always},
    {FilterDoors, -1, "KSP_Fetch_Status_Doors N'", true, "DoorName", ObjectType::Door, Alternate::Flag, "NormalyOpen",
     Offer::Always},
    {FilterDoors, -1, "Select DoorID, [Name], [Address] From ZRII_Doors Order By [Address] ASC", false, "Name",
     ObjectType::ZR2Door, Alternate::None, nullptr, Offer::Always},
};

constexpr int kRelayBoards = 8;
constexpr int kRelaysPerBoard = 8;

bool selects(const KindSource& kind, int filter) {
    return filter <= 0 || filter == kind.filter || filter == kind.alsoFilter;
}

/// A whole-number field, or nothing when it is Null.
std::optional<qint64> optionalNumber(const db::Recordset& rs, const QString& column) {
    const QVariant value = rs.field(column);
    if (value.isNull())
        return std::nullopt;
    return fields::toNumber(value, column);
}

/// An expansion relay is offered when all boards are fitted (ef_reb64), or when the board its
/// OutputIndex lies on (1-8 board 1, 9-16 board 2, ... 57-64 board 8) is fitted.
bool relayBoardFitted(const db::Recordset& rs) {
    if (fields::flag(rs, QStringLiteral("ef_reb64")))
        return true;
    const std::optional<qint64> index = optionalNumber(rs, QStringLiteral("OutputIndex"));
    if (!index || *index < 1 || *index > kRelayBoards * kRelaysPerBoard)
        return false;
    const qint64 board = (*index - 1) / kRelaysPerBoard + 1;
    return fields::flag(rs, QStringLiteral("ef_reb") + QString::number(board));
}

/// An expansion input is offered when its InputIndex does not exceed the fitted inputs.
bool expansionInputFitted(const db::Recordset& rs) {
    const std::optional<qint64> index = optionalNumber(rs, QStringLiteral("InputIndex"));
    const std::optional<qint64> fitted = optionalNumber(rs, QStringLiteral("nxinputs"));
    return index && fitted && *index <= *fitted;
}

bool offered(const KindSource& kind, const db::Recordset& rs) {
    switch (kind.offer) {
    case Offer::Always: return true;
    case Offer::FittedRelayBoard: return relayBoardFitted(rs);
    case Offer::FittedExpansionInput: return expansionInputFitted(rs);
    }
    return false;
}

qint32 alternateFlag(const KindSource& kind, const db::Recordset& rs) {
    switch (kind.alternate) {
    case Alternate::None: return 0;
    case Alternate::Flag: return fields::flag(rs, QLatin1String(kind.alternateColumn)) ? 1 : 0;
    case Alternate::InvertedFlag: return fields::flag(rs, QLatin1String(kind.alternateColumn)) ? 0 : 1;
    }
    return 0;
}

qint16 smallIcon(const KindSource& kind, const db::Recordset& rs) {
    if (kind.objectType != ObjectType::ServerPort)
        return kindListIcon(objectTypeNumber(kind.objectType));
    return portListIcon(fields::text(rs, QStringLiteral("PortStyle")),
                        optionalNumber(rs, QStringLiteral("PortType")).value_or(0));
}

/// The computer name as the host escaped it for a quoted literal. An apostrophe the host left
/// unpaired would end the literal early, so such a name is refused rather than sent.
QString quotedComputerName(ComponentContext& ctx) {
    const QString escaped = FixA(ctx, ctx.computerName);
    if (QString(escaped).remove(QStringLiteral("''")).contains(QLatin1Char('\'')))
        throw ComponentError(ComponentError::InvalidArgument,
                             QStringLiteral("Computer name not escaped for a quoted literal: ") + ctx.computerName);
    return escaped;
}

QString sourceText(const KindSource& kind, const QString& computerName) {
    QString text = QString::fromLatin1(kind.statement);
    if (kind.takesComputerName)
        text += computerName + QLatin1Char('\'');
    return text;
}

SelectedPoint entryFrom(const KindSource& kind, const db::Recordset& rs) {
    SelectedPoint entry;
    entry.listName = fields::text(rs, QLatin1String(kind.nameColumn));
    entry.listAddress = fields::text(rs, QStringLiteral("Address"));
    entry.objectId = objectTypeNumber(kind.objectType);
    entry.pointId = qint32(fields::toNumber(rs.field(0), rs.fieldName(0)));
    entry.alternateFlag = alternateFlag(kind, rs);
    entry.listSmallIcon = smallIcon(kind, rs);
    return entry;
}

}  // namespace

QString kindName(qint32 objectId) {
    using enum ObjectType;
    switch (ObjectType(objectId)) {
    case Door: return QCoreApplication::translate("so::Catalogue", "Door");
    case Input: return QCoreApplication::translate("so::Catalogue", "Input");
    case Relay: return QCoreApplication::translate("so::Catalogue", "Relay");
    case Reader: return QCoreApplication::translate("so::Catalogue", "Reader");
    case Controller: return QCoreApplication::translate("so::Catalogue", "Controller");
    case Pylon: return QCoreApplication::translate("so::Catalogue", "Pylon");
    case ServerPort: return QCoreApplication::translate("so::Catalogue", "Port");
    case ExpInput: return QCoreApplication::translate("so::Catalogue", "Expansion Input");
    case ExpRelay: return QCoreApplication::translate("so::Catalogue", "Expansion Relay");
    case ZR2Door: return QCoreApplication::translate("so::Catalogue", "ZRII Door");
    case ZR2Input: return QCoreApplication::translate("so::Catalogue", "ZRII Input");
    case ZR2Relay: return QCoreApplication::translate("so::Catalogue", "ZRII Relay");
    case ZR2Reader: return QCoreApplication::translate("so::Catalogue", "ZRII Reader");
    case ZR2Controller: return QCoreApplication::translate("so::Catalogue", "ZRII Controller");
    case ZR2Module: return QCoreApplication::translate("so::Catalogue", "ZRII Module");
    }
    return QString::number(objectId);
}

QString controllerOf(const SelectedPoint& point) {
    const QString& address = point.listAddress;
    using enum ObjectType;
    switch (ObjectType(point.objectId)) {
    case Controller:
    case ZR2Controller: return address;
    case Door:
    case Input:
    case Relay:
    case Reader:
    case ExpInput:
    case ExpRelay:
        // A stored address too short to hold a point part names no controller.
        return address.size() > 5 ? classicControllerAddress(address) : QString();
    case ZR2Door:
    case ZR2Input:
    case ZR2Relay:
    case ZR2Reader:
    case ZR2Module: return newerLineControllerAddress(address);
    case Pylon:
    case ServerPort: return {};
    }
    return {};
}

QHash<QString, QString> controllerNames(ComponentContext& ctx) {
    QHash<QString, QString> names;
    const std::pair<const char*, const char*> sources[] = {
        {"Select Address, Controller_Name From Controllers", "Controller_Name"},
        {"Select [Address], [Name] From ZRII_Controllers", "Name"}};
    for (const auto& [sql, nameColumn] : sources) {
        db::Recordset rs = ctx.db().query(QLatin1String(sql));
        for (; !rs.eof(); rs.moveNext())
            names.insert(fields::text(rs, QStringLiteral("Address")), fields::text(rs, QLatin1String(nameColumn)));
        rs.close();
    }
    return names;
}

void FillAvailable(ComponentContext& ctx, int filter, QVector<SelectedPoint>& available,
                   const QVector<SelectedPoint>& selected) {
    QSet<QString> listed;
    listed.reserve(selected.size() + available.size());
    for (const SelectedPoint& point : selected)
        listed.insert(point.listAddress);
    for (const SelectedPoint& point : available)
        listed.insert(point.listAddress);

    QVector<SelectedPoint> fetched;
    trap(ctx, QStringLiteral("FCustom: FillAvailable"), [&] {
        QString computerName;
        bool nameKnown = false;
        for (const KindSource& kind : kKinds) {
            if (!selects(kind, filter))
                continue;
            if (kind.takesComputerName && !nameKnown) {
                computerName = quotedComputerName(ctx);
                nameKnown = true;
            }
            db::Recordset rs = ctx.db().query(sourceText(kind, computerName));
            for (; !rs.eof(); rs.moveNext()) {
                const QString address = fields::text(rs, QStringLiteral("Address"));
                // A point is listed once: not when selected already, nor a second time here.
                if (listed.contains(address) || !offered(kind, rs))
                    continue;
                fetched.append(entryFrom(kind, rs));
                listed.insert(address);
            }
            rs.close();
        }
    });
    // Every entry goes in at the front: the last one read ends up first.
    QVector<SelectedPoint> merged;
    merged.reserve(fetched.size() + available.size());
    std::copy(fetched.crbegin(), fetched.crend(), std::back_inserter(merged));
    merged += available;
    available = std::move(merged);
}

}  // namespace so
