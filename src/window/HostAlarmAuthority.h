// The alarm authority of a desk whose operator's steps the host hands on (a desk of a multi-desk
// site: to the field, which checks the operator, records the step and announces it to every
// desk). The desk still keeps when each alarm was raised and cleared in the site database; the
// acknowledgements and shelvings it shows are those the host reports back, and after the host's
// link was down, those the site database holds.
#pragma once

#include "window/SiteAlarmAuthority.h"

namespace so {

class HostAlarmAuthority : public SiteAlarmAuthority {
public:
    HostAlarmAuthority(db::Connection& db, OperatorId operatorId, AlarmHost& host)
        : SiteAlarmAuthority(db, std::move(operatorId)), host_(host) {}

    std::vector<AlarmAcknowledgement> acknowledge(const std::vector<AlarmOccurrence>& alarms, const QString& comment,
                                                  qint64 nowMs) override;
    std::vector<AlarmAcknowledgement> news() override;
    bool shelving(const QString& address, bool shelved, int minutes, qint64 nowMs) override;
    std::vector<AlarmShelving> shelvings(qint64 nowMs) override;

private:
    AlarmHost& host_;
    bool started_ = false;
    bool reread_ = false;
    std::vector<AlarmShelving> shelved_;  // taken by news(), handed out by shelvings()
};

}  // namespace so
