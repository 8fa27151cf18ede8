// The one public class of the StatusObject component.
//
// A host creates a Status, hands it its collaborators through the property members (setX for a
// property put), calls Show, and from then on reports state changes (StateChange), relays the
// other workstations' notifications (SyncPipe) and makes housekeeping calls. ShutDown (or cUnload)
// closes the window. Every member runs on the host's user-interface thread.
//
// Without a QApplication (a QCoreApplication only) the component runs headless: the window's state
// object exists and every member works on it, but no widget is created.
#pragma once

#include <statusobject/Db.h>
#include <statusobject/Dialogs.h>
#include <statusobject/GroupPoint.h>
#include <statusobject/Host.h>

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

class QWidget;

#if defined(STATUSOBJECT_LIBRARY)
#define STATUSOBJECT_EXPORT __attribute__((visibility("default")))
#else
#define STATUSOBJECT_EXPORT
#endif

namespace so {

class STATUSOBJECT_EXPORT Status {
public:
    Status();
    ~Status();
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    // ---- property puts (write-only settings)
    void setParent(ConsoleHost* parent);
    void setNTConnection(SiteConnection* connection);
    void setDBConnection(db::Connection* connection);
    void setGraphicsPath(const QString& path);
    void setComputerName(const QString& name);
    void setCurrentProfileID(qint32 profileId);
    void setTimeFormat(bool value);

    // ---- methods
    void Show();
    void ShutDown();
    void cUnload();
    void OnEvent(const QVariant& message = {});
    void OnUserSwitch();
    void Refresh();
    void RefreshGrid(bool& bValue, qint32 GridIndex = -1);
    void RefreshStatus();
    void RefreshStatusItem(qint32& ControllerID);
    void ReShow();
    void SyncPipe(const QString& sType, qint32 lData, const QVariant& vData, const QString& Sender,
                  const QString& Recipient);
    void StateChange(const QString& DeviceType, const QString& lAddress, quint8 State,
                     const QString& lDateLastUpdated = {}, const QString& lStateValue = {});
    void UpdateNames(const QString& lNewName, const QString& lAddress);

    // ---- for hosts that embed the window or run without anyone at the screen
    /// The status window widget, or null while headless or not shown.
    QWidget* widget() const;
    /// Where message boxes, input boxes and questions go (default: Qt dialogs when widgets exist;
    /// null gives the default back). The dialogs must outlive their use by this Status.
    void setDialogs(Dialogs* dialogs);
    /// Folder of the component's error log (default: the folder of the component library).
    void setLogFolder(const QString& folder);
    /// Text after the window's caption (several workstations' windows on one screen).
    void setCaptionSuffix(const QString& suffix);
    /// Shows only the rows in alarm or warning, as the window's "Abnormal only" button does.
    void setAbnormalOnly(bool on);
    /// Reads every shown row again from the site, as the window's full refresh does.
    void refreshAllRows();

    // ---- status groups, as the window's group box offers them
    /// The names in the group box, in its order.
    QStringList groupNames() const;
    /// Shows the group of that name, as choosing it in the group box does; false when the box has
    /// no group of that name.
    bool showGroup(const QString& name);
    /// The identifier (GroupID) of the group shown; 0 before one is.
    qint32 currentGroupId() const;
    /// Stores a new group with its points (in list order) and announces it to the other
    /// workstations, as saving it in the group dialog does. Returns the new GroupID; 0 when nothing
    /// was stored (no points, or a failure, which goes to the error log).
    qint32 createGroup(const QString& name, const QVector<GroupPoint>& points);

    // ---- queries
    /// Rows in the eight sections of the window (the points of the shown group).
    int pointsShown() const;
    /// Failure reports written to the component's own error log since it started.
    int errorReportsWritten() const;
    /// The shown rows, one line a row, for comparing two windows: the section number, then each
    /// column but LastUpdated as "\tKey=text" (with "#icon" when the cell has one) in key order;
    /// rows in address order. Without newerLine the newer-line controllers' rows are left out.
    QStringList shownRows(bool newerLine = true) const;
    /// The site database as the window last found it: answering, answering with its write lock
    /// held elsewhere, not answering, or its file damaged (nothing is saved until it is whole).
    enum class SiteState { Reachable, Busy, Unreachable, Damaged };
    SiteState siteState() const;

private:
    friend struct StatusInternals;
    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace so
