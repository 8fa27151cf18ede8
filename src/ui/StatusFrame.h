// The status window ("Status Viewer") as Qt widgets: the band of toolbars with the
// status-group box, the container stacking the eight sections (header strip, then the section's
// grid) one under the other, the cover showing the rows before, greyed, while a group loads, the
// masked-points grid and the overridden-points grid.
//
// The sections share the window's height by need (shareSectionHeights): the container does not
// scroll, each section's grid scrolls its own rows, sections holding abnormal rows get room
// first, and a section takes no more height than its rows need. The operator can move the
// boundaries between sections; choosing a group, collapsing or expanding a section shares the
// height out again.
//
// Beyond the classic window: a find box on the band narrowing every section to the rows whose name
// or address contains its text, and "Abnormal only" hiding the normal rows; per section header the
// points in sight, the alarms and the warnings, and their total on the band; a severity tint and
// marker per abnormal row; bold type, a bar and a tooltip of the last changes for a row whose state
// just changed; copy and CSV export of rows; and a status bar telling whether the site database
// answers, the time of the last state change received and that the shown group was deleted
// elsewhere. None of them changes a cell or a row of the grids (only "Sort by Severity" reorders).
//
// Esc, F1 and F5 act when released, and only when their press reached this window too: the
// release of an Esc that closed a menu or a dialog is not the operator's Esc to the window.
//
// It holds no state of its own beyond widgets: StatusWindow keeps the window's state and calls
// the WindowView members below when something visible changed; the operator's clicks and keys go
// straight to StatusWindow's handlers. The window attaches itself to the state object on
// construction and detaches on destruction.
#pragma once

#include "ui/IconList.h"
#include "ui/SectionGridView.h"
#include "window/KeyPairing.h"
#include "status/RecentChanges.h"
#include "window/Severity.h"
#include "domain/Section.h"
#include "window/WindowView.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

class QAction;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QToolBar;
class QToolButton;
class QVBoxLayout;

namespace so {

class AttentionPanel;
class SectionHeader;
class StatusGridModel;
class StatusWindow;

class StatusFrame : public QWidget, public WindowView {
    Q_OBJECT
public:
    /// How often the header counts, the fading highlights and the status bar are brought up to date.
    static constexpr int kInsightIntervalMs = 400;
    /// Export of every section with a header shown, rather than of one section.
    static constexpr int kWholeWindow = -1;
    /// The most of the window's height the attention list takes.
    static constexpr double kAttentionShare = 0.25;

    explicit StatusFrame(StatusWindow& window, QWidget* parent = nullptr);
    ~StatusFrame() override;

    StatusWindow& statusWindow() const { return window_; }

    // ---- WindowView
    void arrangeForm() override;
    void coverChanged(bool shown) override;
    void sectionsChanged() override;
    void groupBoxChanged() override;
    void captionChanged(const QString& caption) override;
    void focusGrid(int section) override;
    void openConfigureDialog() override;
    void closeWindow() override;
    qint64 nativeHandle() const override;
    QRectF geometryTwips() const override;
    TextMetrics textMetrics() const override;
    void columnWidthsChanged(int section) override;
    void progressChanged(const QString& text) override;
    void attentionChanged(bool newAlarm) override;

    // ---- hooks for the parts built on the window
    /// Every mouse release over a section grid (section, button 1 left / 2 right / 4 middle, the
    /// pointer's global position): where the context menu is built and popped up.
    void setOnGridMouseUp(SectionGridView::MouseUpHandler handler);
    /// Opens the "Configure Status Groups" dialog; called after the window took its lock. Until
    /// one is set the button takes the lock and opens nothing.
    void setConfigureDialogOpener(std::function<void()> opener) { configureDialogOpener_ = std::move(opener); }

