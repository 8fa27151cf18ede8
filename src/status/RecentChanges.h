// The last changes of each point's state cells, for the row highlight and the row's tooltip.
//
// Recording sits on the state-change path, so it stores what it is given and nothing else: the
// column, the (shared, not copied) text and a monotonic tick. Times are turned into clock times
// only when the operator reads them. Each point keeps a ring of its last kRingSize changes; at
// most kMaxPoints points are tracked, and when more change, the quarter changed longest ago is
// dropped in one go (so the memory stays bounded and the cost per change stays constant).
//
// A grid row keeps the slot of its point's ring (StatusGrid::recentSlot), so recording a change
// of a row and reading its marks find the ring without hashing the address; the slot is checked
// against the ring's address, so one that went stale (the ring was dropped or reused) falls back
// to the lookup by address and is set again. While a report is applied (a Report scope is open)
// the clock is read once for all the cells it changes.
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

    /// Open while one report is applied: every change it makes gets the same tick.
    class Report {
    public:
        explicit Report(RecentChanges& recent) : recent_(recent) { ++recent_.reportDepth_; }
        ~Report() {
            if (--recent_.reportDepth_ == 0)
                recent_.reportTick_ = -1;
        }
        Report(const Report&) = delete;
        Report& operator=(const Report&) = delete;

    private:
        RecentChanges& recent_;
    };

    RecentChanges();

    /// Milliseconds of the monotonic clock the changes are stamped with.
    qint64 nowMs() const { return clock_.elapsed(); }
    /// The tick for a change now: the clock read once per report (see Report), else now.
    qint64 stamp() {
        if (reportDepth_ == 0)
            return nowMs();
        if (reportTick_ < 0)
            reportTick_ = nowMs();
        return reportTick_;
    }
    void record(const QString& address, int column, const QString& text) { record(address, column, text, nowMs()); }
    void record(const QString& address, int column, const QString& text, qint64 tickMs) {
        int slot = -1;
        record(slot, address, column, text, tickMs);
    }
    /// Records into the ring at `slot` when it is the address's, else finds (or makes) the
    /// address's ring and sets `slot` to it.
    void record(int& slot, const QString& address, int column, const QString& text, qint64 tickMs);

    /// The point's kept changes, newest first.
    QVector<Change> changesOf(const QString& address) const { return changesOf(-1, address); }
    QVector<Change> changesOf(int slot, const QString& address) const;
    /// Tick of the point's last change; -1 when none is kept.
    qint64 lastChangeOf(const QString& address) const { return lastChangeOf(-1, address); }
    qint64 lastChangeOf(int slot, const QString& address) const;
    /// Tick of the last change of any point; -1 before the first.
    qint64 lastChange() const { return lastTick_; }
    /// Clock time of a tick of this object's clock.
    QDateTime timeOf(qint64 tickMs) const;

    int trackedPoints() const { return int(points_.size()); }
    void clear();

private:
    struct Ring {
        QString address;  // null while the slot is free
        std::array<Change, kRingSize> entries;
        int next = 0;
        int count = 0;
        qint64 lastTick = 0;
    };
    void evictOldest();
    /// The address's ring slot, made when the address has none.
    int slotFor(const QString& address);
    /// The address's ring: `slot` when it holds the address, else by lookup; null when none.
    const Ring* ringOf(int slot, const QString& address) const;
    bool holds(int slot, const QString& address) const {
        return slot >= 0 && size_t(slot) < rings_.size() && rings_[size_t(slot)].address == address &&
               !rings_[size_t(slot)].address.isNull();
    }

    QElapsedTimer clock_;
    QDateTime clockStart_;
    // Address -> slot in rings_; freed slots are reused, so a ring is never moved or reallocated
    // once made.
    QHash<QString, int> points_;
    std::vector<Ring> rings_;
    std::vector<int> freeSlots_;
    qint64 lastTick_ = -1;
    int reportDepth_ = 0;
    qint64 reportTick_ = -1;
};

}  // namespace so
