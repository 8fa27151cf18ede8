// A desk's replay of the site's past (apps/statusviewer/desk/PastReplay.h) on the demo site (2,000
// points by default), time driven by the program: the simulated field's traffic at --rate events
// a second for --seconds of field time, recorded by the field's history; then a replay of the
// "Entire Site" group opened at the start of that stretch (the site copied, the board written into
// the copy, a desk filled from it) and stepped --steps reports forward one at a time (each the board
// at the next report's time written into the copy and every row read again), as the operator's
// Right key does. Figures: the open, and the median and the longest step, wall and process CPU.
//
//   bench_replay [--points 2000] [--rate 200] [--seconds 60] [--steps 50]
#include "desk/PastReplay.h"
#include "field/HistoryPastSources.h"
#include "field/ReportHistory.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/DrawnImageList.h"
#include "host/ResourceTexts.h"

#include <site/DemoSite.h>
#include <statusobject/Db.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 kStart = 1793491200000;  // 2026-11-01 00:00 UTC
constexpr qint64 kTickMs = 100;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timed {
    double wallMs = 0;
    double cpuMs = 0;
};

template <class Body>
Timed timed(Body&& body) {
    QElapsedTimer wall;
    wall.start();
    const double cpu = cpuSeconds();
    body();
    return {double(wall.nsecsElapsed()) / 1e6, (cpuSeconds() - cpu) * 1000.0};
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption pointsOption(QStringLiteral("points"), QStringLiteral("Points."), QStringLiteral("N"),
                                          QStringLiteral("2000"));
    const QCommandLineOption rateOption(QStringLiteral("rate"), QStringLiteral("Field events a second."),
                                        QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("Field seconds."),
                                           QStringLiteral("N"), QStringLiteral("60"));
    const QCommandLineOption stepsOption(QStringLiteral("steps"), QStringLiteral("Steps."), QStringLiteral("N"),
                                         QStringLiteral("50"));
    parser.addOptions({pointsOption, rateOption, secondsOption, stepsOption});
    parser.process(app);
    const int events = std::max(1, parser.value(rateOption).toInt() * int(kTickMs) / 1000);
    const int ticks = std::max(1, parser.value(secondsOption).toInt()) * int(1000 / kTickMs);
    const int steps = std::max(1, parser.value(stepsOption).toInt());

    QTemporaryDir dir;
    const QString siteUrl = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("site.db"));
    auto site = so::db::Connection::open(siteUrl);
    so::db::DemoSiteOptions siteOptions;
    siteOptions.points = parser.value(pointsOption).toInt();
    so::db::generateDemoSite(*site, siteOptions);

    sv::AppLog log;
    log.setEcho(false);
    sv::ResourceTexts texts{&log};
    sv::DrawnImageList images;
    qint64 now = kStart;
    sv::HistoryOptions options;
    options.folder = sv::historyFolderFor(siteUrl);
    options.clock = [&now] { return now; };
    sv::ReportHistory history(options, &log);
    auto fieldDb = so::db::Connection::open(siteUrl);
    sv::SimulatedField field(*fieldDb, sv::FieldOptions{}, &log);
    field.setHistory(&history);
    field.load();
    for (int tick = 0; tick < ticks; ++tick) {
        now += kTickMs;
        field.step(events);
    }
    field.flush();
    field.waitUntilWritten(600000);
    history.sync(600000);

    sv::HistoryPastSource past(history);
    sv::PastReplay::Desk desk;
    desk.site = site.get();
    desk.options.siteUrl = siteUrl;
    desk.options.host.computerName = QStringLiteral("WS1");
    desk.options.host.operatorName = QStringLiteral("admin");
    desk.options.logFolder = dir.path();
    desk.services = sv::HostServices{&texts, &log, nullptr, nullptr, &images};
    desk.group = QStringLiteral("Entire Site");
    sv::PastReplay replay(past, desk);
    const Timed open = timed([&] { replay.moveTo(kStart + kTickMs); });
    if (replay.desk() == nullptr) {
        std::fprintf(stderr, "bench_replay: %s\n", qPrintable(replay.banner()));
        return 1;
    }
    std::vector<Timed> stepped;
    for (int s = 0; s < steps; ++s) {
        stepped.push_back(timed([&] { replay.stepForward(); }));
        QCoreApplication::processEvents();
    }
    const auto byWall = [](const Timed& a, const Timed& b) { return a.wallMs < b.wallMs; };
    std::sort(stepped.begin(), stepped.end(), byWall);
    const Timed& median = stepped[stepped.size() / 2];
    const Timed& longest = stepped.back();
    std::printf("bench_replay: %d points shown, %lld reports recorded, %d report times around the moment\n",
                replay.desk()->pointsShown(), static_cast<long long>(field.reportsSent()),
                int(replay.reportTimes().size()));
    std::printf("open (copy, board, desk filled): %.1f ms wall, %.1f ms CPU\n", open.wallMs, open.cpuMs);
    std::printf(
        "step (board written, rows read again), %d steps: median %.1f ms wall (%.1f ms CPU), longest "
        "%.1f ms wall (%.1f ms CPU)\n",
        steps, median.wallMs, median.cpuMs, longest.wallMs, longest.cpuMs);
    return 0;
}
