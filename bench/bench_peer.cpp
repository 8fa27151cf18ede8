// The component next to a plain Qt table on the same storm and the same rows, in one run:
//  - the Qt table is what a Qt application typically builds for such a viewer: a
//    QStandardItemModel per section holding the rows of the component's grid after the "Entire
//    Site" fill, a QHash from address to row per section, QAbstractItemModel::setData per cell;
//  - the cells a report writes are recorded once, before timing, by watching the component's grids
//    while the storm goes through Status::StateChange (the texts after each report), and laid out
//    in report order on a tape with the addresses' own copies, which both stores read alike;
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

#include <algorithm>
#include <array>
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

/// What one report changed in one row of a section, as recorded.
struct RecordedRow {
    int section = 0;
    QString address;
    QVector<std::pair<int, QString>> cells;  // column, text after the report
};
using RecordedReport = QVector<RecordedRow>;

/// One row's writes on the tape: the row's address and a run of the tape's cells.
struct RowWrite {
    int section = 0;
    QString address;  // the tape's own characters, not copied
    int firstCell = 0;
    int cellCount = 0;
};
struct CellWrite {
    int column = 0;
    QString text;
};

/// The storm's writes laid out in order, the way a host reads decoded messages from a stream: the
/// rows of report i are rows[reportStart[i]] up to rows[reportStart[i + 1]], their cells follow one
/// another, and the addresses' characters sit in one buffer. Both stores read the same tape, so its
/// reads cost both the same and stay small beside the stores' own work.
class WriteTape {
public:
    explicit WriteTape(const QVector<RecordedReport>& recorded) {
        reportStart_.push_back(0);
        for (const RecordedReport& report : recorded) {
            for (const RecordedRow& row : report) {
                rows_.push_back({row.section, addresses_.keep(row.address), int(cells_.size()), int(row.cells.size())});
                for (const auto& [column, text] : row.cells)
                    cells_.push_back({column, text});
            }
            reportStart_.push_back(int(rows_.size()));
        }
    }
    WriteTape(const WriteTape&) = delete;
    WriteTape& operator=(const WriteTape&) = delete;

    int reports() const { return int(reportStart_.size()) - 1; }
    const RowWrite* rowsBegin(int report) const { return rows_.data() + reportStart_[size_t(report)]; }
    const RowWrite* rowsEnd(int report) const { return rows_.data() + reportStart_[size_t(report) + 1]; }
    const CellWrite* cellsBegin(const RowWrite& row) const { return cells_.data() + row.firstCell; }
    const CellWrite* cellsEnd(const RowWrite& row) const { return cells_.data() + row.firstCell + row.cellCount; }

private:
    TextArena addresses_;
    std::vector<RowWrite> rows_;
    std::vector<CellWrite> cells_;
    std::vector<int> reportStart_;
};

/// Subscribes to a grid beside its other readers and notes the cells that changed.
class ChangeRecorder : public GridObserver {
public:
    explicit ChangeRecorder(StatusGrid& grid) : grid_(grid) { grid_.changes().subscribe(*this); }
    ~ChangeRecorder() override { grid_.changes().unsubscribe(*this); }
    ChangeRecorder(const ChangeRecorder&) = delete;
    ChangeRecorder& operator=(const ChangeRecorder&) = delete;

    std::vector<std::pair<int, int>> changed;  // row, column

    void cellChanged(int row, int column) override { changed.emplace_back(row, column); }

private:
    StatusGrid& grid_;
};

