// A thin file layer under SQLite that keeps a checkpoint from writing the current first page over a
// copy another program wrote over the open file in place.
//
// In write-ahead mode only a checkpoint writes the database file, and it writes the first page
// before any other (pages go in ascending order). A copy landing between a connection's last look
// and that write would have its first page replaced with the current one: the file's header then
// names the current content while every page the checkpoint does not copy is the copy's, and no
// later look could tell. So every write of the first page reads the first page in the file first
// and compares its commit stamp (the header's user version, counted up by every commit of this
// library) with the stamp the connection last found there: the file's stamp never goes back while
// it is the file SQLite writes, so an older one is a copy (and no header at all a file cut, or one
// another program has just emptied to copy over it). The write is then refused, and with it
// the whole checkpoint (nothing else has been written yet); the first page stays the copy's and the
// connection's look reports the file written over. Only the syscall gap between that read and the
// write is left open.
//
// The layer wraps the default file system of the process's SQLite and becomes the default itself
// (Qt's driver opens with the default). A file nobody armed, and every file that is no main
// database (logs, temporary files), passes straight through.
#pragma once

#include <QtGlobal>

#include <atomic>

struct sqlite3_file;

namespace so::db::sitefile {

/// What the layer checks for one open main database file.
struct FirstPageGuard {
    /// Set once a look found a SQLite header in the file: `floor` then holds its stamp.
    std::atomic<bool> armed{false};
    /// The stamp the connection last found in the file at a look that found nothing wrong.
    std::atomic<quint32> floor{0};
    /// A first-page write was refused: the file's stamp was older than `floor`, or it held no header.
    std::atomic<bool> refused{false};
    /// The stamp found in the file when the write was refused (-1: no header).
    std::atomic<qint64> refusedStamp{-1};
};

/// Makes the layer the process's default SQLite file system (once; later calls do nothing). False
/// when SQLite has no default file system to wrap.
bool installFirstPageGuard();

/// The guard of a main database file opened through the layer; null for any other file.
FirstPageGuard* firstPageGuardOf(sqlite3_file* file);

}  // namespace so::db::sitefile
