// What a SQLite connection can read of its own database file without a descriptor of its own: the
// header of the file, the checkpoint record of the write-ahead log's index (-shm) and the first page
// as the log last holds it. Everything is read through SQLite's own open file, index mapping and log
// handle: opening and closing another descriptor of the file in this process would drop every POSIX
// lock SQLite holds on it (locks belong to the process, and any close releases them).
//
// The layouts read here are SQLite's documented file formats (the database header, the write-ahead
// log and its index), which SQLite keeps stable across versions.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

struct sqlite3;
struct sqlite3_file;

namespace so::db::sitefile {

/// The main database file as the connection holds it open (null when there is none, as through ODBC).
sqlite3_file* openFileOf(sqlite3* connection);
/// The write-ahead log as the connection holds it open (null before the log is opened).
sqlite3_file* logFileOf(sqlite3* connection);

/// The first 100 bytes of a SQLite database file.
struct Header {
    static constexpr int kSize = 100;
    QByteArray bytes;     // as read (fewer when the file is shorter)
    bool sqlite = false;  // starts with the format string
    qint64 pageSize = 0;
    quint32 changeCounter = 0;
    /// Pages the file holds by its own header; 0 when the header's count is not valid (an older
    /// writer that did not keep it: the change counter and "version valid for" differ).
    qint64 pageCount = 0;
    /// The header's user version, which every commit of this library's connections counts up
    /// (see Connection: the commit stamp).
    quint32 stamp = 0;
};

/// Parses header bytes (a file shorter than a header gives sqlite = false).
Header parseHeader(const QByteArray& bytes);
/// The file's header read through its open handle; nothing when it cannot be read now.
std::optional<Header> readHeader(sqlite3_file* file);

/// The log index's checkpoint record. In write-ahead mode SQLite writes the database file only in a
/// checkpoint: it records the frames it sets out to copy before it writes the file, and the frames
/// copied once it has. The salts are new whenever the log starts afresh (a new generation).
struct CheckpointMark {
    quint32 backfilled = 0;
    quint32 attempted = 0;
    quint32 salt1 = 0;
    quint32 salt2 = 0;

    /// A checkpoint is copying frames into the file now (or one stopped part-way).
    bool copying() const { return attempted > backfilled; }
    bool sameGeneration(const CheckpointMark& other) const { return salt1 == other.salt1 && salt2 == other.salt2; }
    bool operator==(const CheckpointMark&) const = default;
};

/// The record from the index SQLite has mapped; nothing when there is no index.
std::optional<CheckpointMark> readCheckpointMark(sqlite3_file* file);

/// The frames the log holds (its end, as the index header says); nothing when not known now.
std::optional<quint32> readLogEnd(sqlite3_file* file);
/// The newest frame after `after` up to `upTo` that holds page 1: 0 when none does; nothing when
/// the index cannot be read.
std::optional<quint32> newestFirstPageFrame(sqlite3_file* file, quint32 after, quint32 upTo);
/// The first bytes (Header::kSize) of the page a log frame holds.
std::optional<QByteArray> firstPageOfFrame(sqlite3_file* log, quint32 frame, qint64 pageSize);

/// Whether the log holds a first page like the file's.
enum class LogMatch { Unreadable, Found, NotFound };
/// Looks for `header` (the first bytes of the file's first page) among the log's frames of page 1
/// after frame `after` up to frame `upTo`: a checkpoint copying those frames writes one of them
/// into the file (SQLite copies a page only from its newest frame, and only when that frame is
/// within what the checkpoint copies, so a checkpoint may also leave the first page as it was).
LogMatch findFirstPageInLog(sqlite3_file* file, sqlite3_file* log, quint32 after, quint32 upTo, qint64 pageSize,
                            const QByteArray& header);

}  // namespace so::db::sitefile
