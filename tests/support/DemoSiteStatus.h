// A Status component on a generated demo site, wired as a host wires it: the site in a private
// in-memory SQLite database (the embedded default), the recording host with an image list,
// scripted dialogs and a log folder of its own. The widget tests, the component tests, the
// reliability tests and the benchmarks all start from it.
#pragma once

#include "support/FakeDialogs.h"
#include "support/FakeHost.h"

#include "site/DemoSite.h"

#include <statusobject/Db.h>
#include <statusobject/Status.h>

#include <QColor>
#include <QImage>
#include <QTemporaryDir>

#include <memory>

namespace so::test {

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

/// The recording fake host that also hands over an image list.
class ImageHost : public FakeHost {
public:
    const ImageList* ilconsole() override { return &images; }
    SquareImages images;
};

/// A component on `db` set up as a host sets it up (not yet shown): the dialogs, `folder` for its
/// log and graphics, the host as both host objects, workstation "WS1", the site's default profile
/// and the 24-hour time format.
inline std::unique_ptr<Status> makeSiteStatus(db::Connection& db, const db::DemoSiteSummary& site, FakeHost& host,
                                              FakeDialogs& dialogs, const QString& folder) {
    auto status = std::make_unique<Status>();
    status->setDialogs(&dialogs);
    status->setLogFolder(folder);
    status->setConsole(&host);
    status->setNTConnection(&host);
    status->setDBConnection(&db);
    status->setComputerName(QStringLiteral("WS1"));
    status->setGraphicsPath(folder);
    status->setCurrentProfileID(site.defaultProfileId);
    status->setTimeFormat(true);
    return status;
}

/// A generated demo site in memory with a component on it. The members are declared so that the
/// component goes first, before the host, the dialogs and the database it uses.
struct DemoSiteStatus {
    /// Generates a site of `points` points in the database `url` (a private in-memory one unless
    /// given) and creates the component on it (not yet shown).
    void open(int points, const QString& url = QStringLiteral("sqlite::memory:")) {
        db = db::Connection::open(url);
        db::DemoSiteOptions options;
        options.points = points;
        site = db::generateDemoSite(*db, options);
        status = makeStatus(host, dialogs);
    }

    /// Another component on the same site, as a second workstation would have it.
    std::unique_ptr<Status> makeStatus(FakeHost& otherHost, FakeDialogs& otherDialogs) {
        return makeSiteStatus(*db, site, otherHost, otherDialogs, logDir.path());
    }

    std::unique_ptr<db::Connection> db;
    db::DemoSiteSummary site;
    QTemporaryDir logDir;
    ImageHost host;
    FakeDialogs dialogs;
    std::unique_ptr<Status> status;
};

}  // namespace so::test
