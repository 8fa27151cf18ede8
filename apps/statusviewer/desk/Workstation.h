// One workstation of the status viewer: its own connection to the site, its host objects and its
// Status component, fed by the simulated field and by the other workstations' notices.
//
// Wiring: the connection, then the host, then the Status with its properties and Show; only then
// does the workstation receive field reports and notices. Closing undoes it in reverse: no report
// or notice reaches the Status once it starts shutting down.
#pragma once

#include "host/SiteHost.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class QWidget;

namespace so {
class AlarmHost;
class Status;
}  // namespace so

namespace sv {

class LoggedDialogs;
class NoticeBus;
class PastReplay;
class PastSource;
class PastWindow;
class StateSource;
class StatusStateSink;
class StatusSyncReceiver;

struct WorkstationOptions {
    QString siteUrl;
    WorkstationSetup host;
    /// Folder of the component's own error log.
    QString logFolder;
    /// Message boxes and questions are logged and answered "no" instead of shown.
    bool headless = true;
    /// How long start-up waits for a site another connection holds locked (a field writing a
    /// storm, a backup); the window's own reads keep the connection's short default wait.
    int startLockWaitMs = 10000;
    /// Where the operator's alarm steps go (not owned; outlives the workstation); null: the
    /// component records them in the site database itself.
    so::AlarmHost* alarms = nullptr;
    /// Where the site's past is read (not owned; outlives the workstation); null: the window
    /// offers no "At…".
    PastSource* past = nullptr;
    /// The past moment the workstation shows, on a copy of the site as of then (ms since 1970):
    /// its rows are drawn and its alarms counted as at that moment; 0: live.
    qint64 shownMoment = 0;
};

class Workstation {
public:
    /// Opens the workstation and shows its status window. Throws StartupError when the site cannot
    /// be opened, stays locked longer than startLockWaitMs, or the operator is unknown.
    Workstation(const WorkstationOptions& options, const HostServices& services, StateSource& field, NoticeBus& bus);
    ~Workstation();
    Workstation(const Workstation&) = delete;
    Workstation& operator=(const Workstation&) = delete;

    QString computerName() const { return host_->computerName(); }
    SiteHost& host() { return *host_; }
    /// The workstation's own connection to the site.
    so::db::Connection& database() { return *db_; }
    so::Status& status() { return *status_; }
    /// The status window, or null while the run has no widgets.
    QWidget* widget() const;

    /// Rows in the eight section grids of the status window.
    int pointsShown();
    /// Errors the component wrote to its own error log.
    int errorReports();
    /// A digest of the cells of every shown row (by section, rows by address, columns by key;
    /// every column but the times of reception), the same on two workstations that show the same
    /// rows in the same states, whatever their order or column layout. Without newerLine, only
    /// the classic points' rows count: the rows the reports alone decide (a newer-line report
    /// makes the window re-read the point's row from the site database when it arrives).
    QString checksum(bool newerLine = true);
    /// What the checksum is taken of: one line per shown row, "SECTION<tab>KEY=TEXT#ICON<tab>...".
    QStringList shownRows(bool newerLine = true);
    /// Shows the status window again after the operator closed it (Esc); true when it was closed.
    bool showWindowAgain();
    /// Shows the group of that name from the group box; false when the box has none.
    bool showGroup(const QString& name);
    /// Another operator signed in: the host answers for that operator and the component is told
    /// (OnUserSwitch). Throws so::HostError for an operator the site does not have.
    void switchOperator(const QString& login);
    /// Brings every shown row up to date from the site database (the window's full refresh).
    void refreshAllRows();

    /// Shows the site as it was at moment (ms since the epoch) beside the live window, in a window
    /// of its own where the window has widgets; null when the workstation has no past to read.
    PastReplay* showPast(qint64 moment);
    /// The replay shown; null while live.
    PastReplay* past() { return replay_.get(); }
    /// The replay's window; null while live or without widgets.
    PastWindow* pastWindow() const;
    /// Closes the replay: the workstation is live only again.
    void backToLive();
    /// Asks the operator for a moment ("At…") and shows it.
    void askForPast();

private:
    void offerPast();

    // Destroyed bottom-up: the Status goes before the host and the connection it calls.
    StateSource& field_;
    NoticeBus& bus_;
    QString busId_;
    std::unique_ptr<so::db::Connection> db_;
    std::unique_ptr<SiteHost> host_;
    std::unique_ptr<LoggedDialogs> dialogs_;
    std::unique_ptr<so::Status> status_;
    std::unique_ptr<StatusStateSink> sink_;
    std::unique_ptr<StatusSyncReceiver> receiver_;
    WorkstationOptions options_;
    HostServices services_;
    std::unique_ptr<PastReplay> replay_;
    QPointer<PastWindow> pastWindow_;
};

}  // namespace sv
