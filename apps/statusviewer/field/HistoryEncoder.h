// Turns what the field did into the report history's blocks.
//
// The field's thread writes each change and report into a HistoryEvents buffer: a few bytes
// copied into one growing buffer, with no allocation, no shared text and no reference kept to
// the field's own state. The history's writer thread hands the buffer to HistoryEncoder, which
// keeps the run's dictionaries (points, addresses, device types), every point's current state as
// its encoded bytes (compared and copied as they are), the open block of delta records, and
// when a new segment or a snapshot is due. Plain code; tested through ReportHistory.
#pragma once

#include "field/HistoryFormat.h"
#include "field/HistoryTypes.h"

#include <QByteArray>
#include <QHash>
#include <QVector>

namespace sv::history {

/// What the field did since the last hand-over, in the order it did it.
class HistoryEvents {
public:
    enum Kind : quint8 {
        BeginSeed,  // a run starts: the changes up to EndSeed are the states loaded, not records
        EndSeed,    // the seed is complete: a segment opens with its snapshot
        Change,     // a point's row state
        Report      // a state report sent
    };

    void beginSeed();
    void endSeed(qint64 time);
    /// A point's state: a status entry's codes, value and mask source, a codes row's values
    /// (codes), a device column's value (number).
    void change(qint64 time, const PointKey& key, const QVector<int>& codes, const QString& text, qint64 number);
    void report(qint64 time, const QString& deviceType, const QString& address, int state, const QString& value);

    int count() const { return count_; }
    bool isEmpty() const { return count_ == 0; }
    /// The events, leaving this empty.
    QByteArray take();

private:
    /// Room for a second's events at the average rate: the buffer rarely grows.
    static constexpr qsizetype kReserve = 64 * 1024;

    QByteArray bytes_;
    int count_ = 0;
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

    /// Applies the events of one hand-over; blocks that are complete go to out. False when the
    /// bytes are not events as HistoryEvents writes them (what came before them is applied).
    bool apply(const QByteArray& events, QVector<HistoryJob>& out);
    /// The open block, when it holds records, to out.
    void closeBlock(QVector<HistoryJob>& out);

private:
    /// Interned texts (addresses, device types), each found by a hash of its encoded bytes in an
    /// open-addressing table of its own: a lookup costs a hash of a few words and a compare, a
    /// good deal less than a QHash of byte arrays.
    class Dictionary {
    public:
        /// The index of an encoded text (its length and bytes, as Encoder::text writes them), or -1.
        int find(const char* text, qsizetype bytes) const;
        /// Adds a text find() did not find; its index.
        int add(const char* text, qsizetype bytes);
        /// Every text, encoded, in index order (as a snapshot holds them).
        const QByteArray& encoded() const { return encoded_; }
        int size() const { return int(starts_.size()); }
        void clear();

    private:
        struct Slot {
            quint32 hash = 0;
            qint32 index = -1;
        };
        quint32 hash(const char* text, qsizetype bytes) const;
        bool holds(int index, const char* text, qsizetype bytes) const;
        void place(Slot slot);

        QVector<Slot> slots_;        // a power of two of them, at most half taken
        QVector<qsizetype> starts_;  // each text's offset in encoded_
        QByteArray encoded_;
        quint64 seed_ = 0;
    };

    void reset();
    void change(qint64 t, const PointKey& key, const char* state, qsizetype stateBytes, QVector<HistoryJob>& out);
    void report(qint64 t, int state, const char* deviceType, qsizetype typeBytes, const char* address,
                qsizetype addressBytes, const char* value, qsizetype valueBytes, QVector<HistoryJob>& out);
    int index(Dictionary& dictionary, const char* text, qsizetype bytes, RecordKind define);
    /// Opens a new segment or writes a snapshot when one is due at t; the open block's time.
    void timeRecord(qint64 t, QVector<HistoryJob>& out);
    void snapshot(qint64 t, bool newSegment, QVector<HistoryJob>& out);
    void closeWhenFull(QVector<HistoryJob>& out);

    Limits limits_;
    QHash<PointKey, int> pointIndex_;
    QVector<PointKey> keys_;
    QVector<QByteArray> states_;  // each point's state, encoded
    Dictionary addresses_;
    Dictionary deviceTypes_;
    bool seeding_ = false;
    bool running_ = false;
    qint64 segmentStart_ = 0;
    qint64 lastSnapshot_ = 0;
    QByteArray open_;
    qint64 openFirst_ = 0;
    qint64 lastRecord_ = 0;
};

}  // namespace sv::history
