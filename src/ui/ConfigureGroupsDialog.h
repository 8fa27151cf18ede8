// The "Configure Status Groups" dialog ("Status Viewer Properties") as Qt widgets: the status group
// page (group box with Delete and Save, the "Available" list with its find box and
// the "Selected" list with the move buttons between them, the filter options, and the view
// options "Topology" / "Sea of Points" and "Include Address in Description") and the column page
// (column sets, the checked column list, move up and down), with Close, Apply and Help below.
//
// The widgets hold no state: ConfigureGroups keeps it and runs every handler; the widgets show it
// and forward the operator's clicks.
//
// The lock. The window takes component lock 37 before it opens the dialog; the dialog gives it
// back when it unloads, whichever way it closes: Close, the title bar's close button or Esc, the
// status window hiding or unloading while the dialog is open, or the dialog being destroyed with
// its window. Another workstation can take the lock right after.
#pragma once

#include "groups/ConfigureGroups.h"
#include "ui/IconList.h"

#include <QDialog>

#include <array>
#include <memory>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListView;
class QPushButton;
class QTabWidget;
class QTreeView;

namespace so {

class StatusFrame;
class PointListModel;
class ColumnListModel;

class ConfigureGroupsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kFilterOptions = 10;

    /// icons: the images the lists show for the points' small icons (may be null).
    ConfigureGroupsDialog(ComponentContext& ctx, GroupStore& store, StatusWindow& window, const IconList* icons,
                          QWidget* parent = nullptr);
    ~ConfigureGroupsDialog() override;

    ConfigureGroups& logic() { return *logic_; }

    // ---- the controls, for tests
    QTabWidget* tabs() const { return tabs_; }
    QComboBox* groupBox() const { return groupBox_; }
    QTreeView* availableList() const { return availableList_; }
    QTreeView* selectedList() const { return selectedList_; }
    /// By ConfigureGroups::Function, GroupButton, MainButton and MoveButton.
    QPushButton* functionButton(int index) const { return functionButtons_.at(index); }
    QPushButton* groupButton(int index) const { return groupButtons_.at(index); }
    QPushButton* mainButton(int index) const { return dialogButtons_.at(index); }
    QPushButton* moveButton(int index) const { return columnMoveButtons_.at(index); }
    QAbstractButton* filterOption(int index) const;
    /// ConfigureGroups::Topology, SeaOfPoints.
    QAbstractButton* viewOption(int index) const;
    QCheckBox* addressCheck() const { return addressCheck_; }
    QLineEdit* findBox() const { return findAvailable_; }
    QComboBox* columnSetBox() const { return columnSetBox_; }
    QListView* columnList() const { return columnList_; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildGroupPage();
    QWidget* buildColumnPage();
    QWidget* buildMainButtons();
    void showGroups();
    void showAvailable();
    QList<int> highlightedRows(QTreeView* list) const;

    std::unique_ptr<ConfigureGroups> logic_;
    /// A copy of the window's icons (the images are shared): the lists may still paint while the
    /// window that opened the dialog is being destroyed and its own list is gone.
    IconList icons_;

    QWidget* content_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QComboBox* groupBox_ = nullptr;
    QTreeView* availableList_ = nullptr;
    QTreeView* selectedList_ = nullptr;
    PointListModel* availableModel_ = nullptr;
    PointListModel* selectedModel_ = nullptr;
    QButtonGroup* filterOptions_ = nullptr;
    QButtonGroup* viewOptions_ = nullptr;
    QCheckBox* addressCheck_ = nullptr;
    QLineEdit* findAvailable_ = nullptr;
    std::array<QPushButton*, 4> functionButtons_{};
    std::array<QPushButton*, 2> groupButtons_{};
    std::array<QPushButton*, 3> dialogButtons_{};
    std::array<QPushButton*, 2> columnMoveButtons_{};
    QComboBox* columnSetBox_ = nullptr;
    QListView* columnList_ = nullptr;
    ColumnListModel* columnModel_ = nullptr;
};

/// Makes the window's "Configure Status Groups" button open the dialog (after the window took the
/// lock). A dialog already open is brought to the front instead of opening a second one.
void installConfigureDialog(StatusFrame& frame, GroupStore& store);

}  // namespace so
