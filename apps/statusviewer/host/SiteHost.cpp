#include "host/SiteHost.h"

#include "host/AppLog.h"
#include "host/ResourceTexts.h"
#include "host/SyncBus.h"

#include "FieldInterfaces.h"

#include "site/SiteFlags.h"
#include <statusobject/CommandRule.h>

namespace sv {
namespace {

using so::db::Command;
using so::db::ParamDirection;
using so::db::ParamType;
using so::db::Recordset;

void bindInt(Command& cmd, const QString& name, qint64 value) {
    cmd.appendParameter(name, ParamType::Integer, ParamDirection::Input, 4, value);
}

void bindText(Command& cmd, const QString& name, const QString& value, int size) {
    cmd.appendParameter(name, ParamType::NVarChar, ParamDirection::Input, size, value);
}

void bindNow(Command& cmd, const QString& name) {
    cmd.appendParameter(name, ParamType::DateTime, ParamDirection::Input, 0, QDateTime::currentDateTime());
}

/// A stored time: a typed value from a server, "yyyy-MM-dd HH:mm:ss" text from the embedded site.
QDateTime timeOf(const QVariant& v) {
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    return QDateTime::fromString(v.toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

template <class Body>
auto SiteHost::guarded(const char* operation, Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const so::db::DbError& e) {
        QString text = QStringLiteral("%1 failed: %2").arg(QLatin1String(operation), e.message());
        if (!e.driverMessage().isEmpty())
            text += QStringLiteral(" (") + e.driverMessage() + QLatin1Char(')');
        throw so::HostError(text);
    }
}

SiteHost::SiteHost(so::db::Connection& db, const WorkstationSetup& setup, const HostServices& services)
    : db_(db), setup_(setup), services_(services), windows_(db, *services.log, setup.interactive) {
    guarded("Starting the workstation", [&] {
        resolveOperator();
        resolveWorkstation();
    });
    // A workstation that starts again drops the locks its previous run left behind.
    releaseAllLocks();
}

SiteHost::~SiteHost() {
    try {
        releaseAllLocks();
    } catch (const std::exception& e) {
        services_.log->error(QStringLiteral("%1: releasing its locks failed: %2")
                                 .arg(setup_.computerName, QString::fromLocal8Bit(e.what())));
    }
}

void SiteHost::switchOperator(const QString& login) {
    releaseAllLocks();
    setup_.operatorName = login;
    resolveOperator();
}

void SiteHost::resolveOperator() {
    const QString columns = QStringLiteral("SELECT OperatorID, LoginName, FullName, SecurityDomain FROM Operators");
    Command cmd(db_);
    bool numeric = false;
    const qint32 number = setup_.operatorName.toInt(&numeric);
    if (setup_.operatorName.isEmpty()) {
        cmd.setText(columns + QStringLiteral(" ORDER BY OperatorID"));
    } else if (numeric) {
        cmd.setText(columns + QStringLiteral(" WHERE OperatorID = ?"));
        bindInt(cmd, QStringLiteral("@OperatorID"), number);
    } else {
        cmd.setText(columns + QStringLiteral(" WHERE LoginName = ?"));
        bindText(cmd, QStringLiteral("@LoginName"), setup_.operatorName, 50);
    }
    Recordset rs = cmd.open();
    if (rs.eof()) {
        throw so::HostError(setup_.operatorName.isEmpty()
                                ? QStringLiteral("The site database has no operators")
                                : QStringLiteral("No operator \"%1\" in the site database").arg(setup_.operatorName));
    }
    operatorId_ = rs.field(QStringLiteral("OperatorID")).toInt();
    operatorLogin_ = rs.field(QStringLiteral("LoginName")).toString();
    const QString fullName = rs.field(QStringLiteral("FullName")).toString();
    holder_ = fullName.isEmpty() ? operatorLogin_ : fullName;
    securityDomain_ = rs.field(QStringLiteral("SecurityDomain")).toInt();
    rs.close();
}

void SiteHost::resolveWorkstation() {
    auto lookup = [&] {
        Command cmd(db_, QStringLiteral("SELECT WorkstationID, ProfileID FROM Workstations WHERE ComputerName = ?"));
        bindText(cmd, QStringLiteral("@ComputerName"), setup_.computerName, 50);
        Recordset rs = cmd.open();
        if (rs.eof())
            return false;
        workstationId_ = rs.field(QStringLiteral("WorkstationID")).toInt();
        profileId_ = rs.field(QStringLiteral("ProfileID")).toInt();
        return true;
    };
    if (!lookup()) {
        // A new workstation joins the site with the site's first profile.
        qint32 profile = 0;
        Recordset rs = db_.query(QStringLiteral("SELECT ProfileID FROM Profiles ORDER BY ProfileID"));
        if (!rs.eof())
            profile = rs.field(0).toInt();
        rs.close();
        Command insert(db_, QStringLiteral("INSERT INTO Workstations (ComputerName, ProfileID) VALUES (?, ?)"));
        bindText(insert, QStringLiteral("@ComputerName"), setup_.computerName, 50);
        bindInt(insert, QStringLiteral("@ProfileID"), profile);
        insert.execute();
        if (!lookup())
            throw so::HostError(QStringLiteral("Workstation %1 could not be registered").arg(setup_.computerName));
        services_.log->info(
            QStringLiteral("Workstation %1 registered with profile %2").arg(setup_.computerName).arg(profile));
    }
    if (profileId_ == 0) {
        Recordset rs = db_.query(QStringLiteral("SELECT ProfileID FROM Profiles ORDER BY ProfileID"));
        if (!rs.eof())
            profileId_ = rs.field(0).toInt();
    }
}

void SiteHost::releaseAllLocks() {
    guarded("ReleaseAllLocks", [&] {
        Command cmd(db_, QStringLiteral("DELETE FROM ComponentLocks WHERE WorkstationName = ?"));
        bindText(cmd, QStringLiteral("@WorkstationName"), setup_.computerName, 50);
        cmd.execute();
    });
}

QVector<EventRecord> SiteHost::recentEvents(so::db::Connection& db, int limit) {
    QVector<EventRecord> out;
    Recordset rs = db.query(QStringLiteral("SELECT TOP %1 EventID, EventTime, Description, DeviceKind, DeviceNumber, "
                                           "Details, EventCode, WorkstationID, OperatorID FROM EventLog "
                                           "ORDER BY EventID DESC")
                                .arg(qMax(0, limit)));
    for (; !rs.eof(); rs.moveNext()) {
        EventRecord e;
        e.id = rs.field(QStringLiteral("EventID")).toLongLong();
        e.time = timeOf(rs.field(QStringLiteral("EventTime")));
        e.description = rs.field(QStringLiteral("Description")).toString();
        e.deviceKind = rs.field(QStringLiteral("DeviceKind")).toString();
        e.deviceNumber = rs.field(QStringLiteral("DeviceNumber")).toInt();
        e.details = rs.field(QStringLiteral("Details")).toString();
        e.eventCode = rs.field(QStringLiteral("EventCode")).toInt();
        e.workstationId = rs.field(QStringLiteral("WorkstationID")).toInt();
        e.operatorId = rs.field(QStringLiteral("OperatorID")).toInt();
        out.append(e);
    }
    return out;
}

// ---- ConsoleHost

void SiteHost::CallBack(const QString& word, qint64 value, const QVariant& action, const QVariant& id) {
    if (word.compare(QLatin1String("DEVICEADMIN"), Qt::CaseInsensitive) == 0 &&
        action.toString().compare(QLatin1String("PROPERTIES"), Qt::CaseInsensitive) == 0) {
        guarded("CallBack", [&] { windows_.showRecorder(id.toInt()); });
    } else {
        services_.log->info(
            QStringLiteral("%1: %2 %3 %4").arg(setup_.computerName, word, action.toString()).arg(value));
    }
    if (callBackObserver_)
        callBackObserver_(word, value, action);
}

void SiteHost::ConfigureDevice(const QString& kind, qint32 deviceNumber) {
    guarded("ConfigureDevice", [&] { windows_.showDevice(kind, deviceNumber); });
}

void SiteHost::AlarmFormConfigureDevice(const QString& kind, qint32& deviceNumber) {
    guarded("AlarmFormConfigureDevice", [&] { windows_.showDevice(kind, deviceNumber); });
}

void SiteHost::DTApiCall(qint32& controllerNumber, const QString& command, qint16& pointNumber) {
    services_.log->info(QStringLiteral("%1: controller %2 %3 point %4")
                            .arg(setup_.computerName)
                            .arg(controllerNumber)
                            .arg(command)
                            .arg(pointNumber));
    if (services_.field != nullptr)
        services_.field->dtApiCall(controllerNumber, command, pointNumber);
}

// ---- SiteConnection

bool SiteHost::PermissionGranted(qint16 kind, qint32& number) {
    if (setup_.readOnly && kind == so::kOperatorPermissionKind)
        return false;
    return guarded("PermissionGranted", [&] { return permissionGranted(db_, operatorId_, kind, number); });
}

bool SiteHost::permissionGranted(so::db::Connection& db, qint32 operatorId, qint16 kind, qint32 number) {
    Command cmd(db,
                QStringLiteral("SELECT OperatorPermissions.ObjectNumber, OperatorPermissions.Granted "
                               "FROM OperatorPermissions INNER JOIN OperatorsToGroups "
                               "ON OperatorPermissions.GroupID = OperatorsToGroups.GroupID "
                               "WHERE OperatorsToGroups.OperatorID = ? AND OperatorPermissions.PermissionKind = ? "
                               "AND (OperatorPermissions.ObjectNumber = 0 OR OperatorPermissions.ObjectNumber = ?)"));
    bindInt(cmd, QStringLiteral("@OperatorID"), operatorId);
    bindInt(cmd, QStringLiteral("@PermissionKind"), kind);
    bindInt(cmd, QStringLiteral("@ObjectNumber"), number);
    bool granted = false;
    for (Recordset rs = cmd.open(); !rs.eof(); rs.moveNext()) {
        if (so::db::storedFlag(rs.field(1)))
            granted = true;
        else if (rs.field(0).toInt() == number)
            return false;  // a denial of this very number wins over any grant
    }
    return granted;
}

bool SiteHost::operatorPermission(so::db::Connection& db, qint32 operatorId, qint32& number) {
    return permissionGranted(db, operatorId, so::kOperatorPermissionKind, number);
}

bool SiteHost::LockComponent(qint32 kind, qint32 id) {
    return guarded("LockComponent", [&] {
        // One statement, so two workstations asking at once cannot both get the lock.
        Command cmd(db_,
                    QStringLiteral("INSERT INTO ComponentLocks (Kind, ComponentID, Holder, WorkstationName, LockedAt) "
                                   "SELECT ?, ?, ?, ?, ? WHERE NOT EXISTS "
                                   "(SELECT 1 FROM ComponentLocks WHERE Kind = ? AND ComponentID = ?)"));
        bindInt(cmd, QStringLiteral("@Kind"), kind);
        bindInt(cmd, QStringLiteral("@ComponentID"), id);
        bindText(cmd, QStringLiteral("@Holder"), holder_, 100);
        bindText(cmd, QStringLiteral("@WorkstationName"), setup_.computerName, 50);
        bindNow(cmd, QStringLiteral("@LockedAt"));
        bindInt(cmd, QStringLiteral("@Kind2"), kind);
        bindInt(cmd, QStringLiteral("@ComponentID2"), id);
        try {
            if (cmd.execute() > 0)
                return true;
        } catch (const so::db::DbError&) {
            // A server that checks the key only at the insert refuses the second of two
            // simultaneous requests; that is "held by someone", unless nobody holds it after all.
            if (!lockHolder(kind, id))
                throw;
        }
        const std::optional<LockHolder> current = lockHolder(kind, id);
        return current && current->holder == holder_ && current->where == setup_.computerName;
    });
}

std::optional<SiteHost::LockHolder> SiteHost::lockHolder(qint32 kind, qint32 id) {
    Command cmd(
        db_, QStringLiteral("SELECT Holder, WorkstationName FROM ComponentLocks WHERE Kind = ? AND ComponentID = ?"));
    bindInt(cmd, QStringLiteral("@Kind"), kind);
    bindInt(cmd, QStringLiteral("@ComponentID"), id);
    Recordset rs = cmd.open();
    if (rs.eof())
        return std::nullopt;
    return LockHolder{rs.field(QStringLiteral("Holder")).toString(),
                      rs.field(QStringLiteral("WorkstationName")).toString()};
}

bool SiteHost::ReleaseComponent(qint32 kind, qint32 id) {
    return guarded("ReleaseComponent", [&] {
        Command cmd(db_, QStringLiteral("DELETE FROM ComponentLocks WHERE Kind = ? AND ComponentID = ? "
                                        "AND WorkstationName = ? AND Holder = ?"));
        bindInt(cmd, QStringLiteral("@Kind"), kind);
        bindInt(cmd, QStringLiteral("@ComponentID"), id);
        bindText(cmd, QStringLiteral("@WorkstationName"), setup_.computerName, 50);
        bindText(cmd, QStringLiteral("@Holder"), holder_, 100);
        return cmd.execute() > 0;
    });
}

bool SiteHost::ComponentIsLocked(qint32 kind, qint32 id, QString& holder, QString& where) {
    return guarded("ComponentIsLocked", [&] {
        const std::optional<LockHolder> current = lockHolder(kind, id);
        if (!current || (current->holder == holder_ && current->where == setup_.computerName))
            return false;  // free, or this workstation's own lock
        holder = current->holder;
        where = current->where;
        return true;
    });
}

QString SiteHost::GetResourceString(qint32& number) { return services_.texts->text(number); }

QString SiteHost::GRS(qint32 number, const QStringList& fillIns) { return services_.texts->format(number, fillIns); }

QString SiteHost::Fix_Apostrophe(const QString& text) {
    return QString(text).replace(QLatin1Char('\''), QStringLiteral("''"));
}

void SiteHost::SendSyncData(const QString& topic, qint16 action, const QVariant& data, const QString& workstationId) {
    if (services_.bus != nullptr)
        services_.bus->send(topic, action, data, workstationId);
}

void SiteHost::LogEvent(const QString& description, const QString& deviceKind, qint32& deviceNumber,
                        const QString& details, qint16 eventCode) {
    guarded("LogEvent", [&] {
        Command cmd(db_,
                    QStringLiteral("INSERT INTO EventLog (EventTime, Description, DeviceKind, DeviceNumber, Details, "
                                   "EventCode, WorkstationID, OperatorID) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        bindNow(cmd, QStringLiteral("@EventTime"));
        bindText(cmd, QStringLiteral("@Description"), description, 255);
        bindText(cmd, QStringLiteral("@DeviceKind"), deviceKind, 50);
        bindInt(cmd, QStringLiteral("@DeviceNumber"), deviceNumber);
        bindText(cmd, QStringLiteral("@Details"), details, 255);
        bindInt(cmd, QStringLiteral("@EventCode"), eventCode);
        bindInt(cmd, QStringLiteral("@WorkstationID"), workstationId_);
        bindInt(cmd, QStringLiteral("@OperatorID"), operatorId_);
        cmd.execute();
    });
}

void SiteHost::ZR2ExecuteAccessFunction(qint32 deviceType, qint32& deviceId, qint32 functionCode) {
    services_.log->info(QStringLiteral("%1: access function %2 on device type %3, device %4")
                            .arg(setup_.computerName)
                            .arg(functionCode)
                            .arg(deviceType)
                            .arg(deviceId));
    if (services_.field != nullptr)
        services_.field->zr2AccessFunction(deviceType, deviceId, functionCode);
}

void SiteHost::ZR2ExecuteControlFunction(qint32 deviceType, qint32& deviceId, qint32 functionCode) {
    services_.log->info(QStringLiteral("%1: control function %2 on device type %3, device %4")
                            .arg(setup_.computerName)
                            .arg(functionCode)
                            .arg(deviceType)
                            .arg(deviceId));
    if (services_.field != nullptr)
        services_.field->zr2ControlFunction(deviceType, deviceId, functionCode);
}

void SiteHost::ZR2ClearCodeTamper(qint32& deviceId) {
    services_.log->info(QStringLiteral("%1: clear code tamper of reader %2").arg(setup_.computerName).arg(deviceId));
    if (services_.field != nullptr)
        services_.field->zr2ClearCodeTamper(deviceId);
}

void SiteHost::ShowHelp(qint32 helpContext) { windows_.showHelp(helpContext); }

void SiteHost::LogError(qint32, const so::ErrorInfo& error, const QString& reportName, qint32 lineNumber, qint32) {
    services_.log->error(QStringLiteral("%1 [%2]: %3 (error %4 in %5, line %6)")
                             .arg(setup_.computerName, reportName, error.description)
                             .arg(error.number)
                             .arg(error.source)
                             .arg(lineNumber));
}

}  // namespace sv
