// The public Status component: the host's entry points, each a thin step onto the window's state
// object (StatusWindow), the live intake, the stored-report replay, group storage and the layout
// store. Property puts are named setX; the values go into this instance's ComponentContext.
#include "component/StatusInternals.h"

#include "commands/ContextMenus.h"
#include "groups/GroupStore.h"
#include "base/ComponentContext.h"
#include "base/ErrorTrap.h"
#include "window/LayoutStore.h"
#include "base/SiteLink.h"
#include "domain/Address.h"
#include "base/Convert.h"
#include "status/LiveIntake.h"
#include "domain/Permissions.h"
#include "status/StatusBoard.h"
#include "ui/ConfigureGroupsDialog.h"
#include "ui/StatusFrame.h"
#include "ui/RowContextMenu.h"
#include "ui/QtDialogs.h"
#include "grid/RedrawPause.h"
#include "grid/Sections.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <statusobject/Vocabulary.h>

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace so {
namespace {


/// Two parts of a notification's data; throws TypeMismatch when the "|" is missing.
struct DataParts {
    QString first;
    QString second;
};

/// Splits "name|id" at the last "|": a group name may itself hold "|", an identifier never does.
DataParts splitNameAndId(const QString& data) {
    const qsizetype bar = data.lastIndexOf(QLatin1Char('|'));
    if (bar < 0)
        throw ComponentError(ComponentError::TypeMismatch, QStringLiteral("No \"|\" in \"%1\"").arg(data));
    return {data.left(bar), data.mid(bar + 1)};
}

/// Splits "address|kind" or "address|state": part 0 and part 1 of the text split at "|".
DataParts splitAddressAnd(const QString& data) {
    const QStringList parts = data.split(QLatin1Char('|'));
    if (parts.size() < 2)
        throw ComponentError(ComponentError::TypeMismatch, QStringLiteral("No \"|\" in \"%1\"").arg(data));
    return {parts[0], parts[1]};
}

/// A state sent as text, as an unsigned 8-bit number (rounded); TypeMismatch or Overflow.
quint8 toState(const QString& text) {
    const double value = std::nearbyint(toNumber(text));
    if (value < 0 || value > 255)
        throw ComponentError(ComponentError::Overflow, QStringLiteral("Overflow: \"%1\"").arg(text));
    return quint8(value);
}

/// The grids whose row of an address a configuration notification re-reads, in order, with the
/// address each one looks for (refresh::ZR2Controllers re-reads a newer-line controller row). The
/// point code decides (classifyAddress); an address without one is a controller, communication box
/// or port by its length or else by the notice's kind word.
QVector<std::pair<int, QString>> gridsForAddress(const QString& address, const QString& kind) {
    const auto in = [](Section section) { return sectionIndex(section); };
    const PointKind pointKind = classifyAddress(address);
    switch (pointKind) {
    case PointKind::Reader: return {{in(Section::Readers), address}, {in(Section::Doors), address}};
    case PointKind::Input:
        return {{in(Section::Inputs), address},
                {in(Section::Doors), address},
                {in(Section::Doors), QString(address).replace(QStringLiteral("BI"), QStringLiteral("DR"))}};
    case PointKind::Relay: return {{in(Section::Relays), address}, {in(Section::Doors), address}};
    case PointKind::Door: return {{in(Section::Doors), address}};
    case PointKind::ExpRelay: return {{in(Section::Relays), address}};
    case PointKind::ExpInput: return {{in(Section::Inputs), address}};
    default: break;
    }
    if (pointKind == PointKind::Controller || kind == QLatin1String("CONT"))
        return {{in(Section::Controllers), address}, {refresh::ZR2Controllers, address}};
    if (pointKind == PointKind::Pylon || kind == QLatin1String("PYLON"))
        return {{in(Section::Boxes), address}};
    if (pointKind == PointKind::ServerPort || kind == QLatin1String("PORT"))
        return {{in(Section::Ports), address}};
    return {};
}

}  // namespace

struct Status::Private {
    Private()
        : window(ctx), intake(window.board().intake()), replay(window.board().replay()), groups(ctx),
          menus(ctx, window, replay), siteLink(ctx) {
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
            // Right-button release over a row pops up the context menu (the frame owns it); the
            // toolbar's "Configure Status Groups" opens the dialog once lock 37 is granted.
            new RowContextMenu(menus, *frame);
            installConfigureDialog(*frame, groups);
            qtDialogs.setParent(frame);
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
        frame->abnormalOnlyAction()->setChecked(abnormalOnly);
    }

    void unloadWindow() {
        if (window.isLoaded())
            window.unload();
    }

    void refreshPoint(const QString& address, const QString& kind);

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
    SiteLink siteLink;
    QtDialogs qtDialogs;
    QString captionSuffix;
    bool abnormalOnly = false;
    // The window's widgets. A host that puts them into its own layout makes its widget their
    // parent and may delete them first: the guard then turns null (the frame has detached itself
    // from the window's state) and nothing here deletes them a second time. Otherwise they go
    // first in ~Private, before the state they show.
    QPointer<StatusFrame> frame;

    ~Private() { delete frame.data(); }
};

Status::Status() : d(std::make_unique<Private>()) {}

// Makes no host call: the host's objects may already be gone.
Status::~Status() = default;

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

// ---- lifecycle

void Status::Show() {
    ComponentContext& ctx = d->ctx;
    trap(ctx, QStringLiteral("Status: Show"), [&] {
        LoadPersistence(ctx);
        ctx.rk8SupportEnabled = ctx.site().ZR2IsRk8HardwareSupportEnabled();
        d->attachView();
        d->window.load();
        SetPosition(ctx);
        QCoreApplication::processEvents();
        const qint64 handle = d->window.view() != nullptr ? d->window.view()->nativeHandle() : 0;
        if (ctx.parent != nullptr)
            ctx.host().CallBack(callback::StatusViewer, handle, callback::LoadAction);
    });
}

void Status::ShutDown() { cUnload(); }

void Status::cUnload() {
    // A host whose CallBack fails gets the failure in its LogError, never as an exception. A
    // component given no console has nobody to tell.
    ComponentContext& ctx = d->ctx;
    trap(ctx, QStringLiteral("Status: cUnload"), [&] {
        d->unloadWindow();
        if (ctx.parent != nullptr)
            ctx.host().CallBack(callback::StatusViewer, 0, callback::UnloadAction);
    });
}

// ---- housekeeping

void Status::OnEvent(const QVariant&) { Refresh(); }

void Status::Refresh() {
    // The reload empties the sections before reading the group again: while the site database does
    // not answer, the rows shown stay (live changes keep updating them) and the skipped reload is logged.
    const bool wasReachable = d->siteLink.isReachable();
    d->siteLink.check();
    if (!d->siteLink.isReachable()) {
        d->ctx.errorLog.writeToLog(QStringLiteral("Status.Refresh: the site database cannot be reached; the rows shown are kept"));
        return;
    }
    if (wasReachable)  // otherwise the link coming back has reloaded the group
        d->reloadGroup();
}

void Status::OnUserSwitch() { d->window.switchUser(); }

void Status::RefreshGrid(bool, qint32) {
    // Accepted for the host's sake; the grids refresh themselves.
}

void Status::RefreshStatus() { d->window.RefreshStatus(); }
void Status::ReShow() { d->window.ReShow(); }

void Status::RefreshStatusItem(qint32 ControllerID) { d->replay.RefreshStatusItem(ControllerID); }

void Status::StateChange(const QString& DeviceType, const QString& lAddress, quint8 State,
                         const QString& lDateLastUpdated, const QString& lStateValue) {
    d->siteLink.noteStateChange();
    d->intake.StateChange(DeviceType, lAddress, State, lDateLastUpdated, lStateValue);
}

void Status::UpdateNames(const QString& lNewName, const QString& lAddress) {
    trap(d->ctx, QStringLiteral("UpdateNames"), [&] {
        for (Section section : kAllSections) {
            StatusGrid& grid = d->window.sections().grid(section);
            const int row = grid.findRowForAddress(lAddress);  // the first row holding it
            if (row > 0)
                grid.setText(row, QStringLiteral("Name"), lNewName);
        }
    });
}

// ---- notifications from other workstations

void Status::SyncPipe(const QString& sType, qint32 lData, const QVariant& vData, const QString& Sender,
                      const QString&) {
    ComponentContext& ctx = d->ctx;
    StatusWindow& window = d->window;
    trap(ctx, QStringLiteral("Status.SyncPipe"), [&] {
        if (sType.toUpper() != notice::Topic) {
            ctx.ignored.note(IgnoredInput::Kind::NoticeTopic, sType, ctx.errorLog);
            return;
        }
        const QString data = vData.toString();
        const auto fromHere = [&] { return Sender == ctx.site().WorkstationID(); };
        switch (lData) {
        // A notice about a group says only which group changed: what the box shows is read from
        // the site, so a notice naming a group that is not stored, or another name than the
        // stored one, changes nothing.
        case notice::GroupCreated: {
            if (fromHere())
                return;
            const DataParts parts = splitNameAndId(data);
            qint32 groupId = toInt32(parts.second);
            // A notice sent again for a group the box holds, or naming a group the name rule
            // refuses, adds nothing; a group is shown under the name the site stores.
            if (window.findGroupEntry(groupId) >= 0 ||
                d->groups.checkName(parts.first, false) != GroupNameProblem::None)
                return;
            const std::optional<QString> name = d->groups.storedName(groupId);
            if (name && CheckSyncPermission(ctx, groupId))
                window.appendGroupEntry(*name, groupId);
            return;
        }
        case notice::GroupDeleted: {
            if (fromHere())
                return;
            const qint32 groupId = toInt32(splitNameAndId(data).second);
            const int index = window.findGroupEntry(groupId);
            if (index >= 0 && !d->groups.storedName(groupId))
                window.removeGroupEntry(index);
            return;
        }
        case notice::GroupChanged: {
            if (fromHere())
                return;
            const DataParts parts = splitNameAndId(data);
            const int index = window.findGroupEntry(toInt32(parts.second));
            if (index < 0 || d->groups.checkName(parts.first, false) != GroupNameProblem::None)
                return;
            if (const std::optional<QString> name = d->groups.storedName(toInt32(parts.second)))
                window.setGroupEntryText(index, *name);
            else
                window.removeGroupEntry(index);
            return;
        }
        case notice::PointConfigured:
            d->refreshPoint(data.trimmed(), QString());
            return;
        case notice::VisibleGroupsChanged: {
            const int selected = window.selectedGroupIndex();
            const bool hadSelection = selected >= 0 && selected < window.groupEntries().size();
            const qint32 remembered = hadSelection ? window.groupEntries().at(selected).itemData : 0;
            window.loadGroupBox();
            const int index = hadSelection ? window.findGroupEntry(remembered) : -1;
            if (index >= 0)
                window.selectGroupEntry(index);
            return;
        }
        case notice::PointConfiguredOfKind: {
            const DataParts parts = splitAddressAnd(data);
            d->refreshPoint(parts.first.trimmed(), parts.second);
            return;
        }
        case notice::ControllerEnabled:
        case notice::PortEnabled:
        case notice::PylonEnabled: {
            // The flag is stored by whoever changed it; the rows re-read it from the site rather
            // than take the notice's word for it. A notice that cannot be read is still reported.
            const DataParts parts = splitAddressAnd(data);
            toState(parts.second);
            d->refreshPoint(parts.first.trimmed(), lData == notice::ControllerEnabled ? QStringLiteral("CONT")
                                                   : lData == notice::PortEnabled     ? QStringLiteral("PORT")
                                                                                      : QStringLiteral("PYLON"));
            return;
        }
        default:
            ctx.ignored.note(IgnoredInput::Kind::NoticeAction, QString::number(lData), ctx.errorLog);
            return;
        }
    });
}

void Status::Private::refreshPoint(const QString& address, const QString& kind) {
    // The point's configuration changed: what is kept about modules may be stale.
    intake.forgetConfiguration();
    SectionsRedrawPause pause(window.sections());
    for (const auto& [gridIndex, rowAddress] : gridsForAddress(address, kind)) {
        const int section = gridIndex == refresh::ZR2Controllers ? sectionIndex(Section::Controllers) : gridIndex;
        const int row = window.sections().FindRowForAddress(section, rowAddress);
        window.DBStatusUpdate(gridIndex, rowAddress, row);
    }
}

// ---- for hosts that embed the window, and queries

QWidget* Status::widget() const { return d->frame.data(); }

void Status::setDialogs(Dialogs* dialogs) { d->ctx.dialogs = dialogs != nullptr ? dialogs : &d->ctx.silentDialogs; }

void Status::setLogFolder(const QString& folder) { d->ctx.errorLog.setFolder(folder); }

void Status::setCaptionSuffix(const QString& suffix) {
    d->captionSuffix = suffix;
    d->applyFrameSettings();
}

void Status::setAbnormalOnly(bool on) {
    d->abnormalOnly = on;
    d->applyFrameSettings();
}

void Status::refreshAllRows() { d->window.RefreshAllRows(); }

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
            d->window.selectGroupEntry(i);
            return true;
        }
    }
    return false;
}

