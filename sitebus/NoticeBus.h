// The shape of the workstations' notice bus: what a workstation sends with SendSyncData reaches
// the SyncPipe of every OTHER workstation. SyncBus carries the notices within one status viewer
// process, a desk of a multi-desk site over the site bus (DeskLink).
#pragma once

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

class NoticeBus {
public:
    virtual ~NoticeBus() = default;
    /// Attaches the receiver of a workstation (replacing one attached before under that id).
    virtual void attach(const QString& workstationId, SyncReceiver* receiver) = 0;
    /// Detaches a workstation; notices still on their way to it are dropped.
    virtual void detach(const QString& workstationId) = 0;
    /// Sends the notice to every workstation except the sender.
    virtual void send(const QString& topic, qint32 action, const QVariant& data,
                      const QString& senderWorkstationId) = 0;
};

}  // namespace sv
