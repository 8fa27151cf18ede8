#include "groups/ConfigureGroups.h"
#include "status/StatusBoard.h"

#include "groups/Catalogue.h"
#include "base/ErrorTrap.h"
#include "base/Texts.h"
#include "grid/ColumnLayout.h"
#include "base/RecordFields.h"
#include "grid/StatusGrid.h"

#include <QCoreApplication>
#include <QCollator>
#include <QSet>

#include <algorithm>

namespace so {
namespace {

/// The order of names in the available list: case-blind, numbers by value.
QCollator nameOrder() {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

QString text(const char* english) { return QCoreApplication::translate("so::ConfigureGroups", english); }
const char* const kNewEntry = QT_TRANSLATE_NOOP("so::ConfigureGroups", "<New>");
const char* const kColumnsTitle = QT_TRANSLATE_NOOP("so::ConfigureGroups", "Column Headers");
const char* const kLastColumnText = QT_TRANSLATE_NOOP("so::ConfigureGroups", "At least one Item must be checked.");
const char* const kNoControllerBranch = QT_TRANSLATE_NOOP("so::ConfigureGroups", "Ports and Pylons");

/// The busy pointer for the life of a scope (also when the scope ends through a failure).
class Busy {
public:
    explicit Busy(Dialogs& dialogs) : dialogs_(dialogs) { dialogs_.setBusy(true); }
    ~Busy() { dialogs_.setBusy(false); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    Dialogs& dialogs_;
};

/// Rows as indexes into a list of `size`: each once, in list order.
QList<int> validRows(const QList<int>& rows, qsizetype size) {
    QList<int> out;
    for (int row : rows)
        if (row >= 0 && row < size)
            out.append(row);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

/// Removes rows (as validRows gives them) from list, last first so the others keep their place.
void removeRows(QVector<SelectedPoint>& list, const QList<int>& rows) {
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        list.remove(*it);
}

}  // namespace

ConfigureGroups::ConfigureGroups(ComponentContext& ctx, GroupStore& store, StatusWindow& window, QObject* parent)
    : QObject(parent), ctx_(ctx), store_(store), window_(window) {
    // Storage tells the dialog's list about the groups it creates and deletes.
    store_.setDialogHooks({[this](qint32 groupId, const QString& name) {
                               groups_.append({name, groupId});
                               emit groupsChanged();
                               chooseGroup(int(groups_.size()) - 1);
                           },
                           [this](qint32 groupId) {
                               for (int i = 1; i < groups_.size(); ++i) {
                                   if (groups_[i].itemData == groupId) {
                                       groups_.remove(i);
                                       break;
                                   }
                               }
                               emit groupsChanged();
                               chooseGroup(0);
                           }});
}

ConfigureGroups::~ConfigureGroups() { unload(); }

// ---------------------------------------------------------------- opening and closing

void ConfigureGroups::load() {
    trap(ctx_, QStringLiteral("FCustom.Form_Load"), [&] {
        loadGroups();
        buildColumnLists();
        chooseGroup(0);
    });
}

void ConfigureGroups::loadGroups() {
    groups_.clear();
    groups_.append({text(kNewEntry), 0});
    // Only the groups the operator may see: what is hidden from them is not theirs to change.
    QSet<qint32> visible;
    for (const GroupEntry& group : visibleStatusGroups(ctx_))
        visible.insert(group.itemData);
    db::Recordset rs = ctx_.db().query(QStringLiteral("Select * from Status_Groups Order By GroupName Desc"));
    for (; !rs.eof(); rs.moveNext()) {
        const qint32 groupId = qint32(fields::number(rs, QStringLiteral("GroupID")));
        if (visible.contains(groupId))
            groups_.append({fields::text(rs, QStringLiteral("GroupName")), groupId});
    }
    rs.close();
    emit groupsChanged();
    controllerNames_ = controllerNames(ctx_);
}

void ConfigureGroups::unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    store_.setDialogHooks({});
    trap(ctx_, QStringLiteral("FCustom.Form_Unload"),
         [&] { ctx_.site().ReleaseComponent(StatusWindow::kConfigureLockKind, 0); });
    emit unloaded();
}

// ---------------------------------------------------------------- status group page

void ConfigureGroups::chooseGroup(int index) {
    trap(ctx_, QStringLiteral("FCustom.cmbStatusGroups_Click"), [&] {
        selectedGroup_ = index >= 0 && index < groups_.size() ? index : -1;
        typedName_.clear();
        selected_.clear();
        if (selectedGroup_ > 0) {
            db::Command points(ctx_.db(), QStringLiteral("Select * from Status_Points Where GroupID = ?"));
            points.appendParameter(QStringLiteral("@GroupID"), db::ParamType::Integer, db::ParamDirection::Input, 4,
                                   groups_[selectedGroup_].itemData);
            // The points show in the order the database returns them.
            for (db::Recordset rs = points.open(); !rs.eof(); rs.moveNext()) {
                SelectedPoint point;
                point.listName = fields::text(rs, QStringLiteral("ListName"));
                point.listAddress = fields::text(rs, QStringLiteral("ListAddress"));
                point.objectId = qint32(fields::number(rs, QStringLiteral("ObjectId")));
                point.pointId = qint32(fields::number(rs, QStringLiteral("PointId")));
                point.alternateFlag = qint32(fields::number(rs, QStringLiteral("AlternateFlag")));
                point.listSmallIcon = qint16(fields::number(rs, QStringLiteral("ListSmallIcon")));
                selected_.append(point);
            }
        }
    });
    emit selectedChanged();
    refillAvailable();
}

void ConfigureGroups::typeGroupName(const QString& text) {
    selectedGroup_ = -1;
    typedName_ = text;
}

void ConfigureGroups::setFilter(int filter) {
    filter_ = filter;
    refillAvailable();
}

void ConfigureGroups::refillAvailable() {
    available_.clear();
    FillAvailable(ctx_, filter_, available_, selected_);
    emit availableChanged();
}

// ---------------------------------------------------------------- view options

void ConfigureGroups::setIncludeAddress(bool checked) {
    if (includeAddress_ == checked)
        return;
    includeAddress_ = checked;
    emit availableChanged();
    emit selectedChanged();
}

void ConfigureGroups::setView(int view) {
    if ((view != Topology && view != SeaOfPoints) || view == view_)
        return;
    view_ = view;
    emit availableChanged();
}

void ConfigureGroups::setFindText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed == findText_)
        return;
    findText_ = trimmed;
    emit availableChanged();
}

QString ConfigureGroups::description(const SelectedPoint& point) const {
    if (!includeAddress_ || point.listAddress.isEmpty())
        return point.listName;
    return QStringLiteral("%1 (%2)").arg(point.listName, point.listAddress);
}

QVector<int> ConfigureGroups::shownAvailable() const {
    QVector<int> shown;
    shown.reserve(available_.size());
    for (int i = 0; i < available_.size(); ++i) {
        const SelectedPoint& point = available_[i];
        if (findText_.isEmpty() || point.listName.contains(findText_, Qt::CaseInsensitive) ||
            point.listAddress.contains(findText_, Qt::CaseInsensitive))
            shown.append(i);
    }
    // By name as the operator reads it ("Door 2" before "Door 10", any case), then by address.
    const QCollator order = nameOrder();
    std::stable_sort(shown.begin(), shown.end(), [&](int a, int b) {
        const int byName = order.compare(available_[a].listName, available_[b].listName);
        return byName != 0 ? byName < 0 : order.compare(available_[a].listAddress, available_[b].listAddress) < 0;
    });
    return shown;
}

QVector<ConfigureGroups::AvailableBranch> ConfigureGroups::availableTree() const {
    QHash<QString, int> byController;
    QVector<AvailableBranch> branches;
    for (int index : shownAvailable()) {
        const QString controller = controllerOf(available_[index]);
        auto it = byController.constFind(controller);
        if (it == byController.constEnd()) {
            const QString label = controller.isEmpty() ? text(kNoControllerBranch) : controllerNames_.value(controller);
            it = byController.insert(controller, int(branches.size()));
            branches.append({controller, label.isEmpty() ? controller : label, {}});
        }
        branches[*it].points.append(index);
    }
    // The ports and boxes first, then the controllers by name (by address where names are equal);
    // within a branch the points keep the order by name.
    const QCollator order = nameOrder();
    std::stable_sort(branches.begin(), branches.end(), [&](const AvailableBranch& a, const AvailableBranch& b) {
        if (a.address.isEmpty() != b.address.isEmpty())
            return a.address.isEmpty();
        const int byName = order.compare(a.label, b.label);
        return byName != 0 ? byName < 0 : a.address < b.address;
    });
    return branches;
}

// ---------------------------------------------------------------- moving points

QList<int> ConfigureGroups::shownOrder() const {
    QList<int> order;
    if (view_ == Topology) {
        for (const AvailableBranch& branch : availableTree())
            order.append(branch.points);
    } else {
        order = shownAvailable();
    }
    return order;
}

void ConfigureGroups::addAll() {
    trap(ctx_, QStringLiteral("FCustom.cmdFunction_Click"), [&] {
        // The points in sight: all of them unless a find text narrows the list.
        moveToSelected(shownOrder());
    });
}

void ConfigureGroups::add(const QList<int>& highlighted) {
    trap(ctx_, QStringLiteral("FCustom.cmdFunction_Click"), [&] {
        // The highlighted entries move in the order the list shows them.
        QList<int> rows = validRows(highlighted, available_.size());
        QHash<int, int> position;
        const QList<int> order = shownOrder();
        for (int i = 0; i < order.size(); ++i)
            position.insert(order[i], i);
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            return position.value(a, int(order.size())) < position.value(b, int(order.size()));
        });
        moveToSelected(rows);
    });
}

