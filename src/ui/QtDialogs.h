// Message boxes, input boxes, yes/no questions and the busy pointer as Qt dialogs, owned by the
// status window (their parent) once widgets exist.
#pragma once

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

    void message(const QString& text, const QString& title, Icon icon) override;
    bool askYesNo(const QString& text, const QString& title) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    /// Nested calls are counted: the pointer comes back when every busy(true) got its busy(false).
    void setBusy(bool busy) override;
    int busyDepth() const { return busyDepth_; }

private:
    QPointer<QWidget> parent_;
    int busyDepth_ = 0;
};

}  // namespace so
