// The public Status component: the host's entry points, each a thin step onto the window's state
// object (StatusWindow), the live intake, the stored-report replay, the notices (Notices), group
// storage and the layout store. Property puts are named setX; the values go into this instance's ComponentContext.
#include "component/StatusInternals.h"

#include "base/Translations.h"
#include "base/ComponentContext.h"
#include "base/ErrorTrap.h"
#include "base/SiteLink.h"
#include "commands/ContextMenus.h"
#include "component/Notices.h"
#include "component/RowAudit.h"
#include "groups/GroupStore.h"
#include "status/LiveIntake.h"
#include "status/StatusBoard.h"
#include "ui/ConfigureGroupsDialog.h"
#include "ui/QtDialogs.h"
#include "ui/RowContextMenu.h"
#include "ui/StatusFrame.h"
#include "window/LayoutStore.h"
#include "window/HostAlarmAuthority.h"
#include "window/StatusWindow.h"

#include <statusobject/Vocabulary.h>

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QThread>

namespace so {

// Hidden: a nested class would take the exported visibility of the class it is declared in.
struct __attribute__((visibility("hidden"))) Status::Private {
    Private()
        : window(ctx), intake(window.board().intake()), replay(window.board().replay()), groups(ctx),
          menus(ctx, window, replay), notices(ctx, window, groups, intake), siteLink(ctx) {
        ctx.siteLink = &siteLink;
        // What was shown while the database was away may be stale: the group is read again, once.
        QObject::connect(&siteLink, &SiteLink::reachableChanged, &siteLink, [this](bool reachable) {
            if (reachable && window.isLoaded())
                reloadGroup();
        });
        // A group deleted through storage leaves the window's group box.
        groups.setWindowHooks({{}, [this](qint32 groupId) {
                                   const int index = window.findGroupEntry(groupId);
                                   if (index >= 0)
                                       window.removeGroupEntry(index);
                               }});
    }

    /// Creates the status window's widgets (they attach themselves to the window's state) when a
    /// QApplication runs, and shows them; a window unloaded before is shown again. Headless, the
    /// window's state object works alone and widget stays null. Message boxes become Qt dialogs
    /// unless the host chose its own.
    void attachView() {
        if (frame == nullptr) {
            if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
                return;
            frame = new StatusFrame(window);
            // Heard before any slot the host connects later, so a host may delete the component
            // when the window goes: the window is forgotten (never deleted a second time), and
            // its widgets, which show the window's state, go now while that state is certainly
            // there.
            QObject::connect(frame, &QObject::destroyed, &siteLink, [this](QObject* gone) {
                frame.clear();
                QList<QPointer<QObject>> widgets;
                for (QObject* child : gone->children())
                    if (child->isWidgetType())
                        widgets.append(child);
                for (const QPointer<QObject>& widget : widgets)
                    delete widget.data();
            });
            // Right-button release over a row pops up the context menu (the frame owns it); the
            // toolbar's "Configure Status Groups" opens the dialog once lock 37 is granted.
            new RowContextMenu(menus, *frame);
            installConfigureDialog(*frame, groups);
            qtDialogs.setParent(frame);
            qtDialogs.setLifetime(&ctx.lifetime);
            if (ctx.dialogs == &ctx.silentDialogs)
                ctx.dialogs = &qtDialogs;
            applyFrameSettings();
        }
        frame->show();
    }

    /// The host's choices for the frame (caption suffix, "Abnormal only"), once it exists.
    void applyFrameSettings() {
        if (frame == nullptr)
            return;
        frame->setTitleSuffix(captionSuffix);
        frame->setAbnormalOnly(abnormalOnly);
    }

    /// Runs a member's body inside a host-call scope, on the Private alone: the host may delete
    /// the Status in any call the body makes into it, and nothing may reach the Status after that
    /// (its Private stays until the scope closes; see Lifetime.h).
    template <class Body>
    static void enter(Private& p, Body&& body) {
        const Lifetime::Scope scope(p.ctx.lifetime, Lifetime::Entry::HostCall);
        std::forward<Body>(body)(p);
    }

    void unloadWindow() {
        if (window.isLoaded())
            window.unload();
    }

    void reloadGroup() {
        intake.forgetConfiguration();
        window.reloadSelectedGroup();
    }

    ComponentContext ctx;
    StatusWindow window;
    // The window's board owns both.
    LiveIntake& intake;
    SuperStatusReplay& replay;
    GroupStore groups;
    ContextMenus menus;
    Notices notices;
    RowAudit audit{window.board()};
    SiteLink siteLink;
    QtDialogs qtDialogs;
    QString captionSuffix;
    bool abnormalOnly = false;
    // The thread that created the component: its rows are read and written there only.
    const Qt::HANDLE homeThread = QThread::currentThreadId();
    // The window's widgets. A host that puts them into its own layout makes its widget their
    // parent and may delete them first: the guard then turns null (the frame has detached itself
    // from the window's state) and nothing here deletes them a second time. Otherwise they go
    // first in ~Private, before the state they show.
    QPointer<StatusFrame> frame;

