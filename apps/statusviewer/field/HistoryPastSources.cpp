#include "field/HistoryPastSources.h"

#include "field/HistoryFormat.h"
#include "field/PastBoardCopy.h"
#include "field/ReportHistory.h"

#include "host/PastCursor.h"

#include "MqttSite.h"

#include <QDateTime>

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

std::pair<qint64, qint64> BusPastSource::span() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    return {now - qint64(keepDays_) * 24 * 3600 * 1000, now};
}

void BusPastSource::boardAt(qint64 moment, std::function<void(const PastAnswer&)> done) {
    desk_.requestPastBoard(moment, [moment, done](const QByteArray& bytes, const QString& refusal) {
        if (!refusal.isEmpty())
            return done(refused(moment, refusal));
        std::optional<history::PastBoard> board = history::decodePastBoard(bytes);
        if (!board)
            return done(refused(moment, QStringLiteral("the field's answer is not a board")));
        done(pastAnswer(std::move(*board)));
    });
}

}  // namespace sv
