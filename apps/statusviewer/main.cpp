// The status viewer: the status component hosted on a site database, fed by a simulated field,
// in one or more workstations. With a display it shows the workstations' windows side by side and
// a console of the field and the operator events; without one (or with --headless) it runs
// offscreen for a few seconds, writes a screenshot per workstation and prints one summary line.
//
// Exit codes: 0 done, 1 could not start or could not write the screenshots, 2 bad command line.
#include "cli/CliOptions.h"
#include "cli/HistoryCommands.h"
#include "cli/OperatorPassword.h"
#include "cli/SiteRoles.h"
#include "cli/WebRole.h"
#include "demo/App.h"
#include "demo/AppEventView.h"
#include "demo/RunStats.h"
#include "host/AppSite.h"
#include "host/AppTranslations.h"

#include <statusobject/Status.h>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <cstdio>

namespace {

/// Size of a headless run's windows: room for several sections in the screenshots.
constexpr QSize kHeadlessWindowSize(1400, 900);
/// Height of the interactive console below the status windows.
constexpr int kConsoleHeight = 220;

void printError(const QString& text) { std::fprintf(stderr, "statusviewer: %s\n", qPrintable(text)); }

/// The summary line; with --stats the run's longest event-loop stall is added.
void printSummary(sv::StatusViewerApp& viewer, const sv::RunStats* stats = nullptr) {
    QString line = viewer.summary().line();
    if (stats != nullptr)
        line += QStringLiteral(", longest stall %1 ms").arg(stats->longestStallMs());
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

/// Writes the screenshots; false (with the reason printed) when one could not be written.
bool writeScreenshots(sv::StatusViewerApp& viewer, const QString& dir) {
    QString error;
    viewer.writeScreenshots(dir, error);
    if (!error.isEmpty()) {
        printError(error);
        return false;
    }
    return true;
}

int runHeadless(sv::StatusViewerApp& viewer, const sv::AppOptions& options) {
    viewer.resizeWindows(kHeadlessWindowSize);
    sv::RunStats stats(viewer, stdout);
    if (options.stats)
        stats.start();
    viewer.startField();
    sv::runEventsFor(int(options.seconds.value_or(sv::kDefaultHeadlessSeconds) * 1000.0));
    viewer.stopField();
    stats.stop();
    if (!writeScreenshots(viewer, options.outDir.value_or(QStringLiteral("."))))
        return 1;
    printSummary(viewer, options.stats ? &stats : nullptr);
    return 0;
}

int runInteractive(QApplication& app, sv::StatusViewerApp& viewer, const sv::AppOptions& options) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const int consoleHeight = qMin(kConsoleHeight, area.height() / 4);
    const QRect windowsArea = area.adjusted(0, 0, 0, -consoleHeight);
    const QVector<QRect> tiles = sv::tileWindows(windowsArea, viewer.workstationCount());
    for (int k = 0; k < viewer.workstationCount(); ++k) {
        if (QWidget* window = viewer.workstation(k).widget())
            window->setGeometry(tiles.at(k));
    }
    sv::AppEventView console(viewer);
    console.setGeometry(area.left(), windowsArea.bottom() + 1, area.width(), consoleHeight);
    console.show();

    sv::RunStats stats(viewer, stdout);
    if (options.stats)
        stats.start();
    viewer.startField();
    if (options.seconds)
        QTimer::singleShot(int(*options.seconds * 1000.0), &app, &QCoreApplication::quit);
    app.exec();
    viewer.stopField();
    stats.stop();
    if (options.outDir && !writeScreenshots(viewer, *options.outDir))
        return 1;
    printSummary(viewer, options.stats ? &stats : nullptr);
    return 0;
}

volatile std::sig_atomic_t stopRequested = 0;

/// A role's process ends cleanly on SIGINT and SIGTERM: the field writes its states back, a desk
/// closes its window, and both print their summary.
void requestStop(int) { stopRequested = 1; }

/// Runs a role's event loop until --seconds, a "quit" control line or a stop signal.
void runRoleLoop(QCoreApplication& app, const sv::AppOptions& options,
                 const std::function<QString(const QString&)>& control) {
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &app, [] {
        if (stopRequested)
            QCoreApplication::quit();
    });
    watch.start(100);
    std::unique_ptr<sv::ControlChannel> channel;
    if (options.control)
        channel = std::make_unique<sv::ControlChannel>(control);
    if (options.seconds)
        QTimer::singleShot(int(*options.seconds * 1000.0), &app, &QCoreApplication::quit);
    app.exec();
}

