// Whether the site database answers, as the operator sees it.
//
// Live state changes need no database, so the window keeps showing them while the database is
// gone; what needs the database fails, is logged, and the operator is told once when the link goes
// down (not once per failure). While down, a timer asks the database again every few seconds; the
// first answer brings the link back up, and a later failure tells the operator again.
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

namespace so {

struct ComponentContext;

class SiteLink : public QObject {
    Q_OBJECT
public:
    /// Seconds between the checks while the database does not answer.
    static constexpr int kCheckIntervalSeconds = 5;

    explicit SiteLink(ComponentContext& ctx, QObject* parent = nullptr);
    /// Leaves the context without a link (failures reported later open their usual box).
    ~SiteLink() override;

    bool isReachable() const { return reachable_; }
    /// Time of the last StateChange received; invalid when none has arrived.
    QDateTime lastStateChange() const;
    /// Called for every StateChange: stores a monotonic tick only, the time is built when read.
    void noteStateChange() noexcept { lastChangeTick_ = clock_.nsecsElapsed(); }
    /// A database failure was reported. While the link is up the database is asked whether it still
    /// answers: a statement that failed on a live database leaves the link up. Returns true when the
    /// link is down (the failure is then only logged; the operator has been told once).
    bool noteDatabaseFailure(const QString& what);
    /// Asks the database now; the link comes up when it answers and goes down when it does not.
    void check();
    /// Re-checks every kCheckIntervalSeconds while the link is down.
    QTimer& checkTimer() { return checkTimer_; }

signals:
    void reachableChanged(bool reachable);

private:
    /// True when the database answers; false also when no connection is set.
    bool databaseAnswers();
    void goDown(const QString& what);
    void goUp();

    ComponentContext& ctx_;
    bool reachable_ = true;
    QElapsedTimer clock_;
    QDateTime clockStartUtc_;
    qint64 lastChangeTick_ = -1;
    QTimer checkTimer_;
    bool telling_ = false;  // the link's message box is open
};

}  // namespace so
