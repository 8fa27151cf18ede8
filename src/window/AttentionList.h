// The attention list: every alarm and warning point of the shown group, across all sections, in an
// order that holds while the rows change.
//
// Order: live entries before cleared ones; within each, alarms first, then warnings, each the
// newest first (by when the point became abnormal: the time of the report its row shows, so a
// point abnormal since long before a load lists that time, not the load's). An entry's place is
// decided when it goes in and again only when its severity changes or it clears, so a storm of
// reports never reshuffles what the operator is reading. Becoming abnormal again is a new entry (new "since", newest
// place).
//
// Acknowledgement: an alarm is listed unacknowledged until an operator acknowledges it. An alarm
// that clears unacknowledged stays listed ("cleared, not acknowledged") for as long as it takes,
// whatever the storm: no expiry and no cap drop it. An acknowledged alarm that clears, or a
// cleared alarm acknowledged, leaves the list. Warnings need no acknowledgement: cleared, they stay
// until the operator clears them or keepClearedMs passes (at most kMaxCleared of them).
//
// Feeding: the list subscribes to each section grid's changes and hears when a row's conditions change; the
// list only appends the row's key to a queue there (no lookup, no allocation once the queue has grown), as a
// report's hot path must stay cheap, and applies the queue in sync(), which the window calls on a short timer (a
// queue that overflows, as in a refresh of every row, makes that sync read every row instead). A row that changes
// several times between two syncs is rated once, as it reads then, so the passing states a report's cell writes go
// through never reach the list.
// The entries are kept ordered in a tree (a storm at 50,000 points can list tens of thousands); the vector entries()
// hands out is built when asked for after a change. What shows the list follows it by the entries that changed
// since it last looked (takeChanges()), never by copying it whole.
#pragma once

#include "domain/RowConditions.h"
#include "domain/Section.h"
#include "grid/RowSeverity.h"
#include "grid/StatusGrid.h"

#include <QDateTime>
#include <QHash>
#include <QString>

#include <array>
#include <deque>
#include <functional>
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
    qint64 sinceMs = 0;                     // when it became abnormal (its report's time; clockMs())
    qint64 orderMs = 0;    // its place among entries of its severity: sinceMs, but never before an entry listed earlier
    qint64 clearedMs = 0;  // when it returned to normal (clockMs()); 0 while abnormal
    quint64 sequence = 0;  // order of arrival, for entries of the same time
    qint64 acknowledgedMs = 0;  // when an operator acknowledged it; 0 while not
    QString acknowledgedBy;

    bool cleared() const { return clearedMs != 0; }
    bool acknowledged() const { return acknowledgedMs != 0; }
    /// An alarm nobody has acknowledged yet (warnings never wait for one).
    bool awaitsAcknowledgement() const { return severity == Severity::Alarm && !acknowledged(); }
};

/// An alarm occurrence as the desk and the site's alarm authority name it: the point and when it
/// was raised.
struct AlarmOccurrence {
    Section section = Section::Doors;
    int key = -1;
    QString address;
    qint64 raisedMs = 0;
};

class AttentionList {
public:
    static constexpr qint64 kDefaultKeepClearedMs = 5 * 60 * 1000;
    /// Changes queued at most; beyond, the next sync reads every row instead (a full refresh).
    static constexpr int kMaxPending = 65536;
    /// Cleared warnings kept at most; the oldest go first.
    static constexpr int kMaxCleared = 500;

    /// What orders an entry; fixed while it is listed under one severity.
    struct Place {
        bool cleared;
        Severity severity;
        qint64 orderMs;
        quint64 sequence;
        bool operator<(const Place& other) const;  // "goes before": live, alarms, then the newest
    };
    static Place placeOf(const AttentionEntry& entry) {
        return {entry.cleared(), entry.severity, entry.orderMs, entry.sequence};
    }
    /// An entry's point, as one number: its section and its row key.
    static qint64 idOf(Section section, int key) { return qint64(sectionIndex(section)) << 32 | quint32(key); }
    static qint64 idOf(const AttentionEntry& entry) { return idOf(entry.section, entry.key); }
    static Section sectionOfId(qint64 id) { return kAllSections[size_t(id >> 32)]; }
    static int keyOfId(qint64 id) { return int(quint32(id)); }
    /// Entry changes kept for takeChanges() at most; beyond, the next reader reads the whole list.
    static constexpr int kMaxChanges = 65536;

