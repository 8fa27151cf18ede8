#include "field/FieldWriter.h"

#include "host/AppLog.h"

#include <statusobject/Db.h>

#include <QDateTime>

#include <chrono>

namespace sv {

int FieldWrites::rowCount() const {
    int rows = int(statusRows.size());
    for (const auto& statement : deviceRows)
        rows += int(statement.size());
    return rows;
}

void FieldWrites::merge(FieldWrites&& newer) {
    for (auto it = newer.statusRows.cbegin(); it != newer.statusRows.cend(); ++it)
        statusRows.insert(it.key(), it.value());
    for (auto statement = newer.deviceRows.cbegin(); statement != newer.deviceRows.cend(); ++statement) {
        QHash<qint32, qint64>& rows = deviceRows[statement.key()];
        for (auto row = statement->cbegin(); row != statement->cend(); ++row)
            rows.insert(row.key(), row.value());
    }
}

FieldWriter::FieldWriter(const QString& siteUrl, AppLog* log) : siteUrl_(siteUrl), log_(log) {
    thread_ = std::thread([this] { run(); });
}

FieldWriter::~FieldWriter() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (!pending_.isEmpty() && log_ != nullptr)
        log_->error(QStringLiteral("Simulated field: %1 changed rows could not be written back before closing")
                        .arg(pending_.rowCount()));
}

void FieldWriter::submit(FieldWrites writes, std::function<void()> afterwards) {
    if (writes.isEmpty() && !afterwards)
        return;
    {
        const std::lock_guard lock(mutex_);
        pending_.merge(std::move(writes));
        if (afterwards)
            afterwards_.append(std::move(afterwards));
    }
    wake_.notify_all();
}

bool FieldWriter::waitUntilWritten(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return written_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return pending_.isEmpty() && afterwards_.isEmpty() && writingRows_ == 0; });
}

int FieldWriter::unwrittenRows() const {
    const std::lock_guard lock(mutex_);
    return pending_.rowCount() + writingRows_;
}

qint64 FieldWriter::failedAttempts() const {
    const std::lock_guard lock(mutex_);
    return failedAttempts_;
}

