// Runs a test's event loop for a while: the timers, queued calls and other threads' answers of the
// code under test happen, and whatever the test hands in between turns (a bus's deliveries, say).
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

namespace so::test {

/// Turns the event loop until done() holds or `ms` passed (a bound only a hung run reaches on a
/// loaded machine), calling between() before each turn; done() at the end.
template <typename Done, typename Between>
bool runEventsUntil(int ms, Done done, Between between, int turnMs = 20) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        between();
        QCoreApplication::processEvents(QEventLoop::AllEvents, turnMs);
    }
    return done();
}

/// The same with nothing between the turns.
template <typename Done>
bool runEventsUntil(int ms, Done done) {
    return runEventsUntil(ms, done, [] {});
}

}  // namespace so::test
