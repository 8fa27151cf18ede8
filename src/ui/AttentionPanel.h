// The attention list above the sections: a header ("Attention: 3 alarms, 5 warnings — 2 not
// acknowledged", flashing briefly when a point becomes an alarm) over a table of the list's rows
// (AttentionView: entries in order, points of an off-line controller folded under it).
//
// The rows hold still while the operator works on them: while the pointer is over the list or a
// section, a row is selected or a menu is open, nothing moves; new entries are counted in a bar
// ("12 new alarms — show") and shown when the operator asks or moves away. The panel's height
// follows its rows at most every kHeightSettleMs, never while held, so the sections below do not
// shift under the pointer. Enter or a double click on an entry goes to the point's row in its
// section; its context menu is the row's own menu there. The entry acted on is the one the
// operator pressed, found by its address when the action runs.
//
// Alarms are acknowledged here (Ctrl+K the selection, Ctrl+Shift+K with a comment, Ctrl+Alt+K every
// alarm listed after a confirmation; also in the "Alarms" menu), a chattering point shelved
// (Ctrl+Shift+H), and the alarm journal opened (Ctrl+J); the window asks the site.
#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "domain/Section.h"
#include "window/AttentionView.h"

#include <functional>
#include <optional>

class QLabel;
class QTableView;
class QToolButton;
class QPushButton;

namespace so {

class AttentionList;
class StatusWindow;

/// The rows as a table: marker, kind, name, address, what is wrong, since, for how long. The view
/// tells it of each row inserted, removed or reworded as it happens.
class AttentionModel : public QAbstractTableModel, public AttentionView::Listener {
    Q_OBJECT

public:
    enum Column { Marker, Kind, Name, Address, Reason, Since, Duration, ColumnCount };

    AttentionModel(const AttentionList& list, AttentionView& view, QObject* parent = nullptr);
    ~AttentionModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    /// The row shown at `row` (from 0).
    const AttentionRow& rowAt(int row) const { return view_.row(row); }
    /// Every row's texts are read again (they follow the grid's rows, not only the list).
    void refreshTexts();
    /// Fits the markers' and cleared rows' text colours to the palette the table is drawn with.
    void fitColours(const QPalette& palette);

    // AttentionView::Listener
    void rowAboutToBeInserted(int row) override { beginInsertRows({}, row, row); }
    void rowInserted() override { endInsertRows(); }
    void rowAboutToBeRemoved(int row) override { beginRemoveRows({}, row, row); }
    void rowRemoved() override { endRemoveRows(); }
    void rowChanged(int row) override { emit dataChanged(index(row, 0), index(row, ColumnCount - 1)); }
    void rowsAboutToBeReset() override { beginResetModel(); }
    void rowsReset() override { endResetModel(); }

private:
    QColor alarmText_, warningText_, clearedText_;
    const AttentionList& list_;
    AttentionView& view_;
};

class AttentionPanel : public QWidget {
    Q_OBJECT

public:
    /// Goes to a point's row in its section (row from 1); opens the row's context menu when
    /// `openMenu`.
    using GoToRow = std::function<void(Section section, int row, bool openMenu)>;
    /// The list's height changes at most this often.
    static constexpr int kHeightSettleMs = 3000;

    AttentionPanel(StatusWindow& window, GoToRow goToRow, QWidget* parent = nullptr);

    /// Takes at most `share` of `reference`'s height (followed as it resizes).
    void setHeightShare(QWidget* reference, double share);
    /// The pointer over `area` (the sections) holds the rows too.
    void addHoldArea(QWidget* area);
    /// The list changed: rows (as the hold allows), header, size and visibility follow; `flash`
    /// the header briefly.
    void refresh(bool flash);
    /// Shows the entries counted in the bar, in their places.
    void showNew();
    /// Folds or unfolds the points of the controller at `row` (from 0).
    void toggleFolded(int row);
    /// Acknowledges the alarms of the selected rows (or the current one); `askComment` first.
    void acknowledgeSelected(bool askComment);
    /// Acknowledges every unacknowledged alarm listed, once the operator confirms.
    void acknowledgeAll();
    /// Shelves the current row's point for the minutes the operator gives.
    void shelveCurrent();
    /// Lists the shelved points.
    void showShelved();

    QTableView* table() const { return table_; }
    AttentionModel* model() const { return model_; }
    const AttentionView& view() const { return view_; }
    bool isHeld() const { return view_.isHeld(); }
    /// The header text without markup, e.g. "Attention: 3 alarms, 5 warnings".
    QString headerText() const;
    /// The bar's text ("12 new alarms — show"); empty while it is hidden.
    QString newEntriesText() const;
    bool isFlashing() const { return flashesLeft_ > 0; }
    /// Writes the header from the list's counts as they are now.
    void paintHeader();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fitHeight();
    void settleHeight();
    void goTo(const QModelIndex& index, bool openMenu);
    void updateHold();
    bool pointerOnHoldArea() const;
    /// After the rows were read anew, the operator's place stays on the same point.
    void keepPlace();
    void addActions();

    StatusWindow& window_;
    AttentionList& list_;
    AttentionView view_;
    GoToRow goToRow_;
    AttentionModel* model_ = nullptr;
    QLabel* header_ = nullptr;
    QToolButton* clearButton_ = nullptr;
    QToolButton* alarmsButton_ = nullptr;
    QPushButton* newBar_ = nullptr;
    QTableView* table_ = nullptr;
    QWidget* reference_ = nullptr;
    double share_ = 0.3;
    QTimer durationTimer_;
    QTimer flashTimer_;
    QTimer heightTimer_;
    QElapsedTimer sinceHeightChange_;
    int flashesLeft_ = 0;
    bool reloading_ = false;
    int menusOpen_ = 0;
    QList<QPointer<QWidget>> holdAreas_;
    std::optional<Section> keptSection_;  // the entry the operator is on
    int keptKey_ = -1;
    int keptColumn_ = 0;
};

}  // namespace so
