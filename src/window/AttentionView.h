// What the attention panel shows of the AttentionList, as rows that hold still while the operator
// works on them.
//
// Released, the rows follow the list: its entries in order, except that a point off line only
// because its controller is off line is folded under the controller's row ("24 points"), shown
// below it only while the operator expands it. Held (the pointer over the list or a section, a row
// selected, a menu open), the rows keep their places: each is refreshed from its live entry (a
// point that cleared says so where it stands; one that left the list stays until release, marked
// gone) and entries the rows do not show are only counted (newAlarmCount/newWarningCount), for
// the "12 new alarms — show" bar. Nothing here moves a row under the operator's pointer.
//
// The rows follow the list by the entries that changed since the last update (the list's
// takeChanges()), never by reading it whole: a storm at 50,000 points lists tens of thousands of
// entries and changes a few hundred between two ticks. A few changes reach the Listener as the
// rows they insert, remove or reword, at their positions; more reach it as one reset, the rows
// still following only the changes. The rows are read whole only when the list emptied or the
// operator unfolds a controller. The rows sit in an order-statistic tree, so a row's position and
// the row at a position are found in O(log n).
#pragma once

#include "window/AttentionList.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>

#include <vector>

namespace so {

struct AttentionRow {
    AttentionEntry entry;
    int foldedPoints = 0;  // points folded under this controller's row
    bool child = false;    // a folded point, shown under its controller
    bool gone = false;     // left the list while the rows were held
};

class AttentionView {
public:
    /// Told of every change of the rows as it happens (row positions from 0).
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void rowAboutToBeInserted(int row) = 0;
        virtual void rowInserted() = 0;
        virtual void rowAboutToBeRemoved(int row) = 0;
        virtual void rowRemoved() = 0;
        virtual void rowChanged(int row) = 0;
        virtual void rowsAboutToBeReset() = 0;
        virtual void rowsReset() = 0;
    };

    explicit AttentionView(AttentionList& list) : list_(list) {}

    void setListener(Listener* listener) { listener_ = listener; }

    /// Held rows keep their places until released; releasing reads the list's changes at once.
    void setHeld(bool held);
    bool isHeld() const { return held_; }

    /// Reads the list's changes as the hold allows.
    void update();
    int rowCount() const { return int(rows_.size()); }
    /// The row at `row` (from 0, below rowCount()).
    const AttentionRow& row(int row) const { return rows_.find_by_order(size_t(row))->second; }
    /// The position of a point's row; -1 when it has none.
    int rowOf(Section section, int key) const;
    /// Listed entries the held rows do not show (0 when released).
    int newAlarmCount() const { return newAlarms_; }
    int newWarningCount() const { return newWarnings_; }

    /// Shows or hides the points folded under a controller (by its address); the rows are read
    /// anew on release.
    void setExpanded(const QString& controllerAddress, bool expanded);
    bool isExpanded(const QString& controllerAddress) const { return expanded_.contains(controllerAddress); }

    /// The controller an off-line point hangs on ("" for a controller or an unknown address).
    static QString parentController(const AttentionEntry& entry);

private:
    /// Where a row stands: a controller's folded points right after its row, in their own order.
    struct RowPlace {
        AttentionList::Place top;
        bool child = false;
        AttentionList::Place own{};
        bool operator<(const RowPlace& other) const;
    };
    using Rows = __gnu_pbds::tree<RowPlace, AttentionRow, std::less<RowPlace>, __gnu_pbds::rb_tree_tag,
                                  __gnu_pbds::tree_order_statistics_node_update>;
    /// The points of one controller that are off line and nothing else, folded under its row
    /// while the controller is listed off line.
    struct Fold {
        bool open = false;
        RowPlace controllerRow;
        QSet<qint64> points;
    };
    /// What the rows know of a listed point.
    struct Known {
        bool shown = false;
        RowPlace place;      // of its row, while shown
        QString parent;      // the fold it belongs to; empty when none
        QString controller;  // its own address while it holds a fold open (a controller)
    };

    void rebuild();
    /// Rows follow the changed points `ids`.
    void follow(std::vector<qint64> ids);
    /// Follows a point that neither holds nor joins a fold, rewording its row where it stands or
    /// moving it to its new place; false when it must be taken out and placed anew.
    bool followAlone(qint64 id);
    /// Takes a point's row out (and the point out of its fold).
    void detach(qint64 id);
    /// Gives a listed point its row (or its place in a fold).
    void attach(qint64 id);
    void insertRow(const RowPlace& place, AttentionRow row);
    void removeRow(const RowPlace& place);
    /// The controller's row shows how many points its fold holds.
    void recountFold(const QString& controller);
    /// Held: the rows showing `ids` are refreshed where they stand.
    void refreshHeld(const std::vector<qint64>& ids);
    /// Adds (sign 1) or takes away (-1) what a row shows of the list, for the new-entry counts.
    void account(const AttentionRow& row, int sign);
    void countNew();

    AttentionList& list_;
    Listener* listener_ = nullptr;
    bool quiet_ = false;  // rows read anew: one reset, no per-row news
    bool held_ = false;
    Rows rows_;
    QHash<qint64, Known> known_;
    QHash<QString, Fold> folds_;
    QSet<QString> dirtyFolds_;  // folds whose controller's count is to be shown anew
    QSet<qint64> deferred_;     // changed while held
    bool deferredAll_ = true;   // a new view reads the list whole
    QSet<QString> expanded_;
    int shownAlarms_ = 0;    // rows showing a listed alarm
    int shownWarnings_ = 0;  // rows showing a listed warning, and points folded under a closed controller
    int newAlarms_ = 0;
    int newWarnings_ = 0;
};

}  // namespace so
