#include "demo/RunStats.h"

#include "demo/App.h"

#include <statusobject/Status.h>

namespace sv {

RunStats::RunStats(StatusViewerApp& app, std::FILE* out) : app_(app), out_(out) {
    probe_.setTimerType(Qt::PreciseTimer);
    probe_.setInterval(kProbeMs);
    connect(&probe_, &QTimer::timeout, this, &RunStats::probe);
    second_.setTimerType(Qt::PreciseTimer);
    second_.setInterval(1000);
    connect(&second_, &QTimer::timeout, this, &RunStats::printSecond);
}

void RunStats::start() {
    clock_.start();
    lastProbeMs_ = 0;
    lastApplied_ = app_.field().deliveries();
    probe_.start();
    second_.start();
}

void RunStats::stop() {
    probe_.stop();
    second_.stop();
}

void RunStats::probe() {
    const qint64 now = clock_.elapsed();
    const qint64 stall = qMax<qint64>(0, now - lastProbeMs_ - kProbeMs);
    lastProbeMs_ = now;
    secondStallMs_ = qMax(secondStallMs_, stall);
    longestStallMs_ = qMax(longestStallMs_, stall);
}

void RunStats::printSecond() {
    probe();  // a stall that ends with this tick counts too
    const qint64 applied = app_.field().deliveries();
    const char* link = "none";
    if (app_.workstationCount() > 0) {
        switch (app_.workstation(0).status().siteState()) {
        case so::Status::SiteState::Reachable: link = "up"; break;
        case so::Status::SiteState::Busy: link = "busy"; break;
        case so::Status::SiteState::Unreachable: link = "down"; break;
        case so::Status::SiteState::Damaged: link = "damaged"; break;
        }
    }
    std::fprintf(out_, "stats: t=%.1f applied=%lld stall_ms=%lld link=%s unwritten=%d failed_writes=%lld\n",
                 double(clock_.elapsed()) / 1000.0, static_cast<long long>(applied - lastApplied_),
                 static_cast<long long>(secondStallMs_), link, app_.field().unwrittenRows(),
                 static_cast<long long>(app_.field().failedWrites()));
    std::fflush(out_);
    lastApplied_ = applied;
    secondStallMs_ = 0;
}

}  // namespace sv
