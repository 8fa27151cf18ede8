// The texts of a component's grid cells, each kept once: a cell holds a small id.
//
// A status window shows few distinct texts many times over (resource texts, line and relay states,
// door and input summaries, the time of the current second), so a cell keeps the id of its text
// and a write compares ids. Writers pass their texts as QStrings; a text that shares its storage
// with the table's copy (a resource text, a literal, a kept summary or time text: whatever a writer
// hands over again and again) is found by the address of its characters in a small cache, with no
// string compare, hashing or allocation. Any other text is found by its content (hashed, compared)
// and added when new.
//
// Every id counts the cells that hold it. An entry no cell holds is freed in batches (so a text that
// comes and goes in one cell is not freed and added on every write), which bounds the table by the
// texts the cells show: the time texts of a long run go as the rows they stamped move on.
//
// Entries never move: a text read from the table stays valid while its entry lives.
#pragma once

#include "base/Texts.h"
#include "grid/TextHash.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <vector>

namespace so {

using TextId = std::uint32_t;

class TextTable {
public:
    /// The empty text: always there, never counted or freed.
    static constexpr TextId kEmpty = 0;

    TextTable();
    TextTable(const TextTable&) = delete;
    TextTable& operator=(const TextTable&) = delete;
    ~TextTable();

    const QString& text(TextId id) const { return entry(id).text; }

    /// The id of `text`, counted as held once more (added when new).
    TextId acquire(const QString& text) {
        if (text.isEmpty())
            return kEmpty;
        const TextId cached = byStorage_[storageSlot<kStorageBits>(text.constData())];
        Entry& e = entry(cached);
        if (sameStorage(e.text, text)) {
            ++e.uses;
            return cached;
        }
        return acquireByContent(text);
    }
    /// Counts `id` as held once more.
    void retain(TextId id) {
        if (id != kEmpty)
            ++entry(id).uses;
    }
    /// Counts `id` as held once less; an entry held by none is freed with the next batch.
    void release(TextId id) {
        if (id != kEmpty && --entry(id).uses == 0)
            unused_.push_back(id);
    }

    /// Entries held or waiting to be freed, the empty text not counted.
    int size() const { return live_; }
    /// How many hold `id` (for tests).
    std::uint32_t uses(TextId id) const { return entry(id).uses; }

private:
    struct Entry {
        QString text;
        std::uint32_t uses = 0;
        std::uint32_t hash = 0;
    };
    /// Entries live in chunks that never move.
    static constexpr int kChunkBits = 10;
    static constexpr std::uint32_t kChunkSize = 1u << kChunkBits;
    static constexpr int kStorageBits = 10;

    const Entry& entry(TextId id) const { return chunks_[id >> kChunkBits][id & (kChunkSize - 1)]; }
    Entry& entry(TextId id) { return chunks_[id >> kChunkBits][id & (kChunkSize - 1)]; }

    TextId acquireByContent(const QString& text);
    TextId add(const QString& text, std::uint32_t hash);
    /// Frees the entries that are still held by none.
    void sweep();
    void indexInsert(TextId id);
    void indexErase(TextId id);
    void growIndex();

    std::vector<std::unique_ptr<Entry[]>> chunks_;
    std::uint32_t entries_ = 0;  // ids handed out so far (free ones included)
    std::vector<TextId> freeIds_;
    std::vector<TextId> unused_;  // ids whose count reached 0 since the last sweep
    int live_ = 0;
    // Content index: open addressing over ids (0 marks an empty slot), at most half full.
    std::vector<TextId> index_;
    std::uint32_t indexMask_ = 0;
    // The id last seen for a storage address; checked against the entry before use.
    TextId byStorage_[1u << kStorageBits] = {};
};

}  // namespace so
