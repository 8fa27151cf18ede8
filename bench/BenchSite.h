// A Status component on a generated demo site, set up as a host sets it up, for the benchmarks.
//
// The site lives in a private in-memory SQLite database (the embedded default). The component is
// shown (headless under a QCoreApplication, with its Qt window under a QApplication) and then
// switched to the site's "Entire Site" group, so every point of the site has its row.
#pragma once

#include "support/FakeDialogs.h"
#include "support/FakeHost.h"

#include "site/DemoSite.h"
#include "base/ComponentContext.h"
#include "grid/ColumnLayout.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <statusobject/Db.h>
#include <statusobject/Status.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>

namespace so::bench {

/// Plain coloured squares standing in for the host's image list (icons are drawn with the window).
class SquareImages : public ImageList {
public:
    int count() const override { return 100; }
    QVariant image(int index) const override {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(QColor::fromHsv((index * 37) % 360, 200, 200));
        return image;
    }
};

/// The recording fake host with an image list. It records every host call: after a storm the
/// number of recorded calls shows whether the hot path calls the host at all.
class BenchHost : public test::FakeHost {
public:
    const ImageList* ilconsole() override { return &images; }
    SquareImages images;
};

class BenchSite {
public:
    /// Generates a site of `points` points and creates the component on it (not yet shown).
    explicit BenchSite(int points) {
        db = db::Connection::open(QStringLiteral("sqlite::memory:"));
        db::DemoSiteOptions options;
        options.points = points;
        site = db::generateDemoSite(*db, options);
        status = std::make_unique<Status>();
        status->setDialogs(&dialogs);
        status->setLogFolder(logDir.path());
        status->setParent(&host);
        status->setNTConnection(&host);
        status->setDBConnection(db.get());
        status->setComputerName(QStringLiteral("WS1"));
        status->setGraphicsPath(logDir.path());
        status->setCurrentProfileID(site.defaultProfileId);
        status->setTimeFormat(true);
    }

    /// The host's Show: the window loads with the profile's default (small) group.
    void show() { status->Show(); }

    /// Selects the group in the status-group box, as the operator does (cmbStatusGroup_Click).
    void showGroup(int groupId) {
        StatusWindow& w = status->window();
        const int index = w.findGroupEntry(groupId);
        if (index < 0)
            throw std::runtime_error("group not in the status-group box");
        w.selectGroupEntry(index);
    }

    void showEntireSite() { showGroup(site.siteGroupId); }

    StatusWindow& window() { return status->window(); }
    StatusGrid& grid(int section) { return status->window().grid(section); }

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

    std::unique_ptr<db::Connection> db;
    db::DemoSiteSummary site;
    QTemporaryDir logDir;
    BenchHost host;
    test::FakeDialogs dialogs;
    std::unique_ptr<Status> status;
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

}  // namespace so::bench
