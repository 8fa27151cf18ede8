// Message boxes, input boxes, yes/no questions and the busy pointer as Qt dialogs, owned by the
// status window (their parent) once widgets exist. A box runs a nested event loop in which the host
// may delete the component: while one is open the component's lifetime is held (Lifetime.h), so the
// window that owns the box goes only after the box has closed and its caller returned.
#pragma once

#include "base/Lifetime.h"

#include <statusobject/Dialogs.h>

#include <QPointer>
#include <QWidget>

namespace so {

class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    ~QtDialogs() override;
    QtDialogs(const QtDialogs&) = delete;
    QtDialogs& operator=(const QtDialogs&) = delete;

    void setParent(QWidget* parent) { parent_ = parent; }
    /// The lifetime held while a box is open; none by default.
    void setLifetime(Lifetime* lifetime) { lifetime_ = lifetime; }

    void message(const QString& text, const QString& title, Icon icon) override;
    bool askYesNo(const QString& text, const QString& title) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    /// Nested calls are counted: the pointer comes back when every busy(true) got its busy(false).
    void setBusy(bool busy) override;
    int busyDepth() const { return busyDepth_; }

private:
    /// Holds lifetime_ while a box is open.
    class Hold;

    QPointer<QWidget> parent_;
    Lifetime* lifetime_ = nullptr;
    int busyDepth_ = 0;
};

}  // namespace so
