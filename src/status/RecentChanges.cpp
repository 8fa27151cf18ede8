#include "status/RecentChanges.h"

#include <algorithm>
#include <vector>

namespace so {

RecentChanges::RecentChanges() : clockStart_(QDateTime::currentDateTime()) { clock_.start(); }

void RecentChanges::record(int& slot, const QString& address, int column, const QString& text, qint64 tickMs) {
    if (!holds(slot, address))
        slot = slotFor(address);
    Ring& ring = rings_[size_t(slot)];
    Change& entry = ring.entries[size_t(ring.next)];
    entry.column = column;
    entry.text = text;
    entry.tickMs = tickMs;
    ring.next = (ring.next + 1) % kRingSize;
    ring.count = std::min(ring.count + 1, kRingSize);
    ring.lastTick = tickMs;
    lastTick_ = tickMs;
}

int RecentChanges::slotFor(const QString& address) {
    auto it = points_.constFind(address);
    int slot = 0;
    if (it != points_.constEnd()) {
        slot = it.value();
    } else {
        if (points_.size() >= kMaxPoints)
            evictOldest();
        if (freeSlots_.empty()) {
            slot = int(rings_.size());
            rings_.emplace_back();
        } else {
            slot = freeSlots_.back();
            freeSlots_.pop_back();
            rings_[size_t(slot)].next = rings_[size_t(slot)].count = 0;
        }
        rings_[size_t(slot)].address = address;
        points_.insert(address, slot);
    }
    return slot;
}

void RecentChanges::evictOldest() {
    // Drop the quarter of the points changed longest ago: one pass per kMaxPoints / 4 new points.
    std::vector<qint64> ticks;
    ticks.reserve(size_t(points_.size()));
    for (int slot : std::as_const(points_))
        ticks.push_back(rings_[size_t(slot)].lastTick);
    const size_t cut = ticks.size() / 4;
    std::nth_element(ticks.begin(), ticks.begin() + qsizetype(cut), ticks.end());
    const qint64 threshold = ticks[cut];
    const auto drop = [this](QHash<QString, int>::iterator it) {
        freeSlots_.push_back(it.value());
        rings_[size_t(it.value())].address = QString();
        return points_.erase(it);
    };
    for (auto it = points_.begin(); it != points_.end();)
        it = rings_[size_t(it.value())].lastTick < threshold ? drop(it) : std::next(it);
    // Many points changed in the same millisecond: fall back to dropping any of them.
    for (auto it = points_.begin(); points_.size() >= kMaxPoints && it != points_.end();)
        it = drop(it);
}

const RecentChanges::Ring* RecentChanges::ringOf(int slot, const QString& address) const {
    if (holds(slot, address))
        return &rings_[size_t(slot)];
    const auto it = points_.constFind(address);
    return it == points_.constEnd() ? nullptr : &rings_[size_t(it.value())];
}

QVector<RecentChanges::Change> RecentChanges::changesOf(int slot, const QString& address) const {
    QVector<Change> out;
    const Ring* ring = ringOf(slot, address);
    if (ring == nullptr)
        return out;
    out.reserve(ring->count);
    for (int i = 1; i <= ring->count; ++i)
        out.append(ring->entries[size_t((ring->next - i + kRingSize) % kRingSize)]);
    return out;
}

qint64 RecentChanges::lastChangeOf(int slot, const QString& address) const {
    const Ring* ring = ringOf(slot, address);
    return ring == nullptr ? -1 : ring->lastTick;
}

QDateTime RecentChanges::timeOf(qint64 tickMs) const { return clockStart_.addMSecs(tickMs); }

void RecentChanges::clear() {
    points_.clear();
    rings_.clear();
    freeSlots_.clear();
    lastTick_ = -1;
}

}  // namespace so
