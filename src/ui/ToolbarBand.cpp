#include "ui/ToolbarBand.h"
#include "ui/CountTexts.h"
#include "ui/RowColours.h"
#include "ui/TextHue.h"

#include "ui/ToolbarImages.h"
#include "window/AttentionList.h"
#include "window/StatusWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace so {
namespace {

constexpr int kStatusGroupBoxWidth = 220;

/// The "Status" button's menu: its texts and the section each one shows alone (none: all
/// sections). Expansion inputs and relays live in the Inputs and Relays sections.
struct StatusMenuEntry {
    const char* text;
    std::optional<Section> section;
};
const StatusMenuEntry kStatusMenu[] = {
    {QT_TRANSLATE_NOOP("so::ToolbarBand", "Status Group"), std::nullopt},
    {QT_TRANSLATE_NOOP("so::ToolbarBand", "Doors"), Section::Doors},
    {QT_TRANSLATE_NOOP("so::ToolbarBand", "Inputs"), Section::Inputs},
    {QT_TRANSLATE_NOOP("so::ToolbarBand", "Relays"), Section::Relays},
    {QT_TRANSLATE_NOOP("so::ToolbarBand", "Readers"), Section::Readers},
    {QT_TRANSLATE_NOOP("so::ToolbarBand", "Controllers"), Section::Controllers},
    {QT_TRANSLATE_NOOP("so::ToolbarBand", "Pylons"), Section::Boxes},
    {QT_TRANSLATE_NOOP("so::ToolbarBand", "Ports"), Section::Ports},
    {QT_TRANSLATE_NOOP("so::ToolbarBand", "Expansion Inputs"), Section::Inputs},
    {QT_TRANSLATE_NOOP("so::ToolbarBand", "Expansion Relays"), Section::Relays},
};

/// A tooltip naming the key that does the same.
QString withShortcut(const QString& tip, const QKeySequence& keys) {
    return QCoreApplication::translate("so::ToolbarBand", "%1 (%2)", "a tooltip and its keys")
        .arg(tip, keys.toString(QKeySequence::NativeText));
}

}  // namespace

ToolbarBand::ToolbarBand(StatusWindow& window, QWidget* parent) : QWidget(parent), window_(window) {
    setObjectName(QStringLiteral("toolbarBand"));
    auto* first = new QHBoxLayout;
    first->setSpacing(6);
    buildToolbars(first);
    // Find, triage, export and the total sit in a second row, so that neither row hides a button
    // or cuts the total on a window of ordinary width.
    auto* second = new QHBoxLayout;
    second->setSpacing(6);
    buildTriage(second);
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(2);
    rows->addLayout(first);
    rows->addLayout(second);
}

