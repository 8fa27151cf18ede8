// Failures raised inside the component. The error trap (ErrorTrap.h) turns each into a report.
#pragma once

#include <statusobject/Db.h>
#include <statusobject/Host.h>

#include <QString>
#include <stdexcept>

namespace so {

/// A failure of the component's own logic: a value that cannot be converted, a number out of range,
/// a row outside the grid. `number` follows the classic run-time error numbers the log shows.
class ComponentError : public std::runtime_error {
public:
    enum Number { Overflow = 6, SubscriptOutOfRange = 9, TypeMismatch = 13, InvalidArgument = 5 };
    ComponentError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description) {}
    int number() const { return number_; }
    QString description() const { return description_; }

private:
    int number_;
    QString description_;
};

/// A cell written or read by a column key the grid has not (a user's layout without that column).
/// The trap ends the procedure silently for this one: no log entry, no message.
class MissingColumnError : public std::runtime_error {
public:
    explicit MissingColumnError(const QString& key)
        : std::runtime_error(("Element not found: " + key).toStdString()), key_(key) {}
    QString key() const { return key_; }

private:
    QString key_;
};

/// Error numbers the log shows for the platform's failures.
inline constexpr int kDbErrorNumber = -2147467259;
inline constexpr int kMissingColumnNumber = 35601;

}  // namespace so
