#include "ui/ConfigureGroupsDialog.h"

#include "groups/Catalogue.h"
#include "ui/StatusFrame.h"
#include "ui/IconList.h"

#include <QCoreApplication>
#include <QAbstractListModel>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

namespace so {

// ---------------------------------------------------------------- the two point lists

/// One of the dialog's point lists (available or selected): name with the point's small icon,
/// address, type, point ID and alternate flag. The available list shows the points in sight, flat
/// or under their controllers; the selected list always flat and whole.
class PointListModel final : public QAbstractItemModel {
public:
    enum class Source { Available, Selected };

    PointListModel(const ConfigureGroups& logic, Source source, const IconList* icons, QObject* parent)
        : QAbstractItemModel(parent), logic_(logic), source_(source), icons_(icons) {
        rebuild();
    }

    // A branch row has internal id 0; a point row under branch b has b + 1; a flat point row 0.
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override {
        if (column < 0 || column >= kColumns || row < 0)
            return {};
        if (!parent.isValid())
            return row < topRows() ? createIndex(row, column, quintptr(0)) : QModelIndex();
        if (!tree() || parent.internalId() != 0 || parent.row() >= branches_.size())
            return {};
        if (row >= branches_[parent.row()].points.size())
            return {};
        return createIndex(row, column, quintptr(parent.row() + 1));
    }

    QModelIndex parent(const QModelIndex& child) const override {
        if (!child.isValid() || child.internalId() == 0)
            return {};
        return createIndex(int(child.internalId() - 1), 0, quintptr(0));
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        if (!parent.isValid())
            return topRows();
        if (tree() && parent.internalId() == 0 && parent.column() == 0 && parent.row() < branches_.size())
            return int(branches_[parent.row()].points.size());
        return 0;
    }
    int columnCount(const QModelIndex& = {}) const override { return kColumns; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        if (tree() && index.internalId() == 0)
            return branchData(branches_.value(index.row()), index.column(), role);
        const int point = pointAt(index);
        if (point < 0)
            return {};
        return pointData(points()[point], index.column(), role);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const kCaptions[] = {QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Name"),
                                                QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Address"),
                                                QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Type"),
                                                QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "ID"),
                                                QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "AlternateFlag")};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumns)
            return QCoreApplication::translate("so::ConfigureGroupsDialog", kCaptions[section]);
        return {};
    }

    /// The logic's list (or how it is shown) changed.
    void reload() {
        beginResetModel();
        rebuild();
        endResetModel();
    }

    /// The entries of the logic's list that rows stand for: a point row its point, a branch row
    /// every point under it; each once, in list order.
    QList<int> pointsOf(const QModelIndexList& rows) const {
        QList<int> out;
        for (const QModelIndex& row : rows) {
            if (tree() && row.internalId() == 0) {
                for (int point : branches_.value(row.row()).points)
                    out.append(point);
            } else if (const int point = pointAt(row); point >= 0) {
                out.append(point);
            }
        }
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }

private:
    static constexpr int kColumns = 5;

    bool tree() const { return source_ == Source::Available && logic_.view() == ConfigureGroups::Topology; }
    const QVector<SelectedPoint>& points() const {
        return source_ == Source::Available ? logic_.available() : logic_.selected();
    }
    int topRows() const { return int(tree() ? branches_.size() : flat_.size()); }

    void rebuild() {
        branches_.clear();
        flat_.clear();
        if (source_ == Source::Selected) {
            flat_.resize(logic_.selected().size());
            std::iota(flat_.begin(), flat_.end(), 0);
        } else if (tree()) {
            branches_ = logic_.availableTree();
        } else {
            flat_ = logic_.shownAvailable();
        }
    }

    /// The index into the logic's list of a point row; -1 for a branch row.
    int pointAt(const QModelIndex& index) const {
        if (!index.isValid())
            return -1;
        if (!tree())
            return flat_.value(index.row(), -1);
        if (index.internalId() == 0)
            return -1;
        return branches_.value(int(index.internalId() - 1)).points.value(index.row(), -1);
    }

    QVariant pointData(const SelectedPoint& point, int column, int role) const {
        if (role == Qt::DecorationRole && column == 0 && icons_ != nullptr)
            return icons_->icon(point.listSmallIcon);
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        switch (column) {
        case 0: return logic_.description(point);
        case 1: return point.listAddress;
        case 2: return kindName(point.objectId);
        case 3: return QString::number(point.pointId);
        case 4: return QString::number(point.alternateFlag);
        default: return {};
        }
    }

    static QVariant branchData(const ConfigureGroups::AvailableBranch& branch, int column, int role) {
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        if (column == 0)
            return QStringLiteral("%1 (%2)").arg(branch.label).arg(branch.points.size());
        if (column == 1)
            return branch.address;
        return {};
    }

    const ConfigureGroups& logic_;
    Source source_;
    const IconList* icons_;
    QVector<ConfigureGroups::AvailableBranch> branches_;
    QVector<int> flat_;
};

