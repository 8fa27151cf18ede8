#include "window/StatusWindow.h"

#include <QCoreApplication>
#include <QDateTime>
#include <chrono>

#include "base/ErrorTrap.h"
#include "window/LayoutStore.h"
#include "base/Texts.h"
#include "domain/Permissions.h"
#include "status/StatusBoard.h"
#include "window/ColumnFit.h"
#include "grid/ColumnLayout.h"
#include "base/RecordFields.h"
#include "grid/Sections.h"

namespace so {
namespace {

QString windowCaption() { return QCoreApplication::translate("so::StatusWindow", "Status Viewer"); }
constexpr int kHelpContextWindow = 212;
constexpr int kHelpContextKey = 34;

/// Shows the busy pointer for the life of a scope.
class BusyPointer {
public:
    explicit BusyPointer(Dialogs& dialogs) : dialogs_(dialogs) { dialogs_.setBusy(true); }
    ~BusyPointer() { dialogs_.setBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Dialogs& dialogs_;
};

}  // namespace

StatusWindow::StatusWindow(ComponentContext& ctx, QObject* parent)
    : QObject(parent), ctx_(ctx), board_(std::make_unique<StatusBoard>(ctx)), overridden_(ctx, board_->sections()),
      caption_(windowCaption()), alarms_(ctx) {
    collapsed_.fill(true);
    board_->sections().masked().setVisible(false);
    for (Section section : kAllSections)
        board_->sections().grid(section).setVisible(false);

    refreshTimer_.setInterval(kTimerIntervalMs);
    resizeTimer_.setInterval(kTimerIntervalMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &StatusWindow::refreshTimerTick);
    connect(&resizeTimer_, &QTimer::timeout, this, &StatusWindow::resizeTimerTick);
    attention_ = std::make_unique<AttentionList>(board_->sections());
    attention_->setClock([this] { return timeOfDayMs(ctx_); });
    steadyClock_ = [started = std::chrono::steady_clock::now()] {
        return qint64(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count());
    };
    attentionTimer_.setInterval(kAttentionIntervalMs);
    connect(&attentionTimer_, &QTimer::timeout, this, &StatusWindow::attentionTick);
}

StatusWindow::~StatusWindow() = default;

void StatusWindow::attentionTick() {
    if (!attention_->isEnabled())
        return;
    const qint64 now = attention_->clockMs();
    AttentionList::SyncResult result = attention_->sync(now);
    for (const AttentionList::Shelved& back : attention_->returnDue(steadyClock_(), now, result))
        trap(ctx_, QStringLiteral("StatusWindow: alarm states"),
             [&] { alarms_.shelving(back.address, false, 0, now); });
    settleAlarms(result, now, false);
    if (result.changed && view_ != nullptr)
        view_->attentionChanged(result.newAlarm);
}

void StatusWindow::settleAlarms(AttentionList::SyncResult& result, qint64 nowMs, bool wait) {
    trap(ctx_, QStringLiteral("StatusWindow: alarm states"), [&] {
        alarms_.report(result, nowMs);
        if (wait)
            alarms_.wait(kAlarmAnswerWait);
        result.changed = alarms_.apply(*attention_, nowMs, steadyClock_()) || result.changed;
    });
    reportAlarmFailures();
}

void StatusWindow::reportAlarmFailures() {
    for (const std::exception_ptr& failure : alarms_.failures())
        trap(ctx_, QStringLiteral("StatusWindow: alarm states"), [&] { std::rethrow_exception(failure); });
}

void StatusWindow::setAttentionEnabled(bool on) {
    if (attention_->isEnabled() == on)
        return;
    attention_->setEnabled(on);
    if (on) {
        const qint64 now = attention_->clockMs();
        AttentionList::SyncResult result = attention_->addAllRows(now);
        settleAlarms(result, now, true);
    }
    if (view_ != nullptr)
        view_->attentionChanged(false);
}

bool StatusWindow::shelvePoint(const AttentionEntry& entry, int minutes) {
    if (minutes < kShelveMinMinutes || minutes > kShelveMaxMinutes || entry.address.isEmpty())
        return false;
    qint32 permission = kShelvePermission;
    if (!CheckOperatorPermission(ctx_, permission)) {
        ctx_.dialogs->message(
            QCoreApplication::translate("so::StatusWindow", "You do not have permission to shelve points."),
            QCoreApplication::translate("so::StatusWindow", "Shelve"), Dialogs::Icon::Information);
        return false;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    bool recorded = false;
    if (!trap(ctx_, QStringLiteral("FMain.ShelvePoint"),
              [&] { recorded = alarms_.shelving(entry.address, true, minutes, now); }))
        return false;
    // Handed on to the site's authority, the shelving comes back through shelvings() once recorded.
    if (!recorded)
        return true;
    // Who shelved it comes with the site's record of it, at the next tick.
    const qint64 forMs = qint64(minutes) * 60 * 1000;
    attention_->shelve({entry.address, steadyClock_() + forMs, now + forMs, {}});
    if (view_ != nullptr)
        view_->attentionChanged(false);
    return true;
}

int StatusWindow::acknowledgeAlarms(const std::vector<AttentionEntry>& entries, const QString& comment) {
    std::vector<AlarmOccurrence> alarms;
    for (const AttentionEntry& e : entries)
        if (e.awaitsAcknowledgement())
            alarms.push_back({e.section, e.key, e.address, e.sinceMs});
    if (alarms.empty())
        return 0;
    qint32 permission = kAcknowledgePermission;
    if (!CheckOperatorPermission(ctx_, permission)) {
        ctx_.dialogs->message(
            QCoreApplication::translate("so::StatusWindow", "You do not have permission to acknowledge alarms."),
            QCoreApplication::translate("so::StatusWindow", "Acknowledge"), Dialogs::Icon::Information);
        return 0;
    }
    const std::vector<AlarmAcknowledgement> recorded =
        trapOr(ctx_, QStringLiteral("FMain.AcknowledgeAlarms"), std::vector<AlarmAcknowledgement>(),
               [&] { return alarms_.acknowledge(alarms, comment.left(255), QDateTime::currentMSecsSinceEpoch()); });
    for (const AlarmAcknowledgement& ack : recorded)
        attention_->acknowledge(ack.address, ack.raisedMs, ack.by, ack.atMs);
    if (!recorded.empty() && view_ != nullptr)
        view_->attentionChanged(false);
    return int(recorded.size());
}

// ---------------------------------------------------------------- view notifications

void StatusWindow::notifySections() {
    for (Section section : kAllSections)
        board_->sections().grid(section).setVisible(isSectionGridVisible(section));
    board_->sections().masked().setVisible(viewMode_ == ViewMode::Masked);
    if (view_ != nullptr)
        view_->sectionsChanged();
}

void StatusWindow::notifyGroupBox() {
    if (view_ != nullptr)
        view_->groupBoxChanged();
}

void StatusWindow::arrange() {
    if (view_ != nullptr)
        view_->arrangeForm();
}

int StatusWindow::shownRowCount() const {
    int rows = 0;
    for (int section = 0; section < kSectionCount; ++section)
        rows += board_->sections().grid(section).rowCount();
    return rows;
}

void StatusWindow::showProgress(const QString& text) {
    if (view_ != nullptr)
        view_->progressChanged(text);
}

void StatusWindow::sizeDefaultColumns() {
    const TextMetrics metrics = view_ != nullptr ? view_->textMetrics() : TextMetrics{};
    for (Section section : kAllSections) {
        const int index = sectionIndex(section);
        fitPending_[size_t(index)] = layoutMeansDefaults(section, ctx_.layout.columnHeaderPos[index]);
        if (fitPending_[size_t(index)])
            scaleDefaultWidths(board_->sections().grid(section), metrics);
        if (view_ != nullptr)
            view_->columnWidthsChanged(section);
    }
    scaleDefaultWidths(board_->sections().masked(), metrics);
    if (view_ != nullptr)
        view_->listColumnWidthsChanged(WindowView::SideList::Masked);
}

void StatusWindow::fitFilledSections() {
    if (view_ == nullptr)
        return;
    const TextMetrics metrics = view_->textMetrics();
    for (Section section : kAllSections) {
        if (fitPending_[size_t(sectionIndex(section))] && fitContentWidths(board_->sections().grid(section), metrics))
            view_->columnWidthsChanged(section);
    }
}

void StatusWindow::setCover(bool shown) {
    coverShown_ = shown;
    if (view_ != nullptr)
        view_->coverChanged(shown);
}

// ---------------------------------------------------------------- section state

bool StatusWindow::isSectionGridVisible(Section section) const {
    if (viewMode_ != ViewMode::Sections)
        return false;
    if (soloSection_)
        return *soloSection_ == section;
    return isHeaderShown(section) && !isCollapsed(section);
}

bool StatusWindow::modulesItemVisible() const { return ctx_.rk8SupportEnabled; }

namespace {

const char* const kSectionNames[kSectionCount] = {
    QT_TRANSLATE_NOOP("so::StatusWindow", "Doors"),       QT_TRANSLATE_NOOP("so::StatusWindow", "Inputs"),
    QT_TRANSLATE_NOOP("so::StatusWindow", "Relays"),      QT_TRANSLATE_NOOP("so::StatusWindow", "Readers"),
    QT_TRANSLATE_NOOP("so::StatusWindow", "Controllers"), QT_TRANSLATE_NOOP("so::StatusWindow", "Pylons"),
    QT_TRANSLATE_NOOP("so::StatusWindow", "Ports"),       QT_TRANSLATE_NOOP("so::StatusWindow", "Modules")};

}  // namespace

QString StatusWindow::sectionName(Section section) { return QString::fromLatin1(kSectionNames[sectionIndex(section)]); }

QString StatusWindow::sectionCaption(Section section) {
    return QCoreApplication::translate("so::StatusWindow", kSectionNames[sectionIndex(section)]);
}

QString StatusWindow::allSectionsText() { return QCoreApplication::translate("so::StatusWindow", "Status Group"); }

// ---------------------------------------------------------------- status-group box

void StatusWindow::appendGroupEntry(const QString& text, qint32 itemData) {
    groupEntries_.append({text, itemData});
    notifyGroupBox();
}

void StatusWindow::removeGroupEntry(int index) {
    if (index < 0 || index >= groupEntries_.size())
        return;
    // Removing the selected entry leaves none selected; the entries after it move up. The shown
    // group's rows stay, marked as those of a deleted group.
    if (index == selectedGroupIndex_ && groupEntries_[index].itemData == currentGroup_ && currentGroup_ != 0)
        deletedGroupName_ = groupEntries_[index].text;
    groupEntries_.remove(index);
    if (index == selectedGroupIndex_)
        selectedGroupIndex_ = -1;
    else if (index < selectedGroupIndex_)
        --selectedGroupIndex_;
    notifyGroupBox();
}

void StatusWindow::setGroupEntryText(int index, const QString& text) {
    if (index < 0 || index >= groupEntries_.size())
        return;
    groupEntries_[index].text = text;
    notifyGroupBox();
}

int StatusWindow::findGroupEntry(qint32 itemData) const {
    for (int i = 0; i < groupEntries_.size(); ++i)
        if (groupEntries_[i].itemData == itemData)
            return i;
    return -1;
}

void StatusWindow::selectGroupEntry(int index) {
    selectedGroupIndex_ = index >= 0 && index < groupEntries_.size() ? index : -1;
    deletedGroupName_.clear();
    notifyGroupBox();
    reloadSelectedGroup();
}

QVector<GroupEntry> visibleStatusGroups(ComponentContext& ctx) {
    QVector<GroupEntry> groups;
    db::Recordset rs =
        ctx.db().query(QStringLiteral("[KSP_Roles_Fetch_StatusGroups] 1, ") + QString::number(ctx.site().UserId()));
    for (; !rs.eof(); rs.moveNext())
        groups.append({rs.field(1).isNull() ? QString() : rs.field(1).toString(),
                       qint32(fields::toNumber(rs.field(0), QStringLiteral("GroupID")))});
    rs.close();
    return groups;
}

void StatusWindow::loadGroupBox() {
    trap(ctx_, QStringLiteral("FMain.InitGroupCombo"), [&] {
        groupEntries_.clear();
        selectedGroupIndex_ = -1;
        groupEntries_.append({GRS(ctx_, res::GroupBoxFirstEntry), 0});
        groupEntries_ += visibleStatusGroups(ctx_);
    });
    notifyGroupBox();
}

void StatusWindow::selectProfileDefaultGroup() {
    db::Recordset rs = ctx_.db().query(QStringLiteral("Select StatusGroupID From Profiles Where ProfileID = ") +
                                       QString::number(ctx_.currentProfileID));
    const std::optional<qint32> groupId =
        rs.eof() ? std::nullopt : std::optional<qint32>(qint32(fields::number(rs, QStringLiteral("StatusGroupID"))));
    rs.close();
    if (!groupId)
        return;
    const int index = findGroupEntry(*groupId);
    if (index >= 0)
        selectGroupEntry(index);
}

void StatusWindow::switchUser() {
    trap(ctx_, QStringLiteral("FMain.OnUserSwitch"), [&] {
        loadGroupBox();
        selectProfileDefaultGroup();
    });
}

void StatusWindow::reloadSelectedGroup() {
    // The old group's entries go; the new group's abnormal rows are listed once they are in.
    attention_->pause();
    trap(ctx_, QStringLiteral("FMain.cmbStatusGroup_Click"), [&] {
        // A large group takes a moment: the pointer and the status bar say so until it shows.
        BusyPointer busy(*ctx_.dialogs);
        StatusDecoder::KeptThreatNames names(board_->decoder());
        setCover(true);
        const bool selected = selectedGroupIndex_ >= 0 && selectedGroupIndex_ < groupEntries_.size();
        Filler::KindRecords fillRecords;
        fillRecords_ = &fillRecords;
        struct Forget {
            Filler::KindRecords*& records;
            ~Forget() { records = nullptr; }
        } forget{fillRecords_};
        FillPoints(selected ? groupEntries_[selectedGroupIndex_].itemData : 0);
        // The filled rows carry configuration only: their stored states follow at once, so the
        // operator never reads an empty state column of a point the site has reported on. The
        // newer-line rows are renewed from the records the fill has just read.
        if (currentGroup_ > 0) {
            showProgress(QCoreApplication::translate("so::StatusWindow", "Reading the states of %Ln point(s)...",
                                                     nullptr, shownRowCount()));
            board_->fullRefresh().run(currentGroup_, &fillRecords);
        }
        fitFilledSections();
        // The sections the group uses open, the others stay closed.
        for (int section = 0; section < kSectionCount; ++section)
            collapsed_[section] = !sectionUsed_[section];
        showAllSections();
        setCover(false);
        caption_ = windowCaption();
        if (view_ != nullptr)
            view_->captionChanged(caption_);
    });
    const qint64 now = attention_->clockMs();
    AttentionList::SyncResult loaded = attention_->resume(now);
    settleAlarms(loaded, now, true);
    trap(ctx_, QStringLiteral("StatusWindow: alarm journal"), [&] { alarms_.purgeJournal(kAlarmJournalDays, now); });
    if (view_ != nullptr)
        view_->attentionChanged(false);  // a group's alarms at load are not news
    showProgress(QString());             // also after a failure part-way
}

// ---------------------------------------------------------------- filling

// The group box never offers the workstation's own points (group -1, read through the
// KSP_Fetch_Status_* procedures by computer name), so that path is not built: -1 fills nothing.
void StatusWindow::FillPoints(qint32 groupId) {
    trap(ctx_, QStringLiteral("FMain.FillPoints"), [&] {
        for (int section = 0; section < kSectionCount; ++section) {
            board_->sections().grid(section).clear();
            headerShown_[section] = false;
            collapsed_[section] = true;
            sectionUsed_[section] = false;
        }
        notifySections();
        currentGroup_ = groupId;

        // The kinds come in the order the database returns them; kinds sharing a section follow
        // each other in that order.
        QVector<int> kinds;
        db::Recordset rs = ctx_.db().query(
            QStringLiteral("Select Distinct ObjectID from Status_Points Where GroupID = ") + QString::number(groupId));
        for (; !rs.eof(); rs.moveNext())
            kinds.append(int(fields::number(rs, QStringLiteral("ObjectID"))));
        rs.close();
        const int entry = findGroupEntry(groupId);
        const QString name = entry >= 0 ? groupEntries_[entry].text : QString();
        showProgress(QCoreApplication::translate("so::StatusWindow", "Loading %1...").arg(name));
        for (const int objectId : kinds) {
            FillPointsInGroup(objectId, groupId);
            showProgress(
                QCoreApplication::translate("so::StatusWindow", "Loading %1: %Ln point(s)", nullptr, shownRowCount())
                    .arg(name));
        }
        for (int section = 0; section < kSectionCount; ++section)
            board_->sections().grid(section).placeRowsByAddress();
    });
}

void StatusWindow::FillPointsInGroup(int objectId, qint32 groupId) {
    trap(ctx_, QStringLiteral("FMain.FillPointsInGroup"), [&] {
        const Filler::Kind* kind = Filler::kindFor(objectId);
        if (kind == nullptr)
            return;
        sectionUsed_[sectionIndex(kind->section)] = true;
        board_->filler().appendRows(*kind, groupId, fillRecords_);
        headerShown_[sectionIndex(kind->section)] = true;
        notifySections();
    });
}

void StatusWindow::RefreshAllRows() {
    board_->fullRefresh().run(currentGroup_);
    if (viewMode_ == ViewMode::Overridden)
        overridden_.fill();
}

// ---------------------------------------------------------------- timers

void StatusWindow::RefreshStatus() {
    board_->quietPeriod().ticks = 0;
    refreshTimer_.start();
}

void StatusWindow::ReShow() { resizeTimer_.start(); }

void StatusWindow::refreshTimerTick() {
    trap(ctx_, QStringLiteral("FMain.tRefreshStatus_Timer"), [&] {
        int& quietTicks = board_->quietPeriod().ticks;
        ++quietTicks;
        if (quietTicks < kQuietTicksBeforeRefresh)
            return;
        // The host stopped reporting for 25 ticks: one full refresh, then the timer rests.
        quietTicks = 0;
        refreshTimer_.stop();
        RefreshAllRows();
    });
}

void StatusWindow::resizeTimerTick() {
    trap(ctx_, QStringLiteral("FMain.tDirty_Timer"), [&] {
        // The counter is not reset when the timer is switched on: the first resize runs on the
        // sixth tick, every later one on the fifth.
        if (resizeCounter_ == kDirtyTicksBeforeResize) {
            resizeTimer_.stop();
            resizeCounter_ = 0;
            relayout();
        }
        ++resizeCounter_;
    });
}

// ---------------------------------------------------------------- window lifecycle

void StatusWindow::load() {
    trap(ctx_, QStringLiteral("FMain.Form_Load"), [&] {
        loaded_ = true;
        // The "Modules" menu item follows the host's newer-hardware support (modulesItemVisible).
        notifySections();
        InitForm();
        resizeTimer_.start();
        attentionTimer_.start();
    });
}

void StatusWindow::InitForm() {
    trap(ctx_, QStringLiteral("Status: InitForm"), [&] {
        board_->sections().InitColumnHeaders(ctx_.layout.columnHeaderPos,
                                             [this] { board_->maskedPoints().FillMaskedGrid(); });
        sizeDefaultColumns();
        loadGroupBox();
        selectProfileDefaultGroup();
        arrange();
    });
}

void StatusWindow::activate() {
    trap(ctx_, QStringLiteral("FMain.Form_Activate"),
         [&] { ctx_.host().CallBack(QStringLiteral("HELP"), kHelpContextWindow, 0); });
}

void StatusWindow::relayout() { arrange(); }

void StatusWindow::unload() {
    refreshTimer_.stop();
    resizeTimer_.stop();
    attentionTimer_.stop();
    loaded_ = false;
    trap(ctx_, QStringLiteral("FMain.Form_Unload"), [&] {
        // A component given no console saves its layout and tells nobody.
        const bool hasHost = ctx_.parent != nullptr;
        if (hasHost)
            ctx_.host().Connected();
        // A layout that did not load is stored again as it was, not as the defaults shown instead.
        for (int section = 0; section < kSectionCount; ++section)
            if (board_->sections().layoutLoaded(Section(section)))
                ctx_.layout.columnHeaderPos[section] = board_->sections().layoutText(Section(section));
        // The operator hears of a failed save before the window goes: the layout is kept for next time.
        if (!SavePersistence(ctx_, view_ != nullptr ? view_->geometryTwips() : loadedGeometryTwips(ctx_.layout)) &&
            ctx_.dialogs != nullptr)
            ctx_.dialogs->message(QCoreApplication::translate("so::StatusWindow",
                                                              "The window's column layout and size could not be saved. "
                                                              "They are kept and saved again when the status window "
                                                              "closes next time."),
                                  ctx_.errorLog.componentFileName(), Dialogs::Icon::Warning);
        if (hasHost)
            ctx_.host().CallBack(QStringLiteral("STATUS"), 0, QStringLiteral("Unload"));
    });
}

void StatusWindow::showKeyHelp() {
    trap(ctx_, QStringLiteral("FMain.Form_KeyUp"), [&] { ctx_.site().ShowHelp(kHelpContextKey); });
}

void StatusWindow::closeByOperator() {
    trap(ctx_, QStringLiteral("FMain.Form_KeyUp"), [&] {
        unload();
        if (view_ != nullptr)
            view_->closeWindow();
        emit unloaded();
    });
}

// ---------------------------------------------------------------- toolbars and headers

void StatusWindow::showAllSections() { setSoloSection(std::nullopt); }

void StatusWindow::showOnlySection(Section section) { setSoloSection(section); }

void StatusWindow::setSoloSection(std::optional<Section> section) {
    trap(ctx_, QStringLiteral("FMain.tbrSG_ButtonMenuClick"), [&] {
        soloSection_ = section;
        // Choosing in the sections menu shows the sections again when the masked list was shown.
        viewMode_ = ViewMode::Sections;
        notifySections();
        arrange();
    });
}

void StatusWindow::showView(ViewMode mode) {
    trap(ctx_, QStringLiteral("FMain.tbrMain_ButtonClick"), [&] {
        viewMode_ = mode;
        // The overridden list is read when it shows: what is overridden now.
        if (mode == ViewMode::Overridden) {
            overridden_.fill();
            if (view_ != nullptr && fitContentWidths(overridden_.grid(), view_->textMetrics()))
                view_->listColumnWidthsChanged(WindowView::SideList::Overridden);
        }
        // The masked list widens its names and addresses to the longest of them when it shows.
        if (mode == ViewMode::Masked && view_ != nullptr &&
            fitContentWidths(board_->sections().masked(), view_->textMetrics()))
            view_->listColumnWidthsChanged(WindowView::SideList::Masked);
        notifySections();
        arrange();
    });
}

void StatusWindow::showOverridden() { showView(ViewMode::Overridden); }
void StatusWindow::showMasked() { showView(ViewMode::Masked); }
void StatusWindow::showSections() { showView(ViewMode::Sections); }

void StatusWindow::configureGroups() {
    trap(ctx_, QStringLiteral("FMain.tbrMain_ButtonClick"), [&] {
        if (LockComponentA(ctx_, kConfigureLockKind, 0, true, QString()) && view_ != nullptr)
            view_->openConfigureDialog();
        arrange();
    });
}

void StatusWindow::showHelp() {
    trap(ctx_, QStringLiteral("FMain.tbrMain_ButtonClick"), [&] {
        ctx_.site().ShowHelp(kHelpContextWindow);
        arrange();
    });
}

void StatusWindow::toggleSection(Section section) {
    trap(ctx_, QStringLiteral("FMain.imgPlusMinus_Click"), [&] {
        bool& collapsed = collapsed_[size_t(sectionIndex(section))];
        collapsed = !collapsed;
        notifySections();
        arrange();
    });
}

// ---------------------------------------------------------------- grid interaction

void StatusWindow::sortByColumn(Section section, int column) {
    trap(ctx_, QStringLiteral("Status: vGrid_ColumnClick"), [&] {
        StatusGrid& grid = board_->sections().grid(section);
        GridColumn& clicked = grid.column(column);
        // Each column alternates on its own: ascending, descending, ascending ...
        const bool ascending = clicked.tag.isEmpty();
        clicked.tag = ascending ? QStringLiteral("DESC") : QString();
        const StatusGrid::SortOrder order = ascending ? StatusGrid::Ascending : StatusGrid::Descending;
        BusyPointer busy(*ctx_.dialogs);
        if (clicked.key == col::LastUpdated)
            grid.sortByUpdated(order);
        else
            grid.sort(column, order);
    });
}

void StatusWindow::setCurrentCell(Section section, int row, int column) {
    trap(ctx_, QStringLiteral("FMain.vGrid_CellClick"), [&] {
        currentSection_ = section;
        currentRow_ = row;
        currentColumn_ = column;
    });
}

void StatusWindow::gridPressed(Section section, int button) {
    trap(ctx_, QStringLiteral("FMain: vGrid_MouseDown"), [&] {
        if (view_ != nullptr)
            view_->focusGrid(section);
        if (button == 2)
            contextMenuArmed_ = true;
    });
}

void StatusWindow::columnsChangedByOperator(std::optional<Section> section) {
    // The operator's own widths and order from now on: no fill widens this section's columns.
    if (section)
        fitPending_[size_t(sectionIndex(*section))] = false;
    arrange();
    resizeTimer_.start();
}

}  // namespace so
