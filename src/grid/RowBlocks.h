// The rows of a grid as one block of memory per row key: the row's record, then the text ids of its
// cells.
//
// A state change finds its row (reading the record, for the row's position) and then reads and
// writes a few of the row's cell texts. Kept side by side, the record and the texts of a row of up
// to ten columns share one cache line, and those of a wider row two adjacent lines (a block of
// more than 64 bytes is 128 bytes long and aligned so: the pair of lines a processor fetches
// together), where a record array and a separate cell array cost a line each and more.
//
// Records must be trivially copyable: blocks move by copying their bytes when the store grows or
// the number of texts per row changes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

namespace so {

template <class Record, class Text>
class RowBlocks {
    static_assert(std::is_trivially_copyable_v<Record> && std::is_trivially_destructible_v<Record>);
    static_assert(std::is_trivially_copyable_v<Text> && std::is_trivially_destructible_v<Text>);

public:
    RowBlocks() = default;
    RowBlocks(RowBlocks&& other) noexcept { swap(other); }
    RowBlocks& operator=(RowBlocks&& other) noexcept {
        RowBlocks moved(std::move(other));
        swap(moved);
        return *this;
    }
    RowBlocks(const RowBlocks&) = delete;
    RowBlocks& operator=(const RowBlocks&) = delete;
    ~RowBlocks() { release(bytes_); }

    std::size_t keys() const { return keys_; }
    int textsPerRow() const { return texts_; }

    Record& record(std::size_t key) { return *std::launder(reinterpret_cast<Record*>(block(key))); }
    const Record& record(std::size_t key) const { return *std::launder(reinterpret_cast<const Record*>(block(key))); }
    Text* texts(std::size_t key) { return std::launder(reinterpret_cast<Text*>(block(key) + kTextsAt)); }
    const Text* texts(std::size_t key) const {
        return std::launder(reinterpret_cast<const Text*>(block(key) + kTextsAt));
    }

    /// Starts loading the key's block (a lookup found the key; its record and texts are read next).
    void prefetch(std::size_t key) const {
        const std::byte* const at = block(key);
        __builtin_prefetch(at);
        if (stride_ > kLine)
            __builtin_prefetch(at + kLine);
    }

    /// Appends a key with a value-initialised record and every text `Text{}`.
    void addKey() {
        if (keys_ == capacity_)
            reallocate(stride_, std::max<std::size_t>(16, capacity_ * 2));
        construct(bytes_ + keys_ * stride_);
        ++keys_;
    }

    /// Makes every row hold `texts` texts, keeping each row's record and its first texts; texts
    /// added are `Text{}`.
    void setTextsPerRow(int texts) {
        if (texts == texts_)
            return;
        const int kept = std::min(texts, texts_);
        std::byte* const old = bytes_;
        const std::size_t oldStride = stride_;
        texts_ = texts;
        stride_ = strideFor(texts);
        bytes_ = allocate(capacity_ * stride_);
        for (std::size_t key = 0; key < keys_; ++key) {
            std::byte* const to = bytes_ + key * stride_;
            construct(to);
            std::memcpy(to, old + key * oldStride, kTextsAt + std::size_t(kept) * sizeof(Text));
        }
        release(old);
    }

    /// Removes every key and gives the memory back; the texts per row stay.
    void clear() {
        release(bytes_);
        bytes_ = nullptr;
        keys_ = capacity_ = 0;
    }

private:
    static constexpr std::size_t kAlignment = 128;
    static constexpr std::size_t kLine = 64;
    static constexpr std::size_t kTextsAt = (sizeof(Record) + alignof(Text) - 1) / alignof(Text) * alignof(Text);

    static std::size_t strideFor(int texts) {
        const std::size_t bytes = kTextsAt + std::size_t(texts) * sizeof(Text);
        if (bytes <= kLine)
            return kLine;
        return (bytes + kAlignment - 1) / kAlignment * kAlignment;
    }
    static std::byte* allocate(std::size_t bytes) {
        if (bytes == 0)
            return nullptr;
        return static_cast<std::byte*>(::operator new(bytes, std::align_val_t(kAlignment)));
    }
    static void release(std::byte* bytes) {
        if (bytes != nullptr)
            ::operator delete(bytes, std::align_val_t(kAlignment));
    }
    void construct(std::byte* at) const {
        new (at) Record{};
        for (int i = 0; i < texts_; ++i)
            new (at + kTextsAt + std::size_t(i) * sizeof(Text)) Text{};
    }
    void reallocate(std::size_t stride, std::size_t capacity) {
        std::byte* const bytes = allocate(capacity * stride);
        if (keys_ > 0)
            std::memcpy(bytes, bytes_, keys_ * stride);
        release(bytes_);
        bytes_ = bytes;
        capacity_ = capacity;
    }
    std::byte* block(std::size_t key) const { return bytes_ + key * stride_; }
    void swap(RowBlocks& other) noexcept {
        std::swap(bytes_, other.bytes_);
        std::swap(keys_, other.keys_);
        std::swap(capacity_, other.capacity_);
        std::swap(texts_, other.texts_);
        std::swap(stride_, other.stride_);
    }

    std::byte* bytes_ = nullptr;
    std::size_t keys_ = 0;
    std::size_t capacity_ = 0;
    int texts_ = 0;
    std::size_t stride_ = kLine;
};

}  // namespace so
