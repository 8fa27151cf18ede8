// The field's report history on the demo site (50,000 points by default), time driven by the
// program (no waiting). The traffic: the simulated field at 200 reports a second on average with
// a burst of 5,000 in one second of every minute, for --minutes of field time.
//  - CPU: one field whose history is attached in every other minute: the process's CPU per
//    report (the field, its write-back thread and the history's writer) and the field thread's,
//    with and without the history, and the extra share the history costs;
//  - size: a second run with the history all along (an hour by default: one segment): bytes per
//    report of the segment files, against the same reports as rows of a table in a SQLite
//    database (one with the address as text, one with a point number; each indexed by time, the
//    time as ms since the first report);
//  - 30 days: the hour recorded copied into --days days of hourly segments (each block's times
//    moved by whole hours, its checksum made again: what the field would have written over that
//    time with the same traffic); the board rebuilt at --moments moments spread over them, near
//    the end of their hour (the most changes to replay after a snapshot), and applied to a copy
//    of the site. Figures: the median and the longest rebuild, the longest copy and apply.
//
// --cpu-only stops after the CPU run. Under callgrind (bench/history_instructions.sh) every
// minute's instructions, all threads', are dumped under "with" or "without": the instruction
// counts per report that the shared machine's load does not move.
//
//   bench_history [--points 50000] [--minutes 60] [--days 30] [--moments 20] [--cpu-only]
#include "field/HistoryFormat.h"
#include "field/HistoryReader.h"
#include "field/PastBoardCopy.h"
#include "field/ReportHistory.h"
#include "field/SimulatedField.h"

#include <site/DemoSite.h>
#include <statusobject/Db.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <valgrind/callgrind.h>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 kHourMs = 3600 * 1000;
constexpr qint64 kStart = 1793491200000;  // 2026-11-01 00:00 UTC
constexpr int kAverage = 200;
constexpr int kBurst = 5000;

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

/// Keeps the reports the field sends, for the database's side of the comparison.
struct Reports final : sv::StateSink {
    struct Row {
        qint64 at;
        QString type, address;
        int state;
        QString value;
    };
    std::vector<Row> rows;
    const qint64* now = nullptr;
    void StateChange(const QString& type, const QString& address, quint8 state, const QString&,
                     const QString& value) override {
        rows.push_back({*now, type, address, state, value});
    }
};

struct Cpu {
    qint64 reports = 0;
    double process = 0;  // every thread's
    double field = 0;    // the field's thread's
    double processUs() const { return process * 1e6 / double(reports); }
    double fieldUs() const { return field * 1e6 / double(reports); }
};

/// The field's traffic for a minute of field time: each second's reports in slices of 10 ms, the
/// changed states handed to the write-back every 250 ms, as the field's timers do; the CPU it took
/// added to cpu.
void driveMinute(sv::SimulatedField& field, qint64& now, Cpu& cpu) {
    const double process = cpuSeconds();
    const double thread = threadCpuSeconds();
    const qint64 first = field.reportsSent();
    double budget = 0;
    for (int second = 0; second < 60; ++second) {
        const double perSecond = second == 30 ? kBurst : (kAverage * 60.0 - kBurst) / 59.0;
        for (int slice = 0; slice < 100; ++slice) {
            now += 10;
            budget += perSecond / 100.0;
            while (budget >= 1.0)
                budget -= std::max(1, field.step(1));
            if (slice % 25 == 24)
                field.flush();
        }
    }
    cpu.field += threadCpuSeconds() - thread;
    field.waitUntilWritten(600000);
    if (sv::ReportHistory* history = field.history())
        history->sync(600000);
    cpu.process += cpuSeconds() - process;
    cpu.reports += field.reportsSent() - first;
}

/// Under callgrind, the instructions since the last dump, under name; nothing otherwise.
void dumpInstructions(const char* name) { CALLGRIND_DUMP_STATS_AT(name); }

qint64 folderBytes(const QString& folder) {
    qint64 bytes = 0;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files))
        bytes += file.size();
    return bytes;
}

