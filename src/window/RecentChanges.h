// The last changes of each point's state cells, for the row highlight and the row's tooltip.
//
// Recording sits on the state-change path, so it stores what it is given and nothing else: the
// column, the (shared, not copied) text and a monotonic tick. Times are turned into clock times
// only when the operator reads them. Each point keeps a ring of its last kRingSize changes; at
// most kMaxPoints points are tracked, and when more change, the quarter changed longest ago is
// dropped in one go (so the memory stays bounded and the cost per change stays constant).
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QString>

#include <array>
#include <vector>

namespace so {

class RecentChanges {
public:
    static constexpr int kRingSize = 10;
    /// About 6 MB at most; large enough that a storm over a 10,000-point window does not evict.
    static constexpr int kMaxPoints = 16384;

    struct Change {
        int column = -1;
        QString text;
        qint64 tickMs = 0;
    };

    RecentChanges();

    /// Milliseconds of the monotonic clock the changes are stamped with.
    qint64 nowMs() const { return clock_.elapsed(); }
    void record(const QString& address, int column, const QString& text) { record(address, column, text, nowMs()); }
    void record(const QString& address, int column, const QString& text, qint64 tickMs);

    /// The point's kept changes, newest first.
    QVector<Change> changesOf(const QString& address) const;
    /// Tick of the point's last change; -1 when none is kept.
    qint64 lastChangeOf(const QString& address) const;
    /// Tick of the last change of any point; -1 before the first.
    qint64 lastChange() const { return lastTick_; }
    /// Clock time of a tick of this object's clock.
    QDateTime timeOf(qint64 tickMs) const;

    int trackedPoints() const { return int(points_.size()); }
    void clear();

private:
    struct Ring {
        std::array<Change, kRingSize> entries;
        int next = 0;
        int count = 0;
        qint64 lastTick = 0;
    };
    void evictOldest();

    QElapsedTimer clock_;
    QDateTime clockStart_;
    // Address -> slot in rings_; freed slots are reused, so a ring is never moved or reallocated
    // once made.
    QHash<QString, int> points_;
    std::vector<Ring> rings_;
    std::vector<int> freeSlots_;
    qint64 lastTick_ = -1;
};

}  // namespace so
