// The operator's switch to the "Entire Site" group with the Qt window shown (offscreen, 1280x900)
// and its event loop running, on a demo site (50,000 points by default):
//  - call: the group box's choice until its handler returns (the fill, the stored states replayed,
//    the sections opened);
//  - settle: then the event loop until every section view has been told every change and a
//    section grid's viewport has painted (model flushes, layout, the first paint);
//  - total: both, what the operator waits for before the rows show;
//  - cpu: the process's CPU time over the same span (on a loaded machine the wall time also holds
//    the time other processes had the CPU).
// Each run first goes back to the small default group (not timed). Figures are the median, the
// fastest and the slowest of the runs.
//   bench_switch [--points 50000] [--runs 5] [--json FILE]
#include "BenchSite.h"
#include "ShownFrame.h"

#include "ui/StatusFrame.h"
#include "ui/SectionGridView.h"
#include "ui/StatusGridModel.h"
#include "window/StatusWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using namespace so;
using namespace so::bench;

/// A section's grid view in the window, found by its object name.
SectionGridView* gridView(const QWidget& frame, int section) {
    return frame.findChild<SectionGridView*>(QStringLiteral("grid") + StatusWindow::sectionName(Section(section)));
}

/// Counts paint events of the watched viewports.
class PaintCount : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

bool anyPending(StatusFrame& frame) {
    for (int section = 0; section < kSectionCount; ++section)
        if (gridView(frame, section)->gridModel()->hasPendingChanges())
            return true;
    return false;
}

/// Runs the event loop until the models have told their views everything and a viewport has
/// painted since the choice; gives up after `limitMs`. (The paint may come before the last flush:
/// a flush of rows out of sight paints nothing, so no paint need follow it.)
void runUntilPainted(StatusFrame& frame, PaintCount& paints, const QElapsedTimer& clock, qint64 limitMs) {
    paints.paints = 0;
    while ((anyPending(frame) || paints.paints == 0) && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct Figures {
    std::vector<double> call, settle, total, cpu;
};

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int points = 50000;
    int runs = 5;
    QString json;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--points"))
            points = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--json"))
            json = args[i + 1];
    }

    Figures figures;
    int rows = 0;
    {
        BenchSite site(points);
        StatusFrame* frame = showFrame(site);
        if (frame == nullptr)
            return 1;
        PaintCount paints;
        for (int section = 0; section < kSectionCount; ++section)
            gridView(*frame, section)->viewport()->installEventFilter(&paints);
        QComboBox* box = frame->findChild<QComboBox*>(QStringLiteral("groupBox"));
        const int small = site.window().findGroupEntry(site.site.smallGroupId);
        const int entire = site.window().findGroupEntry(site.site.siteGroupId);

        for (int run = 0; run < runs; ++run) {
            QElapsedTimer clock;
            clock.start();
            box->setCurrentIndex(small);
            emit box->activated(small);
            runUntilPainted(*frame, paints, clock, 20000);

            const double cpuBefore = cpuMs();
            clock.restart();
            box->setCurrentIndex(entire);
            emit box->activated(entire);  // the operator's choice
            const double callMs = double(clock.nsecsElapsed()) / 1e6;
            runUntilPainted(*frame, paints, clock, 20000);
            const double totalMs = double(clock.nsecsElapsed()) / 1e6;
            const double cpu = cpuMs() - cpuBefore;
            figures.cpu.push_back(cpu);
            figures.call.push_back(callMs);
            figures.settle.push_back(totalMs - callMs);
            figures.total.push_back(totalMs);
            std::printf("switch/%d run %d: total %.1f ms (call %.1f, settle %.1f), cpu %.1f ms\n", points, run + 1,
                        totalMs, callMs, totalMs - callMs, cpu);
            std::fflush(stdout);
        }
        rows = site.shownRows();
    }

    QJsonObject out;
    out[QStringLiteral("points")] = points;
    out[QStringLiteral("rows")] = rows;
    out[QStringLiteral("runs")] = runs;
    const auto put = [&](const char* name, const std::vector<double>& v) {
        out[QStringLiteral("%1_median_ms").arg(QLatin1String(name))] = median(v);
        out[QStringLiteral("%1_min_ms").arg(QLatin1String(name))] = *std::min_element(v.begin(), v.end());
        out[QStringLiteral("%1_max_ms").arg(QLatin1String(name))] = *std::max_element(v.begin(), v.end());
        std::printf("switch/%d %-7s median %.1f ms, min %.1f, max %.1f\n", points, name, median(v),
                    *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()));
    };
    put("total", figures.total);
    put("call", figures.call);
    put("settle", figures.settle);
    put("cpu", figures.cpu);
    std::printf("switch/%d rows %d\n", points, rows);
    if (!json.isEmpty()) {
        QFile file(json);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(json));
            return 1;
        }
        file.write(QJsonDocument(out).toJson());
    }
    return 0;
}
