// Steps the time of day of the test's own process, for the tests that hold a clock step must change
// nothing but the times shown. ctest runs them (the clock_steps_* entries) under libfaketime with a
// timestamp file the step rewrites, re-read on every clock read, and the steady clocks left alone;
// run any other way, they skip.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

namespace so::test {

class ClockStep {
public:
    /// True when the process runs under faketime with a timestamp file.
    static bool available() {
        return qEnvironmentVariable("LD_PRELOAD").contains(QLatin1String("faketime")) &&
               !qEnvironmentVariable("FAKETIME_TIMESTAMP_FILE").isEmpty();
    }

    ClockStep() { set("+0"); }
    ~ClockStep() { set("+0"); }
    ClockStep(const ClockStep&) = delete;
    ClockStep& operator=(const ClockStep&) = delete;

    /// The time of day from now on: the real one shifted by `offset` ("+1h", "-1h", "+0").
    /// Checks that the step took: the time of day moved by about `expectedMs`.
    void step(const char* offset, qint64 expectedMs) {
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        set(offset);
        const qint64 moved = QDateTime::currentMSecsSinceEpoch() - before;
        EXPECT_NEAR(double(moved), double(expectedMs), 60000.0) << "the clock did not step: " << offset;
    }

private:
    static void set(const char* offset) {
        QFile file(qEnvironmentVariable("FAKETIME_TIMESTAMP_FILE"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(QByteArray(offset) + '\n');
    }
};

}  // namespace so::test

/// Skips the test unless it runs under faketime (ctest -R clock_steps).
#define SKIP_UNLESS_CLOCK_STEPS()            \
    if (!::so::test::ClockStep::available()) \
    GTEST_SKIP() << "steps the clock: runs under faketime (ctest -R clock_steps)"
