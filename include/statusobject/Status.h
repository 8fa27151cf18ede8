// The one public class of the StatusObject component: the live status window of the
// workstation, with its eight sections of points and their states.
//
// A host creates a Status, hands it its collaborators through the setters, calls Show, and from
// then on reports state changes (StateChange), relays the other workstations' notices (SyncPipe)
// and makes housekeeping calls. ShutDown (or cUnload) closes the window; the host then deletes the
// Status. examples/minimal-host/ is a complete host.
//
// Thread: every member must be called on the thread that created the Status, the one that runs the
// host's QApplication (or QCoreApplication), and every call into the host (ConsoleHost,
// SiteConnection, Dialogs) is made on that thread, from inside a member of Status or from the
// window's own event handling (a click, a timer). Nothing is called from another thread.
// StateChange called from another thread is refused (see Bad input; the refusal is counted, logged
// and told to LogError on the component's thread, when its event loop next runs): a host whose
// field reports arrive on a worker thread queues them to the component's thread
// (QMetaObject::invokeMethod).
//
// Nested event loops: Show processes pending events once before it returns. Message boxes,
// questions and input boxes (Dialogs) are modal: the Qt dialogs run a nested event loop, so the
// host's other events, and other Status calls, can run while one is open. Members that may show
// one are marked "May show a message box" below; no other member shows one. A host that must not
// re-enter hands over its own Dialogs (setDialogs).
//
// Bad input: what the host hands over in StateChange, SyncPipe and RefreshStatusItem never shows a
// box. Input the component cannot use (an unknown device type or topic, an address of no known form,
// a device type of another kind of point than the address, a state or time no device reports,
// a notice whose data cannot be read, a controller id of no controller, a report from another
// thread) and a failure while applying it are written to the component's log, counted
// (inputsIgnored()) and told to SiteConnection::LogError with the reason, at most once a kind every
// ten seconds (the next report says how many were held back).
//
// Errors: no member throws. A failure inside the component, or a host call that throws HostError
// (or any other exception), is reported and the member returns normally: members whose report
// name holds ": " (Show, cUnload, UpdateNames) report to the host's SiteConnection::LogError; the
// others write to the component's error log (setLogFolder) and, unless quiet, show the report in a
// message box. errorReportsWritten() counts the reports written to the log.
//
// Without a QApplication (a QCoreApplication only) the component runs headless: the window's state
// object exists and every member works on it, but no widget is created.
//
// Checks beside the operation (the rows shown, for comparing windows) are in Diagnostics.h.
//
// Ownership: the host owns the Status and everything it hands over (console, site connection,
// database connection, dialogs); they must outlive their use by this Status, and the destructor
// makes no call into them. The Status owns its window (widget()) until the host puts that widget
// into a widget or layout of its own: then the host's widget is its Qt parent, and either may go
// first. Deleting the host's widget deletes the window (widget() turns null; a later Show creates
// a new one); deleting the Status deletes the window if it still exists, which takes it out of
// the host's layout.
//
// Deleting from a callback: the host may delete the Status anywhere on its thread, also inside
// any call the component makes into it (every ConsoleHost::CallBack: LOAD and UNLOAD, the window's
// "STATUS"/"Unload", "HELP" on activation, "DEVICEADMIN" from a row's menu; LogError and any other
// ConsoleHost or SiteConnection member), in a slot connected to a signal of widget() (destroyed()
// and windowTitleChanged() included), while one of the component's message boxes is open, and
// after the operator closed the window (Esc or its close button). The component then makes no
// further call into the host and shows no box; its window is hidden at once and goes (with what
// the component holds) when the component's own code has returned: before the host's call into
// the component returns, or, for the operator's clicks and keys, on the next turn of the event loop.
#pragma once

#include <statusobject/Db.h>
#include <statusobject/Export.h>
#include <statusobject/Dialogs.h>
#include <statusobject/GroupPoint.h>
#include <statusobject/AlarmSteps.h>
#include <statusobject/Host.h>

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

class QWidget;

namespace so {

/// The live status window of one workstation. See the top of this header for threads, nested
/// event loops, errors and ownership.
class STATUSOBJECT_EXPORT Status {
public:
    /// A component with no collaborators yet; creates no window.
    Status();
    /// Deletes the window if it still exists (also when it sits in the host's layout). Calls no
    /// host object and saves nothing: ShutDown first to save the layout and tell the console.
    ~Status();
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    // ---- settings, before Show (the component keeps the pointers, never takes ownership)

