// Why a process of the site could not start; the message is meant for the person who started it.
#pragma once

#include <QString>

#include <stdexcept>

namespace sv {

/// Why the application could not start; the message is meant for the person who started it.
class StartupError : public std::runtime_error {
public:
    explicit StartupError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }

private:
    QString message_;
};

}  // namespace sv
