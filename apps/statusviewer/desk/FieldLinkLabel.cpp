#include "desk/FieldLinkLabel.h"

#include <QLabel>
#include <QStatusBar>
#include <QWidget>

namespace sv {

FieldLinkLabel::FieldLinkLabel(QWidget* window) {
    bar_ = window != nullptr ? window->findChild<QStatusBar*>() : nullptr;
    if (bar_ == nullptr)
        return;
    label_ = new QLabel(bar_);
    bar_->addWidget(label_);
    field_ = new QLabel(bar_);
    bar_->addWidget(field_);
    show(false, {});
    showField(QStringLiteral("\u25B2 ") + tr("Field state unknown"), true);
}

QString FieldLinkLabel::linkText(bool up, const QDateTime& lostSince) {
    return up                    ? QStringLiteral("\u25CF ") + tr("Broker up")
           : lostSince.isValid() ? QStringLiteral("\u25B2 ") +
                                       tr("Broker lost since %1").arg(lostSince.toString(QStringLiteral("HH:mm:ss")))
                                 : QStringLiteral("\u25B2 ") + tr("Broker connecting");
}

void FieldLinkLabel::show(bool up, const QDateTime& lostSince) {
    if (label_ == nullptr)
        return;
    label_->setText(linkText(up, lostSince));
    label_->setStyleSheet(up ? QString() : QStringLiteral("color: #b00000; font-weight: bold;"));
}

void FieldLinkLabel::showField(const QString& text, bool alarm) {
    if (field_ == nullptr)
        return;
    field_->setText(text);
    field_->setStyleSheet(alarm ? QStringLiteral("color: #b00000; font-weight: bold;") : QString());
}

QString FieldLinkLabel::text() const {
    return label_ != nullptr ? label_->text() + QLatin1Char(' ') + field_->text() : QString();
}

void FieldLinkLabel::tell(const QString& message) {
    if (bar_ != nullptr)
        bar_->showMessage(message, kMessageMs);
}

}  // namespace sv
