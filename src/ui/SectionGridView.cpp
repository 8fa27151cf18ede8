#include "ui/SectionGridView.h"

#include "ui/StatusGridModel.h"
#include "window/StatusGrid.h"
#include "window/StatusWindow.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

namespace so {

int windowButtonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

SectionGridView::SectionGridView(StatusWindow& window, int section, StatusGridModel* model, QWidget* parent)
    : QTableView(parent), window_(window), section_(section), model_(model) {
    setModel(model);
    setFrameShape(QFrame::NoFrame);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);  // the grid sorts its own rows
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setIconSize(QSize(16, 16));

    // Fixed row heights: the view never measures rows, however many there are.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(std::max(fontMetrics().height(), iconSize().height()) + 3);

    QHeaderView* columns = horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setStretchLastSection(false);
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (section_ != kMaskedGrid) {
        columns->setSectionsMovable(true);
        columns->setSectionsClickable(true);
        columns->setSortIndicatorShown(true);
        connect(columns, &QHeaderView::sectionMoved, this, &SectionGridView::onColumnMoved);
        connect(columns, &QHeaderView::sectionResized, this, &SectionGridView::onColumnResized);
        connect(columns, &QHeaderView::sectionClicked, this, &SectionGridView::onHeaderClicked);
    }

    // A reset (new columns, a sort, a moved column, a refill) lets the header forget the grid's
    // column order and widths: they are put back from the grid once the reset is over, and the
    // header's own size changes during it are not the operator's.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { syncing_ = true; });
    connect(model, &QAbstractItemModel::modelReset, this, &SectionGridView::syncColumnsFromGrid);
    connect(model, &QAbstractItemModel::rowsInserted, this, &SectionGridView::rowsChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &SectionGridView::rowsChanged);

    setHeightCap(0);
    syncColumnsFromGrid();
}

int SectionGridView::rowHeight() const { return verticalHeader()->defaultSectionSize(); }

void SectionGridView::setHeightCap(int pixels) {
    heightCap_ = std::max(0, pixels);
    setSizePolicy(QSizePolicy::Preferred, heightCap_ > 0 ? QSizePolicy::Fixed : QSizePolicy::Expanding);
    updateGeometry();
}

QSize SectionGridView::sizeHint() const {
    const QSize base = QTableView::sizeHint();
    if (heightCap_ <= 0)
        return base;
    int height = std::max(1, model_->rowCount()) * rowHeight() + 2 * frameWidth();
    if (!horizontalHeader()->isHidden())
        height += horizontalHeader()->sizeHint().height();
    if (horizontalHeader()->length() > width() - 2 * frameWidth())
        height += horizontalScrollBar()->sizeHint().height();
    return {base.width(), std::min(height, heightCap_)};
}

QSize SectionGridView::minimumSizeHint() const {
    // Stacked, a grid of two rows is two rows tall, not the scroll area's own minimum.
    const QSize base = QTableView::minimumSizeHint();
    return heightCap_ > 0 ? QSize(base.width(), sizeHint().height()) : base;
}

void SectionGridView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    // Whether the columns need a horizontal scroll bar, and so the height, follows the width.
    if (heightCap_ > 0 && event->size().width() != event->oldSize().width())
        updateGeometry();
}

void SectionGridView::rowsChanged() {
    if (heightCap_ > 0)
        updateGeometry();
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
    if (section_ != kMaskedGrid)
        header->setSortIndicator(-1, Qt::AscendingOrder);
    syncing_ = false;
    updateGeometry();
}

void SectionGridView::onColumnMoved(int, int oldVisual, int newVisual) {
    if (syncing_)
        return;
    // The header's order was the grid's: the grid takes the move, and its reset puts the
    // header's order back level with it.
    model_->grid().moveColumn(oldVisual, newVisual);
    window_.vGrid_LayoutChanged(section_);
}

void SectionGridView::onColumnResized(int logical, int, int newSize) {
    if (syncing_ || logical < 0 || logical >= model_->grid().columnCount())
        return;
    model_->grid().column(logical).width = newSize;
    window_.vGrid_LayoutChanged(section_);
    updateGeometry();
}

void SectionGridView::onHeaderClicked(int logical) {
    window_.vGrid_ColumnClick(section_, logical);
    if (logical < 0 || logical >= model_->grid().columnCount())
        return;
    // The column's tag holds "DESC" right after an ascending sort.
    const bool ascending = !model_->grid().column(logical).tag.isEmpty();
    horizontalHeader()->setSortIndicator(logical, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void SectionGridView::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    if (section_ == kMaskedGrid)
        return;
    window_.vGrid_MouseDown(section_, windowButtonCode(event->button()));
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        window_.vGrid_CellClick(section_, index.row() + 1, index.column() + 1);
}

void SectionGridView::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    if (section_ != kMaskedGrid && mouseUp_)
        mouseUp_(section_, windowButtonCode(event->button()), event->globalPosition().toPoint());
}

}  // namespace so
