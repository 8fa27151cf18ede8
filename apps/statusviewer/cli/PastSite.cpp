#include "cli/PastSite.h"

#include "field/PastBoardCopy.h"
#include "field/ReportHistory.h"
#include "StartupError.h"
#include "host/AppSite.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace sv {

PastSite::PastSite(const QString& siteUrl, PastReader who)
    : siteUrl_(siteUrl), who_(std::move(who)),
      history_(historyFolderFor(siteUrl), [this](const QString& line) { log_.error(line); }) {
    log_.setEcho(false);
    const QString folder = historyFolderFor(siteUrl);
    if (folder.isEmpty())
        throw StartupError(QStringLiteral("%1 is no site file of its own: it keeps no report history").arg(siteUrl));
    // Opening a missing file would create an empty one.
    if (!QFileInfo::exists(sqliteFileOf(siteUrl)))
        throw StartupError(
            QStringLiteral("there is no site file %1").arg(QDir::toNativeSeparators(sqliteFileOf(siteUrl))));
    if (!QDir(folder).exists())
        throw StartupError(
            QStringLiteral("the site keeps no report history (no folder %1)").arg(QDir::toNativeSeparators(folder)));
    if (!scratch_.isValid())
        throw StartupError(QStringLiteral("no scratch folder for the site's copies: %1").arg(scratch_.errorString()));
    try {
        site_ = so::db::Connection::open(siteUrl);
    } catch (const so::db::DbError& e) {
        throw StartupError(QStringLiteral("the site cannot be read: %1").arg(e.message()));
    }
}

PastSite::~PastSite() = default;

std::unique_ptr<PastMoment> PastSite::open(qint64 moment) {
    auto past = std::make_unique<PastMoment>();
    past->board = history_.boardAt(moment, QDateTime::currentMSecsSinceEpoch());
    if (past->board.fidelity == history::Fidelity::Unavailable)
        throw StartupError(QStringLiteral("the history holds nothing for %1: %2")
                               .arg(QDateTime::fromMSecsSinceEpoch(moment).toString(Qt::ISODate), past->board.note));
    const QString copy = scratch_.filePath(QStringLiteral("at-%1.db").arg(++copies_));
    try {
        copySiteAt(*site_, copy, past->board);
    } catch (const so::db::DbError& e) {
        throw StartupError(QStringLiteral("the site could not be copied for the moment: %1").arg(e.message()));
    }
    WorkstationOptions options;
    options.siteUrl = QStringLiteral("sqlite:") + copy;
    options.host.computerName = who_.computerName;
    options.host.operatorName = who_.operatorName;
    options.logFolder = scratch_.path();
    options.headless = true;
    past->desk = std::make_unique<Workstation>(options, HostServices{&texts_, &log_, nullptr, nullptr, &images_},
                                               silent_, notices_);
    if (!who_.group.isEmpty() && !past->desk->showGroup(who_.group))
        throw StartupError(QStringLiteral("The site has no status group \"%1\"").arg(who_.group));
    past->reader = std::make_unique<so::StatusReader>(past->desk->status());
    return past;
}

QVector<history::PastReport> PastSite::reports(qint64 from, qint64 to, int limit) {
    return history_.reports(from, to, limit);
}

}  // namespace sv