qint32 Status::currentGroupId() const { return d->window.currentGroup(); }

qint32 Status::createGroup(const QString& name, const QVector<GroupPoint>& points) {
    return d->groups.createGroup(name, points);
}

int Status::pointsShown() const { return d->window.shownRowCount(); }

int Status::errorReportsWritten() const { return d->ctx.errorLog.reportsWritten(); }

int Status::inputsIgnored() const { return d->ctx.ignored.total(); }

QStringList Status::shownRows(bool newerLine) const {
    QStringList lines;
    for (int section = 0; section < kSectionCount; ++section) {
        const StatusGrid& grid = d->window.grid(section);
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
                return grid.text(a, address) < grid.text(b, address);
            });
        for (int row : std::as_const(rows)) {
            if (!newerLine && address >= 0 && isNewerLineAddress(grid.text(row, address)))
                continue;
            QString line = QString::number(section);
            for (int c : std::as_const(columns)) {
                const GridCell& cell = grid.cell(row, c);
                line += QLatin1Char('\t') + grid.column(c).key + QLatin1Char('=') + grid.text(row, c);
                if (cell.icon >= 0)
                    line += QLatin1Char('#') + QString::number(cell.icon);
            }
            lines << line;
        }
    }
    return lines;
}

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
};

StatusWindow& windowOf(Status& status) { return StatusInternals::of(status).window; }
ComponentContext& contextOf(Status& status) { return StatusInternals::of(status).ctx; }
GroupStore& groupStoreOf(Status& status) { return StatusInternals::of(status).groups; }
SuperStatusReplay& superStatusOf(Status& status) { return StatusInternals::of(status).replay; }
ContextMenus& menusOf(Status& status) { return StatusInternals::of(status).menus; }

}  // namespace so
