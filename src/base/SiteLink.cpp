#include "base/SiteLink.h"

#include "base/ComponentContext.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace so {

SiteLink::SiteLink(ComponentContext& ctx, QObject* parent) : QObject(parent), ctx_(ctx) {
    clockStartUtc_ = QDateTime::currentDateTimeUtc();
    clockStartMs_ = coarse::monotonicMs();
    checkTimer_.setInterval(kWatchIntervalSeconds * 1000);
    connect(&checkTimer_, &QTimer::timeout, this, &SiteLink::tick);
    checkTimer_.start();
    ctx_.errorLog.setProblemListener([this] { emit logProblemChanged(); });
}

SiteLink::~SiteLink() {
    ctx_.errorLog.setProblemListener({});
    if (ctx_.siteLink == this)
        ctx_.siteLink = nullptr;
}

QString SiteLink::logProblem() const { return ctx_.errorLog.problem(); }

QDateTime SiteLink::lastStateChange() const {
    if (lastChangeMs_ < 0)
        return {};
    return clockStartUtc_.addMSecs(lastChangeMs_ - clockStartMs_).toLocalTime();
}

bool SiteLink::noteDatabaseFailure(const QString& what, Failure kind) {
    if (kind == Failure::Damaged && !damaged_)
        goDown(what, true);
    // While down, a failure costs no further probe: the timer asks the database.
    else if (reachable_ && !databaseAnswers())
        goDown(lossReason(what), false);
    else if (reachable_ && kind == Failure::Busy)
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
    QString damage;
    if (!answers && !reachable_) {
        damage = reconnect();
        answers = damage.isEmpty() && databaseAnswers();
    }
    if (!answers) {
        const bool damaged =
            !damage.isEmpty() ||
            (ctx_.dbConnection != nullptr && ctx_.dbConnection->fileFault() == db::Connection::FileFault::Damaged);
        goDown(damaged ? damage : lossReason(QStringLiteral("no answer to the periodic check")), damaged);
        return;
    }
    goUp();
    // The write lock is asked for without waiting: the status bar says the site is busy before a
    // save fails on it, and when it is free again.
    setBusy(!ctx_.dbConnection->canWrite());
    checkStorage();
}

QString SiteLink::siteFile() const {
    const QString url = ctx_.dbConnection->url();
    const QString path = url.mid(url.indexOf(QLatin1Char(':')) + 1).trimmed();
    if (!url.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive) || path == QLatin1String(":memory:"))
        return {};
    return path;
}

void SiteLink::checkStorage() {
    const QString path = siteFile();
    if (path.isEmpty())
        return;
    const qint64 wal = QFileInfo(path + QStringLiteral("-wal")).size();
    const bool over = walOver_ ? wal > walBound_ / 2 : wal > walBound_;
    if (over != walOver_) {
        walOver_ = over;
        ctx_.errorLog.writeToLog(
            over ? QStringLiteral("The site's write-ahead log holds %1 bytes, more than %2: a connection that keeps a "
                                  "read open holds back its checkpoints")
                       .arg(wal)
                       .arg(walBound_)
                 : QStringLiteral("The site's write-ahead log is checkpointed again (%1 bytes).").arg(wal));
        emit logOverBoundChanged(over);
    }
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    if (!disk.isValid())
        return;
    const qint64 free = disk.bytesAvailable();
    const bool full = full_ ? free < kRoomAboveBytes : free < kFullBelowBytes;
    if (full == full_)
        return;
    full_ = full;
    emit fullChanged(full);
    if (!full) {
        ctx_.errorLog.writeToLog(QStringLiteral("The site file's disk has room again."));
        return;
    }
    ctx_.errorLog.writeToLog(QStringLiteral("The site file cannot grow: the disk is full (%1 bytes free on %2).")
                                 .arg(free)
                                 .arg(disk.rootPath()));
    tell(
        QStringLiteral("The site file cannot grow: the disk is full. Changes that need room are not saved until "
                       "room is made on the disk that holds the site file; the status viewer keeps showing live "
                       "changes."));
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
    if (ctx_.dbConnection != nullptr && ctx_.dbConnection->fileFault() == db::Connection::FileFault::Replaced)
        return QStringLiteral("the database file was removed, replaced or written over while open (%1)").arg(what);
    return what;
}

QString SiteLink::reconnect() {
    if (ctx_.dbConnection == nullptr)
        return {};
    try {
        ctx_.dbConnection->reopen();
    } catch (const db::DbError& e) {
        // Tried again after the next wait; the attempts are not logged one by one.
        if (e.isDamage())
            return e.message() + QStringLiteral(" [") + e.driverMessage() + QLatin1Char(']');
    } catch (...) {
    }
    return {};
}

void SiteLink::goDown(const QString& what, bool damaged) {
    const bool newlyDamaged = damaged && !damaged_;
    damaged_ = damaged_ || damaged;
    if (!reachable_ && !newlyDamaged) {
        retrySeconds_ = qMin(retrySeconds_ * 2, kCheckIntervalSeconds);
        checkTimer_.start(retrySeconds_ * 1000);
        return;
    }
    const bool wasReachable = reachable_;
    reachable_ = false;
    setBusy(false);
    // A file removed, replaced or damaged under the connection would take every later write with
    // it; the connection closes without writing its log into the file.
    if (ctx_.dbConnection != nullptr && ctx_.dbConnection->fileFault() != db::Connection::FileFault::None)
        ctx_.dbConnection->close();
    if (wasReachable) {
        retrySeconds_ = kFirstRetrySeconds;
        checkTimer_.start(retrySeconds_ * 1000);
    }
    if (damaged) {
        ctx_.errorLog.writeToLog(QStringLiteral("The site database file is damaged: ") + cutForLog(what));
        if (wasReachable)
            emit reachableChanged(false);
        if (newlyDamaged)
            emit damagedChanged(true);
        // Found while already down (the operator has been told of the loss): the status bar and
        // the log say it, no second box.
        if (!wasReachable)
            return;
        tell(
            QStringLiteral("The site database file is damaged, so changes are no longer saved. Restore the file from "
                           "a backup or repair it (by renaming a sound copy into its place while every status viewer "
                           "is closed). The status viewer keeps showing live changes and opens the file again by "
                           "itself once it is whole."));
        return;
    }
    ctx_.errorLog.writeToLog(QStringLiteral("The site database cannot be reached: ") + cutForLog(what));
    emit reachableChanged(false);
    tell(
        QStringLiteral("The site database cannot be reached. The status viewer keeps showing "
                       "live changes and reconnects as soon as the database answers again."));
}

void SiteLink::tell(const QString& text) {
    // One box per loss; a failure or a check while it is open (the box runs an event loop) adds none.
    if (telling_ || ctx_.dialogs == nullptr)
        return;
    telling_ = true;
    try {
        ctx_.dialogs->message(text, ctx_.errorLog.componentFileName(), Dialogs::Icon::Warning);
    } catch (...) {
    }
    telling_ = false;
}

void SiteLink::goUp() {
    if (reachable_)
        return;
    reachable_ = true;
    if (damaged_) {
        damaged_ = false;
        emit damagedChanged(false);
    }
    checkTimer_.start(kWatchIntervalSeconds * 1000);
    ctx_.errorLog.writeToLog(
        failuresWhileDown_ == 0
            ? QStringLiteral("The site database answers again.")
            : QStringLiteral("The site database answers again; %1 database operations failed while it did not.")
                  .arg(failuresWhileDown_));
    failuresWhileDown_ = 0;
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
