#include "desk/OperatorSignIn.h"

namespace sv {

bool OperatorSignIn::submit(const QString& login, const QByteArray& password, qint64 nowMs) {
    if (waiting_ || login.trimmed().isEmpty())
        return false;
    waiting_ = true;
    submittedMs_ = nowMs;
    message_.clear();
    tell();
    const QString name = login.trimmed();
    field_.signIn(name, password, [this, name, nowMs](const QString& refusal) { answered(name, refusal, nowMs); });
    return true;
}

void OperatorSignIn::answered(const QString& login, const QString& refusal, qint64 nowMs) {
    waiting_ = false;
    if (!refusal.isEmpty()) {
        message_ = tr("Not signed in: %1").arg(refusal);
        tell();
        return;
    }
    const QString before = operator_;
    const bool switched = before.compare(login, Qt::CaseInsensitive) != 0;
    // The old operator's session ends only once the new one's is open: a refused switch leaves
    // the desk as it was.
    if (switched && state_ == State::SignedIn)
        field_.signOut(before);
    operator_ = login;
    state_ = State::SignedIn;
    lastInputMs_ = nowMs;
    message_.clear();
    if (switched && operatorChanged)
        operatorChanged(login);
    tell();
}

void OperatorSignIn::endSession(State next, const QString& message) {
    if (state_ == State::SignedIn)
        field_.signOut(operator_);
    state_ = next;
    if (next == State::SignedOut)
        operator_.clear();
    message_ = message;
    tell();
}

void OperatorSignIn::signOut() { endSession(State::SignedOut, QString()); }

void OperatorSignIn::lock() {
    if (state_ == State::SignedIn)
        endSession(State::Locked, tr("Locked: %1 signs in again, or another operator signs in.").arg(operator_));
}

void OperatorSignIn::input(qint64 nowMs) { lastInputMs_ = nowMs; }

void OperatorSignIn::tick(qint64 nowMs) {
    if (waiting_ && nowMs - submittedMs_ >= kAnswerTimeoutMs) {
        waiting_ = false;
        message_ = tr("The field did not answer: try again.");
        tell();
    }
    if (idleLockMs_ > 0 && state_ == State::SignedIn && nowMs - lastInputMs_ >= idleLockMs_)
        lock();
}

void OperatorSignIn::fieldRestarted() {
    if (state_ != State::SignedIn)
        return;
    // The field holds the session no more: nothing to end there.
    state_ = State::Locked;
    message_ = tr("The field restarted: %1 signs in again.").arg(operator_);
    tell();
}

void OperatorSignIn::tell() {
    if (changed)
        changed();
}

}  // namespace sv
