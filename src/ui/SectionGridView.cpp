#include "ui/SectionGridView.h"

#include "ui/StatusGridModel.h"
#include "grid/RowFilter.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace so {

/// Draws, in a row's first shown cell, the recent-change bar at its left edge and the severity
/// marker in its own room at the cell's right end: the cell's text and icon are laid out left of
/// that room, so the marker never covers a name.
class SeverityMarkerDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    /// The marker's room in pixels for rows `rowHeight` tall.
    static int markerRoom(int rowHeight) { return markerSide(rowHeight) + 2 * kMarkerGap; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const auto* view = qobject_cast<const QTableView*>(parent());
        const bool first = view != nullptr && index.column() == firstShownColumn(*view);
        if (!first) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        // The background and selection span the whole cell; the text and icon keep left of the marker.
        QStyleOptionViewItem whole = option;
        initStyleOption(&whole, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &whole, painter, widget);
        QStyledItemDelegate::paint(painter, withoutMarker(option), index);
        if (index.data(StatusGridModel::RecentRole).toBool()) {
            // A recent change: a bar at the row's left edge, over the tint, never instead of it.
            painter->fillRect(QRect(option.rect.left(), option.rect.top(), kRecentBarWidth, option.rect.height()),
                              QColor(20, 90, 200));
        }

        const auto level = Severity(index.data(StatusGridModel::SeverityRole).toInt());
        if (level == Severity::Normal)
            return;
        const int side = markerSide(option.rect.height());
        const QRectF box(option.rect.right() - side - kMarkerGap, option.rect.center().y() - side / 2.0, side, side);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(Qt::black, 1));
        if (level == Severity::Alarm) {
            QPainterPath triangle;
            triangle.moveTo(box.center().x(), box.top());
            triangle.lineTo(box.right(), box.bottom());
            triangle.lineTo(box.left(), box.bottom());
            triangle.closeSubpath();
            painter->setBrush(QColor(210, 20, 20));
            painter->drawPath(triangle);
        } else {
            painter->setBrush(QColor(240, 160, 0));
            painter->drawEllipse(box);
        }
        painter->restore();
    }

    /// Where the style draws a cell's text: its text area less the text margins (and, in the
    /// first shown column, left of the marker's room).
    QRect textRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
        const auto* view = qobject_cast<const QTableView*>(parent());
        const bool first = view != nullptr && index.column() == firstShownColumn(*view);
        QStyleOptionViewItem opt = first ? withoutMarker(option) : option;
        initStyleOption(&opt, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &opt, widget) + 1;
        return style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);
    }

    static int firstShownColumn(const QTableView& view) {
        const QHeaderView* header = view.horizontalHeader();
        for (int visual = 0; visual < header->count(); ++visual) {
            const int logical = header->logicalIndex(visual);
            if (!header->isSectionHidden(logical))
                return logical;
        }
        return -1;
    }

private:
    static constexpr int kMarkerGap = 3;
    static constexpr int kRecentBarWidth = 4;
    static int markerSide(int rowHeight) { return std::max(6, rowHeight - 8); }

    static QStyleOptionViewItem withoutMarker(const QStyleOptionViewItem& option) {
        QStyleOptionViewItem reduced = option;
        reduced.rect.setRight(option.rect.right() - markerRoom(option.rect.height()));
        return reduced;
    }
};

int windowButtonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

SectionGridView::SectionGridView(StatusWindow& window, std::optional<Section> section, StatusGridModel* model,
                                 QWidget* parent)
    : QTableView(parent), window_(window), section_(section), model_(model) {
    setModel(model);
    model_->setPalette(palette());
    setFrameShape(QFrame::NoFrame);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);  // the grid sorts its own rows
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setIconSize(QSize(16, 16));
    markers_ = new SeverityMarkerDelegate(this);
    setItemDelegate(markers_);
    // Tab and Shift+Tab move between the window's grids; the arrow keys move within one.
    setTabKeyNavigation(false);

    // Fixed row heights: the view never measures rows, however many there are.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(std::max(fontMetrics().height(), iconSize().height()) + 3);

    QHeaderView* columns = horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    // The last shown column reaches the window's edge; its own width stays the grid's.
    columns->setStretchLastSection(true);
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (section_) {
        columns->setSectionsMovable(true);
        columns->setSectionsClickable(true);
        columns->setSortIndicatorShown(true);
        connect(columns, &QHeaderView::sectionMoved, this, &SectionGridView::onColumnMoved);
        connect(columns, &QHeaderView::sectionResized, this, &SectionGridView::onColumnResized);
        connect(columns, &QHeaderView::sectionClicked, this, &SectionGridView::onHeaderClicked);
        columns->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(columns, &QHeaderView::customContextMenuRequested, this, &SectionGridView::showHeaderMenu);
    }

    // A reset (new columns, a sort, a moved column, a refill) lets the header forget the grid's
    // column order and widths: they are put back from the grid once the reset is over, and the
    // header's own size changes during it are not the operator's.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { syncing_ = true; });
    connect(model, &QAbstractItemModel::modelReset, this, &SectionGridView::syncColumnsFromGrid);
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        applyFilter(first, last);
        rowsChanged();
    });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (!filter_.isEmpty())
            applyFilter(0, -1);  // only recounts: the header kept the other rows' hidden flags
        rowsChanged();
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        hiddenRows_ = 0;
        applyFilter(0, model_->rowCount() - 1);
        rowsChanged();
    });
    connect(model, &QAbstractItemModel::dataChanged, this, &SectionGridView::onDataChanged);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    syncColumnsFromGrid();
}

