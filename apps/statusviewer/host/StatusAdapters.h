// A workstation's Status component seen as the receiver of field reports and of the other
// workstations' notices.
#pragma once

#include "host/SyncBus.h"

#include "FieldInterfaces.h"

namespace so {
class Status;
}

namespace sv {

class StatusStateSink final : public StateSink {
public:
    explicit StatusStateSink(so::Status& status) : status_(status) {}
    void StateChange(const QString& deviceType, const QString& address, quint8 state, const QString& dateLastUpdated,
                     const QString& stateValue) override;

private:
    so::Status& status_;
};

class StatusSyncReceiver final : public SyncReceiver {
public:
    explicit StatusSyncReceiver(so::Status& status) : status_(status) {}
    void SyncPipe(const QString& sType, qint32 lData, const QVariant& vData, const QString& sender,
                  const QString& recipient) override;

private:
    so::Status& status_;
};

}  // namespace sv
