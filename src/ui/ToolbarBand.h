// The band of toolbars at the top of the status window. Its first row: the main toolbar
// (Overridden, Masked, Status with its menu of sections, Configure Status Groups, Help), the
// sections button and the status-group box. Its second row: the find box and its matches,
// "Abnormal only", "Attention list", Export and the total of the points in sight.
//
// Its buttons and the group box call the window's state object (StatusWindow) directly; find,
// "Abnormal only" and the export menu concern the section views and are signalled to the frame.
// Every widget an operator or a screen reader reaches has an object name and an accessible name.
#pragma once

#include "domain/Section.h"
#include "grid/RowFilter.h"

#include <QWidget>

#include <array>
#include <optional>

class QAction;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QToolBar;
class QToolButton;

namespace so {

class StatusWindow;

class ToolbarBand : public QWidget {
    Q_OBJECT
public:
    ToolbarBand(StatusWindow& window, QWidget* parent);

    /// Buttons, menu entries and the find box in line with the window's sections and view.
    void showSections();
    /// The group box's entries and selection as the window holds them; a shown group deleted
    /// elsewhere is named in the box until another is chosen.
    void showGroupBox();
    /// The band's total and, while a find text narrows the rows, the matches: both `total`.
    void showCounts(const SectionCounts& total);

    QString findText() const;
    /// The find box, for the frame's own keys (Esc on an empty box is the window's Esc).
    QLineEdit* findBox() const { return findBox_; }
    /// The "Abnormal only" check (Ctrl+Shift+A); a host may set it before the window shows.
    QAction* abnormalOnlyAction() const { return abnormalOnly_; }

signals:
    void findTextChanged(const QString& text);
    void abnormalOnlyChanged(bool on);
    /// Copy the selected rows of every section (Ctrl+C).
    void copyRequested();
    /// Export a section's rows, or with no section every section shown, to a CSV file.
    void exportRequested(std::optional<Section> section);

private:
    void buildToolbars(QHBoxLayout* row);
    void buildTriage(QHBoxLayout* row);

    StatusWindow& window_;
    QAction* overriddenButton_ = nullptr;
    QAction* maskedButton_ = nullptr;
    QAction* statusButton_ = nullptr;
    QMenu* statusMenu_ = nullptr;
    /// The Status menu's entry chosen last and the section it shows ("Expansion Inputs", Inputs).
    QString chosenStatusText_;
    std::optional<Section> chosenStatusSection_;
    QToolButton* sectionButton_ = nullptr;
    std::array<QAction*, kSectionCount> sectionItems_{};
    QComboBox* groupBox_ = nullptr;
    QLineEdit* findBox_ = nullptr;
    QLabel* findMatches_ = nullptr;
    QAction* abnormalOnly_ = nullptr;
    QLabel* totals_ = nullptr;
    QMenu* exportSectionMenu_ = nullptr;
};

}  // namespace so
