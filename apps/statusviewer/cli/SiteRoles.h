// The processes of a multi-desk site on a broker (statusviewer field | workstation --broker ...).
//
// FieldRole: the simulated field on the site database, its reports published through a
// FieldBroadcaster, the desks' commands answered. It also keeps a reference view: a status
// component of its own (computer name FIELD, headless dialogs) fed straight from the field, whose
// checksum is what every desk showing the same group must arrive at.
//
// DeskRole: one workstation whose field and notice bus is a DeskLink; the window's status bar shows
// the broker link and, apart from it, the field's state. Both reuse the single-process demo's parts
// (SimulatedField, Workstation, SiteHost, ResourceTexts ...); only the transport differs.
//
// With --control a role reads one command a line from standard input and answers with one line
// (ControlChannel): the way scripts and the end-to-end tests drive the processes.
#pragma once

#include "cli/CliOptions.h"
#include "desk/BusAlarms.h"
#include "desk/FieldLinkLabel.h"
#include "desk/OperatorSignIn.h"
#include "desk/SignInScreen.h"
#include "desk/Workstation.h"
#include "field/HistoryPastSources.h"
#include "field/ReportHistory.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/DrawnImageList.h"
#include "host/ResourceTexts.h"
#include "host/SiteHost.h"
#include "host/SyncBus.h"

#include "MqttLink.h"
#include "MqttSite.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <memory>

namespace sv {

/// The control line "rows FILE": the rows station shows, as its checksum reads them, into FILE;
/// the answer "rows NAME COUNT", or what went wrong.
QString writeRows(Workstation& station, const QString& path);

/// The control line "applied FILE" of a desk run with --stats: the reports it applied since the
/// last such line, one "SEQ AT_MS APPLIED_MS" line each, into FILE; the answer "applied NAME
/// COUNT", or what went wrong.
QString writeAppliedReports(DeskLink& desk, const QString& name, const QString& path);
/// A client id the broker has not seen: the role, the name and a random part (a restarted
/// process must not be taken for the old one).
QString clientId(const QString& role, const QString& name);
/// The topics a desk's link subscribes to: states, every login's notices, events, the field's
/// session, resync answers and the answers to this desk's own commands.
QStringList deskSubscriptions(const QString& site, const QString& computerName);

/// Lines from standard input, each handed to the handler; the handler's answer goes to standard
/// output as one line ("failed: WHY" when it threw). Ends quietly at the end of the input.
class ControlChannel final : public QObject {
public:
    explicit ControlChannel(std::function<QString(const QString& line)> handler);

private:
    void readable();

    std::function<QString(const QString&)> handler_;
    QSocketNotifier notifier_;
    QByteArray buffer_;
};

/// What a role's process shares among its parts.
struct RoleServices {
    AppLog log;
    ResourceTexts texts{&log};
    DrawnImageList images;
};

class FieldRole {
public:
    /// Opens the site, the field and the reference view, and connects to the broker. Throws StartupError.
    FieldRole(const AppOptions& options, const QString& siteUrl, const QString& logFolder);
    ~FieldRole();

    /// Starts the traffic: at --rate, and with --reports until that many reports were sent (then
    /// the states are written and the run's end is announced). With --control the process starts
    /// it on the control line "start".
    void start();
    void stop();
    /// The answer to a control line.
    QString control(const QString& line);
    /// "statusviewer field: N state reports published, checksum C (P points), E errors logged".
    QString summary();
    Workstation& reference() { return *reference_; }

private:
    void drive();

    AppOptions options_;
    RoleServices services_;
    SyncBus localBus_;
    std::unique_ptr<so::db::Connection> db_;
    std::unique_ptr<ReportHistory> history_;
    std::unique_ptr<SimulatedField> field_;
    std::unique_ptr<MqttLink> link_;
    std::unique_ptr<FieldBroadcaster> broadcaster_;
    std::unique_ptr<Workstation> reference_;
    QTimer driver_;
    QElapsedTimer clock_;
    double budget_ = 0.0;
    bool done_ = false;
};

class DeskRole {
public:
    /// Opens the workstation on the site and connects to the broker. Throws StartupError.
    DeskRole(const AppOptions& options, const QString& siteUrl, const QString& logFolder, bool headless);
    ~DeskRole();

    QString control(const QString& line);
    /// "statusviewer workstation WS1: N state reports applied, checksum C (P points), E errors logged".
    QString summary();
    Workstation& workstation() { return *station_; }
    DeskLink& desk() { return *desk_; }

private:
    /// Creates a group of the first points of the group shown; its id, or 0.
    qint32 createGroup(const QString& name);
    /// The operator's sign-in: the sign-in screen, or the password file of a headless desk.
    void startSignIn(bool headless);
    /// A headless desk signs its operator in again whenever the field can answer and the
    /// operator is not signed in (at the start, after a field restart); not after a wrong password.
    void signInFromFile();

    AppOptions options_;
    RoleServices services_;
    std::unique_ptr<MqttLink> link_;
    std::unique_ptr<DeskLink> desk_;
    std::unique_ptr<BusAlarms> alarms_;
    std::unique_ptr<BusPastSource> past_;
    std::unique_ptr<Workstation> station_;
    std::unique_ptr<FieldLinkLabel> linkLabel_;
    std::unique_ptr<OperatorSignIn> signIn_;
    std::unique_ptr<SignInScreen> signInScreen_;
    QByteArray filePassword_;
    QElapsedTimer clock_;
    QTimer signInTimer_;
};

}  // namespace sv
