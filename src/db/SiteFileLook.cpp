#include "db/SiteFileLook.h"

#include <QtEndian>

#include <sqlite3.h>

#include <cstring>

namespace so::db::sitefile {
namespace {

// The log index (-shm) is mapped in regions of 32 KB. The first starts with two copies of the
// index header and the checkpoint record (136 bytes), then the page number of each frame, in the
// machine's own byte order: 4,062 frames in the first region, 4,096 in each later one.
constexpr int kRegionBytes = 32768;
constexpr int kIndexHeaderBytes = 136;
constexpr quint32 kFramesInFirstRegion = 4062;
constexpr quint32 kFramesPerRegion = 4096;
// The log: a 32-byte header, then per frame a 24-byte frame header and the page.
constexpr qint64 kLogHeaderBytes = 32;
constexpr qint64 kFrameHeaderBytes = 24;

const volatile char* mapRegion(sqlite3_file* file, int region) {
    if (file == nullptr || file->pMethods->iVersion < 2 || file->pMethods->xShmMap == nullptr)
        return nullptr;
    volatile void* mapped = nullptr;
    if (file->pMethods->xShmMap(file, region, kRegionBytes, 0, &mapped) != SQLITE_OK)
        return nullptr;
    return static_cast<const volatile char*>(mapped);
}

quint32 u32At(const volatile char* region, int at) {
    quint32 value = 0;
    std::memcpy(&value, const_cast<const char*>(region) + at, sizeof value);
    return value;
}

}  // namespace

sqlite3_file* openFileOf(sqlite3* connection) {
    sqlite3_file* file = nullptr;
    if (connection == nullptr ||
        sqlite3_file_control(connection, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || file == nullptr ||
        file->pMethods == nullptr)
        return nullptr;
    return file;
}

sqlite3_file* logFileOf(sqlite3* connection) {
    sqlite3_file* file = nullptr;
    if (connection == nullptr ||
        sqlite3_file_control(connection, "main", SQLITE_FCNTL_JOURNAL_POINTER, &file) != SQLITE_OK || file == nullptr ||
        file->pMethods == nullptr)
        return nullptr;
    return file;
}

Header parseHeader(const QByteArray& bytes) {
    Header header;
    header.bytes = bytes;
    if (bytes.size() < Header::kSize || std::memcmp(bytes.constData(), "SQLite format 3", 16) != 0)
        return header;
    const auto u32 = [&bytes](int at) { return qFromBigEndian<quint32>(bytes.constData() + at); };
    const quint16 pageSize = qFromBigEndian<quint16>(bytes.constData() + 16);
    header.sqlite = true;
    header.pageSize = pageSize == 1 ? 65536 : pageSize;
    header.changeCounter = u32(24);
    header.stamp = u32(60);
    if (u32(92) == header.changeCounter)
        header.pageCount = u32(28);
    return header;
}

std::optional<Header> readHeader(sqlite3_file* file) {
    if (file == nullptr)
        return std::nullopt;
    QByteArray bytes(Header::kSize, '\0');
    const int rc = file->pMethods->xRead(file, bytes.data(), Header::kSize, 0);
    if (rc == SQLITE_IOERR_SHORT_READ)
        return parseHeader({});  // shorter than a header
    if (rc != SQLITE_OK)
        return std::nullopt;
    return parseHeader(bytes);
}

std::optional<CheckpointMark> readCheckpointMark(sqlite3_file* file) {
    const volatile char* index = mapRegion(file, 0);
    if (index == nullptr)
        return std::nullopt;
    return CheckpointMark{u32At(index, 96), u32At(index, 128), u32At(index, 32), u32At(index, 36)};
}

std::optional<quint32> readLogEnd(sqlite3_file* file) {
    const volatile char* index = mapRegion(file, 0);
    if (index == nullptr)
        return std::nullopt;
    // The index header is kept twice (a writer updates one copy after the other).
    const quint32 end = u32At(index, 16);
    if (u32At(index, 48 + 16) != end)
        return std::nullopt;
    return end;
}

std::optional<quint32> newestFirstPageFrame(sqlite3_file* file, quint32 after, quint32 upTo) {
    int mappedRegion = -1;
    const volatile char* region = nullptr;
    for (quint32 frame = upTo; frame > after; --frame) {
        const int wanted =
            frame <= kFramesInFirstRegion ? 0 : 1 + int((frame - kFramesInFirstRegion - 1) / kFramesPerRegion);
        if (wanted != mappedRegion) {
            region = mapRegion(file, wanted);
            mappedRegion = wanted;
        }
        if (region == nullptr)
            return std::nullopt;
        const int at = wanted == 0 ? kIndexHeaderBytes + 4 * int(frame - 1)
                                   : 4 * int((frame - kFramesInFirstRegion - 1) % kFramesPerRegion);
        if (u32At(region, at) == 1)
            return frame;
    }
    return 0;
}

std::optional<QByteArray> firstPageOfFrame(sqlite3_file* log, quint32 frame, qint64 pageSize) {
    if (log == nullptr || pageSize <= 0 || frame == 0)
        return std::nullopt;
    QByteArray bytes(Header::kSize, '\0');
    const qint64 offset = kLogHeaderBytes + qint64(frame - 1) * (kFrameHeaderBytes + pageSize) + kFrameHeaderBytes;
    if (log->pMethods->xRead(log, bytes.data(), Header::kSize, offset) != SQLITE_OK)
        return std::nullopt;
    return bytes;
}

LogMatch findFirstPageInLog(sqlite3_file* file, sqlite3_file* log, quint32 after, quint32 upTo, qint64 pageSize,
                            const QByteArray& header) {
    for (quint32 from = upTo;;) {
        const std::optional<quint32> frame = newestFirstPageFrame(file, after, from);
        if (!frame)
            return LogMatch::Unreadable;
        if (*frame == 0)
            return LogMatch::NotFound;
        const std::optional<QByteArray> bytes = firstPageOfFrame(log, *frame, pageSize);
        if (!bytes)
            return LogMatch::Unreadable;
        if (*bytes == header)
            return LogMatch::Found;
        from = *frame - 1;
    }
}

}  // namespace so::db::sitefile
