// The status viewer's command line: what to open, how many workstations, how busy the field is and
// how long a headless run lasts. Parsed before the application object exists (whether the run is
// headless decides the platform the application starts on).
#pragma once

#include "MqttLink.h"

#include <QDateTime>
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

namespace sv {

/// What one process of the application is: the whole demo site in one process (the default), or
/// one part of a multi-desk site on a broker; operator-password sets an operator's password in
/// the site's directory.
enum class Role { Demo, Field, Workstation, Web, OperatorPassword };

/// A supervisor's reading of the report history, run instead of the demo (HistoryCommands.h).
enum class HistoryTask { None, Compare, ExportIncident };

struct AppOptions {
    Role role = Role::Demo;
    /// --broker and its login (roles field and workstation only).
    BrokerSettings broker;
    /// The workstation's computer name (role workstation; default WS1).
    QString computerName = QStringLiteral("WS1");
    /// The group every window shows at the start instead of its profile's; empty: the profile's.
    QString group;
    /// Role field: stop the traffic after this many state reports (0: no limit).
    qint64 reports = 0;
    /// Role field: state reports of each minute sent in one second of it (0: an even rate).
    int burst = 0;
    /// Read control lines from standard input and answer on standard output (roles only).
    bool control = false;
    /// sqlite:PATH or odbc:CONNECTION-STRING; empty: the demo site in the user's data folder.
    QString dbUrl;
    /// --create-demo: a sqlite: file named by --db that does not exist is created as a demo site
    /// (without it, a missing file is refused: a mistyped path must not start an empty demo).
    bool createDemo = false;
    /// Points of a demo site created by this run.
    int scale = 2000;
    /// The operator's login name or number; empty: the operator with the lowest number. Role
    /// workstation: the operator to sign in (with operatorPasswordFile, or as the sign-in's
    /// suggestion); role operator-password: whose password is set.
    QString operatorName;
    /// Role workstation: a file whose first line is the operator's password (a headless desk).
    QString operatorPasswordFile;
    int workstations = 1;
    /// Field traffic per second.
    double rate = 200.0;
    /// Days the field keeps its report history beside the site database (roles demo and field;
    /// 0: none).
    int historyDays = 30;
    /// --headless was given (a run without a display is headless too, see runsHeadless).
    bool headless = false;
    /// --stats: a line of figures per second (see RunStats).
    bool stats = false;
    /// How long to run; unset: a headless run lasts kDefaultHeadlessSeconds, an interactive one
    /// until its windows are closed.
    std::optional<double> seconds;
    /// Every window starts with "Abnormal only" on (the triage view).
    bool abnormalOnly = false;
    /// Folder of the screenshots; unset: the current folder for a headless run, none interactively.
    std::optional<QString> outDir;

    /// --compare T1 T2 or --export-incident T (with --db): the moments, local time.
    HistoryTask historyTask = HistoryTask::None;
    QDateTime moment;
    QDateTime secondMoment;
    /// The incident's window: the moment plus and minus this.
    int windowMinutes = 15;
    /// The file a history task writes (--out); compare without it lists on standard output.
    QString outFile;

    /// Role web: where it listens (--listen HOST:PORT; default loopback port 8080), TLS, the page's
    /// folder and the sessions' idle time.
    QString listenHost = QStringLiteral("127.0.0.1");
    int listenPort = 8080;
    bool insecureListen = false;
    bool behindTlsProxy = false;
    QList<QHostAddress> trustedProxies;
    QStringList allowedHosts;
    QString tlsCert;
    QString tlsKey;
    QString webRoot;
    int idleMinutes = 15;
};

/// Limits the command line accepts.
inline constexpr int kMinScale = 1;
inline constexpr int kMaxScale = 100000;
inline constexpr int kMaxWorkstations = 16;
inline constexpr int kMaxHistoryDays = 3660;
inline constexpr double kDefaultHeadlessSeconds = 5.0;
inline constexpr int kMaxWindowMinutes = 720;

struct CommandLine {
    AppOptions options;
    bool helpRequested = false;
    /// Why the command line was refused; empty when it was accepted.
    QString error;
};

/// Reads the arguments (the first is the program). Never exits: --help and errors are reported
/// in the result for the caller to print.
CommandLine parseCommandLine(const QStringList& arguments);

/// A moment of the site's local time, "yyyy-MM-dd HH:mm" or "yyyy-MM-dd HH:mm:ss" (a "T" may
/// stand for the space); nullopt with why for anything else, or a time the clock skips.
std::optional<QDateTime> parseMoment(const QString& text, QString& error);

/// The --help text.
QString commandLineHelp();

/// True when the run has no screen to show windows on: --headless, no DISPLAY nor WAYLAND_DISPLAY,
/// or the offscreen platform chosen through QT_QPA_PLATFORM.
bool runsHeadless(const AppOptions& options, const QString& display, const QString& waylandDisplay,
                  const QString& qpaPlatform);

}  // namespace sv
