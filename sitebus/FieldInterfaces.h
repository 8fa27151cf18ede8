// The two directions between the host and its (simulated) field:
//  - StateSink receives the field's state reports; a workstation's Status is one (StatusAdapters.h);
//    a StateSource hands them out: the simulated field itself, or a desk's link to the broker;
//  - FieldControl receives the commands the operator sends from a status window through the host.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace sv {

class StateSink {
public:
    virtual ~StateSink() = default;
    /// One state report, as the host hands it to Status::StateChange.
    virtual void StateChange(const QString& deviceType, const QString& address, quint8 state,
                             const QString& dateLastUpdated, const QString& stateValue) = 0;
};

class StateSource {
public:
    virtual ~StateSource() = default;
    /// Reports go to the sink from now on; a sink is removed before it goes away.
    virtual void addSink(StateSink* sink) = 0;
    virtual void removeSink(StateSink* sink) = 0;
};

class FieldControl {
public:
    virtual ~FieldControl() = default;
    /// Classic controller command: "CALL_API|DOORFUNCTION|UNLOCK_DOOR", point number on the controller.
    virtual void dtApiCall(qint32 controllerNumber, const QString& command, qint16 pointNumber) = 0;
    /// Newer-line door functions (device type 7): 1 momentary access, 2 unlock, 3 relock, 4 toggle.
    virtual void zr2AccessFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) = 0;
    /// Newer-line control functions on a door (7), relay (5) or input (6).
    virtual void zr2ControlFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) = 0;
    /// Clears the code tamper lockout of a newer-line reader's keypads.
    virtual void zr2ClearCodeTamper(qint32 readerId) = 0;
};

/// The field as the field's site link drives it: its reports, its devices, the write of its states
/// to the site database, and the points a command acts on (for the command gate).
class FieldDevices : public StateSource, public FieldControl {
public:
    /// Writes every state reported so far to the site database, then calls afterwards (in this
    /// thread) once the write succeeded.
    virtual void flush(std::function<void()> afterwards = {}) = 0;
    /// The addresses of the points each command acts on; empty when it acts on none.
    virtual QStringList apiCallTargets(qint32 controllerNumber, const QString& command, qint16 pointNumber) const = 0;
    virtual QStringList deviceTargets(qint32 deviceType, qint32 deviceId) const = 0;
    virtual QStringList readerTargets(qint32 readerId) const = 0;
};

}  // namespace sv
