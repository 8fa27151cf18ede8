#include "cli/SiteRoles.h"

#include "cli/OperatorPassword.h"
#include "field/PastStretch.h"
#include "host/AppSite.h"
#include "host/Counted.h"

#include "OperatorDirectory.h"

#include <statusobject/Status.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QFile>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace sv {
namespace {

constexpr int kDriveMs = 10;
/// The field catches up at most this much traffic after a stall.
constexpr double kMaxCatchUpSeconds = 0.25;
/// Points a control line's new group takes from the group shown.
constexpr int kControlGroupPoints = 3;

/// The median and the 99th percentile of samples, "median 3 ms, p99 12 ms".
QString percentiles(QVector<double> samples) {
    if (samples.isEmpty())
        return QStringLiteral("no latency samples");
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return samples[qMin(samples.size() - 1, qsizetype(q * double(samples.size())))]; };
    return QStringLiteral("latency median %1 ms, p99 %2 ms over %3 batches")
        .arg(at(0.5))
        .arg(at(0.99))
        .arg(samples.size());
}

WorkstationOptions stationOptions(const QString& siteUrl, const QString& name, const QString& operatorName,
                                  const QString& logFolder, bool headless) {
    WorkstationOptions options;
    options.siteUrl = siteUrl;
    options.host.computerName = name;
    options.host.operatorName = operatorName;
    options.host.interactive = !headless;
    options.logFolder = logFolder;
    options.headless = headless;
    return options;
}

}  // namespace

QString writeRows(Workstation& station, const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("rows: cannot write \"%1\"").arg(path);
    const QStringList rows = station.shownRows();
    file.write(rows.join(QLatin1Char('\n')).toUtf8() + '\n');
    return QStringLiteral("rows %1 %2").arg(station.computerName()).arg(rows.size());
}

QString writeAppliedReports(DeskLink& desk, const QString& name, const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("applied: cannot write \"%1\"").arg(path);
    const QVector<DeskLink::AppliedReport> reports = desk.takeAppliedReports();
    QByteArray lines;
    for (const DeskLink::AppliedReport& r : reports)
        lines +=
            QByteArray::number(r.seq) + ' ' + QByteArray::number(r.atMs) + ' ' + QByteArray::number(r.appliedMs) + '\n';
    file.write(lines);
    return QStringLiteral("applied %1 %2").arg(name).arg(reports.size());
}

QString clientId(const QString& role, const QString& name) {
    return QStringLiteral("statusviewer-%1-%2-%3").arg(role, name, QUuid::createUuid().toString(QUuid::Id128).left(8));
}

QStringList deskSubscriptions(const QString& site, const QString& computerName) {
    return {wire::topicName(site, wire::Topic::State),
            wire::everyLoginTopic(site, wire::Topic::Notice),
            wire::topicName(site, wire::Topic::Event),
            wire::topicName(site, wire::Topic::Field),
            wire::topicName(site, wire::Topic::Alarm),
            wire::loginTopic(site, wire::Topic::Resync, computerName),
            wire::loginTopic(site, wire::Topic::Answer, computerName),
            wire::loginTopic(site, wire::Topic::Past, computerName)};
}

// ---- ControlChannel

ControlChannel::ControlChannel(std::function<QString(const QString&)> handler)
    : handler_(std::move(handler)), notifier_(STDIN_FILENO, QSocketNotifier::Read) {
    connect(&notifier_, &QSocketNotifier::activated, this, &ControlChannel::readable);
}

void ControlChannel::readable() {
    char chunk[4096];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n <= 0) {
        notifier_.setEnabled(false);
        return;
    }
    buffer_.append(chunk, qsizetype(n));
    qsizetype end;
    while ((end = buffer_.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(buffer_.left(end)).trimmed();
        buffer_.remove(0, end + 1);
        if (line.isEmpty())
            continue;
        QString answer;
        try {
            answer = handler_(line);
        } catch (const std::exception& e) {
            // A site that does not answer fails the line, not the process.
            answer = QStringLiteral("failed: %1").arg(QString::fromLocal8Bit(e.what()));
        }
        std::printf("%s\n", qPrintable(answer));
        std::fflush(stdout);
    }
}

