// Reads a fuzzer's bytes as a sequence of choices: small numbers, flags, texts and picks from
// lists. Every read is defined for any input, including an exhausted one (which reads as zeros
// and empty texts), so one byte string always replays as the same sequence of calls.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace so::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::size_t remaining() const { return size_ - pos_; }

    std::uint8_t byte() { return empty() ? 0 : data_[pos_++]; }
    bool flag() { return (byte() & 1) != 0; }

    /// A number in [0, bound) (0 when bound is 0).
    int below(int bound) {
        if (bound <= 1)
            return 0;
        const std::uint32_t raw = bound <= 256 ? byte() : (std::uint32_t(byte()) << 8 | byte());
        return int(raw % std::uint32_t(bound));
    }

    std::int32_t int32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | byte();
        return std::int32_t(v);
    }

    /// A text of up to maxLength bytes (its length is read first), decoded as UTF-8: invalid
    /// sequences become replacement characters, control characters and NULs pass through.
    QString text(int maxLength = 64) {
        const std::size_t length = std::min<std::size_t>(std::size_t(below(maxLength + 1)), remaining());
        const QString out = QString::fromUtf8(reinterpret_cast<const char*>(data_ + pos_), qsizetype(length));
        pos_ += length;
        return out;
    }

    /// Everything not read yet, as UTF-8.
    QString rest() {
        const QString out = QString::fromUtf8(reinterpret_cast<const char*>(data_ + pos_), qsizetype(remaining()));
        pos_ = size_;
        return out;
    }

    /// One entry of a non-empty list.
    const QString& pick(const QStringList& list) { return list.at(below(int(list.size()))); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace so::fuzz