void ToolbarBand::buildToolbars(QHBoxLayout* row) {
    auto* mainToolBar = new QToolBar(tr("Views"), this);
    mainToolBar->setObjectName(QStringLiteral("tbrMain"));
    mainToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    mainToolBar->setIconSize(QSize(toolbar::kImageSize, toolbar::kImageSize));
    const auto addButton = [&](const QString& name, const QIcon& icon, const QString& text, const QString& tip,
                               const QKeySequence& keys, std::function<void()> operation) {
        QAction* action = mainToolBar->addAction(icon, text);
        action->setObjectName(name);
        action->setShortcut(keys);
        action->setToolTip(withShortcut(tip, keys));
        connect(action, &QAction::triggered, this, std::move(operation));
        return action;
    };
    overriddenButton_ = addButton(QStringLiteral("overriddenButton"), toolbar::overriddenImage(), tr("Overridden"),
                                  tr("Overridden Points"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
                                  [this] { window_.showOverridden(); });
    overriddenButton_->setCheckable(true);
    maskedButton_ = addButton(QStringLiteral("maskedButton"), toolbar::maskedImage(), tr("Masked"), tr("Masked Points"),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M), [this] { window_.showMasked(); });
    maskedButton_->setCheckable(true);
    statusButton_ =
        addButton(QStringLiteral("statusButton"), toolbar::statusGroupImage(), tr("Status"), tr("Status Group"),
                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { window_.showSections(); });
    statusButton_->setCheckable(true);
    statusMenu_ = new QMenu(tr("Status Group"), this);
    statusMenu_->setObjectName(QStringLiteral("statusMenu"));
    for (const StatusMenuEntry& entry : kStatusMenu) {
        QAction* item = statusMenu_->addAction(tr(entry.text));
        item->setData(entry.section ? sectionIndex(*entry.section) : -1);
        connect(item, &QAction::triggered, this, [this, entry] {
            chosenStatusText_ = tr(entry.text);
            chosenStatusSection_ = entry.section;
            if (entry.section)
                window_.showOnlySection(*entry.section);
            else
                window_.showAllSections();
        });
    }
    statusButton_->setMenu(statusMenu_);
    if (auto* button = qobject_cast<QToolButton*>(mainToolBar->widgetForAction(statusButton_)))
        button->setPopupMode(QToolButton::MenuButtonPopup);
    mainToolBar->addSeparator();
    addButton(QStringLiteral("configureButton"), toolbar::configureImage(), tr("Configure Status Groups"),
              tr("Configure Status Groups"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G),
              [this] { window_.configureGroups(); });
    // F1 is the window's own key (acted on when it is released), not a second trigger of the button.
    QAction* help = addButton(QStringLiteral("helpButton"), toolbar::helpImage(), tr("Help"), tr("Help"), {},
                              [this] { window_.showHelp(); });
    help->setToolTip(withShortcut(tr("Help"), QKeySequence(Qt::Key_F1)));

    auto* sectionToolBar = new QToolBar(tr("Sections"), this);
    sectionToolBar->setObjectName(QStringLiteral("tbrSG"));
    sectionToolBar->setIconSize(QSize(toolbar::kImageSize, toolbar::kImageSize));
    auto* sectionMenu = new QMenu(this);
    sectionMenu->setObjectName(QStringLiteral("sectionMenu"));
    QAction* all = sectionMenu->addAction(StatusWindow::allSectionsText());
    all->setObjectName(QStringLiteral("allSectionsItem"));
    connect(all, &QAction::triggered, this, [this] { window_.showAllSections(); });
    sectionMenu->addSeparator()->setObjectName(QStringLiteral("sectionSeparator"));
    for (Section section : kAllSections) {
        QAction* action = sectionMenu->addAction(StatusWindow::sectionCaption(section));
        action->setObjectName(QStringLiteral("sectionItem") + StatusWindow::sectionName(section));
        connect(action, &QAction::triggered, this, [this, section] { window_.showOnlySection(section); });
        sectionItems_[size_t(sectionIndex(section))] = action;
    }
    sectionButton_ = new QToolButton(sectionToolBar);
    sectionButton_->setObjectName(QStringLiteral("sectionButton"));
    sectionButton_->setIcon(toolbar::sectionsImage());
    sectionButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    sectionButton_->setPopupMode(QToolButton::InstantPopup);
    sectionButton_->setMenu(sectionMenu);
    const QKeySequence sectionKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_V);
    sectionButton_->setToolTip(withShortcut(tr("Sections shown"), sectionKeys));
    sectionButton_->setAccessibleName(tr("Sections shown"));
    connect(new QShortcut(sectionKeys, this), &QShortcut::activated, sectionButton_, &QToolButton::showMenu);
    sectionToolBar->addWidget(sectionButton_);

    auto* groupBoxLabel = new QLabel(tr("Status Group:"), this);
    groupBox_ = new QComboBox(this);
    groupBox_->setObjectName(QStringLiteral("groupBox"));
    groupBox_->setMinimumWidth(kStatusGroupBoxWidth);
    groupBoxLabel->setBuddy(groupBox_);
    groupBox_->setAccessibleName(tr("Status group"));
    groupBox_->setAccessibleDescription(tr("The status group whose points the window shows"));
    connect(groupBox_, &QComboBox::activated, this, [this](int index) { window_.selectGroupEntry(index); });

    row->addWidget(mainToolBar);
    row->addWidget(sectionToolBar);
    row->addWidget(groupBoxLabel);
    row->addWidget(groupBox_);
    row->addStretch(1);
}

