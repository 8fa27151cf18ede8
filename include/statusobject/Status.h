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
#include <statusobject/Host.h>

#include <QString>
#include <QVariant>

#include <memory>

class QWidget;

#if defined(STATUSOBJECT_LIBRARY)
#define STATUSOBJECT_EXPORT __attribute__((visibility("default")))
#else
#define STATUSOBJECT_EXPORT
#endif

namespace so {

struct ComponentContext;
class Dialogs;
class GroupStore;
class StatusWindow;
class SuperStatusReplay;

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

    // ---- for hosts that embed the window and for tests
    /// The window's state object (sections, grids, group box, timers); exists without widgets.
    StatusWindow& window();
    /// The status window widget, or null while headless or not shown.
    QWidget* widget() const;
    /// The component-wide settings of this instance.
    ComponentContext& context();
    /// Status group storage; the window's group box follows deletions made through it.
    GroupStore& groupStore();
    /// Replays stored controller reports into the window (a row's refresh command).
    SuperStatusReplay& superStatus();
    /// Where message boxes, input boxes and questions go (default: Qt dialogs when widgets exist).
    void setDialogs(Dialogs* dialogs);
    /// Folder of the component's error log (default: the folder of the component library).
    void setLogFolder(const QString& folder);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace so
