// The read interface of a Status for hosts that draw it elsewhere (statusobject/StatusReader.h).
// It reads the window's state object: the section grids, the severity table, the recent changes,
// the attention list, and builds and runs row menus through the window's own ContextMenus, so a
// web page sees and may do exactly what the desktop window shows and offers.
#include <statusobject/StatusReader.h>

#include "base/ErrorTrap.h"
#include "commands/ContextMenus.h"
#include "domain/Permissions.h"
#include "component/StatusInternals.h"
#include "grid/ColumnLayout.h"
#include "grid/RowFilter.h"
#include "grid/Sections.h"
#include "grid/SortedRows.h"
#include "grid/StatusGrid.h"
#include "status/StatusBoard.h"
#include "ui/StatusGridModel.h"
#include "window/AlarmJournal.h"
#include "window/AttentionList.h"
#include "window/Severity.h"
#include "window/StatusWindow.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <list>

namespace so {
namespace {

StatusReader::Severity publicSeverity(Severity severity) {
    switch (severity) {
    case Severity::Alarm: return StatusReader::Severity::Alarm;
    case Severity::Warning: return StatusReader::Severity::Warning;
    case Severity::Normal: break;
    }
    return StatusReader::Severity::Normal;
}

/// The menu arrays whose entries a host without windows can run: the device commands, the
/// newer-line code-tamper clear and the refreshes. Properties entries open host windows.
bool runsWithoutWindows(MenuArray array, int index) {
    switch (array) {
    case MenuArray::MainArray: return index != entry::Properties;
    case MenuArray::ZR2List: return index != entry::ZR2Properties && index != entry::ZR2ComponentProperties;
    case MenuArray::CompProps: return false;
    default: return true;
    }
}

QString menuId(MenuArray array, int index) { return QStringLiteral("%1.%2").arg(int(array)).arg(index); }

/// The menu entry an id names; false for an id of no entry.
bool parseMenuId(const QString& id, MenuArray& array, int& index) {
    const QStringList parts = id.split(QLatin1Char('.'));
    if (parts.size() != 2)
        return false;
    bool okArray = false, okIndex = false;
    const int a = parts[0].toInt(&okArray);
    index = parts[1].toInt(&okIndex);
    if (!okArray || !okIndex || a < 0 || a >= kMenuArrayCount || index < 0)
        return false;
    array = MenuArray(a);
    return true;
}

/// The reader's own subscription to one section grid: any change of rows, cells or conditions
/// may change what the reader reads.
struct GridWatch final : GridObserver {
    std::function<void()> changed;

    void gridReset() override { changed(); }
    void rowsAppended(int, int) override { changed(); }
    void rowRemoved(int) override { changed(); }
    void cellChanged(int, int) override { changed(); }
    void rowConditionsChanged(int) override { changed(); }
};

}  // namespace

/// Watches the eight section grids and the attention list's syncs, and tells the caller something
/// may have changed.
struct __attribute__((visibility("hidden"))) StatusReader::Private {
    explicit Private(Status& s) : window(windowOf(s)), menus(menusOf(s)) {
        for (int section = 0; section < kSectionCount; ++section) {
            StatusGrid& grid = window.board().sections().grid(section);
            watches[size_t(section)].changed = [this] { rowsChanged(); };
            grid.changes().subscribe(watches[size_t(section)]);
        }
        // Connected after the window's own tick: the list has synced when this runs.
        attentionWatch = QObject::connect(&window.attentionTimer(), &QTimer::timeout, [this] {
            if (rowsChangedSinceSync) {
                rowsChangedSinceSync = false;
                tell();
            }
        });
    }
    ~Private() {
        QObject::disconnect(attentionWatch);
        for (int section = 0; section < kSectionCount; ++section)
            window.board().sections().grid(section).changes().unsubscribe(watches[size_t(section)]);
    }

    void tell() {
        if (changed)
            changed();
    }
    void rowsChanged() {
        rowsChangedSinceSync = true;
        tell();
    }

    /// The shown columns of a section, in their order.
    QVector<int> shownColumns(const StatusGrid& grid) const {
        QVector<int> columns;
        for (int c = 0; c < grid.columnCount(); ++c)
            if (grid.column(c).visible)
                columns.append(c);
        return columns;
    }

    bool recent(const StatusGrid& grid, int row) const {
        const QString& address = grid.address(row);
        if (address.isEmpty())
            return false;
        RecentChanges& changes = window.board().recentChanges();
        const qint64 last = changes.lastChangeOf(address);
        return last >= 0 && changes.nowMs() - last < StatusGridModel::kHighlightMs;
    }

    /// Builds the row's menu as a right click on it would; the popup function runs while the
    /// menu is up (the window's menu acts on the point it was built for then). False when no
    /// row holds the key.
    bool withMenu(int section, int key, const std::function<void(TopMenu)>& popup) {
        if (section < 0 || section >= kSectionCount)
            return false;
        const int row = window.board().sections().grid(section).rowOfKey(key);
        if (row < 1)
            return false;
        window.setCurrentCell(Section(section), row, 1);
        window.gridPressed(Section(section), 2);
        return menus.buttonReleased(
                   section, [](int, int) { return true; }, popup) != TopMenu::None;
    }

