#include "field/HistoryEncoder.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cstring>
#include <utility>

namespace sv::history {
namespace {

/// Reads HistoryEvents' bytes; every read is bounded by the buffer, and one that would run past
/// its end leaves the reader failed.
class EventReader {
public:
    explicit EventReader(const QByteArray& bytes) : at_(bytes.constData()), end_(at_ + bytes.size()) {}
    bool atEnd() const { return at_ >= end_; }
    bool failed() const { return failed_; }

    template <typename T>
    T raw() {
        T value{};
        if (fits(sizeof(T))) {
            std::memcpy(&value, at_, sizeof(T));
            at_ += sizeof(T);
        }
        return value;
    }
    /// The next n bytes; null when they are not there.
    const char* span(qsizetype n) {
        if (!fits(n))
            return nullptr;
        const char* start = at_;
        at_ += n;
        return start;
    }
    /// A text as Encoder::text wrote it: where it begins (with its length) and its bytes in all.
    const char* text(qsizetype& bytes) {
        const char* start = at_;
        quint64 length = 0;
        for (int shift = 0;; shift += 7) {
            if (shift >= 64 || !fits(1))
                return fail();
            const auto byte = quint8(*at_++);
            length |= quint64(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0)
                break;
        }
        if (length > quint64(end_ - at_))
            return fail();
        at_ += length;
        bytes = at_ - start;
        return start;
    }

private:
    bool fits(qsizetype n) {
        failed_ = failed_ || n < 0 || n > end_ - at_;
        return !failed_;
    }
    const char* fail() {
        failed_ = true;
        return nullptr;
    }

    const char* at_;
    const char* end_;
    bool failed_ = false;
};

}  // namespace

// ---- the field's thread -------------------------------------------------------------------------

namespace {

/// Writes one event or record with plain stores into room taken for its largest size: the buffer
/// is resized twice a record (the room taken, then what was used kept), never once a field. What
/// it writes of a state and a text is byte for byte what Encoder writes.
class PlainWriter {
public:
    PlainWriter(QByteArray& out, qsizetype most) : out_(out), start_(out.size()) {
        out_.resize(start_ + most);
        at_ = out_.data() + start_;
    }
    ~PlainWriter() { out_.resize(at_ - out_.constData()); }
    PlainWriter(const PlainWriter&) = delete;
    PlainWriter& operator=(const PlainWriter&) = delete;

    template <typename T>
    PlainWriter& operator<<(T value) {
        std::memcpy(at_, &value, sizeof(T));
        at_ += sizeof(T);
        return *this;
    }
    char* position() const { return at_; }
    void bytes(const char* data, qsizetype size) {
        std::memcpy(at_, data, size_t(size));
        at_ += size;
    }
    void tag(RecordKind kind, quint64 argument) { varint((argument << 3) | quint64(kind)); }
    void varint(quint64 value) {
        while (value >= 0x80) {
            *at_++ = char((value & 0x7F) | 0x80);
            value >>= 7;
        }
        *at_++ = char(value);
    }
    void signedVarint(qint64 value) { varint((quint64(value) << 1) ^ quint64(value >> 63)); }
    /// Addresses, device types and values are ASCII, copied as they are; any other text as UTF-8.
    void text(const QString& value) {
        const qsizetype size = value.size();
        const auto* chars = reinterpret_cast<const char16_t*>(value.constData());
        char16_t seen = 0;
        for (qsizetype i = 0; i < size; ++i)
            seen |= chars[i];
        if (seen >= 0x80) {
            const QByteArray utf8 = value.toUtf8();
            varint(quint64(utf8.size()));
            std::memcpy(at_, utf8.constData(), size_t(utf8.size()));
            at_ += utf8.size();
            return;
        }
        varint(quint64(size));
        for (qsizetype i = 0; i < size; ++i)
            at_[i] = char(chars[i]);
        at_ += size;
    }
    void state(const QVector<int>& codes, const QString& text, qint64 number) {
        varint(quint64(codes.size()));
        for (int code : codes)
            signedVarint(code);
        this->text(text);
        signedVarint(number);
    }

