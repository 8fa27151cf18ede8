// The multi-desk site in a status window's status bar.
#pragma once

class QLabel;
class QStatusBar;
class QWidget;

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

namespace sv {

/// The broker link and the field in a status window's status bar: "Broker up", or in red
/// "Broker lost since 10:42:13"; beside it the field's own state, "Field online", or in red
/// "Field offline since 10:42:13".
class FieldLinkLabel {
    Q_DECLARE_TR_FUNCTIONS(sv::FieldLinkLabel)

public:
    /// Adds the labels to the status bar of window (nothing when it has none).
    explicit FieldLinkLabel(QWidget* window);
    void show(bool up, const QDateTime& lostSince);
    /// The broker link's words: "● Broker up", "▲ Broker lost since 10:42:13", "▲ Broker connecting".
    static QString linkText(bool up, const QDateTime& lostSince);
    void showField(const QString& text, bool alarm);
    /// Shows a message for the operator in the status bar for kMessageMs.
    void tell(const QString& message);
    static constexpr int kMessageMs = 15000;
    /// The texts shown, link and field, one space apart (empty without a status bar).
    QString text() const;

private:
    QLabel* label_ = nullptr;
    QLabel* field_ = nullptr;
    QStatusBar* bar_ = nullptr;
};

}  // namespace sv
