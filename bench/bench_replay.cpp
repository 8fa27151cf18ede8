// A desk's replay of the site's past (apps/statusviewer/desk/PastReplay.h) on the demo site (2,000
// points by default), time driven by the program: the simulated field's traffic at --rate events
// a second for --seconds of field time, recorded by the field's history; then a replay of the
// "Entire Site" group opened at the start of that stretch (the site copied, the board written into
// the copy, a desk filled from it) and stepped --steps reports forward one at a time (each the board
// at the next report's time written into the copy and every row read again), as the operator's
// Right key does. Figures: the open, and the median and the longest step, wall and process CPU.
// With --bus the desk is one of a multi-desk site: its operator signed in at the field over an
// in-process bus, the past asked of the field a stretch at a time (field/PastStretch.h) and each
// step's board built at the desk; the stretches asked and their bytes on the bus are counted, and
// the field's answer is timed on its own.
//
//   bench_replay [--points 2000] [--rate 200] [--seconds 60] [--steps 50] [--bus]
#include "desk/PastReplay.h"
#include "field/HistoryPastSources.h"
#include "field/PastStretch.h"
#include "field/ReportHistory.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/DrawnImageList.h"
#include "host/ResourceTexts.h"
#include "host/SiteHost.h"

#include "MemoryTransport.h"
#include "MqttSite.h"

#include <site/DemoSite.h>
#include <statusobject/Db.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

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
    const QCommandLineOption busOption(QStringLiteral("bus"), QStringLiteral("A desk of a multi-desk site."));
    parser.addOptions({pointsOption, rateOption, secondsOption, stepsOption, busOption});
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

    // The multi-desk site: the field answering on an in-process bus, the desk's operator signed in.
    namespace wire = sv::wire;
    const QString siteName = QStringLiteral("main");
    sv::MemoryBus bus;
    sv::MemoryTransport fieldLink{bus, {wire::everyLoginTopic(siteName, wire::Topic::Command)}};
    sv::MemoryTransport deskLink{bus,
                                 {wire::topicName(siteName, wire::Topic::Field),
                                  wire::loginTopic(siteName, wire::Topic::Answer, QStringLiteral("WS1")),
                                  wire::loginTopic(siteName, wire::Topic::Past, QStringLiteral("WS1"))}};
    qint64 stretches = 0;
    qint64 busBytes = 0;
    const auto stretchAnswer =
        sv::pastStretchAnswer(history, &log, wire::PastPart::kMaxBytes * wire::PastPart::kMaxParts);
    sv::FieldBroadcaster broadcaster(fieldLink, siteName, field, *fieldDb, &sv::SiteHost::operatorPermission, log);
    broadcaster.setPastStretch([&](qint64 moment, qint64 held, QString& refusal) {
        const QByteArray bytes = stretchAnswer(moment, held, refusal);
        ++stretches;
        busBytes += bytes.size();
        return bytes;
    });
    sv::DeskLink deskSide(deskLink, siteName, QStringLiteral("WS1"), log);
    const bool overBus = parser.isSet(busOption);
    if (overBus) {
        deskSide.setOperator(QStringLiteral("admin"));
        fieldLink.connect();
        deskLink.connect();
        bool signedIn = false;
        QString refusal;
        deskSide.signIn(QStringLiteral("admin"), "admin-demo", [&](const QString& why) {
            signedIn = true;
            refusal = why;
        });
        // The field verifies the password on its worker thread: a minute at most.
        QElapsedTimer waited;
        waited.start();
        while (!signedIn && waited.elapsed() < 60000) {
            bus.deliver();
            QCoreApplication::processEvents();
            QThread::msleep(1);
        }
        if (!deskSide.isSignedIn(QStringLiteral("admin"))) {
            std::fprintf(stderr, "bench_replay: the operator could not sign in at the field: %s\n",
                         qPrintable(refusal));
            return 1;
        }
    }
    sv::HistoryPastSource inProcess(history);
    sv::BusPastSource overTheBus(deskSide, options.keepDays);
    sv::PastSource& past = overBus ? static_cast<sv::PastSource&>(overTheBus) : inProcess;
    sv::PastReplay::Desk desk;
    desk.site = site.get();
    desk.options.siteUrl = siteUrl;
    desk.options.host.computerName = QStringLiteral("WS1");
    desk.options.host.operatorName = QStringLiteral("admin");
    desk.options.logFolder = dir.path();
    desk.services = sv::HostServices{&texts, &log, nullptr, nullptr, &images};
    desk.group = QStringLiteral("Entire Site");
    sv::PastReplay replay(past, desk);
    // Until what was asked is shown (over the bus: until the field answered and the replay moved).
    int changes = 0;
    replay.changed = [&] { ++changes; };
    const auto settle = [&](int before) {
        QElapsedTimer waited;
        waited.start();
        while (overBus && (changes == before || replay.isWaiting() || replay.reportIndex() < 0) &&
               waited.elapsed() < 60000) {
            bus.deliver();
            QCoreApplication::processEvents();
        }
    };
    const Timed open = timed([&] {
        replay.moveTo(kStart + kTickMs);
        settle(0);
    });
    if (replay.desk() == nullptr) {
        std::fprintf(stderr, "bench_replay: %s\n", qPrintable(replay.banner()));
        return 1;
    }
    std::vector<Timed> stepped;
    for (int s = 0; s < steps; ++s) {
        stepped.push_back(timed([&] {
            const int before = changes;
            replay.stepForward();
            settle(before);
        }));
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
    if (overBus) {
        QString refusal;
        const Timed answer = timed([&] { stretchAnswer(kStart + kTickMs, 0, refusal); });
        std::printf(
            "over the bus: %lld requests for %d steps, %.1f KiB of stretches; the field's answer of a "
            "stretch: %.1f ms wall (%.1f ms CPU)\n",
            static_cast<long long>(stretches), steps, double(busBytes) / 1024.0, answer.wallMs, answer.cpuMs);
    }
    return 0;
}
