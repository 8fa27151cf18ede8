#include "status/RecentChanges.h"

#include <algorithm>

namespace so {

RecentChanges::RecentChanges() : clockStart_(QDateTime::currentDateTime()), texts_(std::make_unique<TextTable>()) {
    clock_.start();
}

RecentChanges::~RecentChanges() = default;

int RecentChanges::find(const QString& address) const {
    int found = -1;  // an address has at most one ring
    index_.forEachKey(
        address, [this](int slot) { return ownerOf(slot); }, [&](int slot) { found = slot; });
    return found;
}

int RecentChanges::slotFor(const QString& address) {
    const int found = find(address);
    if (found >= 0)
        return found;
    if (tracked_ >= kMaxPoints)
        evictOldest();
    int slot = 0;
    if (freeSlots_.empty()) {
        slot = int(heads_.size());
        heads_.emplace_back();
        owners_.emplace_back();
        entries_.emplace_back();
        // Each slot counts its generations from its own start, so a generation kept for one slot
        // hardly ever matches another slot's ring.
        heads_.back().generation = (std::uint32_t(slot) * 0x9E3779B1u) % (kGenerationLimit - 1);
    } else {
        slot = freeSlots_.back();
        freeSlots_.pop_back();
    }
    owners_[size_t(slot)] = {address};
    Head& head = heads_[size_t(slot)];
    head.generation = head.generation + 1 == kGenerationLimit ? 1 : head.generation + 1;
    head.next = head.count = 0;
    head.live = true;
    index_.insert(address, slot, [this](int key) { return ownerOf(key); });
    ++tracked_;
    return slot;
}

void RecentChanges::drop(int slot) {
    Owner& owner = owners_[size_t(slot)];
    index_.erase(owner.address, slot, [this](int key) { return ownerOf(key); });
    owner.address = QString();
    heads_[size_t(slot)].live = false;
    freeSlots_.push_back(slot);
    --tracked_;
}

void RecentChanges::evictOldest() {
    // Drop the quarter of the points changed longest ago: one pass per kMaxPoints / 4 new points.
    std::vector<qint64> ticks;
    ticks.reserve(size_t(tracked_));
    for (const Head& head : heads_)
        if (head.live)
            ticks.push_back(head.lastTick);
    const size_t cut = ticks.size() / 4;
    std::nth_element(ticks.begin(), ticks.begin() + qsizetype(cut), ticks.end());
    const qint64 threshold = ticks[cut];
    for (size_t slot = 0; slot < heads_.size(); ++slot)
        if (heads_[slot].live && heads_[slot].lastTick < threshold)
            drop(int(slot));
    // Many points changed in the same millisecond: fall back to dropping any of them.
    for (size_t slot = 0; tracked_ >= kMaxPoints && slot < heads_.size(); ++slot)
        if (heads_[slot].live)
            drop(int(slot));
}

QVector<RecentChanges::Change> RecentChanges::changesOf(int slot, const QString& address) const {
    QVector<Change> out;
    const int ring = ringOf(slot, address);
    if (ring < 0)
        return out;
    const Head& head = heads_[size_t(ring)];
    const Entries& entries = entries_[size_t(ring)];
    out.reserve(head.count);
    for (int i = 1; i <= head.count; ++i) {
        const Entry& entry = entries[size_t((head.next - i + kRingSize) % kRingSize)];
        out.append({entry.column, texts_->text(entry.text), entry.tickMs});
    }
    return out;
}

QDateTime RecentChanges::timeOf(qint64 tickMs) const { return clockStart_.addMSecs(tickMs); }

void RecentChanges::clear() {
    // The slots stay, so a generation a caller kept never comes back for another point.
    freeSlots_.clear();
    for (size_t slot = heads_.size(); slot-- > 0;) {
        owners_[slot] = Owner{};
        entries_[slot] = Entries{};
        heads_[slot].live = false;
        freeSlots_.push_back(int(slot));
    }
    texts_ = std::make_unique<TextTable>();
    index_.clear();
    tracked_ = 0;
    lastTick_ = -1;
}

}  // namespace so