// ---- FieldRole

FieldRole::FieldRole(const AppOptions& options, const QString& siteUrl, const QString& logFolder) : options_(options) {
    try {
        db_ = so::db::Connection::open(siteUrl);
    } catch (const so::db::DbError& e) {
        throw StartupError(QStringLiteral("The field cannot open the site: %1").arg(e.message()));
    }
    FieldOptions fieldOptions;
    fieldOptions.reportsPerSecond = options.reports > 0 ? 0.0 : options.rate;
    fieldOptions.burstReports = options.burst;
    field_ = std::make_unique<SimulatedField>(*db_, fieldOptions, &services_.log);
    history_ = openReportHistory(siteUrl, options.historyDays, &services_.log);
    field_->setHistory(history_.get());
    try {
        field_->load();
    } catch (const so::db::DbError& e) {
        throw StartupError(QStringLiteral("The field cannot read the site: %1").arg(e.message()));
    }
    link_ = std::make_unique<MqttLink>(options.broker, clientId(QStringLiteral("field"), options.broker.site),
                                       QStringList{wire::everyLoginTopic(options.broker.site, wire::Topic::Command)});
    broadcaster_ = std::make_unique<FieldBroadcaster>(*link_, options.broker.site, *field_, *db_,
                                                      &SiteHost::operatorPermission, services_.log);
    field_->addSink(broadcaster_.get());
    if (history_ != nullptr) {
        broadcaster_->setPastStretch(
            pastStretchAnswer(*history_, &services_.log, wire::PastPart::kMaxBytes * wire::PastPart::kMaxParts));
    }

    const HostServices host{&services_.texts, &services_.log, &localBus_, field_.get(), &services_.images};
    reference_ = std::make_unique<Workstation>(
        stationOptions(siteUrl, QStringLiteral("FIELD"), options.operatorName, logFolder, true), host, *field_,
        localBus_);
    if (!options.group.isEmpty() && !reference_->showGroup(options.group))
        throw StartupError(QStringLiteral("The site has no status group \"%1\"").arg(options.group));
    link_->start();

    driver_.setInterval(kDriveMs);
    QObject::connect(&driver_, &QTimer::timeout, [this] { drive(); });
}

FieldRole::~FieldRole() {
    driver_.stop();
    reference_.reset();
    field_->removeSink(broadcaster_.get());
    broadcaster_->goOffline();
    // The network thread stops before the broadcaster its callbacks reach goes.
    link_.reset();
}

void FieldRole::start() {
    if (field_->isRunning())
        return;
    // The reference view starts from the picture a desk has once connected: loaded, then refreshed.
    reference_->refreshAllRows();
    field_->start();
    if (options_.reports > 0) {
        clock_.start();
        driver_.start();
    }
}

void FieldRole::stop() {
    driver_.stop();
    field_->stop();
    broadcaster_->sendPending();
}

void FieldRole::drive() {
    const double seconds = double(clock_.restart()) / 1000.0;
    budget_ = std::min(budget_ + options_.rate * seconds, std::max(1.0, options_.rate * kMaxCatchUpSeconds));
    while (budget_ >= 1.0 && field_->reportsSent() < options_.reports)
        budget_ -= std::max(1, field_->step(1));
    if (field_->reportsSent() >= options_.reports && !done_) {
        done_ = true;
        driver_.stop();
        services_.log.info(QStringLiteral("Field: %1 state reports sent").arg(field_->reportsSent()));
        broadcaster_->announceDone();
    }
}

