// Everything that would block on the operator: message boxes, input boxes, yes/no questions and the
// busy pointer. The window installs Qt dialogs unless the host hands the component its own
// (Status::setDialogs): a host that runs without anyone at the screen answers here instead.
#pragma once

#include <statusobject/Export.h>

#include <QString>
#include <optional>

namespace so {

/// Called on the user-interface thread; each call may block (a modal dialog runs a nested event
/// loop) until the operator answers. Members must not throw.
class STATUSOBJECT_EXPORT Dialogs {
public:
    /// The icon of a message box.
    enum class Icon { Information, Warning, Critical, Question };
    virtual ~Dialogs() = default;
    /// Shows text under title until the operator closes it.
    virtual void message(const QString& text, const QString& title, Icon icon) = 0;
    /// true for yes, false for no.
    virtual bool askYesNo(const QString& text, const QString& title) = 0;
    /// The text typed, or nothing when the operator cancelled.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText = {}) = 0;
    /// Shows (true) or ends (false) the busy pointer; calls nest.
    virtual void setBusy(bool busy) = 0;
};

}  // namespace so