void ToolbarBand::buildTriage(QHBoxLayout* row) {
    findBox_ = new QLineEdit(this);
    findBox_->setObjectName(QStringLiteral("findBox"));
    findBox_->setPlaceholderText(tr("Find name or address (Ctrl+F)"));
    findBox_->setClearButtonEnabled(true);
    findBox_->setMinimumWidth(200);
    findBox_->setAccessibleName(tr("Find"));
    findBox_->setAccessibleDescription(tr("Shows only the rows whose name or address holds this text"));
    findMatches_ = new QLabel(this);
    findMatches_->setObjectName(QStringLiteral("findMatches"));
    connect(findBox_, &QLineEdit::textChanged, this, &ToolbarBand::findTextChanged);
    for (const QKeySequence& keys : {QKeySequence(QKeySequence::Find), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [this] {
            findBox_->setFocus(Qt::ShortcutFocusReason);
            findBox_->selectAll();
        });

    // Triage: only the rows in alarm or warning, in every section (Ctrl+A stays select-all).
    abnormalOnly_ = new QAction(tr("Abnormal only"), this);
    abnormalOnly_->setObjectName(QStringLiteral("abnormalOnly"));
    abnormalOnly_->setCheckable(true);
    abnormalOnly_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    abnormalOnly_->setToolTip(withShortcut(tr("Show only the points in alarm or warning"), abnormalOnly_->shortcut()));
    connect(abnormalOnly_, &QAction::toggled, this, &ToolbarBand::abnormalOnlyChanged);
    addAction(abnormalOnly_);
    auto* abnormalButton = new QToolButton(this);
    abnormalButton->setDefaultAction(abnormalOnly_);

    // The attention list above the sections, on unless the operator switches it off.
    QAction* attention = new QAction(tr("Attention list"), this);
    attention->setObjectName(QStringLiteral("attentionToggle"));
    attention->setCheckable(true);
    attention->setChecked(window_.attention().isEnabled());
    attention->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    attention->setToolTip(
        withShortcut(tr("Show every point in alarm or warning above the sections"), attention->shortcut()));
    connect(attention, &QAction::toggled, this, [this](bool on) { window_.setAttentionEnabled(on); });
    addAction(attention);
    auto* attentionButton = new QToolButton(this);
    attentionButton->setDefaultAction(attention);
    totals_ = new QLabel(this);
    totals_->setObjectName(QStringLiteral("totals"));

    auto* exportButton = new QToolButton(this);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    exportButton->setText(tr("Export"));
    const QKeySequence exportKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_E);
    exportButton->setToolTip(withShortcut(tr("Copy or export rows"), exportKeys));
    connect(new QShortcut(exportKeys, this), &QShortcut::activated, exportButton, &QToolButton::showMenu);
    exportButton->setPopupMode(QToolButton::InstantPopup);
    auto* exportMenu = new QMenu(exportButton);
    exportMenu->setObjectName(QStringLiteral("exportMenu"));
    QAction* copy = exportMenu->addAction(tr("Copy Selected Rows"));
    copy->setObjectName(QStringLiteral("copyRows"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WindowShortcut);
    addAction(copy);  // Ctrl+C anywhere in the window, not only while the menu is open
    connect(copy, &QAction::triggered, this, &ToolbarBand::copyRequested);
    exportSectionMenu_ = exportMenu->addMenu(tr("Export Section to CSV"));
    for (Section section : kAllSections) {
        QAction* item = exportSectionMenu_->addAction(StatusWindow::sectionCaption(section));
        item->setObjectName(QStringLiteral("export") + StatusWindow::sectionName(section));
        item->setData(sectionIndex(section));
        connect(item, &QAction::triggered, this, [this, section] { emit exportRequested(section); });
    }
    QAction* whole = exportMenu->addAction(tr("Export Window to CSV..."));
    whole->setObjectName(QStringLiteral("exportWindow"));
    connect(whole, &QAction::triggered, this, [this] { emit exportRequested(std::nullopt); });
    exportButton->setMenu(exportMenu);

    row->addWidget(findBox_);
    row->addWidget(findMatches_);
    row->addWidget(abnormalButton);
    row->addWidget(attentionButton);
    row->addWidget(exportButton);
    row->addWidget(totals_, 1);
}

QString ToolbarBand::findText() const { return findBox_->text(); }

void ToolbarBand::showSections() {
    // Find and "Abnormal only" narrow the sections; the masked and overridden lists have neither.
    const bool sections = window_.viewMode() == StatusWindow::ViewMode::Sections;
    findBox_->setEnabled(sections);
    abnormalOnly_->setEnabled(sections);
    for (QAction* item : exportSectionMenu_->actions())
        item->setEnabled(window_.isSectionUsed(Section(item->data().toInt())));
    for (Section section : kAllSections)
        sectionItems_[size_t(sectionIndex(section))]->setEnabled(window_.isSectionUsed(section));
    sectionItems_[size_t(sectionIndex(Section::Modules))]->setVisible(window_.modulesItemVisible());
    sectionButton_->setText(window_.sectionButtonCaption());
    // The Status button reads as the menu entry chosen last while its section shows alone.
    const std::optional<Section> solo = window_.soloSection();
    statusButton_->setText(!solo                          ? tr("Status")
                           : chosenStatusSection_ == solo ? chosenStatusText_
                                                          : StatusWindow::sectionCaption(*solo));
    for (QAction* entry : statusMenu_->actions()) {
        const int section = entry->data().toInt();
        if (isSectionIndex(section))
            entry->setEnabled(window_.isSectionUsed(Section(section)));
    }
    // The button of the view that shows stays pressed.
    const StatusWindow::ViewMode mode = window_.viewMode();
    overriddenButton_->setChecked(mode == StatusWindow::ViewMode::Overridden);
    maskedButton_->setChecked(mode == StatusWindow::ViewMode::Masked);
    statusButton_->setChecked(mode == StatusWindow::ViewMode::Sections);
}

void ToolbarBand::showGroupBox() {
    const QString deleted = window_.deletedGroupName();
    groupBox_->setPlaceholderText(deleted.isEmpty() ? QString() : tr("%1 (deleted)").arg(deleted));
    const QVector<GroupEntry>& entries = window_.groupEntries();
    bool same = groupBox_->count() == entries.size();
    for (int i = 0; same && i < entries.size(); ++i)
        same = groupBox_->itemText(i) == entries[i].text && groupBox_->itemData(i).toInt() == entries[i].itemData;
    const QSignalBlocker block(groupBox_);
    if (!same) {
        groupBox_->clear();
        for (const GroupEntry& entry : entries)
            groupBox_->addItem(entry.text, entry.itemData);
    }
    groupBox_->setCurrentIndex(window_.selectedGroupIndex());
}

void ToolbarBand::showCounts(const SectionCounts& total) {
    if (findBox_->text().isEmpty() || !findBox_->isEnabled())
        findMatches_->clear();
    else
        findMatches_->setText(tr("%Ln match(es)", nullptr, total.shown));
    QString text = tr("Total: %1").arg(CountTexts::points(total));
    for (const QString& part : {CountTexts::alarms(total), CountTexts::warnings(total)})
        if (!part.isEmpty())
            text += QStringLiteral(", ") + part;
    totals_->setText(text);
    TextHue::set(*totals_, total.alarms > 0 ? kAlarmHue : QColor(), total.alarms > 0);
}

}  // namespace so
