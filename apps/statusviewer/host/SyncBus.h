// Broadcasts between workstations: what a workstation sends with SendSyncData reaches the SyncPipe
// of every OTHER workstation. NoticeBus is the shape; SyncBus carries the notices between the
// workstations of one status viewer process, one event-loop turn later (queued, so a receiver never
// runs inside the sender's call and may itself send); a desk of a multi-desk site carries them over
// the broker (DeskLink).
#pragma once

#include "NoticeBus.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>

namespace sv {

class SyncBus : public QObject, public NoticeBus {
public:
    explicit SyncBus(QObject* parent = nullptr) : QObject(parent) {}

    void attach(const QString& workstationId, SyncReceiver* receiver) override;
    void detach(const QString& workstationId) override;
    int workstationCount() const { return int(receivers_.size()); }

    /// Queues the notice for every attached workstation except the sender.
    void send(const QString& topic, qint32 action, const QVariant& data, const QString& senderWorkstationId) override;

    /// Notices handed to a receiver so far.
    int delivered() const { return delivered_; }

private:
    void deliver(const QString& recipient, const QString& topic, qint32 action, const QVariant& data,
                 const QString& sender);

    QHash<QString, SyncReceiver*> receivers_;
    int delivered_ = 0;
};

}  // namespace sv
