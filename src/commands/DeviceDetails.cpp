#include "commands/DeviceDetails.h"
#include "status/StatusBoard.h"

#include "commands/ClickedPoint.h"
#include "commands/MenuModel.h"
#include "base/ErrorTrap.h"
#include "domain/Address.h"
#include "status/SuperStatus.h"
#include "grid/ColumnLayout.h"
#include "status/DbRefresh.h"
#include "base/RecordFields.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <QSet>

#include <algorithm>
#include <optional>

namespace so {
namespace {

const QString kReportName = QStringLiteral("FPopup.mnuMainArray_Click");

/// The Status_Points condition for the object types a pane shows. Every kind the pane holds is
/// listed (classic, expansion and newer-line), so that each of its rows can have its controller
/// in the result: the inputs pane shows expansion inputs (8) and the relays pane expansion relays
/// (9) beside the base-board points. Empty for a pane outside 0-7.
QString kindCondition(int pane) {
    using enum ObjectType;
    static const QVector<QVector<ObjectType>> kObjectTypes = {
        {Door, ZR2Door},
        {Input, ExpInput, ZR2Input},
        {Relay, ExpRelay, ZR2Relay},
        {Reader, ZR2Reader},
        {Controller, ZR2Controller},
        {Pylon},
        {ServerPort},
        {ZR2Module},
    };
    if (pane < 0 || pane >= kObjectTypes.size())
        return {};
    QStringList terms;
    for (const ObjectType type : kObjectTypes[pane])
        terms << QStringLiteral("ObjectID = %1").arg(objectTypeNumber(type));
    return terms.size() == 1 ? terms.first() : QLatin1Char('(') + terms.join(QStringLiteral(" or ")) + QLatin1Char(')');
}

// A list address without its five-character point part. LEFT refuses a negative length: an address
// too short to have a point part gives "", which names no controller.
const QString kControllerPart =
    QStringLiteral("left(ListAddress, case when len(ListAddress) > 5 then len(ListAddress) - 5 else 0 end)");

/// What DBStatusUpdate renews for a row of a pane, by the row's line; nothing for a classic
/// reader, whose row has no refresh of its own.
std::optional<RefreshTarget> refreshTargetOf(Section pane, const QString& address) {
    const bool newerLine = isNewerLineAddress(address);
    switch (pane) {
    case Section::Doors: return RefreshTarget::Door;
    case Section::Inputs: return RefreshTarget::Input;
    case Section::Relays: return RefreshTarget::Relay;
    case Section::Readers: return newerLine ? std::optional(RefreshTarget::ZR2Reader) : std::nullopt;
    case Section::Controllers: return newerLine ? RefreshTarget::ZR2Controller : RefreshTarget::Controller;
    case Section::Boxes: return RefreshTarget::Box;
    case Section::Ports: return RefreshTarget::Port;
    case Section::Modules: return RefreshTarget::ZR2Module;
    }
    return std::nullopt;
}

/// Tells whether an address begins with one of a set of controller addresses: one hash lookup
/// per distinct controller address length instead of a comparison with every controller.
class ControllerPrefixes {
public:
    explicit ControllerPrefixes(const QStringList& controllers) {
        for (const QString& c : controllers) {
            set_.insert(c);
            if (!lengths_.contains(c.size()))
                lengths_.append(c.size());
        }
    }
    bool covers(const QString& address) const {
        return std::any_of(lengths_.cbegin(), lengths_.cend(), [&](qsizetype length) {
            return address.size() >= length && set_.contains(address.left(length));
        });
    }

private:
    QSet<QString> set_;
    QVector<qsizetype> lengths_;
};

}  // namespace

DeviceDetails::DeviceDetails(ComponentContext& ctx, StatusWindow& window, SuperStatusReplay& replay)
    : ctx_(ctx), window_(window), replay_(replay) {}

void DeviceDetails::runMainEntry(int index) {
    trap(ctx_, kReportName, [&] {
        switch (index) {
        case entry::RefreshPane:
        case entry::RefreshControllers: refreshControllers(index); break;
        case entry::FullRefresh: window_.RefreshAllRows(); break;
        case entry::Properties: properties(); break;
        default: break;
        }
    });
}

// ---------------------------------------------------------------- refresh entries 0 and 1

void DeviceDetails::refreshControllers(int index) {
    const int pane = sectionIndex(window_.currentSection());
    const QStringList controllers = controllerAddresses(index, pane);
    if (controllers.isEmpty())
        return;
    // The classic line's live states: every stored report of each controller, replayed from one
    // copy of SuperStatus (newer-line addresses have none and are skipped by the replay).
    SnapshotScope snapshot(replay_);
    for (const QString& controller : controllers)
        replay_.RequestSuperStatus(true, controller, qint16(pane));
    refreshRows(pane, controllers);
}

QStringList DeviceDetails::controllerAddresses(int index, int pane) {
    QString sql;
    if (index == entry::RefreshControllers) {
        sql = QStringLiteral("Select distinct ") + kControllerPart + QStringLiteral(" from Controllers");
    } else {
        const QString condition = kindCondition(pane);
        if (condition.isEmpty())
            return {};
        // The group id is the window's own whole number, written into the statement as one.
        const QString group = QString::number(window_.currentGroup());
        // A controller's list address is its own address; every other point's holds its
        // controller's address followed by the five-character point part.
        sql = QStringLiteral("Select distinct ") +
              (Section(pane) == Section::Controllers ? QStringLiteral("ListAddress") : kControllerPart) +
              QStringLiteral(" from Status_Points where GroupID = ") + group + QStringLiteral(" and ") + condition;
    }
    QStringList controllers;
    for (db::Recordset rows = ctx_.db().query(sql); !rows.eof(); rows.moveNext()) {
        const QVariant address = rows.field(0);
        if (!address.isNull() && !address.toString().isEmpty())
            controllers << address.toString();
    }
    return controllers;
}

void DeviceDetails::refreshRows(int pane, const QStringList& controllers) {
    const ControllerPrefixes prefixes(controllers);
    StatusGrid& grid = window_.board().sections().grid(pane);
    for (int row = 1; row <= grid.rowCount(); ++row) {
        const QString address = grid.text(row, col::Address);
        if (!prefixes.covers(address))
            continue;
        // Communication boxes and ports keep stored reports of their own, not a controller's.
        if (Section(pane) == Section::Boxes || Section(pane) == Section::Ports)
            replay_.RequestSuperStatus(false, address, qint16(pane));
        if (const std::optional<RefreshTarget> target = refreshTargetOf(Section(pane), address))
            window_.board().dbRefresh().DBStatusUpdate(*target, address, row);
    }
}

// ---------------------------------------------------------------- properties

void DeviceDetails::properties() {
    const ClickedPoint point(window_);
    qint32 number = point.deviceNumber();
    const QString& address = point.address();
    QString kind;
    switch (point.pane()) {
    case Section::Doors: kind = QStringLiteral("Door"); break;
    case Section::Inputs:
        kind = address.contains(QLatin1String("BI")) ? QStringLiteral("Input") : QStringLiteral("ExpInput");
        break;
    case Section::Relays:
        kind = address.contains(QLatin1String("BR")) ? QStringLiteral("Output") : QStringLiteral("ExpOutput");
        break;
    case Section::Readers: kind = QStringLiteral("Reader"); break;
    case Section::Controllers: kind = QStringLiteral("Controller"); break;
    case Section::Boxes: kind = QStringLiteral("Pylon"); break;
    case Section::Ports: serverPortProperties(number); return;
    default: return;
    }
    ctx_.host().AlarmFormConfigureDevice(kind, number);
}

void DeviceDetails::serverPortProperties(qint32 portId) {
    db::Recordset port = ctx_.db().query(QStringLiteral("Select PortType, Address From ServerPorts Where PortID = ") +
                                         QString::number(portId));
    if (port.eof()) {
        ctx_.errorLog.writeToLog(kReportName + QStringLiteral(": no server port with id %1").arg(portId));
        return;
    }
    const qint64 portType = fields::number(port, QStringLiteral("PortType"));
    const QString address = fields::text(port, QStringLiteral("Address"));
    port.close();

    QString kind;
    switch (portType) {
    case 1:
    case 5: kind = QStringLiteral("Port"); break;
    case 2:
    case 3:
    case 4: kind = QStringLiteral("Dialup Location"); break;
    case 6: kind = QStringLiteral("CCTVPort"); break;
    case 7: portConfigCallBack(QStringLiteral("DVR_Config"), address); return;
    case 8: portConfigCallBack(QStringLiteral("CSR_Config"), address); return;
    default: return;
    }
    qint32 number = portId;
    ctx_.host().AlarmFormConfigureDevice(kind, number);
}

void DeviceDetails::portConfigCallBack(const QString& table, const QString& portAddress) {
    db::Command command(ctx_.db(),
                        QStringLiteral("Select GlobalAddressID From ") + table + QStringLiteral(" Where Address2 = ?"));
    command.appendParameter(QStringLiteral("@Address"), db::ParamType::VarChar, db::ParamDirection::Input,
                            int(portAddress.size()), portAddress);
    db::Recordset config = command.open();
    if (config.eof()) {
        ctx_.errorLog.writeToLog(kReportName + QStringLiteral(": no %1 row for port %2").arg(table, portAddress));
        return;
    }
    const QVariant recorder = config.field(0);
    config.close();
    ctx_.host().CallBack(QStringLiteral("DEVICEADMIN"), 0, QStringLiteral("PROPERTIES"), recorder);
}

}  // namespace so
