// Password checks off the event loop. One argon2id verification takes a fifth of a second or more;
// on the loop that serves every tab, a burst of sign-ins would stall the pushes of everyone
// signed in. Here they run on a few threads of their own with a bounded queue, and each answer
// comes back on the thread that asked, in its event loop.
#pragma once

#include "OperatorDirectory.h"

#include <QObject>
#include <QThreadPool>

#include <functional>

namespace sv::web {

class PasswordChecks final : public QObject {
public:
    static constexpr int kThreads = 2;
    /// Checks waiting for a thread at most: a flood beyond it is answered "busy" at once.
    static constexpr int kQueueLimit = 16;

    explicit PasswordChecks(int threads = kThreads, int queueLimit = kQueueLimit);
    /// Waits for the checks running; the answers of those not yet delivered are dropped.
    ~PasswordChecks() override;

    /// Verifies the password against the credential on a worker; `done` runs later on this
    /// object's thread with the result. False (and `done` never runs) when the queue is full.
    bool check(OperatorDirectory::Credential credential, QByteArray password, std::function<void(bool)> done);
    /// Checks running or waiting.
    int pending() const { return pending_; }

private:
    QThreadPool pool_;
    int queueLimit_;
    int pending_ = 0;
};

}  // namespace sv::web
