// Who keeps the site's alarm states: when each alarm was raised, whether and by whom it was
// acknowledged, and the alarm journal. Acknowledgements are the site's, not a desk's: every desk
// asks the one authority, so an alarm acknowledged at one desk reads acknowledged at the others,
// and a desk that starts reads the acknowledgements already made.
//
// The one-process application keeps them in the site database (SiteAlarmAuthority); a desk of a
// multi-desk site hands its operator's steps to the field, which checks, records and announces
// them (HostAlarmAuthority, over the host's AlarmHost).
//
// Times are whole seconds since the epoch times 1000: an occurrence is named by its point and its
// raised time as the site stores it, which a database column keeps to the second.
#pragma once

#include "window/AttentionList.h"

#include <statusobject/AlarmSteps.h>

#include <QString>

#include <vector>

namespace so {

class AlarmAuthority {
public:
    virtual ~AlarmAuthority() = default;

    /// The desk lists these alarms anew (or at a load): each one's raisedMs becomes the site's
    /// (an occurrence the site already knows keeps its first time). Returns those of them the site
    /// holds acknowledged.
    virtual std::vector<AlarmAcknowledgement> raised(std::vector<AlarmOccurrence>& alarms, qint64 nowMs) = 0;
    /// These alarms returned to normal.
    virtual void cleared(const std::vector<AlarmOccurrence>& alarms, qint64 nowMs) = 0;
    /// Records the operator's acknowledgement of these alarms (with an optional comment); returns
    /// those recorded now (one acknowledged meanwhile at another desk is not recorded twice). An
    /// authority that hands them on returns none: they come back through news().
    virtual std::vector<AlarmAcknowledgement> acknowledge(const std::vector<AlarmOccurrence>& alarms,
                                                          const QString& comment, qint64 nowMs) = 0;
    /// The operator shelved a point for `minutes` (true), or its time is up (false). True when the
    /// shelving is recorded now; false when it was handed on (it comes back through shelvings()).
    virtual bool shelving(const QString& address, bool shelved, int minutes, qint64 nowMs) = 0;
    /// Deletes the journal's steps older than `days`.
    virtual void purgeJournal(int days, qint64 nowMs) = 0;
    /// Acknowledgements recorded since the last call, at any desk.
    virtual std::vector<AlarmAcknowledgement> news() = 0;
    /// Points shelved since the last call, at any desk; at the first call every point shelved now.
    virtual std::vector<AlarmShelving> shelvings(qint64 nowMs) = 0;
};

/// Whole seconds: the precision an occurrence's time is stored with.
inline qint64 wholeSecondsMs(qint64 ms) { return ms - ((ms % 1000) + 1000) % 1000; }

}  // namespace so
