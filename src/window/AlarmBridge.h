// Between the attention list and the site's alarm authority: what the list saw (alarms raised and
// cleared) goes to the site through the alarm writer, off the window's thread, and what the site
// answers (its raised times, acknowledgements made here or at another desk) comes back to the list
// at the window's next tick.
//
// In a storm the writer may still be busy with the last tick's steps: the steps of the ticks
// meanwhile wait here and go as one job, in their order, so the writer's queue never grows with
// the storm. Operator actions (acknowledge, shelve) wait for the site's answer, as the operator
// does.
#pragma once

#include "window/AlarmWriter.h"
#include "window/AttentionList.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace so {

struct ComponentContext;

class AlarmBridge {
public:
    explicit AlarmBridge(ComponentContext& ctx);
    ~AlarmBridge();
    AlarmBridge(const AlarmBridge&) = delete;
    AlarmBridge& operator=(const AlarmBridge&) = delete;

    /// Another authority (a host's), run on the window's thread; none: the site database's again.
    void setAuthority(std::unique_ptr<AlarmAuthority> authority);
    /// The signed-in operator's number as the authorities read it (refreshed before each operator step).
    std::shared_ptr<const std::atomic<qint32>> operatorId() const { return operatorId_; }

    /// Sends what a sync of the list saw, with a look for acknowledgements made since.
    void report(const AttentionList::SyncResult& result, qint64 nowMs);
    /// Waits until the site has answered everything sent (a load shows the site's view at once),
    /// for at most `bound`: a site locked by another connection keeps the writer waiting for up to
    /// its own busy timeout, and what it answers later is applied by a later apply().
    void wait(std::chrono::milliseconds bound);
    /// Applies what the site answered so far to the list; true when entries changed. A point shelved
    /// at any desk leaves the list for the time it has left, timed from `steadyNowMs`.
    bool apply(AttentionList& list, qint64 nowMs, qint64 steadyNowMs);

    /// Records the signed-in operator's acknowledgement; waits for the site's answer.
    std::vector<AlarmAcknowledgement> acknowledge(const std::vector<AlarmOccurrence>& alarms, const QString& comment,
                                                  qint64 nowMs);
    /// Journals a shelving by the signed-in operator (waits for the site) or its end (queued). False
    /// when the authority handed the shelving on: it comes back through apply() once recorded.
    bool shelving(const QString& address, bool shelved, int minutes, qint64 nowMs);
    /// Deletes the journal's steps older than `days` (queued).
    void purgeJournal(int days, qint64 nowMs);

    /// Failures of the site's work since the last call, each rethrowing its exception.
    std::vector<std::exception_ptr> failures();
    /// True while the site's work runs on a thread of its own.
    bool isThreaded() { return writer().isThreaded(); }

private:
    /// One sync's steps, in the order they happened.
    struct Step {
        std::vector<AlarmOccurrence> cleared;
        std::vector<AlarmOccurrence> raised;
        qint64 nowMs = 0;
    };
    /// An alarm as the desk raised it and the time the site gave it.
    struct Adopted {
        AlarmOccurrence alarm;
        qint64 deskRaisedMs = 0;
    };
    /// What the writer's jobs hand back, taken by the window's thread.
    struct Answers {
        std::mutex mutex;
        std::vector<Adopted> adopted;
        std::vector<AlarmAcknowledgement> acknowledged;
        std::vector<AlarmShelving> shelved;
        bool stepsRunning = false;  // a job of steps is queued or running
    };
    AlarmWriter& writer();
    /// Closes the writer's own connection (the site's file went away, was replaced or damaged): it
    /// would keep the old file and its log open under the site's name while the link opens the
    /// new one. The next step opens it anew.
    void dropOwnConnection();
    void sendSteps();
    /// Reads the signed-in operator for the authority (on the window's thread).
    void noteOperator();

    ComponentContext& ctx_;
    std::shared_ptr<std::atomic<qint32>> operatorId_ = std::make_shared<std::atomic<qint32>>(0);
    std::shared_ptr<Answers> answers_ = std::make_shared<Answers>();
    std::vector<Step> waiting_;
    std::unique_ptr<AlarmAuthority> fallback_;  // the site database on the window's connection
    std::unique_ptr<AlarmWriter> writer_;       // after fallback_: it goes first
    QMetaObject::Connection linkWatch_;         // the site link going down drops the writer's connection
};

}  // namespace so
