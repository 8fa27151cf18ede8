#include "window/AttentionView.h"

#include "domain/Address.h"

#include <QHash>

namespace so {
namespace {

/// Off line and nothing else: the controller's state says all there is to say about it.
bool onlyOffline(const AttentionEntry& e) { return e.conditions == RowConditions(Condition::Offline); }

}  // namespace

QString AttentionView::parentController(const AttentionEntry& entry) {
    if (entry.section == Section::Controllers || entry.address.size() < 5)
        return {};
    return isNewerLineAddress(entry.address) ? newerLineControllerAddress(entry.address)
                                             : classicControllerAddress(entry.address);
}

void AttentionView::setHeld(bool held) {
    if (held_ == held)
        return;
    held_ = held;
    if (!held_)
        rebuild();
}

void AttentionView::setExpanded(const QString& controllerAddress, bool expanded) {
    if (expanded)
        expanded_.insert(controllerAddress);
    else
        expanded_.remove(controllerAddress);
}

void AttentionView::update() {
    if (held_)
        refreshHeld();
    else
        rebuild();
}

void AttentionView::rebuild() {
    newAlarms_ = 0;
    newWarnings_ = 0;
    rows_.clear();
    const std::vector<AttentionEntry>& entries = list_.entries();
    // Off-line controllers listed, by address: the index of their row once placed.
    QHash<QString, int> controllers;
    for (const AttentionEntry& e : entries)
        if (e.section == Section::Controllers && e.conditions.has(Condition::Offline) && !e.cleared())
            controllers.insert(e.address, -1);
    std::vector<std::vector<const AttentionEntry*>> folded;
    std::vector<const AttentionEntry*> top;
    top.reserve(entries.size());
    for (const AttentionEntry& e : entries) {
        if (!controllers.isEmpty() && onlyOffline(e) && !e.cleared()) {
            const auto parent = controllers.find(parentController(e));
            if (parent != controllers.end()) {
                if (parent.value() < 0) {
                    parent.value() = int(folded.size());
                    folded.emplace_back();
                }
                folded[size_t(parent.value())].push_back(&e);
                continue;
            }
        }
        top.push_back(&e);
    }
    rows_.reserve(top.size());
    for (const AttentionEntry* e : top) {
        rows_.push_back({*e});
        if (e->section != Section::Controllers)
            continue;
        const auto parent = controllers.constFind(e->address);
        if (parent == controllers.constEnd() || parent.value() < 0)
            continue;
        const std::vector<const AttentionEntry*>& children = folded[size_t(parent.value())];
        rows_.back().foldedPoints = int(children.size());
        if (expanded_.contains(e->address))
            for (const AttentionEntry* child : children)
                rows_.push_back({*child, 0, true});
    }
}

void AttentionView::refreshHeld() {
    int alarms = list_.alarmEntryCount();
    int warnings = list_.size() - alarms;
    for (AttentionRow& row : rows_) {
        const AttentionEntry* live = list_.find(row.entry.section, row.entry.key);
        row.gone = live == nullptr || live->sequence != row.entry.sequence;
        if (row.gone)
            continue;
        row.entry = *live;
        // What the rows show is not new; a controller's row shows its folded points too.
        if (row.entry.severity == Severity::Alarm)
            --alarms;
        else
            --warnings;
        if (!row.child && !isExpanded(row.entry.address))
            warnings -= row.foldedPoints;
    }
    newAlarms_ = std::max(0, alarms);
    newWarnings_ = std::max(0, warnings);
}

}  // namespace so
