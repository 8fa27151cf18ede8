// The status viewer application: the services its workstations share (log, texts, broadcasts,
// icons), the simulated field on a connection of its own, and the workstations on the same site.
//
// Destruction order matters and follows the members bottom-up: the workstations close first (each
// stops receiving reports and notices before its Status shuts down), then the field writes its last
// changes back through its connection, and the log the others write to goes last.
#pragma once

#include "desk/Workstation.h"
#include "field/HistoryPastSources.h"
#include "field/ReportHistory.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/DrawnImageList.h"
#include "host/ResourceTexts.h"
#include "host/SyncBus.h"

#include <QElapsedTimer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>
#include <vector>

namespace sv {

struct AppConfig {
    QString siteUrl;
    /// Login name or number; empty: the operator with the lowest number.
    QString operatorName;
    int workstations = 1;
    /// Field traffic per second.
    double rate = 200.0;
    /// Days the field keeps its report history beside the site (0: none).
    int historyDays = 30;
    /// No screen: windows are not shown to anyone, dialogs never wait.
    bool headless = true;
    /// Folder of the components' error logs; empty: beside the component library.
    QString logFolder;
};

/// What a run did, as the one line a headless run prints.
struct RunSummary {
    int workstations = 0;
    /// Rows in the section grids of the first workstation.
    int pointsShown = 0;
    /// Field reports applied by the workstations (each report counts once per workstation).
    qint64 stateChanges = 0;
    double seconds = 0.0;
    /// The application's logged errors and the components' error-log reports.
    int errors = 0;

    qint64 perSecond() const;
    QString line() const;
};

/// The computer name of workstation `number` (1-based): "WS1", "WS2" ...
QString workstationName(int number);

/// Places `count` windows side by side in `area` (up to three in a row, then a grid), left to
/// right and top to bottom.
QVector<QRect> tileWindows(const QRect& area, int count);

class StatusViewerApp {
public:
    /// Opens the field and every workstation. Throws StartupError with a message for the person
    /// who started the application (site not readable, unknown operator ...).
    explicit StatusViewerApp(const AppConfig& config);
    ~StatusViewerApp();
    StatusViewerApp(const StatusViewerApp&) = delete;
    StatusViewerApp& operator=(const StatusViewerApp&) = delete;

    AppLog& log() { return log_; }
    SimulatedField& field() { return *field_; }
    /// The field's report history (null when none is kept): the desks read past moments from it.
    ReportHistory* history() { return history_.get(); }
    SyncBus& bus() { return bus_; }
    /// The field's connection to the site (for views of the site's event log).
    so::db::Connection& siteDb() { return *fieldDb_; }
    int workstationCount() const { return int(stations_.size()); }
    Workstation& workstation(int index) { return *stations_.at(size_t(index)); }

    /// Starts and stops the field's traffic; the time in between counts towards the rate.
    void startField();
    void stopField();

    RunSummary summary();

    /// Shows again every status window the operator closed; returns how many.
    int showClosedWindows();
    /// Gives every status window this size (windows of a headless run have no screen to fit).
    void resizeWindows(const QSize& size);
    /// Lets the windows take in what changed last, then writes each workstation's window to
    /// DIR/workstation-K.png. Returns the files written; fills error and stops at the first failure.
    QStringList writeScreenshots(const QString& dir, QString& error);

private:
    AppLog log_;
    ResourceTexts texts_{&log_};
    SyncBus bus_;
    DrawnImageList images_;
    std::unique_ptr<so::db::Connection> fieldDb_;
    std::unique_ptr<ReportHistory> history_;
    std::unique_ptr<HistoryPastSource> past_;
    std::unique_ptr<SimulatedField> field_;
    std::vector<std::unique_ptr<Workstation>> stations_;
    QElapsedTimer running_;
    qint64 runMs_ = 0;
};

/// Runs the event loop for ms milliseconds (timers fire, views repaint).
void runEventsFor(int ms);

}  // namespace sv
