#include "window/AttentionList.h"

#include "domain/Address.h"
#include "grid/ColumnLayout.h"
#include "grid/Sections.h"
#include "window/Severity.h"

#include <QDateTime>

#include <chrono>

#include <algorithm>

namespace so {

bool AttentionList::Place::operator<(const Place& other) const {
    if (severity != other.severity)
        return severity > other.severity;
    if (sinceMs != other.sinceMs)
        return sinceMs > other.sinceMs;
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
    if (!enabled_ || paused_)
        return;
    if (overflow_)
        return;
    const int key = grid.rowKey(row);
    std::vector<quint32>& rounds = queuedRound_[size_t(sectionIndex(section))];
    if (size_t(key) >= rounds.size())
        rounds.resize(size_t(key) + 1, 0);
    if (rounds[size_t(key)] == round_)
        return;  // queued already this round
    rounds[size_t(key)] = round_;
    if (int(pending_.size()) >= kMaxPending) {
        // A refresh of every row, say: the next sync reads them all rather than a queue this long
        // (and never a row half way through its rewrite, as a sync here could).
        overflow_ = true;
        pending_.clear();
        return;
    }
    pending_.push_back({section, key});
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
    std::erase_if(pending_, [&](const Pending& p) { return p.section == section; });
    queuedRound_[size_t(tag)].clear();  // the keys queued stand for other rows now
    SyncResult ignored;
    const qint64 now = clockMs();
    for (int row = 1; row <= grid.rowCount(); ++row)
        if (!grid.conditions(row).empty())
            rate(section, grid.rowKey(row), row, now, ignored);
}

void AttentionList::pause() {
    reset();
    paused_ = true;
}

void AttentionList::resume(qint64 nowMs) {
    paused_ = false;
    addAllRows(nowMs);
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
    else
        --clearedCount_;
    slot(entry->second.section, entry->second.key) = ordered_.end();
    ordered_.erase(entry);
    changed();
}

void AttentionList::rate(Section section, int key, int row, qint64 nowMs, SyncResult& result) {
    const StatusGrid& grid = sections_.grid(section);
    const RowConditions conditions = grid.conditions(row);
    const Severity now = severity(conditions);
    const Ordered::iterator entry = slot(section, key);
    const bool listed = entry != ordered_.end();
    if (now == Severity::Normal) {
        if (listed && !entry->second.cleared()) {
            entry->second.clearedMs = nowMs;
            --active_[int(entry->second.severity)];
            ++clearedCount_;
            clearedOrder_.push_back({nowMs, section, key});
            changed();
            result.changed = true;
        }
        return;
    }
    if (listed && !entry->second.cleared() && entry->second.severity == now) {
        if (entry->second.conditions != conditions) {
            entry->second.conditions = conditions;
            changed();
            result.changed = true;
        }
        return;
    }
    // New, back after clearing (a new occurrence) or of another severity (moves, keeps its "since").
    AttentionEntry fresh{section, key, grid.address(row), now, conditions, nowMs, 0, nextSequence_++};
    if (listed) {
        if (!entry->second.cleared())
            fresh.sinceMs = entry->second.sinceMs;
        erase(entry);
    }
    const Place at{now, fresh.sinceMs, fresh.sequence};
    slot(section, key) = ordered_.emplace(at, std::move(fresh)).first;
    ++active_[int(now)];
    changed();
    result.changed = true;
    result.newAlarm = result.newAlarm || now == Severity::Alarm;
}

AttentionList::SyncResult AttentionList::sync(qint64 nowMs) {
    SyncResult result;
    std::vector<Pending> pending;
    pending.swap(pending_);
    ++round_;  // rows that change from here on are queued again
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
    active_.fill(0);
    changed();
    ++round_;
}

void AttentionList::addAllRows(qint64 nowMs) {
    if (!enabled_)
        return;
    SyncResult result;
    for (Section section : kAllSections) {
        const StatusGrid& grid = sections_.grid(section);
        for (int row = 1; row <= grid.rowCount(); ++row)
            if (!grid.conditions(row).empty())
                rate(section, grid.rowKey(row), row, nowMs, result);
    }
}

bool AttentionList::removeCleared() {
    bool removed = false;
    for (auto entry = ordered_.begin(); entry != ordered_.end();) {
        const auto next = std::next(entry);
        if (entry->second.cleared()) {
            erase(entry);
            removed = true;
        }
        entry = next;
    }
    clearedOrder_.clear();
    clearedCount_ = 0;
    return removed;
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
    const QString offline = QStringLiteral("Off line");
    return words.replace(offline,
                         offline + QStringLiteral(" — controller ") + nameOf(parent) + QStringLiteral(" off line"));
}

qint64 AttentionList::clockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString AttentionList::clockText(qint64 clockMs) {
    const qint64 ago = AttentionList::clockMs() - clockMs;
    return QDateTime::fromMSecsSinceEpoch(QDateTime::currentMSecsSinceEpoch() - ago)
        .toString(QStringLiteral("HH:mm:ss"));
}

QString AttentionList::durationText(qint64 ms) {
    const qint64 seconds = std::max<qint64>(0, ms / 1000);
    const auto two = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(two(seconds % 60));
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(two(seconds / 60 % 60));
}

}  // namespace so
