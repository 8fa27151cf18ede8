// Reads the report history's segment files: a past board rebuilt from the nearest snapshot at or
// before the moment and the changes after it, the reports of a window, and the span kept. Reads
// only whole blocks with a good checksum, so it may run while the field appends; what it cannot
// read it skips, says in the answer (approximate or unavailable) and tells once per file.
#pragma once

#include "field/HistoryTypes.h"

#include <QSet>
#include <QString>
#include <QVector>

#include <functional>

namespace sv::history {

/// A segment file: the history from its start (its first snapshot) to the next segment's start.
struct Segment {
    QString path;
    qint64 start = 0;
};

class HistoryReader {
public:
    /// tell receives one line per damaged file (once per file and reader).
    HistoryReader(const QString& folder, std::function<void(const QString&)> tell);

    /// now: the field's time; a moment after it is unavailable.
    PastBoard boardAt(qint64 moment, qint64 now);
    /// The boards at times (oldest first), read in one pass: the first whole (boardAt's), each next
    /// one only the rows that differ from the board before it, marked approximate once any record
    /// before it could not be read. Fewer boards than times when the history after one cannot be read.
    QVector<PastBoard> boardsAt(const QVector<qint64>& times, qint64 now);
    /// The reports sent from from to to (both included), oldest first, at most limit of them.
    QVector<PastReport> reports(qint64 from, qint64 to, int limit);
    HistorySpan span();

    /// The folder's segments, oldest first.
    static QVector<Segment> segments(const QString& folder);
    /// A segment's file name for its start.
    static QString segmentName(qint64 start);

private:
    void tellDamage(const QString& path, const QString& what);

    QString folder_;
    std::function<void(const QString&)> tell_;
    QSet<QString> told_;
};

}  // namespace sv::history
