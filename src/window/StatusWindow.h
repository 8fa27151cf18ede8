// The status window's state without widgets (StatusFrame draws it).
//
// It owns the rows through a StatusBoard (the eight section grids, the masked-points grid and
// every part that writes them), and the status-group box entries, the current group and cell, the
// section and view state, the two counters, the two 10 ms timers and the attention list's 100 ms
// one. Every window procedure that other parts of the component call lives here and works
// headless; the Qt frame (WindowView) only renders this state and forwards the operator's clicks
// and keys to the handlers below.
#pragma once

#include "domain/Section.h"
#include "status/Filler.h"
#include "status/RecentChanges.h"
#include "window/AlarmBridge.h"
#include "window/AttentionList.h"
#include "window/OverriddenPoints.h"
#include "window/WindowView.h"

#include <QObject>
#include <QRectF>
#include <QString>
#include <QTimer>
#include <QVector>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace so {

struct ComponentContext;
class MaskedPoints;
class Sections;
class StatusBoard;
class StatusDecoder;
class StatusGrid;

/// One entry of the status-group box: the group's name and its identifier (item data).
struct GroupEntry {
    QString text;
    qint32 itemData = 0;
};

/// The stored groups the signed-in operator may see (permission 14 on their site), as the site
/// lists them. The status-group box offers exactly these; so does the group configuration.
QVector<GroupEntry> visibleStatusGroups(ComponentContext& ctx);

