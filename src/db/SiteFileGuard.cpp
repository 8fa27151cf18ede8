#include "db/SiteFileGuard.h"

#include "db/SiteFileLook.h"

#include <QByteArray>

#include <sqlite3.h>

#include <algorithm>
#include <mutex>
#include <new>

namespace so::db::sitefile {
namespace {

constexpr const char* kVfsName = "statusobject-guard";
// A file control only this layer answers: it hands out the guard of a main database file. Asked
// through the file control (not by comparing method tables), so that a file opened through the
// layer of another copy of this library in the same process is recognised as well.
constexpr int kGuardOpcode = 0x534f4731;

/// A file opened through the layer: the file of the wrapped file system follows it in the same
/// allocation (SQLite allocates szOsFile bytes per open file).
struct GuardedFile {
    sqlite3_file base;
    sqlite3_file* real = nullptr;
    bool mainDatabase = false;
    FirstPageGuard guard;
};
constexpr std::size_t kRealOffset = (sizeof(GuardedFile) + 15) & ~std::size_t(15);

GuardedFile* guardedOf(sqlite3_file* file) { return reinterpret_cast<GuardedFile*>(file); }
sqlite3_file* realOf(sqlite3_file* file) { return guardedOf(file)->real; }
sqlite3_vfs* realVfs(sqlite3_vfs* vfs) { return static_cast<sqlite3_vfs*>(vfs->pAppData); }

// Each method of the wrapped file (or file system) called with its own object.
template <auto Method>
struct ForwardFile;
template <typename R, typename... Args, R (*sqlite3_io_methods::*Method)(sqlite3_file*, Args...)>
struct ForwardFile<Method> {
    static R call(sqlite3_file* file, Args... args) {
        sqlite3_file* const real = realOf(file);
        return (real->pMethods->*Method)(real, args...);
    }
};

template <auto Method>
struct ForwardVfs;
template <typename R, typename... Args, R (*sqlite3_vfs::*Method)(sqlite3_vfs*, Args...)>
struct ForwardVfs<Method> {
    static R call(sqlite3_vfs* vfs, Args... args) {
        sqlite3_vfs* const real = realVfs(vfs);
        return (real->*Method)(real, args...);
    }
};

int guardedClose(sqlite3_file* file) {
    sqlite3_file* const real = realOf(file);
    const int rc = real->pMethods->xClose(real);
    guardedOf(file)->~GuardedFile();
    return rc;
}

int guardedWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    GuardedFile* const guarded = guardedOf(file);
    sqlite3_file* const real = guarded->real;
    FirstPageGuard& guard = guarded->guard;
    if (guarded->mainDatabase && offset == 0 && guard.armed.load()) {
        // A file shorter than a header is one cut, or one another program is copying over this
        // one (it empties the file first): nothing is written into either.
        QByteArray bytes(Header::kSize, '\0');
        const bool read = real->pMethods->xRead(real, bytes.data(), Header::kSize, 0) == SQLITE_OK;
        const Header inFile = parseHeader(read ? bytes : QByteArray());
        if (!inFile.sqlite || qint32(inFile.stamp - guard.floor.load()) < 0) {
            guard.refusedStamp = inFile.sqlite ? qint64(inFile.stamp) : -1;
            guard.refused = true;
            return SQLITE_IOERR_WRITE;
        }
    }
    return real->pMethods->xWrite(real, data, amount, offset);
}

int guardedFileControl(sqlite3_file* file, int op, void* arg) {
    GuardedFile* const guarded = guardedOf(file);
    if (op == kGuardOpcode) {
        *static_cast<FirstPageGuard**>(arg) = guarded->mainDatabase ? &guarded->guard : nullptr;
        return SQLITE_OK;
    }
    return guarded->real->pMethods->xFileControl(guarded->real, op, arg);
}

constexpr sqlite3_io_methods methodsOfVersion(int version) {
    return {
        version,
        guardedClose,
        ForwardFile<&sqlite3_io_methods::xRead>::call,
        guardedWrite,
        ForwardFile<&sqlite3_io_methods::xTruncate>::call,
        ForwardFile<&sqlite3_io_methods::xSync>::call,
        ForwardFile<&sqlite3_io_methods::xFileSize>::call,
        ForwardFile<&sqlite3_io_methods::xLock>::call,
        ForwardFile<&sqlite3_io_methods::xUnlock>::call,
        ForwardFile<&sqlite3_io_methods::xCheckReservedLock>::call,
        guardedFileControl,
        ForwardFile<&sqlite3_io_methods::xSectorSize>::call,
        ForwardFile<&sqlite3_io_methods::xDeviceCharacteristics>::call,
        ForwardFile<&sqlite3_io_methods::xShmMap>::call,
        ForwardFile<&sqlite3_io_methods::xShmLock>::call,
        ForwardFile<&sqlite3_io_methods::xShmBarrier>::call,
        ForwardFile<&sqlite3_io_methods::xShmUnmap>::call,
        ForwardFile<&sqlite3_io_methods::xFetch>::call,
        ForwardFile<&sqlite3_io_methods::xUnfetch>::call,
    };
}
// A wrapped file offers the methods of the version the wrapped file system's file has.
constexpr sqlite3_io_methods kMethods[] = {methodsOfVersion(1), methodsOfVersion(2), methodsOfVersion(3)};

int guardedOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    sqlite3_vfs* const real = realVfs(vfs);
    auto* const guarded = new (file) GuardedFile{};
    guarded->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + kRealOffset);
    guarded->mainDatabase = (flags & SQLITE_OPEN_MAIN_DB) != 0;
    const int rc = real->xOpen(real, name, guarded->real, flags, outFlags);
    // SQLite closes a file whose methods are set, even when opening it failed.
    const sqlite3_io_methods* const opened = guarded->real->pMethods;
    file->pMethods = opened == nullptr ? nullptr : &kMethods[std::clamp(opened->iVersion, 1, 3) - 1];
    return rc;
}

