// Reading numbers out of texts: state values reported by the host and the texts of grid cells.
//
// A text that is not a number where one is needed is a failure of the procedure that reads it
// (ComponentError TypeMismatch, a value out of range Overflow), reported by its error trap. Texts
// with a fractional part round to the nearest whole number, a half to the even neighbour, as the
// host's own conversions do.
#pragma once

#include <QString>

#include <optional>

namespace so {

/// The whole number nearest to value, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4,
/// -2.5 -> -2): the one rounding of every number the component reads, from the host's state values,
/// the stored status texts, the site's fields and the packed line states alike. Independent of the
/// floating-point rounding mode; infinities and NaN come back as they are.
double roundHalfToEven(double value);

/// The number in text (blanks around it allowed); ComponentError TypeMismatch when there is none.
double toNumber(const QString& text);

/// text as a 16-bit / 32-bit whole number (rounded); TypeMismatch or Overflow.
qint16 toInt16(const QString& text);
qint32 toInt32(const QString& text);

/// The value when text is a plain whole number (optional sign and digits, blanks around it allowed)
/// that fits 32 bits; nothing for anything else. Used where a value goes into a statement.
std::optional<qint32> wholeNumber(const QString& text);

}  // namespace so