    // ---- the widgets, for the component's hosts and tests
    SectionGridView* sectionView(int section) const { return views_.at(section); }
    SectionHeader* sectionHeader(int section) const { return headers_.at(section); }
    /// The strip plus grid of a section, as stacked in the container.
    QWidget* sectionPanel(int section) const { return panels_.at(section); }
    SectionGridView* maskedView() const { return maskedView_; }
    StatusGridModel* sectionModel(int section) const;
    StatusGridModel* maskedModel() const;
    QToolBar* mainToolBar() const { return mainToolBar_; }
    QToolBar* sectionToolBar() const { return sectionToolBar_; }
    // The main toolbar's buttons.
    QAction* overriddenButton() const { return overriddenButton_; }
    QAction* maskedButton() const { return maskedButton_; }
    /// "Status": the sections; its menu shows all sections or one.
    QAction* statusButton() const { return statusButton_; }
    QAction* configureButton() const { return configureButton_; }
    QAction* helpButton() const { return helpButton_; }
    QMenu* statusButtonMenu() const { return statusMenu_; }
    QToolButton* sectionButton() const { return sectionButton_; }
    /// The sections menu: "Status Group" (all sections), a separator, then one entry per section.
    QAction* allSectionsMenuItem() const { return allSectionsItem_; }
    QAction* sectionMenuSeparator() const { return sectionSeparator_; }
    /// The entry of a section (0-7); null for another number.
    QAction* sectionMenuItem(int section) const;
    QComboBox* groupBox() const { return groupBox_; }
    /// The stacked sections, one under the other.
    QWidget* container() const;
    /// Lies over the pages while a group loads, showing a greyed still of the rows in sight before.
    QLabel* cover() const { return cover_; }
    /// The overridden points list.
    SectionGridView* overriddenView() const { return overridden_; }
    /// The page showing now: the container, one section filling the window, the masked grid or
    /// the overridden grid.
    QWidget* currentPage() const;
    const IconList& icons() const { return icons_; }

    // ---- the attention list
    /// Above the sections: every abnormal point of the shown group (StatusWindow::attention()).
    AttentionPanel* attentionPanel() const { return attention_; }
    /// The band's switch of the attention list (Ctrl+Shift+L).
    QAction* attentionAction() const { return attentionToggle_; }
    /// Shows a grid row (from 1) of a section in its view, opening the section where needed, and
    /// opens its context menu when `openMenu`.
    void goToRow(int section, int row, bool openMenu);

