#include "field/HistoryFormat.h"

#include <QtEndian>

#include <lz4.h>
#include <zlib.h>

#include <cstring>

namespace sv::history {
namespace {

constexpr char kMagic[4] = {'S', 'O', 'H', 'B'};
/// Longest text a payload may hold (an address or a report's value is far shorter).
constexpr quint64 kMaxTextBytes = 1u << 16;
constexpr quint64 kMaxCodes = 1u << 12;

quint32 checksum(const char* data, qsizetype size) {
    return quint32(crc32(0L, reinterpret_cast<const Bytef*>(data), uInt(size)));
}

}  // namespace

char* Encoder::grow(qsizetype bytes) {
    // resize() on a buffer with room only moves its end; the new bytes are not initialised.
    const qsizetype at = out_.size();
    out_.resize(at + bytes);
    return out_.data() + at;
}

void Encoder::varint(quint64 value) {
    char encoded[10];
    int size = 0;
    while (value >= 0x80) {
        encoded[size++] = char((value & 0x7F) | 0x80);
        value >>= 7;
    }
    encoded[size++] = char(value);
    bytes(encoded, size);
}

void Encoder::text(const QString& value) {
    // Addresses, device types and reported values are ASCII: their UTF-8 is their characters,
    // copied in one pass; any other text is converted.
    const qsizetype size = value.size();
    const qsizetype before = out_.size();
    varint(quint64(size));
    const auto* chars = reinterpret_cast<const char16_t*>(value.constData());
    char* to = grow(size);
    char16_t seen = 0;
    for (qsizetype i = 0; i < size; ++i) {
        seen |= chars[i];
        to[i] = char(chars[i]);
    }
    if (seen < 0x80)
        return;
    out_.resize(before);
    const QByteArray utf8 = value.toUtf8();
    varint(quint64(utf8.size()));
    out_.append(utf8);
}

void Encoder::bytes(const char* data, qsizetype size) {
    if (size > 0)
        std::memcpy(grow(size), data, size_t(size));
}

void Encoder::point(const PointKey& key) {
    varint(key.kind);
    signedVarint(key.id);
    signedVarint(key.type);
    varint(quint64(quint32(key.index)));
}

void Encoder::state(const QVector<int>& codes, const QString& text, qint64 number) {
    varint(quint64(codes.size()));
    for (int code : codes)
        signedVarint(code);
    this->text(text);
    signedVarint(number);
}

quint64 Decoder::varint() {
    quint64 value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (at_ >= end_) {
            failed_ = true;
            return 0;
        }
        const auto byte = quint8(*at_++);
        value |= quint64(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            return value;
    }
    failed_ = true;
    return 0;
}

QString Decoder::text() {
    const quint64 size = varint();
    if (failed_ || size > kMaxTextBytes || qsizetype(size) > end_ - at_) {
        failed_ = true;
        return {};
    }
    const QString value = QString::fromUtf8(at_, qsizetype(size));
    at_ += size;
    return value;
}

PointKey Decoder::point() {
    PointKey key;
    const quint64 kind = varint();
    if (kind > PointKey::Device)
        failed_ = true;
    key.kind = PointKey::Kind(kind);
    key.id = qint32(signedVarint());
    key.type = qint32(signedVarint());
    key.index = qint32(quint32(varint()));
    if (key.index < 0 || (key.kind == PointKey::Device && (key.type < 0 || key.type >= kDeviceColumnCount)))
        failed_ = true;
    return key;
}

PointState Decoder::state() {
    PointState state;
    const quint64 count = varint();
    if (count > kMaxCodes) {
        failed_ = true;
        return state;
    }
    state.codes.reserve(qsizetype(count));
    for (quint64 i = 0; i < count && !failed_; ++i)
        state.codes.append(int(signedVarint()));
    state.text = text();
    state.number = signedVarint();
    return state;
}

Packing packingFor(BlockKind kind) { return kind == BlockKind::Snapshot ? Packing::Zlib : Packing::Lz4; }

BlockFramer::BlockFramer() : stream_(std::make_unique<z_stream_s>()) { ready_ = deflateInit(stream_.get(), 1) == Z_OK; }

BlockFramer::~BlockFramer() {
    if (ready_)
        deflateEnd(stream_.get());
}

qsizetype BlockFramer::packZlib(const QByteArray& payload, QByteArray& out, qsizetype at) {
    const auto size = uLong(payload.size());
    if (ready_ && deflateReset(stream_.get()) == Z_OK) {
        out.resize(at + 4 + qsizetype(deflateBound(stream_.get(), size)));
        auto* packed = reinterpret_cast<Bytef*>(out.data() + at);
        qToBigEndian(quint32(size), packed);
        stream_->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(payload.constData()));
        stream_->avail_in = uInt(size);
        stream_->next_out = packed + 4;
        stream_->avail_out = uInt(out.size() - at - 4);
        if (deflate(stream_.get(), Z_FINISH) == Z_STREAM_END)
            return 4 + qsizetype(stream_->total_out);
    }
    // The compressor could not be set up: the same bytes, made the slow way.
    const QByteArray compressed = qCompress(payload, 1);
    out.resize(at);
    out.append(compressed);
    return compressed.size();
}