    explicit AttentionList(Sections& sections);
    ~AttentionList();
    AttentionList(const AttentionList&) = delete;
    AttentionList& operator=(const AttentionList&) = delete;

    /// Listening to the section grids (on) or not (off: the list empties and stays empty).
    void setEnabled(bool on);
    bool isEnabled() const { return enabled_; }
    void setKeepClearedMs(qint64 ms) { keepClearedMs_ = ms; }

    /// Queues a row whose conditions changed.
    void conditionsChanged(Section section, const StatusGrid& grid, int row);
    /// A section's rows were removed, cleared or placed anew: its entries are read again from its rows.
    void keysChanged(Section section, const StatusGrid& grid);
    struct SyncResult {
        bool changed = false;                  // entries added, moved, removed, cleared or reworded
        bool newAlarm = false;                 // a point became an alarm
        std::vector<AlarmOccurrence> raised;   // alarms listed anew
        std::vector<AlarmOccurrence> cleared;  // alarms back to normal
    };
    /// While a group fills, the rows' changes are not queued; resume() then reads every row.
    void pause();
    SyncResult resume(qint64 nowMs);

    /// Rates the queued rows as they read now and drops cleared entries kept long enough (or the
    /// oldest beyond kMaxCleared).
    SyncResult sync(qint64 nowMs);
    bool hasPending() const { return overflow_ || !pending_.empty(); }
    /// Empties the list and its queue (another group is shown).
    void reset();
    /// Adds every abnormal row of the sections, as of `nowMs` (the list switched on).
    SyncResult addAllRows(qint64 nowMs);
    /// The operator clears the cleared warnings (cleared alarms go when acknowledged).
    bool removeCleared();

    /// The listed entry of a point, or null.
    const AttentionEntry* find(Section section, int key) const;
    /// The site's view of an alarm the list holds: its raised time (another desk or an earlier run
    /// may have seen it first; the entry keeps its place among its kind) and, when acknowledged,
    /// by whom and when. False when the point is not listed as an alarm raised then.
    bool adopt(Section section, int key, qint64 raisedMs);
    /// Marks the alarm raised at `raisedMs` acknowledged; a cleared one leaves the list. False when
    /// no such alarm awaits acknowledgement.
    bool acknowledge(const QString& address, qint64 raisedMs, const QString& by, qint64 atMs);
    /// A point shelved (a chattering one, say) until `untilSteadyMs` on the steady clock: it leaves
    /// the list and its changes are not rated until it returns, in whichever group is shown.
    /// untilMs (clockMs()) and by are what the operator reads: until when, and who shelved it.
    struct Shelved {
        QString address;
        qint64 untilSteadyMs = 0;
        qint64 untilMs = 0;
        QString by;
    };
    /// A point shelved already takes the newer shelving's time and operator (the site's record of
    /// a shelving made here names who). False when nothing changed.
    bool shelve(Shelved shelving);
    /// The points whose shelving is over at `steadyNowMs`: back, rated as their rows read now.
    std::vector<Shelved> returnDue(qint64 steadyNowMs, qint64 nowMs, SyncResult& result);
    const std::vector<Shelved>& shelved() const { return shelved_; }
    bool isShelved(const QString& address) const;

    /// Unacknowledged alarms listed (live or cleared).
    int unacknowledgedCount() const { return unacknowledged_; }
    /// Entries listed, and those listed as alarms (live or cleared).
    int size() const { return int(ordered_.size()); }
    int alarmEntryCount() const { return active_[int(Severity::Alarm)] + clearedAlarms_; }