// ---------------------------------------------------------------- the column list

/// The column page's checked list: a check box per column; checking goes to the logic, which may
/// refuse it.
class ColumnListModel final : public QAbstractListModel {
public:
    ColumnListModel(ConfigureGroups& logic, QObject* parent) : QAbstractListModel(parent), logic_(logic) {
        items_ = logic_.shownColumns();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(items_.size()); }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= items_.size())
            return {};
        const ConfigureGroups::ColumnItem& item = items_[index.row()];
        switch (role) {
        case Qt::DisplayRole:
            if (logic_.columnSet() == ConfigureGroups::kColumnSetNotUsed)
                return QStringLiteral("%1 (%2)").arg(item.caption,
                                                     logic_.columnSetTexts().value(sectionIndex(item.section)));
            return item.caption;
        case Qt::CheckStateRole: return item.checked ? Qt::Checked : Qt::Unchecked;
        case Qt::ToolTipRole: return item.key;
        default: return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return QAbstractListModel::flags(index) | Qt::ItemIsUserCheckable;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::CheckStateRole || !index.isValid())
            return false;
        logic_.checkColumn(index.row(), value.toInt() == Qt::Checked);
        return true;
    }

    /// The logic's list changed: same rows are repainted, a different count resets.
    void reload() {
        QVector<ConfigureGroups::ColumnItem> items = logic_.shownColumns();
        if (items.size() == items_.size()) {
            items_ = std::move(items);
            if (!items_.isEmpty())
                emit dataChanged(index(0), index(int(items_.size()) - 1));
            return;
        }
        beginResetModel();
        items_ = std::move(items);
        endResetModel();
    }

private:
    ConfigureGroups& logic_;
    QVector<ConfigureGroups::ColumnItem> items_;
};

// ---------------------------------------------------------------- the dialog

namespace {

const char* const kFilterTexts[ConfigureGroupsDialog::kFilterOptions] = {
    QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "All"),
    QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Doors"),
    QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Inputs"),
    QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Relays"),
    QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Readers"),
    QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Controllers"),
    QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Pylons"),
    QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Ports"),
    QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Modules"),
    QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "XRelays")};

const char* const kViewTexts[] = {QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Topology"),
                                  QT_TRANSLATE_NOOP("so::ConfigureGroupsDialog", "Sea of Points")};

QTreeView* pointList(PointListModel* model, QWidget* parent) {
    auto* view = new QTreeView(parent);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setModel(model);
    model->setParent(view);
    view->header()->resizeSection(0, 240);
    view->header()->resizeSection(1, 170);
    return view;
}

}  // namespace

