// Filling a status group and the full refresh, headless, on demo sites of 1,000 / 10,000 / 50,000
// points with the "Entire Site" group (a row for every point):
//  - BM_SelectGroup: cmbStatusGroup_Click until the grids hold every row: the fill from the
//    kinds' procedures plus the stored states it replays at once (what the operator waits for);
//  - BM_FillPoints: FillPoints alone (rows with their configuration, no stored states);
//  - BM_RefreshAllRows: the full refresh (context menu entry 6, F5, the quiet-period timer) of
//    the filled window;
//  - BM_AuditRows: one desk's check of 1,000 shown rows against the site (Status::auditRows, what
//    a desk runs per digest it is level with), going round the filled window.
// Before each timed selection the window shows the small default group, so every fill starts
// from nearly empty grids. Counter rows: rows the grids hold afterwards.
//   bench_fill --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include "BenchSite.h"

#include <benchmark/benchmark.h>

namespace {

using namespace so;
using namespace so::bench;

/// A site whose window is loaded (showing the small default group).
struct LoadedSite : BenchSite {
    explicit LoadedSite(int points) : BenchSite(points) { show(); }
};

BenchSite& site(int points) { return keptSite<LoadedSite>(points); }

void BM_SelectGroup(benchmark::State& state) {
    BenchSite& s = site(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        s.showGroup(s.site.smallGroupId);
        state.ResumeTiming();
        s.showEntireSite();
    }
    state.counters["rows"] = s.shownRows();
    state.counters["log_bytes"] = double(s.errorLogBytes());
}

void BM_FillPoints(benchmark::State& state) {
    BenchSite& s = site(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        s.showGroup(s.site.smallGroupId);
        state.ResumeTiming();
        s.window().FillPoints(s.site.siteGroupId);
    }
    state.counters["rows"] = s.shownRows();
    state.counters["log_bytes"] = double(s.errorLogBytes());
}

void BM_RefreshAllRows(benchmark::State& state) {
    BenchSite& s = site(int(state.range(0)));
    s.showEntireSite();
    for (auto _ : state)
        s.window().RefreshAllRows();
    state.counters["rows"] = s.shownRows();
    state.counters["log_bytes"] = double(s.errorLogBytes());
}

void BM_AuditRows(benchmark::State& state) {
    BenchSite& s = site(int(state.range(0)));
    s.showEntireSite();
    int redrawn = 0;
    for (auto _ : state)
        redrawn += s.status->auditRows(1000);
    state.counters["rows"] = s.shownRows();
    state.counters["redrawn"] = redrawn;
    state.counters["log_bytes"] = double(s.errorLogBytes());
}

BENCHMARK(BM_SelectGroup)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillPoints)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RefreshAllRows)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AuditRows)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return runHeadlessBenchmarks<LoadedSite>(argc, argv); }
