#include "base/Convert.h"

#include "base/Errors.h"

#include <cmath>
#include <limits>

namespace so {
namespace {

template <class Int>
Int roundedInto(const QString& text) {
    const double rounded = roundHalfToEven(toNumber(text));
    if (rounded < double(std::numeric_limits<Int>::min()) || rounded > double(std::numeric_limits<Int>::max()))
        throw ComponentError(ComponentError::Overflow, QStringLiteral("Overflow: \"%1\"").arg(text));
    return Int(rounded);
}

}  // namespace

double roundHalfToEven(double value) {
    const double nearest = std::round(value);  // a half away from zero
    if (std::fabs(value - std::trunc(value)) != 0.5)
        return nearest;
    return 2.0 * std::round(value / 2.0);  // a half: the even one of the two neighbours
}

namespace {

/// The value of a short plain whole number ("7", "-12", "0042": digits with an optional leading
/// minus, nothing else), the form nearly every state value and cell number has; nothing for any
/// other text. Exact, so it reads what the general conversion reads ("-0" gives -0.0 as well).
std::optional<double> shortWholeNumber(const QString& text) {
    const qsizetype size = text.size();
    const QChar* p = text.constData();
    const bool negative = size > 0 && p[0] == QLatin1Char('-');
    const qsizetype first = negative ? 1 : 0;
    if (size - first < 1 || size - first > 9)
        return std::nullopt;
    qint32 value = 0;
    for (qsizetype i = first; i < size; ++i) {
        const char16_t c = p[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return negative ? -double(value) : double(value);
}

}  // namespace

double toNumber(const QString& text) {
    if (const std::optional<double> value = shortWholeNumber(text))
        return *value;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw ComponentError(ComponentError::TypeMismatch, QStringLiteral("Type mismatch: \"%1\"").arg(text));
    return value;
}

qint16 toInt16(const QString& text) { return roundedInto<qint16>(text); }

qint32 toInt32(const QString& text) { return roundedInto<qint32>(text); }

std::optional<qint32> wholeNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        const bool sign = i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+')) && t.size() > 1;
        if (!sign && (c < QLatin1Char('0') || c > QLatin1Char('9')))
            return std::nullopt;
    }
    bool ok = false;
    const qint32 value = t.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

}  // namespace so