QString FieldRole::control(const QString& line) {
    const QString word = line.section(QLatin1Char(' '), 0, 0);
    if (word == QLatin1String("checksum") || word == QLatin1String("status"))
        return QStringLiteral("checksum FIELD %1 %2 classic %3 sent %4 refused %5 %6 session %7 held %8 lost %9")
                   .arg(reference_->checksum())
                   .arg(reference_->pointsShown())
                   .arg(reference_->checksum(false))
                   .arg(broadcaster_->reportsPublished())
                   .arg(broadcaster_->refusedCommands())
                   .arg(done_ ? QStringLiteral("done") : QStringLiteral("running"))
                   .arg(broadcaster_->session())
                   .arg(broadcaster_->reportsHeld())
                   .arg(broadcaster_->reportsLost()) +
               QStringLiteral(" link %1 answers %2")
                   .arg(link_->isConnected() ? QStringLiteral("up") : QStringLiteral("down"))
                   .arg(broadcaster_->resyncAnswers());
    if (word == QLatin1String("rows"))
        return writeRows(*reference_, line.section(QLatin1Char(' '), 1).trimmed());
    if (word == QLatin1String("reload")) {
        reference_->status().Refresh();
        return QStringLiteral("reloaded FIELD");
    }
    if (word == QLatin1String("start")) {
        start();
        return QStringLiteral("started FIELD");
    }
    if (word == QLatin1String("quit")) {
        QCoreApplication::quit();
        return QStringLiteral("bye");
    }
    return QStringLiteral("unknown command \"%1\"").arg(line.left(40));
}

QString FieldRole::summary() {
    return QStringLiteral("statusviewer field: %1 published, checksum %2 (%3), %4 logged")
        .arg(counted(broadcaster_->reportsPublished(), "state report", "state reports"), reference_->checksum(),
             counted(reference_->pointsShown(), "point", "points"),
             counted(services_.log.errorCount() + reference_->errorReports(), "error", "errors"));
}

// ---- DeskRole

DeskRole::DeskRole(const AppOptions& options, const QString& siteUrl, const QString& logFolder, bool headless)
    : options_(options) {
    const QString& site = options.broker.site;
    // The field takes a desk's command only from the login the command names: a desk's login is
    // its computer name.
    if (!options.broker.user.isEmpty() && options.broker.user != options.computerName)
        throw StartupError(QStringLiteral("A workstation logs in to the broker under its computer name: "
                                          "--broker-user %1 is not %2")
                               .arg(options.broker.user, options.computerName));
    link_ = std::make_unique<MqttLink>(options.broker, clientId(QStringLiteral("desk"), options.computerName),
                                       deskSubscriptions(site, options.computerName));
    desk_ = std::make_unique<DeskLink>(*link_, site, options.computerName, services_.log);
    desk_->setMeasuring(options.stats);
    // The field records and announces the operator's alarm steps (the site's authority).
    alarms_ = std::make_unique<BusAlarms>(*desk_);
    desk_->alarmSteps = [this](const wire::AlarmNews& news) { alarms_->announced(news); };
    const HostServices host{&services_.texts, &services_.log, desk_.get(), desk_.get(), &services_.images};
    WorkstationOptions station =
        stationOptions(siteUrl, options.computerName, options.operatorName, logFolder, headless);
    station.alarms = alarms_.get();
    // The field answers for the days it keeps; the desk bounds the moments it offers by the same.
    past_ = std::make_unique<BusPastSource>(*desk_, options.historyDays);
    station.past = past_.get();
    station_ = std::make_unique<Workstation>(station, host, *desk_, *desk_);
    if (!options.group.isEmpty() && !station_->showGroup(options.group))
        throw StartupError(QStringLiteral("The site has no status group \"%1\"").arg(options.group));
    linkLabel_ = std::make_unique<FieldLinkLabel>(station_->widget());
    desk_->setOperator(station_->host().operatorLogin());
    startSignIn(headless);
    desk_->commandRefused = [this](const QString& text) { linkLabel_->tell(text); };
    desk_->refreshRows = [this] {
        alarms_->resynced();
        station_->refreshAllRows();
    };
    desk_->auditRows = [this](int count) { return station_->status().auditRows(count); };
    desk_->linkChanged = [this](bool up, const QDateTime& since) { linkLabel_->show(up, since); };
    desk_->fieldChanged = [this] {
        bool alarm = false;
        const QString text = desk_->fieldText(&alarm);
        linkLabel_->showField(text, alarm);
    };
    link_->start();
}

