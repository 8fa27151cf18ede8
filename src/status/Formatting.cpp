#include "status/Formatting.h"

#include "shell/Texts.h"

#include <QDateTime>
#include <QLocale>

namespace so {
namespace {

const QString kTimeSuffix = QStringLiteral(" HH:mm:ss");

QString padded(qint64 value, int digits) {
    const QString number = QString::number(value < 0 ? -value : value).rightJustified(digits, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + number : number;
}

/// Reads a report time: first as the host writes it (its date format and " HH:mm:ss", as the live
/// intake completes an empty time), then the forms the database hands back, then the system's.
QDateTime readDateTime(const QString& text, const QString& hostDateTimeFormat, const QString& hostDateFormat) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    QDateTime when = QDateTime::fromString(t, hostDateTimeFormat);
    if (when.isValid())
        return when;
    for (const auto format : {Qt::ISODateWithMs, Qt::ISODate}) {
        when = QDateTime::fromString(t, format);
        if (when.isValid())
            return when;
    }
    for (const QString& format : {QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"), QStringLiteral("yyyy-MM-dd HH:mm:ss"),
                                  QStringLiteral("yyyy-MM-dd HH:mm")}) {
        when = QDateTime::fromString(t, format);
        if (when.isValid())
            return when;
    }
    const QLocale locale;
    for (const auto format : {QLocale::ShortFormat, QLocale::LongFormat}) {
        when = locale.toDateTime(t, format);
        if (when.isValid())
            return when;
    }
    // A date alone is midnight of that day.
    for (const QDate day : {QDate::fromString(t, hostDateFormat), QDate::fromString(t, Qt::ISODate),
                            locale.toDate(t, QLocale::ShortFormat)}) {
        if (day.isValid())
            return day.startOfDay();
    }
    return {};
}

/// The long time format of the locale (the system's unless the host set another) without a time
/// zone: a time of a report has none.
QString longTimeFormat() {
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

}  // namespace

QString DateTimeConverter::convert(ComponentContext& ctx, const QString& timeText) {
    const QString& hostFormat = dateTimeFormat(ctx);
    if (hostFormat != dateTimeFormat_ || ctx.timeFormat != timeFormat_) {
        kept_.clear();
        hasLast_ = false;
        dateTimeFormat_ = hostFormat;
        timeFormat_ = ctx.timeFormat;
    }
    if (hasLast_ && timeText == lastTime_)
        return lastText_;
    auto it = kept_.constFind(timeText);
    if (it == kept_.constEnd()) {
        if (kept_.size() >= kMaxKept)
            kept_.clear();
        it = kept_.insert(timeText, format(timeText));
    }
    lastTime_ = timeText;
    lastText_ = *it;
    hasLast_ = true;
    return lastText_;
}

QString DateTimeConverter::format(const QString& timeText) const {
    const QString hostDateFormat = dateTimeFormat_.endsWith(kTimeSuffix) ? dateTimeFormat_.chopped(kTimeSuffix.size())
                                                                         : dateTimeFormat_;
    const QDateTime when = readDateTime(timeText, dateTimeFormat_, hostDateFormat);
    if (!when.isValid())
        return {};
    const QString time = when.time().toString(timeFormat_ ? QStringLiteral("HH:mm:ss") : longTimeFormat());
    return when.date().toString(hostDateFormat) + QLatin1Char(' ') + time;
}

QString C2(qint64 value) { return padded(value, 2); }

QString C3(qint64 value) { return padded(value, 3); }

QString voltageText(quint8 state) { return QString::number(state * 4.97 / 255.0, 'f', 2); }

}  // namespace so