qsizetype BlockFramer::packLz4(const QByteArray& payload, QByteArray& out, qsizetype at) {
    if (payload.size() > LZ4_MAX_INPUT_SIZE)
        return 0;
    const int size = int(payload.size());
    const int bound = LZ4_compressBound(size);
    out.resize(at + 4 + bound);
    qToLittleEndian(quint32(size), out.data() + at);
    const int packed = LZ4_compress_default(payload.constData(), out.data() + at + 4, size, bound);
    return packed > 0 ? 4 + packed : 0;
}

QByteArray BlockFramer::frame(const Block& block, Packing packing) {
    QByteArray out;
    qsizetype payloadBytes = packing == Packing::Lz4 ? packLz4(block.payload, out, kFrameBytes) : 0;
    if (payloadBytes == 0) {
        packing = Packing::Zlib;
        payloadBytes = packZlib(block.payload, out, kFrameBytes);
    }
    out.resize(kFrameBytes + payloadBytes);
    char* p = out.data();
    std::memcpy(p, kMagic, 4);
    qToLittleEndian(quint32(payloadBytes), p + 4);
    p[12] = char(quint8(block.kind) | quint8(quint8(packing) << 4));
    qToLittleEndian(block.firstTime, p + 13);
    qToLittleEndian(block.lastTime, p + 21);
    // The checksum covers the kind, the times and the payload.
    qToLittleEndian(checksum(out.constData() + 12, out.size() - 12), out.data() + 8);
    return out;
}

QByteArray frameBlock(const Block& block, Packing packing) { return BlockFramer().frame(block, packing); }

FileIndex indexBlocks(const QByteArray& file) {
    FileIndex index;
    const char* data = file.constData();
    const qsizetype size = file.size();
    qsizetype at = 0;
    bool skipping = false;  // in garbage, looking for the next block
    qsizetype cut = -1;     // a frame that runs past the end of the file
    while (at + kFrameBytes <= size) {
        const bool magic = std::memcmp(data + at, kMagic, 4) == 0;
        const quint32 length = magic ? qFromLittleEndian<quint32>(data + at + 4) : 0;
        const bool fits = magic && length <= kMaxPayloadBytes && at + kFrameBytes + qsizetype(length) <= size;
        if (magic && length <= kMaxPayloadBytes && !fits && cut < 0)
            cut = at;
        const bool whole = fits && qFromLittleEndian<quint32>(data + at + 8) ==
                                       checksum(data + at + 12, kFrameBytes - 12 + qsizetype(length));
        const auto kind = BlockKind(quint8(data[at + 12]) & 0x0F);
        const auto packing = Packing(quint8(data[at + 12]) >> 4);
        if (whole && (kind == BlockKind::Snapshot || kind == BlockKind::Deltas) &&
            (packing == Packing::Zlib || packing == Packing::Lz4)) {
            index.blocks.append({at, kind, packing, qFromLittleEndian<qint64>(data + at + 13),
                                 qFromLittleEndian<qint64>(data + at + 21)});
            at += kFrameBytes + qsizetype(length);
            skipping = false;
            cut = -1;
            continue;
        }
        if (!skipping)
            index.damagedAt.append(at);
        skipping = true;
        ++at;
    }
    if (cut >= 0 && !index.damagedAt.isEmpty() && index.damagedAt.back() == cut) {
        // Nothing whole after a frame cut short: the block being appended (or cut by a crash).
        index.damagedAt.removeLast();
        index.truncatedTail = true;
    } else if (at < size && !skipping) {
        // Fewer bytes than a frame: the start of a block being appended.
        index.truncatedTail = true;
    }
    return index;
}

std::optional<QByteArray> blockPayload(const QByteArray& file, const BlockIndexEntry& entry) {
    const quint32 length = qFromLittleEndian<quint32>(file.constData() + entry.offset + 4);
    const char* packed = file.constData() + entry.offset + kFrameBytes;
    // Both packings lead with the inflated size: one beyond any block's is not believed.
    if (length < 4)
        return std::nullopt;
    const quint32 size =
        entry.packing == Packing::Lz4 ? qFromLittleEndian<quint32>(packed) : qFromBigEndian<quint32>(packed);
    if (size == 0 || size > kMaxPayloadBytes)
        return std::nullopt;
    if (entry.packing == Packing::Zlib) {
        QByteArray payload = qUncompress(reinterpret_cast<const uchar*>(packed), qsizetype(length));
        if (payload.isEmpty())
            return std::nullopt;
        return payload;
    }
    QByteArray payload(qsizetype(size), Qt::Uninitialized);
    if (LZ4_decompress_safe(packed + 4, payload.data(), int(length - 4), int(size)) != int(size))
        return std::nullopt;
    return payload;
}

}  // namespace sv::history