class StatusWindow : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimerIntervalMs = 10;
    static constexpr int kQuietTicksBeforeRefresh = 25;
    static constexpr int kDirtyTicksBeforeResize = 5;

    /// The component lock the status group configuration takes.
    static constexpr qint32 kConfigureLockKind = 37;

    enum class ViewMode { Sections, Masked, Overridden };

    explicit StatusWindow(ComponentContext& ctx, QObject* parent = nullptr);
    ~StatusWindow() override;

    ComponentContext& context() { return ctx_; }

    // ---- the view (null while headless)
    void setView(WindowView* view) { view_ = view; }
    WindowView* view() const { return view_; }

    // ---- the rows and what writes them (the sections, the masked list, the decoder, the database
    // refresh, the quiet period and the recent changes are the board's)
    StatusBoard& board() { return *board_; }
    const StatusBoard& board() const { return *board_; }
    /// The overridden points list (OverriddenPoints), filled whenever its view is chosen.
    StatusGrid& gridOverridden() { return overridden_.grid(); }
    OverriddenPoints& overriddenPoints() { return overridden_; }
    /// Rows of all eight sections.
    int shownRowCount() const;

    // ---- status-group box
    const QVector<GroupEntry>& groupEntries() const { return groupEntries_; }
    /// -1 when no entry is selected.
    int selectedGroupIndex() const { return selectedGroupIndex_; }
    /// Selects an entry and reloads its group (the operator choosing it in the box).
    void selectGroupEntry(int index);
    /// Entry edits by other workstations' notifications (no reload).
    void appendGroupEntry(const QString& text, qint32 itemData);
    void removeGroupEntry(int index);
    void setGroupEntryText(int index, const QString& text);
    /// First entry with that item data, -1 when none.
    int findGroupEntry(qint32 itemData) const;

    /// The group shown (0 when none).
    qint32 currentGroup() const { return currentGroup_; }
    /// Name of the shown group once another workstation deleted it: its rows stay in sight, no
    /// longer a group's, until the operator chooses another. Empty otherwise.
    QString deletedGroupName() const { return deletedGroupName_; }

    // ---- current cell and context-menu flag
    Section currentSection() const { return currentSection_; }
    int currentRow() const { return currentRow_; }
    int currentColumn() const { return currentColumn_; }
    bool contextMenuArmed() const { return contextMenuArmed_; }
    void setContextMenuArmed(bool on) { contextMenuArmed_ = on; }

    // ---- sections and views
    bool isCollapsed(Section section) const { return collapsed_[size_t(sectionIndex(section))]; }
    /// The section's header strip is shown (its kind was filled for the current group).
    bool isHeaderShown(Section section) const { return headerShown_[size_t(sectionIndex(section))]; }
    /// The current group fills the section: its entry in the sections menu is enabled.
    bool isSectionUsed(Section section) const { return sectionUsed_[size_t(sectionIndex(section))]; }
    /// The section filling the window on its own; none while all sections show.
    std::optional<Section> soloSection() const { return soloSection_; }
    /// A section's name in English ("Doors" ... "Modules"): the widgets' object names, file names and
    /// what StatusReader hands out.
    static QString sectionName(Section section);
    /// The section's name as the operator reads it, in the window's language.
    static QString sectionCaption(Section section);
    /// The sections menu's entry that shows all sections.
    static QString allSectionsText();
    /// The sections button's caption: the name of the section shown alone, or allSectionsText().
    QString sectionButtonCaption() const { return soloSection_ ? sectionCaption(*soloSection_) : allSectionsText(); }
    /// The section grid is visible: header shown, expanded, and chosen.
    bool isSectionGridVisible(Section section) const;
    bool modulesItemVisible() const;
    ViewMode viewMode() const { return viewMode_; }
    QString caption() const { return caption_; }
    bool coverShown() const { return coverShown_; }
    bool isLoaded() const { return loaded_; }

    // ---- the attention list (every abnormal point of the shown group)
    static constexpr int kAttentionIntervalMs = 100;
    AttentionList& attention() { return *attention_; }
    /// The list's timer: applies the queued row changes and tells the view what changed.
    QTimer& attentionTimer() { return attentionTimer_; }
    void attentionTick();
    /// Switches the list on (filled from the rows as they read now) or off (emptied).
    void setAttentionEnabled(bool on);
    /// Who keeps the site's alarm states (the site database unless a host hands another).
    void setAlarmAuthority(std::unique_ptr<AlarmAuthority> authority) { alarms_.setAuthority(std::move(authority)); }
    /// Between the list and the site's alarm states (their writes run off this thread).
    AlarmBridge& alarmBridge() { return alarms_; }
    /// Acknowledges the alarms of these entries as the signed-in operator, who needs operator
    /// permission kAcknowledgePermission (told otherwise); entries that are no unacknowledged
    /// alarm are passed over. Returns how many the site recorded now.
    int acknowledgeAlarms(const std::vector<AttentionEntry>& entries, const QString& comment);
    /// How long a point may be shelved, in minutes.
    static constexpr int kShelveMinMinutes = ::so::kShelveMinMinutes;
    static constexpr int kShelveMaxMinutes = ::so::kShelveMaxMinutes;
    /// The days the alarm journal keeps (older steps are deleted when a group loads).
    static constexpr int kAlarmJournalDays = 90;
    /// How long a load waits for the site's alarm states before it shows the list (what comes
    /// later is applied at the next tick): the site locked by another connection keeps the alarm
    /// writer waiting far longer, and the window must not wait with it.
    static constexpr std::chrono::milliseconds kAlarmAnswerWait{1000};
    /// Shelves a point for `minutes` (kShelveMinMinutes to kShelveMaxMinutes) as the signed-in
    /// operator, who needs operator permission kShelvePermission (told otherwise); it returns by
    /// itself, timed on the steady clock. False when refused. An authority that hands the step on
    /// shows it once it comes back recorded.
    bool shelvePoint(const AttentionEntry& entry, int minutes);
    /// The steady clock the shelving is timed on (milliseconds; tests hand their own).
    void setSteadyClock(std::function<qint64()> clock) { steadyClock_ = std::move(clock); }

    // ---- counters and timers
    int resizeCounter() const { return resizeCounter_; }
    /// The quiet-period timer: a full refresh once the host stopped reporting for a while.
    QTimer& refreshTimer() { return refreshTimer_; }
    /// The resize timer: the sections are laid out again a few ticks after the last resize.
    QTimer& resizeTimer() { return resizeTimer_; }
    void refreshTimerTick();
    void resizeTimerTick();
    /// The host's RefreshStatus: counter to 0, refresh timer on.
    void RefreshStatus();
    /// The host's ReShow: resize timer on.
    void ReShow();

    // ---- window lifecycle
    void load();
    void InitForm();
    /// The window became the active one: the host shows the window's help context.
    void activate();
    /// Lays the sections out again.
    void relayout();
    /// Saves the column layouts (SavePersistence), stops the timers and tells the host.
    void unload();
    /// The operator closes the window (Esc, the title bar): unloads like ShutDown without telling
    /// the host the component is gone, closes the view and emits unloaded().
    void closeByOperator();
    /// The help of the window's keys (F1).
    void showKeyHelp();

    // ---- status groups
    /// Fills the group box: the no-group entry, then the groups the operator may see.
    void loadGroupBox();
    /// Another operator signed in: the group box anew, then that operator's default group.
    void switchUser();
    /// Shows the group of the selected box entry (none when no entry is selected).
    void reloadSelectedGroup();

    // ---- filling and refreshing
    void FillPoints(qint32 groupId = 0);
    void FillPointsInGroup(int objectId, qint32 groupId);
    /// The full refresh (classic menu entry 6; F5; the quiet-period timer).
    void RefreshAllRows();

    // ---- toolbars and section headers
    /// Every section with rows, stacked (also back from the masked list or the placeholder).
    void showAllSections();
    /// One section filling the window.
    void showOnlySection(Section section);
    void showOverridden();
    void showMasked();
    void showSections();
    /// Takes the configuration lock, then has the view open the "Configure Status Groups" dialog.
    void configureGroups();
    /// The window's help.
    void showHelp();
    /// Opens a collapsed section, collapses an open one.
    void toggleSection(Section section);

    // ---- grid interaction
    /// Sorts a section by a column (from 0): ascending, then descending on the next click.
    void sortByColumn(Section section, int column);
    /// Records the current cell (row and column from 1).
    void setCurrentCell(Section section, int row, int column);
    /// A mouse button went down over a section grid (button 2 is the right button, which arms
    /// the context menu).
    void gridPressed(Section section, int button);
    /// The operator moved or resized a column of a section grid, or of the masked or overridden
    /// list (no section).
    void columnsChangedByOperator(std::optional<Section> section);

