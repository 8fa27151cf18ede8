// The attention list above the sections: a header ("Attention: 3 alarms, 5 warnings", flashing
// briefly when a point becomes an alarm) over a table of the AttentionList's entries. It sizes
// itself to its entries up to a share of a reference widget's height and hides while the list is
// empty or switched off. Enter or a double click on an entry goes to the point's row in its
// section; its context menu is the row's own menu there.
#pragma once

#include <QAbstractTableModel>
#include <QTimer>
#include <QWidget>

#include "domain/Section.h"

#include <functional>
#include <optional>

class QLabel;
class QTableView;
class QToolButton;

namespace so {

class AttentionList;
struct AttentionEntry;

/// The entries as a table: marker, kind, name, address, what is wrong, since, for how long.
class AttentionModel : public QAbstractTableModel {
public:
    enum Column { Marker, Kind, Name, Address, Reason, Since, Duration, ColumnCount };

    explicit AttentionModel(const AttentionList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    /// The list's entries changed: the rows are read again.
    void reload();
    /// Time passed: the "for how long" cells are read again.
    void tick();

private:
    const AttentionList& list_;
};

class AttentionPanel : public QWidget {
public:
    /// Goes to a point's row in its section (row from 1); opens the row's context menu when
    /// `openMenu`.
    using GoToRow = std::function<void(Section section, int row, bool openMenu)>;

    AttentionPanel(AttentionList& list, GoToRow goToRow, QWidget* parent = nullptr);

    /// Takes at most `share` of `reference`'s height (followed as it resizes).
    void setHeightShare(QWidget* reference, double share);
    /// The list changed: rows, header, size and visibility follow; `flash` the header briefly.
    void refresh(bool flash);
    /// The entries shown.
    QTableView* table() const { return table_; }
    AttentionModel* model() const { return model_; }
    /// The header text without markup, e.g. "Attention: 3 alarms, 5 warnings".
    QString headerText() const;
    bool isFlashing() const { return flashesLeft_ > 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitHeight();
    void goTo(const QModelIndex& index, bool openMenu);
    void paintHeader();

    AttentionList& list_;
    GoToRow goToRow_;
    AttentionModel* model_ = nullptr;
    QLabel* header_ = nullptr;
    QToolButton* clearButton_ = nullptr;
    QTableView* table_ = nullptr;
    QWidget* reference_ = nullptr;
    double share_ = 0.3;
    QTimer durationTimer_;
    QTimer flashTimer_;
    int flashesLeft_ = 0;
    bool reloading_ = false;
    std::optional<Section> keptSection_;  // the entry the operator is on
    QString keptAddress_;
};

}  // namespace so
