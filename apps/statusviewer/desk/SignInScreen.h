// The desktop desk's sign-in on screen, thin over OperatorSignIn: the sign-in dialog (also for a
// switch of operator and to unlock), the operator's name with "Switch operator", "Sign out" and
// "Lock" in the status window's status bar, the window hidden while nobody is signed in or the
// desk is locked, and every key press or mouse click in the application counted as input for the
// idle lock.
#pragma once

#include "desk/OperatorSignIn.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace sv {

class SignInDialog final : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(sv::SignInScreen)

public:
    SignInDialog(OperatorSignIn& signIn, const QString& deskName, std::function<qint64()> now);
    /// Shows the dialog for the state: signing in, switching operator or unlocking; login fills
    /// the operator's field when the state names nobody.
    void present(bool switching, const QString& login = {});
    /// Follows the sign-in's state and message.
    void update();

protected:
    /// Closing the dialog cancels only a switch of operator: a desk nobody signed in to stays closed.
    void reject() override;

private:
    void submit();

    OperatorSignIn& signIn_;
    QString deskName_;
    std::function<qint64()> now_;
    QLabel* heading_;
    QLineEdit* login_;
    QLineEdit* password_;
    QLabel* message_;
    QPushButton* submit_;
};

class SignInScreen final : public QObject {
    Q_DECLARE_TR_FUNCTIONS(sv::SignInScreen)

public:
    /// window: the status window (hidden until an operator is signed in).
    SignInScreen(OperatorSignIn& signIn, QWidget* window, const QString& deskName, const QString& suggestedLogin);
    ~SignInScreen() override;

    /// Opens the dialog for another operator to sign in (the status bar's "Switch operator").
    void switchOperator() { dialog_.present(true); }
    /// Follows the sign-in's state: the window shown only while an operator is signed in.
    void follow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    OperatorSignIn& signIn_;
    QPointer<QWidget> window_;
    QElapsedTimer clock_;
    SignInDialog dialog_;
    QLabel* name_ = nullptr;
    QTimer tick_;
};

}  // namespace sv
