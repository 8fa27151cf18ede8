#include "field/PastStretch.h"

#include "field/HistoryFormat.h"
#include "field/HistoryReader.h"
#include "field/ReportHistory.h"

#include "host/AppLog.h"
#include "host/PastCursor.h"

#include <QtEndian>

#include <algorithm>
#include <memory>

namespace sv {
namespace history {
namespace {

/// Stops a stretch holds at most: reportTimesAround's on either side, the moment and a held board.
constexpr qsizetype kMaxStops = 2 * kMaxPastReports + 2;
/// How far before the moment a board the desk holds may lie for the stretch to build on it.
constexpr qint64 kHeldReachMs = 10 * 60 * 1000;

void encodeRows(Encoder& out, const PastBoard& rows) {
    out.varint(quint64(rows.fidelity));
    out.text(rows.note);
    out.varint(quint64(rows.statusRows.size()));
    for (const StatusRowValue& row : rows.statusRows) {
        out.signedVarint(row.controllerId);
        out.signedVarint(row.statusType);
        out.text(row.text);
    }
    out.varint(quint64(rows.deviceRows.size()));
    for (const DeviceRowValue& row : rows.deviceRows) {
        out.varint(quint64(row.column));
        out.signedVarint(row.id);
        out.signedVarint(row.value);
    }
}

bool decodeRows(Decoder& in, PastBoard& rows) {
    const quint64 fidelity = in.varint();
    if (fidelity > quint64(Fidelity::Unavailable))
        return false;
    rows.fidelity = Fidelity(fidelity);
    rows.note = in.text();
    for (quint64 n = in.varint(); n > 0 && !in.failed(); --n) {
        StatusRowValue row;
        row.controllerId = qint32(in.signedVarint());
        row.statusType = int(in.signedVarint());
        row.text = in.text();
        rows.statusRows.append(std::move(row));
    }
    for (quint64 n = in.varint(); n > 0 && !in.failed(); --n) {
        const quint64 column = in.varint();
        if (column >= quint64(kDeviceColumnCount))
            return false;
        rows.deviceRows.append({DeviceColumn(column), qint32(in.signedVarint()), in.signedVarint()});
    }
    return !in.failed();
}

}  // namespace

QByteArray encodePastStretch(const PastStretch& stretch) {
    QByteArray raw;
    Encoder out(raw);
    out.signedVarint(stretch.moment);
    out.signedVarint(stretch.held);
    out.signedVarint(stretch.span.first);
    out.signedVarint(stretch.span.last);
    out.varint(quint64(stretch.stops.size()));
    qint64 time = 0;
    for (const PastStretch::Stop& stop : stretch.stops) {
        out.signedVarint(stop.time - time);
        time = stop.time;
        out.varint(stop.report ? 1 : 0);
        encodeRows(out, stop.changed);
    }
    return qCompress(raw, 6);
}

std::optional<PastStretch> decodePastStretch(const QByteArray& bytes) {
    // qCompress's first four bytes are the inflated size (big-endian).
    if (bytes.size() < 4 || qFromBigEndian<quint32>(bytes.constData()) > kMaxPayloadBytes)
        return std::nullopt;
    const QByteArray raw = qUncompress(bytes);
    if (raw.isEmpty())
        return std::nullopt;
    Decoder in(raw);
    PastStretch stretch;
    stretch.moment = in.signedVarint();
    stretch.held = in.signedVarint();
    stretch.span.first = in.signedVarint();
    stretch.span.last = in.signedVarint();
    const quint64 count = in.varint();
    if (count > quint64(kMaxStops))
        return std::nullopt;
    qint64 time = 0;
    for (quint64 i = 0; i < count && !in.failed(); ++i) {
        PastStretch::Stop stop;
        stop.time = time + in.signedVarint();
        if (i > 0 && stop.time <= time)
            return std::nullopt;  // the stops build on each other in time
        time = stop.time;
        stop.report = in.varint() != 0;
        if (!decodeRows(in, stop.changed))
            return std::nullopt;
        stop.changed.moment = stop.time;
        stretch.stops.append(std::move(stop));
    }
    if (in.failed() || !in.atEnd())
        return std::nullopt;
    const bool heldFirst = stretch.stops.isEmpty() || stretch.held == 0 || stretch.stops.first().time == stretch.held;
    if (!heldFirst || (stretch.moment != 0 && stretch.stops.isEmpty()))
        return std::nullopt;
    return stretch;
}

// ---- StretchBoards

StretchBoards::StretchBoards(PastStretch stretch, const PastBoard& heldBoard)
    : moment_(stretch.moment), span_(stretch.span), stops_(std::move(stretch.stops)) {
    if (stops_.isEmpty())
        return;
    if (stretch.held != 0)
        apply(heldBoard);
    apply(stops_.first().changed);
    undos_.reserve(stops_.size() - 1);
}

int StretchBoards::indexOf(qint64 time) const {
    const auto at = std::lower_bound(stops_.cbegin(), stops_.cend(), time,
                                     [](const PastStretch::Stop& stop, qint64 t) { return stop.time < t; });
    return at != stops_.cend() && at->time == time ? int(at - stops_.cbegin()) : -1;
}

QVector<qint64> StretchBoards::reportTimes() const {
    QVector<qint64> times;
    for (const PastStretch::Stop& stop : stops_)
        if (stop.report)
            times.append(stop.time);
    return times;
}

StretchBoards::Undo StretchBoards::apply(const PastBoard& rows) {
    Undo undo;
    for (const StatusRowValue& row : rows.statusRows) {
        const StatusKey key(row.controllerId, row.statusType);
        const auto it = status_.find(key);
        undo.status.emplace(key, it == status_.end() ? std::nullopt : std::optional<QString>(it->second));
        status_[key] = row.text;
    }
    for (const DeviceRowValue& row : rows.deviceRows) {
        const DeviceKey key(int(row.column), row.id);
        const auto it = device_.find(key);
        undo.device.emplace(key, it == device_.end() ? std::nullopt : std::optional<qint64>(it->second));
        device_[key] = row.value;
    }
    return undo;
}

void StretchBoards::undo(const Undo& undo) {
    for (const auto& [key, value] : undo.status) {
        if (value)
            status_[key] = *value;
        else
            status_.erase(key);
    }
    for (const auto& [key, value] : undo.device) {
        if (value)
            device_[key] = *value;
        else
            device_.erase(key);
    }
}

bool StretchBoards::extend(PastStretch&& next) {
    if (stops_.isEmpty() || next.held == 0 || next.held != stops_.last().time || next.stops.isEmpty())
        return false;
    moment_ = next.moment;
    span_ = next.span;
    // The held stop is this one's last; the board of any stop is still built from the first.
    stops_.last().changed.fidelity = next.stops.first().changed.fidelity;
    stops_.last().changed.note = next.stops.first().changed.note;
    stops_.last().report = stops_.last().report || next.stops.first().report;
    stops_.append(next.stops.mid(1));
    if (stops_.size() <= kMaxStops)
        return true;
    // The oldest go: the first kept becomes the whole board the others build on.
    const int dropped = int(stops_.size() - kMaxStops);
    moveTo(dropped);
    PastBoard& first = stops_[dropped].changed;
    first.statusRows.clear();
    first.deviceRows.clear();
    for (const auto& [key, text] : status_)
        first.statusRows.append({key.first, key.second, text});
    for (const auto& [key, value] : device_)
        first.deviceRows.append({DeviceColumn(key.first), key.second, value});
    stops_.remove(0, dropped);
    undos_.remove(0, std::min<qsizetype>(dropped, undos_.size()));
    at_ = 0;
    return true;
}

void StretchBoards::moveTo(int index) {
    while (at_ < index) {
        ++at_;
        Undo back = apply(stops_[at_].changed);
        if (undos_.size() < at_)
            undos_.append(std::move(back));
    }
    for (; at_ > index; --at_)
        undo(undos_[at_ - 1]);
}

std::optional<PastBoard> StretchBoards::boardAt(qint64 time) {
    const int to = indexOf(time);
    if (to < 0)
        return std::nullopt;
    moveTo(to);
    PastBoard board;
    board.moment = time;
    board.fidelity = stops_[to].changed.fidelity;
    board.note = stops_[to].changed.note;
    board.statusRows.reserve(qsizetype(status_.size()));
    for (const auto& [key, text] : status_)
        board.statusRows.append({key.first, key.second, text});
    board.deviceRows.reserve(qsizetype(device_.size()));
    for (const auto& [key, value] : device_)
        board.deviceRows.append({DeviceColumn(key.first), key.second, value});
    return board;
}

}  // namespace history

using namespace history;

std::function<QByteArray(qint64, qint64, QString&)> pastStretchAnswer(ReportHistory& history, AppLog* log,
                                                                      qsizetype maxBytes) {
    // A reader of its own (the history's is private to it); it reads whole blocks only, so it may
    // run while the history's writer appends.
    const auto reader = std::make_shared<HistoryReader>(history.options().folder, [log](const QString& message) {
        if (log != nullptr)
            log->error(QStringLiteral("Field: %1").arg(message));
    });
    return [&history, reader, maxBytes](qint64 moment, qint64 held, QString& refusal) {
        history.sync();
        PastStretch stretch;
        stretch.moment = moment;
        stretch.span = reader->span();
        if (moment == 0)
            return encodePastStretch(stretch);
        const qint64 now = history.options().clock();
        const QVector<qint64> reports = reportTimesAround(moment, [&reader](qint64 from, qint64 to, int limit) {
            QVector<qint64> times;
            for (const PastReport& report : reader->reports(from, to, limit))
                times.append(report.time);
            return times;
        });
        // The stops: the report times and the moment (none later than the field's time: a replay
        // playing on past it asks what was reported up to it), from the desk's board on when it
        // holds one near enough before the moment.
        stretch.held = held > 0 && held <= moment && moment - held <= kHeldReachMs ? held : 0;
        QVector<qint64> times = reports;
        if (moment <= now)
            times.append(moment);
        std::sort(times.begin(), times.end());
        times.erase(std::unique(times.begin(), times.end()), times.end());
        if (stretch.held != 0) {
            times.erase(times.begin(), std::upper_bound(times.begin(), times.end(), stretch.held));
            times.prepend(stretch.held);
        }
        const QVector<PastBoard> boards =
            times.isEmpty() ? QVector<PastBoard>{reader->boardAt(moment, now)} : reader->boardsAt(times, now);
        if (times.isEmpty() || boards.first().fidelity == Fidelity::Unavailable) {
            refusal = boards.first().fidelity == Fidelity::Unavailable && !boards.first().note.isEmpty()
                          ? boards.first().note
                          : QStringLiteral("the history holds no report up to this moment");
            return QByteArray();
        }
        for (qsizetype i = 0; i < boards.size(); ++i) {
            PastStretch::Stop stop{times[i], std::binary_search(reports.cbegin(), reports.cend(), times[i]), boards[i]};
            if (i == 0 && stretch.held != 0) {  // the desk holds these rows
                stop.changed.statusRows.clear();
                stop.changed.deviceRows.clear();
            }
            stretch.stops.append(std::move(stop));
        }
        // Within the bus: the stops after the moment are cut, the farthest first.
        QByteArray bytes = encodePastStretch(stretch);
        while (bytes.size() > maxBytes) {
            const auto atMoment = std::find_if(stretch.stops.cbegin(), stretch.stops.cend(),
                                               [moment](const PastStretch::Stop& stop) { return stop.time >= moment; });
            const qsizetype after = stretch.stops.cend() - atMoment - 1;
            if (after <= 0) {
                refusal = QStringLiteral("the reports around this moment are more than the bus carries");
                return QByteArray();
            }
            stretch.stops.resize(stretch.stops.size() - (after + 1) / 2);
            bytes = encodePastStretch(stretch);
        }
        return bytes;
    };
}

}  // namespace sv
