// The status window ("Status Viewer") as Qt widgets, assembled from three: the band of toolbars
// (ToolbarBand: buttons, status-group box, find, triage, export, total), the attention list, the
// sections area (SectionsArea: the stacked sections, one section alone, the masked and overridden
// lists, the cover while a group loads) and the status bar (FrameStatusBar: the site database,
// a deleted group, progress, the last state change).
//
// Beyond the classic window: the find box narrowing every section to the rows whose name or
// address contains its text, and "Abnormal only" hiding the normal rows; per section header the
// points in sight, the alarms and the warnings, and their total on the band; a severity tint and
// marker per abnormal row; bold type, a bar and a tooltip of the last changes for a row whose state
// just changed; copy and CSV export of rows. None of them changes a cell or a row of the grids
// (only "Sort by Severity" reorders).
//
// Esc, F1 and F5 act when released, and only when their press reached this window too: the
// release of an Esc that closed a menu or a dialog is not the operator's Esc to the window.
//
// It holds no state of its own beyond widgets: StatusWindow keeps the window's state and calls
// the WindowView members below when something visible changed; the operator's clicks and keys go
// straight to StatusWindow's handlers. The window attaches itself to the state object on
// construction and detaches on destruction. Its parts are found by object name ("groupBox",
// "findBox", "gridDoors" ...; see ToolbarBand, SectionsArea and FrameStatusBar).
#pragma once

#include "ui/IconList.h"
#include "ui/SectionGridView.h"
#include "window/KeyPairing.h"
#include "window/WindowView.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

namespace so {

class AttentionPanel;
class FrameStatusBar;
class SectionsArea;
class StatusWindow;
class ToolbarBand;

class StatusFrame : public QWidget, public WindowView {
    Q_OBJECT
public:
    /// How often the header counts, the fading highlights and the status bar are brought up to date.
    static constexpr int kInsightIntervalMs = 400;
    /// The most of the window's height the attention list takes.
    static constexpr double kAttentionShare = 0.25;

    explicit StatusFrame(StatusWindow& window, QWidget* parent = nullptr);
    ~StatusFrame() override;

    StatusWindow& statusWindow() const { return window_; }
    const IconList& icons() const { return icons_; }

    // ---- WindowView
    void arrangeForm() override;
    void coverChanged(bool shown) override;
    void sectionsChanged() override;
    void groupBoxChanged() override;
    void captionChanged(const QString& caption) override;
    void focusGrid(Section section) override;
    void openConfigureDialog() override;
    void closeWindow() override;
    qint64 nativeHandle() const override;
    QRectF geometryTwips() const override;
    TextMetrics textMetrics() const override;
    void columnWidthsChanged(Section section) override;
    void listColumnWidthsChanged(SideList list) override;
    void progressChanged(const QString& text) override;
    void attentionChanged(bool newAlarm) override;

    // ---- hooks for the parts built on the window
    /// Every mouse release over a section grid (section, button 1 left / 2 right / 4 middle, the
    /// pointer's global position): where the context menu is built and popped up.
    void setOnGridMouseUp(const SectionGridView::MouseUpHandler& handler);
    /// Opens the "Configure Status Groups" dialog; called after the window took its lock. Until
    /// one is set the button takes the lock and opens nothing.
    void setConfigureDialogOpener(std::function<void()> opener) { configureDialogOpener_ = std::move(opener); }
    /// Chooses the file an export goes to (suggested name in, empty out to cancel); a save dialog
    /// until one is set.
    void setExportPathChooser(std::function<QString(const QString&)> chooser) {
        exportPathChooser_ = std::move(chooser);
    }

    // ---- the host's choices
    /// Text after the caption in the title, e.g. the workstation's name where one desk shows
    /// several windows; it stays when the caption changes.
    void setTitleSuffix(const QString& suffix);
    /// Shows only the rows in alarm or warning (the band's "Abnormal only").
    void setAbnormalOnly(bool on);

    /// Shows every count anew (showCounts), repaints fading highlights, updates the status bar
    /// (the window's timer calls it every kInsightIntervalMs).
    void updateInsight();
    /// Writes the shown rows of a section (or, with none, of every section with a header shown)
    /// as CSV to `path`; false (and the operator told) when the file cannot be written.
    bool exportCsv(std::optional<Section> section, const QString& path);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Every count shown (section headers, the band's total and find matches, the attention
    /// list's header, the title) from one moment, the attention list synced first.
    void showCounts();
    /// The same, the attention list having just been synced.
    void showSyncedCounts();
    /// The caption, the host's suffix and the alarms listed.
    void showTitle();
    /// Puts the selected rows of every section on the clipboard, tab-separated.
    void copySelectedRows();
    /// Asks where to save, then exportCsv.
    void exportCsvInteractive(std::optional<Section> section);

    StatusWindow& window_;
    IconList icons_;
    std::function<void()> configureDialogOpener_;
    std::function<QString(const QString&)> exportPathChooser_;
    QTimer insightTimer_;
    KeyPairing keys_;
    QString caption_;
    QString titleSuffix_;
    bool countingNow_ = false;  // showCounts() runs: the list's tick shows no counts of its own

    ToolbarBand* band_ = nullptr;
    AttentionPanel* attention_ = nullptr;
    SectionsArea* area_ = nullptr;
    FrameStatusBar* statusBar_ = nullptr;
};

}  // namespace so