sqlite3_vfs makeVfs(sqlite3_vfs* real) {
    sqlite3_vfs vfs{};
    vfs.iVersion = std::min(real->iVersion, 3);
    vfs.szOsFile = int(kRealOffset) + real->szOsFile;
    vfs.mxPathname = real->mxPathname;
    vfs.zName = kVfsName;
    vfs.pAppData = real;
    vfs.xOpen = guardedOpen;
    vfs.xDelete = ForwardVfs<&sqlite3_vfs::xDelete>::call;
    vfs.xAccess = ForwardVfs<&sqlite3_vfs::xAccess>::call;
    vfs.xFullPathname = ForwardVfs<&sqlite3_vfs::xFullPathname>::call;
    vfs.xDlOpen = ForwardVfs<&sqlite3_vfs::xDlOpen>::call;
    vfs.xDlError = ForwardVfs<&sqlite3_vfs::xDlError>::call;
    vfs.xDlSym = ForwardVfs<&sqlite3_vfs::xDlSym>::call;
    vfs.xDlClose = ForwardVfs<&sqlite3_vfs::xDlClose>::call;
    vfs.xRandomness = ForwardVfs<&sqlite3_vfs::xRandomness>::call;
    vfs.xSleep = ForwardVfs<&sqlite3_vfs::xSleep>::call;
    vfs.xCurrentTime = ForwardVfs<&sqlite3_vfs::xCurrentTime>::call;
    vfs.xGetLastError = ForwardVfs<&sqlite3_vfs::xGetLastError>::call;
    if (vfs.iVersion >= 2)
        vfs.xCurrentTimeInt64 = ForwardVfs<&sqlite3_vfs::xCurrentTimeInt64>::call;
    if (vfs.iVersion >= 3) {
        vfs.xSetSystemCall = ForwardVfs<&sqlite3_vfs::xSetSystemCall>::call;
        vfs.xGetSystemCall = ForwardVfs<&sqlite3_vfs::xGetSystemCall>::call;
        vfs.xNextSystemCall = ForwardVfs<&sqlite3_vfs::xNextSystemCall>::call;
    }
    return vfs;
}

}  // namespace

bool installFirstPageGuard() {
    static std::once_flag once;
    static bool installed = false;
    std::call_once(once, [] {
        if (sqlite3_vfs_find(kVfsName) != nullptr) {
            installed = true;  // another copy of this library installed it
            return;
        }
        sqlite3_vfs* const real = sqlite3_vfs_find(nullptr);
        if (real == nullptr)
            return;
        // Registered for the life of the process: open files keep pointing at it.
        static sqlite3_vfs vfs = makeVfs(real);
        installed = sqlite3_vfs_register(&vfs, 1) == SQLITE_OK;
    });
    return installed;
}

FirstPageGuard* firstPageGuardOf(sqlite3_file* file) {
    FirstPageGuard* guard = nullptr;
    if (file == nullptr || file->pMethods == nullptr ||
        file->pMethods->xFileControl(file, kGuardOpcode, &guard) != SQLITE_OK)
        return nullptr;
    return guard;
}

}  // namespace so::db::sitefile