    /// The most a varint and a text take.
    static constexpr qsizetype kVarint = 10;
    static qsizetype textMost(const QString& value) { return kVarint + 3 * value.size(); }

private:
    QByteArray& out_;
    qsizetype start_;
    char* at_ = nullptr;
};

}  // namespace

void HistoryEvents::beginSeed() {
    PlainWriter(bytes_, 1) << quint8(BeginSeed);
    ++count_;
}

void HistoryEvents::endSeed(qint64 time) {
    PlainWriter(bytes_, 9) << quint8(EndSeed) << time;
    ++count_;
}

void HistoryEvents::change(qint64 time, const PointKey& key, const QVector<int>& codes, const QString& text,
                           qint64 number) {
    if (bytes_.capacity() == 0)
        bytes_.reserve(kReserve);
    constexpr qsizetype kHeader = 1 + 8 + 1 + 4 + 4 + 4 + 4;
    PlainWriter out(bytes_, kHeader + 3 * PlainWriter::kVarint + 5 * codes.size() + PlainWriter::textMost(text));
    out << quint8(Change) << time << quint8(key.kind) << key.id << key.type << key.index << quint32(0);
    // The state's bytes as the segment files hold them, after their length.
    char* start = out.position();
    out.state(codes, text, number);
    const auto length = quint32(out.position() - start);
    std::memcpy(start - sizeof length, &length, sizeof length);
    ++count_;
}

void HistoryEvents::report(qint64 time, const QString& deviceType, const QString& address, int state,
                           const QString& value) {
    if (bytes_.capacity() == 0)
        bytes_.reserve(kReserve);
    PlainWriter out(bytes_, 1 + 8 + 4 + PlainWriter::textMost(deviceType) + PlainWriter::textMost(address) +
                                PlainWriter::textMost(value));
    out << quint8(Report) << time << qint32(state);
    out.text(deviceType);
    out.text(address);
    out.text(value);
    ++count_;
}

QByteArray HistoryEvents::take() {
    count_ = 0;
    return std::exchange(bytes_, {});
}

// ---- the writer thread --------------------------------------------------------------------------

quint32 HistoryEncoder::Dictionary::hash(const char* text, qsizetype bytes) const {
    // A word at a time, each mixed in by a multiply; seeded per run, so no site's texts can be
    // chosen to collide.
    quint64 h = seed_ ^ quint64(bytes);
    while (bytes > 0) {
        quint64 word = 0;
        const qsizetype n = std::min<qsizetype>(bytes, 8);
        std::memcpy(&word, text, size_t(n));
        h = (h ^ word) * 0xff51afd7ed558ccdULL;
        h ^= h >> 32;
        text += n;
        bytes -= n;
    }
    return quint32(h);
}

bool HistoryEncoder::Dictionary::holds(int index, const char* text, qsizetype bytes) const {
    const qsizetype start = starts_[index];
    const qsizetype end = index + 1 < starts_.size() ? starts_[index + 1] : encoded_.size();
    return end - start == bytes && std::memcmp(encoded_.constData() + start, text, size_t(bytes)) == 0;
}

int HistoryEncoder::Dictionary::find(const char* text, qsizetype bytes) const {
    if (slots_.isEmpty())
        return -1;
    const quint32 h = hash(text, bytes);
    const qsizetype mask = slots_.size() - 1;
    for (qsizetype at = h & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.index < 0)
            return -1;
        if (slot.hash == h && holds(slot.index, text, bytes))
            return slot.index;
    }
}

int HistoryEncoder::Dictionary::add(const char* text, qsizetype bytes) {
    if (slots_.isEmpty())
        seed_ = QRandomGenerator::global()->generate64();
    if (2 * (starts_.size() + 1) > slots_.size()) {
        const QVector<Slot> old = std::exchange(slots_, QVector<Slot>(std::max<qsizetype>(64, 2 * slots_.size())));
        for (const Slot& slot : old)
            if (slot.index >= 0)
                place(slot);
    }
    const int index = int(starts_.size());
    starts_.append(encoded_.size());
    encoded_.append(text, bytes);
    place({hash(text, bytes), index});
    return index;
}

void HistoryEncoder::Dictionary::place(Slot slot) {
    const qsizetype mask = slots_.size() - 1;
    qsizetype at = slot.hash & mask;
    while (slots_[at].index >= 0)
        at = (at + 1) & mask;
    slots_[at] = slot;
}

void HistoryEncoder::Dictionary::clear() {
    slots_.clear();
    starts_.clear();
    encoded_.clear();
}

bool HistoryEncoder::apply(const QByteArray& events, QVector<HistoryJob>& out) {
    EventReader in(events);
    while (!in.atEnd() && !in.failed()) {
        const auto kind = in.raw<quint8>();
        switch (kind) {
        case HistoryEvents::BeginSeed:
            closeBlock(out);
            reset();
            seeding_ = true;
            running_ = false;
            break;
        case HistoryEvents::EndSeed: {
            const auto t = in.raw<qint64>();
            if (in.failed())
                break;
            seeding_ = false;
            running_ = true;
            snapshot(t, true, out);
            break;
        }
        case HistoryEvents::Change: {
            const auto t = in.raw<qint64>();
            PointKey key;
            key.kind = PointKey::Kind(in.raw<quint8>());
            key.id = in.raw<qint32>();
            key.type = in.raw<qint32>();
            key.index = in.raw<qint32>();
            const auto stateBytes = qsizetype(in.raw<quint32>());
            const char* state = in.span(stateBytes);
            if (!in.failed())
                change(t, key, state, stateBytes, out);
            break;
        }
        case HistoryEvents::Report: {
            const auto t = in.raw<qint64>();
            const auto state = in.raw<qint32>();
            qsizetype typeBytes = 0, addressBytes = 0, valueBytes = 0;
            const char* type = in.text(typeBytes);
            const char* address = in.text(addressBytes);
            const char* value = in.text(valueBytes);
            if (!in.failed())
                report(t, state, type, typeBytes, address, addressBytes, value, valueBytes, out);
            break;
        }
        default: return false;
        }
    }
    return !in.failed();
}

