// Figures of a run, one line a second (--stats): how many state changes the workstations applied,
// the longest stall of the event loop the windows run on (a timer due every few milliseconds
// that fires late by that much), whether the first workstation's site link answers or is busy, and
// how many changed states the field has not written back yet. The run's longest stall goes into
// the summary line.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdio>

namespace sv {

class StatusViewerApp;

class RunStats final : public QObject {
public:
    /// Interval of the stall probe; a stall is how much later than this a tick comes.
    static constexpr int kProbeMs = 5;

    /// Prints to out from start() on.
    RunStats(StatusViewerApp& app, std::FILE* out);
    void start();
    void stop();
    /// The longest stall since start(), in milliseconds.
    qint64 longestStallMs() const { return longestStallMs_; }

private:
    void probe();
    void printSecond();

    StatusViewerApp& app_;
    std::FILE* out_;
    QTimer probe_;
    QTimer second_;
    QElapsedTimer clock_;
    qint64 lastProbeMs_ = 0;
    qint64 secondStallMs_ = 0;
    qint64 longestStallMs_ = 0;
    qint64 lastApplied_ = 0;
};

}  // namespace sv
