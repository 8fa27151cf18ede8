// The component next to a plain Qt table on the same storm and the same rows, in one run:
//  - the Qt table is what a Qt application typically builds for such a viewer: a
//    QStandardItemModel per section holding the rows of the component's grid after the "Entire
//    Site" fill, a QHash from address to row per section, QAbstractItemModel::setData per cell;
//  - the cells a report writes are recorded once, before timing, by watching the component's grids
//    while the storm goes through Status::StateChange (the texts after each report);
//  - three ways per report: the component's own path (Component: StateChange, decoding included),
//    the component's grid given the recorded cells (Grid: row by its address index, setText per
//    cell, the window's model told), and the Qt table given the same cells (QtTable);
//  - headless (a QCoreApplication) and shown (a QApplication, offscreen, both windows 1280x900:
//    the component's window, and eight QTableViews on the Qt table's models in a splitter); shown,
//    reports go in slices of 1,000 with one turn of the event loop after each (repaints included).
// At the end, per site size and mode: QtTable / Grid (the same cell writes into each store), and
// (QtTable + Component - Grid) / Component, the Qt table doing the component's own decoding (the
// decoding's cost taken as Component - Grid); wall and CPU. The Qt table keeps no masked list,
// icons or severity.
//   bench_peer [--benchmark_filter=...] [--benchmark_min_time=...]
#include "BenchSite.h"
#include "StormReports.h"

#include "ui/StatusFrame.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QVarLengthArray>
#include <QVBoxLayout>
#include <QWindow>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace so;
using namespace so::bench;

constexpr int kStormLength = 1 << 16;
constexpr int kSlice = 1000;
const int kSizes[] = {1000, 10000, 50000};

/// What one report changed in one row of a section.
struct RowWrite {
    int section = 0;
    QString address;
    QVector<std::pair<int, QString>> cells;  // column, text after the report
};
using ReportWrites = QVector<RowWrite>;

/// Sits between a grid and its observer (the window's model, or none headless), forwards every
/// change and notes the cells that changed.
class ChangeRecorder : public GridObserver {
public:
    explicit ChangeRecorder(StatusGrid& grid) : grid_(grid), inner_(grid.observer()) { grid_.setObserver(this); }
    ~ChangeRecorder() override { grid_.setObserver(inner_); }
    ChangeRecorder(const ChangeRecorder&) = delete;
    ChangeRecorder& operator=(const ChangeRecorder&) = delete;

    std::vector<std::pair<int, int>> changed;  // row, column

    void gridReset() override {
        if (inner_ != nullptr)
            inner_->gridReset();
    }
    void rowsAppended(int firstRow, int lastRow) override {
        if (inner_ != nullptr)
            inner_->rowsAppended(firstRow, lastRow);
    }
    void rowRemoved(int row) override {
        if (inner_ != nullptr)
            inner_->rowRemoved(row);
    }
    void cellChanged(int row, int column) override {
        changed.emplace_back(row, column);
        if (inner_ != nullptr)
            inner_->cellChanged(row, column);
    }
    void rowConditionsChanged(int row) override {
        if (inner_ != nullptr)
            inner_->rowConditionsChanged(row);
    }
    void redrawChanged(bool on) override {
        if (inner_ != nullptr)
            inner_->redrawChanged(on);
    }

private:
    StatusGrid& grid_;
    GridObserver* inner_;
};

/// Sends every report through the component once and notes, per report, the cells it changed in
/// the eight sections with their texts afterwards.
QVector<ReportWrites> recordWrites(BenchSite& site, const QVector<StormReport>& reports) {
    std::vector<std::unique_ptr<ChangeRecorder>> recorders;
    for (int section = 0; section < kSectionCount; ++section)
        recorders.push_back(std::make_unique<ChangeRecorder>(site.grid(section)));
    QVector<ReportWrites> out;
    out.reserve(reports.size());
    for (const StormReport& r : reports) {
        site.status->StateChange(r.deviceType, r.address, r.state, QString(), r.value);
        ReportWrites writes;
        for (int section = 0; section < kSectionCount; ++section) {
            const StatusGrid& grid = site.grid(section);
            const int addressColumn = grid.columnIndex(col::Address);
            auto& changed = recorders[size_t(section)]->changed;
            if (addressColumn < 0)
                changed.clear();
            for (const auto& [row, column] : changed) {
                const QString& address = grid.text(row, addressColumn);
                RowWrite* target = nullptr;
                for (RowWrite& w : writes)
                    if (w.section == section && w.address == address)
                        target = &w;
                if (target == nullptr) {
                    writes.append({section, address, {}});
                    target = &writes.last();
                }
                bool seen = false;
                for (const auto& cell : target->cells)
                    seen = seen || cell.first == column;
                if (!seen)
                    target->cells.append({column, grid.text(row, column)});
            }
            changed.clear();
        }
        out.append(std::move(writes));
    }
    return out;
}

