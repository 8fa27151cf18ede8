// Broadcasts between the workstations of one status viewer process: what a workstation sends with
// SendSyncData reaches the SyncPipe of every OTHER attached workstation, one event-loop turn later
// (queued, so a receiver never runs inside the sender's call and may itself send).
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>

namespace sv {

/// What a workstation's status component receives (Status::SyncPipe has this shape).
class SyncReceiver {
public:
    virtual ~SyncReceiver() = default;
    virtual void SyncPipe(const QString& sType, qint32 lData, const QVariant& vData, const QString& sender,
                          const QString& recipient) = 0;
};

class SyncBus : public QObject {
public:
    explicit SyncBus(QObject* parent = nullptr) : QObject(parent) {}

    /// Attaches the receiver of a workstation (replacing one attached before under that id).
    void attach(const QString& workstationId, SyncReceiver* receiver);
    /// Detaches a workstation; notices still queued for it are dropped.
    void detach(const QString& workstationId);
    int workstationCount() const { return int(receivers_.size()); }

    /// Queues the notice for every attached workstation except the sender.
    void send(const QString& topic, qint32 action, const QVariant& data, const QString& senderWorkstationId);

    /// Notices handed to a receiver so far.
    int delivered() const { return delivered_; }

private:
    void deliver(const QString& recipient, const QString& topic, qint32 action, const QVariant& data,
                 const QString& sender);

    QHash<QString, SyncReceiver*> receivers_;
    int delivered_ = 0;
};

}  // namespace sv