    /// Listed entries, in their order (valid until the next sync or change).
    const std::vector<AttentionEntry>& entries() const;
    /// Calls `visit` with every listed entry in order, copying none.
    template <typename Visit>
    void forEach(Visit&& visit) const {
        for (const auto& [place, entry] : ordered_)
            visit(entry);
    }
    /// The points (idOf) whose entries were added, moved, reworded or removed since the last call,
    /// each at least once; `all` when every entry may have (the list emptied, or more changed
    /// than kMaxChanges).
    struct Changes {
        bool all = false;
        std::vector<qint64> ids;
    };
    Changes takeChanges();
    int alarmCount() const { return active_[int(Severity::Alarm)]; }      // abnormal, not cleared
    int warningCount() const { return active_[int(Severity::Warning)]; }  // abnormal, not cleared
    /// What is wrong in words; an off-line point whose controller is off line too names it.
    QString reason(const AttentionEntry& entry) const;
    /// The entry's row in its section grid (from 1); 0 when it has none.
    int rowOf(const AttentionEntry& entry) const;
    /// The name shown in the entry's row; empty when it has none.
    QString nameOf(const AttentionEntry& entry) const;
    /// The name shown in a point's row, of the first section holding it; empty when none does.
    QString nameOf(const QString& address) const;

    /// The list's times, in milliseconds since 1970: the time of day, since an alarm's "since" is
    /// the site's (stored, and the same on every desk). Entries of one severity are listed newest
    /// first by the time this desk listed them, never earlier than an entry listed before
    /// (orderMs), so a step of the clock changes the times shown, not the order. The window's
    /// clock (setClock: the past moment a host shows), or the wall clock.
    qint64 clockMs() const { return clock_ ? clock_() : QDateTime::currentMSecsSinceEpoch(); }
    void setClock(std::function<qint64()> clock) { clock_ = std::move(clock); }
    /// A moment of clockMs() as the list shows it: "10:42:13" today, "2024-03-05 18:47:02" before.
    static QString clockText(qint64 clockMs);
    /// How long, coarse enough to read at a glance: "45 s", "3 min 04 s", "2 h 05 min", "640 d 03 h"
    /// (from two days on).
    static QString durationText(qint64 ms);

private:
    std::function<qint64()> clock_;
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
    /// True the first time this row is queued since the last sync (and marks it queued).
    bool firstThisRound(const Pending& p);
    /// The entry of a row key, or ordered_.end().
    Ordered::iterator& slot(Section section, int key);
    void rate(Section section, int key, int row, qint64 nowMs, SyncResult& result);
    void erase(Ordered::iterator entry);
    /// Moves an entry to the place its fields now say.
    void replace(Ordered::iterator entry);
    void clear(Ordered::iterator entry, qint64 nowMs, SyncResult& result);
    Ordered::iterator findByAddress(const QString& address);
    void dropOldestCleared(qint64 nowMs, SyncResult& result);
    void changed(const AttentionEntry& entry);
    void changedAll();
    /// Rows rated together (one sync, a load) are placed by their raised times among themselves,
    /// all of them before the entries listed earlier.
    void beginBatch() { orderFloorMs_ = latestOrderMs_; }

    Sections& sections_;
    bool enabled_ = true;
    bool paused_ = false;
    qint64 keepClearedMs_ = kDefaultKeepClearedMs;
    std::vector<Pending> pending_;
    // By section and row key: the round (the syncs so far) in which the row was last queued, so a
    // row is queued and rated once a sync however often it changed.
    std::array<std::vector<quint32>, kSectionCount> queuedRound_;
    quint32 round_ = 1;
    std::array<SectionWatch, kSectionCount> watches_;
    bool overflow_ = false;  // more rows changed than the queue holds
    Ordered ordered_;
    std::array<std::vector<Ordered::iterator>, kSectionCount> byKey_;  // by row key: its entry
    std::vector<Shelved> shelved_;
    std::deque<Cleared> clearedOrder_;  // cleared entries by the time they cleared (oldest first)
    int clearedCount_ = 0;              // cleared warnings and acknowledged alarms in clearedOrder_
    int unacknowledged_ = 0;
    int clearedAlarms_ = 0;
    std::array<int, 3> active_{};  // abnormal entries, not cleared, by severity
    quint64 nextSequence_ = 1;
    /// The latest orderMs given: an entry listed after the clock stepped back still goes first.
    qint64 latestOrderMs_ = 0;
    qint64 orderFloorMs_ = 0;      // latestOrderMs_ as the rows being rated found it
    std::vector<qint64> changes_;  // for takeChanges()
    bool changedAll_ = true;
    mutable std::vector<AttentionEntry> snapshot_;
    mutable bool snapshotStale_ = false;
};

}  // namespace so