signals:
    /// The window unloaded itself (Esc): the component must treat it as closed.
    void unloaded();

private:
    void selectProfileDefaultGroup();
    void setCover(bool shown);
    /// Brings the grids' visible flags in line with the section and view state and tells the view.
    void notifySections();
    void notifyGroupBox();
    void arrange();
    /// Switches the view mode (a toolbar button), under that button's report name.
    void showView(ViewMode mode);
    /// One section alone, or none for all; back to the sections view.
    void setSoloSection(std::optional<Section> section);
    /// Scales the default columns' widths to the view's font; marks those sections for fitting.
    void sizeDefaultColumns();
    /// Widens the columns of filled sections that still show the component's own widths.
    void fitFilledSections();
    void showProgress(const QString& text);
    /// Tells the site what the list saw and applies what it has answered; `wait`ing for the answer
    /// to this (a load, the list switched on) or not (a tick: the answer comes at the next one).
    void settleAlarms(AttentionList::SyncResult& result, qint64 nowMs, bool wait);
    /// Reports the failures of the site's alarm work under the trap.
    void reportAlarmFailures();

    ComponentContext& ctx_;
    WindowView* view_ = nullptr;
    std::unique_ptr<StatusBoard> board_;
    OverriddenPoints overridden_;
    /// While a group loads: the newer-line records its fill read, for the refresh that follows.
    Filler::KindRecords* fillRecords_ = nullptr;

    QVector<GroupEntry> groupEntries_;
    int selectedGroupIndex_ = -1;
    qint32 currentGroup_ = 0;
    QString deletedGroupName_;

    Section currentSection_ = Section::Doors;
    int currentRow_ = 0;
    int currentColumn_ = 0;
    bool contextMenuArmed_ = false;

    std::array<bool, kSectionCount> collapsed_{};
    std::array<bool, kSectionCount> headerShown_{};
    std::array<bool, kSectionCount> sectionUsed_{};
    /// The section shows its default columns and the operator has not moved or resized one:
    /// each fill widens them to its rows.
    std::array<bool, kSectionCount> fitPending_{};
    std::optional<Section> soloSection_;
    ViewMode viewMode_ = ViewMode::Sections;
    QString caption_;
    bool coverShown_ = false;
    bool loaded_ = false;

    int resizeCounter_ = 0;
    QTimer refreshTimer_;
    QTimer resizeTimer_;
    std::unique_ptr<AttentionList> attention_;
    AlarmBridge alarms_;
    std::function<qint64()> steadyClock_;
    QTimer attentionTimer_;
};

}  // namespace so
