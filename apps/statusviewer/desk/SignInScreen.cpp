#include "desk/SignInScreen.h"

#include <QApplication>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace sv {

// ---- SignInDialog

SignInDialog::SignInDialog(OperatorSignIn& signIn, const QString& deskName, std::function<qint64()> now)
    : signIn_(signIn), deskName_(deskName), now_(std::move(now)) {
    setWindowTitle(tr("Sign in - %1").arg(deskName));
    setModal(true);
    heading_ = new QLabel(this);
    QFont bold = heading_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    heading_->setFont(bold);
    login_ = new QLineEdit(this);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    message_ = new QLabel(this);
    message_->setWordWrap(true);
    message_->setStyleSheet(QStringLiteral("color: #b00020"));
    submit_ = new QPushButton(tr("Sign in"), this);
    submit_->setDefault(true);
    auto* form = new QFormLayout;
    form->addRow(tr("Operator:"), login_);
    form->addRow(tr("Password:"), password_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(submit_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addLayout(form);
    layout->addWidget(message_);
    layout->addLayout(buttons);
    setMinimumWidth(380);
    connect(submit_, &QPushButton::clicked, this, [this] { submit(); });
}

void SignInDialog::present(bool switching, const QString& login) {
    using State = OperatorSignIn::State;
    if (switching)
        heading_->setText(tr("Switch operator at %1").arg(deskName_));
    else if (signIn_.state() == State::Locked)
        heading_->setText(tr("%1 is locked").arg(deskName_));
    else
        heading_->setText(tr("Sign in at %1").arg(deskName_));
    login_->setText(switching ? QString() : signIn_.operatorLogin().isEmpty() ? login : signIn_.operatorLogin());
    password_->clear();
    update();
    show();
    raise();
    activateWindow();
    (login_->text().isEmpty() ? login_ : password_)->setFocus();
}

void SignInDialog::update() {
    message_->setText(signIn_.message());
    message_->setVisible(!signIn_.message().isEmpty());
    submit_->setEnabled(!signIn_.waiting());
    submit_->setText(signIn_.waiting() ? tr("Signing in...") : tr("Sign in"));
}

void SignInDialog::reject() {
    if (signIn_.state() == OperatorSignIn::State::SignedIn)
        QDialog::reject();
}

void SignInDialog::submit() {
    const QByteArray password = password_->text().toUtf8();
    password_->clear();
    signIn_.submit(login_->text(), password, now_());
}

// ---- SignInScreen

SignInScreen::SignInScreen(OperatorSignIn& signIn, QWidget* window, const QString& deskName,
                           const QString& suggestedLogin)
    : signIn_(signIn), window_(window), dialog_(signIn, deskName, [this] { return clock_.elapsed(); }) {
    clock_.start();
    if (auto* bar = window != nullptr ? window->findChild<QStatusBar*>() : nullptr) {
        name_ = new QLabel(bar);
        bar->addPermanentWidget(name_);
        const auto button = [&](const QString& text, auto action) {
            auto* b = new QPushButton(text, bar);
            b->setFlat(true);
            connect(b, &QPushButton::clicked, this, action);
            bar->addPermanentWidget(b);
        };
        button(tr("Switch operator"), [this] { switchOperator(); });
        button(tr("Sign out"), [this] { signIn_.signOut(); });
        button(tr("Lock"), [this] { signIn_.lock(); });
    }
    qApp->installEventFilter(this);
    tick_.setInterval(1000);
    connect(&tick_, &QTimer::timeout, this, [this] { signIn_.tick(clock_.elapsed()); });
    tick_.start();
    if (window_ != nullptr)
        window_->hide();
    dialog_.present(false, suggestedLogin);
}

SignInScreen::~SignInScreen() { qApp->removeEventFilter(this); }

bool SignInScreen::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel: signIn_.input(clock_.elapsed()); break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

void SignInScreen::follow() {
    using State = OperatorSignIn::State;
    const bool signedIn = signIn_.state() == State::SignedIn;
    if (name_ != nullptr)
        name_->setText(signedIn ? tr("Operator: %1").arg(signIn_.operatorLogin()) : QString());
    if (signedIn && !signIn_.waiting() && signIn_.message().isEmpty()) {
        dialog_.hide();
        if (window_ != nullptr)
            window_->show();
        return;
    }
    if (!signedIn) {
        if (window_ != nullptr)
            window_->hide();
        if (!dialog_.isVisible())
            dialog_.present(false);
    }
    dialog_.update();
}

}  // namespace sv