/// Bytes per report of the reports as rows of a table of a fresh SQLite file.
double databaseBytesPerReport(const QString& path, const std::vector<Reports::Row>& rows, bool pointNumbers) {
    auto db = so::db::Connection::open(QStringLiteral("sqlite:") + path);
    db->execute(pointNumbers ? QStringLiteral("CREATE TABLE Reports (At INTEGER, Point INTEGER, State INTEGER, "
                                              "Value TEXT)")
                             : QStringLiteral("CREATE TABLE Reports (At INTEGER, DeviceType TEXT, Address TEXT, "
                                              "State INTEGER, Value TEXT)"));
    db->execute(QStringLiteral("CREATE INDEX ReportsAt ON Reports (At)"));
    QHash<QString, int> points;
    so::db::Transaction transaction(*db);
    so::db::Command insert(*db, pointNumbers ? QStringLiteral("INSERT INTO Reports VALUES (?, ?, ?, ?)")
                                             : QStringLiteral("INSERT INTO Reports VALUES (?, ?, ?, ?, ?)"));
    using so::db::ParamDirection;
    using so::db::ParamType;
    for (const Reports::Row& row : rows) {
        while (insert.parameterCount() > 0)
            insert.deleteParameter(0);
        // ms since the first report (the epoch's would take two bytes more a row)
        insert.appendParameter(QStringLiteral("@At"), ParamType::Integer, ParamDirection::Input, 4,
                               qint32(row.at - rows.front().at));
        if (pointNumbers) {
            const int point = int(points.emplace(row.address, int(points.size())).value());
            insert.appendParameter(QStringLiteral("@Point"), ParamType::Integer, ParamDirection::Input, 4, point);
        } else {
            insert.appendParameter(QStringLiteral("@Type"), ParamType::NVarChar, ParamDirection::Input, 0, row.type);
            insert.appendParameter(QStringLiteral("@Address"), ParamType::NVarChar, ParamDirection::Input, 0,
                                   row.address);
        }
        insert.appendParameter(QStringLiteral("@State"), ParamType::Integer, ParamDirection::Input, 4, row.state);
        insert.appendParameter(QStringLiteral("@Value"), ParamType::NVarChar, ParamDirection::Input, 0, row.value);
        insert.execute();
    }
    transaction.commit();
    db->close();
    return double(QFileInfo(path).size()) / double(rows.size());
}

