#include "grid/TextTable.h"

#include "grid/TextHash.h"

#include <algorithm>

namespace so {
namespace {
constexpr std::uint32_t kMinIndex = 64;
/// Unused entries are freed once there are this many, or a quarter of the table if more.
constexpr std::size_t kSweepAt = 1024;
}  // namespace

TextTable::TextTable() : index_(kMinIndex, kEmpty), indexMask_(kMinIndex - 1) {
    chunks_.push_back(std::make_unique<Entry[]>(kChunkSize));
    entries_ = 1;  // id 0, the empty text
}

TextTable::~TextTable() = default;

TextId TextTable::acquireByContent(const QString& text) {
    const std::uint32_t hash = textHash32(text);
    for (std::uint32_t i = hash & indexMask_; index_[i] != kEmpty; i = (i + 1) & indexMask_) {
        const TextId id = index_[i];
        Entry& e = entry(id);
        if (e.hash != hash || e.text != text)
            continue;
        ++e.uses;
        // A text that is shared (kept by its writer, or a literal) is likely to come again in the
        // same storage: the entry takes that storage, so the next write finds it by address.
        if (!text.isDetached())
            e.text = text;
        byStorage_[storageSlot<kStorageBits>(e.text.constData())] = id;
        return id;
    }
    return add(text, hash);
}

TextId TextTable::add(const QString& text, std::uint32_t hash) {
    if (unused_.size() >= std::max(kSweepAt, std::size_t(live_) / 4))
        sweep();
    TextId id;
    if (!freeIds_.empty()) {
        id = freeIds_.back();
        freeIds_.pop_back();
    } else {
        id = entries_++;
        if ((id >> kChunkBits) >= chunks_.size())
            chunks_.push_back(std::make_unique<Entry[]>(kChunkSize));
    }
    Entry& e = entry(id);
    e.text = text;
    e.uses = 1;
    e.hash = hash;
    ++live_;
    indexInsert(id);
    byStorage_[storageSlot<kStorageBits>(e.text.constData())] = id;
    return id;
}

void TextTable::sweep() {
    for (const TextId id : unused_) {
        Entry& e = entry(id);
        // Taken again since, or already freed (an id can be listed more than once).
        if (e.uses != 0 || e.text.isNull())
            continue;
        indexErase(id);
        e.text = QString();
        freeIds_.push_back(id);
        --live_;
    }
    unused_.clear();
}

void TextTable::indexInsert(TextId id) {
    if (2 * (std::uint32_t(live_) + 1) > index_.size())
        growIndex();
    std::uint32_t i = entry(id).hash & indexMask_;
    while (index_[i] != kEmpty)
        i = (i + 1) & indexMask_;
    index_[i] = id;
}

void TextTable::indexErase(TextId id) {
    std::uint32_t hole = entry(id).hash & indexMask_;
    while (index_[hole] != id)
        hole = (hole + 1) & indexMask_;
    // Later entries of the run move back into the hole unless their home lies cyclically after it.
    for (std::uint32_t i = (hole + 1) & indexMask_; index_[i] != kEmpty; i = (i + 1) & indexMask_) {
        const std::uint32_t home = entry(index_[i]).hash & indexMask_;
        if (((i - home) & indexMask_) < ((i - hole) & indexMask_))
            continue;
        index_[hole] = index_[i];
        hole = i;
    }
    index_[hole] = kEmpty;
}

void TextTable::growIndex() {
    std::vector<TextId> old = std::move(index_);
    index_.assign(old.size() * 2, kEmpty);
    indexMask_ = std::uint32_t(index_.size()) - 1;
    for (const TextId id : old) {
        if (id == kEmpty)
            continue;
        std::uint32_t i = entry(id).hash & indexMask_;
        while (index_[i] != kEmpty)
            i = (i + 1) & indexMask_;
        index_[i] = id;
    }
}

}  // namespace so
