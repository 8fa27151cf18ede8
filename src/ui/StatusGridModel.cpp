#include "ui/StatusGridModel.h"

#include "ui/IconList.h"
#include "grid/ColumnLayout.h"
#include "status/RecentChanges.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>

namespace so {
namespace {
const QList<int> kCellRoles = {Qt::DisplayRole,
                               Qt::DecorationRole,
                               Qt::BackgroundRole,
                               Qt::ToolTipRole,
                               Qt::FontRole,
                               StatusGridModel::SeverityRole,
                               StatusGridModel::RecentRole};
const QList<int> kHighlightRoles = {Qt::FontRole, StatusGridModel::RecentRole};
}  // namespace

void StatusGridModel::setPalette(const QPalette& palette) {
    colours_ = RowColours::fromPalette(palette);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
}

StatusGridModel::StatusGridModel(StatusGrid& grid, const IconList* icons, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), icons_(icons), shownRows_(grid.rowCount()),
      marks_(size_t(grid.rowCount())) {
    boldFont_.setBold(true);
    colours_ = RowColours::fromPalette(QGuiApplication::palette());
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(kFlushIntervalMs);
    connect(&flushTimer_, &QTimer::timeout, this, &StatusGridModel::flush);
    grid_.changes().subscribe(*this);
}

StatusGridModel::~StatusGridModel() { grid_.changes().unsubscribe(*this); }

// ---------------------------------------------------------------- model

int StatusGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shownRows_; }

int StatusGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.columnCount(); }

int StatusGridModel::gridRowFor(int viewRow) const {
    if (removingRow_ < 0)
        return viewRow + 1;
    if (viewRow == removingRow_)
        return 0;
    return viewRow > removingRow_ ? viewRow : viewRow + 1;
}

QVariant StatusGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shownRows_ || index.column() >= grid_.columnCount())
        return {};
    const int row = gridRowFor(index.row());
    if (row < 1 || row > grid_.rowCount())
        return {};
    const GridCell& cell = grid_.cell(row, index.column());
    switch (role) {
    case Qt::DisplayRole: return grid_.text(row, index.column());
    case Qt::DecorationRole: {
        if (icons_ == nullptr || cell.icon < 0)
            return {};
        const QIcon icon = icons_->icon(cell.icon);
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::UserRole: return cell.data;
    case SeverityRole: return int(rowSeverity(row));
    case Qt::ForegroundRole:
        // Otherwise the view's palette text, for which the tints were chosen.
        return stale_ ? QVariant(colours_.stale) : QVariant();
    case RecentRole: return highlighted(index.row(), row);
    case Qt::FontRole: return highlighted(index.row(), row) ? QVariant(boldFont_) : QVariant();
    case Qt::BackgroundRole:
        // The severity tint is never replaced: a recent change shows in bold type and a bar.
        switch (rowSeverity(row)) {
        case Severity::Alarm: return colours_.alarm;
        case Severity::Warning: return colours_.warning;
        case Severity::Normal: return {};
        }
        return {};
    case Qt::ToolTipRole: return changesTip(index.row(), row);
    default: return {};
    }
}

