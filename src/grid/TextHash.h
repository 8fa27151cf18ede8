// A fast hash for the grid's text keys (row addresses, column keys).
//
// Finding a row by address is the hot path of every state change; Qt's general string hash costs
// more than the rest of the lookup. This one mixes eight bytes at a time and starts from a seed
// drawn once per process, so keys crafted in advance cannot be made to collide. The functors are
// transparent: a lookup by QStringView copies nothing.
#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <cstring>

namespace so {

inline std::uint64_t textHashSeed() {
    static const std::uint64_t seed = QRandomGenerator::system()->generate64();
    return seed;
}

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(QStringView text) const noexcept {
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        std::size_t n = std::size_t(text.size()) * sizeof(QChar);
        std::uint64_t h = textHashSeed() ^ (std::uint64_t(n) * 0x9E3779B97F4A7C15ull);
        auto mix = [&h](std::uint64_t k) {
            k *= 0xbf58476d1ce4e5b9ull;
            k ^= k >> 31;
            h = (h ^ k) * 0x94d049bb133111ebull;
        };
        const bool eightOrMore = n >= 8;
        for (; n >= 8; p += 8, n -= 8) {
            std::uint64_t k;
            std::memcpy(&k, p, 8);
            mix(k);
        }
        if (n > 0) {
            // The last bytes of a longer text are read as the eight bytes ending the text (a fixed
            // copy, no call); only a text shorter than eight bytes is copied by its length.
            std::uint64_t k = 0;
            if (eightOrMore)
                std::memcpy(&k, p + n - 8, 8);
            else
                std::memcpy(&k, p, n);
            mix(k);
        }
        h ^= h >> 29;
        h *= 0xbf58476d1ce4e5b9ull;
        h ^= h >> 32;
        return std::size_t(h);
    }
};

/// A slot (0 to 2^Bits - 1) for the address of a text's characters. A cache keyed by storage holds
/// a copy of each text it keeps (so that storage cannot be reused by another text meanwhile) and
/// finds a text handed over again without reading its characters.
template <int Bits>
inline std::uint32_t storageSlot(const QChar* characters) {
    const auto p = std::uint64_t(reinterpret_cast<std::uintptr_t>(characters));
    return std::uint32_t((p * 0x9E3779B97F4A7C15ull) >> (64 - Bits));
}

struct TextEqual {
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept { return a == b; }
};

}  // namespace so
