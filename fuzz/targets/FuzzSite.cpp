#include "FuzzSite.h"
#include "status/StatusBoard.h"

#include "FuzzTargets.h"

#include "component/StatusInternals.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>

namespace so::fuzz {
namespace {

// Big enough that every kind of point is present, small enough that a full refresh stays cheap.
constexpr int kSitePoints = 300;
// The error log is emptied when an input left more than this in it.
constexpr qint64 kMaxLogBytes = 1 << 20;

void ensureApplication() {
    if (QCoreApplication::instance() != nullptr)
        return;
    // Lives for the process, like the application object of a host.
    static int argc = 1;
    static char name[] = "statusobject-fuzz";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

}  // namespace

FuzzSite& FuzzSite::instance() {
    ensureApplication();
    // Never destroyed: inputs run until the process ends, and the application object may be gone
    // before static destructors run.
    static FuzzSite* site = new FuzzSite;
    return *site;
}

FuzzSite::FuzzSite() {
    db_ = db::Connection::open(QStringLiteral("sqlite::memory:"));
    site_ = db::generateDemoSite(*db_, {kSitePoints, 1, QStringLiteral("WS1")});
    status_ = std::make_unique<Status>();
    status_->setDialogs(&dialogs_);
    status_->setLogFolder(logDir_.path());
    status_->setConsole(&host_);
    status_->setNTConnection(&host_);
    status_->setDBConnection(db_.get());
    status_->setComputerName(QStringLiteral("WS1"));
    status_->setGraphicsPath(logDir_.path());
    status_->setCurrentProfileID(site_.defaultProfileId);
    status_->setTimeFormat(true);
    status_->Show();
    showSiteGroup();
    groupEntryCount_ = int(window().groupEntries().size());

    QSet<QString> seen;
    const auto add = [&](const QString& address) {
        if (!seen.contains(address)) {
            seen.insert(address);
            addresses_ << address;
        }
    };
    for (int section = 0; section < 8; ++section) {
        StatusGrid& grid = window().board().sections().grid(section);
        for (int row = 1; row <= grid.rowCount(); ++row)
            add(grid.text(row, QStringLiteral("Address")));
    }
    for (int row = 1; row <= window().board().sections().masked().rowCount(); ++row)
        add(window().board().sections().masked().text(row, QStringLiteral("Address")));
    for (db::Recordset rs = db_->query(QStringLiteral("SELECT Address FROM Controllers")); !rs.eof(); rs.moveNext())
        add(rs.field(0).toString());
    if (addresses_.isEmpty())
        throw Finding(QStringLiteral("the fuzz site's window shows no rows"));
}

StatusWindow& FuzzSite::window() { return windowOf(*status_); }

void FuzzSite::showSiteGroup() {
    StatusWindow& w = window();
    w.loadGroupBox();
    const int index = w.findGroupEntry(site_.siteGroupId);
    if (index >= 0)
        w.selectGroupEntry(index);
    else
        w.FillPoints(site_.siteGroupId);
}

void FuzzSite::beginInput() {
    host_.clearCalls();
    host_.loggedErrors.clear();
    dialogs_.messages.clear();
    dialogs_.questions.clear();
    dialogs_.prompts.clear();
    QFile log(logDir_.filePath(QStringLiteral("StatusObject.log")));
    if (log.size() > kMaxLogBytes)
        log.remove();
    StatusWindow& w = window();
    if (w.currentGroup() != site_.siteGroupId || w.groupEntries().size() != groupEntryCount_)
        showSiteGroup();
}

qint64 FuzzSite::databaseChanges() {
    db::Recordset rs = db_->query(QStringLiteral("SELECT total_changes()"));
    return rs.eof() ? -1 : rs.field(0).toLongLong();
}

std::array<int, 8> FuzzSite::rowCounts() {
    std::array<int, 8> counts{};
    for (int section = 0; section < 8; ++section)
        counts[std::size_t(section)] = window().board().sections().grid(section).rowCount();
    return counts;
}

void FuzzSite::checkAddressIndexes() {
    const auto checkGrid = [](const StatusGrid& grid, const QString& name) {
        const int column = grid.columnIndex(QStringLiteral("Address"));
        if (column < 0)
            return;
        for (int row = 1; row <= grid.rowCount(); ++row) {
            const QString& address = grid.text(row, column);
            const int found = grid.findRow(address);
            check(found >= 1 && found <= row && grid.text(found, column) == address,
                  QStringLiteral("%1: row %2 (\"%3\") is found as row %4").arg(name).arg(row).arg(address).arg(found));
        }
    };
    for (int section = 0; section < 8; ++section)
        checkGrid(window().board().sections().grid(section), QStringLiteral("section %1").arg(section));
    checkGrid(window().board().sections().masked(), QStringLiteral("masked list"));
}

}  // namespace so::fuzz