ConfigureGroupsDialog::ConfigureGroupsDialog(ComponentContext& ctx, GroupStore& store, StatusWindow& window,
                                             const IconList* icons, QWidget* parent)
    : QDialog(parent), logic_(std::make_unique<ConfigureGroups>(ctx, store, window)),
      icons_(icons != nullptr ? *icons : IconList()) {
    setWindowTitle(tr("Status Viewer Properties"));

    content_ = new QWidget(this);
    auto* contentLayout = new QVBoxLayout(content_);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(content_);
    tabs_->addTab(buildGroupPage(), tr("Status Groups"));
    tabs_->addTab(buildColumnPage(), tr("Column Headers"));
    contentLayout->addWidget(tabs_, 1);
    contentLayout->addWidget(buildMainButtons());
    auto* root = new QVBoxLayout(this);
    root->addWidget(content_);
    resize(900, 560);

    ConfigureGroups& logic = *logic_;
    connect(&logic, &ConfigureGroups::groupsChanged, this, &ConfigureGroupsDialog::showGroups);
    connect(&logic, &ConfigureGroups::selectedChanged, this, [this] {
        selectedModel_->reload();
        showGroups();
    });
    connect(&logic, &ConfigureGroups::availableChanged, this, &ConfigureGroupsDialog::showAvailable);
    connect(&logic, &ConfigureGroups::columnsChanged, this, [this] {
        columnModel_->reload();
        const QSignalBlocker block(columnSetBox_);
        if (columnSetBox_->count() != logic_->columnSetTexts().size()) {
            columnSetBox_->clear();
            columnSetBox_->addItems(logic_->columnSetTexts());
        }
        columnSetBox_->setCurrentIndex(logic_->columnSet());
    });
    connect(&logic, &ConfigureGroups::unloaded, this, [this] {
        if (isVisible())
            close();
    });

    logic.load();
    filterOptions_->button(logic.filter())->setChecked(true);
    viewOptions_->button(logic.view())->setChecked(true);

    // The dialog goes when its status window hides or unloads.
    if (parent != nullptr)
        parent->installEventFilter(this);
}

ConfigureGroupsDialog::~ConfigureGroupsDialog() {
    // Unloading here releases the lock also when the dialog goes with its window; nothing shows
    // any more, so the logic tells no one.
    const QSignalBlocker quiet(logic_.get());
    logic_->unload();
    // The lists read the logic's state: they go before it does.
    delete content_;
}

