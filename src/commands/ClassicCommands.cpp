#include "commands/ClassicCommands.h"

#include "commands/ClickedPoint.h"
#include "base/ErrorTrap.h"
#include "window/StatusWindow.h"

namespace so {
namespace {

const QString kControllerQuery = QStringLiteral("Select Controller_ID From Controllers Where Address = ?");
constexpr int kAddressParameterSize = 25;
/// Expansion points are numbered after the eight points of the base board.
constexpr qint16 kExpansionOffset = 8;

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

}  // namespace

qint16 boardPointNumber(const QString& address) {
    const qsizetype n = address.size();
    if (n < 2 || !isDigit(address[n - 2]) || !isDigit(address[n - 1]))
        throw ComponentError(ComponentError::TypeMismatch,
                             QStringLiteral("Type mismatch: the point number of \"%1\"").arg(address));
    return qint16(address[n - 2].digitValue() * 10 + address[n - 1].digitValue());
}

std::optional<qint16> controlPointNumber(const QString& address) {
    const auto has = [&](const char* code) { return address.contains(QLatin1String(code)); };
    if (has("XI") || has("XR"))
        return qint16(boardPointNumber(address) + kExpansionOffset);
    if (has("DR") || has("BI") || has("BR"))
        return boardPointNumber(address);
    return std::nullopt;
}

QString ClassicCommands::accessCommand(int index) {
    switch (index) {
    case 0: return QStringLiteral("CALL_API|DOORFUNCTION|MOMENTARY_ACCESS");
    case 2: return QStringLiteral("CALL_API|DOORFUNCTION|UNLOCK_DOOR");
    case 3: return QStringLiteral("CALL_API|DOORFUNCTION|RELOCK_DOOR");
    default: return {};
    }
}

QString ClassicCommands::controlCommand(int index) {
    switch (index) {
    case 0: return QStringLiteral("CALL_API|CONTROLFUNCTION|TRIGGER");
    case 2: return QStringLiteral("CALL_API|CONTROLFUNCTION|MASK");
    case 3: return QStringLiteral("CALL_API|CONTROLFUNCTION|UNMASK");
    case 4: return QStringLiteral("CALL_API|CONTROLFUNCTION|MOMENTARY_MASK");
    case 6: return QStringLiteral("CALL_API|CONTROLFUNCTION|FORCEON");
    case 7: return QStringLiteral("CALL_API|CONTROLFUNCTION|FORCEON_RELEASE");
    case 9: return QStringLiteral("CALL_API|CONTROLFUNCTION|FORCEOFF");
    case 10: return QStringLiteral("CALL_API|CONTROLFUNCTION|FORCEOFF_RELEASE");
    case 12: return QStringLiteral("CALL_API|CONTROLFUNCTION|LOCKDOWN");
    case 13: return QStringLiteral("CALL_API|CONTROLFUNCTION|LOCKDOWN_RELEASE");
    case 15: return QStringLiteral("CALL_API|CONTROLFUNCTION|LOCKOPEN");
    case 16: return QStringLiteral("CALL_API|CONTROLFUNCTION|LOCKOPEN_RELEASE");
    default: return {};
    }
}

ClassicCommands::ClassicCommands(ComponentContext& ctx, StatusWindow& window) : ctx_(ctx), window_(window) {}

void ClassicCommands::runAccessEntry(int index) {
    trap(ctx_, QStringLiteral("FPopup.mnuAAccessFunctions_Click"), [&] {
        const QString command = accessCommand(index);
        if (command.isEmpty())
            return;
        const ClickedPoint point(window_);
        // Door functions go to rows of the doors, inputs and relays panes only.
        if (point.pane() > Section::Relays)
            return;
        const QString& address = point.address();
        send(address, command, boardPointNumber(address));
    });
}

void ClassicCommands::runControlEntry(int index) {
    trap(ctx_, QStringLiteral("FPopup.mnuAControlFunctions_Click"), [&] {
        const QString command = controlCommand(index);
        if (command.isEmpty())
            return;
        const ClickedPoint point(window_);
        const QString& address = point.address();
        if (const std::optional<qint16> number = controlPointNumber(address))
            send(address, command, *number);
    });
}

void ClassicCommands::send(const QString& address, const QString& command, qint16 pointNumber) {
    qint32 controller = pControllerIDForAddress(address);
    // Controller 0 names no controller: a command sent with it could never reach the point's
    // controller, so the operator is told instead.
    if (controller == 0)
        throw ComponentError(ComponentError::InvalidArgument,
                             QStringLiteral("No controller found for \"%1\"; the command was not sent").arg(address));
    ctx_.host().DTApiCall(controller, command, pointNumber);
}

qint32 ClassicCommands::pControllerIDForAddress(const QString& address) {
    return trapOr(ctx_, QStringLiteral("FPopup.pControllerIDForAddress"), qint32(0), [&]() -> qint32 {
        const qsizetype lastDot = address.lastIndexOf(QLatin1Char('.'));
        if (lastDot < 0)
            throw ComponentError(ComponentError::InvalidArgument,
                                 QStringLiteral("\"%1\" names no controller").arg(address));
        db::Command command(ctx_.db(), kControllerQuery);
        command.appendParameter(QStringLiteral("@Address"), db::ParamType::VarChar, db::ParamDirection::Input,
                                kAddressParameterSize, address.left(lastDot));
        db::Recordset controllers = command.open();
        if (controllers.eof())
            return 0;
        bool ok = false;
        const qint32 id = controllers.field(0).toInt(&ok);
        controllers.close();
        if (!ok)
            throw ComponentError(ComponentError::TypeMismatch, QStringLiteral("Controller_ID is not a number"));
        return id;
    });
}

}  // namespace so
