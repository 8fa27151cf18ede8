#include "Workstation.h"

#include "AppDialogs.h"
#include "AppLog.h"
#include "AppSite.h"
#include "SimulatedField.h"
#include "StatusAdapters.h"
#include "SyncBus.h"

#include "component/StatusInternals.h"
#include <domain/Address.h>
#include <grid/StatusGrid.h>
#include <window/StatusWindow.h>
#include <statusobject/Status.h>

#include <QCryptographicHash>

#include <algorithm>
#include <numeric>

namespace sv {

Workstation::Workstation(const WorkstationOptions& options, const HostServices& services, StateSource& field,
                         NoticeBus& bus)
    : field_(field), bus_(bus) {
    const QString name = options.host.computerName;
    try {
        db_ = so::db::Connection::open(options.siteUrl);
    } catch (const so::db::DbError& e) {
        throw StartupError(QStringLiteral("Workstation %1 cannot open the site: %2").arg(name, e.message()));
    }
    try {
        host_ = std::make_unique<SiteHost>(*db_, options.host, services);
    } catch (const so::HostError& e) {
        throw StartupError(QStringLiteral("Workstation %1 cannot start: %2").arg(name, e.message()));
    }

    status_ = std::make_unique<so::Status>();
    if (options.headless) {
        dialogs_ = std::make_unique<LoggedDialogs>(*services.log, name);
        status_->setDialogs(dialogs_.get());
    }
    if (!options.logFolder.isEmpty())
        status_->setLogFolder(options.logFolder);
    status_->setDBConnection(db_.get());
    status_->setNTConnection(host_.get());
    status_->setParent(host_.get());
    status_->setComputerName(name);
    status_->setCurrentProfileID(host_->profileId());
    // Time stamps as 24-hour times, the same on every machine.
    status_->setTimeFormat(true);
    status_->Show();
    // Several workstations share one desk here: each window's title keeps its workstation's name.
    status_->setCaptionSuffix(name);

    sink_ = std::make_unique<StatusStateSink>(*status_);
    receiver_ = std::make_unique<StatusSyncReceiver>(*status_);
    busId_ = host_->WorkstationID();
    field_.addSink(sink_.get());
    bus_.attach(busId_, receiver_.get());
}

Workstation::~Workstation() {
    field_.removeSink(sink_.get());
    bus_.detach(busId_);
    try {
        status_->ShutDown();
    } catch (const std::exception& e) {
        host_->LogError(0, {0, QString::fromLocal8Bit(e.what()), QStringLiteral("statusviewer")},
                        QStringLiteral("Workstation: ShutDown"), 0, 0);
    }
}

QWidget* Workstation::widget() const { return status_->widget(); }

int Workstation::pointsShown() { return status_->pointsShown(); }

int Workstation::errorReports() { return status_->errorReportsWritten(); }

QStringList Workstation::shownRows(bool newerLine) {
    QStringList lines;
    for (int section = 0; section < so::kSectionCount; ++section) {
        const so::StatusGrid& grid = so::windowOf(*status_).grid(section);
        QVector<int> columns;
        for (int c = 0; c < grid.columnCount(); ++c)
            if (grid.column(c).key != QLatin1String("LastUpdated"))
                columns.append(c);
        std::sort(columns.begin(), columns.end(),
                  [&](int a, int b) { return grid.column(a).key < grid.column(b).key; });
        const int address = grid.columnIndex(QStringLiteral("Address"));
        QVector<int> rows(grid.rowCount());
        std::iota(rows.begin(), rows.end(), 1);
        if (address >= 0)
            std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
                return grid.cell(a, address).text < grid.cell(b, address).text;
            });
        for (int row : std::as_const(rows)) {
            if (!newerLine && address >= 0 && so::isNewerLineAddress(grid.cell(row, address).text))
                continue;
            QString line = QString::number(section);
            for (int c : std::as_const(columns)) {
                const so::GridCell& cell = grid.cell(row, c);
                line += QLatin1Char('\t') + grid.column(c).key + QLatin1Char('=') + cell.text;
                if (cell.icon >= 0)
                    line += QLatin1Char('#') + QString::number(cell.icon);
            }
            lines << line;
        }
    }
    return lines;
}

QString Workstation::checksum(bool newerLine) {
    const QByteArray rows = shownRows(newerLine).join(QLatin1Char('\n')).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(rows, QCryptographicHash::Sha1).toHex().left(16));
}

bool Workstation::showGroup(const QString& name) {
    so::StatusWindow& window = so::windowOf(*status_);
    const QVector<so::GroupEntry>& entries = window.groupEntries();
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].text == name) {
            window.selectGroupEntry(i);
            return true;
        }
    }
    return false;
}

void Workstation::refreshAllRows() { so::windowOf(*status_).RefreshAllRows(); }

}  // namespace sv
