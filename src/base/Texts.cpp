#include "base/Texts.h"

#include "base/CoarseClock.h"
#include "base/ErrorTrap.h"

#include <QDateTime>

namespace so {

QString GRS(ComponentContext& ctx, qint32 number, const QStringList& fillIns) {
    return trapOr(ctx, QStringLiteral("MPublic: GRS"), QString(), [&] {
        if (fillIns.isEmpty() || fillIns.first().isEmpty()) {
            auto cached = ctx.resourceCache.constFind(number);
            if (cached != ctx.resourceCache.constEnd())
                return *cached;
            qint32 n = number;
            QString text = ctx.site().GetResourceString(n);
            ctx.resourceCache.insert(number, text);
            return text;
        }
        QStringList nine = fillIns;
        while (nine.size() < 9)
            nine.append(QString());
        return ctx.site().GRS(number, nine.mid(0, 9));
    });
}

QString FixA(ComponentContext& ctx, const QString& text) {
    return trapOr(ctx, QStringLiteral("MPublic: FixA"), QString(), [&] { return ctx.site().Fix_Apostrophe(text); });
}

void ClearParameters(db::Command& command) {
    while (command.parameterCount() > 0)
        command.deleteParameter(0);
}

const QString& dateTimeFormat(ComponentContext& ctx) {
    if (ctx.dateTimeFormat.isEmpty())
        ctx.dateTimeFormat = ctx.site().GetDateFormat() + QStringLiteral(" HH:mm:ss");
    return ctx.dateTimeFormat;
}

const QString& NowText::read(ComponentContext& ctx) {
    const qint64 second = ctx.shownMomentMs != 0 ? ctx.shownMomentMs / 1000 : coarse::secondsSinceEpoch();
    if (second != second_) {
        text_ = QDateTime::fromSecsSinceEpoch(second).toString(dateTimeFormat(ctx));
        second_ = second;
    }
    return text_;
}

}  // namespace so
