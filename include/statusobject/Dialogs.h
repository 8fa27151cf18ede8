// Everything that would block on the operator: message boxes, input boxes, yes/no questions and the
// busy pointer. The window installs Qt dialogs unless the host hands the component its own
// (Status::setDialogs): a host that runs without anyone at the screen answers here instead.
#pragma once

#include <QString>
#include <optional>

namespace so {

class Dialogs {
public:
    enum class Icon { Information, Warning, Critical, Question };
    virtual ~Dialogs() = default;
    virtual void message(const QString& text, const QString& title, Icon icon) = 0;
    /// true for yes, false for no.
    virtual bool askYesNo(const QString& text, const QString& title) = 0;
    /// The text typed, or nothing when the operator cancelled.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText = {}) = 0;
    virtual void setBusy(bool busy) = 0;
};

}  // namespace so