void ConfigureGroups::moveToSelected(const QList<int>& rows) {
    for (int row : rows)
        selected_.append(available_[row]);
    QList<int> byIndex = rows;
    std::sort(byIndex.begin(), byIndex.end());
    removeRows(available_, byIndex);
    emit selectedChanged();
    emit availableChanged();
}

void ConfigureGroups::remove(const QList<int>& highlighted) {
    trap(ctx_, QStringLiteral("FCustom.cmdFunction_Click"), [&] { removeSelected(highlighted); });
}

void ConfigureGroups::removeAll() {
    trap(ctx_, QStringLiteral("FCustom.cmdFunction_Click"), [&] {
        selected_.clear();
        emit selectedChanged();
        refillAvailable();
    });
}

void ConfigureGroups::removeSelected(const QList<int>& rows) {
    trap(ctx_, QStringLiteral("FCustom: SelectedItem_Remove"),
         [&] { removeRows(selected_, validRows(rows, selected_.size())); });
    emit selectedChanged();
    refillAvailable();
}

void ConfigureGroups::deleteGroup() {
    trap(ctx_, QStringLiteral("FCustom.cmdStatusGroup_Click"), [&] {
        // The question names the group it is about, so the operator confirms the right one.
        const bool stored = selectedGroup_ > 0;
        QString question = GRS(ctx_, res::DeleteGroupQuestion);
        if (stored)
            question += QStringLiteral("\n\n") + groups_[selectedGroup_].text;
        if (!ctx_.dialogs->askYesNo(question, GRS(ctx_, res::DeleteGroupTitle)))
            return;
        if (stored) {
            const GroupEntry group = groups_[selectedGroup_];
            store_.deleteGroup(group.itemData, group.text);
        }
    });
}

