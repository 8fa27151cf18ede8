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
// Feeding: the list subscribes to each section grid's changes and hears when a row's conditions change; the
// list only queues the row's key there, once per sync, as a report's hot path must stay cheap, and
// applies the queue in sync(), which the window calls on a short timer (a queue that overflows,
// as in a refresh of every row, makes that sync read every row instead). A row that changes several times between two
// syncs is rated once, as it reads then, so the passing states a report's cell writes go through never reach the list.
// The entries are kept ordered in a tree (a storm at 50,000 points can list tens of thousands); the vector entries()
// hands out is built when asked for after a change.
#pragma once

#include "domain/RowConditions.h"
#include "domain/Section.h"
#include "grid/RowSeverity.h"
#include "grid/StatusGrid.h"

#include <QHash>
#include <QString>

#include <array>
#include <deque>
#include <map>
#include <vector>

namespace so {

class Sections;

struct AttentionEntry {
    Section section = Section::Doors;
    int key = -1;  // the row's key in its section grid
    QString address;
    Severity severity = Severity::Warning;  // the severity it is listed under, kept once cleared
    RowConditions conditions;               // as last seen abnormal
    qint64 sinceMs = 0;                     // when it became abnormal (clockMs())
    qint64 clearedMs = 0;                   // when it returned to normal (clockMs()); 0 while abnormal
    quint64 sequence = 0;                   // order of arrival, for entries of the same time

    bool cleared() const { return clearedMs != 0; }
};

class AttentionList {
public:
    static constexpr qint64 kDefaultKeepClearedMs = 5 * 60 * 1000;
    /// Rows queued at most; beyond, the next sync reads every row instead (a full refresh).
    static constexpr int kMaxPending = 4096;
    /// Cleared entries kept at most; the oldest go first.
    static constexpr int kMaxCleared = 500;

    explicit AttentionList(Sections& sections);
    ~AttentionList();
    AttentionList(const AttentionList&) = delete;
    AttentionList& operator=(const AttentionList&) = delete;

    /// Listening to the section grids (on) or not (off: the list empties and stays empty).
    void setEnabled(bool on);
    bool isEnabled() const { return enabled_; }
    void setKeepClearedMs(qint64 ms) { keepClearedMs_ = ms; }

    /// Queues a row whose conditions changed (once per sync).
    void conditionsChanged(Section section, const StatusGrid& grid, int row);
    /// A section's rows were removed, cleared or placed anew: its entries are read again from its rows.
    void keysChanged(Section section, const StatusGrid& grid);
    /// While a group fills, the rows' changes are not queued; resume() then reads every row.
    void pause();
    void resume(qint64 nowMs);

    struct SyncResult {
        bool changed = false;   // entries added, moved, removed, cleared or reworded
        bool newAlarm = false;  // a point became an alarm
    };
    /// Rates the queued rows as they read now and drops cleared entries kept long enough (or the
    /// oldest beyond kMaxCleared).
    SyncResult sync(qint64 nowMs);
    bool hasPending() const { return overflow_ || !pending_.empty(); }
    /// Empties the list and its queue (another group is shown).
    void reset();
    /// Adds every abnormal row of the sections, as of `nowMs` (the list switched on).
    void addAllRows(qint64 nowMs);
    /// The operator clears the cleared entries.
    bool removeCleared();

    /// Listed entries, in their order (valid until the next sync or change).
    const std::vector<AttentionEntry>& entries() const;
    int alarmCount() const { return active_[int(Severity::Alarm)]; }      // abnormal, not cleared
    int warningCount() const { return active_[int(Severity::Warning)]; }  // abnormal, not cleared
    /// What is wrong in words; an off-line point whose controller is off line too names it.
    QString reason(const AttentionEntry& entry) const;
    /// The entry's row in its section grid (from 1); 0 when it has none.
    int rowOf(const AttentionEntry& entry) const;
    /// The name shown in the entry's row; empty when it has none.
    QString nameOf(const AttentionEntry& entry) const;

    /// The list's clock, in milliseconds: a steady clock, so that a step of the time of day neither
    /// reorders the entries nor changes their ages; the time of day is only what clockText() shows.
    static qint64 clockMs();
    /// A moment of clockMs() as the time of day the list shows ("10:42:13").
    static QString clockText(qint64 clockMs);
    /// How long, coarse enough to read at a glance: "45 s", "3 min 04 s", "2 h 05 min".
    static QString durationText(qint64 ms);

private:
    /// What orders an entry; fixed while it is listed under one severity.
    struct Place {
        Severity severity;
        qint64 sinceMs;
        quint64 sequence;
        bool operator<(const Place& other) const;  // "goes before": alarms, then the newest
    };
    using Ordered = std::map<Place, AttentionEntry>;
    struct Pending {
        Section section;
        int key;
    };
    /// The list's subscription to one section grid.
    struct SectionWatch final : GridObserver {
        AttentionList* list = nullptr;
        StatusGrid* grid = nullptr;
        Section section = Section::Doors;
        void rowConditionsChanged(int row) override { list->conditionsChanged(section, *grid, row); }
        void keysChanged() override { list->keysChanged(section, *grid); }
    };
    struct Cleared {
        qint64 clearedMs;
        Section section;
        int key;
    };
    /// The entry of a row key, or ordered_.end().
    Ordered::iterator& slot(Section section, int key);
    void rate(Section section, int key, int row, qint64 nowMs, SyncResult& result);
    void erase(Ordered::iterator entry);
    void dropOldestCleared(qint64 nowMs, SyncResult& result);
    void changed() { snapshotStale_ = true; }

    Sections& sections_;
    bool enabled_ = true;
    bool paused_ = false;
    qint64 keepClearedMs_ = kDefaultKeepClearedMs;
    std::vector<Pending> pending_;
    // By section and row key: the sync round in which the row was last queued, so a row is queued
    // once a round however often it changes.
    std::array<std::vector<quint32>, kSectionCount> queuedRound_;
    quint32 round_ = 1;
    std::array<SectionWatch, kSectionCount> watches_;
    bool overflow_ = false;  // more rows changed than the queue holds
    Ordered ordered_;
    std::array<std::vector<Ordered::iterator>, kSectionCount> byKey_;  // by row key: its entry
    std::deque<Cleared> clearedOrder_;  // cleared entries by the time they cleared (oldest first)
    int clearedCount_ = 0;
    std::array<int, 3> active_{};  // abnormal entries, not cleared, by severity
    quint64 nextSequence_ = 1;
    mutable std::vector<AttentionEntry> snapshot_;
    mutable bool snapshotStale_ = false;
};

}  // namespace so
