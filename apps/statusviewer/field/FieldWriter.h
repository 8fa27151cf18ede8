// Writes the simulated field's changed states back to the site on a thread and a connection of its
// own, so a site database held locked by another program delays the write-back, never the windows.
// What could not be written is kept in memory (a newer value of the same row replaces the older
// one) and tried again, so nothing the field reported is lost while the process lives and the site
// takes writes again; what waits for a write (a resync's answer, a report whose receiver re-reads the
// row) waits for it to succeed. A site file found damaged stops the writes until the file is whole
// again (tried with the link's waits, 1, 2, 4, then 5 s, and SQLite's quick check on every reopen).
//
// What a crash loses: the rows kept in memory. A process killed while the site was locked, away or
// damaged loses every row changed since the last write that went through (582 rows in a run killed
// 5 s into a lock); a write that committed is in the file. The field's sessions make every desk
// resync from a restarted field, and a real field sends its live states again when it reconnects,
// which is what makes this acceptable.
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace so::db {
class Connection;
}

namespace sv {

class AppLog;

/// Changed rows waiting to be written.
struct FieldWrites {
    /// SuperStatus rows: (controller or port id << 32 | status type) -> Status text.
    QHash<quint64, QString> statusRows;
    /// Device rows: statement with two "?" (value, id) -> (device id -> value).
    QHash<QString, QHash<qint32, qint64>> deviceRows;

    static quint64 statusKey(qint32 id, int statusType) { return (quint64(quint32(id)) << 32) | quint32(statusType); }
    bool isEmpty() const { return statusRows.isEmpty() && deviceRows.isEmpty(); }
    int rowCount() const;
    /// Takes the rows of newer, replacing this one's of the same row.
    void merge(FieldWrites&& newer);
};

class FieldWriter final : public QObject {
public:
    /// Wait before trying again after a failed write.
    static constexpr int kRetryMs = 250;
    /// Waits before trying again a site file found damaged: doubled from the first up to the last.
    static constexpr int kFirstDamageRetryMs = 1000;
    static constexpr int kLastDamageRetryMs = 5000;
    /// How long the writer's statements wait for another connection's lock.
    static constexpr int kBusyTimeoutMs = 1000;
    /// How long closing waits for what is left to be written.
    static constexpr int kFinalWaitMs = 5000;

    /// Opens its own connection to siteUrl on its own thread (again after a failure); log may be null.
    FieldWriter(const QString& siteUrl, AppLog* log);
    /// Writes what is left (waiting at most kFinalWaitMs) and stops the thread.
    ~FieldWriter() override;
    FieldWriter(const FieldWriter&) = delete;
    FieldWriter& operator=(const FieldWriter&) = delete;

    /// Hands rows over; returns at once. afterwards (optional) runs on this object's thread once
    /// these rows and all handed over before are written: after a failed write it waits for the
    /// attempt that succeeds, so whoever it tells may rely on the site holding them.
    void submit(FieldWrites writes, std::function<void()> afterwards = {});
    /// Waits until everything handed over is written; false when that took longer than timeoutMs.
    bool waitUntilWritten(int timeoutMs);
    /// Rows handed over and not written yet.
    int unwrittenRows() const;
    /// Write attempts that failed since the start.
    qint64 failedAttempts() const;

    /// Writes rows in one transaction, every value bound, the status rows stamped as updated at
    /// `at`; throws DbError.
    static void write(so::db::Connection& db, const FieldWrites& rows, const QDateTime& at);

private:
    void run();
    /// Reports on this object's thread (the log is not shared between threads).
    void tell(const QString& error);

    const QString siteUrl_;
    AppLog* log_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable written_;
    FieldWrites pending_;
    QVector<std::function<void()>> afterwards_;
    int writingRows_ = 0;
    bool failing_ = false;
    int retryMs_ = kRetryMs;
    bool stopping_ = false;
    qint64 failedAttempts_ = 0;
    std::thread thread_;
};

}  // namespace sv