void ConfigureGroups::saveGroupAs() {
    trap(ctx_, QStringLiteral("FCustom.cmdStatusGroup_Click"), [&] {
        const std::optional<QString> name =
            ctx_.dialogs->inputBox(GRS(ctx_, res::GroupNamePrompt), GRS(ctx_, res::GroupNameTitle));
        if (!name)
            return;
        // Every rule applies here too: a taken name would give two groups one name.
        const GroupNameProblem problem = store_.checkName(*name);
        if (problem != GroupNameProblem::None) {
            ctx_.dialogs->message(GRS(ctx_, refusalTextNumber(problem)), title(), Dialogs::Icon::Information);
            return;
        }
        createGroup(*name);
    });
}

void ConfigureGroups::closeDialog() { unload(); }

void ConfigureGroups::applyChanges() {
    trap(ctx_, QStringLiteral("FCustom.cmdMain_Click"), [&] {
        const Busy busy(*ctx_.dialogs);
        SaveGroup();
        applyColumns();
        window_.reloadSelectedGroup();
    });
}

void ConfigureGroups::showHelp() {
    trap(ctx_, QStringLiteral("FCustom.cmdMain_Click"), [&] { ctx_.site().ShowHelp(kHelpContext); });
}

// ---------------------------------------------------------------- saving