QWidget* ConfigureGroupsDialog::buildGroupPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("fraStatusGroups"));
    auto* layout = new QGridLayout(page);

    auto* groupRow = new QHBoxLayout;
    auto* groupLabel = new QLabel(tr("Status Group:"), page);
    groupBox_ = new QComboBox(page);
    groupBox_->setEditable(true);
    groupBox_->setInsertPolicy(QComboBox::NoInsert);
    groupBox_->setMinimumWidth(260);
    groupLabel->setBuddy(groupBox_);
    connect(groupBox_, &QComboBox::activated, this, [this](int index) { logic_->chooseGroup(index); });
    connect(groupBox_->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { logic_->typeGroupName(text); });
    groupRow->addWidget(groupLabel);
    groupRow->addWidget(groupBox_, 1);
    const std::pair<const char*, void (ConfigureGroups::*)()> groupButtons[] = {
        {QT_TR_NOOP("Delete"), &ConfigureGroups::deleteGroup}, {QT_TR_NOOP("Save"), &ConfigureGroups::saveGroupAs}};
    for (int i = 0; i < 2; ++i) {
        groupButtons_[i] = new QPushButton(tr(groupButtons[i].first), page);
        const auto operation = groupButtons[i].second;
        connect(groupButtons_[i], &QPushButton::clicked, this, [this, operation] { (logic_.get()->*operation)(); });
        groupRow->addWidget(groupButtons_[i]);
    }
    layout->addLayout(groupRow, 0, 0, 1, 3);

    auto* availableRow = new QHBoxLayout;
    availableRow->addWidget(new QLabel(tr("Available"), page));
    availableRow->addStretch(1);
    findAvailable_ = new QLineEdit(page);
    findAvailable_->setPlaceholderText(tr("Find by name or address"));
    findAvailable_->setClearButtonEnabled(true);
    findAvailable_->setToolTip(tr("Shows only the available points whose name or address holds this text"));
    findAvailable_->installEventFilter(this);
    connect(findAvailable_, &QLineEdit::textChanged, this, [this](const QString& text) { logic_->setFindText(text); });
    availableRow->addWidget(findAvailable_, 2);
    layout->addLayout(availableRow, 1, 0);
    layout->addWidget(new QLabel(tr("Selected"), page), 1, 2);
    availableModel_ = new PointListModel(*logic_, PointListModel::Source::Available, &icons_, this);
    selectedModel_ = new PointListModel(*logic_, PointListModel::Source::Selected, &icons_, this);
    availableList_ = pointList(availableModel_, page);
    selectedList_ = pointList(selectedModel_, page);
    layout->addWidget(availableList_, 2, 0);
    layout->addWidget(selectedList_, 2, 2);

    auto* moves = new QVBoxLayout;
    moves->addStretch(1);
    const char* const faces[] = {">>", ">", "<", "<<"};
    const char* const tips[] = {QT_TR_NOOP("Add All"), QT_TR_NOOP("Add"), QT_TR_NOOP("Remove"),
                                QT_TR_NOOP("Remove All")};
    const std::function<void()> operations[] = {
        [this] { logic_->addAll(); },
        [this] { logic_->add(highlightedRows(availableList_)); },
        [this] { logic_->remove(highlightedRows(selectedList_)); },
        [this] { logic_->removeAll(); },
    };
    for (int i = 0; i < 4; ++i) {
        functionButtons_[i] = new QPushButton(QString::fromLatin1(faces[i]), page);
        functionButtons_[i]->setToolTip(tr(tips[i]));
        connect(functionButtons_[i], &QPushButton::clicked, this, operations[i]);
        moves->addWidget(functionButtons_[i]);
    }
    moves->addStretch(1);
    layout->addLayout(moves, 2, 1);

    auto* filterFrame = new QGroupBox(tr("Filter Available by:"), page);
    auto* filterLayout = new QGridLayout(filterFrame);
    filterOptions_ = new QButtonGroup(this);
    for (int i = 0; i < kFilterOptions; ++i) {
        auto* option = new QRadioButton(tr(kFilterTexts[i]), filterFrame);
        filterOptions_->addButton(option, i);
        filterLayout->addWidget(option, i / 5, i % 5);
    }
    connect(filterOptions_, &QButtonGroup::idClicked, this, [this](int index) { logic_->setFilter(index); });

    auto* viewFrame = new QGroupBox(tr("View"), page);
    auto* viewLayout = new QGridLayout(viewFrame);
    viewOptions_ = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(tr(kViewTexts[i]), viewFrame);
        viewOptions_->addButton(option, i);
        viewLayout->addWidget(option, 0, i);
    }
    connect(viewOptions_, &QButtonGroup::idClicked, this, [this](int index) { logic_->setView(index); });
    addressCheck_ = new QCheckBox(tr("Include Address in Description"), viewFrame);
    connect(addressCheck_, &QCheckBox::toggled, this, [this](bool checked) { logic_->setIncludeAddress(checked); });
    viewLayout->addWidget(addressCheck_, 1, 0, 1, 2);

    auto* options = new QHBoxLayout;
    options->addWidget(filterFrame, 2);
    options->addWidget(viewFrame, 1);
    layout->addLayout(options, 3, 0, 1, 3);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(2, 1);
    return page;
}

QWidget* ConfigureGroupsDialog::buildColumnPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Frame2"));
    auto* layout = new QGridLayout(page);
    columnSetBox_ = new QComboBox(page);
    connect(columnSetBox_, &QComboBox::activated, this, [this](int set) { logic_->chooseColumnSet(set); });
    columnModel_ = new ColumnListModel(*logic_, this);
    columnList_ = new QListView(page);
    columnList_->setModel(columnModel_);
    columnList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    columnModel_->setParent(columnList_);
    layout->addWidget(columnSetBox_, 0, 0);
    layout->addWidget(columnList_, 1, 0);

    auto* moves = new QVBoxLayout;
    const std::pair<const char*, int (ConfigureGroups::*)(int)> moveButtons[] = {
        {QT_TR_NOOP("Move Up"), &ConfigureGroups::moveColumnUp},
        {QT_TR_NOOP("Move Down"), &ConfigureGroups::moveColumnDown}};
    for (int i = 0; i < 2; ++i) {
        columnMoveButtons_[i] = new QPushButton(tr(moveButtons[i].first), page);
        const auto move = moveButtons[i].second;
        connect(columnMoveButtons_[i], &QPushButton::clicked, this, [this, move] {
            const QModelIndex current = columnList_->currentIndex();
            if (!current.isValid())
                return;
            const int row = (logic_.get()->*move)(current.row());
            columnList_->setCurrentIndex(columnModel_->index(row));
        });
        moves->addWidget(columnMoveButtons_[i]);
    }
    moves->addStretch(1);
    layout->addLayout(moves, 1, 1);
    layout->setRowStretch(1, 1);
    return page;
}

