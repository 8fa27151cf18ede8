#include "ui/QtDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace so {
namespace {

QMessageBox::Icon boxIcon(Dialogs::Icon icon) {
    switch (icon) {
    case Dialogs::Icon::Information: return QMessageBox::Information;
    case Dialogs::Icon::Warning: return QMessageBox::Warning;
    case Dialogs::Icon::Critical: return QMessageBox::Critical;
    case Dialogs::Icon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

class QtDialogs::Hold {
public:
    explicit Hold(Lifetime* lifetime) {
        if (lifetime != nullptr)
            scope_.emplace(*lifetime, Lifetime::Entry::WindowEvent);
    }

private:
    std::optional<Lifetime::Scope> scope_;
};

QtDialogs::~QtDialogs() {
    // A busy pointer left on by a failure must not outlive the window.
    while (busyDepth_ > 0)
        setBusy(false);
}

void QtDialogs::message(const QString& text, const QString& title, Icon icon) {
    const Hold hold(lifetime_);
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, parent_);
    box.exec();
}

bool QtDialogs::askYesNo(const QString& text, const QString& title) {
    const Hold hold(lifetime_);
    return QMessageBox::question(parent_, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

std::optional<QString> QtDialogs::inputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    const Hold hold(lifetime_);
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

void QtDialogs::setBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++busyDepth_;
    } else if (busyDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --busyDepth_;
    }
}

}  // namespace so
