// Reading the fields of the site database's record sets the way the window's cells need them.
//
// A number that is Null (or not a number) where the window needs one is a conversion failure of the
// procedure reading it (ComponentError TypeMismatch), which its error trap reports. A Null flag
// reads as false and a Null text as empty text: the site leaves optional flags and names unset.
#pragma once

#include "base/ComponentContext.h"
#include "base/Convert.h"
#include "base/Errors.h"
#include "base/Texts.h"

#include <statusobject/Db.h>

#include <QString>
#include <QVariant>

#include <cmath>

namespace so::fields {

inline qint64 toNumber(const QVariant& value, const QString& what) {
    if (value.isNull())
        throw ComponentError(ComponentError::TypeMismatch, QStringLiteral("Invalid use of Null: ") + what);
    bool ok = false;
    // A floating-point field rounds below (QVariant's own conversion would take a half up).
    const bool real = value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
    const qint64 whole = real ? 0 : value.toLongLong(&ok);
    if (ok)
        return whole;
    const double number = value.toDouble(&ok);
    if (ok && std::isfinite(number)) {
        const double rounded = roundHalfToEven(number);
        if (std::fabs(rounded) >= 9.2e18)
            throw ComponentError(ComponentError::Overflow, QStringLiteral("Overflow: ") + what);
        return qint64(rounded);
    }
    const QString text = value.toString().trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return 1;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return 0;
    throw ComponentError(ComponentError::TypeMismatch, QStringLiteral("Type mismatch: ") + what);
}

/// A number field; Null or not a number is a TypeMismatch failure.
inline qint64 number(const db::Recordset& rs, const QString& name) { return toNumber(rs.field(name), name); }

/// A truth field: nonzero (or "True") is true; Null is false.
inline bool flag(const db::Recordset& rs, const QString& name) {
    const QVariant value = rs.field(name);
    return !value.isNull() && toNumber(value, name) != 0;
}

/// A text field; Null is empty text.
inline QString text(const db::Recordset& rs, const QString& name) {
    const QVariant value = rs.field(name);
    return value.isNull() ? QString() : value.toString();
}

/// The host's yes (enabled) or no (disabled) text.
inline QString yesNoText(ComponentContext& ctx, bool yes) { return GRS(ctx, yes ? res::Yes : res::No); }

}  // namespace so::fields