void DeskRole::startSignIn(bool headless) {
    int idleMinutes = OperatorDirectory::kDefaultIdleLockMinutes;
    try {
        idleMinutes = OperatorDirectory(station_->database()).idleLockMinutes();
    } catch (const so::db::DbError& e) {
        services_.log.error(QStringLiteral("The site's idle lock time cannot be read (%1 minutes it is): %2")
                                .arg(idleMinutes)
                                .arg(e.message()));
    }
    signIn_ = std::make_unique<OperatorSignIn>(
        OperatorSignIn::Field{
            [this](const QString& login, const QByteArray& password, std::function<void(const QString&)> done) {
                desk_->signIn(login, password, std::move(done));
            },
            [this](const QString& login) { desk_->signOut(login); }},
        // A desk signed in from a password file (headless, or a kiosk) does not lock by itself.
        options_.operatorPasswordFile.isEmpty() && !headless ? qint64(idleMinutes) * 60 * 1000 : 0);
    signIn_->operatorChanged = [this](const QString& login) {
        try {
            if (station_->host().operatorLogin().compare(login, Qt::CaseInsensitive) != 0)
                station_->switchOperator(login);
        } catch (const std::exception& e) {
            // The field knows the operator but this desk's site does not answer for them: nobody
            // operates the desk rather than the wrong operator.
            services_.log.error(QStringLiteral("Operator %1 cannot operate %2: %3")
                                    .arg(login, options_.computerName, QString::fromLocal8Bit(e.what())));
            signIn_->signOut();
            return;
        }
        desk_->setOperator(login);
        services_.log.info(QStringLiteral("Operator %1 signed in at %2").arg(login, options_.computerName));
        // The moments the "At…" dialog offers: the span the field's history holds.
        past_->askSpan();
    };
    desk_->sessionsLost = [this] { signIn_->fieldRestarted(); };
    clock_.start();
    if (options_.operatorPasswordFile.isEmpty() && !headless) {
        signInScreen_ =
            std::make_unique<SignInScreen>(*signIn_, station_->widget(), options_.computerName, options_.operatorName);
        signIn_->changed = [this] { signInScreen_->follow(); };
        return;
    }
    if (options_.operatorPasswordFile.isEmpty())
        throw StartupError(
            QStringLiteral("A headless workstation signs its operator in with --operator NAME and "
                           "--operator-password-file FILE"));
    QString error;
    const std::optional<QByteArray> password = readPasswordFile(options_.operatorPasswordFile, error);
    if (!password)
        throw StartupError(error);
    filePassword_ = *password;
    signInTimer_.setInterval(500);
    QObject::connect(&signInTimer_, &QTimer::timeout, [this] { signInFromFile(); });
    signInTimer_.start();
}

void DeskRole::signInFromFile() {
    signIn_->tick(clock_.elapsed());
    const bool refused = signIn_->message().contains(QLatin1String("wrong operator name or password"));
    if (signIn_->state() == OperatorSignIn::State::SignedIn || signIn_->waiting() || refused || !desk_->isUp() ||
        desk_->session().fieldState() != DeskSession::FieldState::Online)
        return;
    signIn_->submit(options_.operatorName, filePassword_, clock_.elapsed());
}

DeskRole::~DeskRole() {
    // The window closes while the link still exists (a notice it sends on closing still goes out);
    // the status bar's label goes with the window, so the link no longer reaches it.
    signInTimer_.stop();
    desk_->sessionsLost = {};
    if (signIn_)
        signIn_->changed = {};
    signInScreen_.reset();
    desk_->linkChanged = {};
    desk_->fieldChanged = {};
    desk_->commandRefused = {};
    desk_->refreshRows = {};
    desk_->auditRows = {};
    station_.reset();
    link_.reset();
}

qint32 DeskRole::createGroup(const QString& name) {
    so::db::Command cmd(station_->database(),
                        QStringLiteral("SELECT TOP %1 ListName, ListAddress, ObjectID, PointID, AlternateFlag, "
                                       "ListSmallIcon FROM Status_Points WHERE GroupID = ?")
                            .arg(kControlGroupPoints));
    cmd.appendParameter(QStringLiteral("@GroupID"), so::db::ParamType::Integer, so::db::ParamDirection::Input, 4,
                        station_->status().currentGroupId());
    QVector<so::GroupPoint> points;
    for (so::db::Recordset rs = cmd.open(); !rs.eof(); rs.moveNext())
        points.append({rs.field(0).toString(), rs.field(1).toString(), rs.field(2).toInt(), rs.field(3).toInt(),
                       rs.field(4).toInt(), qint16(rs.field(5).toInt())});
    return station_->status().createGroup(name, points);
}

