#include "web/PasswordChecks.h"

namespace sv::web {

PasswordChecks::PasswordChecks(int threads, int queueLimit) : queueLimit_(queueLimit) {
    pool_.setMaxThreadCount(threads);
}

PasswordChecks::~PasswordChecks() {
    pool_.clear();
    pool_.waitForDone();
}

bool PasswordChecks::check(OperatorDirectory::Credential credential, QByteArray password,
                           std::function<void(bool)> done) {
    if (pending_ >= pool_.maxThreadCount() + queueLimit_)
        return false;
    ++pending_;
    pool_.start(
        [this, credential = std::move(credential), password = std::move(password), done = std::move(done)]() mutable {
            const bool matches = OperatorDirectory::matches(credential, password);
            // Delivered in this object's thread; dropped with the object if it has gone by then
            // (the destructor waits for this task, so the object is still there to post to).
            QMetaObject::invokeMethod(
                this,
                [this, matches, done = std::move(done)] {
                    --pending_;
                    done(matches);
                },
                Qt::QueuedConnection);
        });
    return true;
}

}  // namespace sv::web