void HistoryEncoder::reset() {
    pointIndex_.clear();
    keys_.clear();
    states_.clear();
    addresses_.clear();
    deviceTypes_.clear();
}

void HistoryEncoder::change(qint64 t, const PointKey& key, const char* state, qsizetype stateBytes,
                            QVector<HistoryJob>& out) {
    if (!seeding_ && !running_)
        return;
    if (!seeding_)
        timeRecord(t, out);
    int at = pointIndex_.value(key, -1);
    if (at < 0) {
        at = int(keys_.size());
        pointIndex_.insert(key, at);
        keys_.append(key);
        states_.append(QByteArray());
        if (!seeding_) {
            Encoder encoder(open_);
            encoder.tag(RecordKind::DefinePoint, 0);
            encoder.point(key);
        }
    } else if (states_[at].size() == stateBytes && std::memcmp(states_[at].constData(), state, stateBytes) == 0) {
        return;
    }
    if (!seeding_) {
        PlainWriter record(open_, 2 * PlainWriter::kVarint + stateBytes);
        record.tag(RecordKind::Change, quint64(at));
        record.signedVarint(t - lastRecord_);
        record.bytes(state, stateBytes);
        lastRecord_ = t;
    }
    // Kept in the point's own buffer, which is reused while the state's size stays the same.
    QByteArray& kept = states_[at];
    kept.resize(stateBytes);
    std::memcpy(kept.data(), state, size_t(stateBytes));
    closeWhenFull(out);
}

void HistoryEncoder::report(qint64 t, int state, const char* deviceType, qsizetype typeBytes, const char* address,
                            qsizetype addressBytes, const char* value, qsizetype valueBytes, QVector<HistoryJob>& out) {
    if (!running_)
        return;
    timeRecord(t, out);
    const int type = index(deviceTypes_, deviceType, typeBytes, RecordKind::DefineDeviceType);
    const int at = index(addresses_, address, addressBytes, RecordKind::DefineAddress);
    {
        PlainWriter record(open_, 4 * PlainWriter::kVarint + valueBytes);
        record.tag(RecordKind::Report, quint64(at));
        record.signedVarint(t - lastRecord_);
        record.varint(quint64(type));
        record.varint(quint64(quint8(state)));
        record.bytes(value, valueBytes);
    }
    lastRecord_ = t;
    closeWhenFull(out);
}

int HistoryEncoder::index(Dictionary& dictionary, const char* text, qsizetype bytes, RecordKind define) {
    const int found = dictionary.find(text, bytes);
    if (found >= 0)
        return found;
    Encoder encoder(open_);
    encoder.tag(define, 0);
    encoder.bytes(text, bytes);
    return dictionary.add(text, bytes);
}

void HistoryEncoder::timeRecord(qint64 t, QVector<HistoryJob>& out) {
    // A new hour (or a clock set back before the segment) opens a new segment.
    if (t / limits_.segmentMs != segmentStart_ / limits_.segmentMs || t < segmentStart_)
        snapshot(t, true, out);
    else if (t - lastSnapshot_ >= limits_.snapshotMs)
        snapshot(t, false, out);
    if (open_.isEmpty()) {
        openFirst_ = t;
        lastRecord_ = t;
    }
}

void HistoryEncoder::snapshot(qint64 t, bool newSegment, QVector<HistoryJob>& out) {
    closeBlock(out);
    Block block{BlockKind::Snapshot, t, t, {}};
    qsizetype stateBytes = 0;
    for (const QByteArray& state : std::as_const(states_))
        stateBytes += state.size();
    block.payload.reserve(deviceTypes_.encoded().size() + addresses_.encoded().size() + stateBytes + keys_.size() * 12 +
                          32);
    Encoder encoder(block.payload);
    encoder.varint(quint64(deviceTypes_.size()));
    block.payload.append(deviceTypes_.encoded());
    encoder.varint(quint64(addresses_.size()));
    block.payload.append(addresses_.encoded());
    encoder.varint(quint64(keys_.size()));
    for (qsizetype i = 0; i < keys_.size(); ++i) {
        encoder.point(keys_[i]);
        encoder.bytes(states_[i].constData(), states_[i].size());
    }
    if (newSegment)
        segmentStart_ = t;
    lastSnapshot_ = t;
    out.append({std::move(block), newSegment});
}

void HistoryEncoder::closeWhenFull(QVector<HistoryJob>& out) {
    if (open_.size() >= limits_.blockBytes)
        closeBlock(out);
}

void HistoryEncoder::closeBlock(QVector<HistoryJob>& out) {
    if (open_.isEmpty())
        return;
    out.append({{BlockKind::Deltas, openFirst_, lastRecord_, std::move(open_)}, false});
    open_ = {};
    // Room for a whole block and the record that closes it: no growth while it fills.
    open_.reserve(limits_.blockBytes + 1024);
}

}  // namespace sv::history
