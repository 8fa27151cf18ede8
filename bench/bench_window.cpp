// The status window shown (Qt's offscreen platform) with its event loop running, on demo sites of
// 1,000 / 10,000 / 50,000 points with the "Entire Site" group:
//  - fill: selecting the group until every section view has announced every row (the grids'
//    fill, the stored states, the models' flushes and the event loop's turn that lays them out);
//  - refresh: the full refresh until the views have been told;
//  - storm: state changes with the simulated field's mix fed in slices (a slice of reports, then
//    one turn of the event loop, as a host's message loop alternates), for a fixed time. Figures:
//    sustained changes per second over the whole run (event loop, model flushes and repaints
//    included), per-call median and 99th percentile, the longest time without a paint of a
//    section grid's viewport (the visible rows), counted by an event filter with time stamps, and
//    the longest wait of a change to a row in sight for its paint (from the model's flush that
//    reached it; the flush itself comes at most StatusGridModel::kFlushIntervalMs after the
//    report). A paint gap also counts the time until a report happens to change a row in sight:
//    the fewer rows a window shows, the longer it is (rows_in_sight says how many were shown).
//
// With --attention off,on the storm runs once with the attention list off and once on, on the same
// site, each figure named with its _off or _on (_off2, _on2 for a second run of a mode); --file yes keeps the site in a
// database file (the alarm states then written by the alarm writer's own thread and connection, as the application
// does).
//
//   bench_window [--points 1000,10000,50000] [--seconds 3] [--slice 1000] [--json FILE]
//                [--attention off,on] [--file yes] [--height 900]
// Prints one line per figure; --json writes them as one JSON object per site size.
#include "BenchSite.h"
#include "ShownFrame.h"
#include "StormReports.h"

#include "ui/StatusFrame.h"
#include "ui/SectionGridView.h"
#include "ui/StatusGridModel.h"
#include "window/StatusWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using namespace so;
using namespace so::bench;

/// A section's grid view in the window, found by its object name.
SectionGridView* gridView(const QWidget& frame, int section) {
    return frame.findChild<SectionGridView*>(QStringLiteral("grid") + StatusWindow::sectionName(Section(section)));
}

/// Time stamps (ns since the storm's clock started) of paint events of the watched viewports, and
/// how long a change to a row in sight waited for its paint: from the model's flush that told the
/// view of it (a range reaching a row in sight) to the viewport's next paint.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(const QElapsedTimer& clock) : clock_(clock) {}
    std::vector<qint64> stamps;
    int paints = 0;
    qint64 longestWaitNs = 0;

    /// Watches a section's view: its paints, and its model's flushes reaching a row in sight.
    void watch(SectionGridView* view) {
        view->viewport()->installEventFilter(this);
        views_.push_back(view);
        waitingSince_.push_back(-1);
        const size_t at = views_.size() - 1;
        flushes_.push_back(QObject::connect(view->gridModel(), &QAbstractItemModel::dataChanged, this,
                                            [this, view, at](const QModelIndex& first, const QModelIndex& last) {
                                                if (waitingSince_[at] < 0 && inSight(*view, first.row(), last.row()))
                                                    waitingSince_[at] = clock_.nsecsElapsed();
                                            }));
    }
    /// Stops watching; a change still waiting counts until now.
    void finish() {
        for (size_t i = 0; i < views_.size(); ++i) {
            views_[i]->viewport()->removeEventFilter(this);
            QObject::disconnect(flushes_[i]);
            if (waitingSince_[i] >= 0)
                longestWaitNs = std::max(longestWaitNs, clock_.nsecsElapsed() - waitingSince_[i]);
        }
    }
    /// The rows a view shows in full or in part (view rows from 0; none: -1, -2).
    static std::pair<int, int> rowsInSight(const SectionGridView& view) {
        const int first = view.rowAt(0);
        const int last = view.rowAt(view.viewport()->height() - 1);
        return {first, first < 0 ? -2 : last < 0 ? view.model()->rowCount() - 1 : last};
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const qint64 now = clock_.nsecsElapsed();
            stamps.push_back(now);
            ++paints;
            for (size_t i = 0; i < views_.size(); ++i)
                if (views_[i]->viewport() == watched && waitingSince_[i] >= 0) {
                    longestWaitNs = std::max(longestWaitNs, now - waitingSince_[i]);
                    waitingSince_[i] = -1;
                }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static bool inSight(const SectionGridView& view, int firstRow, int lastRow) {
        const auto [first, last] = rowsInSight(view);
        return view.isVisible() && !view.viewport()->visibleRegion().isEmpty() && lastRow >= first && firstRow <= last;
    }

    const QElapsedTimer& clock_;
    std::vector<SectionGridView*> views_;
    std::vector<qint64> waitingSince_;  // per view: the flush a paint is owed for; -1 when none
    std::vector<QMetaObject::Connection> flushes_;
};