QVariant StatusGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < grid_.columnCount()) {
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return grid_.column(section).caption;
        return {};
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

// ---------------------------------------------------------------- severity and recent changes

void StatusGridModel::setInsight(bool rateRows, RecentChanges* recent) {
    rateRows_ = rateRows;
    recent_ = recent;
    for (RowMark& mark : marks_) {
        mark.ring = 0;
        mark.slot = -1;
    }
    resolveInsightColumns();
    countsDirty_ = true;
    recountAll();
}

void StatusGridModel::resolveInsightColumns() {
    addressColumn_ = grid_.columnIndex(col::Address);
    nameColumn_ = grid_.columnIndex(col::Name);
    updatedColumn_ = grid_.columnIndex(col::LastUpdated);
}

Severity StatusGridModel::rowSeverity(int row) const { return rateRows_ ? severity(grid_, row) : Severity::Normal; }

void StatusGridModel::setStale(bool stale) {
    if (stale == stale_)
        return;
    stale_ = stale;
    if (shownRows_ > 0 && grid_.columnCount() > 0)
        emit dataChanged(index(0, 0), index(shownRows_ - 1, grid_.columnCount() - 1), {Qt::ForegroundRole});
}

void StatusGridModel::sortBySeverity() {
    if (rateRows_)
        so::sortBySeverity(grid_);
}

bool StatusGridModel::takeCountsDirty() {
    const bool dirty = countsDirty_;
    countsDirty_ = false;
    return dirty;
}

void StatusGridModel::count(const RowMark& mark, int sign) {
    if (mark.hidden) {
        hiddenRows_ += sign;
        return;
    }
    alarmsInSight_ += mark.counted == Severity::Alarm ? sign : 0;
    warningsInSight_ += mark.counted == Severity::Warning ? sign : 0;
}

void StatusGridModel::rate(int viewRow, int row) {
    RowMark& mark = marks_[size_t(viewRow)];
    count(mark, -1);
    mark.counted = rowSeverity(row);
    mark.unrated = false;
    count(mark, 1);
}

void StatusGridModel::rateNoted(int removedRow) {
    for (int viewRow : unrated_) {
        if (viewRow >= shownRows_ || !marks_[size_t(viewRow)].unrated)
            continue;
        if (viewRow == removedRow)
            marks_[size_t(viewRow)].unrated = false;
        else
            rate(viewRow, removedRow >= 0 && viewRow > removedRow ? viewRow : viewRow + 1);
    }
    unrated_.clear();
}

void StatusGridModel::recountAll() {
    unrated_.clear();
    alarmsInSight_ = 0;
    warningsInSight_ = 0;
    hiddenRows_ = 0;
    for (RowMark& mark : marks_) {
        mark.counted = Severity::Normal;
        mark.unrated = false;
        count(mark, 1);
    }
    for (int viewRow = 0; viewRow < shownRows_; ++viewRow)
        rate(viewRow, viewRow + 1);
}

SectionCounts StatusGridModel::counts() {
    rateNoted();
    SectionCounts counts;
    counts.points = shownRows_;
    counts.shown = shownRows_ - hiddenRows_;
    counts.alarms = alarmsInSight_;
    counts.warnings = warningsInSight_;
    return counts;
}

void StatusGridModel::setRowInSight(int viewRow, bool inSight) {
    if (viewRow < 0 || viewRow >= shownRows_ || marks_[size_t(viewRow)].hidden == !inSight)
        return;
    RowMark& mark = marks_[size_t(viewRow)];
    count(mark, -1);
    mark.hidden = !inSight;
    count(mark, 1);
}

bool StatusGridModel::highlighted(int viewRow, int row) const {
    if (recent_ == nullptr || addressColumn_ < 0 || lastRecordedTick_ < 0)
        return false;
    const RowMark& mark = marks_[size_t(viewRow)];
    const int slot = mark.slot;
    const qint64 last = recent_->isCurrent(slot, mark.ring)
                            ? recent_->lastChangeAt(slot)
                            : recent_->lastChangeOf(slot, grid_.text(row, addressColumn_));
    return last >= 0 && recent_->nowMs() - last < kHighlightMs;
}

QString StatusGridModel::changesTip(int viewRow, int row) const {
    if (recent_ == nullptr || addressColumn_ < 0)
        return {};
    const QVector<RecentChanges::Change> changes =
        recent_->changesOf(marks_[size_t(viewRow)].slot, grid_.text(row, addressColumn_));
    QString tip;
    for (const RecentChanges::Change& change : changes) {
        const QString caption =
            change.column >= 0 && change.column < grid_.columnCount() ? grid_.column(change.column).caption : QString();
        if (!tip.isEmpty())
            tip += QLatin1Char('\n');
        tip += recent_->timeOf(change.tickMs).toString(QStringLiteral("HH:mm:ss")) + QLatin1String("  ") + caption +
               QLatin1String(": ") + change.text;
    }
    return tip;
}

void StatusGridModel::refreshHighlights() {
    if (recent_ == nullptr || shownRows_ == 0 || grid_.columnCount() == 0)
        return;
    // While any row of this grid changed within the highlight time (plus one call's slack), the
    // backgrounds are repainted so highlights that ran out go back to their tint.
    const bool active = lastRecordedTick_ >= 0 && recent_->nowMs() - lastRecordedTick_ < kHighlightMs + 1000;
    if (!active && !highlightsShown_)
        return;
    highlightsShown_ = active;
    emit dataChanged(index(0, 0), index(shownRows_ - 1, grid_.columnCount() - 1), kHighlightRoles);
}

// ---------------------------------------------------------------- observer

void StatusGridModel::gridReset() {
    flushTimer_.stop();
    resolveInsightColumns();
    countsDirty_ = true;
    beginResetModel();
    shownRows_ = grid_.rowCount();
    marks_.assign(size_t(shownRows_), RowMark{});
    recountAll();
    clearDirty();
    endResetModel();
    ++counts_.resets;
}

void StatusGridModel::rowsAppended(int, int) {
    countsDirty_ = true;
    scheduleFlush();
}

void StatusGridModel::rowRemoved(int row) {
    if (row < 1 || row > shownRows_)
        return;  // a row no view has heard of yet
    countsDirty_ = true;
    const int viewRow = row - 1;
    // The rows noted are rated while their view positions still hold.
    rateNoted(viewRow);
    count(marks_[size_t(viewRow)], -1);
    removingRow_ = viewRow;
    beginRemoveRows({}, viewRow, viewRow);
    if (marks_[size_t(viewRow)].dirty)
        --dirtyCount_;
    marks_.erase(marks_.begin() + viewRow);
    --shownRows_;
    if (dirtyCount_ == 0) {
        clearDirty();
    } else {
        // The marked rows after the removed one moved up by one.
        if (dirtyFirst_ > viewRow)
            --dirtyFirst_;
        if (dirtyLast_ >= viewRow)
            dirtyLast_ = std::max(dirtyFirst_, dirtyLast_ - 1);
    }
    removingRow_ = -1;
    endRemoveRows();
    ++counts_.rowsRemoved;
}

void StatusGridModel::cellChanged(int row, int column) {
    countsDirty_ = true;
    const int viewRow = row - 1;
    if (viewRow < 0 || viewRow >= shownRows_)
        return;  // appended rows go out whole with their insert
    if (recent_ != nullptr && addressColumn_ >= 0) {
        if (column == addressColumn_)
            marks_[size_t(viewRow)].ring = 0;  // another point now: its ring is found by address again
        else if (column != nameColumn_ && column != updatedColumn_)
            recordChange(row, viewRow, column);
    }
    markDirty(viewRow, column, column);
}

void StatusGridModel::recordChange(int row, int viewRow, int column) {
    // A shown row's state cell changed: kept as column, shared text and tick, nothing formatted.
    // While the ring the row's slot points at is the one found for its address last time, the
    // address is not read at all; else the ring is found by the address and checked again.
    const qint64 now = recent_->stamp();
    RowMark& mark = marks_[size_t(viewRow)];
    if (recent_->isCurrent(mark.slot, mark.ring)) {
        recent_->recordAt(mark.slot, column, grid_.text(row, column), now);
    } else {
        recent_->record(mark.slot, grid_.text(row, addressColumn_), column, grid_.text(row, column), now);
        mark.ring = recent_->generation(mark.slot);
    }
    lastRecordedTick_ = now;
}

void StatusGridModel::rowConditionsChanged(int row) {
    countsDirty_ = true;
    const int viewRow = row - 1;
    if (viewRow < 0 || viewRow >= shownRows_)
        return;
    // Only noted here: a report may pass through several conditions; the counts rate it once.
    RowMark& mark = marks_[size_t(viewRow)];
    if (!mark.unrated) {
        mark.unrated = true;
        unrated_.push_back(viewRow);
    }
    if (grid_.columnCount() == 0)
        return;
    // The row's tint is in every cell of it.
    markDirty(viewRow, 0, grid_.columnCount() - 1);
}

void StatusGridModel::markDirty(int viewRow, int firstColumn, int lastColumn) {
    RowMark& mark = marks_[size_t(viewRow)];
    if (!mark.dirty) {
        mark.dirty = true;
        if (dirtyCount_++ == 0) {
            dirtyFirst_ = dirtyLast_ = viewRow;
            // While rows wait, the timer runs (or the grid's redraw is off, and turning it on
            // starts it): only the first mark needs to start it.
            scheduleFlush();
        } else {
            dirtyFirst_ = std::min(dirtyFirst_, viewRow);
            dirtyLast_ = std::max(dirtyLast_, viewRow);
        }
    }
    if (dirtyColumnLast_ < dirtyColumnFirst_) {
        dirtyColumnFirst_ = firstColumn;
        dirtyColumnLast_ = lastColumn;
    } else {
        dirtyColumnFirst_ = std::min(dirtyColumnFirst_, firstColumn);
        dirtyColumnLast_ = std::max(dirtyColumnLast_, lastColumn);
    }
}

void StatusGridModel::redrawChanged(bool on) {
    // Some writers pause redrawing around every single change (a mask change of the masked list):
    // what gathered goes out on the timer like any other change, never once per pause.
    if (on && hasPendingChanges())
        scheduleFlush();
    else if (!on)
        flushTimer_.stop();
}

// ---------------------------------------------------------------- flushing

void StatusGridModel::scheduleFlush() {
    if (grid_.redraw() && !flushTimer_.isActive())
        flushTimer_.start();
}

bool StatusGridModel::hasPendingChanges() const { return dirtyCount_ > 0 || grid_.rowCount() > shownRows_; }

void StatusGridModel::flush() {
    flushTimer_.stop();
    if (!grid_.redraw())
        return;
    flushAppends();
    flushChanges();
}

void StatusGridModel::flushAppends() {
    const int added = grid_.rowCount() - shownRows_;
    if (added <= 0)
        return;
    beginInsertRows({}, shownRows_, shownRows_ + added - 1);
    const int first = shownRows_;
    shownRows_ += added;
    marks_.resize(size_t(shownRows_));
    for (int viewRow = first; viewRow < shownRows_; ++viewRow)
        rate(viewRow, viewRow + 1);
    endInsertRows();
    ++counts_.rowsInserted;
    countsDirty_ = true;  // the views show the new rows only now
}

void StatusGridModel::flushChanges() {
    if (dirtyCount_ == 0)
        return;
    const int lastColumn = grid_.columnCount() - 1;
    const int firstColumn = std::min(dirtyColumnFirst_, lastColumn);
    const int endColumn = std::min(dirtyColumnLast_, lastColumn);
    const auto announce = [&](int first, int last, int colFirst, int colLast) {
        emit dataChanged(index(first, colFirst), index(last, colLast), kCellRoles);
        ++counts_.dataChanged;
    };
    if (lastColumn < 0 || shownRows_ == 0) {
        // nothing left to show
    } else if (dirtyCount_ * 2 > shownRows_) {
        // Most rows changed: one update of the whole grid costs the views least.
        announce(0, shownRows_ - 1, 0, lastColumn);
    } else {
        // Runs of marked rows; too many runs go out as one range over all of them.
        QVector<std::pair<int, int>> runs;
        for (int r = dirtyFirst_; r <= dirtyLast_ && runs.size() <= kMaxRangesPerFlush; ++r) {
            if (!marks_[size_t(r)].dirty)
                continue;
            if (!runs.isEmpty() && runs.last().second == r - 1)
                runs.last().second = r;
            else
                runs.append({r, r});
        }
        if (runs.size() > kMaxRangesPerFlush)
            announce(dirtyFirst_, dirtyLast_, firstColumn, endColumn);
        else
            for (const auto& [first, last] : runs)
                announce(first, last, firstColumn, endColumn);
    }
    for (int r = dirtyFirst_; r <= dirtyLast_; ++r)
        marks_[size_t(r)].dirty = false;
    clearDirty();
}

void StatusGridModel::clearDirty() {
    dirtyCount_ = 0;
    dirtyFirst_ = 0;
    dirtyLast_ = -1;
    dirtyColumnFirst_ = 0;
    dirtyColumnLast_ = -1;
}

}  // namespace so