int runRole(QCoreApplication& app, const sv::AppOptions& options, bool headless, const QString& siteUrl,
            const QString& logFolder) {
    if (options.role == sv::Role::Web) {
        sv::web::WebRole web(options, siteUrl, logFolder);
        runRoleLoop(app, options, [&](const QString& line) { return web.control(line); });
        std::printf("%s\n", qPrintable(web.summary()));
        return 0;
    }
    if (options.role == sv::Role::Field) {
        sv::FieldRole field(options, siteUrl, logFolder);
        if (!options.control)
            field.start();
        runRoleLoop(app, options, [&](const QString& line) { return field.control(line); });
        field.stop();
        std::printf("%s\n", qPrintable(field.summary()));
        return 0;
    }
    sv::DeskRole desk(options, siteUrl, logFolder, headless);
    if (!headless)
        if (QWidget* window = desk.workstation().widget())
            window->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    if (options.abnormalOnly)
        desk.workstation().status().setAbnormalOnly(true);
    runRoleLoop(app, options, [&](const QString& line) { return desk.control(line); });
    std::printf("%s\n", qPrintable(desk.summary()));
    return 0;
}

int run(QCoreApplication& app, const sv::AppOptions& options, bool headless) {
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    const sv::SiteChoice site = sv::prepareSite(options.dbUrl, options.scale, dataFolder, options.createDemo);
    if (site.createdPoints > 0) {
        printError(QStringLiteral("created a demo site of %1 points in %2")
                       .arg(site.createdPoints)
                       .arg(QDir::toNativeSeparators(sv::sqliteFileOf(site.url))));
    }
    // The components' error logs go beside the demo site; without that folder, beside the library.
    const QString logFolder = QDir().mkpath(dataFolder) ? dataFolder : QString();
    if (options.role != sv::Role::Demo)
        return runRole(app, options, headless, site.url, logFolder);
    sv::AppConfig config;
    config.siteUrl = site.url;
    config.operatorName = options.operatorName;
    config.workstations = options.workstations;
    config.rate = options.rate;
    config.historyDays = options.historyDays;
    config.headless = headless;
    config.logFolder = logFolder;
    sv::StatusViewerApp viewer(config);
    if (!options.group.isEmpty())
        for (int k = 0; k < viewer.workstationCount(); ++k)
            if (!viewer.workstation(k).showGroup(options.group))
                throw sv::StartupError(QStringLiteral("The site has no status group \"%1\"").arg(options.group));
    if (options.abnormalOnly)
        for (int k = 0; k < viewer.workstationCount(); ++k)
            viewer.workstation(k).status().setAbnormalOnly(true);
    return headless ? runHeadless(viewer, options) : runInteractive(static_cast<QApplication&>(app), viewer, options);
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const sv::CommandLine commandLine = sv::parseCommandLine(arguments);
    if (!commandLine.error.isEmpty()) {
        printError(commandLine.error);
        std::fprintf(stderr, "Try 'statusviewer --help'.\n");
        return 2;
    }
    if (commandLine.helpRequested) {
        QCoreApplication app(argc, argv);
        std::printf("%s", qPrintable(sv::commandLineHelp()));
        return 0;
    }

    if (commandLine.options.role == sv::Role::OperatorPassword) {
        QCoreApplication app(argc, argv);
        return sv::setOperatorPassword(commandLine.options);
    }
    if (commandLine.options.historyTask != sv::HistoryTask::None) {
        // The past boards are drawn by components without widgets.
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("statusviewer"));
        sv::installTranslations(app);
        return sv::runHistoryTask(commandLine.options, stdout, stderr);
    }
    // The field process has no window of its own: its reference view stays offscreen. The web
    // desk runs its components without widgets, on a QCoreApplication.
    const bool web = commandLine.options.role == sv::Role::Web;
    const bool headless =
        web || commandLine.options.role == sv::Role::Field ||
        sv::runsHeadless(commandLine.options, qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY"),
                         qEnvironmentVariable("QT_QPA_PLATFORM"));
    // Chosen before the application object exists: it connects to its platform when created.
    if (headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        web ? std::make_unique<QCoreApplication>(argc, argv) : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("statusviewer"));
    sv::installTranslations(*app);
    try {
        return run(*app, commandLine.options, headless);
    } catch (const sv::StartupError& e) {
        printError(QStringLiteral("cannot start: %1").arg(e.message()));
    } catch (const std::exception& e) {
        printError(QStringLiteral("stopped by an unexpected failure: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    return 1;
}