struct Options {
    QVector<int> points{1000, 10000, 50000};
    double seconds = 3.0;
    int slice = 1000;
    QString json;
    /// The attention list during the storms, one storm each in turn ("on", "off" or "off,on").
    QStringList attention{QStringLiteral("on")};
    /// The site in a database file (as an application runs it) rather than in memory.
    bool file = false;
    /// The window's height (its width is 1280).
    int height = 900;
};

Options parse(const QStringList& args) {
    Options o;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString& key = args[i];
        const QString& value = args[i + 1];
        if (key == QLatin1String("--points")) {
            o.points.clear();
            for (const QString& p : value.split(QLatin1Char(',')))
                o.points.append(p.toInt());
        } else if (key == QLatin1String("--seconds")) {
            o.seconds = value.toDouble();
        } else if (key == QLatin1String("--slice")) {
            o.slice = std::max(1, value.toInt());
        } else if (key == QLatin1String("--json")) {
            o.json = value;
        } else if (key == QLatin1String("--attention")) {
            o.attention = value.split(QLatin1Char(','));
        } else if (key == QLatin1String("--file")) {
            o.file = value == QLatin1String("yes");
        } else if (key == QLatin1String("--height")) {
            o.height = value.toInt();
        }
    }
    return o;
}

void flushModels(StatusFrame& frame) {
    for (int section = 0; section < kSectionCount; ++section)
        gridView(frame, section)->gridModel()->flush();
    frame.findChild<SectionGridView*>(QStringLiteral("maskedList"))->gridModel()->flush();
}

bool viewsHoldEveryRow(StatusFrame& frame, BenchSite& site) {
    for (int section = 0; section < kSectionCount; ++section)
        if (gridView(frame, section)->gridModel()->rowCount() != site.grid(section).rowCount())
            return false;
    return true;
}

/// Turns of the event loop until nothing is left to do (layouts settle one round per turn).
void settle() {
    for (int round = 0; round < 4; ++round)
        QCoreApplication::processEvents();
}

/// One storm of reports for `options.seconds`, the event loop turning between slices; its figures
/// go into `out`, each key ending in `suffix`.
void storm(BenchSite& site, StatusFrame& frame, const QVector<StormReport>& reports, const Options& options,
           QJsonObject& out, const QString& suffix) {
    const auto key = [&](const char* name) { return QLatin1String(name) + suffix; };
    QElapsedTimer clock;
    clock.start();
    PaintWatch watch(clock);
    QVector<int> visibleSections;
    int rowsInSight = 0;
    for (int section = 0; section < kSectionCount; ++section) {
        SectionGridView* view = gridView(frame, section);
        watch.watch(view);
        if (view->isVisible() && !view->viewport()->visibleRegion().isEmpty()) {
            visibleSections.append(section);
            const auto [first, last] = PaintWatch::rowsInSight(*view);
            rowsInSight += last - first + 1;
        }
    }
    QJsonArray visible;
    for (int section : visibleSections)
        visible.append(section);
    out[key("visible_sections")] = visible;
    out[key("rows_in_sight")] = rowsInSight;
    int flushesBefore = 0;
    for (int section = 0; section < kSectionCount; ++section)
        flushesBefore += gridView(frame, section)->gridModel()->signalCounts().dataChanged;

    using Clock = std::chrono::steady_clock;
    std::vector<float> samples;
    samples.reserve(size_t(options.seconds * 2e6));
    const qint64 budgetNs = qint64(options.seconds * 1e9);
    qint64 sent = 0;
    qint64 turns = 0;
    qint64 longestTurnNs = 0;
    qint64 turnsNs = 0;
    const int n = int(reports.size());
    clock.restart();
    while (clock.nsecsElapsed() < budgetNs) {
        for (int k = 0; k < options.slice; ++k) {
            const StormReport& r = reports[int(sent++ % n)];
            const auto t0 = Clock::now();
            site.status->StateChange(r.deviceType, r.address, r.state, QString(), r.value);
            const auto t1 = Clock::now();
            samples.push_back(float(std::chrono::duration<double, std::nano>(t1 - t0).count()));
        }
        const qint64 turnStart = clock.nsecsElapsed();
        QCoreApplication::processEvents();
        const qint64 turnNs = clock.nsecsElapsed() - turnStart;
        longestTurnNs = std::max(longestTurnNs, turnNs);
        turnsNs += turnNs;
        ++turns;
    }
    const qint64 stormNs = clock.nsecsElapsed();
    watch.finish();

    std::sort(samples.begin(), samples.end());
    std::vector<qint64> stamps = watch.stamps;
    std::sort(stamps.begin(), stamps.end());
    qint64 longestGapNs = stamps.empty() ? stormNs : stamps.front();
    for (size_t i = 1; i < stamps.size(); ++i)
        longestGapNs = std::max(longestGapNs, stamps[i] - stamps[i - 1]);
    if (!stamps.empty())
        longestGapNs = std::max(longestGapNs, stormNs - stamps.back());
    int flushes = -flushesBefore;
    for (int section = 0; section < kSectionCount; ++section)
        flushes += gridView(frame, section)->gridModel()->signalCounts().dataChanged;

    const auto at = [&](double q) {
        return samples.empty() ? 0.0
                               : double(samples[std::min(samples.size() - 1, size_t(q * double(samples.size())))]);
    };
    out[key("storm_changes")] = double(sent);
    out[key("storm_seconds")] = double(stormNs) / 1e9;
    out[key("changes_per_second")] = double(sent) / (double(stormNs) / 1e9);
    out[key("p50_ns")] = at(0.50);
    out[key("p99_ns")] = at(0.99);
    out[key("max_ns")] = samples.empty() ? 0.0 : double(samples.back());
    out[key("event_loop_turns")] = double(turns);
    out[key("longest_turn_ms")] = double(longestTurnNs) / 1e6;
    // Where the storm's time went: the state changes themselves, and the event loop's turns
    // (model flushes, layout, repaints); the rest is the driver's own loop and clock.
    double inChanges = 0;
    for (const float ns : samples)
        inChanges += double(ns);
    out[key("state_change_share")] = inChanges / double(stormNs);
    out[key("event_loop_share")] = double(turnsNs) / double(stormNs);
    out[key("paints")] = watch.paints;
    out[key("longest_paint_gap_ms")] = double(longestGapNs) / 1e6;
    out[key("longest_wait_in_sight_ms")] = double(watch.longestWaitNs) / 1e6;
    out[key("model_flushes")] = flushes;
}

