#include "host/AppDialogs.h"

#include "host/AppLog.h"

namespace sv {
namespace {

QString oneLine(const QString& text) { return QString(text).replace(QLatin1Char('\n'), QLatin1String(" / ")); }

}  // namespace

// Messages are logged as information: an error report behind a message box is already counted
// by the component's own error log.
void LoggedDialogs::message(const QString& text, const QString& title, Icon) {
    log_.info(QStringLiteral("%1: message \"%2\": %3").arg(workstation_, title, oneLine(text)));
}

bool LoggedDialogs::askYesNo(const QString& text, const QString& title) {
    log_.info(QStringLiteral("%1: question \"%2\" answered no: %3").arg(workstation_, title, oneLine(text)));
    return false;
}

std::optional<QString> LoggedDialogs::inputBox(const QString& prompt, const QString& title, const QString&) {
    log_.info(QStringLiteral("%1: input box \"%2\" cancelled: %3").arg(workstation_, title, oneLine(prompt)));
    return std::nullopt;
}

}  // namespace sv