QString DeskRole::control(const QString& line) {
    const QString word = line.section(QLatin1Char(' '), 0, 0);
    const QString rest = line.section(QLatin1Char(' '), 1).trimmed();
    const QString name = station_->computerName();
    if (word == QLatin1String("checksum"))
        return QStringLiteral("checksum %1 %2 %3 classic %4 applied %5 done %6")
            .arg(name, station_->checksum())
            .arg(station_->pointsShown())
            .arg(station_->checksum(false))
            .arg(desk_->reportsApplied())
            .arg(desk_->doneSeq());
    if (word == QLatin1String("status"))
        return QStringLiteral(
                   "status %1 link %2 resyncing %3 resyncs %4 dropped %5 rejected %6 refused %7 %8 "
                   "signed-in %9")
            .arg(name, desk_->isUp() ? QStringLiteral("up") : QStringLiteral("down"))
            .arg(desk_->isResyncing() ? 1 : 0)
            .arg(desk_->resyncs())
            .arg(desk_->reportsDropped())
            .arg(desk_->rejectedPayloads())
            .arg(desk_->commandsRefused())
            .arg(desk_->fieldWords())
            .arg(signIn_->state() == OperatorSignIn::State::SignedIn ? signIn_->operatorLogin() : QStringLiteral("-"));
    if (word == QLatin1String("groups"))
        return QStringLiteral("groups %1 %2").arg(name, station_->status().groupNames().join(QLatin1Char('|')));
    if (word == QLatin1String("group") && !rest.isEmpty())
        return QStringLiteral("group %1 %2").arg(name).arg(createGroup(rest));
    if (word == QLatin1String("command")) {
        bool okController = false, okPoint = false;
        qint32 controller = rest.section(QLatin1Char(' '), 0, 0).toInt(&okController);
        qint16 point = rest.section(QLatin1Char(' '), 1, 1).toShort(&okPoint);
        const QString text = rest.section(QLatin1Char(' '), 2).trimmed();
        if (okController && okPoint && !text.isEmpty()) {
            station_->host().DTApiCall(controller, text, point);
            return QStringLiteral("command %1 sent").arg(name);
        }
    }
    if (word == QLatin1String("rows"))
        return writeRows(*station_, rest);
    if (word == QLatin1String("applied"))
        return writeAppliedReports(*desk_, name, rest);
    if (word == QLatin1String("reload")) {
        station_->status().Refresh();
        return QStringLiteral("reloaded %1").arg(name);
    }
    if (word == QLatin1String("lock")) {
        signIn_->lock();
        return QStringLiteral("locked %1").arg(name);
    }
    if (word == QLatin1String("switch-operator") && signInScreen_) {
        signInScreen_->switchOperator();
        return QStringLiteral("switching %1").arg(name);
    }
    if (word == QLatin1String("screen") && !rest.isEmpty()) {
        QScreen* screen = QGuiApplication::primaryScreen();
        const bool saved = screen != nullptr && screen->grabWindow(0).save(rest, "PNG");
        return saved ? QStringLiteral("screen %1").arg(rest) : QStringLiteral("screen: cannot write \"%1\"").arg(rest);
    }
    if (word == QLatin1String("quit")) {
        QCoreApplication::quit();
        return QStringLiteral("bye");
    }
    return QStringLiteral("unknown command \"%1\"").arg(line.left(40));
}

QString DeskRole::summary() {
    QString line = QStringLiteral("statusviewer workstation %1: %2 applied, checksum %3 (%4), %5 logged")
                       .arg(station_->computerName(), counted(desk_->reportsApplied(), "state report", "state reports"),
                            station_->checksum(), counted(station_->pointsShown(), "point", "points"),
                            counted(services_.log.errorCount() + station_->errorReports(), "error", "errors"));
    if (options_.stats)
        line += QStringLiteral(", ") + percentiles(desk_->latenciesMs());
    return line;
}

}  // namespace sv
