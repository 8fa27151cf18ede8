#include "desk/Workstation.h"

#include "desk/PastReplay.h"
#include "desk/PastWindow.h"
#include "host/AppDialogs.h"
#include "host/AppLog.h"
#include "host/AppSite.h"
#include "host/StatusAdapters.h"
#include "host/SyncBus.h"

#include "FieldInterfaces.h"

#include <statusobject/Diagnostics.h>
#include <statusobject/Status.h>
#include <statusobject/StatusReader.h>

#include <QAction>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QKeySequence>
#include <QToolBar>
#include <QWidget>

namespace sv {
namespace {

/// The journal's steps the "At\u2026" dialog offers to go back to.
constexpr int kJournalSteps = 50;

}  // namespace

Workstation::Workstation(const WorkstationOptions& options, const HostServices& services, StateSource& field,
                         NoticeBus& bus)
    : field_(field), bus_(bus), options_(options), services_(services) {
    const QString name = options.host.computerName;
    try {
        db_ = so::db::Connection::open(options.siteUrl);
    } catch (const so::db::DbError& e) {
        throw StartupError(QStringLiteral("Workstation %1 cannot open the site: %2").arg(name, e.message()));
    }
    // Registering the workstation and dropping its old locks write to the site: a site locked a
    // moment by another connection is waited for, within a bound and said in the log.
    db_->setBusyTimeout(options.startLockWaitMs);
    if (!db_->canWrite())
        services.log->info(QStringLiteral("Workstation %1: the site is locked by another connection; waiting up to "
                                          "%2 s to start")
                               .arg(name)
                               .arg(options.startLockWaitMs / 1000.0));
    try {
        host_ = std::make_unique<SiteHost>(*db_, options.host, services);
    } catch (const so::HostError& e) {
        throw StartupError(QStringLiteral("Workstation %1 cannot start: %2").arg(name, e.message()));
    }
    db_->setBusyTimeout(so::db::Connection::kDefaultBusyTimeoutMs);

    status_ = std::make_unique<so::Status>();
    if (options.headless) {
        dialogs_ = std::make_unique<LoggedDialogs>(*services.log, name);
        status_->setDialogs(dialogs_.get());
    }
    if (!options.logFolder.isEmpty())
        status_->setLogFolder(options.logFolder);
    status_->setDBConnection(db_.get());
    status_->setNTConnection(host_.get());
    status_->setConsole(host_.get());
    status_->setComputerName(name);
    status_->setCurrentProfileID(host_->profileId());
    // Time stamps as 24-hour times, the same on every machine.
    status_->setTimeFormat(true);
    if (options.alarms != nullptr)
        status_->setAlarmHost(options.alarms);
    if (options.shownMoment != 0)
        status_->setShownMoment(QDateTime::fromMSecsSinceEpoch(options.shownMoment));
    // A desk that cannot command (the site's past) offers no command at all, rather than refused ones.
    status_->setCommandsOffered(!options.host.readOnly);
    status_->Show();
    // Several workstations share one desk here: each window's title keeps its workstation's name.
    status_->setCaptionSuffix(name);

    sink_ = std::make_unique<StatusStateSink>(*status_);
    receiver_ = std::make_unique<StatusSyncReceiver>(*status_);
    busId_ = host_->WorkstationID();
    field_.addSink(sink_.get());
    bus_.attach(busId_, receiver_.get());
    offerPast();
}

Workstation::~Workstation() {
    backToLive();
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

bool Workstation::showWindowAgain() {
    QWidget* window = widget();
    if (window == nullptr || window->isVisible())
        return false;
    // Show loads the unloaded window again with its saved layout and the profile's group.
    status_->Show();
    return true;
}

int Workstation::pointsShown() { return status_->pointsShown(); }

int Workstation::errorReports() { return status_->errorReportsWritten(); }

QStringList Workstation::shownRows(bool newerLine) { return so::diagnostics::shownRows(*status_, newerLine); }

QString Workstation::checksum(bool newerLine) {
    const QByteArray rows = shownRows(newerLine).join(QLatin1Char('\n')).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(rows, QCryptographicHash::Sha1).toHex().left(16));
}

bool Workstation::showGroup(const QString& name) { return status_->showGroup(name); }

void Workstation::refreshAllRows() { status_->refreshAllRows(); }

void Workstation::offerPast() {
    QWidget* window = widget();
    auto* toolbar = window != nullptr ? window->findChild<QToolBar*>() : nullptr;
    if (options_.past == nullptr || toolbar == nullptr)
        return;
    QAction* at = toolbar->addAction(QCoreApplication::translate("sv::Workstation", "At\u2026"));
    at->setObjectName(QStringLiteral("pastAt"));
    at->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    at->setShortcutContext(Qt::WindowShortcut);
    at->setToolTip(
        QCoreApplication::translate("sv::Workstation", "Show the site as it was at a moment of its history (%1)")
            .arg(at->shortcut().toString(QKeySequence::NativeText)));
    QObject::connect(at, &QAction::triggered, window, [this] { askForPast(); });
}

void Workstation::askForPast() {
    if (options_.past == nullptr)
        return;
    // Five minutes before the newest moment the history holds (an hour ago when it cannot tell).
    const auto span = options_.past->span();
    const QDateTime start = span.first <= span.second
                                ? QDateTime::fromMSecsSinceEpoch(std::max(span.first, span.second - 5 * 60 * 1000))
                                : QDateTime::currentDateTime().addSecs(-3600);
    // The journal's newest steps within what the history holds, to go back to.
    QVector<JournalMoment> journal;
    if (span.first <= span.second)
        journal = journalMoments(so::StatusReader(*status_).journal({}, {}, QDateTime::fromMSecsSinceEpoch(span.first),
                                                                    QDateTime::fromMSecsSinceEpoch(span.second),
                                                                    kJournalSteps));
    const QDateTime moment = askPastMoment(widget(), span, start, journal);
    if (moment.isValid())
        showPast(moment.toMSecsSinceEpoch());
}

PastReplay* Workstation::showPast(qint64 moment) {
    if (options_.past == nullptr)
        return nullptr;
    if (replay_ == nullptr) {
        PastReplay::Desk desk{db_.get(), options_, services_, so::StatusReader(*status_).groupName()};
        // The operator signed in now (maybe not the one the desk started with) sees the past.
        desk.options.host.operatorName = host_->operatorLogin();
        replay_ = std::make_unique<PastReplay>(*options_.past, std::move(desk));
        if (widget() != nullptr) {
            pastWindow_ = new PastWindow(*replay_, [this] { replay_.reset(); });
            pastWindow_->resize(widget()->size());
            pastWindow_->show();
            // The keys step the replay at once, whatever window had the keyboard.
            pastWindow_->raise();
            pastWindow_->activateWindow();
        }
    }
    replay_->moveTo(moment);
    return replay_.get();
}

PastWindow* Workstation::pastWindow() const { return pastWindow_.data(); }

void Workstation::backToLive() {
    // The window's end ends the replay; a replay without a window ends here.
    delete pastWindow_.data();
    replay_.reset();
}

void Workstation::switchOperator(const QString& login) {
    host_->switchOperator(login);
    status_->OnUserSwitch();
}

}  // namespace sv
