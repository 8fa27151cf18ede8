// A fast hash for the grid's text keys (row addresses, column keys).
//
// Finding a row by address is the hot path of every state change; Qt's general string hash costs
// more than the rest of the lookup. This one folds sixteen bytes at a time and starts from a seed
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
        // Sixteen bytes per step, folded by one 64 x 64 -> 128-bit multiply (its halves
        // xor-ed): a report's address of about twenty characters takes three such steps.
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        const std::size_t n = std::size_t(text.size()) * sizeof(QChar);
        std::uint64_t seed = textHashSeed();
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        if (n <= 16) {
            // UTF-16: an even number of bytes. The two reads overlap for fewer than sixteen.
            if (n >= 8) {
                a = load8(p);
                b = load8(p + n - 8);
            } else if (n >= 4) {
                a = load4(p);
                b = load4(p + n - 4);
            } else if (n == 2) {
                a = std::uint64_t(p[0]) | std::uint64_t(p[1]) << 8;
            }
        } else {
            std::size_t left = n;
            for (; left > 16; p += 16, left -= 16)
                seed = fold(load8(p) ^ seed ^ kMix1, load8(p + 8) ^ seed);
            // The last sixteen bytes of the text, overlapping those folded before.
            a = load8(p + left - 16);
            b = load8(p + left - 8);
        }
        // Both factors of every fold depend on the seed, so no text can zero one without knowing it.
        return std::size_t(fold(kMix2 ^ std::uint64_t(n), fold(a ^ seed ^ kMix2, b ^ seed)));
    }

private:
    static constexpr std::uint64_t kMix1 = 0xa0761d6478bd642full;
    static constexpr std::uint64_t kMix2 = 0xe7037ed1a0b428dbull;
    static std::uint64_t fold(std::uint64_t x, std::uint64_t y) {
        const unsigned __int128 product = static_cast<unsigned __int128>(x) * y;
        return std::uint64_t(product) ^ std::uint64_t(product >> 64);
    }
    static std::uint64_t load8(const unsigned char* at) {
        std::uint64_t v;
        std::memcpy(&v, at, 8);
        return v;
    }
    static std::uint64_t load4(const unsigned char* at) {
        std::uint32_t v;
        std::memcpy(&v, at, 4);
        return v;
    }
};

/// The text's hash in 32 bits (the halves of TextHash folded), for tables that keep 32-bit hashes.
inline std::uint32_t textHash32(QStringView text) {
    const std::uint64_t h = TextHash{}(text);
    return std::uint32_t(h ^ (h >> 32));
}

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
