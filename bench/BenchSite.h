// A Status component on a generated demo site, set up as a host sets it up, for the benchmarks.
//
// The site lives in a private in-memory SQLite database (the embedded default). The component is
// shown (headless under a QCoreApplication, with its Qt window under a QApplication) and then
// switched to the site's "Entire Site" group, so every point of the site has its row.
#pragma once

#include "support/DemoSiteStatus.h"
#include "status/StatusBoard.h"

#include "base/ComponentContext.h"
#include "component/StatusInternals.h"
#include "grid/ColumnLayout.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>

namespace so::bench {

/// The host is the recording fake host with an image list: after a storm the number of recorded
/// calls shows whether the hot path calls the host at all.
class BenchSite : public test::DemoSiteStatus {
public:
    /// Generates a site of `points` points (in the database `url`, a private in-memory one unless
    /// given) and creates the component on it (not yet shown).
    explicit BenchSite(int points, const QString& url = QStringLiteral("sqlite::memory:")) { open(points, url); }

    /// The host's Show: the window loads with the profile's default (small) group.
    void show() { status->Show(); }

    /// Selects the group in the status-group box, as the operator does (reloadSelectedGroup).
    void showGroup(int groupId) {
        StatusWindow& w = windowOf(*status);
        const int index = w.findGroupEntry(groupId);
        if (index < 0)
            throw std::runtime_error("group not in the status-group box");
        w.selectGroupEntry(index);
    }

    void showEntireSite() { showGroup(site.siteGroupId); }

    StatusWindow& window() { return windowOf(*status); }
    StatusGrid& grid(int section) { return windowOf(*status).board().sections().grid(section); }

    /// Rows of all eight sections.
    int shownRows() {
        int rows = 0;
        for (int section = 0; section < kSectionCount; ++section)
            rows += grid(section).rowCount();
        return rows;
    }

    /// Entries the component wrote to its own error log (a storm must write none).
    qint64 errorLogBytes() const {
        qint64 bytes = 0;
        for (const QString& name : QDir(logDir.path()).entryList(QDir::Files))
            bytes += QFile(logDir.path() + QLatin1Char('/') + name).size();
        return bytes;
    }
};

/// Sites kept from one benchmark to the next by size (generating a site of 50,000 points takes
/// seconds). main() releases them while the application object still exists: the component's
/// timers and database connection must go before it.
template <typename Site>
std::map<int, std::unique_ptr<Site>>& keptSites() {
    static std::map<int, std::unique_ptr<Site>> sites;
    return sites;
}

template <typename Site>
Site& keptSite(int points) {
    auto& site = keptSites<Site>()[points];
    if (!site)
        site = std::make_unique<Site>(points);
    return *site;
}

/// The main() of a headless benchmark program whose sites are kept as `Site`.
template <typename Site>
int runHeadlessBenchmarks(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    keptSites<Site>().clear();
    benchmark::Shutdown();
    return 0;
}

}  // namespace so::bench
