#include "shell/SiteLink.h"

#include "shell/ComponentContext.h"

namespace so {

SiteLink::SiteLink(ComponentContext& ctx, QObject* parent) : QObject(parent), ctx_(ctx) {
    clockStartUtc_ = QDateTime::currentDateTimeUtc();
    clock_.start();
    checkTimer_.setInterval(kCheckIntervalSeconds * 1000);
    connect(&checkTimer_, &QTimer::timeout, this, &SiteLink::check);
}

SiteLink::~SiteLink() {
    if (ctx_.siteLink == this)
        ctx_.siteLink = nullptr;
}

QDateTime SiteLink::lastStateChange() const {
    if (lastChangeTick_ < 0)
        return {};
    return clockStartUtc_.addMSecs(lastChangeTick_ / 1000000).toLocalTime();
}

bool SiteLink::noteDatabaseFailure(const QString& what) {
    // While down, a failure costs no further probe: the timer asks the database.
    if (reachable_ && !databaseAnswers())
        goDown(what);
    return !reachable_;
}

void SiteLink::check() {
    if (databaseAnswers())
        goUp();
    else
        goDown(QStringLiteral("no answer to the periodic check"));
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

void SiteLink::goDown(const QString& what) {
    if (!reachable_)
        return;
    reachable_ = false;
    checkTimer_.start();
    ctx_.errorLog.writeToLog(QStringLiteral("The site database cannot be reached: ") + what);
    emit reachableChanged(false);
    // One box per loss; a failure or a check while it is open (the box runs an event loop) adds none.
    if (telling_ || ctx_.dialogs == nullptr)
        return;
    telling_ = true;
    try {
        ctx_.dialogs->message(QStringLiteral("The site database cannot be reached. The status viewer keeps showing "
                                             "live changes and checks again every %1 seconds.")
                                  .arg(kCheckIntervalSeconds),
                              ctx_.errorLog.componentFileName(), Dialogs::Icon::Warning);
    } catch (...) {
    }
    telling_ = false;
}

void SiteLink::goUp() {
    if (reachable_)
        return;
    reachable_ = true;
    checkTimer_.stop();
    ctx_.errorLog.writeToLog(QStringLiteral("The site database answers again."));
    emit reachableChanged(true);
}

}  // namespace so
