// A stretch of the site's past as the field sends it to a desk of a multi-desk site that steps
// or plays through it: the stops (every report time around the moment asked, and the moment
// itself), the first with the whole board (or none when the desk holds it already), each later
// one with only the rows that changed since the stop before. The desk builds the board of any
// stop itself, forward and back (StretchBoards), so a step costs the bus nothing and the field
// one walk of its history per stretch instead of one board per step.
//
// Bounded: the stops are those reportTimesAround gives (host/PastCursor.h: at most
// kMaxPastReports on either side, within ten minutes) and the answer, compressed, fits the bus
// (pastStretchAnswer trims the stops after the moment until it does, or refuses).
#pragma once

#include "field/HistoryTypes.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>
#include <map>
#include <optional>

namespace sv {

class AppLog;
class ReportHistory;

namespace history {

struct PastStretch {
    struct Stop {
        qint64 time = 0;
        /// A report's time (the operator steps by these); false for the moment asked or held.
        bool report = false;
        /// The rows changed since the stop before (the whole board at the first stop, none at a
        /// held one), with the fidelity of the board at this stop.
        PastBoard changed;
    };
    /// The moment asked for (0: the span only, no stops).
    qint64 moment = 0;
    /// The time of the board the desk holds that the stops build on (stops[0], no rows); 0: none.
    qint64 held = 0;
    /// What the history holds.
    HistorySpan span;
    QVector<Stop> stops;
};

/// Compressed, every row typed.
QByteArray encodePastStretch(const PastStretch& stretch);
/// The stretch of encodePastStretch's bytes; nullopt for bytes that are not one (stops out of
/// order, a first stop without its board, or inflating beyond kMaxPayloadBytes).
std::optional<PastStretch> decodePastStretch(const QByteArray& bytes);

/// Builds the board at each stop of a stretch, moving from the stop it shows to the one asked:
/// forward by the rows the stops changed, back by the rows those replaced.
class StretchBoards {
public:
    /// stretch.held != 0: heldBoard is the board at that time (the stretch's rows build on it).
    explicit StretchBoards(PastStretch stretch, const PastBoard& heldBoard = {});

    /// Goes on with the stretch that builds on this one's last stop (next.held): its stops
    /// follow these (the oldest dropped beyond kMaxStops), its moment becomes this one's. False,
    /// changing nothing (next untouched), when next builds on another board.
    bool extend(PastStretch&& next);

    qint64 moment() const { return moment_; }
    const HistorySpan& span() const { return span_; }
    bool holds(qint64 time) const { return indexOf(time) >= 0; }
    /// The board at the stop at time; nullopt when no stop is at it.
    std::optional<PastBoard> boardAt(qint64 time);
    /// The stops' report times, oldest first.
    QVector<qint64> reportTimes() const;
    /// The time of the first and the last stop (0 when there is none).
    qint64 firstTime() const { return stops_.isEmpty() ? 0 : stops_.first().time; }
    qint64 lastTime() const { return stops_.isEmpty() ? 0 : stops_.last().time; }

private:
    using StatusKey = std::pair<qint32, int>;
    using DeviceKey = std::pair<int, qint32>;
    struct Undo {
        std::map<StatusKey, std::optional<QString>> status;
        std::map<DeviceKey, std::optional<qint64>> device;
    };
    int indexOf(qint64 time) const;
    /// Moves status_ and device_ to the stop at index.
    void moveTo(int index);
    Undo apply(const PastBoard& rows);
    void undo(const Undo& undo);

    qint64 moment_ = 0;
    HistorySpan span_;
    QVector<PastStretch::Stop> stops_;
    std::map<StatusKey, QString> status_;
    std::map<DeviceKey, qint64> device_;
    int at_ = 0;           // the stop status_ and device_ show
    QVector<Undo> undos_;  // undos_[i] takes stop i + 1 back to stop i
};

}  // namespace history

/// The field's answer to a desk's request for a stretch of the past
/// (FieldBroadcaster::PastStretch) from history, at most maxBytes: the stops around moment, built
/// on the board at held when the desk holds one at most ten minutes before the moment, else on a
/// whole board; refused when the history holds nothing for the moment.
std::function<QByteArray(qint64 moment, qint64 held, QString& refusal)> pastStretchAnswer(ReportHistory& history,
                                                                                          AppLog* log,
                                                                                          qsizetype maxBytes);

}  // namespace sv
