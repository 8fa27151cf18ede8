// A sorted view of a 50,000-row section read again at every push (a tab's sections are read ten
// times a second): each read sorting every row afresh (what a read cost when nothing was kept),
// beside the order kept between reads with nothing changed, and with 200 rows' sorted text
// changed between reads (a push in a storm of 2,000 changes a second). Run:
//   bench_sortedrows --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "grid/SortedRows.h"

#include <benchmark/benchmark.h>

#include <QStringList>

#include <random>

namespace {

using so::SortedRows;

constexpr int kRows = 50000;

/// A section's texts in the sorted column: door names, or states that change under traffic.
struct Section {
    explicit Section(bool states) {
        const QStringList words{"Closed", "Open", "Held Open", "Forced Open", "Locked", "Unlocked"};
        for (int i = 0; i < kRows; ++i)
            texts << (states ? words[i % words.size()]
                             : QStringLiteral("Door %1 Level %2").arg(i * 7919 % kRows).arg(i % 12));
    }
    SortedRows::Key operator()(int row) const { return {texts[row - 1], true}; }

    QStringList texts;
};

void BM_SortedRead_SortedAfresh(benchmark::State& state) {
    const Section section(state.range(0) != 0);
    for (auto _ : state) {
        SortedRows sorted(false);
        benchmark::DoNotOptimize(sorted.refresh(kRows, section).data());
    }
}

void BM_SortedRead_KeptNothingChanged(benchmark::State& state) {
    const Section section(state.range(0) != 0);
    SortedRows sorted(false);
    sorted.refresh(kRows, section);
    for (auto _ : state)
        benchmark::DoNotOptimize(sorted.refresh(kRows, section).data());
}

void BM_SortedRead_Kept200Changed(benchmark::State& state) {
    Section section(state.range(0) != 0);
    SortedRows sorted(false);
    sorted.refresh(kRows, section);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> row(0, kRows - 1);
    const QStringList states{"Closed", "Open", "Held Open", "Forced Open"};
    int turn = 0;
    for (auto _ : state) {
        for (int i = 0; i < 200; ++i)
            section.texts[row(random)] = states[turn++ % states.size()];
        benchmark::DoNotOptimize(sorted.refresh(kRows, section).data());
    }
}

}  // namespace

// Argument: 0 sorted by names (each distinct), 1 by states (six texts, many equal).
BENCHMARK(BM_SortedRead_SortedAfresh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortedRead_KeptNothingChanged)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortedRead_Kept200Changed)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
