#include "window/AttentionList.h"

#include "domain/Address.h"
#include "grid/ColumnLayout.h"
#include "grid/Sections.h"
#include "window/Severity.h"

#include <QCoreApplication>
#include <QDateTime>

#include <chrono>
#include <utility>

#include <algorithm>
#include <cstdlib>

namespace so {
namespace {

/// When a row's point became abnormal as the site knows it: the time of the report its row shows
/// (a stored report replayed at a load, the field's report on a site's bus), never later than
/// `nowMs`; `nowMs` when the row's time is unknown.
qint64 raisedAt(const StatusGrid& grid, int row, qint64 nowMs) {
    const qint64 reported = grid.updatedAt(row);
    return reported == UpdatedStamp::kUnknown ? nowMs : std::min(reported, nowMs);
}

}  // namespace

bool AttentionList::Place::operator<(const Place& other) const {
    if (cleared != other.cleared)
        return !cleared;
    if (severity != other.severity)
        return severity > other.severity;
    if (orderMs != other.orderMs)
        return orderMs > other.orderMs;
    return sequence > other.sequence;
}

AttentionList::AttentionList(Sections& sections) : sections_(sections) {
    for (Section section : kAllSections) {
        SectionWatch& watch = watches_[size_t(sectionIndex(section))];
        watch.list = this;
        watch.grid = &sections_.grid(section);
        watch.section = section;
        watch.grid->changes().subscribe(watch);
    }
    pending_.reserve(kMaxPending);
}

AttentionList::~AttentionList() {
    for (SectionWatch& watch : watches_)
        watch.grid->changes().unsubscribe(watch);
}

void AttentionList::setEnabled(bool on) {
    if (enabled_ == on)
        return;
    enabled_ = on;
    reset();
}

void AttentionList::conditionsChanged(Section section, const StatusGrid& grid, int row) {
    // On every report's path: a mark and an append. A row is queued once until the next sync, so
    // the queue holds at most the rows that changed, however often they did.
    if (!enabled_ || paused_ || overflow_)
        return;
    const Pending p{section, grid.rowKey(row)};
    if (!firstThisRound(p))
        return;
    if (int(pending_.size()) >= kMaxPending) {
        // A refresh of every row, say: the next sync reads them all rather than a queue this long
        // (and never a row half way through its rewrite, as a sync here could).
        overflow_ = true;
        pending_.clear();
        return;
    }
    pending_.push_back(p);
}

void AttentionList::keysChanged(Section section, const StatusGrid& grid) {
    if (!enabled_ || paused_)
        return;
    const int tag = sectionIndex(section);
    // Rare (a group's rows refilled outside a load): the section's entries are read anew.
    for (Ordered::iterator entry : byKey_[size_t(tag)])
        if (entry != ordered_.end())
            erase(entry);
    byKey_[size_t(tag)].clear();
    std::erase_if(pending_, [&](const Pending& p) { return p.section == section; });  // they stand for other rows now
    queuedRound_[size_t(tag)].clear();
    SyncResult ignored;
    const qint64 now = clockMs();
    beginBatch();
    for (int row = 1; row <= grid.rowCount(); ++row)
        if (!grid.conditions(row).empty())
            rate(section, grid.rowKey(row), row, now, ignored);
}

void AttentionList::pause() {
    reset();
    paused_ = true;
}

AttentionList::SyncResult AttentionList::resume(qint64 nowMs) {
    paused_ = false;
    return addAllRows(nowMs);
}

bool AttentionList::firstThisRound(const Pending& p) {
    std::vector<quint32>& rounds = queuedRound_[size_t(sectionIndex(p.section))];
    if (size_t(p.key) >= rounds.size())
        rounds.resize(size_t(p.key) + 1, 0);
    if (rounds[size_t(p.key)] == round_)
        return false;
    rounds[size_t(p.key)] = round_;
    return true;
}

AttentionList::Ordered::iterator& AttentionList::slot(Section section, int key) {
    std::vector<Ordered::iterator>& keys = byKey_[size_t(sectionIndex(section))];
    if (size_t(key) >= keys.size())
        keys.resize(size_t(key) + 1024, ordered_.end());
    return keys[size_t(key)];
}

void AttentionList::erase(Ordered::iterator entry) {
    if (!entry->second.cleared())
        --active_[int(entry->second.severity)];
    else if (entry->second.severity == Severity::Alarm)
        --clearedAlarms_;
    else
        --clearedCount_;
    if (entry->second.awaitsAcknowledgement())
        --unacknowledged_;
    slot(entry->second.section, entry->second.key) = ordered_.end();
    changed(entry->second);
    ordered_.erase(entry);
}

void AttentionList::replace(Ordered::iterator entry) {
    auto node = ordered_.extract(entry);
    const AttentionEntry& e = node.mapped();
    node.key() = Place{e.cleared(), e.severity, e.orderMs, e.sequence};
    const Section section = e.section;
    const int key = e.key;
    const Ordered::iterator placed = ordered_.insert(std::move(node)).position;
    slot(section, key) = placed;
    changed(placed->second);
}

void AttentionList::clear(Ordered::iterator entry, qint64 nowMs, SyncResult& result) {
    AttentionEntry& e = entry->second;
    result.changed = true;
    if (e.severity == Severity::Alarm)
        result.cleared.push_back({e.section, e.key, e.address, e.sinceMs});
    if (e.severity == Severity::Alarm && e.acknowledged()) {
        erase(entry);  // seen and over: nothing left to do about it
        return;
    }
    --active_[int(e.severity)];
    e.clearedMs = nowMs;
    if (e.severity == Severity::Alarm) {
        ++clearedAlarms_;
    } else {
        ++clearedCount_;
        clearedOrder_.push_back({nowMs, e.section, e.key});
    }
    replace(entry);
}

bool AttentionList::isShelved(const QString& address) const {
    return std::any_of(shelved_.begin(), shelved_.end(), [&](const Shelved& s) { return s.address == address; });
}

bool AttentionList::shelve(Shelved shelving) {
    const auto known =
        std::find_if(shelved_.begin(), shelved_.end(), [&](const Shelved& s) { return s.address == shelving.address; });
    if (known != shelved_.end()) {
        // The site's record of a shelving made here (its time kept to the whole second) names who
        // shelved it and leaves its time as it was; another shelving of the point since replaces it.
        const bool same = std::abs(known->untilMs - shelving.untilMs) < 1000;
        const bool renewed = !same || known->by != shelving.by;
        if (same) {
            shelving.untilSteadyMs = known->untilSteadyMs;
            shelving.untilMs = known->untilMs;
        }
        *known = std::move(shelving);
        return renewed;
    }
    const Ordered::iterator entry = findByAddress(shelving.address);
    if (entry != ordered_.end())
        erase(entry);
    shelved_.push_back(std::move(shelving));
    return true;
}

std::vector<AttentionList::Shelved> AttentionList::returnDue(qint64 steadyNowMs, qint64 nowMs, SyncResult& result) {
    std::vector<Shelved> due;
    for (auto s = shelved_.begin(); s != shelved_.end();) {
        if (s->untilSteadyMs > steadyNowMs) {
            ++s;
            continue;
        }
        due.push_back(*s);
        s = shelved_.erase(s);
    }
    beginBatch();
    for (const Shelved& s : due)
        for (Section section : kAllSections) {
            const StatusGrid& grid = sections_.grid(section);
            const int row = grid.findRow(s.address);
            if (row > 0)
                rate(section, grid.rowKey(row), row, nowMs, result);
        }
    if (!due.empty())
        result.changed = true;
    return due;
}

void AttentionList::rate(Section section, int key, int row, qint64 nowMs, SyncResult& result) {
    if (!shelved_.empty() && isShelved(sections_.grid(section).address(row)))
        return;
    const StatusGrid& grid = sections_.grid(section);
    const RowConditions conditions = grid.conditions(row);
    const Severity now = severity(conditions);
    const Ordered::iterator entry = slot(section, key);
    const bool listed = entry != ordered_.end();
    if (now == Severity::Normal) {
        if (listed && !entry->second.cleared())
            clear(entry, nowMs, result);
        return;
    }
    if (listed && !entry->second.cleared() && entry->second.severity == now) {
        if (entry->second.conditions != conditions) {
            entry->second.conditions = conditions;
            changed(entry->second);
            result.changed = true;
        }
        return;
    }
    // New, back after clearing (a new occurrence) or of another severity (moves, keeps its "since").
    AttentionEntry fresh;
    fresh.section = section;
    fresh.key = key;
    fresh.address = grid.address(row);
    fresh.severity = now;
    fresh.conditions = conditions;
    fresh.sinceMs = raisedAt(grid, row, nowMs);
    fresh.orderMs = std::max(fresh.sinceMs, orderFloorMs_);
    fresh.sequence = nextSequence_++;
    if (listed) {
        if (!entry->second.cleared()) {
            fresh.sinceMs = entry->second.sinceMs;
            fresh.orderMs = entry->second.orderMs;
        }
        // An acknowledged warning that turns into an alarm is a new alarm to acknowledge.
        if (now == entry->second.severity) {
            fresh.acknowledgedMs = entry->second.acknowledgedMs;
            fresh.acknowledgedBy = entry->second.acknowledgedBy;
        }
        erase(entry);
    }
    latestOrderMs_ = std::max(latestOrderMs_, fresh.orderMs);
    const Place at{false, now, fresh.orderMs, fresh.sequence};
    if (now == Severity::Alarm)
        result.raised.push_back({section, key, fresh.address, fresh.sinceMs});
    if (fresh.awaitsAcknowledgement())
        ++unacknowledged_;
    const Ordered::iterator placed = ordered_.emplace(at, std::move(fresh)).first;
    slot(section, key) = placed;
    ++active_[int(now)];
    changed(placed->second);
    result.changed = true;
    result.newAlarm = result.newAlarm || now == Severity::Alarm;
}

AttentionList::SyncResult AttentionList::sync(qint64 nowMs) {
    SyncResult result;
    std::vector<Pending> pending;
    pending.swap(pending_);
    ++round_;  // rows changed from now on are queued again
    beginBatch();
    if (overflow_) {
        overflow_ = false;
        for (Section section : kAllSections) {
            const StatusGrid& grid = sections_.grid(section);
            for (int row = 1; row <= grid.rowCount(); ++row) {
                const int key = grid.rowKey(row);
                if (!grid.conditions(row).empty() || slot(section, key) != ordered_.end())
                    rate(section, key, row, nowMs, result);
            }
        }
    }
    for (const Pending& p : pending) {
        const int row = sections_.grid(p.section).rowOfKey(p.key);
        if (row > 0)
            rate(p.section, p.key, row, nowMs, result);
    }
    dropOldestCleared(nowMs, result);
    pending.clear();
    if (pending_.empty())
        pending_.swap(pending);  // keeps the queue's storage
    return result;
}

void AttentionList::dropOldestCleared(qint64 nowMs, SyncResult& result) {
    while (!clearedOrder_.empty() &&
           (nowMs - clearedOrder_.front().clearedMs >= keepClearedMs_ || clearedCount_ > kMaxCleared)) {
        const Cleared gone = clearedOrder_.front();
        clearedOrder_.pop_front();
        const Ordered::iterator entry = slot(gone.section, gone.key);
        // Only if it is still the entry that cleared then (not raised again since).
        if (entry != ordered_.end() && entry->second.clearedMs == gone.clearedMs) {
            erase(entry);
            result.changed = true;
        }
    }
}

void AttentionList::reset() {
    pending_.clear();
    overflow_ = false;
    ordered_.clear();
    for (std::vector<Ordered::iterator>& keys : byKey_)
        keys.clear();
    clearedOrder_.clear();
    clearedCount_ = 0;
    unacknowledged_ = 0;
    clearedAlarms_ = 0;
    active_.fill(0);
    changedAll();
    ++round_;
}

AttentionList::SyncResult AttentionList::addAllRows(qint64 nowMs) {
    SyncResult result;
    if (!enabled_)
        return result;
    beginBatch();
    for (Section section : kAllSections) {
        const StatusGrid& grid = sections_.grid(section);
        for (int row = 1; row <= grid.rowCount(); ++row)
            if (!grid.conditions(row).empty())
                rate(section, grid.rowKey(row), row, nowMs, result);
    }
    return result;
}

bool AttentionList::removeCleared() {
    bool removed = false;
    for (auto entry = ordered_.begin(); entry != ordered_.end();) {
        const auto next = std::next(entry);
        if (entry->second.cleared() && entry->second.severity != Severity::Alarm) {
            erase(entry);
            removed = true;
        }
        entry = next;
    }
    clearedOrder_.clear();
    clearedCount_ = 0;
    return removed;
}

const AttentionEntry* AttentionList::find(Section section, int key) const {
    const std::vector<Ordered::iterator>& keys = byKey_[size_t(sectionIndex(section))];
    if (key < 0 || size_t(key) >= keys.size() || keys[size_t(key)] == ordered_.end())
        return nullptr;
    return &keys[size_t(key)]->second;
}

AttentionList::Ordered::iterator AttentionList::findByAddress(const QString& address) {
    for (Section section : kAllSections) {
        const StatusGrid& grid = sections_.grid(section);
        const int row = grid.findRow(address);
        if (row > 0) {
            const Ordered::iterator entry = slot(section, grid.rowKey(row));
            if (entry != ordered_.end())
                return entry;
        }
    }
    return ordered_.end();
}

bool AttentionList::adopt(Section section, int key, qint64 raisedMs) {
    const Ordered::iterator entry = slot(section, key);
    if (entry == ordered_.end() || entry->second.severity != Severity::Alarm)
        return false;
    if (entry->second.sinceMs != raisedMs) {
        // The site's time of the occurrence, as every desk shows it. The site keeps whole seconds:
        // a time more than a second before this desk's own is another desk's earlier raise, and the
        // entry moves back to it; its own raise keeps its place (after a step of the clock too).
        const bool raisedElsewhere = raisedMs <= entry->second.sinceMs - 1000;
        entry->second.sinceMs = raisedMs;
        if (raisedElsewhere) {
            entry->second.orderMs = raisedMs;
            replace(entry);
        } else {
            changed(entry->second);
        }
    }
    return true;
}

bool AttentionList::acknowledge(const QString& address, qint64 raisedMs, const QString& by, qint64 atMs) {
    const Ordered::iterator entry = findByAddress(address);
    if (entry == ordered_.end() || !entry->second.awaitsAcknowledgement() || entry->second.sinceMs != raisedMs)
        return false;
    if (entry->second.cleared()) {
        erase(entry);
        return true;
    }
    --unacknowledged_;
    entry->second.acknowledgedMs = std::max<qint64>(1, atMs);
    entry->second.acknowledgedBy = by;
    changed(entry->second);
    return true;
}

void AttentionList::changed(const AttentionEntry& entry) {
    snapshotStale_ = true;
    if (changedAll_)
        return;
    if (int(changes_.size()) >= kMaxChanges) {
        changedAll();
        return;
    }
    changes_.push_back(idOf(entry));
}

void AttentionList::changedAll() {
    snapshotStale_ = true;
    changedAll_ = true;
    changes_.clear();
}

AttentionList::Changes AttentionList::takeChanges() {
    Changes taken{std::exchange(changedAll_, false), {}};
    taken.ids.swap(changes_);
    return taken;
}

const std::vector<AttentionEntry>& AttentionList::entries() const {
    if (snapshotStale_) {
        snapshot_.clear();
        snapshot_.reserve(ordered_.size());
        for (const auto& [place, entry] : ordered_)
            snapshot_.push_back(entry);
        snapshotStale_ = false;
    }
    return snapshot_;
}

int AttentionList::rowOf(const AttentionEntry& entry) const {
    const StatusGrid& grid = sections_.grid(entry.section);
    const int row = entry.key >= 0 ? grid.rowOfKey(entry.key) : 0;
    if (row > 0 && grid.address(row) == entry.address)
        return row;
    return entry.address.isEmpty() ? 0 : grid.findRow(entry.address);
}

QString AttentionList::nameOf(const AttentionEntry& entry) const {
    const StatusGrid& grid = sections_.grid(entry.section);
    const int row = rowOf(entry);
    const int name = grid.columnIndex(col::Name);
    return row > 0 && name >= 0 ? grid.text(row, name) : QString();
}

QString AttentionList::nameOf(const QString& address) const {
    for (Section section : kAllSections) {
        const StatusGrid& grid = sections_.grid(section);
        const int row = grid.findRow(address);
        const int name = grid.columnIndex(col::Name);
        if (row > 0 && name >= 0)
            return grid.text(row, name);
    }
    return {};
}

QString AttentionList::reason(const AttentionEntry& entry) const {
    QString words = conditionWords(entry.conditions);
    if (!entry.conditions.has(Condition::Offline) || entry.section == Section::Controllers || entry.address.size() < 5)
        return words;
    // Off line because its controller is: the row says which.
    const QString controller = isNewerLineAddress(entry.address) ? newerLineControllerAddress(entry.address)
                                                                 : classicControllerAddress(entry.address);
    AttentionEntry parent;
    parent.section = Section::Controllers;
    parent.address = controller;
    const StatusGrid& controllers = sections_.grid(Section::Controllers);
    const int row = rowOf(parent);
    if (row == 0 || !controllers.conditions(row).has(Condition::Offline))
        return words;
    const QString offline = QCoreApplication::translate("so::Severity", "Off line");
    return words.replace(
        offline,
        QCoreApplication::translate("so::AttentionList", "Off line — controller %1 off line").arg(nameOf(parent)));
}

QString AttentionList::clockText(qint64 clockMs) {
    // Today's moments read as the time of day; an older one (a point abnormal since before a load)
    // says its day too.
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(clockMs);
    return at.toString(at.date() == QDate::currentDate() ? QStringLiteral("HH:mm:ss")
                                                         : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString AttentionList::durationText(qint64 ms) {
    const qint64 seconds = std::max<qint64>(0, ms / 1000);
    const auto two = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    const auto text = [](const char* units) { return QCoreApplication::translate("so::AttentionList", units); };
    if (seconds < 60)
        return text(QT_TRANSLATE_NOOP("so::AttentionList", "%1 s")).arg(seconds);
    if (seconds < 3600)
        return text(QT_TRANSLATE_NOOP("so::AttentionList", "%1 min %2 s")).arg(seconds / 60).arg(two(seconds % 60));
    if (seconds >= 2 * 86400)
        return text(QT_TRANSLATE_NOOP("so::AttentionList", "%1 d %2 h"))
            .arg(seconds / 86400)
            .arg(two(seconds / 3600 % 24));
    return text(QT_TRANSLATE_NOOP("so::AttentionList", "%1 h %2 min")).arg(seconds / 3600).arg(two(seconds / 60 % 60));
}

}  // namespace so