/// The hour's segment copied as the segment of hour `hours` later: every block's times moved.
void copySegment(const QByteArray& hour, const QString& folder, qint64 hours) {
    QFile out(QDir(folder).filePath(sv::history::HistoryReader::segmentName(kStart + hours * kHourMs)));
    out.open(QIODevice::WriteOnly);
    const sv::history::FileIndex index = sv::history::indexBlocks(hour);
    for (const auto& entry : index.blocks) {
        const auto payload = sv::history::blockPayload(hour, entry);
        out.write(sv::history::frameBlock(
            {entry.kind, entry.firstTime + hours * kHourMs, entry.lastTime + hours * kHourMs, *payload}));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption pointsOption(QStringLiteral("points"), QStringLiteral("Points."), QStringLiteral("N"),
                                          QStringLiteral("50000"));
    const QCommandLineOption minutesOption(QStringLiteral("minutes"), QStringLiteral("Field minutes."),
                                           QStringLiteral("N"), QStringLiteral("60"));
    const QCommandLineOption daysOption(QStringLiteral("days"), QStringLiteral("Days."), QStringLiteral("N"),
                                        QStringLiteral("30"));
    const QCommandLineOption momentsOption(QStringLiteral("moments"), QStringLiteral("Moments."), QStringLiteral("N"),
                                           QStringLiteral("20"));
    const QCommandLineOption cpuOnlyOption(QStringLiteral("cpu-only"), QStringLiteral("Only the CPU run."));
    parser.addOptions({pointsOption, minutesOption, daysOption, momentsOption, cpuOnlyOption});
    parser.process(app);
    const int points = parser.value(pointsOption).toInt();
    const int minutes = std::clamp(parser.value(minutesOption).toInt(), 1, 60);
    const int days = std::max(1, parser.value(daysOption).toInt());
    const int momentCount = std::max(1, parser.value(momentsOption).toInt());

    QTemporaryDir dir;
    const QString siteUrl = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("site.db"));
    auto db = so::db::Connection::open(siteUrl);
    so::db::DemoSiteOptions siteOptions;
    siteOptions.points = points;
    so::db::generateDemoSite(*db, siteOptions);

    qint64 now = kStart;
    sv::FieldOptions fieldOptions;
    // CPU: one field, the history attached in every other minute (the history then misses the
    // other minutes' changes: this run is for the CPU only).
    Cpu with, without;
    {
        sv::HistoryOptions options;
        options.folder = dir.filePath(QStringLiteral("cpu.history"));
        options.clock = [&now] { return now; };
        sv::ReportHistory history(options, nullptr);
        auto fieldDb = so::db::Connection::open(siteUrl);
        sv::SimulatedField field(*fieldDb, fieldOptions);
        field.setHistory(&history);
        field.load();
        // The seed (every point's state and the first snapshot) is the history's start, not a
        // report's cost: written before the first minute is timed.
        history.sync(600000);
        dumpInstructions("setup");
        for (int minute = 0; minute < minutes; ++minute) {
            field.setHistory(minute % 2 == 0 ? &history : nullptr);
            driveMinute(field, now, minute % 2 == 0 ? with : without);
            dumpInstructions(minute % 2 == 0 ? "with" : "without");
        }
    }
    std::printf("reports_with_history %lld\n", static_cast<long long>(with.reports));
    std::printf("reports_without_history %lld\n", static_cast<long long>(without.reports));
    std::printf("process_cpu_us_per_report_without_history %.2f\n", without.processUs());
    std::printf("process_cpu_us_per_report_with_history %.2f\n", with.processUs());
    std::printf("process_cpu_ratio_with_to_without %.3f\n", with.processUs() / without.processUs());
    std::printf("history_extra_process_cpu_percent %.1f\n",
                100.0 * (with.processUs() - without.processUs()) / without.processUs());
    std::printf("field_thread_cpu_us_per_report_without_history %.2f\n", without.fieldUs());
    std::printf("field_thread_cpu_us_per_report_with_history %.2f\n", with.fieldUs());
    std::printf("history_extra_field_thread_cpu_percent %.1f\n",
                100.0 * (with.fieldUs() - without.fieldUs()) / without.fieldUs());
    if (parser.isSet(cpuOnlyOption))
        return 0;

    // Size: the history of the whole time, and the same reports kept by a sink.
    sv::HistoryOptions historyOptions;
    historyOptions.folder = dir.filePath(QStringLiteral("site.db.history"));
    historyOptions.clock = [&now] { return now; };
    Reports reports;
    reports.now = &now;
    Cpu recorded;
    {
        now = kStart;
        sv::ReportHistory history(historyOptions, nullptr);
        auto fieldDb = so::db::Connection::open(siteUrl);
        sv::SimulatedField field(*fieldDb, fieldOptions);
        field.setHistory(&history);
        field.load();
        field.addSink(&reports);
        for (int minute = 0; minute < minutes; ++minute)
            driveMinute(field, now, recorded);
    }
    std::printf("field_reports_recorded %lld\n", static_cast<long long>(recorded.reports));
    const qint64 historyBytes = folderBytes(historyOptions.folder);
    std::printf("history_bytes_per_report %.2f\n", double(historyBytes) / double(recorded.reports));
    std::printf("database_bytes_per_report_address_text %.2f\n",
                databaseBytesPerReport(dir.filePath(QStringLiteral("text.db")), reports.rows, false));
    std::printf("database_bytes_per_report_point_number %.2f\n",
                databaseBytesPerReport(dir.filePath(QStringLiteral("number.db")), reports.rows, true));

    // Days of hourly segments from the hour recorded.
    const QVector<sv::history::Segment> segments = sv::history::HistoryReader::segments(historyOptions.folder);
    QFile first(segments.front().path);
    first.open(QIODevice::ReadOnly);
    const QByteArray hour = first.readAll();
    const QString daysFolder = dir.filePath(QStringLiteral("days.history"));
    QDir().mkpath(daysFolder);
    for (qint64 h = 0; h < qint64(days) * 24; ++h)
        copySegment(hour, daysFolder, h);
    std::printf("segments %d, bytes %lld\n", days * 24, static_cast<long long>(folderBytes(daysFolder)));

    sv::history::HistoryReader reader(daysFolder, {});
    QRandomGenerator rng(7);
    const qint64 span = qint64(days) * 24 * kHourMs;
    std::vector<double> rebuildMs, copyMs;
    for (int m = 0; m < momentCount; ++m) {
        // Spread over the days, each in the last minutes an hour's segment holds.
        const qint64 moment = kStart + qint64(rng.bounded(quint32(span / kHourMs))) * kHourMs +
                              qint64(minutes) * 60000 - 1 - qint64(rng.bounded(quint32(14 * 60000)));
        QElapsedTimer clock;
        clock.start();
        const sv::history::PastBoard board = reader.boardAt(moment, kStart + span);
        rebuildMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (board.fidelity != sv::history::Fidelity::Exact) {
            std::fprintf(stderr, "moment not rebuilt: %s\n", qPrintable(board.note));
            return 1;
        }
        clock.restart();
        sv::copySiteAt(*db, dir.filePath(QStringLiteral("at-%1.db").arg(m)), board);
        copyMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        QFile::remove(dir.filePath(QStringLiteral("at-%1.db").arg(m)));
    }
    // What a desk waits for a moment: its board rebuilt, then the copy made with it.
    std::vector<double> totalMs;
    for (size_t m = 0; m < rebuildMs.size(); ++m)
        totalMs.push_back(rebuildMs[m] + copyMs[m]);
    std::sort(rebuildMs.begin(), rebuildMs.end());
    std::sort(totalMs.begin(), totalMs.end());
    std::printf("rebuild_ms_median %.1f\n", rebuildMs[rebuildMs.size() / 2]);
    std::printf("rebuild_ms_max %.1f\n", rebuildMs.back());
    std::printf("copy_and_apply_ms_max %.1f\n", *std::max_element(copyMs.begin(), copyMs.end()));
    std::printf("moment_ms_median %.1f\n", totalMs[totalMs.size() / 2]);
    std::printf("moment_ms_max %.1f\n", totalMs.back());
    return 0;
}
