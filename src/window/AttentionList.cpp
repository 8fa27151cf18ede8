#include "window/AttentionList.h"

#include "domain/Address.h"
#include "grid/ColumnLayout.h"
#include "grid/Sections.h"
#include "window/Severity.h"

#include <QDateTime>

#include <algorithm>

namespace so {
namespace {

/// Entry order: higher severity first, then the newest, then the last to arrive.
bool before(Severity severity, qint64 sinceMs, quint64 sequence, Severity otherSeverity, qint64 otherSinceMs,
            quint64 otherSequence) {
    if (severity != otherSeverity)
        return severity > otherSeverity;
    if (sinceMs != otherSinceMs)
        return sinceMs > otherSinceMs;
    return sequence > otherSequence;
}

}  // namespace

AttentionList::AttentionList(Sections& sections) : sections_(sections) {
    for (int section = 0; section < kSectionCount; ++section)
        sections_.grid(section).setConditionsListener(this, section);
}

AttentionList::~AttentionList() {
    for (int section = 0; section < kSectionCount; ++section)
        sections_.grid(section).setConditionsListener(nullptr, 0);
}

void AttentionList::setEnabled(bool on) {
    if (enabled_ == on)
        return;
    enabled_ = on;
    reset();
}

void AttentionList::conditionsChanged(int section, const StatusGrid& grid, int row) {
    if (!enabled_)
        return;
    pending_.push_back({section, grid.address(row)});
    if (int(pending_.size()) >= kMaxPending)
        sync(QDateTime::currentMSecsSinceEpoch());
}

QString AttentionList::keyOf(int section, const QString& address) {
    return QString::number(section) + QLatin1Char('|') + address;
}

std::vector<AttentionEntry>::iterator AttentionList::placeFor(const Place& place) {
    return std::partition_point(entries_.begin(), entries_.end(), [&](const AttentionEntry& e) {
        return before(e.severity, e.sinceMs, e.sequence, place.severity, place.sinceMs, place.sequence);
    });
}

std::vector<AttentionEntry>::iterator AttentionList::find(int section, const QString& address) {
    const auto listed = listed_.constFind(keyOf(section, address));
    if (listed == listed_.constEnd())
        return entries_.end();
    // The entry itself: every entry before it orders before its place.
    const auto entry = placeFor(*listed);
    return entry != entries_.end() && entry->section == section && entry->address == address ? entry : entries_.end();
}

void AttentionList::insert(AttentionEntry entry) {
    const Place place{entry.severity, entry.sinceMs, entry.sequence};
    listed_.insert(keyOf(entry.section, entry.address), place);
    entries_.insert(placeFor(place), std::move(entry));
}

void AttentionList::rate(int section, const QString& address, qint64 nowMs, SyncResult& result) {
    const StatusGrid& grid = sections_.grid(section);
    const int row = address.isEmpty() ? 0 : grid.findRowForAddress(address);
    const RowConditions conditions = row > 0 ? grid.conditions(row) : RowConditions();
    const Severity now = severity(conditions);
    auto entry = find(section, address);
    const bool listed = entry != entries_.end();

    if (now == Severity::Normal) {
        if (!listed)
            return;
        if (row == 0) {  // the point has no row any more
            listed_.remove(keyOf(section, address));
            entries_.erase(entry);
            result.changed = true;
        } else if (!entry->cleared()) {
            entry->clearedMs = nowMs;
            result.changed = true;
        }
        return;
    }
    if (listed && !entry->cleared() && entry->severity == now) {
        if (entry->conditions != conditions) {
            entry->conditions = conditions;
            result.changed = true;
        }
        return;
    }
    // New, back after clearing (a new occurrence) or of another severity (moves, keeps its "since").
    AttentionEntry fresh{section, address, now, conditions, nowMs, 0, nextSequence_++};
    if (listed) {
        if (!entry->cleared())
            fresh.sinceMs = entry->sinceMs;
        entries_.erase(entry);
    }
    insert(std::move(fresh));
    result.changed = true;
    result.newAlarm = result.newAlarm || now == Severity::Alarm;
}

AttentionList::SyncResult AttentionList::sync(qint64 nowMs) {
    SyncResult result;
    std::vector<Pending> pending;
    pending.swap(pending_);
    for (const Pending& p : pending)
        rate(p.section, p.address, nowMs, result);
    const auto expired = std::remove_if(entries_.begin(), entries_.end(), [&](const AttentionEntry& e) {
        return e.cleared() && nowMs - e.clearedMs >= keepClearedMs_;
    });
    if (expired != entries_.end()) {
        for (auto e = expired; e != entries_.end(); ++e)
            listed_.remove(keyOf(e->section, e->address));
        entries_.erase(expired, entries_.end());
        result.changed = true;
    }
    if (result.changed)
        count();
    pending.clear();
    if (pending_.empty())
        pending_.swap(pending);  // keeps the queue's storage
    return result;
}

void AttentionList::reset() {
    pending_.clear();
    entries_.clear();
    listed_.clear();
    alarms_ = 0;
    warnings_ = 0;
}

void AttentionList::addAllRows(qint64 nowMs) {
    if (!enabled_)
        return;
    for (int section = 0; section < kSectionCount; ++section) {
        const StatusGrid& grid = sections_.grid(section);
        for (int row = 1; row <= grid.rowCount(); ++row)
            if (!grid.conditions(row).empty())
                pending_.push_back({section, grid.address(row)});
    }
    sync(nowMs);
}

bool AttentionList::removeCleared() {
    const auto cleared = std::remove_if(entries_.begin(), entries_.end(), [](const AttentionEntry& e) { return e.cleared(); });
    if (cleared == entries_.end())
        return false;
    for (auto e = cleared; e != entries_.end(); ++e)
        listed_.remove(keyOf(e->section, e->address));
    entries_.erase(cleared, entries_.end());
    return true;
}

void AttentionList::count() {
    alarms_ = 0;
    warnings_ = 0;
    for (const AttentionEntry& e : entries_) {
        if (e.cleared())
            continue;
        alarms_ += e.severity == Severity::Alarm ? 1 : 0;
        warnings_ += e.severity == Severity::Warning ? 1 : 0;
    }
}

int AttentionList::rowOf(const AttentionEntry& entry) const {
    return entry.address.isEmpty() ? 0 : sections_.grid(entry.section).findRowForAddress(entry.address);
}

QString AttentionList::nameOf(const AttentionEntry& entry) const {
    const StatusGrid& grid = sections_.grid(entry.section);
    const int row = rowOf(entry);
    const int name = grid.columnIndex(col::Name);
    return row > 0 && name >= 0 ? grid.text(row, name) : QString();
}

QString AttentionList::reason(const AttentionEntry& entry) const {
    QString words = conditionWords(entry.conditions);
    if (!entry.conditions.has(Condition::Offline) || entry.section == int(Section::Controllers) ||
        entry.address.size() < 5)
        return words;
    // Off line because its controller is: the row says which.
    const QString controller = isNewerLineAddress(entry.address) ? newerLineControllerAddress(entry.address)
                                                                   : classicControllerAddress(entry.address);
    AttentionEntry parent;
    parent.section = int(Section::Controllers);
    parent.address = controller;
    const StatusGrid& controllers = sections_.grid(Section::Controllers);
    const int row = rowOf(parent);
    if (row == 0 || !controllers.conditions(row).has(Condition::Offline))
        return words;
    const QString offline = QStringLiteral("Off line");
    return words.replace(offline, offline + QStringLiteral(" — controller ") + nameOf(parent) +
                                      QStringLiteral(" off line"));
}

QString AttentionList::clockText(qint64 msecsSinceEpoch) {
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).toString(QStringLiteral("HH:mm:ss"));
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