QJsonObject runSite(int points, const Options& options) {
    QJsonObject out;
    out[QStringLiteral("points")] = points;
    QTemporaryDir folder;
    BenchSite site(points, options.file ? QStringLiteral("sqlite:") + folder.filePath(QStringLiteral("site.db"))
                                        : QStringLiteral("sqlite::memory:"));
    StatusFrame* frame = showFrame(site, options.height);
    if (frame == nullptr)
        return out;
    settle();

    // ---- fill: until every view has announced every row of its grid
    QElapsedTimer clock;
    clock.start();
    site.showEntireSite();
    flushModels(*frame);
    QCoreApplication::processEvents();
    const double fillMs = double(clock.nsecsElapsed()) / 1e6;
    out[QStringLiteral("fill_ms")] = fillMs;
    out[QStringLiteral("rows")] = site.shownRows();
    out[QStringLiteral("views_hold_every_row")] = viewsHoldEveryRow(*frame, site);
    settle();

    // ---- full refresh, the views told
    clock.restart();
    site.window().RefreshAllRows();
    flushModels(*frame);
    QCoreApplication::processEvents();
    out[QStringLiteral("refresh_ms")] = double(clock.nsecsElapsed()) / 1e6;
    settle();

    // ---- storms, the attention list on or off in each, in the order asked
    const QVector<StormReport> reports = StormBuilder(site.window(), *site.db).build(1 << 18);
    QHash<QString, int> runs;
    for (const QString& attention : options.attention) {
        site.window().setAttentionEnabled(attention == QLatin1String("on"));
        settle();
        // "_off", "_on"; a mode run again is numbered: "_off2", "_on2".
        const int run = ++runs[attention];
        const QString suffix = options.attention.size() == 1
                                   ? QString()
                                   : QLatin1Char('_') + attention + (run > 1 ? QString::number(run) : QString());
        storm(site, *frame, reports, options, out, suffix);
    }
    out[QStringLiteral("host_calls")] = double(site.host.calls.size());
    out[QStringLiteral("log_bytes")] = double(site.errorLogBytes());
    return out;
}

void print(const QJsonObject& result) {
    const int points = result.value(QStringLiteral("points")).toInt();
    for (auto it = result.constBegin(); it != result.constEnd(); ++it) {
        if (it.key() == QLatin1String("points"))
            continue;
        QString value;
        if (it.value().isArray()) {
            QStringList items;
            for (const QJsonValue& v : it.value().toArray())
                items << QString::number(v.toInt());
            value = items.join(QLatin1Char(','));
        } else if (it.value().isBool()) {
            value = it.value().toBool() ? QStringLiteral("yes") : QStringLiteral("no");
        } else {
            const double number = it.value().toDouble();
            value = QString::number(number, 'f', std::abs(number) < 1 && number != 0 ? 3 : 1);
        }
        std::printf("window/%d %-22s %s\n", points, qPrintable(it.key()), qPrintable(value));
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options options = parse(app.arguments());
    QJsonArray results;
    for (int points : options.points) {
        const QJsonObject result = runSite(points, options);
        print(result);
        results.append(result);
    }
    if (!options.json.isEmpty()) {
        QFile file(options.json);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(options.json));
            return 1;
        }
        file.write(QJsonDocument(results).toJson());
    }
    return 0;
}
