// The last changes of each point's state cells, for the row highlight and the row's tooltip.
//
// Recording sits on the state-change path, so it stores what it is given and nothing else: the
// column, the (shared, not copied) text and a monotonic tick. Times are turned into clock times
// only when the operator reads them. Each point keeps a ring of its last kRingSize changes; at
// most kMaxPoints points are tracked, and when more change, the quarter changed longest ago is
// dropped in one go (so the memory stays bounded and the cost per change stays constant).
//
// A reader of a grid keeps, per row, the slot of its point's ring, so recording a change
// of a row and reading its marks find the ring without hashing the address; the slot is checked
// against the ring's address (the same shared characters, so no string compare as a rule), so one
// that went stale (the ring was dropped or reused) falls back to the lookup by address and is set
// again. While a report is applied (a Report scope is open) the clock is read once for all the
// cells it changes.
//
// The memory a change touches is kept small, since a storm over tens of thousands of points
// reaches a different ring with nearly every change: the rings' heads (last tick, generation,
// position: 16 bytes) lie side by side in one array, apart from their entries and owners, and an
// entry is 16 bytes. A change's text is an id in a TextTable of the store's own (a text handed
// over in the same storage again is found by its address there): keeping a change counts a
// plain number up and one down, never an atomic reference count, so the write of an entry that
// is not in the cache does not hold up what follows. The lookup by address is the grids' own
// AddressIndex, keyed by ring slot.
#pragma once

#include "base/Texts.h"
#include "grid/AddressIndex.h"
#include "grid/TextTable.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace so {

class RecentChanges {
public:
    static constexpr int kRingSize = 10;
    /// About 7 MB at most; large enough that a storm over a 30,000-point window does not evict.
    static constexpr int kMaxPoints = 32768;

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
    ~RecentChanges();
    RecentChanges(const RecentChanges&) = delete;
    RecentChanges& operator=(const RecentChanges&) = delete;

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
    void record(int& slot, const QString& address, int column, const QString& text, qint64 tickMs) {
        if (!holds(slot, address))
            slot = slotFor(address);
        recordAt(slot, column, text, tickMs);
    }

    // ---- a ring known by its slot and generation
    // A caller that keeps, beside a row's slot, the generation the slot's ring had when record()
    // last set the slot for the row's address, knows the ring is still that address's while the
    // generation is the same (a ring dropped, reused or cleared gets a new one) and the row's
    // address has not changed since: it records and reads without reading the address.

    /// Generations count from 1 and stay below this (they fit in 31 bits).
    static constexpr std::uint32_t kGenerationLimit = 1u << 31;
    /// The generation of the ring at `slot`; 0 for a slot that holds no ring.
    std::uint32_t generation(int slot) const {
        return slot >= 0 && size_t(slot) < heads_.size() && heads_[size_t(slot)].live ? heads_[size_t(slot)].generation
                                                                                      : 0;
    }
    /// True while the ring at `slot` is the one that had `generation`.
    bool isCurrent(int slot, std::uint32_t generation) const {
        return generation != 0 && slot >= 0 && size_t(slot) < heads_.size() &&
               heads_[size_t(slot)].generation == generation && heads_[size_t(slot)].live;
    }
    /// Records into the ring at `slot`, which must be current (see isCurrent).
    void recordAt(int slot, int column, const QString& text, qint64 tickMs) {
        Head& head = heads_[size_t(slot)];
        Entry& entry = entries_[size_t(slot)][head.next];
        const TextId kept = texts_->acquire(text);
        texts_->release(entry.text);
        entry.text = kept;
        entry.column = qint16(column);
        entry.tickMs = tickMs;
        head.next = head.next + 1 == kRingSize ? 0 : head.next + 1;
        if (head.count < kRingSize)
            ++head.count;
        head.lastTick = tickMs;
        lastTick_ = tickMs;
    }

    /// The point's kept changes, newest first.
    QVector<Change> changesOf(const QString& address) const { return changesOf(-1, address); }
    QVector<Change> changesOf(int slot, const QString& address) const;
    /// Tick of the point's last change; -1 when none is kept.
    qint64 lastChangeOf(const QString& address) const { return lastChangeOf(-1, address); }
    qint64 lastChangeOf(int slot, const QString& address) const {
        const int ring = ringOf(slot, address);
        return ring < 0 ? -1 : heads_[size_t(ring)].lastTick;
    }
    /// Tick of the last change kept in the ring at `slot`, which must be current.
    qint64 lastChangeAt(int slot) const { return heads_[size_t(slot)].lastTick; }
    /// Tick of the last change of any point; -1 before the first.
    qint64 lastChange() const { return lastTick_; }
    /// Clock time of a tick of this object's clock.
    QDateTime timeOf(qint64 tickMs) const;

    int trackedPoints() const { return tracked_; }
    void clear();

private:
    /// What a change of a ring reads and writes besides its entry: 16 bytes, four to a line.
    struct Head {
        qint64 lastTick = 0;
        std::uint32_t generation = 0;
        std::uint8_t next = 0;
        std::uint8_t count = 0;
        bool live = false;
    };
    static_assert(sizeof(Head) == 16, "four heads to a cache line");
    /// Whose a ring is: read when a ring is found by its address.
    struct Owner {
        QString address;
    };
    /// A kept change.
    struct alignas(16) Entry {
        TextId text = TextTable::kEmpty;
        qint16 column = -1;
        qint64 tickMs = 0;
    };
    static_assert(sizeof(Entry) == 16, "four entries to a cache line");
    using Entries = std::array<Entry, kRingSize>;
    /// The same address: the same shared characters as a rule, else the same text.
    bool isOwner(int slot, const QString& address) const { return sameText(owners_[size_t(slot)].address, address); }
    bool holds(int slot, const QString& address) const {
        return slot >= 0 && size_t(slot) < heads_.size() && heads_[size_t(slot)].live && isOwner(slot, address);
    }
    /// The address's ring: `slot` when it holds the address, else by lookup; -1 when none.
    int ringOf(int slot, const QString& address) const { return holds(slot, address) ? slot : find(address); }
    int find(const QString& address) const;
    /// The address of the ring at a slot, as the index compares it.
    QStringView ownerOf(int slot) const { return owners_[size_t(slot)].address; }
    /// The address's ring slot, made when the address has none.
    int slotFor(const QString& address);
    void evictOldest();
    void drop(int slot);

    QElapsedTimer clock_;
    QDateTime clockStart_;
    // The changes' texts.
    std::unique_ptr<TextTable> texts_;
    // By slot; a freed slot is reused by the next new point.
    std::vector<Head> heads_;
    std::vector<Owner> owners_;
    std::vector<Entries> entries_;
    std::vector<int> freeSlots_;
    int tracked_ = 0;
    // Address -> slot.
    AddressIndex index_;
    qint64 lastTick_ = -1;
    int reportDepth_ = 0;
    qint64 reportTick_ = -1;
};

}  // namespace so