    ~Private() { delete frame.data(); }
};

// The translators come first: the window makes texts while it is built.
Status::Status() : d((installTranslations(), std::make_unique<Private>())) {}

// Makes no host call: the host's objects may already be gone. Deleted from inside one of the
// component's own calls into the host, the component ends there and goes when that call has
// unwound (Lifetime.h); its window is hidden now and its boxes are not shown any more.
Status::~Status() {
    Private* p = d.release();
    p->ctx.dialogs = &p->ctx.silentDialogs;
    if (p->frame != nullptr)
        p->frame->hide();
    p->ctx.lifetime.end([p] { delete p; });
}

// ---- property puts

void Status::setConsole(ConsoleHost* console) { d->ctx.parent = console; }

void Status::setNTConnection(SiteConnection* connection) {
    d->ctx.ntConnection = connection;
    // Texts and the date format belong to the host that answered them.
    d->ctx.resourceCache.clear();
    d->ctx.dateTimeFormat.clear();
}

void Status::setDBConnection(db::Connection* connection) {
    d->ctx.dbConnection = connection;
    d->intake.forgetConfiguration();
}
void Status::setGraphicsPath(const QString& path) { d->ctx.graphicsPath = path; }
void Status::setComputerName(const QString& name) { d->ctx.computerName = name; }
void Status::setCurrentProfileID(qint32 profileId) { d->ctx.currentProfileID = profileId; }
void Status::setTimeFormat(bool value) { d->ctx.timeFormat = value; }

void Status::setShownMoment(const QDateTime& moment) {
    d->ctx.shownMomentMs = moment.isValid() ? std::max<qint64>(1, moment.toMSecsSinceEpoch()) : 0;
}

// ---- lifecycle

void Status::Show() {
    Private::enter(*d, [](Private& p) {
        ComponentContext& ctx = p.ctx;
        trap(ctx, QStringLiteral("Status: Show"), [&] {
            LoadPersistence(ctx);
            ctx.rk8SupportEnabled = ctx.site().ZR2IsRk8HardwareSupportEnabled();
            p.attachView();
            p.window.load();
            SetPosition(ctx);
            QCoreApplication::processEvents();
            const qint64 handle = p.window.view() != nullptr ? p.window.view()->nativeHandle() : 0;
            if (ctx.parent != nullptr)
                ctx.host().CallBack(callback::StatusViewer, handle, callback::LoadAction);
        });
    });
}

void Status::ShutDown() { cUnload(); }

void Status::cUnload() {
    // A host whose CallBack fails gets the failure in its LogError, never as an exception. A
    // component given no console has nobody to tell.
    Private::enter(*d, [](Private& p) {
        ComponentContext& ctx = p.ctx;
        trap(ctx, QStringLiteral("Status: cUnload"), [&] {
            p.unloadWindow();
            if (ctx.parent != nullptr)
                ctx.host().CallBack(callback::StatusViewer, 0, callback::UnloadAction);
        });
    });
}

// ---- housekeeping

void Status::OnEvent(const QVariant&) { Refresh(); }

void Status::Refresh() {
    Private::enter(*d, [](Private& p) {
        // The reload empties the sections before reading the group again: while the site database
        // does not answer, the rows shown stay (live changes keep updating them) and the skipped
        // reload is logged.
        const bool wasReachable = p.siteLink.isReachable();
        p.siteLink.check();
        if (!p.siteLink.isReachable()) {
            p.ctx.errorLog.writeToLog(
                QStringLiteral("Status.Refresh: the site database cannot be reached; the rows shown are kept"));
            return;
        }
        if (wasReachable)  // otherwise the link coming back has reloaded the group
            p.reloadGroup();
    });
}

void Status::OnUserSwitch() {
    Private::enter(*d, [](Private& p) { p.window.switchUser(); });
}

void Status::RefreshGrid(bool, qint32) {
    // Accepted for the host's sake; the grids refresh themselves.
}

void Status::RefreshStatus() { d->window.RefreshStatus(); }

void Status::ReShow() {
    Private::enter(*d, [](Private& p) { p.window.ReShow(); });
}

void Status::RefreshStatusItem(qint32 ControllerID) {
    Private::enter(*d, [ControllerID](Private& p) {
        if (ControllerID <= 0) {
            refuseInput(p.ctx, QStringLiteral("Status.RefreshStatusItem"), IgnoredInput::Kind::ControllerId,
                        QString::number(ControllerID), QStringLiteral("controller ids are whole numbers from 1"));
            return;
        }
        const InputScope input(p.ctx);
        p.replay.RefreshStatusItem(ControllerID);
    });
}

void Status::StateChange(const QString& DeviceType, const QString& lAddress, quint8 State,
                         const QString& lDateLastUpdated, const QString& lStateValue) {
    if (QThread::currentThreadId() != d->homeThread) {
        // The rows, their readers and the host are the component's thread's alone: applied here,
        // a report would race the window's own reads. The refusal itself (the count, the log, the
        // host's LogError) is made on the component's thread too, and dropped with the component.
        Private* p = d.get();
        QMetaObject::invokeMethod(
            &p->siteLink,
            [p, address = lAddress] {
                Private::enter(*p, [&](Private& alive) {
                    refuseInput(alive.ctx, QStringLiteral("Status.StateChange"), IgnoredInput::Kind::Thread, address,
                                QStringLiteral("reports are taken on the thread that created the component"));
                });
            },
            Qt::QueuedConnection);
        return;
    }
    Private::enter(*d, [&](Private& p) {
        const InputScope input(p.ctx);
        p.siteLink.noteStateChange();
        p.intake.StateChange(DeviceType, lAddress, State, lDateLastUpdated, lStateValue);
    });
}

void Status::UpdateNames(const QString& lNewName, const QString& lAddress) {
    Private::enter(*d, [&](Private& p) {
        trap(p.ctx, QStringLiteral("UpdateNames"), [&] { p.notices.renamePoint(lNewName, lAddress); });
    });
}

// ---- notifications from other workstations

void Status::SyncPipe(const QString& sType, qint32 lData, const QVariant& vData, const QString& Sender,
                      const QString&) {
    Private::enter(*d, [&](Private& p) {
        const InputScope input(p.ctx);
        trap(p.ctx, QStringLiteral("Status.SyncPipe"),
             [&] { p.notices.receive(sType, lData, vData.toString(), Sender); });
    });
}

// ---- for hosts that embed the window, and queries

QWidget* Status::widget() const { return d->frame.data(); }

void Status::setDialogs(Dialogs* dialogs) { d->ctx.dialogs = dialogs != nullptr ? dialogs : &d->ctx.silentDialogs; }

void Status::setCommandsOffered(bool offered) { d->ctx.commandsOffered = offered; }

void Status::setAlarmHost(AlarmHost* host) {
    // A host's authority runs on the window's thread and connection; none: the site database's again.
    if (host != nullptr)
        d->window.setAlarmAuthority(
            std::make_unique<HostAlarmAuthority>(d->ctx.db(), d->window.alarmBridge().operatorId(), *host));
    else
        d->window.setAlarmAuthority(nullptr);
}

void Status::setLogFolder(const QString& folder) { d->ctx.errorLog.setFolder(folder); }

void Status::setCaptionSuffix(const QString& suffix) {
    Private::enter(*d, [&](Private& p) {
        p.captionSuffix = suffix;
        p.applyFrameSettings();
    });
}

void Status::setAbnormalOnly(bool on) {
    Private::enter(*d, [on](Private& p) {
        p.abnormalOnly = on;
        p.applyFrameSettings();
    });
}

void Status::refreshAllRows() {
    Private::enter(*d, [](Private& p) { p.window.RefreshAllRows(); });
}

int Status::auditRows(int count) {
    int redrawn = 0;
    // A failure here is the site's, found while no operator acted: logged, never a box.
    const InputScope quiet(d->ctx);
    trap(d->ctx, QStringLiteral("Status: auditRows"), [&] {
        if (d->window.isLoaded())
            redrawn = d->audit.check(count);
    });
    return redrawn;
}

QStringList Status::groupNames() const {
    QStringList names;
    for (const GroupEntry& entry : d->window.groupEntries())
        names << entry.text;
    return names;
}

bool Status::showGroup(const QString& name) {
    const QVector<GroupEntry>& entries = d->window.groupEntries();
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].text == name) {
            Private::enter(*d, [i](Private& p) { p.window.selectGroupEntry(i); });
            return true;
        }
    }
    return false;
}

