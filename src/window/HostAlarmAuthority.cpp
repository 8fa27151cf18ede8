#include "window/HostAlarmAuthority.h"

#include "window/AlarmRecords.h"

namespace so {

std::vector<AlarmAcknowledgement> HostAlarmAuthority::acknowledge(const std::vector<AlarmOccurrence>& alarms,
                                                                  const QString& comment, qint64) {
    std::vector<AlarmRaised> raised;
    raised.reserve(alarms.size());
    for (const AlarmOccurrence& alarm : alarms)
        raised.push_back({alarm.address, alarm.raisedMs});
    host_.acknowledge(raised, comment);
    return {};
}

std::vector<AlarmAcknowledgement> HostAlarmAuthority::news() {
    AlarmHost::News news = host_.news();
    for (AlarmShelving& s : news.shelved)
        shelved_.push_back(std::move(s));
    if (!started_ || news.reread) {
        // What was acknowledged before the desk started, a load reads through raised(); what was
        // acknowledged while the host's link was down, the site database tells.
        if (started_)
            for (AlarmAcknowledgement& ack : readAcknowledgements(db_))
                news.acknowledged.push_back(std::move(ack));
        started_ = true;
        reread_ = true;
    }
    return std::move(news.acknowledged);
}

bool HostAlarmAuthority::shelving(const QString& address, bool shelved, int minutes, qint64 nowMs) {
    if (!shelved)
        return SiteAlarmAuthority::shelving(address, false, 0, nowMs);  // its time is up: no operator's step
    host_.shelve(address, minutes);
    return false;
}

std::vector<AlarmShelving> HostAlarmAuthority::shelvings(qint64 nowMs) {
    if (std::exchange(reread_, false))
        for (AlarmShelving& s : readShelvings(db_, nowMs))
            shelved_.push_back(std::move(s));
    return std::exchange(shelved_, {});
}

}  // namespace so
