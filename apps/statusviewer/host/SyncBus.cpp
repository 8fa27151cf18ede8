#include "host/SyncBus.h"

#include <QMetaObject>

namespace sv {

void SyncBus::attach(const QString& workstationId, SyncReceiver* receiver) {
    receivers_.insert(workstationId, receiver);
}

void SyncBus::detach(const QString& workstationId) { receivers_.remove(workstationId); }

void SyncBus::send(const QString& topic, qint32 action, const QVariant& data, const QString& senderWorkstationId) {
    for (auto it = receivers_.cbegin(); it != receivers_.cend(); ++it) {
        if (it.key() == senderWorkstationId)
            continue;
        const QString recipient = it.key();
        QMetaObject::invokeMethod(
            this,
            [this, recipient, topic, action, data, senderWorkstationId] {
                deliver(recipient, topic, action, data, senderWorkstationId);
            },
            Qt::QueuedConnection);
    }
}

void SyncBus::deliver(const QString& recipient, const QString& topic, qint32 action, const QVariant& data,
                      const QString& sender) {
    // Looked up again at delivery: the recipient may have closed in the meantime.
    SyncReceiver* receiver = receivers_.value(recipient, nullptr);
    if (receiver == nullptr)
        return;
    ++delivered_;
    receiver->SyncPipe(topic, action, data, sender, recipient);
}

}  // namespace sv