qint32 Status::currentGroupId() const { return d->window.currentGroup(); }

qint32 Status::createGroup(const QString& name, const QVector<GroupPoint>& points) {
    qint32 groupId = 0;
    Private::enter(*d, [&](Private& p) { groupId = p.groups.createGroup(name, points); });
    return groupId;
}

int Status::pointsShown() const { return d->window.shownRowCount(); }

int Status::errorReportsWritten() const { return d->ctx.errorLog.reportsWritten(); }

int Status::inputsIgnored() const { return d->ctx.ignored.total(); }

Status::SiteState Status::siteState() const {
    if (d->siteLink.isDamaged())
        return SiteState::Damaged;
    if (!d->siteLink.isReachable())
        return SiteState::Unreachable;
    return d->siteLink.isBusy() ? SiteState::Busy : SiteState::Reachable;
}

// ---- the component's own tests reach inside

struct StatusInternals {
    static Status::Private& of(Status& status) { return *status.d; }
    static const Status::Private& of(const Status& status) { return *status.d; }
};

StatusWindow& windowOf(Status& status) { return StatusInternals::of(status).window; }
const StatusWindow& windowOf(const Status& status) { return StatusInternals::of(status).window; }
ComponentContext& contextOf(Status& status) { return StatusInternals::of(status).ctx; }
GroupStore& groupStoreOf(Status& status) { return StatusInternals::of(status).groups; }
SuperStatusReplay& superStatusOf(Status& status) { return StatusInternals::of(status).replay; }
ContextMenus& menusOf(Status& status) { return StatusInternals::of(status).menus; }

}  // namespace so
