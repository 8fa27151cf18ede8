#include "domain/Permissions.h"

#include "base/ErrorTrap.h"
#include "base/Texts.h"

#include <QHash>

#include <memory>

namespace so {
namespace {

constexpr qint16 kSyncPermission = 14;

}  // namespace

bool CheckOperatorPermission(ComponentContext& ctx, qint32& number) {
    return trapOr(ctx, QStringLiteral("MPublic.CheckOperatorPermission"), false,
                  [&] { return ctx.site().PermissionGranted(kOperatorPermissionKind, number); });
}

bool CheckSyncPermission(ComponentContext& ctx, qint32& number) {
    return trapOr(ctx, QStringLiteral("MPublic.CheckSyncPermission"), false,
                  [&] { return ctx.site().PermissionGranted(kSyncPermission, number); });
}

bool CheckRolePoint(ComponentContext& ctx, const QString& address) {
    return trapOr(ctx, QStringLiteral("MPublic.CheckRolePoint"), false,
                  [&] { return outsideOperatorBoundaries(ctx.db(), ctx.site().UserId(), address); });
}

CommandRuleAnswers windowOperatorAnswers(ComponentContext& ctx) {
    struct Asked {
        QHash<qint32, bool> permissions;
        QHash<QString, bool> outside;
    };
    auto asked = std::make_shared<Asked>();
    return {[&ctx, asked](qint32& number) {
                auto it = asked->permissions.constFind(number);
                if (it == asked->permissions.constEnd()) {
                    const qint32 key = number;
                    it = asked->permissions.insert(key, CheckOperatorPermission(ctx, number));
                }
                return *it;
            },
            [&ctx, asked](const QString& point) {
                auto it = asked->outside.constFind(point);
                if (it == asked->outside.constEnd())
                    it = asked->outside.insert(point, CheckRolePoint(ctx, point));
                return *it;
            }};
}

bool LockComponentA(ComponentContext& ctx, qint32 kind, qint32 id, bool showMessage, const QString& extraText) {
    return trapOr(ctx, QStringLiteral("MPublic.LockComponentA"), false, [&] {
        QString holder;
        QString where;
        if (ctx.site().ComponentIsLocked(kind, id, holder, where)) {
            if (showMessage) {
                const QString text = extraText.isEmpty()
                                         ? GRS(ctx, res::LockedBy, {holder, where})
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
        static const char* const kStates[] = {
            "Idle",      "Answering...", "Line is busy", "Connected", "Dialing...", "Unspecified Error",
            "No Answer", "No Carrier",   "No Dial Tone", "Ring..."};
        if (code < 0 || code > 9)
            throw ComponentError(ComponentError::SubscriptOutOfRange,
                                 QStringLiteral("Dial-up state %1 is outside 0 to 9").arg(code));
        return QString::fromLatin1(kStates[code]);
    });
}

}  // namespace so
