#include "LoginLimits.h"

#include <algorithm>

namespace sv {

// ---- LoginBudget

double LoginBudget::refilled(const Bucket& bucket, qint64 nowMs) const {
    // A clock that reads earlier than the bucket's last spend refills nothing.
    const qint64 elapsed = std::max<qint64>(0, nowMs - bucket.atMs);
    return std::min(burst_, bucket.tokens + double(elapsed) * perSecond_ / 1000.0);
}

bool LoginBudget::take(const QString& login, qint64 nowMs) {
    // Now and then the logins whose bucket is full again are forgotten: they cost nothing more.
    if (nowMs - sweptMs_ >= 10000) {
        sweptMs_ = nowMs;
        buckets_.removeIf([&](QHash<QString, Bucket>::iterator it) { return refilled(*it, nowMs) >= burst_; });
    }
    auto it = buckets_.find(login);
    if (it == buckets_.end())
        it = buckets_.insert(login, {burst_, nowMs});
    it->tokens = refilled(*it, nowMs);
    it->atMs = std::max(it->atMs, nowMs);
    if (it->tokens < 1.0)
        return false;
    it->tokens -= 1.0;
    return true;
}

// ---- FloodLog

bool FloodLog::note(const QString& login, qint64 nowMs) {
    auto it = periods_.find(login);
    if (it == periods_.end())
        it = periods_.insert(login, {nowMs, 0, 0});
    if (it->lines < linesPerPeriod_) {
        ++it->lines;
        return true;
    }
    ++it->more;
    return false;
}

QVector<FloodLog::Summary> FloodLog::takeEnded(qint64 nowMs) {
    QVector<Summary> ended;
    for (auto it = periods_.begin(); it != periods_.end();) {
        if (nowMs - it->sinceMs >= periodMs_) {
            if (it->more > 0)
                ended.append({it.key(), it->more});
            it = periods_.erase(it);
        } else {
            ++it;
        }
    }
    return ended;
}

// ---- ResyncAnswers

bool ResyncAnswers::request(const QString& login, qint64 number, qint64 nowMs) {
    Login& state = logins_[login];
    state.number = number;
    if (state.inFlight || nowMs - state.begunMs < kMinIntervalMs) {
        state.waiting = true;
        return false;
    }
    start(login, state, nowMs);
    return true;
}

void ResyncAnswers::finished(const QString& login, qint64 nowMs) {
    const auto it = logins_.find(login);
    if (it == logins_.end())
        return;
    it->inFlight = false;
    tick(nowMs);
}

void ResyncAnswers::tick(qint64 nowMs) {
    // begin() may call back into this (an answer that finishes at once): the logins due are
    // collected first.
    QStringList due;
    for (auto it = logins_.begin(); it != logins_.end();) {
        const bool intervalOver = nowMs - it->begunMs >= kMinIntervalMs;
        if (it->waiting && !it->inFlight && intervalOver) {
            due.append(it.key());
            ++it;
        } else if (!it->waiting && !it->inFlight && intervalOver) {
            it = logins_.erase(it);
        } else {
            ++it;
        }
    }
    for (const QString& login : due) {
        const auto it = logins_.find(login);
        if (it != logins_.end() && it->waiting && !it->inFlight)
            start(login, *it, nowMs);
    }
}

bool ResyncAnswers::hasWaiting() const {
    return std::any_of(logins_.cbegin(), logins_.cend(), [](const Login& l) { return l.waiting; });
}

void ResyncAnswers::start(const QString& login, Login& state, qint64 nowMs) {
    state.waiting = false;
    state.inFlight = true;
    state.begunMs = nowMs;
    const qint64 number = state.number;
    if (begin)
        begin(login, number);
}

}  // namespace sv