void FieldWriter::run() {
    std::unique_ptr<so::db::Connection> db;
    const auto stopBy = [] { return std::chrono::steady_clock::now() + std::chrono::milliseconds(kFinalWaitMs); };
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    std::unique_lock lock(mutex_);
    for (;;) {
        // After a failure the next attempt waits a moment (a new batch may bring it forward; not
        // for a damaged file, whose every try reads it whole).
        if (failing_ && retryMs_ > kRetryMs)
            wake_.wait_for(lock, std::chrono::milliseconds(retryMs_), [this] { return stopping_; });
        else if (failing_)
            wake_.wait_for(lock, std::chrono::milliseconds(retryMs_));
        else
            wake_.wait(lock, [this] { return stopping_ || !pending_.isEmpty() || !afterwards_.isEmpty(); });
        if (stopping_ && deadline == std::chrono::steady_clock::time_point::max())
            deadline = stopBy();
        if (pending_.isEmpty() && afterwards_.isEmpty()) {
            if (stopping_)
                return;
            continue;
        }
        if (stopping_ && std::chrono::steady_clock::now() > deadline)
            return;
        FieldWrites rows = std::move(pending_);
        pending_ = {};
        QVector<std::function<void()>> afterwards = std::move(afterwards_);
        afterwards_.clear();
        writingRows_ = rows.rowCount();
        lock.unlock();

        QString error;
        bool damaged = false;
        try {
            if (db == nullptr) {
                db = so::db::Connection::open(siteUrl_);
                db->setBusyTimeout(kBusyTimeoutMs);
            } else if (!db->isAlive()) {
                // The file was removed, replaced or damaged, or the connection dropped: never write
                // to a file nobody opens again or that is not whole; a missing file is not created
                // afresh.
                db->reopen();
            }
            if (!rows.isEmpty())
                write(*db, rows, QDateTime::currentDateTime());
        } catch (const so::db::DbError& e) {
            // SQLite's words for a file system without room (SQLITE_FULL).
            error = e.driverMessage().contains(QLatin1String("database or disk is full"), Qt::CaseInsensitive)
                        ? QStringLiteral("the site file cannot grow: the disk is full")
                        : e.message() + QLatin1Char(' ') + e.driverMessage();
            damaged = e.isDamage();
        }

        lock.lock();
        writingRows_ = 0;
        const bool wasFailing = failing_;
        failing_ = !error.isEmpty();
        // A damaged file is tried again with growing waits (each try reads it whole once).
        retryMs_ = !damaged                         ? kRetryMs
                   : retryMs_ < kFirstDamageRetryMs ? kFirstDamageRetryMs
                                                    : qMin(retryMs_ * 2, kLastDamageRetryMs);
        if (failing_) {
            ++failedAttempts_;
            rows.merge(std::move(pending_));
            pending_ = std::move(rows);
            // Told only once the rows are in the site: they wait for the attempt that succeeds.
            afterwards.append(std::move(afterwards_));
            afterwards_ = std::move(afterwards);
            afterwards.clear();
        }
        if (!afterwards.isEmpty() || failing_ != wasFailing) {
            const QString told =
                failing_ && !wasFailing
                    ? QStringLiteral("%1; %2 changed rows wait to be written").arg(error).arg(pending_.rowCount())
                    : QString();
            const bool recovered = wasFailing && !failing_;
            QMetaObject::invokeMethod(
                this,
                [this, afterwards = std::move(afterwards), told, recovered] {
                    if (!told.isEmpty())
                        tell(QStringLiteral("writing states back failed, kept to try again: ") + told);
                    if (recovered && log_ != nullptr)
                        log_->info(QStringLiteral("Simulated field: states are written back again"));
                    for (const auto& after : afterwards)
                        after();
                },
                Qt::QueuedConnection);
        }
        written_.notify_all();
    }
}

void FieldWriter::write(so::db::Connection& db, const FieldWrites& rows, const QDateTime& at) {
    so::db::Transaction transaction(db);
    so::db::Command status(
        db,
        QStringLiteral("UPDATE SuperStatus SET Status = ?, LastUpdated = ? WHERE ControllerID = ? AND StatusType = ?"));
    for (auto it = rows.statusRows.cbegin(); it != rows.statusRows.cend(); ++it) {
        while (status.parameterCount() > 0)
            status.deleteParameter(0);
        status.appendParameter(QStringLiteral("@Status"), so::db::ParamType::NVarChar, so::db::ParamDirection::Input,
                               4000, it.value());
        status.appendParameter(QStringLiteral("@LastUpdated"), so::db::ParamType::DateTime,
                               so::db::ParamDirection::Input, 0, at);
        status.appendParameter(QStringLiteral("@ControllerID"), so::db::ParamType::Integer,
                               so::db::ParamDirection::Input, 4, qint32(it.key() >> 32));
        status.appendParameter(QStringLiteral("@StatusType"), so::db::ParamType::Integer, so::db::ParamDirection::Input,
                               4, qint32(quint32(it.key())));
        status.execute();
    }
    for (auto statement = rows.deviceRows.cbegin(); statement != rows.deviceRows.cend(); ++statement) {
        so::db::Command cmd(db, statement.key());
        for (auto row = statement->cbegin(); row != statement->cend(); ++row) {
            while (cmd.parameterCount() > 0)
                cmd.deleteParameter(0);
            cmd.appendParameter(QStringLiteral("@Value"), so::db::ParamType::Integer, so::db::ParamDirection::Input, 4,
                                row.value());
            cmd.appendParameter(QStringLiteral("@ID"), so::db::ParamType::Integer, so::db::ParamDirection::Input, 4,
                                row.key());
            cmd.execute();
        }
    }
    transaction.commit();
}

void FieldWriter::tell(const QString& error) {
    if (log_ != nullptr)
        log_->error(QStringLiteral("Simulated field: ") + error);
}

}  // namespace sv
