// The attention list: every alarm and warning point of the shown group, across all sections, in an
// order that holds while the rows change.
//
// Order: alarms first, then warnings; within each, the newest first (by when the point became
// abnormal). An entry's place is decided when it goes in and again only when its severity changes,
// so a storm of reports never reshuffles what the operator is reading. A point that returns to
// normal stays at its place, marked cleared with the time, until the operator clears it or
// keepClearedMs passes: a door forced for two seconds is not missed. Becoming abnormal again is a
// new entry (new "since", newest place).
//
// Feeding: the section grids tell the list (ConditionsListener) when a row's conditions change; the
// list only queues the point there, as a report's hot path must stay cheap, and applies the queue
// in sync(), which the window calls on a short timer (and which runs at once when the queue is
// full). A row that changes several times between two syncs is rated once, as it then reads, so
// the passing states a report's cell writes go through never reach the list.
#pragma once

#include "domain/RowConditions.h"
#include "grid/RowSeverity.h"
#include "grid/StatusGrid.h"

#include <QHash>
#include <QString>

#include <vector>

namespace so {

class Sections;

struct AttentionEntry {
    int section = 0;
    QString address;
    Severity severity = Severity::Warning;  // the severity it is listed under, kept once cleared
    RowConditions conditions;                // as last seen abnormal
    qint64 sinceMs = 0;                      // when it became abnormal (ms since the epoch)
    qint64 clearedMs = 0;                    // when it returned to normal; 0 while abnormal
    quint64 sequence = 0;                    // order of arrival, for entries of the same time

    bool cleared() const { return clearedMs != 0; }
};

class AttentionList : public ConditionsListener {
public:
    static constexpr qint64 kDefaultKeepClearedMs = 5 * 60 * 1000;
    /// Queued changes beyond which noteChange syncs at once (a window without an event loop).
    static constexpr int kMaxPending = 1 << 16;

    explicit AttentionList(Sections& sections);
    ~AttentionList() override;
    AttentionList(const AttentionList&) = delete;
    AttentionList& operator=(const AttentionList&) = delete;

    /// Listening to the section grids (on) or not (off: the list empties and stays empty).
    void setEnabled(bool on);
    bool isEnabled() const { return enabled_; }
    void setKeepClearedMs(qint64 ms) { keepClearedMs_ = ms; }

    /// Queues a point whose conditions changed (the grids call this).
    void conditionsChanged(int section, const StatusGrid& grid, int row) override;

    struct SyncResult {
        bool changed = false;   // entries added, moved, removed, cleared or reworded
        bool newAlarm = false;  // a point became an alarm
    };
    /// Rates the queued points as their rows read now and drops cleared entries kept long enough.
    SyncResult sync(qint64 nowMs);
    bool hasPending() const { return !pending_.empty(); }
    /// Empties the list and its queue (another group is shown).
    void reset();
    /// Adds every abnormal row of the sections, as of `nowMs` (a group just filled while the
    /// list was off, or the list switched on).
    void addAllRows(qint64 nowMs);
    /// The operator clears the cleared entries.
    bool removeCleared();

    /// Listed entries, in their order.
    const std::vector<AttentionEntry>& entries() const { return entries_; }
    int alarmCount() const { return alarms_; }      // abnormal, not cleared
    int warningCount() const { return warnings_; }  // abnormal, not cleared
    /// What is wrong in words; an off-line point whose controller is off line too names it.
    QString reason(const AttentionEntry& entry) const;
    /// The entry's row in its section grid (from 1); 0 when it has none.
    int rowOf(const AttentionEntry& entry) const;
    /// The name shown in the entry's row; empty when it has none.
    QString nameOf(const AttentionEntry& entry) const;

    /// A time of day as the list shows it ("10:42:13").
    static QString clockText(qint64 msecsSinceEpoch);
    /// How long, coarse enough to read at a glance: "45 s", "3 min 04 s", "2 h 05 min".
    static QString durationText(qint64 ms);

private:
    struct Place {
        Severity severity;
        qint64 sinceMs;
        quint64 sequence;
    };
    struct Pending {
        int section;
        QString address;
    };
    static QString keyOf(int section, const QString& address);
    /// Where an entry of that severity and time goes in the order.
    std::vector<AttentionEntry>::iterator placeFor(const Place& place);
    std::vector<AttentionEntry>::iterator find(int section, const QString& address);
    void insert(AttentionEntry entry);
    void rate(int section, const QString& address, qint64 nowMs, SyncResult& result);
    void count();

    Sections& sections_;
    bool enabled_ = true;
    qint64 keepClearedMs_ = kDefaultKeepClearedMs;
    std::vector<Pending> pending_;
    std::vector<AttentionEntry> entries_;
    QHash<QString, Place> listed_;  // by section and address: what orders its entry, to find it quickly
    quint64 nextSequence_ = 1;
    int alarms_ = 0;
    int warnings_ = 0;
};

}  // namespace so