    /// The host's console, told of LOAD and UNLOAD (ConsoleHost::CallBack) and asked for device
    /// commands and images. Not owned; must outlive its use (until ShutDown). Without one the
    /// component notifies nobody and offers no device commands.
    void setConsole(ConsoleHost* console);
    /// The host's connection to the site and the operator: texts (GRS), permissions, locks,
    /// notices to other workstations, LogError. Not owned; must outlive its use. Setting it
    /// forgets the texts fetched from the previous one.
    void setNTConnection(SiteConnection* connection);
    /// The site database the window reads. Not owned; must outlive its use.
    void setDBConnection(db::Connection* connection);
    /// Folder of the host's graphics; kept for the host, the component reads no file from it.
    void setGraphicsPath(const QString& path);
    /// This workstation's computer name: the group dialog lists the server ports of this computer.
    void setComputerName(const QString& name);
    /// The operator's profile: its default group opens on Show, and the window's layout is saved
    /// under it. A host reads it from the site (Workstations.ProfileID of its computer).
    void setCurrentProfileID(qint32 profileId);
    /// Kept for the host; times are shown in the host's date format (SiteConnection::GetDateFormat).
    void setTimeFormat(bool value);
    /// Where the operator's alarm steps (acknowledging, shelving) go when the site's authority is
    /// not this component's database (a desk of a multi-desk site: the field). Not owned; must
    /// outlive its use. Without one the component records them in the site database itself.
    void setAlarmHost(AlarmHost* host);
    /// For a host showing the site as it was at a past moment (a copy of its database as of then):
    /// the rows drawn from then on say they were updated at that moment, and the alarms' "For"
    /// counts up to it, instead of the time of day. An invalid date-time (the default) goes back to
    /// the time of day. Rows already drawn keep their times until they are drawn again.
    void setShownMoment(const QDateTime& moment);
    /// false: the window shows what nobody can command (a moment of the site's past): its rows'
    /// menus offer no device command and its attention list no alarm step, only what reads
    /// (refreshing rows from the database, properties). Set before Show; offered by default.
    void setCommandsOffered(bool offered);

    // ---- the window's life

    /// Opens the window (creates it on the first call, when a QApplication runs): reads the
    /// layout saved for the profile, opens the profile's default group, then calls the console's
    /// CallBack(callback::StatusViewer, window handle, callback::LoadAction). Processes pending
    /// events once. A failure is reported to LogError under "Status: Show". May show a message box.
    void Show();
    /// Closes the window: saves its layout and columns for the profile, then calls
    /// CallBack(callback::StatusViewer, 0, callback::UnloadAction). A failing host call is
    /// reported to LogError under "Status: cUnload", never thrown. Without a console it saves and
    /// tells nobody. The Status may be shown again or deleted afterwards.
    void ShutDown();
    /// The same as ShutDown.
    void cUnload();

    // ---- housekeeping calls of the host