/// The plain Qt table: a QStandardItemModel per section and a QHash from address to row.
class PeerTable {
public:
    explicit PeerTable(BenchSite& site) {
        for (int section = 0; section < kSectionCount; ++section) {
            const StatusGrid& grid = site.grid(section);
            PeerSection& s = sections_[section];
            s.model = std::make_unique<QStandardItemModel>(grid.rowCount(), grid.columnCount());
            QStringList captions;
            for (int c = 0; c < grid.columnCount(); ++c)
                captions << grid.column(c).caption;
            s.model->setHorizontalHeaderLabels(captions);
            const int addressColumn = grid.columnIndex(col::Address);
            for (int row = 1; row <= grid.rowCount(); ++row) {
                for (int c = 0; c < grid.columnCount(); ++c)
                    s.model->setItem(row - 1, c, new QStandardItem(grid.text(row, c)));
                if (addressColumn >= 0 && !s.rowOfAddress.contains(grid.text(row, addressColumn)))
                    s.rowOfAddress.insert(grid.text(row, addressColumn), row - 1);
            }
        }
    }

    void apply(const ReportWrites& writes) {
        for (const RowWrite& w : writes) {
            PeerSection& s = sections_[w.section];
            const auto it = s.rowOfAddress.constFind(w.address);
            if (it == s.rowOfAddress.constEnd())
                continue;
            for (const auto& [column, text] : w.cells)
                s.model->setData(s.model->index(*it, column), text, Qt::DisplayRole);
        }
    }

    QStandardItemModel* model(int section) { return sections_[section].model.get(); }

private:
    struct PeerSection {
        std::unique_ptr<QStandardItemModel> model;
        QHash<QString, int> rowOfAddress;
    };
    PeerSection sections_[kSectionCount];
};

/// The Qt table's window: its eight views in a vertical splitter.
class PeerWindow : public QWidget {
public:
    explicit PeerWindow(PeerTable& table) {
        auto* layout = new QVBoxLayout(this);
        auto* splitter = new QSplitter(Qt::Vertical, this);
        for (int section = 0; section < kSectionCount; ++section) {
            auto* view = new QTableView(splitter);
            view->setModel(table.model(section));
            splitter->addWidget(view);
        }
        layout->addWidget(splitter);
    }
};

