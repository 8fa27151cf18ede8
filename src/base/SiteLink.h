// Whether the site database answers, as the operator sees it.
//
// Live state changes need no database, so the window keeps showing them while the database is
// gone; what needs the database fails, and the operator is told once when the link goes down (a
// box, a log line, the status bar); the failures while it is down are counted, not logged one by
// one, and their number is logged once it is back. While up, a timer checks every second that the database still
// answers and that its file is still the one at its path (a file deleted or replaced under an open
// connection would take every later write with it). While down, the connection is opened again
// with a growing wait between attempts; the first answer brings the link back up (the window then
// reloads its group once), and a later failure tells the operator again.
//
// A database file found damaged (a statement says it is no database or is malformed, or the file is
// shorter than its own header says) takes the link down as "damaged" at once: the operator is told
// once what to do, the connection is closed without writing anything more into the file, and the
// reopen attempts (same waits) trust the file again only when SQLite's quick check finds it whole.
//
// Another connection holding the write lock leaves the link up but marks it busy (the status bar
// says so, the log has one entry) until a write can start again: found by the check, which asks for
// the lock without waiting, or by a statement that gave up on it.
#pragma once

#include "base/CoarseClock.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

namespace so {

struct ComponentContext;

class SiteLink : public QObject {
    Q_OBJECT
public:
    /// Seconds between the checks while the database answers.
    static constexpr int kWatchIntervalSeconds = 1;
    /// Seconds before the first reconnect attempt; the wait doubles up to kCheckIntervalSeconds.
    static constexpr int kFirstRetrySeconds = 1;
    static constexpr int kCheckIntervalSeconds = 5;

    explicit SiteLink(ComponentContext& ctx, QObject* parent = nullptr);
    /// Leaves the context without a link (failures reported later open their usual box).
    ~SiteLink() override;

    bool isReachable() const { return reachable_; }
    /// Down because the database file is damaged (isReachable() is false too).
    bool isDamaged() const { return damaged_; }
    /// Another connection holds the write lock (seen by the last check or a failed statement).
    bool isBusy() const { return busy_; }
    /// The site file's disk has no room left (less than kFullBelowBytes free, seen by the check
    /// every second): any write that needs a new page fails until there is room again (more than
    /// kRoomAboveBytes free). Told once: a log line, one box, the status bar.
    bool isFull() const { return full_; }
    static constexpr qint64 kFullBelowBytes = 512 * 1024;
    static constexpr qint64 kRoomAboveBytes = 2 * 1024 * 1024;
    /// The site file's write-ahead log (-wal) holds more than walBound() bytes: a connection that
    /// keeps a read open holds back every checkpoint, and the log grows as long as it does. Told
    /// once (a log line, the status bar); cleared once the log is back under half the bound.
    bool isLogOverBound() const { return walOver_; }
    static constexpr qint64 kWalBoundBytes = 64 * 1024 * 1024;
    qint64 walBound() const { return walBound_; }
    void setWalBound(qint64 bytes) { walBound_ = bytes; }
    /// Why the component's log cannot be written; empty while it is (ErrorLog::problem()).
    QString logProblem() const;
    /// Time of the last StateChange received; invalid when none has arrived.
    QDateTime lastStateChange() const;
    /// Called for every StateChange: stores a coarse monotonic tick only, the time is built when
    /// read.
    void noteStateChange() noexcept { lastChangeMs_ = coarse::monotonicMs(); }
    /// What a reported database failure says about the site.
    enum class Failure { Other, Busy, Damaged };
    /// A database failure was reported (Busy: it gave up on another connection's lock; Damaged:
    /// the file is no database or is malformed, which takes the link down at once). Otherwise,
    /// while the link is up the database is asked whether it still answers: a statement that
    /// failed on a live database leaves the link up. Returns true when the link is down (the
    /// failure is then only logged; the operator has been told once).
    bool noteDatabaseFailure(const QString& what, Failure kind = Failure::Other);
    /// A database failure while the link is down: counted, not logged one by one (the operator
    /// has been told of the loss); the count is logged once the link is up again.
    void noteFailureWhileDown() { ++failuresWhileDown_; }
    int failuresWhileDown() const { return failuresWhileDown_; }
    /// Asks the database now (opening the connection again first while the link is down); the link
    /// comes up when it answers and goes down when it does not.
    void check();
    /// Drives the checks: every kWatchIntervalSeconds while up, with the growing wait while down.
    QTimer& checkTimer() { return checkTimer_; }

signals:
    void reachableChanged(bool reachable);
    void busyChanged(bool busy);
    void damagedChanged(bool damaged);
    void logProblemChanged();
    void fullChanged(bool full);
    void logOverBoundChanged(bool over);

private:
    /// True when the database answers; false also when no connection is set.
    bool databaseAnswers();
    /// Why the database does not answer, for the log.
    QString lossReason(const QString& what);
    void tick();
    /// Opens the connection again; the reason when the file is damaged, empty otherwise.
    QString reconnect();
    void goDown(const QString& what, bool damaged);
    /// The one message box of a loss.
    void tell(const QString& text);
    void goUp();
    void setBusy(bool busy);
    /// The site's SQLite file; empty for other databases.
    QString siteFile() const;
    /// Looks at the room left beside a site file and at the size of its write-ahead log.
    void checkStorage();

    ComponentContext& ctx_;
    bool reachable_ = true;
    bool damaged_ = false;
    bool busy_ = false;
    bool full_ = false;
    bool walOver_ = false;
    qint64 walBound_ = kWalBoundBytes;
    int retrySeconds_ = kFirstRetrySeconds;
    int failuresWhileDown_ = 0;
    QDateTime clockStartUtc_;
    qint64 clockStartMs_ = 0;  // the monotonic tick at clockStartUtc_
    qint64 lastChangeMs_ = -1;
    QTimer checkTimer_;
    bool telling_ = false;  // the link's message box is open
};

}  // namespace so