    // ---- find, counts, recent changes, export, status bar
    QLineEdit* findBox() const { return findBox_; }
    QLabel* findMatchesLabel() const { return findMatches_; }
    /// The "Abnormal only" check: hides the normal rows of every section.
    QAction* abnormalOnlyAction() const { return abnormalOnly_; }
    /// The band's total over the sections shown: points, alarms, warnings.
    QLabel* totalsLabel() const { return totals_; }
    /// Rows in sight under the find text, in the sections the window shows.
    int findMatches() const;
    /// The counts of what the page in sight shows: the stacked sections with a header shown, the
    /// one section alone, the masked list or the overridden list. The band's total
    /// and the find matches are both these; the headers' counts add up to them.
    SectionCounts countsInSight() const;
    QToolButton* exportButton() const { return exportButton_; }
    QStatusBar* statusBar() const { return statusBar_; }
    QLabel* lastChangeLabel() const { return lastChange_; }
    /// What the operator must know about the window itself (the shown group was deleted).
    QLabel* noticeLabel() const { return notice_; }
    /// Text after the caption in the title, e.g. the workstation's name where one desk shows
    /// several windows; it stays when the caption changes.
    void setTitleSuffix(const QString& suffix);
    /// Whether the site database answers; null when the component runs without a site link.
    QLabel* linkLabel() const { return link_; }
    RecentChanges& recentChanges();
    /// Recounts the sections that changed, repaints fading highlights, updates the status bar
    /// (the window's timer calls it every kInsightIntervalMs).
    void updateInsight();
    /// Puts the selected rows of every section on the clipboard, tab-separated; returns the text.
    QString copySelectedRows();
    /// Writes the shown rows of a section (or kWholeWindow) as CSV to `path`; false (and the
    /// operator told) when the file cannot be written.
    bool exportCsv(int section, const QString& path);
    /// Asks where to save, then exportCsv.
    void exportCsvInteractive(int section);
    /// Chooses the file an export goes to (suggested name in, empty out to cancel); a save dialog
    /// until one is set.
    void setExportPathChooser(std::function<QString(const QString&)> chooser) { exportPathChooser_ = std::move(chooser); }
    QMenu* exportMenu() const { return exportMenu_; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolbars();
    void buildPages();
    void placeSectionViews();
    void updateToolbarState();
    /// Caps a stacked section's height at what its header strip and rows need.
    void fitPanel(int section);
    /// Shares the container's height out among the shown sections (shareSectionHeights).
    void distributeSections();
    void buildFindAndExport(QHBoxLayout* band);
    void filterChanged(const QString& text);
    /// Counts a section's painted rows again into its header.
    void recount(int section);
    /// Shows the band's total and the find matches, both from countsInSight().
    void showCounts();
    void showLink();

    StatusWindow& window_;
    IconList icons_;
    std::function<void()> configureDialogOpener_;
    std::function<QString(const QString&)> exportPathChooser_;
    QTimer insightTimer_;
    KeyPairing keys_;

    QWidget* band_ = nullptr;
    QToolBar* mainToolBar_ = nullptr;
    QToolBar* sectionToolBar_ = nullptr;
    QAction* overriddenButton_ = nullptr;
    QAction* maskedButton_ = nullptr;
    QAction* statusButton_ = nullptr;
    QAction* configureButton_ = nullptr;
    QAction* helpButton_ = nullptr;
    QMenu* statusMenu_ = nullptr;
    /// The Status menu's entry chosen last and the section it shows ("Expansion Inputs", 1).
    QString chosenStatusText_;
    int chosenStatusSection_ = -1;
    QToolButton* sectionButton_ = nullptr;
    QMenu* sectionMenu_ = nullptr;
    QAction* allSectionsItem_ = nullptr;
    QAction* sectionSeparator_ = nullptr;
    std::array<QAction*, kSectionCount> sectionItems_{};
    QLabel* groupBoxLabel_ = nullptr;
    QComboBox* groupBox_ = nullptr;
    QLineEdit* findBox_ = nullptr;
    QLabel* findMatches_ = nullptr;
    QAction* abnormalOnly_ = nullptr;
    QAction* attentionToggle_ = nullptr;
    AttentionPanel* attention_ = nullptr;
    QLabel* totals_ = nullptr;
    QToolButton* exportButton_ = nullptr;
    QMenu* exportMenu_ = nullptr;
    QMenu* exportSectionMenu_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* lastChange_ = nullptr;
    QLabel* notice_ = nullptr;
    QString caption_;
    QString titleSuffix_;
    QLabel* link_ = nullptr;
    QDateTime shownLastStateChange_;

    QStackedWidget* pages_ = nullptr;
    /// The sections stacked one under the other.
    QSplitter* sectionStack_ = nullptr;
    /// The operator moved a boundary between sections: their heights stay until the sections change.
    bool sectionsSizedByOperator_ = false;
    QWidget* singleHost_ = nullptr;
    QVBoxLayout* singleLayout_ = nullptr;
    SectionGridView* overridden_ = nullptr;
    QLabel* cover_ = nullptr;
    SectionGridView* maskedView_ = nullptr;
    std::array<QWidget*, kSectionCount> panels_{};
    std::array<SectionHeader*, kSectionCount> headers_{};
    std::array<SectionGridView*, kSectionCount> views_{};
    /// The section whose grid fills the window now; -1 while every grid sits in its panel.
    int singleSection_ = -1;
};

}  // namespace so
