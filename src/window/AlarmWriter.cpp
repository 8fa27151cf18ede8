#include "window/AlarmWriter.h"

#include <utility>

namespace so {

AlarmWriter::AlarmWriter(Factory make, AlarmAuthority& fallback) : fallback_(&fallback), make_(std::move(make)) {
    thread_ = std::thread([this] { run(); });
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return started_; });
}

AlarmWriter::AlarmWriter(std::unique_ptr<AlarmAuthority> authority) : inline_(std::move(authority)) {}

AlarmWriter::~AlarmWriter() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

bool AlarmWriter::isThreaded() const {
    std::lock_guard lock(mutex_);
    return thread_.joinable() && threadUsable_;
}

void AlarmWriter::runOne(const Job& job, AlarmAuthority& authority) {
    try {
        job(authority);
    } catch (...) {
        std::lock_guard lock(mutex_);
        failures_.push_back(std::current_exception());
    }
}

void AlarmWriter::run() {
    std::unique_ptr<AlarmAuthority> authority;
    try {
        authority = make_();
    } catch (...) {
        std::lock_guard lock(mutex_);
        failures_.push_back(std::current_exception());
    }
    {
        std::lock_guard lock(mutex_);
        threadUsable_ = authority != nullptr;
        started_ = true;
    }
    idle_.notify_all();
    if (!authority)
        return;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty())
            break;  // stopped, and every job has run
        Job job = std::move(queue_.front());
        queue_.pop_front();
        running_ = true;
        lock.unlock();
        runOne(job, *authority);
        lock.lock();
        running_ = false;
        if (queue_.empty())
            idle_.notify_all();
    }
    lock.unlock();
    authority.reset();  // its connection closes on the thread that opened it
}

void AlarmWriter::post(Job job) {
    if (!isThreaded()) {
        runOne(job, inline_ ? *inline_ : *fallback_);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void AlarmWriter::wait() {
    if (!isThreaded())
        return;
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !running_; });
}

bool AlarmWriter::waitFor(std::chrono::milliseconds bound) {
    if (!isThreaded())
        return true;
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, bound, [this] { return queue_.empty() && !running_; });
}

void AlarmWriter::call(const Job& job) {
    if (!isThreaded()) {
        // The caller wants the job's own failure, as a direct call would give it.
        job(inline_ ? *inline_ : *fallback_);
        return;
    }
    std::exception_ptr failure;
    bool done = false;
    post([&](AlarmAuthority& authority) {
        try {
            job(authority);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            done = true;
        }
        idle_.notify_all();
    });
    {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [&] { return done; });
    }
    if (failure)
        std::rethrow_exception(failure);
}

std::vector<std::exception_ptr> AlarmWriter::failures() {
    std::lock_guard lock(mutex_);
    return std::exchange(failures_, {});
}

}  // namespace so
