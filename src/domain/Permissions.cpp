#include "domain/Permissions.h"

#include "base/ErrorTrap.h"
#include "base/Texts.h"

namespace so {
namespace {

constexpr qint16 kOperatorPermission = 10;
constexpr qint16 kSyncPermission = 14;

const QString kRolePointQuery = QStringLiteral(
    "Select Address from boundaries Where boundaries.Address = ?"
    " and objecttype = 21 and WorkstationID = 1 and GroupID IN"
    " (SELECT     OperatorsToGroups.GroupID"
    " FROM         Operators INNER JOIN"
    " OperatorsToGroups ON Operators.OperatorID = OperatorsToGroups.OperatorID"
    " WHERE     (Operators.OperatorID = ?))");

}  // namespace

bool CheckOperatorPermission(ComponentContext& ctx, qint32& number) {
    return trapOr(ctx, QStringLiteral("MPublic.CheckOperatorPermission"), false,
                  [&] { return ctx.site().PermissionGranted(kOperatorPermission, number); });
}

bool CheckSyncPermission(ComponentContext& ctx, qint32& number) {
    return trapOr(ctx, QStringLiteral("MPublic.CheckSyncPermission"), false,
                  [&] { return ctx.site().PermissionGranted(kSyncPermission, number); });
}

bool CheckRolePoint(ComponentContext& ctx, const QString& address) {
    return trapOr(ctx, QStringLiteral("MPublic.CheckRolePoint"), false, [&] {
        const qint32 operatorId = ctx.site().UserId();
        db::Command command(ctx.db(), kRolePointQuery);
        command.appendParameter(QStringLiteral("@Address"), db::ParamType::NVarChar, db::ParamDirection::Input,
                                int(address.size()), address);
        command.appendParameter(QStringLiteral("@OperatorID"), db::ParamType::Integer, db::ParamDirection::Input, 0,
                                operatorId);
        db::Recordset boundaries = command.open();
        const bool noBoundary = boundaries.eof();
        boundaries.close();
        return noBoundary;
    });
}

bool LockComponentA(ComponentContext& ctx, qint32 kind, qint32 id, bool showMessage, const QString& extraText) {
    return trapOr(ctx, QStringLiteral("MPublic.LockComponentA"), false, [&] {
        QString holder;
        QString where;
        if (ctx.site().ComponentIsLocked(kind, id, holder, where)) {
            if (showMessage) {
                const QString text = extraText.isEmpty() ? GRS(ctx, res::LockedBy, {holder, where})
                                                         : GRS(ctx, res::LockedByWithDetail, {holder, where, extraText});
                ctx.dialogs->message(text, GRS(ctx, res::LockedTitle), Dialogs::Icon::Information);
            }
            return false;
        }
        // The lock can still be lost to another workstation between the question and the taking;
        // only a granted lock lets the caller edit.
        return ctx.site().LockComponent(kind, id);
    });
}

QString GetDialupState(ComponentContext& ctx, qint16 code) {
    return trapOr(ctx, QStringLiteral("MPublic.GetDialupState"), QString(), [&] {
        static const char* const kStates[] = {"Idle",       "Answering...",      "Line is busy", "Connected",
                                              "Dialing...", "Unspecified Error", "No Answer",    "No Carrier",
                                              "No Dial Tone", "Ring..."};
        if (code < 0 || code > 9)
            throw ComponentError(ComponentError::SubscriptOutOfRange,
                                 QStringLiteral("Dial-up state %1 is outside 0 to 9").arg(code));
        return QString::fromLatin1(kStates[code]);
    });
}

}  // namespace so
