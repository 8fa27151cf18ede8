// The site database as the alarm authority (the one-process application): the alarm states in
// AlarmStates (one row per point whose alarm is raised, or cleared and not yet acknowledged) and
// every step in AlarmJournal. Statements are bound, never built from a point's or an operator's
// text; each batch runs in one transaction. Failures are the caller's to trap.
#pragma once

#include "window/AlarmAuthority.h"

#include <QHash>

namespace so {

struct ComponentContext;

class SiteAlarmAuthority : public AlarmAuthority {
public:
    explicit SiteAlarmAuthority(ComponentContext& ctx) : ctx_(ctx) {}

    std::vector<AlarmAcknowledgement> raised(std::vector<AlarmOccurrence>& alarms, qint64 nowMs) override;
    void cleared(const std::vector<AlarmOccurrence>& alarms, qint64 nowMs) override;
    std::vector<AlarmAcknowledgement> acknowledge(const std::vector<AlarmOccurrence>& alarms, const QString& comment,
                                                  qint64 nowMs) override;
    std::vector<AlarmAcknowledgement> news() override;
    void shelving(const QString& address, bool shelved, int minutes, qint64 nowMs) override;

    void purgeJournal(int days, qint64 nowMs) override;
    /// The signed-in operator's login name, as acknowledgements record it.
    QString operatorName();

private:
    /// Alarms up to this many are looked up one by one.
    static constexpr size_t kLookedUpOneByOne = 2000;
    struct Known {
        qint64 raisedMs = 0;
        bool cleared = false;
        qint64 acknowledgedMs = 0;
        QString acknowledgedBy;
    };
    /// The stored states of these alarms' points, by address.
    QHash<QString, Known> known(const std::vector<AlarmOccurrence>& alarms);
    void journal(const QString& event, const QString& address, qint64 raisedMs, qint64 atMs,
                 const QString& comment = {});

    ComponentContext& ctx_;
    qint64 lastJournalId_ = -1;  // news() reads past it; -1 until the first call
};

}  // namespace so