/// Sends every report through the component once and notes, per report, the cells it changed in
/// the eight sections with their texts afterwards.
QVector<RecordedReport> recordWrites(BenchSite& site, const QVector<StormReport>& reports) {
    std::vector<std::unique_ptr<ChangeRecorder>> recorders;
    for (int section = 0; section < kSectionCount; ++section)
        recorders.push_back(std::make_unique<ChangeRecorder>(site.grid(section)));
    QVector<RecordedReport> out;
    out.reserve(reports.size());
    for (const StormReport& r : reports) {
        site.status->StateChange(r.deviceType, r.address, r.state, QString(), r.value);
        RecordedReport writes;
        for (int section = 0; section < kSectionCount; ++section) {
            const StatusGrid& grid = site.grid(section);
            const int addressColumn = grid.columnIndex(col::Address);
            auto& changed = recorders[size_t(section)]->changed;
            if (addressColumn < 0)
                changed.clear();
            for (const auto& [row, column] : changed) {
                const QString& address = grid.text(row, addressColumn);
                RecordedRow* target = nullptr;
                for (RecordedRow& w : writes)
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

    void apply(const WriteTape& tape, int report) {
        for (const RowWrite* w = tape.rowsBegin(report); w != tape.rowsEnd(report); ++w) {
            PeerSection& s = sections_[w->section];
            const auto it = s.rowOfAddress.constFind(w->address);
            if (it == s.rowOfAddress.constEnd())
                continue;
            for (const CellWrite* c = tape.cellsBegin(*w); c != tape.cellsEnd(*w); ++c)
                s.model->setData(s.model->index(*it, c->column), c->text, Qt::DisplayRole);
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
        tape = std::make_unique<WriteTape>(recordWrites(site, reports));
        // The component reads its reports' addresses from a stream as well, not from the grid's own
        // texts the storm was built from.
        reports = withDecodedAddresses(std::move(reports), reportAddresses);
        for (int section = 0; section < kSectionCount; ++section)
            grids[size_t(section)] = &site.grid(section);
        if (frame != nullptr) {
            peerWindow = std::make_unique<PeerWindow>(*peer);
            waitExposed(*peerWindow);
        }
    }
    // Before the site: the component may keep copies of the addresses it was sent, and those refer
    // to the arena's characters.
    TextArena reportAddresses;
    BenchSite site;
    StatusFrame* frame = nullptr;
    QVector<StormReport> reports;
    std::unique_ptr<WriteTape> tape;
    std::unique_ptr<PeerTable> peer;
    // The grids, found once as the intake has them at hand (the Qt table keeps its models likewise).
    std::array<StatusGrid*, kSectionCount> grids{};
    std::unique_ptr<PeerWindow> peerWindow;
};

PeerSite& peerSite(int points) { return keptSite<PeerSite>(points); }

/// The recorded cells of a report written into the component's grids.
void applyToGrids(const PeerSite& s, int report) {
    // The rows a report reaches (a point and its door) are found together, as the component's
    // intake finds them (StatusGrid::findRows), then the cells are written.
    const RowWrite* const begin = s.tape->rowsBegin(report);
    const RowWrite* const end = s.tape->rowsEnd(report);
    QVarLengthArray<StatusGrid::RowQuery, 4> rows;
    for (const RowWrite* w = begin; w != end; ++w)
        rows.append({s.grids[size_t(w->section)], w->address, {}});
    StatusGrid::findRows(std::span(rows.data(), size_t(rows.size())));
    for (const RowWrite* w = begin; w != end; ++w) {
        StatusGrid& grid = *s.grids[size_t(w->section)];
        const int row = rows[w - begin].found.row;
        if (row == 0)
            continue;
        for (const CellWrite* c = s.tape->cellsBegin(*w); c != s.tape->cellsEnd(*w); ++c)
            grid.setText(row, c->column, c->text);
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
    const int n = s.tape->reports();
    int i = 0;
    for (auto _ : state)
        applyToGrids(s, i++ % n);
    state.SetItemsProcessed(state.iterations());
    state.counters["rows"] = s.site.shownRows();
}

void BM_QtTable_Headless(benchmark::State& state) {
    PeerSite& s = peerSite(int(state.range(0)));
    const int n = s.tape->reports();
    int i = 0;
    for (auto _ : state)
        s.peer->apply(*s.tape, i++ % n);
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
    const int n = s.tape->reports();
    int i = 0;
    for (auto _ : state) {
        for (int k = 0; k < kSlice; ++k)
            applyToGrids(s, i++ % n);
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * kSlice);
    state.counters["rows"] = s.site.shownRows();
}

void BM_QtTable_Shown(benchmark::State& state) {
    PeerSite& s = peerSite(int(state.range(0)));
    const int n = s.tape->reports();
    int i = 0;
    for (auto _ : state) {
        for (int k = 0; k < kSlice; ++k)
            s.peer->apply(*s.tape, i++ % n);
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
                std::printf(
                    "ratio %-8s %6d points: QtTable / Grid = %.2fx wall, %.2fx cpu; "
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
        for (const auto& [way, body] :
             {std::pair{"Component", component}, std::pair{"Grid", grid}, std::pair{"QtTable", table}})
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
