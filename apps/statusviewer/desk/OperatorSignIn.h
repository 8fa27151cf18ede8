// Who operates a desk: the operator signs in with a password the field verifies, may hand the
// desk to another operator (a switch: the new operator signs in, then the old one's session
// ends), signs out, and the desk locks after the site's idle time without input (the field's
// session ends; the same operator's password unlocks it, another operator's switches). A field
// restart ends every session: the desk asks for the password again.
//
// Plain logic without widgets or clock (times are passed in, from a steady clock): the sign-in
// dialog and the headless desk's password file drive it, the field is reached through Field.
#pragma once

#include <QCoreApplication>
#include <QByteArray>
#include <QString>

#include <functional>

namespace sv {

class OperatorSignIn {
    Q_DECLARE_TR_FUNCTIONS(sv::OperatorSignIn)

public:
    enum class State { SignedOut, SignedIn, Locked };
    static constexpr qint64 kAnswerTimeoutMs = 10000;

    /// The field's side of a sign-in (DeskLink in the application).
    struct Field {
        std::function<void(const QString& login, const QByteArray& password, std::function<void(const QString&)> done)>
            signIn;
        std::function<void(const QString& login)> signOut;
    };

    /// idleLockMs 0: the desk never locks by itself (a headless desk).
    OperatorSignIn(Field field, qint64 idleLockMs) : field_(std::move(field)), idleLockMs_(idleLockMs) {}

    /// Asks the field to sign login in; the answer comes through changed (and operatorChanged
    /// when the desk's operator is now another). One sign-in at a time: false while one waits.
    bool submit(const QString& login, const QByteArray& password, qint64 nowMs);
    void signOut();
    void lock();
    /// The operator used the desk: the idle time starts again.
    void input(qint64 nowMs);
    /// Locks the desk once the idle time has passed without input; gives up a sign-in the field
    /// has not answered within kAnswerTimeoutMs (the field is down or not yet up).
    void tick(qint64 nowMs);
    /// The field's sessions ended with its restart: the desk is locked for its operator.
    void fieldRestarted();

    State state() const { return state_; }
    bool waiting() const { return waiting_; }
    /// The operator signed in, or whose desk is locked; empty when signed out.
    const QString& operatorLogin() const { return operator_; }
    /// What the sign-in screen tells the operator ("Wrong operator name or password ..."); empty: nothing.
    const QString& message() const { return message_; }
    qint64 idleLockMs() const { return idleLockMs_; }

    /// The state, waiting or message changed.
    std::function<void()> changed;
    /// Another operator than before now operates the desk: the host tells the component.
    std::function<void(const QString& login)> operatorChanged;

private:
    void answered(const QString& login, const QString& refusal, qint64 nowMs);
    void endSession(State next, const QString& message);
    void tell();

    Field field_;
    qint64 idleLockMs_;
    State state_ = State::SignedOut;
    bool waiting_ = false;
    QString operator_;
    QString message_;
    qint64 lastInputMs_ = 0;
    qint64 submittedMs_ = 0;
};

}  // namespace sv
