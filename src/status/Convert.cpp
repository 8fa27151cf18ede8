#include "status/Convert.h"

#include "shell/Errors.h"

#include <cmath>
#include <limits>

namespace so {
namespace {

template <class Int>
Int roundedInto(const QString& text) {
    const double rounded = std::nearbyint(toNumber(text));  // default rounding: half to even
    if (rounded < double(std::numeric_limits<Int>::min()) || rounded > double(std::numeric_limits<Int>::max()))
        throw ComponentError(ComponentError::Overflow, QStringLiteral("Overflow: \"%1\"").arg(text));
    return Int(rounded);
}

}  // namespace

double toNumber(const QString& text) {
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
