// State-change storm, headless: Status::StateChange with the simulated field's mix of device
// types on a window showing a group of every point of a demo site of 1,000 / 10,000 / 50,000 /
// 100,000 points, next to the baseline of the same storm whose rows are first found by scanning the
// Address column of each row's section (findByScan, RowScan.h), as a grid without an address
// index must. Both run the whole lookup + decode path (the baseline's StateChange still finds its
// row through the index, a few tens of nanoseconds), so their ratio is the price of the scan.
// The storm's addresses are the grid's own texts; the Decoded run sends the same storm with fresh
// copies of them, and the CommonPath run the reports that neither change a mask nor read the
// database. The Attention runs send the storm with the attention list off and on, alternately, on
// a site kept in a database file (as a site is run), so that the alarm states are written by the
// alarm writer on its own thread and connection, as in the application.
//
// Counters: p50_ns / p99_ns / max_ns per call (each call timed on its own after the timed loop),
// clock_ns (the clock's own cost, included), rows (rows shown), host_calls (calls the component
// made to the host during the storm; texts and the date format are fetched once, so 0 is
// expected), log_bytes (what the component wrote to its error log; 0 expected).
//   bench_statechange --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include "BenchSite.h"
#include "LatencySample.h"
#include "RowScan.h"
#include "StormReports.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <chrono>
#include <map>
#include <string>