void ConfigureGroups::SaveGroup() {
    trap(ctx_, QStringLiteral("FCustom.SaveGroup"), [&] {
        if (selectedGroup_ > 0) {
            const GroupEntry group = groups_[selectedGroup_];
            store_.replacePoints(group.itemData, group.text, selected_);
            return;
        }
        // A new group needs points; the name is asked only then.
        if (selected_.isEmpty())
            return;
        std::optional<QString> name;
        if (selectedGroup_ == 0)
            name = askNewName(std::nullopt);
        else if (!typedName_.isEmpty())
            name = askNewName(typedName_);
        if (name)
            createGroup(*name);
    });
}

std::optional<QString> ConfigureGroups::askNewName(std::optional<QString> candidate) {
    Dialogs& dialogs = *ctx_.dialogs;
    for (;;) {
        QString name;
        if (candidate) {
            name = *candidate;
            candidate.reset();
        } else {
            const std::optional<QString> typed =
                dialogs.inputBox(GRS(ctx_, res::GroupNamePrompt), GRS(ctx_, res::GroupNameTitle));
            if (!typed)
                return std::nullopt;
            name = *typed;
        }
        const GroupNameProblem problem = store_.checkName(name);
        switch (problem) {
        case GroupNameProblem::None: return name;
        case GroupNameProblem::Empty:
        case GroupNameProblem::TooLong:
            if (!dialogs.askYesNo(GRS(ctx_, refusalTextNumber(problem)), title()))
                return std::nullopt;
            break;
        case GroupNameProblem::Taken:
            dialogs.message(GRS(ctx_, refusalTextNumber(problem)), title(), Dialogs::Icon::Information);
            break;
        }
    }
}

void ConfigureGroups::createGroup(const QString& name) {
    // Storage adds the group to this list and selects it; the window's box learns of it here,
    // because the window ignores the notification its own workstation sent.
    const qint32 groupId = store_.createGroup(name, selected_);
    if (groupId > 0)
        window_.appendGroupEntry(name, groupId);
}

QString ConfigureGroups::title() const { return ctx_.errorLog.componentFileName(); }

// ---------------------------------------------------------------- column page

void ConfigureGroups::buildColumnLists() {
    trap(ctx_, QStringLiteral("FCustom: InitLists"), [&] {
        columnSetTexts_.clear();
        for (qint32 number : res::ColumnSetCaptions)
            columnSetTexts_ << GRS(ctx_, number);
        columnSetTexts_ << StatusWindow::sectionCaption(Section::Modules)
                        << QCoreApplication::translate("so::ConfigureGroups", "NotUsed", "the hidden columns");
        // The grids' own columns are the only ones offered; the hidden, never written "NotUsed"
        // column is not one to show.
        for (Section section : kAllSections) {
            QVector<ColumnItem>& items = columns_[std::size_t(sectionIndex(section))];
            items.clear();
            const StatusGrid& grid = window_.board().sections().grid(section);
            for (int i = 0; i < grid.columnCount(); ++i) {
                const GridColumn& column = grid.column(i);
                if (column.key != col::NotUsed)
                    items.append({section, column.key, column.caption, column.visible});
            }
        }
    });
    chooseColumnSet(0);
}

