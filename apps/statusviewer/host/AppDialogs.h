// What a workstation's status window does instead of a message box, input box or question when
// the run is headless: nobody could answer, so nothing waits. Messages go to the application's
// log; questions are answered "no" and input boxes cancelled.
#pragma once

#include <statusobject/Dialogs.h>

namespace sv {

class AppLog;

class LoggedDialogs final : public so::Dialogs {
public:
    LoggedDialogs(AppLog& log, QString workstation) : log_(log), workstation_(std::move(workstation)) {}

    void message(const QString& text, const QString& title, Icon icon) override;
    bool askYesNo(const QString& text, const QString& title) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    void setBusy(bool) override {}

private:
    AppLog& log_;
    QString workstation_;
};

}  // namespace sv
