// The view of one grid of the status window: a table with fixed row heights over a
// StatusGridModel, its columns sized, ordered and hidden as the grid's columns say.
//
// For a section grid it forwards the operator's actions to the window's state
// object: a header click sorts (sortByColumn, 0-based column), a press over a cell records it
// as the current cell (setCurrentCell, row and column from 1, on any button so that a right click
// picks the row its context menu acts on) after gridPressed, and moving or resizing a column
// is written back into the grid's columns (so the window's unload saves it) followed by
// columnsChangedByOperator. Every mouse release goes to the mouse-up handler (the context menu).
// The masked-points and overridden-points grids (no section) only show their rows.
//
// Shift+F10 and the Menu key open the current row's context menu the way a right click on it does;
// a right click on the column header offers sorting by severity.
//
// The operator's find text hides the rows whose name and address do not contain it, and
// "Abnormal only" the normal rows; the rows stay in the grid and the model (a hidden row keeps
// taking state changes), and a row whose name or state changes is matched again. An abnormal
// row's first shown cell carries a drawn marker: a triangle for an alarm, a circle for a warning,
// so it reads without its colour too; the marker has its own room at the cell's right end. The
// last shown column stretches to the view's edge, and Tab moves on to the next grid of the window
// (the arrow keys, PgUp and PgDn move within the grid).
#pragma once

#include "domain/Section.h"
#include "grid/RowFilter.h"

#include <QPoint>
#include <QTableView>

#include <functional>
#include <optional>

namespace so {

class SeverityMarkerDelegate;
class StatusGridModel;
class StatusWindow;

/// Mouse buttons as the window's handlers number them: 1 left, 2 right, 4 middle.
int windowButtonCode(Qt::MouseButton button);

class SectionGridView : public QTableView {
    Q_OBJECT
public:
    using MouseUpHandler = std::function<void(Section section, int button, const QPoint& globalPos)>;

    /// The view of a section's grid, or with no section of the masked or overridden list.
    SectionGridView(StatusWindow& window, std::optional<Section> section, StatusGridModel* model,
                    QWidget* parent = nullptr);

    std::optional<Section> section() const { return section_; }
    StatusGridModel* gridModel() const { return model_; }
    void setMouseUpHandler(MouseUpHandler handler) { mouseUp_ = std::move(handler); }

    int rowHeight() const;
    /// The height that shows every shown row with the column header (and the horizontal scroll
    /// bar when the columns are wider than the view): more would be empty space.
    int contentHeight() const;
    QSize minimumSizeHint() const override;

    /// Where the text of a cell is drawn: the style's text area less its margins and, in the first
    /// shown column, less the severity marker's room. A text wider than this is elided.
    QRect cellTextRect(const QModelIndex& index) const;
    /// The room the severity marker takes at the right end of a row's first shown cell.
    int markerRoom() const;

    /// Makes the header show the grid's columns: their order, widths and hidden flags.
    void syncColumnsFromGrid();

    /// Hides the rows that do not match `text` (empty shows every row).
    void setFilterText(const QString& text);
    QString filterText() const { return filter_.text; }
    /// Hides the normal rows as well; a row shows again once its state turns abnormal.
    void setAbnormalOnly(bool on);
    bool abnormalOnly() const { return filter_.abnormalOnly; }
    /// Rows the view shows now (all of them without a find text).
    int shownRowCount() const;
    /// The counts of the rows the view has painted: all, in sight, and the alarms and warnings
    /// in sight. Every count the window shows is made of these.
    SectionCounts counts() const;
    /// Grid rows (from 1) the view shows, top to bottom.
    QVector<int> shownGridRows() const;
    /// Grid rows (from 1) the operator selected, top to bottom.
    QVector<int> selectedGridRows() const;
    /// Opens the context menu of the current row (or the first row in sight) as a right click
    /// on it would.
    void openMenuFromKeyboard();
    /// Makes a grid row (from 1) the current, selected row, scrolled into sight, and the window's
    /// current cell; false when the row is hidden (the find text or "Abnormal only").
    bool goToGridRow(int row);

signals:
    /// The rows the view shows changed in number (find text, rows added or removed).
    void shownRowsChanged();
    /// contentHeight() may have changed (rows, find text, column widths, the view's width).
    void contentHeightChanged();

protected:
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    /// Shift+F10 and the Menu key open the current row's context menu.
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void onColumnMoved(int logical, int oldVisual, int newVisual);
    void onColumnResized(int logical, int oldSize, int newSize);
    void onHeaderClicked(int logical);
    /// The column header's menu (right click): sorting by severity.
    void showHeaderMenu(const QPoint& pos);
    /// The column the header stretches to the view's edge (the last shown); its width is not the grid's.
    bool isStretchedColumn(int logical) const;
    void rowsChanged();
    void applyFilter(int firstRow, int lastRow);
    void onDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);

    StatusWindow& window_;
    const std::optional<Section> section_;
    StatusGridModel* model_;
    MouseUpHandler mouseUp_;
    SeverityMarkerDelegate* markers_ = nullptr;
    bool syncing_ = false;
    RowFilter filter_;
    int hiddenRows_ = 0;
};

}  // namespace so
