// The byte format of the report history's segment files.
//
// A segment file holds blocks, each framed as
//   magic "SOHB" (4) | payload length (4) | CRC-32 of what follows (4) |
//   kind and packing (1) | first record's time (8) | last record's time (8) | payload
// little-endian, times in ms since the epoch (the field's wall clock). A block is written with one
// append, so a reader that meets a block still being written (or cut by a crash) sees a frame
// whose length runs past the end of the file and stops there; a block whose checksum fails is
// skipped by looking for the next magic, so one damaged block costs only its own records.
//
// Inside a payload, numbers are varints (signed ones zigzagged) and texts a length and UTF-8.
// A snapshot payload holds the run's dictionaries (device types, addresses, points) and every
// point's state; a delta payload holds records, each led by a tag (argument << 3 | record kind):
// a point's new state or a report (each with its time as a delta from the record before), or a
// dictionary entry defined since the last snapshot.
//
// The kind byte's low four bits are the block's kind, its high four bits how its payload is
// packed: zlib (0, what every block was written with before LZ4 came, so older files read as
// they are) as qCompress lays it out (the inflated size, big-endian, then the stream), or LZ4 (1):
// the inflated size (4, little-endian), then one LZ4 block.
#pragma once

#include "field/HistoryTypes.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <memory>
#include <optional>

struct z_stream_s;

namespace sv::history {

enum class BlockKind : quint8 { Snapshot = 1, Deltas = 2 };
enum class Packing : quint8 { Zlib = 0, Lz4 = 1 };
/// How the writer packs a block of kind: the changes, a block a second, with LZ4 (several times
/// faster than zlib's fastest level); a snapshot, a few an hour, with zlib, which keeps it far
/// smaller.
Packing packingFor(BlockKind kind);
enum class RecordKind : quint8 { Change = 0, Report = 1, DefinePoint = 2, DefineAddress = 3, DefineDeviceType = 4 };

constexpr int kFrameBytes = 4 + 4 + 4 + 1 + 8 + 8;
/// A payload larger than this is not a block of ours: the frame is garbage.
constexpr quint32 kMaxPayloadBytes = 64u << 20;

/// Appends numbers, texts, keys and states to a byte buffer.
class Encoder {
public:
    explicit Encoder(QByteArray& out) : out_(out) {}
    void varint(quint64 value);
    void signedVarint(qint64 value) { varint((quint64(value) << 1) ^ quint64(value >> 63)); }
    void text(const QString& value);
    void point(const PointKey& key);
    void state(const PointState& state) { this->state(state.codes, state.text, state.number); }
    void state(const QVector<int>& codes, const QString& text, qint64 number);
    void tag(RecordKind kind, quint64 argument) { varint((argument << 3) | quint64(kind)); }
    /// Bytes already encoded, copied as they are.
    void bytes(const char* data, qsizetype size);

private:
    /// Room for bytes more at the end; the caller fills them (or gives back what it did not use).
    char* grow(qsizetype bytes);

    QByteArray& out_;
};

/// Reads what Encoder wrote; every read is bounded by the buffer, and a read past its end or a
/// value out of range leaves the decoder failed (it then reads zeros) instead of reading on.
class Decoder {
public:
    Decoder(const char* data, qsizetype size) : at_(data), end_(data + size) {}
    explicit Decoder(const QByteArray& bytes) : Decoder(bytes.constData(), bytes.size()) {}
    quint64 varint();
    qint64 signedVarint() {
        const quint64 v = varint();
        return qint64(v >> 1) ^ -qint64(v & 1);
    }
    QString text();
    PointKey point();
    PointState state();
    bool atEnd() const { return at_ >= end_; }
    bool failed() const { return failed_; }

private:
    const char* at_;
    const char* end_;
    bool failed_ = false;
};

/// A block as framed on disk.
struct Block {
    BlockKind kind = BlockKind::Deltas;
    qint64 firstTime = 0;
    qint64 lastTime = 0;
    QByteArray payload;  // uncompressed
};

/// Frames blocks: each payload packed (packingFor its kind, or as asked; zlib at its fastest
/// level), the frame and the checksum. One zlib compressor is kept for every block it frames, so
/// a block costs no compressor set up and torn down.
class BlockFramer {
public:
    BlockFramer();
    ~BlockFramer();
    BlockFramer(const BlockFramer&) = delete;
    BlockFramer& operator=(const BlockFramer&) = delete;

    QByteArray frame(const Block& block) { return frame(block, packingFor(block.kind)); }
    QByteArray frame(const Block& block, Packing packing);

private:
    /// The payload packed into out from offset at; the bytes it took (0: it cannot be).
    qsizetype packZlib(const QByteArray& payload, QByteArray& out, qsizetype at);
    static qsizetype packLz4(const QByteArray& payload, QByteArray& out, qsizetype at);

    std::unique_ptr<z_stream_s> stream_;
    bool ready_ = false;
};

/// The framed bytes of a block (a framer of its own).
QByteArray frameBlock(const Block& block, Packing packing);
inline QByteArray frameBlock(const Block& block) { return frameBlock(block, packingFor(block.kind)); }

/// Where a file's blocks are and which could not be read.
struct BlockIndexEntry {
    qsizetype offset = 0;  // of the frame
    BlockKind kind = BlockKind::Deltas;
    Packing packing = Packing::Zlib;
    qint64 firstTime = 0;
    qint64 lastTime = 0;
};
struct FileIndex {
    QVector<BlockIndexEntry> blocks;  // whole blocks with a good checksum, in file order
    QVector<qsizetype> damagedAt;     // where a frame with a bad checksum or garbage begins
    bool truncatedTail = false;       // the last frame runs past the end of the file
};
FileIndex indexBlocks(const QByteArray& file);
/// The uncompressed payload of an indexed block; nullopt when it does not inflate.
std::optional<QByteArray> blockPayload(const QByteArray& file, const BlockIndexEntry& entry);

}  // namespace sv::history
