#include "domain/Formatting.h"

#include "base/Texts.h"

#include <QDateTime>
#include <QLocale>

namespace so {
namespace {

const QString kTimeSuffix = QStringLiteral(" HH:mm:ss");

/// "yyyy-MM-dd HH:mm:ss" read digit by digit; invalid for any other text or a date or time that
/// does not exist. The general format reader takes tens of microseconds a text, and a fill reads
/// one time text per stored report.
QDateTime readPlainDateTime(QStringView t) {
    static constexpr char kPattern[] = "dddd-dd-dd dd:dd:dd";
    if (t.size() != qsizetype(sizeof(kPattern) - 1))
        return {};
    int digits[14];
    int n = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (kPattern[i] != 'd') {
            if (c != char16_t(kPattern[i]))
                return {};
        } else if (c < u'0' || c > u'9') {
            return {};
        } else {
            digits[n++] = c - u'0';
        }
    }
    const auto number = [&](int first, int count) {
        int value = 0;
        for (int k = first; k < first + count; ++k)
            value = value * 10 + digits[k];
        return value;
    };
    const QDate date(number(0, 4), number(4, 2), number(6, 2));
    const QTime time(number(8, 2), number(10, 2), number(12, 2));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

/// "yyyy-MM-dd HH:mm:ss" of a date and time written digit by digit; empty for a year that is not
/// four digits long. The general formatter takes microseconds a text, and a fill formats one time
/// per stored report.
QString plainDateTimeText(const QDateTime& when) {
    const QDate date = when.date();
    const QTime time = when.time();
    if (date.year() < 1000 || date.year() > 9999)
        return {};
    QString out(19, Qt::Uninitialized);
    char16_t* p = reinterpret_cast<char16_t*>(out.data());
    const auto put = [&p](int value, int digits) {
        for (int k = digits - 1; k >= 0; --k) {
            p[k] = char16_t(u'0' + value % 10);
            value /= 10;
        }
        p += digits;
    };
    const auto sep = [&p](char16_t c) { *p++ = c; };
    put(date.year(), 4);
    sep(u'-');
    put(date.month(), 2);
    sep(u'-');
    put(date.day(), 2);
    sep(u' ');
    put(time.hour(), 2);
    sep(u':');
    put(time.minute(), 2);
    sep(u':');
    put(time.second(), 2);
    return out;
}

/// Reads a report time: first as the host writes it (its date format and " HH:mm:ss", as the live
/// intake completes an empty time), then the forms the database hands back, then the system's.
QDateTime readDateTime(const QString& text, const QString& hostDateTimeFormat, const QString& hostDateFormat) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    if (hostDateTimeFormat == QLatin1String("yyyy-MM-dd HH:mm:ss")) {
        // The host's format is the stored one: the plain form needs no general reader.
        const QDateTime plain = readPlainDateTime(t);
        if (plain.isValid())
            return plain;
    }
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

const UpdatedStamp& DateTimeConverter::convert(ComponentContext& ctx, const QString& timeText) {
    const QString& hostFormat = dateTimeFormat(ctx);
    if (!sameText(hostFormat, dateTimeFormat_) || ctx.timeFormat != timeFormat_) {
        kept_.clear();
        hasLast_ = false;
        dateTimeFormat_ = hostFormat;
        timeFormat_ = ctx.timeFormat;
    }
    if (hasLast_ && sameText(timeText, lastTime_))
        return last_;
    static const UpdatedStamp kNoTime;
    if (timeText.size() > kMaxTimeLength)
        return kNoTime;
    auto it = kept_.constFind(timeText);
    if (it == kept_.constEnd()) {
        if (kept_.size() >= kMaxKept)
            kept_.clear();
        it = kept_.insert(timeText, format(timeText));
    }
    lastTime_ = timeText;
    last_ = *it;
    hasLast_ = true;
    return last_;
}

UpdatedStamp DateTimeConverter::format(const QString& timeText) const {
    const QString hostDateFormat =
        dateTimeFormat_.endsWith(kTimeSuffix) ? dateTimeFormat_.chopped(kTimeSuffix.size()) : dateTimeFormat_;
    const QDateTime when = readDateTime(timeText, dateTimeFormat_, hostDateFormat);
    if (!when.isValid())
        return {};
    const qint64 msecs = when.toMSecsSinceEpoch();
    if (timeFormat_ && hostDateFormat == QLatin1String("yyyy-MM-dd")) {
        const QString plain = plainDateTimeText(when);
        if (!plain.isEmpty())
            return {plain, msecs};
    }
    const QString time = when.time().toString(timeFormat_ ? QStringLiteral("HH:mm:ss") : longTimeFormat());
    return {when.date().toString(hostDateFormat) + QLatin1Char(' ') + time, msecs};
}

QString padded(qint64 value, int digits) {
    const QString number = QString::number(value < 0 ? -value : value).rightJustified(digits, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + number : number;
}

QString voltageText(quint8 state) { return QString::number(state * 4.97 / 255.0, 'f', 2); }

}  // namespace so
