// Turns what the field did into the report history's blocks: the run's dictionaries (points,
// addresses, device types), every point's current state, the open block of delta records, and
// when a new segment or a snapshot is due. Plain code on the history's writer thread
// (ReportHistory hands it the field's events in batches); tested through ReportHistory.
#pragma once

#include "field/HistoryFormat.h"
#include "field/HistoryTypes.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QVector>

namespace sv::history {

/// One thing the field did, as the field's thread queues it for the history.
struct HistoryEvent {
    enum Kind : quint8 {
        BeginSeed,  // a run starts: the changes up to EndSeed are the states loaded, not records
        EndSeed,    // the seed is complete: a segment opens with its snapshot
        Change,     // a point's row state
        Report      // a state report sent
    };
    Kind kind = Change;
    qint64 time = 0;
    PointKey key;
    PointState state;
    QString deviceType, address, value;
    int reportState = 0;
};

/// A block for the writer; newSegment: it opens a new segment file (a snapshot).
struct HistoryJob {
    Block block;
    bool newSegment = false;
};

class HistoryEncoder {
public:
    struct Limits {
        qint64 segmentMs = 3600 * 1000;
        qint64 snapshotMs = 15 * 60 * 1000;
        int blockBytes = 64 * 1024;
    };
    explicit HistoryEncoder(Limits limits) : limits_(limits) {}

    /// Applies event; blocks that are complete go to out.
    void apply(HistoryEvent&& event, QVector<HistoryJob>& out);
    /// The open block, when it holds records, to out.
    void closeBlock(QVector<HistoryJob>& out);

private:
    void change(qint64 t, const PointKey& key, PointState&& state, QVector<HistoryJob>& out);
    void report(const HistoryEvent& event, QVector<HistoryJob>& out);
    /// Opens a new segment or writes a snapshot when one is due at t; the open block's time.
    void timeRecord(qint64 t, QVector<HistoryJob>& out);
    void snapshot(qint64 t, bool newSegment, QVector<HistoryJob>& out);
    int index(QHash<QString, int>& indexes, QStringList& list, const QString& text, RecordKind define);

    Limits limits_;
    QHash<PointKey, int> pointIndex_;
    QVector<PointKey> keys_;
    QVector<PointState> states_;
    QHash<QString, int> addressIndex_;
    QStringList addresses_;
    QHash<QString, int> deviceTypeIndex_;
    QStringList deviceTypes_;
    bool seeding_ = false;
    bool running_ = false;
    qint64 segmentStart_ = 0;
    qint64 lastSnapshot_ = 0;
    QByteArray open_;
    qint64 openFirst_ = 0;
    qint64 lastRecord_ = 0;
};

}  // namespace sv::history
