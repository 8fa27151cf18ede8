#include "field/ReportHistory.h"

#include "field/HistoryFormat.h"
#include "host/AppLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>

namespace sv {

using namespace history;

QString historyFolderFor(const QString& siteUrl) {
    const QString prefix = QStringLiteral("sqlite:");
    if (!siteUrl.startsWith(prefix))
        return {};
    const QString path = siteUrl.mid(prefix.size());
    if (path.isEmpty() || path.startsWith(QLatin1Char(':')) || path.startsWith(QStringLiteral("file:")))
        return {};
    return path + QStringLiteral(".history");
}

std::unique_ptr<ReportHistory> openReportHistory(const QString& siteUrl, int keepDays, AppLog* log) {
    const QString folder = historyFolderFor(siteUrl);
    if (keepDays <= 0 || folder.isEmpty())
        return nullptr;
    HistoryOptions options;
    options.folder = folder;
    options.keepDays = keepDays;
    return std::make_unique<ReportHistory>(options, log);
}

ReportHistory::ReportHistory(HistoryOptions options, AppLog* log)
    : options_(std::move(options)), log_(log), reader_(options_.folder, [this](const QString& m) { tell(m); }),
      encoder_(options_.limits) {
    if (!options_.clock)
        options_.clock = [] { return QDateTime::currentMSecsSinceEpoch(); };
    if (!options_.steadyClock)
        options_.steadyClock = [] {
            return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count());
        };
    thread_ = std::thread([this] { run(); });
}

ReportHistory::~ReportHistory() {
    handOver();
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

// ---- recording ----------------------------------------------------------------------------------

void ReportHistory::beginSeed() {
    seeding_ = true;
    running_ = false;
    noteFirst();
    events_.beginSeed();
}

void ReportHistory::endSeed() {
    seeding_ = false;
    running_ = true;
    const qint64 t = now();
    noteFirst();
    events_.endSeed(t);
    handOver();
}

void ReportHistory::entryChanged(qint32 id, int statusType, int index, const so::db::StatusEntry& entry) {
    if (seeding_ || running_)
        change({PointKey::StatusEntry, id, statusType, index}, entry.codes, entry.value, qint64(entry.maskSource));
}

void ReportHistory::valuesChanged(qint32 id, int statusType, const QVector<int>& values) {
    if (seeding_ || running_)
        change({PointKey::StatusValues, id, statusType, 0}, values, {}, 0);
}

void ReportHistory::deviceChanged(DeviceColumn column, qint32 id, qint64 value) {
    if (seeding_ || running_)
        change({PointKey::Device, id, qint32(column), 0}, {}, {}, value);
}

void ReportHistory::reported(const QString& deviceType, const QString& address, int state, const QString& value) {
    if (!running_)
        return;
    noteFirst();
    events_.report(now(), deviceType, address, state, value);
    handOverWhenFull();
}

void ReportHistory::change(const PointKey& key, const QVector<int>& codes, const QString& text, qint64 number) {
    noteFirst();
    events_.change(seeding_ ? 0 : now(), key, codes, text, number);
    handOverWhenFull();
}

void ReportHistory::noteFirst() {
    if (events_.isEmpty())
        firstEventSteadyMs_ = options_.steadyClock();
}

void ReportHistory::handOverWhenFull() {
    // The seed (every point of the site) goes in one batch: its snapshot needs all of it.
    if (events_.count() >= kEventsPerHandOver && !seeding_)
        handOver();
}

void ReportHistory::handOver() {
    if (events_.isEmpty())
        return;
    {
        const std::lock_guard lock(mutex_);
        batches_.push_back(events_.take());
    }
    wake_.notify_all();
}

void ReportHistory::tick() {
    if (!events_.isEmpty() && !seeding_ && options_.steadyClock() - firstEventSteadyMs_ >= options_.blockMs)
        handOver();
}

bool ReportHistory::sync(int timeoutMs) {
    handOver();
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return batches_.empty() && !writing_; });
}

// ---- reading ------------------------------------------------------------------------------------

PastBoard ReportHistory::boardAt(qint64 moment) {
    sync();
    return reader_.boardAt(moment, now());
}

QVector<PastReport> ReportHistory::reports(qint64 from, qint64 to, int limit) {
    sync();
    return reader_.reports(from, to, limit);
}

HistorySpan ReportHistory::span() {
    sync();
    return reader_.span();
}

qint64 ReportHistory::lostBlocks() const {
    const std::lock_guard lock(mutex_);
    return lostBlocks_;
}

// ---- the writer thread --------------------------------------------------------------------------

void ReportHistory::run() {
    QFile file;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !batches_.empty(); });
        if (batches_.empty())
            return;
        const QByteArray events = std::move(batches_.front());
        batches_.pop_front();
        writing_ = true;
        lock.unlock();

        // A batch's records make one block (or more, at blockBytes).
        QVector<HistoryJob> jobs;
        encoder_.apply(events, jobs);
        encoder_.closeBlock(jobs);
        write(jobs, file);

        lock.lock();
        writing_ = false;
        if (batches_.empty())
            idle_.notify_all();
    }
}

void ReportHistory::write(const QVector<HistoryJob>& jobs, QFile& file) {
    for (const HistoryJob& job : jobs) {
        QString error;
        if (job.newSegment) {
            file.close();
            QDir().mkpath(options_.folder);
            file.setFileName(QDir(options_.folder).filePath(HistoryReader::segmentName(job.block.firstTime)));
            if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
                error = file.errorString();
            prune(job.block.lastTime);
        }
        if (error.isEmpty() && !file.isOpen())
            error = QStringLiteral("no segment is open");
        if (error.isEmpty()) {
            const QByteArray bytes = framer_.frame(job.block);
            if (file.write(bytes) != bytes.size() || !file.flush())
                error = file.errorString();
        }
        const std::lock_guard lock(mutex_);
        const bool wasFailing = failing_;
        failing_ = !error.isEmpty();
        if (failing_)
            ++lostBlocks_;
        if (failing_ && !wasFailing)
            QMetaObject::invokeMethod(
                this, [this, error] { tell(QStringLiteral("the report history cannot be written: ") + error); },
                Qt::QueuedConnection);
    }
}

void ReportHistory::prune(qint64 now) {
    const QVector<Segment> all = HistoryReader::segments(options_.folder);
    const qint64 keepFrom = now - qint64(options_.keepDays) * 24 * 3600 * 1000;
    qint64 total = 0;
    for (const Segment& s : all)
        total += QFileInfo(s.path).size();
    // The newest segment (the one being written) always stays.
    for (qsizetype i = 0; i + 1 < all.size(); ++i) {
        const bool old = all[i + 1].start <= keepFrom;
        if (!old && total <= options_.maxBytes)
            break;
        total -= QFileInfo(all[i].path).size();
        QFile::remove(all[i].path);
    }
}

void ReportHistory::tell(const QString& message) {
    if (log_ != nullptr)
        log_->error(QStringLiteral("Simulated field: ") + message);
}

}  // namespace sv
