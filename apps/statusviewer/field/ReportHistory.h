// The field's report history: every report the field sends and every row state it writes back,
// each with the field's wall-clock time, kept in segment files in a folder beside the site
// database for a set number of days, so a desk can be shown the board as it was at any moment.
//
// Layout: one segment file per hour (HistoryFormat.h), each beginning with a snapshot of every
// point's state, then blocks of compact delta records (a change: the point's index and its whole
// new state; a report: its address's index, state and value), with a further snapshot every
// quarter of an hour so a rebuild replays at most that much. A moment is rebuilt from the
// newest snapshot at or before it and the changes after it (HistoryReader).
//
// Cost on the field's thread: a few bytes per change and report copied into one buffer
// (HistoryEvents: no allocation, nothing shared with the field's own state), handed to a writer
// thread of its own once a second on a steady clock (or every kEventsPerHandOver events), which keeps the
// dictionaries and states, encodes, compresses, appends each block with one write and prunes: segments that ended more
// than keepDays ago go, and the oldest go while the folder holds more than maxBytes. A failing disk is told once and
// costs the blocks it could not take; the field goes on.
#pragma once

#include "field/HistoryEncoder.h"
#include "field/HistoryReader.h"
#include "field/HistoryTypes.h"
#include "field/SuperStatusBook.h"

#include <QFile>
#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace sv {

class AppLog;
class ReportHistory;

struct HistoryOptions {
    /// Where the segment files live (created when missing).
    QString folder;
    int keepDays = 30;
    /// The disk the history may take; the oldest segments go beyond it.
    qint64 maxBytes = qint64(20) << 30;
    history::HistoryEncoder::Limits limits;
    /// How long the field's events wait before they go to the writer (on the steady clock).
    qint64 blockMs = 1000;
    /// The field's wall clock in ms since the epoch: the times recorded (the tests drive it).
    std::function<qint64()> clock;
    /// A steady clock in ms that paces the hand-overs, so a wall clock set forward or back
    /// neither hurries nor holds them (the tests drive it).
    std::function<qint64()> steadyClock;
};

/// The folder of the history beside a site database ("<file>.history"); empty for a site that
/// is not a file of its own (an in-memory site).
QString historyFolderFor(const QString& siteUrl);
/// The history of keepDays beside the site of siteUrl; null when keepDays is 0 or the site is not
/// a file of its own.
std::unique_ptr<ReportHistory> openReportHistory(const QString& siteUrl, int keepDays, AppLog* log);

class ReportHistory final : public QObject, public StatusBookObserver {
public:
    ReportHistory(HistoryOptions options, AppLog* log);
    /// Hands the events queued to the writer and waits for it.
    ~ReportHistory() override;
    ReportHistory(const ReportHistory&) = delete;
    ReportHistory& operator=(const ReportHistory&) = delete;

    // ---- recording (the field's thread)
    /// Starts a run: what the field loaded follows as the seed (the changes until endSeed() are
    /// states, not records), then endSeed() opens a segment with their snapshot.
    void beginSeed();
    void endSeed();
    void entryChanged(qint32 id, int statusType, int index, const so::db::StatusEntry& entry) override;
    void valuesChanged(qint32 id, int statusType, const QVector<int>& values) override;
    void deviceChanged(DeviceColumn column, qint32 id, qint64 value);
    void reported(const QString& deviceType, const QString& address, int state, const QString& value);
    /// Events handed to the writer at once at most.
    static constexpr int kEventsPerHandOver = 8192;
    /// Hands the events to the writer once the oldest is blockMs old on the steady clock (the
    /// field's flush timer calls it).
    void tick();
    /// Events recorded on the field's thread and not yet handed to the writer.
    int queuedEvents() const { return events_.count(); }
    /// Hands the events to the writer and waits until everything is written; false after timeoutMs.
    bool sync(int timeoutMs = 5000);

    // ---- reading (the field's thread; what is recorded so far is written first)
    history::PastBoard boardAt(qint64 moment);
    QVector<history::PastReport> reports(qint64 from, qint64 to, int limit = 10000);
    history::HistorySpan span();

    const HistoryOptions& options() const { return options_; }
    /// Blocks the writer could not append since the start.
    qint64 lostBlocks() const;

private:
    qint64 now() const { return options_.clock(); }
    void change(const history::PointKey& key, const QVector<int>& codes, const QString& text, qint64 number);
    /// Notes when the oldest event queued was recorded, on the steady clock.
    void noteFirst();
    void handOverWhenFull();
    /// Hands the events queued to the writer.
    void handOver();
    void run();
    void write(const QVector<history::HistoryJob>& jobs, QFile& file);
    void prune(qint64 now);
    void tell(const QString& message);

    HistoryOptions options_;
    AppLog* log_;
    history::HistoryReader reader_;

    // The field's thread: what it did since the last hand-over.
    history::HistoryEvents events_;
    qint64 firstEventSteadyMs_ = 0;
    bool seeding_ = false;
    bool running_ = false;

    // Shared with the writer thread, which alone encodes (encoder_) and writes.
    history::HistoryEncoder encoder_;
    history::BlockFramer framer_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<QByteArray> batches_;
    bool writing_ = false;
    bool stopping_ = false;
    bool failing_ = false;
    qint64 lostBlocks_ = 0;
    std::thread thread_;
};

}  // namespace sv
