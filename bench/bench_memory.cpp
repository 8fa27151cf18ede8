// Memory per shown row: the growth of the resident set (/proc/self/statm) when the window goes
// from the small default group to the "Entire Site" group of a demo site of 50,000 points,
// divided by the rows added. Freed heap is handed back to the system (malloc_trim) before each
// reading, so the figure is what the rows keep, not what the fill used on its way.
//   bench_memory [--points 50000] [--window]
// Headless by default (the grids only); --window shows the Qt window (offscreen), so the item
// models and views are counted too.
#include "BenchSite.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QWidget>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace {

using namespace so::bench;

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

qint64 settledResident() {
    for (int round = 0; round < 4; ++round)
        QCoreApplication::processEvents();
    malloc_trim(0);
    return residentBytes();
}

}  // namespace

int main(int argc, char** argv) {
    bool window = false;
    int points = 50000;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--window")
            window = true;
        else if (arg == "--points" && i + 1 < argc)
            points = QByteArray(argv[++i]).toInt();
    }
    if (window && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app =
        window ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);

    BenchSite site(points);
    site.show();
    if (QWidget* frame = site.status->widget()) {
        frame->resize(1280, 900);
        frame->show();
    }
    const int rowsBefore = site.shownRows();
    const qint64 before = settledResident();
    site.showEntireSite();
    const int rowsAfter = site.shownRows();
    const qint64 after = settledResident();

    const double perRow = double(after - before) / double(std::max(1, rowsAfter - rowsBefore));
    const char* mode = window ? "window" : "headless";
    std::printf("memory/%s/%d rows_added          %d\n", mode, points, rowsAfter - rowsBefore);
    std::printf("memory/%s/%d resident_before_kb  %lld\n", mode, points, before / 1024);
    std::printf("memory/%s/%d resident_after_kb   %lld\n", mode, points, after / 1024);
    std::printf("memory/%s/%d bytes_per_row       %.0f\n", mode, points, perRow);
    return 0;
}
