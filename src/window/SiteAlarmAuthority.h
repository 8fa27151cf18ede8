// The site database as the alarm authority (the one-process application): the alarm states in
// AlarmStates (one row per point whose alarm is raised, or cleared and not yet acknowledged), the
// shelved points in ShelvedPoints and every step in AlarmJournal (statusobject/AlarmSteps.h).
// Statements are bound, never built from a point's or an operator's text; each batch runs in one
// transaction. Failures are the caller's to trap.
//
// It runs on whichever thread owns its connection (the alarm writer's, see AlarmWriter.h): the
// operator an acknowledgement or a shelving names is handed in as the site's operator number,
// read on the window's thread, never asked of the host from here.
#pragma once

#include "window/AlarmAuthority.h"

#include <QHash>

#include <atomic>
#include <memory>
#include <optional>

namespace so {

namespace db {
class Connection;
}
namespace alarms {
class TimeValues;
}

class SiteAlarmAuthority : public AlarmAuthority {
public:
    /// The signed-in operator's number in the site's Operators table, as the window last read it.
    using OperatorId = std::shared_ptr<const std::atomic<qint32>>;

    SiteAlarmAuthority(db::Connection& db, OperatorId operatorId) : db_(db), operatorId_(std::move(operatorId)) {}

    std::vector<AlarmAcknowledgement> raised(std::vector<AlarmOccurrence>& alarms, qint64 nowMs) override;
    void cleared(const std::vector<AlarmOccurrence>& alarms, qint64 nowMs) override;
    std::vector<AlarmAcknowledgement> acknowledge(const std::vector<AlarmOccurrence>& alarms, const QString& comment,
                                                  qint64 nowMs) override;
    std::vector<AlarmAcknowledgement> news() override;
    bool shelving(const QString& address, bool shelved, int minutes, qint64 nowMs) override;
    std::vector<AlarmShelving> shelvings(qint64 nowMs) override;

    void purgeJournal(int days, qint64 nowMs) override;
    /// The signed-in operator's login name, as acknowledgements record it.
    QString operatorName();

protected:
    db::Connection& db_;
    OperatorId operatorId_;

private:
    /// Alarms up to this many are looked up one by one.
    static constexpr size_t kLookedUpOneByOne = 2000;
    struct Known {
        qint64 raisedMs = 0;
        bool cleared = false;
        qint64 acknowledgedMs = 0;
        QString acknowledgedBy;
    };
    /// How many points have a stored alarm state.
    size_t storedStates();
    /// The stored states of these alarms' points, by address.
    QHash<QString, Known> known(const std::vector<AlarmOccurrence>& alarms);
    enum class Stored { Written, Standing };
    /// Records an alarm raised: in the row of the point's cleared occurrence, or a new row. Standing
    /// when a live occurrence's row stands (raised elsewhere or earlier). `cleared`: what a read of
    /// the states said of the point's row (true: a cleared one, false: none), if it was read.
    Stored store(const AlarmOccurrence& alarm, alarms::TimeValues& times, std::optional<bool> cleared);

    qint64 lastJournalId_ = -1;  // news() reads past it; -1 until the first call
    bool shelvingsRead_ = false;
    std::vector<AlarmShelving> shelved_;  // read by news(), handed out by shelvings()
};

}  // namespace so
