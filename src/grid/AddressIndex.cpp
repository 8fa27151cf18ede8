#include "grid/AddressIndex.h"

#include <utility>

namespace so {

void AddressIndex::reset(std::uint32_t capacity) {
    slots_ = std::make_unique<Slot[]>(capacity);
    capacity_ = capacity;
    mask_ = capacity - 1;
    size_ = 0;
}

void AddressIndex::grow() {
    std::unique_ptr<Slot[]> old = std::move(slots_);
    const std::uint32_t oldCapacity = capacity_;
    const int entries = size_;
    reset(oldCapacity * 2);
    for (std::uint32_t s = 0; s < oldCapacity; ++s) {
        if (old[s].key < 0)
            continue;
        std::uint32_t i = old[s].tag & mask_;
        while (slots_[i].key >= 0)
            i = (i + 1) & mask_;
        slots_[i] = old[s];
    }
    size_ = entries;
}

void AddressIndex::shiftBackInto(std::uint32_t hole) {
    // Each later entry of the run moves into the hole unless its home lies cyclically in
    // (hole, its place]: then the hole would sit before its home and a probe would miss it.
    for (std::uint32_t i = (hole + 1) & mask_; slots_[i].key >= 0; i = (i + 1) & mask_) {
        const std::uint32_t home = slots_[i].tag & mask_;
        const bool homeAfterHole = ((i - home) & mask_) < ((i - hole) & mask_);
        if (homeAfterHole)
            continue;
        slots_[hole] = slots_[i];
        hole = i;
    }
    slots_[hole] = Slot{};
}

}  // namespace so
