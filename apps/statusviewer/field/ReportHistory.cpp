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

std::function<QByteArray(qint64, QString&)> pastBoardAnswer(ReportHistory& history) {
    return [&history](qint64 moment, QString& refusal) {
        const PastBoard board = history.boardAt(moment);
        if (board.fidelity == Fidelity::Unavailable) {
            refusal = board.note;
            return QByteArray();
        }
        return encodePastBoard(board);
    };
}

ReportHistory::ReportHistory(HistoryOptions options, AppLog* log)
    : options_(std::move(options)), log_(log), reader_(options_.folder, [this](const QString& m) { tell(m); }) {
    if (!options_.clock)
        options_.clock = [] { return QDateTime::currentMSecsSinceEpoch(); };
    thread_ = std::thread([this] { run(); });
}

ReportHistory::~ReportHistory() {
    closeBlock();
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

// ---- recording ----------------------------------------------------------------------------------

void ReportHistory::beginSeed() {
    closeBlock();
    pointIndex_.clear();
    keys_.clear();
    states_.clear();
    addressIndex_.clear();
    addresses_.clear();
    deviceTypeIndex_.clear();
    deviceTypes_.clear();
    seeding_ = true;
    running_ = false;
}

void ReportHistory::endSeed() {
    seeding_ = false;
    running_ = true;
    writeSnapshot(now(), true);
}

void ReportHistory::entryChanged(qint32 id, int statusType, int index, const so::db::StatusEntry& entry) {
    change({PointKey::StatusEntry, id, statusType, index}, {entry.codes, entry.value, qint64(entry.maskSource)});
}

void ReportHistory::valuesChanged(qint32 id, int statusType, const QVector<int>& values) {
    change({PointKey::StatusValues, id, statusType, 0}, {values, {}, 0});
}

void ReportHistory::deviceChanged(DeviceColumn column, qint32 id, qint64 value) {
    change({PointKey::Device, id, qint32(column), 0}, {{}, {}, value});
}

void ReportHistory::change(const PointKey& key, PointState&& state) {
    if (!seeding_ && !running_)
        return;
    const qint64 t = seeding_ ? 0 : timeRecord(now());
    Encoder out(open_);
    int index = pointIndex_.value(key, -1);
    if (index < 0) {
        index = int(keys_.size());
        pointIndex_.insert(key, index);
        keys_.append(key);
        states_.append(PointState{});
        if (!seeding_) {
            out.tag(RecordKind::DefinePoint, 0);
            out.point(key);
        }
    } else if (states_[index] == state) {
        return;
    }
    if (!seeding_) {
        out.tag(RecordKind::Change, quint64(index));
        out.signedVarint(t - lastRecord_);
        out.state(state);
        lastRecord_ = t;
    }
    states_[index] = std::move(state);
    if (open_.size() >= options_.blockBytes)
        closeBlock();
}

void ReportHistory::reported(const QString& deviceType, const QString& address, int state, const QString& value) {
    if (!running_)
        return;
    const qint64 t = timeRecord(now());
    const int type = deviceTypeIndex(deviceType);
    const int at = addressIndex(address);
    Encoder out(open_);
    out.tag(RecordKind::Report, quint64(at));
    out.signedVarint(t - lastRecord_);
    out.varint(quint64(type));
    out.varint(quint64(quint8(state)));
    out.text(value);
    lastRecord_ = t;
    if (open_.size() >= options_.blockBytes)
        closeBlock();
}

int ReportHistory::addressIndex(const QString& address) {
    const auto it = addressIndex_.constFind(address);
    if (it != addressIndex_.cend())
        return *it;
    const int index = int(addresses_.size());
    addressIndex_.insert(address, index);
    addresses_.append(address);
    Encoder out(open_);
    out.tag(RecordKind::DefineAddress, 0);
    out.text(address);
    return index;
}

int ReportHistory::deviceTypeIndex(const QString& deviceType) {
    const auto it = deviceTypeIndex_.constFind(deviceType);
    if (it != deviceTypeIndex_.cend())
        return *it;
    const int index = int(deviceTypes_.size());
    deviceTypeIndex_.insert(deviceType, index);
    deviceTypes_.append(deviceType);
    Encoder out(open_);
    out.tag(RecordKind::DefineDeviceType, 0);
    out.text(deviceType);
    return index;
}

qint64 ReportHistory::timeRecord(qint64 t) {
    // A new hour (or a clock set back before the segment) opens a new segment.
    if (t / options_.segmentMs != segmentStart_ / options_.segmentMs || t < segmentStart_)
        writeSnapshot(t, true);
    else if (t - lastSnapshot_ >= options_.snapshotMs)
        writeSnapshot(t, false);
    if (open_.isEmpty()) {
        openFirst_ = t;
        lastRecord_ = t;
    }
    return t;
}

void ReportHistory::writeSnapshot(qint64 t, bool newSegment) {
    closeBlock();
    Block block{BlockKind::Snapshot, t, t, {}};
    Encoder out(block.payload);
    out.varint(quint64(deviceTypes_.size()));
    for (const QString& type : std::as_const(deviceTypes_))
        out.text(type);
    out.varint(quint64(addresses_.size()));
    for (const QString& address : std::as_const(addresses_))
        out.text(address);
    out.varint(quint64(keys_.size()));
    for (qsizetype i = 0; i < keys_.size(); ++i) {
        out.point(keys_[i]);
        out.state(states_[i]);
    }
    if (newSegment)
        segmentStart_ = t;
    lastSnapshot_ = t;
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back({std::move(block), newSegment});
    }
    wake_.notify_all();
}

void ReportHistory::closeBlock() {
    if (open_.isEmpty())
        return;
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back({{BlockKind::Deltas, openFirst_, lastRecord_, std::move(open_)}, false});
    }
    open_ = {};
    wake_.notify_all();
}

void ReportHistory::tick() {
    if (!open_.isEmpty() && now() - openFirst_ >= options_.blockMs)
        closeBlock();
}

bool ReportHistory::sync(int timeoutMs) {
    closeBlock();
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return jobs_.empty() && !writing_; });
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
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty())
            return;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        writing_ = true;
        lock.unlock();

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
            const QByteArray bytes = frameBlock(job.block);
            if (file.write(bytes) != bytes.size() || !file.flush())
                error = file.errorString();
        }

        lock.lock();
        writing_ = false;
        const bool wasFailing = failing_;
        failing_ = !error.isEmpty();
        if (failing_)
            ++lostBlocks_;
        if (failing_ && !wasFailing)
            QMetaObject::invokeMethod(
                this, [this, error] { tell(QStringLiteral("the report history cannot be written: ") + error); },
                Qt::QueuedConnection);
        if (jobs_.empty())
            idle_.notify_all();
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
