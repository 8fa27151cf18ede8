// The status viewer's host for one workstation: both host objects the status component calls
// (ConsoleHost = `Parent`, SiteConnection = `NTConnection`), answered from the site database.
//
// - identity: the workstation row of its computer name (Workstations; added when missing) and the
//   operator chosen by login name or id (Operators), with the operator's security domain;
// - permissions: PermissionGranted(kind, number) from OperatorPermissions through the operator's
//   groups: granted by a rule for the number or for all numbers (ObjectNumber 0), unless a rule
//   for that very number denies it; no rule at all denies;
// - locks in ComponentLocks, so workstations (also in other processes) contend for them for real;
// - operator events into EventLog; texts from ResourceTexts; broadcasts through the NoticeBus;
//   commands to the field; property and help windows through DeviceWindows.
// Every value is bound as a parameter. A database failure surfaces as HostError, which the
// component's error trap reports.
#pragma once

#include "host/DeviceWindows.h"

#include <statusobject/Db.h>
#include <statusobject/Host.h>

#include <QDateTime>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

namespace sv {

class AppLog;
class FieldControl;
class ResourceTexts;
class NoticeBus;

/// What one workstation is.
struct WorkstationSetup {
    QString computerName = QStringLiteral("WS1");
    /// The operator's login name or number; empty picks the operator with the lowest number.
    QString operatorName;
    /// Opens property and help windows (an interactive run with widgets); otherwise only logs.
    bool interactive = false;
    /// The answer to ZR2IsRk8HardwareSupportEnabled.
    bool newerHardwareSupport = true;
    /// A desk showing the site's past: every operator permission (device commands, alarm steps)
    /// is refused, whatever the site grants. Give its host no field as well.
    bool readOnly = false;
};

/// The services one application shares among its workstations (none is owned; may be null where noted).
struct HostServices {
    ResourceTexts* texts = nullptr;  // required
    AppLog* log = nullptr;           // required
    NoticeBus* bus = nullptr;        // null: broadcasts go nowhere
    FieldControl* field = nullptr;   // null: commands are logged only
    const so::ImageList* images = nullptr;
};

/// One operator event as stored.
struct EventRecord {
    qint64 id = 0;
    QDateTime time;
    QString description;
    QString deviceKind;
    qint32 deviceNumber = 0;
    QString details;
    qint32 eventCode = 0;
    qint32 workstationId = 0;
    qint32 operatorId = 0;
};

class SiteHost final : public so::ConsoleHost, public so::SiteConnection {
public:
    /// Resolves the workstation and the operator; throws HostError with a clear message when the
    /// operator is not in the site database. Locks this workstation left behind are released.
    SiteHost(so::db::Connection& db, const WorkstationSetup& setup, const HostServices& services);
    ~SiteHost() override;
    SiteHost(const SiteHost&) = delete;
    SiteHost& operator=(const SiteHost&) = delete;

    QString computerName() const { return setup_.computerName; }
    qint32 workstationNumber() const { return workstationId_; }
    qint32 profileId() const { return profileId_; }
    QString operatorLogin() const { return operatorLogin_; }
    /// The name other workstations see as the holder of this workstation's locks.
    QString operatorDisplayName() const { return holder_; }
    DeviceWindows& windows() { return windows_; }

    /// Another operator signed in at this workstation: the locks held under the old one are
    /// released and the host answers for the new one (the caller tells the component, OnUserSwitch).
    /// Throws HostError when the operator is not in the site database.
    void switchOperator(const QString& login);
    /// Releases every lock this workstation holds (called on destruction too).
    void releaseAllLocks();
    /// Notified of every CallBack (after the host's own handling), e.g. to learn the window handle.
    void setCallBackObserver(std::function<void(const QString&, qint64, const QVariant&)> observer) {
        callBackObserver_ = std::move(observer);
    }

    /// The host's answer to PermissionGranted(kind, number) for any operator of the site, by the
    /// rule above. Throws db::DbError.
    static bool permissionGranted(so::db::Connection& db, qint32 operatorId, qint16 kind, qint32 number);
    /// Whether the operator holds operator permission number: the field's command gate asks it.
    static bool operatorPermission(so::db::Connection& db, qint32 operatorId, qint32& number);

    /// The newest operator events of the site, newest first.
    static QVector<EventRecord> recentEvents(so::db::Connection& db, int limit);

    // ---- ConsoleHost (`Parent`)
    void CallBack(const QString& word, qint64 value, const QVariant& action, const QVariant& id = {}) override;
    void ConfigureDevice(const QString& kind, qint32 deviceNumber) override;
    void AlarmFormConfigureDevice(const QString& kind, qint32& deviceNumber) override;
    void DTApiCall(qint32& controllerNumber, const QString& command, qint16& pointNumber) override;
    const so::ImageList* ilconsole() override { return services_.images; }
    bool Connected() override { return true; }

    // ---- SiteConnection (`NTConnection`)
    QString WorkstationID() override { return QString::number(workstationId_); }
    qint32 UserId() override { return operatorId_; }
    qint32 SecurityDomain() override { return securityDomain_; }
    bool EnableCustomize() override { return false; }

    bool PermissionGranted(qint16 kind, qint32& number) override;
    bool LockComponent(qint32 kind, qint32 id) override;
    bool ReleaseComponent(qint32 kind, qint32 id) override;
    bool ComponentIsLocked(qint32 kind, qint32 id, QString& holder, QString& where) override;

    QString GetResourceString(qint32& number) override;
    QString GRS(qint32 number, const QStringList& fillIns) override;
    QString GetDateFormat() override { return QStringLiteral("yyyy-MM-dd"); }
    QString Fix_Apostrophe(const QString& text) override;

    void SendSyncData(const QString& topic, qint16 action, const QVariant& data, const QString& workstationId) override;
    void LogEvent(const QString& description, const QString& deviceKind, qint32& deviceNumber, const QString& details,
                  qint16 eventCode) override;

    void ZR2ExecuteAccessFunction(qint32 deviceType, qint32& deviceId, qint32 functionCode) override;
    void ZR2ExecuteControlFunction(qint32 deviceType, qint32& deviceId, qint32 functionCode) override;
    void ZR2ClearCodeTamper(qint32& deviceId) override;
    bool ZR2IsRk8HardwareSupportEnabled() override { return setup_.newerHardwareSupport; }

    void ShowHelp(qint32 helpContext) override;
    void LogError(qint32 zero, const so::ErrorInfo& error, const QString& reportName, qint32 lineNumber,
                  qint32 zero2) override;

private:
    struct LockHolder {
        QString holder;
        QString where;
    };
    /// Who holds a lock, if anyone.
    std::optional<LockHolder> lockHolder(qint32 kind, qint32 id);
    void resolveOperator();
    void resolveWorkstation();
    /// Runs body; a database failure becomes a HostError naming the host operation.
    template <class Body>
    auto guarded(const char* operation, Body&& body) -> decltype(body());

    so::db::Connection& db_;
    WorkstationSetup setup_;
    HostServices services_;
    DeviceWindows windows_;
    qint32 workstationId_ = 0;
    qint32 profileId_ = 0;
    qint32 operatorId_ = 0;
    qint32 securityDomain_ = 0;
    QString operatorLogin_;
    QString holder_;
    std::function<void(const QString&, qint64, const QVariant&)> callBackObserver_;
};

}  // namespace sv