void ConfigureGroups::chooseColumnSet(int set) {
    trap(ctx_, QStringLiteral("FCustom: cmbCols_Click"), [&] {
        if (set < 0 || set >= kColumnSetCount)
            return;
        columnSet_ = set;
        notUsed_.clear();
        if (set == kColumnSetNotUsed) {
            for (const QVector<ColumnItem>& items : columns_)
                for (const ColumnItem& item : items)
                    if (!item.checked)
                        notUsed_.append({item.section, item.key});
        }
    });
    emit columnsChanged();
}

std::optional<std::pair<int, int>> ConfigureGroups::columnAt(int row) const {
    if (columnSet_ == kColumnSetNotUsed) {
        if (row < 0 || row >= notUsed_.size())
            return std::nullopt;
        const auto& [section, key] = notUsed_[row];
        const int set = sectionIndex(section);
        const QVector<ColumnItem>& items = columns_[std::size_t(set)];
        for (int i = 0; i < items.size(); ++i)
            if (items[i].key == key)
                return std::pair{set, i};
        return std::nullopt;
    }
    if (row < 0 || row >= columns_[columnSet_].size())
        return std::nullopt;
    return std::pair{columnSet_, row};
}

QVector<ConfigureGroups::ColumnItem> ConfigureGroups::shownColumns() const {
    if (columnSet_ != kColumnSetNotUsed)
        return columns_[columnSet_];
    QVector<ColumnItem> out;
    for (int row = 0; row < notUsed_.size(); ++row)
        if (const auto at = columnAt(row))
            out.append(columns_[at->first][at->second]);
    return out;
}

void ConfigureGroups::checkColumn(int row, bool checked) {
    trap(ctx_, QStringLiteral("FCustom.lvwCols_ItemCheck"), [&] {
        const auto at = columnAt(row);
        if (!at)
            return;
        QVector<ColumnItem>& items = columns_[at->first];
        if (!checked) {
            const auto checkedCount =
                std::count_if(items.cbegin(), items.cend(), [](const ColumnItem& item) { return item.checked; });
            if (checkedCount <= 1 && items[at->second].checked) {
                ctx_.dialogs->message(text(kLastColumnText), text(kColumnsTitle), Dialogs::Icon::Information);
                return;
            }
        }
        items[at->second].checked = checked;
    });
    // Also after a refusal: the view shows the row checked again.
    emit columnsChanged();
}

int ConfigureGroups::moveColumnUp(int row) { return moveColumn(row, -1); }

int ConfigureGroups::moveColumnDown(int row) { return moveColumn(row, +1); }

int ConfigureGroups::moveColumn(int row, int step) {
    return trapOr(ctx_, QStringLiteral("FCustom.cmdMove_Click"), row, [&] {
        if (columnSet_ == kColumnSetNotUsed || !columnAt(row))
            return row;
        QVector<ColumnItem>& items = columns_[columnSet_];
        const int target = row + step;
        if (target < 0 || target >= items.size())
            return row;
        items.move(row, target);
        emit columnsChanged();
        return target;
    });
}

void ConfigureGroups::applyColumns() {
    for (Section section : kAllSections)
        if (applyColumns(section))
            window_.columnsChangedByOperator(section);
}

bool ConfigureGroups::applyColumns(Section section) {
    StatusGrid& grid = window_.board().sections().grid(section);
    bool changed = false;
    bool visibilityChanged = false;
    int position = 0;
    for (const ColumnItem& item : columns_[std::size_t(sectionIndex(section))]) {
        // Only a column the grid has is touched, found by its key.
        int index = grid.columnIndex(item.key);
        if (index < 0)
            continue;
        if (index != position) {
            grid.moveColumn(index, position);
            index = position;
            changed = true;
        }
        GridColumn& column = grid.column(index);
        if (column.visible != item.checked) {
            column.visible = item.checked;
            visibilityChanged = true;
        }
        ++position;
    }
    // Moves are announced by the grid itself; a changed visible flag is not.
    if (visibilityChanged)
        grid.announceReset();
    return changed || visibilityChanged;
}

}  // namespace so
