#include "host/StatusAdapters.h"

#include <statusobject/Status.h>

namespace sv {

void StatusStateSink::StateChange(const QString& deviceType, const QString& address, quint8 state,
                                  const QString& dateLastUpdated, const QString& stateValue) {
    status_.StateChange(deviceType, address, state, dateLastUpdated, stateValue);
}

void StatusSyncReceiver::SyncPipe(const QString& sType, qint32 lData, const QVariant& vData, const QString& sender,
                                  const QString& recipient) {
    status_.SyncPipe(sType, lData, vData, sender, recipient);
}

}  // namespace sv
