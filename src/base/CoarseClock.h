// The clocks read on every report, at the kernel's tick resolution (a few milliseconds).
//
// Every state change stamps a report that came without a time with the current second, and notes
// when the last report arrived for the status line. Neither needs more than milliseconds, and a
// precise clock read costs several times what the kernel's per-tick clocks cost (on a virtual
// machine, about 27 ns against 4), twice per report in a storm of them.
#pragma once

#include <QtGlobal>

#include <chrono>

#if defined(Q_OS_LINUX)
#include <time.h>
#endif

namespace so::coarse {

/// Whole seconds since the epoch (UTC).
inline qint64 secondsSinceEpoch() {
#if defined(Q_OS_LINUX)
    timespec now;
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return qint64(now.tv_sec);
#else
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
#endif
}

/// Milliseconds of a clock that never goes back (not related to the time of day).
inline qint64 monotonicMs() {
#if defined(Q_OS_LINUX)
    timespec now;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return qint64(now.tv_sec) * 1000 + qint64(now.tv_nsec) / 1000000;
#else
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
#endif
}

}  // namespace so::coarse