QWidget* ConfigureGroupsDialog::buildMainButtons() {
    auto* row = new QWidget(content_);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    const std::pair<const char*, void (ConfigureGroups::*)()> buttons[] = {
        {QT_TR_NOOP("Close"), &ConfigureGroups::closeDialog},
        {QT_TR_NOOP("Apply"), &ConfigureGroups::applyChanges},
        {QT_TR_NOOP("Help"), &ConfigureGroups::showHelp}};
    for (int i = 0; i < 3; ++i) {
        dialogButtons_[i] = new QPushButton(tr(buttons[i].first), row);
        dialogButtons_[i]->setAutoDefault(false);
        const auto operation = buttons[i].second;
        connect(dialogButtons_[i], &QPushButton::clicked, this, [this, operation] { (logic_.get()->*operation)(); });
        layout->addWidget(dialogButtons_[i]);
    }
    return row;
}

QAbstractButton* ConfigureGroupsDialog::filterOption(int index) const { return filterOptions_->button(index); }
QAbstractButton* ConfigureGroupsDialog::viewOption(int index) const { return viewOptions_->button(index); }

void ConfigureGroupsDialog::showAvailable() {
    availableModel_->reload();
    const bool tree = logic_->view() == ConfigureGroups::Topology;
    availableList_->setRootIsDecorated(tree);
    // Points found by a find text show at once under their controllers.
    if (tree && !logic_->findText().isEmpty())
        availableList_->expandAll();
}

void ConfigureGroupsDialog::showGroups() {
    const QSignalBlocker block(groupBox_);
    const QVector<GroupEntry>& groups = logic_->groups();
    groupBox_->clear();
    for (const GroupEntry& group : groups)
        groupBox_->addItem(group.text, group.itemData);
    groupBox_->setCurrentIndex(logic_->selectedGroupIndex());
    if (logic_->selectedGroupIndex() < 0)
        groupBox_->setEditText(logic_->typedName());
    // Only a stored group can be deleted.
    groupButtons_[ConfigureGroups::DeleteGroup]->setEnabled(logic_->selectedGroupIndex() > 0);
}

QList<int> ConfigureGroupsDialog::highlightedRows(QTreeView* list) const {
    auto* model = static_cast<PointListModel*>(list->model());
    return model->pointsOf(list->selectionModel()->selectedRows());
}

void ConfigureGroupsDialog::done(int result) {
    // Esc and the title bar's close button end here; Close unloads the logic first, which closes
    // the dialog through this. The dialog is closing already: the logic need not ask for it.
    {
        const QSignalBlocker quiet(logic_.get());
        logic_->unload();
    }
    QDialog::done(result);
}

bool ConfigureGroupsDialog::eventFilter(QObject* watched, QEvent* event) {
    // Esc in a find box holding text clears the text; on an empty box it closes the dialog.
    if (watched == findAvailable_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !findAvailable_->text().isEmpty()) {
        findAvailable_->clear();
        return true;
    }
    // The window closing or being hidden by the program; a window minimised by the operator
    // (a spontaneous hide) keeps its dialog.
    const bool windowGoes = event->type() == QEvent::Close || (event->type() == QEvent::Hide && !event->spontaneous());
    if (watched == parent() && windowGoes && isVisible())
        close();
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- opening from the window

void installConfigureDialog(StatusFrame& frame, GroupStore& store) {
    frame.setConfigureDialogOpener([&frame, &store] {
        const auto dialogs = frame.findChildren<ConfigureGroupsDialog*>(QString(), Qt::FindDirectChildrenOnly);
        for (ConfigureGroupsDialog* open : dialogs) {
            if (!open->logic().isUnloaded()) {
                open->raise();
                open->activateWindow();
                return;
            }
        }
        StatusWindow& window = frame.statusWindow();
        auto* dialog = new ConfigureGroupsDialog(window.context(), store, window, &frame.icons(), &frame);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}

}  // namespace so