namespace {

using namespace so;
using namespace so::bench;

constexpr int kStormLength = 1 << 18;

struct StormSite {
    explicit StormSite(int points, const QString& url = QStringLiteral("sqlite::memory:")) : site(points, url) {
        site.show();
        site.showEntireSite();
        reports = StormBuilder(site.window(), *site.db).build(kStormLength);
        common = StormBuilder::commonPath(reports);
        decoded = withDecodedAddresses(reports, decodedAddresses);
    }
    // Before the site: the component may keep copies of the addresses it was sent.
    TextArena decodedAddresses;
    BenchSite site;
    QVector<StormReport> reports;
    QVector<StormReport> common;
    QVector<StormReport> decoded;
};

StormSite& stormSite(int points) { return keptSite<StormSite>(points); }

/// The folder of a site's database file; made before the site, removed after it.
struct SiteFolder {
    QTemporaryDir folder;
};

/// The storm on a site in a database file of its own.
struct FileStormSite : SiteFolder, StormSite {
    explicit FileStormSite(int points) : StormSite(points, QStringLiteral("sqlite:") + folder.filePath("site.db")) {}
};

void send(Status& status, const StormReport& r) {
    status.StateChange(r.deviceType, r.address, r.state, QString(), r.value);
}

/// The baseline's lookup: the rows the report reaches, found by scanning their Address cells.
int scanRows(BenchSite& site, const StormReport& r) {
    int found = 0;
    if (r.section >= 0)
        found += findByScan(site.grid(r.section), col::Address, r.address);
    if (!r.doorAddress.isEmpty())
        found += findByScan(site.grid(0), col::Address, r.doorAddress);
    return found;
}

void report(benchmark::State& state, BenchSite& site, const Latency& latency, qint64 hostCalls) {
    state.SetItemsProcessed(state.iterations());
    state.counters["rows"] = site.shownRows();
    state.counters["p50_ns"] = latency.p50Ns;
    state.counters["p99_ns"] = latency.p99Ns;
    state.counters["max_ns"] = latency.maxNs;
    state.counters["clock_ns"] = latency.clockNs;
    state.counters["host_calls"] = double(hostCalls);
    state.counters["log_bytes"] = double(site.errorLogBytes());
}

void runIndexed(benchmark::State& state, StormSite& s, const QVector<StormReport>& reports) {
    Status& status = *s.site.status;
    const int n = int(reports.size());
    const qsizetype callsBefore = s.site.host.calls.size();
    int i = 0;
    for (auto _ : state)
        send(status, reports[i++ % n]);
    const qint64 hostCalls = s.site.host.calls.size() - callsBefore;
    const Latency latency = sampleLatency(200000, [&](int k) { send(status, reports[(i + k) % n]); });
    report(state, s.site, latency, hostCalls);
}

void BM_StateChange_Indexed(benchmark::State& state) {
    StormSite& s = stormSite(int(state.range(0)));
    runIndexed(state, s, s.reports);
}

/// The same storm without the reports that change masks or read the database (about 7 in 100):
/// the cost of the path nearly every report takes.
void BM_StateChange_CommonPath(benchmark::State& state) {
    StormSite& s = stormSite(int(state.range(0)));
    runIndexed(state, s, s.common);
    state.counters["share"] = double(s.common.size()) / double(s.reports.size());
}

/// The same storm with each address the host's own fresh copy, in report order, as a host that
/// decodes the field's messages hands them over; the storm above hashes the grid's own texts,
/// wherever the grid keeps them (a host that keeps its points' addresses behaves like that).
void BM_StateChange_Decoded(benchmark::State& state) {
    StormSite& s = stormSite(int(state.range(0)));
    runIndexed(state, s, s.decoded);
}

/// The storm with the attention list on (1) and off (0): the list's share of a report's cost.
/// The list queues each row whose conditions changed; the window syncs it on a 200 ms timer, here
/// after every 400 reports (2,000 changes/s), inside the timed calls either way.
void BM_StateChange_Attention(benchmark::State& state) {
    StormSite& s = keptSite<FileStormSite>(int(state.range(0)));
    StatusWindow& window = s.site.window();
    window.setAttentionEnabled(state.range(1) != 0);
    Status& status = *s.site.status;
    const int n = int(s.reports.size());
    constexpr int kReportsPerSync = 400;
    int i = 0;
    const auto sendAndSync = [&](int k) {
        send(status, s.reports[k % n]);
        if (k % kReportsPerSync == 0)
            window.attentionTick();
    };
    for (auto _ : state)
        sendAndSync(i++);
    const Latency latency = sampleLatency(200000, [&](int k) { sendAndSync(i + k); });
    report(state, s.site, latency, 0);
    state.counters["attention_entries"] = double(window.attention().size());
    state.counters["alarm_writer_thread"] = window.alarmBridge().isThreaded() ? 1 : 0;
    window.setAttentionEnabled(true);
}

void BM_StateChange_RowScan(benchmark::State& state) {
    StormSite& s = stormSite(int(state.range(0)));
    Status& status = *s.site.status;
    const int n = int(s.reports.size());
    const qsizetype callsBefore = s.site.host.calls.size();
    int i = 0;
    for (auto _ : state) {
        const StormReport& r = s.reports[i++ % n];
        benchmark::DoNotOptimize(scanRows(s.site, r));
        send(status, r);
    }
    const qint64 hostCalls = s.site.host.calls.size() - callsBefore;
    // Fewer samples for the slow baseline: about two seconds at 50,000 rows.
    const int samples = std::max(400, 20000000 / int(state.range(0)));
    const Latency latency = sampleLatency(samples, [&](int k) {
        const StormReport& r = s.reports[(i + k) % n];
        benchmark::DoNotOptimize(scanRows(s.site, r));
        send(status, r);
    });
    report(state, s.site, latency, hostCalls);
}

/// The row lookup alone, both ways, for the same reports: the index (StatusGrid::findRow) and the
/// scan of the Address column (findByScan), the door's row included where the report reaches one.
void BM_RowLookup_Index(benchmark::State& state) {
    StormSite& s = stormSite(int(state.range(0)));
    const int n = int(s.reports.size());
    int i = 0;
    for (auto _ : state) {
        const StormReport& r = s.reports[i++ % n];
        int found = r.section >= 0 ? s.site.grid(r.section).findRow(r.address) : 0;
        if (!r.doorAddress.isEmpty())
            found += s.site.grid(0).findRow(r.doorAddress);
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_RowLookup_Scan(benchmark::State& state) {
    StormSite& s = stormSite(int(state.range(0)));
    const int n = int(s.reports.size());
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(scanRows(s.site, s.reports[i++ % n]));
    state.SetItemsProcessed(state.iterations());
}

/// The category of a report for the cost breakdown.
std::string categoryOf(const StormReport& r) {
    if (r.state == 67 || r.state == 68 || (r.deviceType == QLatin1String("ZR2_INPUT") && r.state == 0))
        return "mask";
    if (r.deviceType.endsWith(QLatin1String("THREAT_LEVEL")))
        return "threat";
    if (r.deviceType == QLatin1String("ZR2_MODULE"))
        return r.state <= 1 ? "module_row" : "module_tamper";
    return r.deviceType.toLower().toStdString();
}

/// Mean cost per report category (one pass over the storm, each call timed): where the mean of
/// the whole mix goes. Counters: <category>_ns (mean) and <category>_share (of the reports).
void BM_StateChange_ByKind(benchmark::State& state) {
    StormSite& s = stormSite(int(state.range(0)));
    Status& status = *s.site.status;
    std::map<std::string, std::pair<double, int>> costs;
    for (auto _ : state) {
        for (const StormReport& r : s.reports) {
            const auto t0 = std::chrono::steady_clock::now();
            send(status, r);
            const auto t1 = std::chrono::steady_clock::now();
            auto& [total, count] = costs[categoryOf(r)];
            total += std::chrono::duration<double, std::nano>(t1 - t0).count();
            ++count;
        }
    }
    state.SetItemsProcessed(state.iterations() * s.reports.size());
    for (const auto& [category, cost] : costs) {
        state.counters[category + "_ns"] = cost.first / cost.second;
        state.counters[category + "_share"] = double(cost.second) / double(state.iterations() * s.reports.size());
    }
}

BENCHMARK(BM_StateChange_Indexed)->Arg(1000)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_StateChange_Attention)
    ->Args({50000, 0})
    ->Args({50000, 1})
    ->Args({50000, 0})
    ->Args({50000, 1})
    ->Unit(benchmark::kNanosecond);
BENCHMARK(BM_StateChange_RowScan)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_StateChange_Decoded)->Arg(1000)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_StateChange_CommonPath)->Arg(1000)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_RowLookup_Index)->Arg(1000)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_RowLookup_Scan)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_StateChange_ByKind)->Arg(10000)->Arg(50000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    // The sites go while the application object is there (see runHeadlessBenchmarks).
    keptSites<StormSite>().clear();
    keptSites<FileStormSite>().clear();
    benchmark::Shutdown();
    return 0;
}