    /// Every entry of a menu array that a host without windows can run, submenus flattened.
    void collect(MenuArray array, const QString& prefix, QVector<MenuItem>& items) const {
        const MenuModel& model = menus.model();
        const QVector<MenuEntry>& entries = model.entries(array);
        for (int index = 0; index < entries.size(); ++index) {
            const MenuEntry& e = entries[index];
            if (!e.visible || e.isSeparator() || !runsWithoutWindows(array, index))
                continue;
            QString caption = e.caption;
            caption.remove(QLatin1Char('&'));
            if (e.submenu) {
                collect(*e.submenu, prefix + caption + QStringLiteral(" > "), items);
                continue;
            }
            const bool reachable = model.isReachable(array, index);
            items.append(
                {menuId(array, index), prefix + caption, reachable,
                 reachable ? QString() : (e.whyDisabled.isEmpty() ? QStringLiteral("Not available") : e.whyDisabled)});
        }
    }

    /// The rows in sight of a section under a sorted filter, in order (grid column `column`).
    /// The order is kept per section and filter and redone only for the rows whose text or
    /// visibility changed since it was last read: a tab's view is read again at every push.
    const std::vector<int>& sortedRows(int section, const StatusGrid& grid, const Filter& filter, const RowFilter& rule,
                                       int column) {
        auto kept = std::find_if(sorted.begin(), sorted.end(), [&](const Sorted& s) {
            return s.section == section && s.column == column && s.filter == filter;
        });
        if (kept != sorted.end()) {
            sorted.splice(sorted.begin(), sorted, kept);
        } else {
            sorted.push_front({section, filter, column, SortedRows(filter.descending)});
            if (sorted.size() > kSortedKept)
                sorted.pop_back();
        }
        return sorted.front().rows.refresh(grid.rowCount(), [&](int row) {
            if (!rule.shows(grid, row, severity(grid, row)))
                return SortedRows::Key{};
            return SortedRows::Key{grid.text(row, column), true};
        });
    }