int SectionGridView::rowHeight() const { return verticalHeader()->defaultSectionSize(); }

QSize SectionGridView::minimumSizeHint() const {
    // Among the stacked sections a grid may shrink to nothing: its header strip stays.
    return {QTableView::minimumSizeHint().width(), 0};
}

void SectionGridView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    // Whether the columns need a horizontal scroll bar, and so the height, follows the width.
    if (event->size().width() != event->oldSize().width())
        emit contentHeightChanged();
}

void SectionGridView::rowsChanged() {
    emit shownRowsChanged();
    emit contentHeightChanged();
}

// ---------------------------------------------------------------- find

void SectionGridView::setFilterText(const QString& text) {
    if (text == filter_.text)
        return;
    filter_.text = text;
    applyFilter(0, model_->rowCount() - 1);
    rowsChanged();
}

void SectionGridView::setAbnormalOnly(bool on) {
    if (on == filter_.abnormalOnly)
        return;
    filter_.abnormalOnly = on;
    applyFilter(0, model_->rowCount() - 1);
    rowsChanged();
}

void SectionGridView::applyFilter(int firstRow, int lastRow) {
    const StatusGrid& grid = model_->grid();
    const int rows = std::min(model_->rowCount(), grid.rowCount());
    for (int row = std::max(0, firstRow); row <= std::min(lastRow, rows - 1); ++row) {
        const bool hide = !filter_.shows(grid, row + 1, model_->rowSeverity(row + 1));
        if (isRowHidden(row) != hide)
            setRowHidden(row, hide);
        model_->setRowInSight(row, !hide);
    }
    int hidden = 0;
    if (!filter_.isEmpty())
        for (int row = 0; row < model_->rowCount(); ++row)
            hidden += isRowHidden(row) ? 1 : 0;
    hiddenRows_ = hidden;
}

void SectionGridView::onDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                    const QList<int>& roles) {
    // Only cell texts decide what shows (repaints of the recent-change marks do not).
    if (filter_.isEmpty() || (!roles.isEmpty() && !roles.contains(Qt::DisplayRole)))
        return;
    // Without "Abnormal only" only a changed name or address can change whether a row matches.
    const StatusGrid& grid = model_->grid();
    bool keyColumn = filter_.abnormalOnly;
    for (const QString& key : {QStringLiteral("Name"), QStringLiteral("Address")}) {
        const int column = grid.columnIndex(key);
        keyColumn = keyColumn || (column >= topLeft.column() && column <= bottomRight.column());
    }
    if (!keyColumn)
        return;
    const int before = hiddenRows_;
    applyFilter(topLeft.row(), bottomRight.row());
    if (hiddenRows_ != before)
        rowsChanged();
}

int SectionGridView::shownRowCount() const { return model_->rowCount() - hiddenRows_; }

SectionCounts SectionGridView::counts() const { return model_->counts(); }

QVector<int> SectionGridView::shownGridRows() const {
    QVector<int> rows;
    const int count = std::min(model_->rowCount(), model_->grid().rowCount());
    for (int row = 0; row < count; ++row)
        if (!isRowHidden(row))
            rows.append(row + 1);
    return rows;
}

QVector<int> SectionGridView::selectedGridRows() const {
    QVector<int> rows;
    if (selectionModel() == nullptr)
        return rows;
    const int count = std::min(model_->rowCount(), model_->grid().rowCount());
    for (const QModelIndex& index : selectionModel()->selectedRows())
        if (index.row() < count && !isRowHidden(index.row()))
            rows.append(index.row() + 1);
    std::sort(rows.begin(), rows.end());
    return rows;
}

void SectionGridView::syncColumnsFromGrid() {
    syncing_ = true;
    QHeaderView* header = horizontalHeader();
    const StatusGrid& grid = model_->grid();
    const int n = std::min(grid.columnCount(), header->count());
    for (int i = 0; i < n; ++i) {
        // The grid's column order is the display order.
        if (header->visualIndex(i) != i)
            header->moveSection(header->visualIndex(i), i);
        const GridColumn& column = grid.column(i);
        header->resizeSection(i, column.width);
        header->setSectionHidden(i, !column.visible);
    }
    if (section_)
        header->setSortIndicator(-1, Qt::AscendingOrder);
    syncing_ = false;
    emit contentHeightChanged();
}

