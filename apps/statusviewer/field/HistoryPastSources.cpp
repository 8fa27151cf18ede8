#include "field/HistoryPastSources.h"

#include "field/PastBoardCopy.h"
#include "field/ReportHistory.h"

#include "host/PastCursor.h"

#include "MqttSite.h"

#include <QDateTime>

#include <algorithm>
#include <memory>

namespace sv {
namespace {

PastAnswer pastAnswer(history::PastBoard board) {
    PastAnswer out;
    out.moment = board.moment;
    if (board.fidelity == history::Fidelity::Unavailable) {
        out.refusal = board.note;
        return out;
    }
    out.approximate = board.fidelity == history::Fidelity::Approximate;
    out.note = board.note;
    const auto shared = std::make_shared<const history::PastBoard>(std::move(board));
    out.copySite = [shared](so::db::Connection& site, const QString& path) { copySiteAt(site, path, *shared); };
    out.writeInto = [shared](so::db::Connection& copy) { applyPastBoard(copy, *shared); };
    return out;
}

PastAnswer refused(qint64 moment, const QString& why) {
    PastAnswer out;
    out.moment = moment;
    out.refusal = why;
    return out;
}

}  // namespace

std::pair<qint64, qint64> HistoryPastSource::span() {
    const history::HistorySpan span = history_.span();
    if (span.isEmpty())
        return {1, 0};
    return {span.first, span.last};
}

void HistoryPastSource::reportTimesAround(qint64 moment, std::function<void(QVector<qint64>)> done) {
    done(sv::reportTimesAround(moment, [this](qint64 from, qint64 to, int limit) {
        QVector<qint64> times;
        for (const history::PastReport& report : history_.reports(from, to, limit))
            times.append(report.time);
        return times;
    }));
}

void HistoryPastSource::boardAt(qint64 moment, std::function<void(const PastAnswer&)> done) {
    done(pastAnswer(history_.boardAt(moment)));
}

BusPastSource::BusPastSource(DeskLink& desk, int keepDays)
    : desk_(desk), keepDays_(keepDays), alive_(std::make_shared<BusPastSource*>(this)) {}

BusPastSource::~BusPastSource() { *alive_ = nullptr; }

std::pair<qint64, qint64> BusPastSource::span() {
    askSpan();  // for the next time: the history's beginning moves on as the field prunes it
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!span_)
        return {now - qint64(keepDays_) * 24 * 3600 * 1000, now};
    if (span_->isEmpty())
        return {1, 0};
    // The field records on: every moment up to now is the history's by the time it is asked for.
    return {span_->first, std::max(span_->last, now)};
}

void BusPastSource::askSpan() {
    askStretch(0, [](const Stretch&, const QString&) {});
}

void BusPastSource::askStretch(qint64 moment, std::function<void(const Stretch&, const QString&)> then) {
    // Past the last step held, the next stretch builds on its board: no whole board again.
    qint64 held = 0;
    auto heldBoard = std::make_shared<history::PastBoard>();
    if (stretch_ && moment != 0 && stretch_->lastTime() != 0 && moment >= stretch_->lastTime()) {
        held = stretch_->lastTime();
        *heldBoard = *stretch_->boardAt(held);
    }
    std::weak_ptr<BusPastSource*> alive = alive_;
    desk_.requestPastStretch(
        moment, held, [alive, held, heldBoard, then](const QByteArray& bytes, const QString& refusal) {
            const auto self = alive.lock();
            if (!self || *self == nullptr)
                return;
            if (!refusal.isEmpty())
                return then(nullptr, refusal);
            std::optional<history::PastStretch> stretch = history::decodePastStretch(bytes);
            if (!stretch || (stretch->held != 0 && stretch->held != held))
                return then(nullptr, QStringLiteral("the field's answer is not a stretch of the past"));
            BusPastSource& source = **self;
            source.span_ = stretch->span;
            if (stretch->moment == 0)
                return then(nullptr, {});
            // Going on from the stretch held keeps its steps to go back to.
            if (source.stretch_ && source.stretch_->extend(std::move(*stretch)))
                return then(source.stretch_, {});
            source.stretch_ = std::make_shared<history::StretchBoards>(std::move(*stretch), *heldBoard);
            then(source.stretch_, {});
        });
}

void BusPastSource::reportTimesAround(qint64 moment, std::function<void(QVector<qint64>)> done) {
    // The stretch held tells the reports around its moment and any time within it; at its ends
    // the field is asked what lies beyond (after the last: unless it was asked around a later
    // moment and found nothing after).
    const bool held =
        stretch_ && stretch_->holds(moment) &&
        (stretch_->moment() == moment || (moment > stretch_->firstTime() && moment < stretch_->lastTime()) ||
         (moment == stretch_->lastTime() && stretch_->moment() >= moment));
    if (held)
        return done(stretch_->reportTimes());
    // askStretch answers only while this source lives.
    askStretch(moment, [this, done](const Stretch& stretch, const QString&) {
        // Refused (the budget, a lost link): the reports held still step.
        const Stretch& kept = stretch ? stretch : stretch_;
        done(kept ? kept->reportTimes() : QVector<qint64>());
    });
}

void BusPastSource::boardAt(qint64 moment, std::function<void(const PastAnswer&)> done) {
    if (stretch_ && stretch_->holds(moment))
        return done(pastAnswer(*stretch_->boardAt(moment)));
    askStretch(moment, [moment, done](const Stretch& stretch, const QString& refusal) {
        if (!refusal.isEmpty())
            return done(refused(moment, refusal));
        std::optional<history::PastBoard> board = stretch ? stretch->boardAt(moment) : std::nullopt;
        if (!board)
            return done(refused(moment, QStringLiteral("the history around this moment cannot be read")));
        done(pastAnswer(std::move(*board)));
    });
}

}  // namespace sv
