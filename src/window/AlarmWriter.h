// Where the alarm authority's work runs: the alarm states and the journal are written to the site
// database, which in a storm is milliseconds of work every few hundred reports; the window's thread
// must not wait for it.
//
// Threaded, the writer has a thread of its own and an authority made on it (with a connection of
// its own to the site database): work is queued and runs in the order it was queued, while the
// window goes on. Inline, the work runs on the caller's thread as it is queued: for an authority
// that cannot run elsewhere (a private in-memory database can be opened only once, a host's own
// authority) the behaviour is the old one, in the same order.
//
// Nothing queued is lost: the writer runs every job still waiting before it stops. A job's failure
// is kept (failures()) for the window to report under its error trap; the writer goes on with the
// next job.
#pragma once

#include "window/AlarmAuthority.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace so {

class AlarmWriter {
public:
    using Job = std::function<void(AlarmAuthority&)>;
    using Factory = std::function<std::unique_ptr<AlarmAuthority>()>;

    /// A writer with a thread of its own; `make` runs on that thread (the authority it makes is
    /// used and destroyed there). A failure of `make` is kept, and the jobs then run inline on
    /// `fallback`, which must outlive the writer.
    AlarmWriter(Factory make, AlarmAuthority& fallback);
    /// A writer running every job on the caller's thread, on `authority`.
    explicit AlarmWriter(std::unique_ptr<AlarmAuthority> authority);
    /// Runs every job still queued, then stops.
    ~AlarmWriter();
    AlarmWriter(const AlarmWriter&) = delete;
    AlarmWriter& operator=(const AlarmWriter&) = delete;

    /// Queues a job; returns at once (inline: once it ran).
    void post(Job job);
    /// Runs a job after every job queued before it and waits for it.
    void call(const Job& job);
    /// Waits until every job queued so far has run.
    void wait();
    /// As wait(), for at most `bound`; false when jobs were still queued or running then.
    bool waitFor(std::chrono::milliseconds bound);
    /// True while the jobs run on a thread of the writer's own.
    bool isThreaded() const;
    /// The failures of jobs since the last call (each rethrows the job's exception).
    std::vector<std::exception_ptr> failures();

private:
    void run();
    void runOne(const Job& job, AlarmAuthority& authority);

    std::unique_ptr<AlarmAuthority> inline_;  // inline: the authority the jobs run on
    AlarmAuthority* fallback_ = nullptr;      // threaded, when the thread's authority could not be made
    Factory make_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;  // a job queued, or stop
    std::condition_variable idle_;  // the queue ran empty
    std::deque<Job> queue_;
    bool running_ = false;  // a job is running on the thread
    bool stop_ = false;
    bool started_ = false;  // the thread made its authority (or failed to)
    bool threadUsable_ = false;
    std::vector<std::exception_ptr> failures_;
    std::thread thread_;
};

}  // namespace so