void SectionGridView::onColumnMoved(int, int oldVisual, int newVisual) {
    if (syncing_)
        return;
    // The header's order was the grid's: the grid takes the move, and its reset puts the
    // header's order back level with it.
    model_->grid().moveColumn(oldVisual, newVisual);
    window_.columnsChangedByOperator(section_);
}

void SectionGridView::onColumnResized(int logical, int, int newSize) {
    if (syncing_ || logical < 0 || logical >= model_->grid().columnCount() || isStretchedColumn(logical))
        return;
    model_->grid().column(logical).width = newSize;
    window_.columnsChangedByOperator(section_);
    emit contentHeightChanged();
}

bool SectionGridView::isStretchedColumn(int logical) const {
    const QHeaderView* header = horizontalHeader();
    if (!header->stretchLastSection())
        return false;
    for (int visual = header->count() - 1; visual >= 0; --visual)
        if (!header->isSectionHidden(header->logicalIndex(visual)))
            return header->logicalIndex(visual) == logical;
    return false;
}

QRect SectionGridView::cellTextRect(const QModelIndex& index) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return markers_->textRect(option, index);
}

int SectionGridView::markerRoom() const { return SeverityMarkerDelegate::markerRoom(rowHeight()); }

int SectionGridView::contentHeight() const {
    int height = shownRowCount() * rowHeight() + 2 * frameWidth();
    if (!horizontalHeader()->isHidden())
        height += horizontalHeader()->sizeHint().height();
    if (horizontalHeader()->length() > viewport()->width())
        height += horizontalScrollBar()->sizeHint().height();
    return height;
}

void SectionGridView::onHeaderClicked(int logical) {
    window_.sortByColumn(*section_, logical);
    if (logical < 0 || logical >= model_->grid().columnCount())
        return;
    // The column's tag holds "DESC" right after an ascending sort.
    const bool ascending = !model_->grid().column(logical).tag.isEmpty();
    horizontalHeader()->setSortIndicator(logical, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void SectionGridView::showHeaderMenu(const QPoint& pos) {
    QMenu menu(this);
    QAction* bySeverity = menu.addAction(tr("Sort by Severity (alarms first)"));
    bySeverity->setEnabled(model_->grid().rowCount() > 1);
    if (menu.exec(horizontalHeader()->viewport()->mapToGlobal(pos)) == bySeverity)
        model_->sortBySeverity();
}

void SectionGridView::changeEvent(QEvent* event) {
    // A new palette (a dark or high-contrast theme) brings row tints readable on it.
    if (event->type() == QEvent::PaletteChange)
        model_->setPalette(palette());
    QTableView::changeEvent(event);
}

void SectionGridView::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    if (!section_)
        return;
    window_.gridPressed(*section_, windowButtonCode(event->button()));
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        window_.setCurrentCell(*section_, index.row() + 1, index.column() + 1);
}

void SectionGridView::keyPressEvent(QKeyEvent* event) {
    const bool menuKey =
        event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (!menuKey || !section_) {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
    openMenuFromKeyboard();
}

void SectionGridView::openMenuFromKeyboard() {
    // The current row (or the first row in sight) goes the way a right click on it goes: pressed,
    // recorded as the current cell, selected, then released under the cell.
    QModelIndex index = currentIndex();
    if (!index.isValid() || isRowHidden(index.row())) {
        const QVector<int> rows = shownGridRows();
        if (rows.isEmpty())
            return;
        index = model_->index(rows.first() - 1, horizontalHeader()->logicalIndex(0));
    }
    setCurrentIndex(index);
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
    if (!section_)
        return;
    window_.gridPressed(*section_, windowButtonCode(Qt::RightButton));
    window_.setCurrentCell(*section_, index.row() + 1, index.column() + 1);
    if (mouseUp_)
        mouseUp_(*section_, windowButtonCode(Qt::RightButton), viewport()->mapToGlobal(visualRect(index).center()));
}

bool SectionGridView::goToGridRow(int row) {
    if (row < 1 || row > model_->rowCount() || isRowHidden(row - 1))
        return false;
    const QModelIndex index = model_->index(row - 1, horizontalHeader()->logicalIndex(0));
    setCurrentIndex(index);
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index, QAbstractItemView::PositionAtCenter);
    if (section_)
        window_.setCurrentCell(*section_, row, index.column() + 1);
    return true;
}

void SectionGridView::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    if (section_ && mouseUp_)
        mouseUp_(*section_, windowButtonCode(event->button()), event->globalPosition().toPoint());
}

}  // namespace so
