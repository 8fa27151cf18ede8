#include "field/HistoryPastSites.h"

#include "field/HistoryFormat.h"
#include "field/PastBoardCopy.h"
#include "field/ReportHistory.h"

#include "MqttSite.h"

#include <QDateTime>

#include <memory>

namespace sv {
namespace {

PastMoment pastMoment(history::PastBoard board) {
    PastMoment out;
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

PastMoment refused(qint64 moment, const QString& why) {
    PastMoment out;
    out.moment = moment;
    out.refusal = why;
    return out;
}

}  // namespace

std::pair<qint64, qint64> HistoryPastSite::span() {
    const history::HistorySpan span = history_.span();
    if (span.isEmpty())
        return {1, 0};
    return {span.first, span.last};
}

QVector<qint64> HistoryPastSite::reportTimes(qint64 from, qint64 to, int limit) {
    QVector<qint64> times;
    for (const history::PastReport& report : history_.reports(from, to, limit))
        times.append(report.time);
    return times;
}

void HistoryPastSite::boardAt(qint64 moment, std::function<void(const PastMoment&)> done) {
    done(pastMoment(history_.boardAt(moment)));
}

std::pair<qint64, qint64> BusPastSite::span() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    return {now - qint64(keepDays_) * 24 * 3600 * 1000, now};
}

void BusPastSite::boardAt(qint64 moment, std::function<void(const PastMoment&)> done) {
    desk_.requestPastBoard(moment, [moment, done](const QByteArray& bytes, const QString& refusal) {
        if (!refusal.isEmpty())
            return done(refused(moment, refusal));
        std::optional<history::PastBoard> board = history::decodePastBoard(bytes);
        if (!board)
            return done(refused(moment, QStringLiteral("the field's answer is not a board")));
        done(pastMoment(std::move(*board)));
    });
}

}  // namespace sv
