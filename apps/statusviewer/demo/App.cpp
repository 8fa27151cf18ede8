#include "demo/App.h"

#include "host/AppSite.h"
#include "host/Counted.h"

#include <QDir>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cmath>

namespace sv {
namespace {

/// Time for the windows to take in the last changes: the grids repaint changed rows in 50 ms
/// batches and lay out their sections a few 10 ms ticks after a resize.
constexpr int kSettleMs = 300;

}  // namespace

qint64 RunSummary::perSecond() const {
    return seconds > 0.0 ? qint64(std::llround(double(stateChanges) / seconds)) : 0;
}

QString RunSummary::line() const {
    return QStringLiteral("statusviewer: %1, %2 shown, %3 applied (%4/s), %5 logged")
        .arg(counted(workstations, "workstation", "workstations"), counted(pointsShown, "point", "points"),
             counted(stateChanges, "state change", "state changes"))
        .arg(perSecond())
        .arg(counted(errors, "error", "errors"));
}

QString workstationName(int number) { return QStringLiteral("WS%1").arg(number); }

QVector<QRect> tileWindows(const QRect& area, int count) {
    QVector<QRect> tiles;
    if (count <= 0 || area.isEmpty())
        return tiles;
    const int columns = count <= 3 ? count : int(std::ceil(std::sqrt(double(count))));
    const int rows = (count + columns - 1) / columns;
    const int width = area.width() / columns;
    const int height = area.height() / rows;
    for (int i = 0; i < count; ++i)
        tiles.append(QRect(area.left() + (i % columns) * width, area.top() + (i / columns) * height, width, height));
    return tiles;
}

void runEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

StatusViewerApp::StatusViewerApp(const AppConfig& config) {
    try {
        fieldDb_ = so::db::Connection::open(config.siteUrl);
    } catch (const so::db::DbError& e) {
        throw StartupError(QStringLiteral("The simulated field cannot open the site: %1").arg(e.message()));
    }
    FieldOptions fieldOptions;
    fieldOptions.reportsPerSecond = config.rate;
    field_ = std::make_unique<SimulatedField>(*fieldDb_, fieldOptions, &log_);
    history_ = openReportHistory(config.siteUrl, config.historyDays, &log_);
    field_->setHistory(history_.get());
    if (history_ != nullptr)
        past_ = std::make_unique<HistoryPastSource>(*history_);
    try {
        field_->load();
    } catch (const so::db::DbError& e) {
        throw StartupError(QStringLiteral("The simulated field cannot read the site: %1").arg(e.message()));
    }

    const HostServices services{&texts_, &log_, &bus_, field_.get(), &images_};
    for (int number = 1; number <= config.workstations; ++number) {
        WorkstationOptions options;
        options.siteUrl = config.siteUrl;
        options.host.computerName = workstationName(number);
        options.host.operatorName = config.operatorName;
        options.host.interactive = !config.headless;
        options.logFolder = config.logFolder;
        options.headless = config.headless;
        options.past = past_.get();
        stations_.push_back(std::make_unique<Workstation>(options, services, *field_, bus_));
    }
}

StatusViewerApp::~StatusViewerApp() {
    // The last one opened closes first.
    while (!stations_.empty())
        stations_.pop_back();
}

void StatusViewerApp::startField() {
    running_.start();
    field_->start();
}

void StatusViewerApp::stopField() {
    field_->stop();
    if (running_.isValid()) {
        runMs_ += running_.elapsed();
        running_.invalidate();
    }
}

RunSummary StatusViewerApp::summary() {
    RunSummary s;
    s.workstations = workstationCount();
    s.pointsShown = stations_.empty() ? 0 : stations_.front()->pointsShown();
    s.stateChanges = field_->deliveries();
    s.seconds = double(runMs_ + (running_.isValid() ? running_.elapsed() : 0)) / 1000.0;
    s.errors = log_.errorCount();
    for (const auto& station : stations_)
        s.errors += station->errorReports();
    return s;
}

int StatusViewerApp::showClosedWindows() {
    int shown = 0;
    for (const auto& station : stations_)
        shown += station->showWindowAgain() ? 1 : 0;
    return shown;
}

void StatusViewerApp::resizeWindows(const QSize& size) {
    for (const auto& station : stations_) {
        if (QWidget* window = station->widget())
            window->resize(size);
    }
}

QStringList StatusViewerApp::writeScreenshots(const QString& dir, QString& error) {
    QStringList written;
    if (!QDir().mkpath(dir)) {
        error = QStringLiteral("Cannot create the screenshot folder %1").arg(dir);
        return written;
    }
    runEventsFor(kSettleMs);
    for (int k = 0; k < workstationCount(); ++k) {
        QWidget* window = stations_[size_t(k)]->widget();
        if (window == nullptr) {
            error = QStringLiteral("Workstation %1 has no window to capture").arg(workstationName(k + 1));
            return written;
        }
        const QString file = QDir(dir).filePath(QStringLiteral("workstation-%1.png").arg(k + 1));
        if (!window->grab().save(file, "PNG")) {
            error = QStringLiteral("Cannot write %1").arg(file);
            return written;
        }
        written << file;
    }
    return written;
}

}  // namespace sv