    /// The same as Refresh; the message is not read. May show a message box.
    void OnEvent(const QVariant& message = {});
    /// Another operator signed in: the group box is filled anew with that operator's groups and
    /// their default group opens. May show a message box.
    void OnUserSwitch();
    /// Reads the shown group again from the site. While the site database does not answer, the
    /// rows shown stay and the skipped reload is logged. May show a message box.
    void Refresh();
    /// Accepted for hosts that call it; changes nothing (the sections refresh themselves).
    void RefreshGrid(bool bValue = false, qint32 GridIndex = -1);
    /// Restarts the window's quiet-period refresh timer (a full refresh follows when no state
    /// change arrives for a while).
    void RefreshStatus();
    /// Replays the stored condition reports of one controller (by its Controller_ID) into its
    /// rows. An id below 1 and failures are bad input (see the top of this header) under
    /// "Status.RefreshStatusItem". Never shows a box.
    void RefreshStatusItem(qint32 ControllerID);
    /// Lays the sections out again (after the host resized or re-docked the window). May show a
    /// message box.
    void ReShow();
    /// A notice from a workstation, relayed by the host as received (see notice:: in
    /// Vocabulary.h): sType the topic, lData the action, vData the data, Sender the sending
    /// workstation's id; Recipient is not read. Notices this workstation sent itself are
    /// recognised by Sender. Other topics and unknown actions change nothing (inputsIgnored()).
    /// Unreadable notices and failures are bad input (see the top of this header) under
    /// "Status.SyncPipe". Never shows a box.
    void SyncPipe(const QString& sType, qint32 lData, const QVariant& vData, const QString& Sender,
                  const QString& Recipient);
    /// A device's state changed: DeviceType one of device:: (any letter case), lAddress the
    /// point's address, State one of state:: for that device type, lDateLastUpdated the time
    /// shown (empty: now, in the host's date format), lStateValue the value some states carry.
    /// Rows of points the window does not show are left alone. An unknown device type, an
    /// address of no known form, a relay's device type on an input's address (or the other way
    /// round) and a state above 201 (any but a line voltage's) change nothing (inputsIgnored()); a
    /// time without a digit is refused and the row shows the time of arrival instead; an
    /// over-long address, time or value is logged and dropped. These and failures are bad input (see the top of this
    /// header) under "Status.StateChange", as is a call from another thread. Never shows a box.
    void StateChange(const QString& DeviceType, const QString& lAddress, quint8 State,
                     const QString& lDateLastUpdated = {}, const QString& lStateValue = {});
    /// A point was renamed: the first row of lAddress in each section shows lNewName. Failures
    /// go to LogError under "UpdateNames".
    void UpdateNames(const QString& lNewName, const QString& lAddress);

    // ---- for hosts that embed the window or run without anyone at the screen
    /// The status window widget, or null while headless, before Show, or after the host deleted
    /// it. The host may put it into its own layout (see Ownership at the top of this header).
    QWidget* widget() const;
    /// Where message boxes, input boxes and questions go (default: Qt dialogs when widgets exist,
    /// none headless; null gives the default back). Not owned; must outlive this Status.
    void setDialogs(Dialogs* dialogs);
    /// Folder of the component's error log (default: the application's user data folder,
    /// QStandardPaths::AppLocalDataLocation). Created on the first report.
    void setLogFolder(const QString& folder);
    /// Text after the window's caption (several workstations' windows on one screen).
    void setCaptionSuffix(const QString& suffix);
    /// Shows only the rows in alarm or warning, as the window's "Abnormal only" button does.
    void setAbnormalOnly(bool on);
    /// Reads every shown row again from the site, as the window's full refresh does. May show a
    /// message box.
    void refreshAllRows();
    /// Checks the next `count` shown rows against a fresh read of the site, going on where the
    /// last call stopped, and redraws those that differ; returns how many did. For a host that
    /// knows the site holds every state it was told (a desk of a multi-desk site, after the
    /// field's digest). Never shows a box.
    int auditRows(int count);

    // ---- status groups, as the window's group box offers them
    /// The names in the group box, in its order.
    QStringList groupNames() const;
    /// Shows the group of that name, as choosing it in the group box does; false when the box has
    /// no group of that name. May show a message box.
    bool showGroup(const QString& name);
    /// The identifier (GroupID) of the group shown; 0 before one is.
    qint32 currentGroupId() const;
    /// Stores a new group with its points (in list order) and announces it to the other
    /// workstations, as saving it in the group dialog does. Returns the new GroupID; 0 when nothing
    /// was stored (no points, or a failure, which goes to the error log). May show a message box.
    qint32 createGroup(const QString& name, const QVector<GroupPoint>& points);

    // ---- queries
    /// Rows in the eight sections of the window (the points of the shown group).
    int pointsShown() const;
    /// Failure reports written to the component's own error log since it started.
    int errorReportsWritten() const;
    /// Inputs the component could not use and ignored since it started (see Bad input at the top
    /// of this header). The first of each kind is written to the error log.
    int inputsIgnored() const;
    /// The site database as the window last found it: answering, answering with its write lock
    /// held elsewhere, not answering, or its file damaged (nothing is saved until it is whole).
    enum class SiteState { Reachable, Busy, Unreachable, Damaged };
    /// The state of the site database as the window last found it.
    SiteState siteState() const;

private:
    friend struct StatusInternals;
    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace so
