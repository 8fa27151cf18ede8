#include "window/AttentionView.h"

#include "domain/Address.h"

#include <algorithm>

namespace so {
namespace {

/// Off line and nothing else: the controller's state says all there is to say about it.
bool onlyOffline(const AttentionEntry& e) { return e.conditions == RowConditions(Condition::Offline); }

/// More changed points than this reach the listener as one reset (the rows themselves still follow
/// only the changes): a table hearing of a row inserted or removed walks all of its rows, so a
/// storm's hundreds of single rows would cost it far more than one reset.
constexpr int kFewChanges = 16;

}  // namespace

bool AttentionView::RowPlace::operator<(const RowPlace& other) const {
    if (top < other.top)
        return true;
    if (other.top < top)
        return false;
    if (child != other.child)
        return !child;
    return child && own < other.own;
}

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
        update();
}

void AttentionView::setExpanded(const QString& controllerAddress, bool expanded) {
    if (expanded == isExpanded(controllerAddress))
        return;
    // The controller's row counts its points as shown while they are folded away.
    const auto fold = folds_.constFind(controllerAddress);
    const auto shown = fold != folds_.constEnd() && fold->open ? rows_.find(fold->controllerRow) : rows_.end();
    if (shown != rows_.end())
        account(shown->second, -1);
    if (expanded)
        expanded_.insert(controllerAddress);
    else
        expanded_.remove(controllerAddress);
    if (shown != rows_.end())
        account(shown->second, 1);
    deferredAll_ = true;
}

int AttentionView::rowOf(Section section, int key) const {
    const auto known = known_.constFind(AttentionList::idOf(section, key));
    return known != known_.constEnd() && known->shown ? int(rows_.order_of_key(known->place)) : -1;
}

void AttentionView::update() {
    AttentionList::Changes changes = list_.takeChanges();
    deferredAll_ = deferredAll_ || changes.all;
    if (held_) {
        if (changes.all) {
            changes.ids.clear();
            for (auto known = known_.cbegin(); known != known_.cend(); ++known)
                if (known->shown)
                    changes.ids.push_back(known.key());
        } else {
            deferred_.unite(QSet<qint64>(changes.ids.begin(), changes.ids.end()));
        }
        refreshHeld(changes.ids);
        countNew();
        return;
    }
    std::vector<qint64> ids = std::move(changes.ids);
    ids.insert(ids.end(), deferred_.cbegin(), deferred_.cend());
    deferred_.clear();
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    if (deferredAll_) {
        rebuild();
    } else if (ids.size() > size_t(kFewChanges)) {
        if (listener_ != nullptr)
            listener_->rowsAboutToBeReset();
        quiet_ = true;
        follow(std::move(ids));
        quiet_ = false;
        if (listener_ != nullptr)
            listener_->rowsReset();
    } else if (!ids.empty()) {
        follow(std::move(ids));
    }
    deferredAll_ = false;
    newAlarms_ = 0;
    newWarnings_ = 0;
}

void AttentionView::rebuild() {
    if (listener_ != nullptr)
        listener_->rowsAboutToBeReset();
    quiet_ = true;
    rows_.clear();
    known_.clear();
    folds_.clear();
    shownAlarms_ = 0;
    shownWarnings_ = 0;
    std::vector<qint64> controllers;
    std::vector<qint64> points;
    list_.forEach([&](const AttentionEntry& e) {
        (e.section == Section::Controllers ? controllers : points).push_back(AttentionList::idOf(e));
    });
    for (qint64 id : controllers)
        attach(id);
    for (qint64 id : points)
        attach(id);
    for (const QString& controller : std::exchange(dirtyFolds_, {}))
        recountFold(controller);
    quiet_ = false;
    if (listener_ != nullptr)
        listener_->rowsReset();
}