void waitExposed(QWidget& widget) {
    widget.resize(1280, 900);
    widget.show();
    QElapsedTimer wait;
    wait.start();
    while ((widget.windowHandle() == nullptr || !widget.windowHandle()->isExposed()) && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    for (int round = 0; round < 4; ++round)
        QCoreApplication::processEvents();
}

/// One site with the component showing "Entire Site", its storm, the writes the storm makes and
/// the Qt table holding the same rows (and, shown, both windows).
struct PeerSite {
    explicit PeerSite(int points) : site(points) {
        site.show();
        frame = qobject_cast<StatusFrame*>(site.status->widget());
        if (frame != nullptr)
            waitExposed(*frame);
        site.showEntireSite();
        QCoreApplication::processEvents();
        reports = StormBuilder(site.window(), *site.db).build(kStormLength);
        peer = std::make_unique<PeerTable>(site);
        writes = recordWrites(site, reports);
        if (frame != nullptr) {
            peerWindow = std::make_unique<PeerWindow>(*peer);
            waitExposed(*peerWindow);
        }
    }
    BenchSite site;
    StatusFrame* frame = nullptr;
    QVector<StormReport> reports;
    QVector<ReportWrites> writes;
    std::unique_ptr<PeerTable> peer;
    std::unique_ptr<PeerWindow> peerWindow;
};

PeerSite& peerSite(int points) { return keptSite<PeerSite>(points); }

/// The recorded cells of a report written into the component's grids.
void applyToGrids(BenchSite& site, const ReportWrites& writes) {
    // The rows a report reaches (a point and its door) are looked up together, as the component's
    // intake looks them up: every lookup begins (its index slot loads) before any settles (its row
    // loads), then the cells are written.
    QVarLengthArray<StatusGrid::RowLookup, 4> lookups;
    for (const RowWrite& w : writes)
        lookups.append(site.grid(w.section).beginLookup(w.address));
    for (qsizetype i = 0; i < writes.size(); ++i)
        site.grid(writes[i].section).settle(lookups[i], writes[i].address);
    for (qsizetype i = 0; i < writes.size(); ++i) {
        const RowWrite& w = writes[i];
        StatusGrid& grid = site.grid(w.section);
        const int row = grid.findRowForAddress(w.address, lookups[i]);
        if (row == 0)
            continue;
        for (const auto& [column, text] : w.cells)
            grid.setText(row, column, text);
    }
}

void send(Status& status, const StormReport& r) {
    status.StateChange(r.deviceType, r.address, r.state, QString(), r.value);
}

void BM_Component_Headless(benchmark::State& state) {
    PeerSite& s = peerSite(int(state.range(0)));
    const int n = int(s.reports.size());
    int i = 0;
    for (auto _ : state)
        send(*s.site.status, s.reports[i++ % n]);
    state.SetItemsProcessed(state.iterations());
    state.counters["rows"] = s.site.shownRows();
}

void BM_Grid_Headless(benchmark::State& state) {
    PeerSite& s = peerSite(int(state.range(0)));
    const int n = int(s.writes.size());
    int i = 0;
    for (auto _ : state)
        applyToGrids(s.site, s.writes[i++ % n]);
    state.SetItemsProcessed(state.iterations());
    state.counters["rows"] = s.site.shownRows();
}

void BM_QtTable_Headless(benchmark::State& state) {
    PeerSite& s = peerSite(int(state.range(0)));
    const int n = int(s.writes.size());
    int i = 0;
    for (auto _ : state)
        s.peer->apply(s.writes[i++ % n]);
    state.SetItemsProcessed(state.iterations());
    state.counters["rows"] = s.site.shownRows();
}

/// Per iteration a slice of reports, then one turn of the event loop (flushes and repaints).
void BM_Component_Shown(benchmark::State& state) {
    PeerSite& s = peerSite(int(state.range(0)));
    const int n = int(s.reports.size());
    int i = 0;
    for (auto _ : state) {
        for (int k = 0; k < kSlice; ++k)
            send(*s.site.status, s.reports[i++ % n]);
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * kSlice);
    state.counters["rows"] = s.site.shownRows();
}

void BM_Grid_Shown(benchmark::State& state) {
    PeerSite& s = peerSite(int(state.range(0)));
    const int n = int(s.writes.size());
    int i = 0;
    for (auto _ : state) {
        for (int k = 0; k < kSlice; ++k)
            applyToGrids(s.site, s.writes[i++ % n]);
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * kSlice);
    state.counters["rows"] = s.site.shownRows();
}

void BM_QtTable_Shown(benchmark::State& state) {
    PeerSite& s = peerSite(int(state.range(0)));
    const int n = int(s.writes.size());
    int i = 0;
    for (auto _ : state) {
        for (int k = 0; k < kSlice; ++k)
            s.peer->apply(s.writes[i++ % n]);
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * kSlice);
    state.counters["rows"] = s.site.shownRows();
}

/// Shows the runs as the console does and keeps each benchmark's time per iteration (the median of
/// repetitions when there are several) for the ratios; the three ways of a mode send the same number
/// of reports per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median)
                continue;
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Iteration && medians_.count(name) != 0)
                continue;
            Time& t = times_[name];
            t.wall = run.GetAdjustedRealTime();
            t.cpu = run.GetAdjustedCPUTime();
            if (median)
                medians_.insert(name);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const {
        for (const char* mode : {"Headless", "Shown"}) {
            for (const int points : kSizes) {
                const Time* component = find("Component", mode, points);
                const Time* grid = find("Grid", mode, points);
                const Time* table = find("QtTable", mode, points);
                if (component == nullptr || grid == nullptr || table == nullptr)
                    continue;
                std::printf("ratio %-8s %6d points: QtTable / Grid = %.2fx wall, %.2fx cpu; "
                            "(QtTable + decoding) / Component = %.2fx wall, %.2fx cpu\n",
                            mode, points, table->wall / grid->wall, table->cpu / grid->cpu,
                            (table->wall + component->wall - grid->wall) / component->wall,
                            (table->cpu + component->cpu - grid->cpu) / component->cpu);
            }
        }
        std::fflush(stdout);
    }

private:
    struct Time {
        double wall = 0;
        double cpu = 0;
    };
    const Time* find(const char* way, const char* mode, int points) const {
        const auto it = times_.find(std::string("BM_") + way + "_" + mode + "/" + std::to_string(points));
        return it == times_.end() ? nullptr : &it->second;
    }

    std::map<std::string, Time> times_;
    std::set<std::string> medians_;
};

void registerMode(const char* mode, void (*component)(benchmark::State&), void (*grid)(benchmark::State&),
                  void (*table)(benchmark::State&)) {
    for (const int points : kSizes) {
        for (const auto& [way, body] : {std::pair{"Component", component}, std::pair{"Grid", grid}, std::pair{"QtTable", table}})
            benchmark::RegisterBenchmark((std::string("BM_") + way + "_" + mode).c_str(), body)
                ->Arg(points)
                ->Unit(benchmark::kNanosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    // Headless, the component needs an application object without widgets; shown, a QApplication.
    // The sites of each mode go before its application object.
    {
        QCoreApplication app(argc, argv);
        registerMode("Headless", BM_Component_Headless, BM_Grid_Headless, BM_QtTable_Headless);
        benchmark::RunSpecifiedBenchmarks(&reporter);
        keptSites<PeerSite>().clear();
    }
    benchmark::ClearRegisteredBenchmarks();
    {
        QApplication app(argc, argv);
        registerMode("Shown", BM_Component_Shown, BM_Grid_Shown, BM_QtTable_Shown);
        benchmark::RunSpecifiedBenchmarks(&reporter);
        keptSites<PeerSite>().clear();
    }
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
