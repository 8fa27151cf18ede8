#include "desk/PastReplay.h"

#include "StartupError.h"

#include <statusobject/Db.h>

#include <QDateTime>
#include <QDir>

#include <algorithm>

namespace sv {
namespace {

/// A desk on the past hears no reports: it shows what the copy holds.
struct NoReports final : StateSource {
    void addSink(StateSink*) override {}
    void removeSink(StateSink*) override {}
};

/// How far around a moment reports are looked for; before it, narrowed while a stretch holds
/// PastReplay::kMaxReports or more.
constexpr qint64 kReportReachMs = 10 * 60 * 1000;
constexpr qint64 kNarrowestReachMs = 250;

}  // namespace

PastReplay::PastReplay(PastSource& source, Desk desk)
    : source_(source), setup_(std::move(desk)), quietField_(std::make_unique<NoReports>()),
      alive_(std::make_shared<PastReplay*>(this)) {}

PastReplay::~PastReplay() {
    *alive_ = nullptr;
    desk_.reset();  // the desk's connection closes before the copy's folder goes
}

QString PastReplay::banner() const {
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

int PastReplay::reportIndex() const {
    return int(std::upper_bound(times_.cbegin(), times_.cend(), shown_) - times_.cbegin()) - 1;
}

void PastReplay::moveTo(qint64 moment) {
    playAt_ = double(moment);
    ask(moment);
}

bool PastReplay::stepForward() {
    const qint64 from = asked_ != 0 ? asked_ : shown_;
    if (times_.isEmpty() || times_.last() <= from)
        loadReports(from);  // at the end of the stretch loaded: the next one
    const auto next = std::upper_bound(times_.cbegin(), times_.cend(), from);
    if (next == times_.cend())
        return false;
    moveTo(*next);
    return true;
}

bool PastReplay::stepBack() {
    const qint64 from = asked_ != 0 ? asked_ : shown_;
    if (times_.isEmpty() || times_.first() >= from)
        loadReports(from);
    const auto at = std::lower_bound(times_.cbegin(), times_.cend(), from);
    if (at == times_.cbegin())
        return false;
    moveTo(*(at - 1));
    return true;
}

void PastReplay::play(int speed) {
    speed_ = std::max(speed, 1);
    playAt_ = double(shown_);
    notify();
}

void PastReplay::pause() {
    speed_ = 0;
    notify();
}

void PastReplay::advance(qint64 elapsedMs) {
    if (speed_ == 0 || shown_ == 0)
        return;
    playAt_ += double(elapsedMs) * speed_;
    const qint64 reached = qint64(playAt_);
    // Past the reports loaded: those around the time reached.
    if (!times_.isEmpty() && reached > times_.last())
        loadReports(reached);
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

void PastReplay::ask(qint64 moment) {
    if (asked_ != 0) {
        pending_ = moment;  // only the latest moment asked for meanwhile is shown
        return;
    }
    asked_ = moment;
    std::weak_ptr<PastReplay*> alive = alive_;
    source_.boardAt(moment, [alive](const PastAnswer& past) {
        const auto self = alive.lock();
        if (self && *self != nullptr)
            (*self)->show(past);
    });
}

void PastReplay::show(const PastAnswer& past) {
    asked_ = 0;
    if (!past.refusal.isEmpty()) {
        error_ = tr("The site's past at %1 cannot be shown: %2")
                     .arg(QDateTime::fromMSecsSinceEpoch(past.moment).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t")),
                          past.refusal);
        pause();
    } else {
        try {
            if (desk_ == nullptr)
                openDesk(past);
            else
                past.writeInto(desk_->database());
            if (desk_ != nullptr) {
                desk_->refreshAllRows();
                error_.clear();
                shown_ = past.moment;
                approximate_ = past.approximate;
                note_ = past.note;
                if (times_.isEmpty() || shown_ < times_.first() || shown_ > times_.last())
                    loadReports(shown_);
            }
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

void PastReplay::openDesk(const PastAnswer& past) {
    if (!folder_.isValid())
        throw StartupError(QStringLiteral("no folder for a copy of the site: %1").arg(folder_.errorString()));
    const QString path = QDir(folder_.path()).filePath(QStringLiteral("past.db"));
    past.copySite(*setup_.site, path);
    WorkstationOptions options = setup_.options;
    options.siteUrl = QStringLiteral("sqlite:") + path;
    options.host.readOnly = true;
    options.host.interactive = false;
    options.alarms = nullptr;
    options.past = nullptr;
    HostServices services = setup_.services;
    services.field = nullptr;
    services.bus = &quietBus_;
    desk_ = std::make_unique<Workstation>(options, services, *quietField_, quietBus_);
    if (!setup_.group.isEmpty())
        desk_->showGroup(setup_.group);
}

void PastReplay::loadReports(qint64 moment) {
    // Those after the moment, the nearest first: a stretch cut short still begins at the moment.
    QVector<qint64> times;
    // Those before it: looked at more narrowly until none between them and the moment is cut off.
    for (qint64 reach = kReportReachMs; reach >= kNarrowestReachMs; reach /= 4) {
        times = source_.reportTimes(moment - reach, moment, kMaxReports);
        if (times.size() < kMaxReports)
            break;
    }
    times += source_.reportTimes(moment + 1, moment + kReportReachMs, kMaxReports);
    times.erase(std::unique(times.begin(), times.end()), times.end());
    times_ = std::move(times);
}

void PastReplay::notify() {
    if (changed)
        changed();
}

}  // namespace sv
