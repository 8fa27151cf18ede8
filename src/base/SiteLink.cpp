#include "base/SiteLink.h"

#include "base/ComponentContext.h"

namespace so {

SiteLink::SiteLink(ComponentContext& ctx, QObject* parent) : QObject(parent), ctx_(ctx) {
    clockStartUtc_ = QDateTime::currentDateTimeUtc();
    clockStartMs_ = coarse::monotonicMs();
    checkTimer_.setInterval(kWatchIntervalSeconds * 1000);
    connect(&checkTimer_, &QTimer::timeout, this, &SiteLink::tick);
    checkTimer_.start();
}

SiteLink::~SiteLink() {
    if (ctx_.siteLink == this)
        ctx_.siteLink = nullptr;
}

QDateTime SiteLink::lastStateChange() const {
    if (lastChangeMs_ < 0)
        return {};
    return clockStartUtc_.addMSecs(lastChangeMs_ - clockStartMs_).toLocalTime();
}

bool SiteLink::noteDatabaseFailure(const QString& what, bool busy) {
    // While down, a failure costs no further probe: the timer asks the database.
    if (reachable_ && !databaseAnswers())
        goDown(lossReason(what));
    else if (reachable_ && busy)
        setBusy(true);
    return !reachable_;
}

void SiteLink::tick() {
    // Until the host sets a connection there is nothing to watch.
    if (reachable_ && ctx_.dbConnection == nullptr)
        return;
    check();
}

void SiteLink::check() {
    bool answers = databaseAnswers();
    if (!answers && !reachable_) {
        reconnect();
        answers = databaseAnswers();
    }
    if (!answers) {
        goDown(lossReason(QStringLiteral("no answer to the periodic check")));
        return;
    }
    goUp();
    // The write lock is asked for without waiting: the status bar says the site is busy before a
    // save fails on it, and when it is free again.
    setBusy(!ctx_.dbConnection->canWrite());
}

bool SiteLink::databaseAnswers() {
    if (ctx_.dbConnection == nullptr)
        return false;
    try {
        return ctx_.dbConnection->isAlive();
    } catch (...) {
        return false;
    }
}

QString SiteLink::lossReason(const QString& what) {
    if (ctx_.dbConnection != nullptr && !ctx_.dbConnection->pathNamesOpenFile())
        return QStringLiteral("the database file was removed or replaced while open (%1)").arg(what);
    return what;
}

void SiteLink::reconnect() {
    if (ctx_.dbConnection == nullptr)
        return;
    try {
        ctx_.dbConnection->reopen();
    } catch (...) {
        // Tried again after the next wait; the attempts are not logged one by one.
    }
}

void SiteLink::goDown(const QString& what) {
    if (!reachable_) {
        retrySeconds_ = qMin(retrySeconds_ * 2, kCheckIntervalSeconds);
        checkTimer_.start(retrySeconds_ * 1000);
        return;
    }
    reachable_ = false;
    setBusy(false);
    // A file removed or replaced under the connection would take every later write with it.
    if (ctx_.dbConnection != nullptr && !ctx_.dbConnection->pathNamesOpenFile())
        ctx_.dbConnection->close();
    retrySeconds_ = kFirstRetrySeconds;
    checkTimer_.start(retrySeconds_ * 1000);
    ctx_.errorLog.writeToLog(QStringLiteral("The site database cannot be reached: ") + what);
    emit reachableChanged(false);
    // One box per loss; a failure or a check while it is open (the box runs an event loop) adds none.
    if (telling_ || ctx_.dialogs == nullptr)
        return;
    telling_ = true;
    try {
        ctx_.dialogs->message(QStringLiteral("The site database cannot be reached. The status viewer keeps showing "
                                             "live changes and reconnects as soon as the database answers again."),
                              ctx_.errorLog.componentFileName(), Dialogs::Icon::Warning);
    } catch (...) {
    }
    telling_ = false;
}

void SiteLink::goUp() {
    if (reachable_)
        return;
    reachable_ = true;
    checkTimer_.start(kWatchIntervalSeconds * 1000);
    ctx_.errorLog.writeToLog(QStringLiteral("The site database answers again."));
    emit reachableChanged(true);
}

void SiteLink::setBusy(bool busy) {
    if (busy_ == busy)
        return;
    busy_ = busy;
    if (busy)
        ctx_.errorLog.writeToLog(QStringLiteral("The site database is busy: another connection holds its lock."));
    emit busyChanged(busy);
}

}  // namespace so
