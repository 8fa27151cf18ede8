// The address index of a grid: address text -> the keys of the rows holding it.
//
// Finding a row by address is the first step of every state change, so a lookup should read one
// cache line. The index is one array of 32-byte slots (open addressing, linear probing, at most
// half full); a slot holds a 32-bit hash of the address, the row's key and, for an ASCII address
// of up to kInlineLength characters (every address the site uses), the address itself. A lookup
// hashes the address's UTF-16 text as it is and compares hash, length and characters with the
// slot's bytes in place: it copies nothing and never touches the row. A longer or non-ASCII
// address is compared against the row's own text, which the caller supplies (textOf(key)).
//
// A row is one entry; rows sharing an address are several entries, all found by one probe run
// (it always continues to the next empty slot). Removal shifts the following entries back, so no
// deleted markers build up and probe runs stay as short as the load allows.
#pragma once

#include "grid/TextHash.h"

#include <QString>
#include <QStringView>

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace so {

class AddressIndex {
public:
    static constexpr int kInlineLength = 23;

    AddressIndex() { reset(kMinCapacity); }

    int size() const { return size_; }
    /// Removes every entry and gives back the memory of a large index.
    void clear() { reset(kMinCapacity); }

    /// Adds (address, key) unless it is there already.
    template <class TextOf>
    void insert(QStringView address, int key, const TextOf& textOf) {
        if (2 * std::uint32_t(size_ + 1) > capacity_)
            grow();
        const std::uint32_t tag = hashOf(address);
        std::uint32_t i = tag & mask_;
        for (; slots_[i].key >= 0; i = (i + 1) & mask_)
            if (slots_[i].key == key && matches(slots_[i], tag, address, textOf))
                return;
        fill(slots_[i], tag, address, key);
        ++size_;
    }

    /// Removes (address, key); nothing when it is not there.
    template <class TextOf>
    void erase(QStringView address, int key, const TextOf& textOf) {
        const std::uint32_t tag = hashOf(address);
        for (std::uint32_t i = tag & mask_; slots_[i].key >= 0; i = (i + 1) & mask_) {
            if (slots_[i].key == key && matches(slots_[i], tag, address, textOf)) {
                shiftBackInto(i);
                --size_;
                return;
            }
        }
    }

    /// Gives every entry the key newKey[key] (rows moved to other keys; their addresses, and so
    /// the entries' places, stay).
    void renameKeys(const std::vector<int>& newKey) {
        for (std::uint32_t i = 0; i < capacity_; ++i)
            if (slots_[i].key >= 0)
                slots_[i].key = newKey[std::size_t(slots_[i].key)];
    }

    /// Calls visit(key) for every row key indexed under address.
    template <class TextOf, class Visit>
    void forEachKey(QStringView address, const TextOf& textOf, const Visit& visit) const {
        forEachKey(address, hashOf(address), textOf, visit);
    }
    /// The same with the address's hash taken before (hashOf).
    template <class TextOf, class Visit>
    void forEachKey(QStringView address, std::uint32_t tag, const TextOf& textOf, const Visit& visit) const {
        for (std::uint32_t i = tag & mask_; slots_[i].key >= 0; i = (i + 1) & mask_)
            if (matches(slots_[i], tag, address, textOf))
                visit(slots_[i].key);
    }

    /// The hash an address is indexed under, taken from its UTF-16 text as it is (nothing is
    /// copied per lookup). It does not depend on the index's size, so it may be taken before
    /// entries are added or removed.
    static std::uint32_t hashOf(QStringView address) { return textHash32(address); }
    /// Starts loading the slots where the lookup of an address of that hash begins: the first and
    /// the next (a lookup reads on to the next empty slot, often on the following cache line).
    void prefetch(std::uint32_t tag) const {
        __builtin_prefetch(&slots_[tag & mask_]);
        __builtin_prefetch(&slots_[(tag + 1) & mask_]);
    }

private:
    static constexpr std::uint32_t kMinCapacity = 16;
    static constexpr std::uint8_t kNotInline = 0xFF;

    struct alignas(32) Slot {
        std::uint32_t tag = 0;
        std::int32_t key = -1;    // -1: empty
        std::uint8_t length = 0;  // kNotInline: compare with the row's text
        char text[kInlineLength] = {};
    };
    static_assert(sizeof(Slot) == 32);

    /// Whether the address is the slot's: an inline slot is compared byte by character in place (a
    /// character outside ASCII never equals one of its bytes), a long or non-ASCII one by the row's
    /// own text.
    template <class TextOf>
    static bool matches(const Slot& slot, std::uint32_t tag, QStringView address, const TextOf& textOf) {
        if (slot.tag != tag)
            return false;
        if (slot.length == kNotInline)
            return textOf(slot.key) == address;
        if (slot.length != address.size())
            return false;
        const char16_t* chars = address.utf16();
#if defined(__SSE2__)
        if (slot.length >= 8) {
            // Eight characters at a time: eight ASCII bytes widened to UTF-16 units and compared in
            // one step. The last eight overlap those before rather than reading past the address.
            const auto sameEight = [&](int at) {
                const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(slot.text + at));
                const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + at));
                const __m128i equal = _mm_cmpeq_epi16(_mm_unpacklo_epi8(bytes, _mm_setzero_si128()), units);
                return _mm_movemask_epi8(equal) == 0xFFFF;
            };
            for (int at = 0; at + 8 < slot.length; at += 8)
                if (!sameEight(at))
                    return false;
            return sameEight(slot.length - 8);
        }
#endif
        int i = 0;
        // Four characters at a time: four ASCII bytes spread into four UTF-16 code units (in the
        // order a little-endian machine reads them).
        for (; std::endian::native == std::endian::little && i + 4 <= slot.length; i += 4) {
            std::uint32_t bytes;
            std::memcpy(&bytes, slot.text + i, 4);
            std::uint64_t wide = bytes;
            wide = (wide | (wide << 16)) & 0x0000FFFF0000FFFFull;
            wide = (wide | (wide << 8)) & 0x00FF00FF00FF00FFull;
            std::uint64_t units;
            std::memcpy(&units, chars + i, 8);
            if (wide != units)
                return false;
        }
        for (; i < slot.length; ++i)
            if (chars[i] != char16_t(std::uint8_t(slot.text[i])))
                return false;
        return true;
    }

    /// Stores the address in the slot when it is ASCII of up to kInlineLength characters.
    static void fill(Slot& slot, std::uint32_t tag, QStringView address, int key) {
        slot = Slot{};
        slot.tag = tag;
        slot.key = key;
        slot.length = kNotInline;
        if (address.size() > kInlineLength)
            return;
        for (qsizetype i = 0; i < address.size(); ++i) {
            const char16_t c = address[i].unicode();
            if (c > 0x7F)
                return;
            slot.text[i] = char(c);
        }
        slot.length = std::uint8_t(address.size());
    }

    void shiftBackInto(std::uint32_t hole);
    void grow();
    void reset(std::uint32_t capacity);

    std::unique_ptr<Slot[]> slots_;
    std::uint32_t capacity_ = 0;
    std::uint32_t mask_ = 0;
    int size_ = 0;
};

}  // namespace so
