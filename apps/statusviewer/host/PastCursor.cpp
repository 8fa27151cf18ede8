#include "host/PastCursor.h"

#include "StartupError.h"

#include <statusobject/Db.h>

#include <QDateTime>

#include <algorithm>

namespace sv {
namespace {

/// How far around a moment reports are looked for; before it, narrowed while a stretch holds
/// kMaxPastReports or more.
constexpr qint64 kReportReachMs = 10 * 60 * 1000;
constexpr qint64 kNarrowestReachMs = 250;

}  // namespace

QVector<qint64> reportTimesAround(qint64 moment, const std::function<QVector<qint64>(qint64, qint64, int)>& times) {
    QVector<qint64> around;
    for (qint64 reach = kReportReachMs; reach >= kNarrowestReachMs; reach /= 4) {
        around = times(moment - reach, moment, kMaxPastReports);
        if (around.size() < kMaxPastReports)
            break;
    }
    // Those after the moment, the nearest first: a stretch cut short still begins at the moment.
    around += times(moment + 1, moment + kReportReachMs, kMaxPastReports);
    around.erase(std::unique(around.begin(), around.end()), around.end());
    return around;
}

PastCursor::PastCursor(PastSource& source, ShowBoard show)
    : source_(source), showBoard_(std::move(show)), alive_(std::make_shared<PastCursor*>(this)) {}

PastCursor::~PastCursor() { *alive_ = nullptr; }

QString PastCursor::banner() const {
    if (!error_.isEmpty())
        return error_;
    if (shown_ == 0)
        return tr("Looking up the site's past \u2026");
    // To the millisecond: one step may move on by less than a second.
    const QString when = QDateTime::fromMSecsSinceEpoch(shown_).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz t"));
    QString text = tr("The site as it was at %1 \u2014 not live").arg(when);
    if (approximate_)
        text += tr("; approximate: %1").arg(note_);
    return text;
}

int PastCursor::reportIndex() const {
    return int(std::upper_bound(times_.cbegin(), times_.cend(), shown_) - times_.cbegin()) - 1;
}

void PastCursor::moveTo(qint64 moment) {
    playAt_ = double(moment);
    ask(moment);
}

bool PastCursor::step(int direction) {
    const qint64 from = current();
    const bool inReach =
        direction > 0 ? !times_.isEmpty() && times_.last() > from : !times_.isEmpty() && times_.first() < from;
    if (inReach)
        return stepWithin(direction, from);
    // At the end of the stretch loaded: the reports around where the replay stands, then the step.
    stepAfterLoad_ = direction;
    stepTaken_ = true;
    loadAround(from);
    return stepTaken_;
}

bool PastCursor::stepWithin(int direction, qint64 from) {
    if (direction > 0) {
        const auto next = std::upper_bound(times_.cbegin(), times_.cend(), from);
        if (next == times_.cend())
            return false;
        moveTo(*next);
        return true;
    }
    const auto at = std::lower_bound(times_.cbegin(), times_.cend(), from);
    if (at == times_.cbegin())
        return false;
    moveTo(*(at - 1));
    return true;
}

void PastCursor::play(int speed) {
    speed_ = std::max(speed, 1);
    playAt_ = double(shown_);
    notify();
}

void PastCursor::pause() {
    speed_ = 0;
    notify();
}

void PastCursor::advance(qint64 elapsedMs) {
    if (speed_ == 0 || shown_ == 0)
        return;
    playAt_ += double(elapsedMs) * speed_;
    // Past the reports loaded: those around the time reached, played on once they came (a source
    // that answers later plays on then, not at the next tick, which would ask again).
    if (!times_.isEmpty() && qint64(playAt_) > times_.last()) {
        loadAround(qint64(playAt_));
        return;
    }
    if (!loading_)
        playOn();
}

void PastCursor::playOn() {
    const qint64 reached = qint64(playAt_);
    const auto upTo = std::upper_bound(times_.cbegin(), times_.cend(), reached);
    if (upTo != times_.cbegin() && *(upTo - 1) > shown_) {
        const double carried = playAt_;
        ask(*(upTo - 1));
        playAt_ = carried;
    }
    // Nothing reported after the time reached: the replay stops at the last report.
    if (upTo == times_.cend())
        pause();
}

void PastCursor::ask(qint64 moment) {
    if (asked_ != 0) {
        pending_ = moment;  // only the latest moment asked for meanwhile is shown
        return;
    }
    asked_ = moment;
    std::weak_ptr<PastCursor*> alive = alive_;
    source_.boardAt(moment, [alive](const PastAnswer& past) {
        const auto self = alive.lock();
        if (self && *self != nullptr)
            (*self)->show(past);
    });
}

void PastCursor::show(const PastAnswer& past) {
    asked_ = 0;
    if (!past.refusal.isEmpty()) {
        error_ = tr("The site's past at %1 cannot be shown: %2")
                     .arg(QDateTime::fromMSecsSinceEpoch(past.moment).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t")),
                          past.refusal);
        pause();
    } else {
        try {
            showBoard_(past);
            error_.clear();
            shown_ = past.moment;
            approximate_ = past.approximate;
            note_ = past.note;
            if (times_.isEmpty() || shown_ < times_.first() || shown_ > times_.last())
                loadAround(shown_);
        } catch (const so::db::DbError& e) {
            error_ = tr("The site's past cannot be shown: %1").arg(e.message());
        } catch (const StartupError& e) {
            error_ = tr("The site's past cannot be shown: %1").arg(e.message());
        }
    }
    if (pending_ != 0) {
        const qint64 next = std::exchange(pending_, 0);
        ask(next);
    }
    notify();
}

void PastCursor::loadAround(qint64 moment) {
    if (loading_)
        return;  // the stretch asked for comes first; a step or a tick after it asks again
    loading_ = true;
    std::weak_ptr<PastCursor*> alive = alive_;
    source_.reportTimesAround(moment, [alive](QVector<qint64> times) {
        const auto self = alive.lock();
        if (self && *self != nullptr)
            (*self)->loaded(std::move(times));
    });
}

void PastCursor::loaded(QVector<qint64> times) {
    loading_ = false;
    times_ = std::move(times);
    if (const int direction = std::exchange(stepAfterLoad_, 0); direction != 0)
        stepTaken_ = stepWithin(direction, current());
    else if (speed_ > 0 && shown_ != 0)
        playOn();
    notify();
}

void PastCursor::notify() {
    if (changed)
        changed();
}

}  // namespace sv
