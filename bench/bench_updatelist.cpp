// One door state change (UpdateList, kind "DR") on a door grid of 1,000 / 10,000 / 50,000 rows:
// the row found through the grid's address index, next to the same update whose row is first
// found by scanning the Address column (the baseline). Run:
//   bench_updatelist --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "RowScan.h"
#include "support/FakeHost.h"

#include "base/ComponentContext.h"
#include "status/MaskedPoints.h"
#include "status/StatusDecoder.h"
#include "grid/ColumnLayout.h"
#include "grid/Sections.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <random>

namespace {

using namespace so;

/// A component on the fake host with `rows` filled door rows and a shuffled list of their addresses.
struct DoorSite {
    explicit DoorSite(int rows) {
        ctx.parent = &host;
        ctx.ntConnection = &host;
        ctx.timeFormat = true;
        ctx.errorLog.setFolder(logDir.path());
        QString layouts[kSectionCount];
        for (QString& text : layouts)
            text = kUseObjectDefault;
        sections.InitColumnHeaders(layouts);
        StatusGrid& doors = sections.grid(0);
        for (int i = 0; i < rows; ++i) {
            const QString address = QStringLiteral("\\\\SNET.P%1.C%2.DR%3")
                                        .arg(i / 4096, 3, 10, QLatin1Char('0'))
                                        .arg(i / 8 % 512, 4, 10, QLatin1Char('0'))
                                        .arg(i % 8 + 1, 2, 10, QLatin1Char('0'));
            const int row = doors.addRow();
            doors.setText(row, col::Name, QStringLiteral("Door %1").arg(i));
            doors.setText(row, col::Address, address);
            doors.setText(row, col::LMType, QStringLiteral("3"));
            doors.setText(row, col::Masked, QStringLiteral("R1435"));
            doors.setText(row, col::RelayStatus, QStringLiteral("R1441"));
            addresses.append(address);
        }
        std::mt19937 random(42);
        std::shuffle(addresses.begin(), addresses.end(), random);
    }

    QTemporaryDir logDir;
    test::FakeHost host;
    ComponentContext ctx;
    Sections sections{ctx};
    MaskedPoints masked{ctx, sections.masked()};
    StatusDecoder decoder{ctx, sections, masked};
    QVector<QString> addresses;
};

const QString kDoor = QStringLiteral("DR");
const QString kTime = QStringLiteral("2024-03-05 17:04:09");

void BM_UpdateList_Indexed(benchmark::State& state) {
    DoorSite site(int(state.range(0)));
    const int n = int(site.addresses.size());
    int i = 0;
    for (auto _ : state) {
        // States 1 and 0 alternate per door, so every call really rewrites the line cells.
        site.decoder.UpdateList(Section::Doors, site.addresses[i % n], quint8((i / n) & 1 ? 0 : 1), kDoor, kTime,
                                QString());
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_UpdateList_RowScan(benchmark::State& state) {
    DoorSite site(int(state.range(0)));
    const StatusGrid& doors = site.sections.grid(0);
    const int n = int(site.addresses.size());
    int i = 0;
    for (auto _ : state) {
        const QString& address = site.addresses[i % n];
        benchmark::DoNotOptimize(bench::findByScan(doors, col::Address, address));
        site.decoder.UpdateList(Section::Doors, address, quint8((i / n) & 1 ? 0 : 1), kDoor, kTime, QString());
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_UpdateList_Indexed)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_UpdateList_RowScan)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