void AttentionView::follow(std::vector<qint64> ids) {
    // Most changed points are neither controllers nor folded, before or after: their rows are
    // reworded where they stand or moved alone; the rest are taken out and placed anew.
    std::erase_if(ids, [this](qint64 id) { return followAlone(id); });
    // A controller that changed may open or close its fold, or move: its points are placed anew.
    const size_t changed = ids.size();
    for (size_t i = 0; i < changed; ++i) {
        if (AttentionList::sectionOfId(ids[i]) != Section::Controllers)
            continue;
        const AttentionEntry* live = list_.find(Section::Controllers, AttentionList::keyOfId(ids[i]));
        const QString address = live != nullptr ? live->address : known_.value(ids[i]).controller;
        const auto fold = folds_.constFind(address);
        if (fold != folds_.constEnd())
            ids.insert(ids.end(), fold->points.begin(), fold->points.end());
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (qint64 id : ids)
        detach(id);
    // Controllers first: their folds are open before their points come.
    std::stable_partition(ids.begin(), ids.end(),
                          [](qint64 id) { return AttentionList::sectionOfId(id) == Section::Controllers; });
    for (qint64 id : ids)
        attach(id);
    for (const QString& controller : std::exchange(dirtyFolds_, {}))
        recountFold(controller);
}

bool AttentionView::followAlone(qint64 id) {
    if (AttentionList::sectionOfId(id) == Section::Controllers)
        return false;  // its fold may open, close or move with it
    const auto known = known_.find(id);
    if (known == known_.end() || !known->shown || known->place.child || !known->parent.isEmpty())
        return false;
    const AttentionEntry* live = list_.find(AttentionList::sectionOfId(id), AttentionList::keyOfId(id));
    if (live == nullptr || (onlyOffline(*live) && !live->cleared()))
        return false;  // gone, or to be folded under its controller
    const RowPlace place{AttentionList::placeOf(*live)};
    if (place < known->place || known->place < place) {
        removeRow(known->place);
        known->place = place;
        insertRow(place, {*live, 0, false});
        return true;
    }
    const auto row = rows_.find(place);
    if (row == rows_.end())
        return false;
    account(row->second, -1);
    row->second.entry = *live;
    account(row->second, 1);
    if (listener_ != nullptr && !quiet_)
        listener_->rowChanged(int(rows_.order_of_key(place)));
    return true;
}

void AttentionView::detach(qint64 id) {
    const auto found = known_.find(id);
    if (found == known_.end())
        return;
    const Known known = *found;
    known_.erase(found);
    if (known.shown)
        removeRow(known.place);
    if (!known.parent.isEmpty()) {
        const auto fold = folds_.find(known.parent);
        if (fold != folds_.end()) {
            fold->points.remove(id);
            dirtyFolds_.insert(known.parent);
        }
    }
    if (!known.controller.isEmpty()) {
        const auto fold = folds_.find(known.controller);
        if (fold != folds_.end())
            fold->open = false;
    }
}

void AttentionView::attach(qint64 id) {
    const Section section = AttentionList::sectionOfId(id);
    const AttentionEntry* live = list_.find(section, AttentionList::keyOfId(id));
    if (live == nullptr)
        return;
    Known known;
    RowPlace place{AttentionList::placeOf(*live)};
    if (section == Section::Controllers) {
        known.controller = live->address;
        if (live->conditions.has(Condition::Offline) && !live->cleared()) {
            Fold& fold = folds_[live->address];
            fold.open = true;
            fold.controllerRow = place;
            dirtyFolds_.insert(live->address);
        }
    } else if (const QString parent = onlyOffline(*live) && !live->cleared() ? parentController(*live) : QString();
               !parent.isEmpty()) {
        Fold& fold = folds_[parent];
        fold.points.insert(id);
        known.parent = parent;
        dirtyFolds_.insert(parent);
        if (fold.open) {
            if (!isExpanded(parent)) {
                known_.insert(id, known);  // folded away: counted on its controller's row
                return;
            }
            place = {fold.controllerRow.top, true, place.top};
        }
    }
    known.shown = true;
    known.place = place;
    known_.insert(id, known);
    insertRow(place, {*live, 0, place.child});
}

void AttentionView::insertRow(const RowPlace& place, AttentionRow row) {
    const bool tell = listener_ != nullptr && !quiet_;
    if (tell)
        listener_->rowAboutToBeInserted(int(rows_.order_of_key(place)));
    account(row, 1);
    rows_.insert({place, std::move(row)});
    if (tell)
        listener_->rowInserted();
}

void AttentionView::removeRow(const RowPlace& place) {
    const auto row = rows_.find(place);
    if (row == rows_.end())
        return;
    const bool tell = listener_ != nullptr && !quiet_;
    if (tell)
        listener_->rowAboutToBeRemoved(int(rows_.order_of_key(place)));
    account(row->second, -1);
    rows_.erase(row);
    if (tell)
        listener_->rowRemoved();
}

void AttentionView::recountFold(const QString& controller) {
    const auto fold = folds_.find(controller);
    if (fold == folds_.end())
        return;
    if (!fold->open) {
        if (fold->points.isEmpty())
            folds_.erase(fold);
        return;
    }
    const auto row = rows_.find(fold->controllerRow);
    if (row == rows_.end() || row->second.foldedPoints == int(fold->points.size()))
        return;
    account(row->second, -1);
    row->second.foldedPoints = int(fold->points.size());
    account(row->second, 1);
    if (listener_ != nullptr && !quiet_)
        listener_->rowChanged(int(rows_.order_of_key(fold->controllerRow)));
}

void AttentionView::refreshHeld(const std::vector<qint64>& ids) {
    for (qint64 id : ids) {
        const auto known = known_.constFind(id);
        if (known == known_.constEnd() || !known->shown)
            continue;
        const auto row = rows_.find(known->place);
        if (row == rows_.end())
            continue;
        AttentionRow& shown = row->second;
        account(shown, -1);
        const AttentionEntry* live = list_.find(AttentionList::sectionOfId(id), AttentionList::keyOfId(id));
        shown.gone = live == nullptr || live->sequence != shown.entry.sequence;
        if (!shown.gone)
            shown.entry = *live;
        account(shown, 1);
        if (listener_ != nullptr)
            listener_->rowChanged(int(rows_.order_of_key(known->place)));
    }
}

void AttentionView::account(const AttentionRow& row, int sign) {
    // What the rows show is not new; a controller's row shows its folded points too.
    if (row.gone)
        return;
    if (row.entry.severity == Severity::Alarm)
        shownAlarms_ += sign;
    else
        shownWarnings_ += sign;
    if (row.foldedPoints != 0 && !row.child && !isExpanded(row.entry.address))
        shownWarnings_ += sign * row.foldedPoints;
}

void AttentionView::countNew() {
    const int alarms = list_.alarmEntryCount();
    newAlarms_ = std::max(0, alarms - shownAlarms_);
    newWarnings_ = std::max(0, list_.size() - alarms - shownWarnings_);
}

}  // namespace so
