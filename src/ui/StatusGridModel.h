// A thin Qt item model over one StatusGrid (a section of the status window or the masked list).
//
// The grid is the data; this adapter only tells views what changed, and never once per cell
// write: a state change costs a few comparisons here (the row is marked dirty), and the marked
// rows go out as coalesced dataChanged ranges on a short timer, or as one full-range update when
// most rows changed. Rows appended to the grid are announced in one insert per batch; while the
// grid's redrawing is off nothing is announced, and once it is on again everything gathered goes
// out with the next flush, so a fill of 50,000 rows is one insert. Replacing or sorting the grid's rows resets the
// model.
//
// rowCount() is the number of rows announced to the views, which may lag the grid by the rows
// appended since the last flush; flush() brings it level at once.
//
// The section header's counts (alarms and warnings in sight) are kept here row by row: a row whose
// conditions changed is only noted on the report's path, and rated again when the counts are next
// read, so reading them costs the rows that changed since, never a pass over every row.
#pragma once

#include "grid/RowFilter.h"
#include "ui/RowColours.h"
#include "window/Severity.h"
#include "grid/StatusGrid.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QTimer>

#include <cstdint>
#include <vector>

namespace so {

class IconList;
class RecentChanges;

class StatusGridModel final : public QAbstractTableModel, public GridObserver {
    Q_OBJECT
public:
    /// How long changes are gathered before views hear of them.
    static constexpr int kFlushIntervalMs = 50;
    /// More separate row ranges than this in one flush go out as one range covering them all.
    static constexpr int kMaxRangesPerFlush = 16;

    /// A row's Severity as an int, for the marker the view draws in the row's first cell.
    static constexpr int SeverityRole = Qt::UserRole + 1;
    /// True while the row's state changed within kHighlightMs: its text is bold and the view
    /// draws a bar at the row's left edge. The severity tint stays as it is.
    static constexpr int RecentRole = Qt::UserRole + 2;
    /// How long a row stays highlighted after its state changed.
    static constexpr int kHighlightMs = 4000;

    /// What the adapter told its views, for tests and diagnostics.
    struct SignalCounts {
        int dataChanged = 0;
        int rowsInserted = 0;
        int rowsRemoved = 0;
        int resets = 0;
    };

    /// Subscribes to `grid`'s changes until it is destroyed; `icons` may be null (no icons).
    explicit StatusGridModel(StatusGrid& grid, const IconList* icons = nullptr, QObject* parent = nullptr);
    ~StatusGridModel() override;

    StatusGrid& grid() const { return grid_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    /// Rates rows by their conditions (tint, marker, SeverityRole) when `rateRows`, and records
    /// every change of a shown row's state cells into `recent` (highlight and tooltip; may be null).
    void setInsight(bool rateRows, RecentChanges* recent);
    Severity rowSeverity(int row) const;  // grid row, from 1
    /// The font of a row whose state just changed; columns are measured in it, so such a row reads whole.
    const QFont& boldFont() const { return boldFont_; }
    /// Greys every row's text: the rows belong to a group that no longer exists.
    void setStale(bool stale);
    bool isStale() const { return stale_; }
    /// Takes the row colours from the palette the view is shown with (and again on every change
    /// of it); until then, from the application's palette.
    void setPalette(const QPalette& palette);
    const RowColours& rowColours() const { return colours_; }
    /// Sorts the grid's rows alarms first, then warnings (nothing while rows are not rated).
    void sortBySeverity();
    /// True once after any change of the grid's rows or cells (the header counts recount then).
    bool takeCountsDirty();
    /// The rows announced, those in sight, and the alarms and warnings among those in sight.
    SectionCounts counts();
    /// The view shows (true) or hides (false, a find) the row at `viewRow` (from 0).
    void setRowInSight(int viewRow, bool inSight);
    /// Repaints the rows' recent-change marks while one may have run out since the last call.
    void refreshHighlights();

    /// Announces every queued change now (unless the grid's redrawing is off).
    void flush();
    /// True while changes wait for the next flush.
    bool hasPendingChanges() const;
    const SignalCounts& signalCounts() const { return counts_; }

    // GridObserver
    void gridReset() override;
    void rowsAppended(int firstRow, int lastRow) override;
    void rowRemoved(int row) override;
    void cellChanged(int row, int column) override;
    void rowConditionsChanged(int row) override;
    void redrawChanged(bool on) override;

private:
    void scheduleFlush();
    void flushAppends();
    void flushChanges();
    void clearDirty();
    /// Marks a shown row's cells firstColumn..lastColumn for the next flush.
    void markDirty(int viewRow, int firstColumn, int lastColumn);
    void resolveInsightColumns();
    /// Records a change of a state cell of a shown row into its point's ring.
    void recordChange(int row, int viewRow, int column);
    bool highlighted(int viewRow, int row) const;
    QString changesTip(int viewRow, int row) const;
    /// The grid row (1-based) shown at view row `viewRow`; 0 when it has none.
    int gridRowFor(int viewRow) const;

    StatusGrid& grid_;
    const IconList* icons_;
    QTimer flushTimer_;
    SignalCounts counts_;

    int shownRows_ = 0;
    /// Per shown row: whether it waits for the next flush, the slot of its point's ring of recent
    /// changes and the generation that ring had when the slot was last set by the row's address
    /// (0: not known), so a change of the row finds its ring without reading the address. Kept
    /// here, not in the grid, as the model only reads the grid while it hears of a change.
    struct RowMark {
        std::uint32_t ring : 31 = 0;
        std::uint32_t dirty : 1 = 0;
        int slot = -1;
        Severity counted = Severity::Normal;  // the severity the counts hold for it
        bool unrated = false;                 // its conditions changed since
        bool hidden = false;                  // out of sight (a find)
    };
    std::vector<RowMark> marks_;
    /// Adds (sign 1) or takes away (-1) a row's share of the counts.
    void count(const RowMark& mark, int sign);
    /// Rates the row at `viewRow` (grid row `row`) as it reads now and counts it so.
    void rate(int viewRow, int row);
    /// Rates the rows noted since the counts were last read; `removedRow` (a view row the grid
    /// has just lost, the rows after it one up) is left to its removal.
    void rateNoted(int removedRow = -1);
    void recountAll();
    std::vector<int> unrated_;  // view rows whose conditions changed since they were counted
    int alarmsInSight_ = 0;
    int warningsInSight_ = 0;
    int hiddenRows_ = 0;
    // The marked range and the columns touched.
    int dirtyCount_ = 0;
    int dirtyFirst_ = 0;
    int dirtyLast_ = -1;
    int dirtyColumnFirst_ = 0;
    int dirtyColumnLast_ = -1;
    bool rateRows_ = false;
    RecentChanges* recent_ = nullptr;
    QFont boldFont_;
    RowColours colours_;
    // Columns whose changes are not state changes; resolved whenever the columns change.
    int addressColumn_ = -1;
    int nameColumn_ = -1;
    int updatedColumn_ = -1;
    qint64 lastRecordedTick_ = -1;
    bool highlightsShown_ = false;
    bool countsDirty_ = true;
    bool stale_ = false;

    // While views hear that a row goes, the grid has already lost it: the view row being removed.
    int removingRow_ = -1;
};

}  // namespace so