    StatusWindow& window;
    ContextMenus& menus;
    /// The sorted orders read lately, the latest first: one per section and filter that a view
    /// reads (the operator's tabs each sort their own way), the least recently read dropped.
    struct Sorted {
        int section = 0;
        Filter filter;
        int column = -1;
        SortedRows rows;
    };
    std::list<Sorted> sorted;
    static constexpr size_t kSortedKept = 16;
    std::array<GridWatch, kSectionCount> watches{};
    QMetaObject::Connection attentionWatch;
    bool rowsChangedSinceSync = false;
    std::function<void()> changed;
};

StatusReader::StatusReader(Status& status) : d(std::make_unique<Private>(status)) {}

StatusReader::~StatusReader() = default;

QString StatusReader::groupName() const {
    const int index = d->window.selectedGroupIndex();
    const QVector<GroupEntry>& entries = d->window.groupEntries();
    return index >= 0 && index < entries.size() ? entries[index].text : QString();
}

QVector<StatusReader::SectionInfo> StatusReader::sections() const {
    QVector<SectionInfo> result;
    for (int section = 0; section < kSectionCount; ++section) {
        const StatusGrid& grid = d->window.board().sections().grid(section);
        SectionInfo info{
            section, StatusWindow::sectionName(Section(section)), {}, d->window.isSectionUsed(Section(section))};
        for (int c : d->shownColumns(grid))
            info.columns << grid.column(c).caption;
        result.append(info);
    }
    return result;
}

StatusReader::Counts StatusReader::counts(int section, const Filter& filter) const {
    Counts counts;
    if (section < 0 || section >= kSectionCount)
        return counts;
    const StatusGrid& grid = d->window.board().sections().grid(section);
    const RowFilter rule{filter.text, filter.abnormalOnly};
    SectionCounts tally;
    for (int row = 1; row <= grid.rowCount(); ++row) {
        const so::Severity s = severity(grid, row);
        tally.add(rule.shows(grid, row, s), s);
    }
    return {tally.points, tally.shown, tally.alarms, tally.warnings};
}

StatusReader::Rows StatusReader::rows(int section, const Filter& filter, int first, int count) const {
    Rows result;
    if (section < 0 || section >= kSectionCount)
        return result;
    const StatusGrid& grid = d->window.board().sections().grid(section);
    const RowFilter rule{filter.text, filter.abnormalOnly};
    const QVector<int> columns = d->shownColumns(grid);
    first = qMax(0, first);
    count = qMax(0, count);
    const auto read = [&](int row, so::Severity s) {
        Row out;
        out.key = grid.rowKey(row);
        for (int c : columns)
            out.cells << grid.text(row, c);
        out.severity = publicSeverity(s);
        out.reason = conditionWords(grid.conditions(row));
        out.recent = d->recent(grid, row);
        result.rows.append(out);
    };
    const int sortColumn =
        filter.sortColumn >= 0 && filter.sortColumn < columns.size() ? columns[filter.sortColumn] : -1;
    if (sortColumn >= 0) {
        const std::vector<int>& order = d->sortedRows(section, grid, filter, rule, sortColumn);
        result.total = int(order.size());
        for (size_t i = size_t(first); i < order.size() && i < size_t(first) + size_t(count); ++i)
            read(order[i], severity(grid, order[i]));
        return result;
    }
    if (rule.isEmpty()) {
        // Nothing hidden: the range is the grid's rows themselves.
        result.total = grid.rowCount();
        for (int row = first + 1; row <= qMin(grid.rowCount(), first + count); ++row)
            read(row, severity(grid, row));
        return result;
    }
    for (int row = 1; row <= grid.rowCount(); ++row) {
        const so::Severity s = severity(grid, row);
        if (!rule.shows(grid, row, s))
            continue;
        const int index = result.total++;
        if (index >= first && index < first + count)
            read(row, s);
    }
    return result;
}

QVector<StatusReader::AttentionItem> StatusReader::attention(int max) const {
    QVector<AttentionItem> items;
    const AttentionList& list = d->window.attention();
    for (const AttentionEntry& e : list.entries()) {
        if (max >= 0 && items.size() >= max)
            break;
        items.append({e.key, sectionIndex(e.section), publicSeverity(e.severity), StatusWindow::sectionName(e.section),
                      list.nameOf(e), e.address, list.reason(e), AttentionList::clockText(e.sinceMs), e.cleared(),
                      e.awaitsAcknowledgement(), e.acknowledgedBy});
    }
    return items;
}

QVector<StatusReader::ShelvedItem> StatusReader::shelved() const {
    const AttentionList& list = d->window.attention();
    std::vector<AttentionList::Shelved> points = list.shelved();
    std::stable_sort(points.begin(), points.end(),
                     [](const auto& a, const auto& b) { return a.untilSteadyMs < b.untilSteadyMs; });
    QVector<ShelvedItem> items;
    for (const AttentionList::Shelved& s : points)
        items.append({s.address, list.nameOf(s.address), s.by, AttentionList::clockText(s.untilMs)});
    return items;
}

namespace {

const AttentionEntry* findEntry(const AttentionList& list, int section, int key) {
    for (const AttentionEntry& e : list.entries())
        if (e.key == key && sectionIndex(e.section) == section)
            return &e;
    return nullptr;
}

}  // namespace

QVector<StatusReader::JournalRow> StatusReader::journal(const QString& point, const QString& byOperator,
                                                        const QDateTime& from, const QDateTime& to, int limit) const {
    QVector<JournalRow> rows;
    trap(d->window.context(), QStringLiteral("StatusReader: alarm journal"), [&] {
        const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
        for (const AlarmJournalRow& r :
             readAlarmJournal(d->window.context().db(), AlarmJournalFilter{point, byOperator, from, to, limit}))
            rows.append(
                {r.time.toString(format), r.event, r.address, r.raisedAt.toString(format), r.byOperator, r.comment});
    });
    return rows;
}

int StatusReader::acknowledge(int section, int key, const QString& comment) {
    const AttentionEntry* entry = findEntry(d->window.attention(), section, key);
    qint32 permission = kAcknowledgePermission;
    if (entry == nullptr || !entry->awaitsAcknowledgement() ||
        !CheckOperatorPermission(d->window.context(), permission))
        return -1;
    const int recorded = d->window.acknowledgeAlarms({*entry}, comment);
    if (recorded > 0)
        d->tell();
    return recorded;
}

bool StatusReader::shelve(int section, int key, int minutes) {
    const AttentionEntry* entry = findEntry(d->window.attention(), section, key);
    if (entry == nullptr || !d->window.shelvePoint(*entry, minutes))
        return false;
    d->tell();
    return true;
}

int StatusReader::attentionCount() const { return int(d->window.attention().entries().size()); }

bool StatusReader::clearCleared() {
    if (!d->window.attention().removeCleared())
        return false;
    d->tell();
    return true;
}

QVector<StatusReader::MenuItem> StatusReader::menu(int section, int key) {
    QVector<MenuItem> items;
    d->withMenu(section, key, [&](TopMenu top) { d->collect(MenuModel::arrayOf(top), {}, items); });
    return items;
}

StatusReader::CommandResult StatusReader::invoke(int section, int key, const QString& id, QString* whyNot) {
    MenuArray array{};
    int index = 0;
    if (!parseMenuId(id, array, index))
        return CommandResult::NoSuchEntry;
    CommandResult result = CommandResult::NoSuchEntry;
    const bool built = d->withMenu(section, key, [&](TopMenu) {
        const MenuModel& model = d->menus.model();
        if (index >= model.count(array) || !runsWithoutWindows(array, index) || model.entry(array, index).submenu ||
            model.entry(array, index).isSeparator())
            return;
        if (!model.isReachable(array, index)) {
            result = CommandResult::NotPermitted;
            if (whyNot != nullptr)
                *whyNot = model.entry(array, index).whyDisabled;
            return;
        }
        d->menus.choose(array, index);
        result = CommandResult::Sent;
    });
    return built ? result : CommandResult::NoSuchRow;
}

void StatusReader::setChangeCallback(std::function<void()> changed) { d->changed = std::move(changed); }

}  // namespace so
