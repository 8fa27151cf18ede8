#include "ui/StatusFrame.h"

#include "base/ComponentContext.h"
#include <statusobject/Dialogs.h>
#include "base/SiteLink.h"
#include "base/ErrorTrap.h"
#include "ui/AttentionPanel.h"
#include "ui/SectionHeader.h"
#include "ui/StatusGridModel.h"
#include "ui/ToolbarImages.h"
#include "window/CsvExport.h"
#include "window/SectionSharing.h"
#include "window/StatusWindow.h"

#include <functional>
#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSaveFile>
#include <QShortcut>
#include <QStatusBar>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSplitter>
#include <QStyle>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace so {
namespace {

constexpr int kStatusGroupBoxWidth = 220;

/// Every tool button without a name of its own is named by its action's or its own text and
/// described by its tool tip, so that a screen reader says what each button does.
void describeButtons(QWidget& root) {
    for (QToolButton* button : root.findChildren<QToolButton*>()) {
        const QAction* action = button->defaultAction();
        if (button->accessibleName().isEmpty())
            button->setAccessibleName(action != nullptr ? action->text() : button->text());
        if (button->accessibleDescription().isEmpty())
            button->setAccessibleDescription(action != nullptr ? action->toolTip() : button->toolTip());
    }
}
/// The boundary between two stacked sections, which the operator can drag.
constexpr int kSectionHandleWidth = 5;
/// How much of white lies over the still of the rows while a group loads (of 255).
constexpr int kCoverVeil = 150;

/// The "Status" button's menu: its texts and the section each one shows alone (-1: all sections).
/// Expansion inputs and relays live in the Inputs and Relays sections.
struct StatusMenuEntry {
    const char* text;
    int section;
};
constexpr StatusMenuEntry kStatusMenu[] = {
    {"Status Group", -1}, {"Doors", 0},  {"Inputs", 1}, {"Relays", 2},           {"Readers", 3},
    {"Controllers", 4},   {"Pylons", 5}, {"Ports", 6},  {"Expansion Inputs", 1}, {"Expansion Relays", 2},
};

/// A one-line label that never asks for more width than it is given: its text is cut with an
/// ellipsis and shown whole in its tooltip, so a long notice never widens the window.
class ElidedLabel final : public QLabel {
public:
    explicit ElidedLabel(QWidget* parent) : QLabel(parent) {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    void setFullText(const QString& text) {
        full_ = text;
        setToolTip(text);
        elide();
    }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }
    QSize sizeHint() const override { return {0, QLabel::sizeHint().height()}; }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        elide();
    }

private:
    void elide() { setText(fontMetrics().elidedText(full_, Qt::ElideRight, std::max(0, contentsRect().width()))); }

    QString full_;
};

/// A tooltip naming the key that does the same.
QString withShortcut(const QString& tip, const QKeySequence& keys) {
    return QStringLiteral("%1 (%2)").arg(tip, keys.toString(QKeySequence::NativeText));
}

QVBoxLayout* stackLayout(QWidget* widget) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

}  // namespace

StatusFrame::StatusFrame(StatusWindow& window, QWidget* parent) : QWidget(parent), window_(window) {
    ComponentContext& ctx = window_.context();
    // The host's image list is copied once: the grids' icons are indexes into it.
    if (ctx.parent != nullptr)
        trap(ctx, QStringLiteral("Status: InitForm"), [&] { icons_.load(ctx.host().ilconsole()); });

    buildToolbars();
    buildPages();
    statusBar_ = new QStatusBar(this);
    statusBar_->setSizeGripEnabled(false);
    lastChange_ = new QLabel(tr("No state change received yet"), statusBar_);
    statusBar_->addPermanentWidget(lastChange_);
    notice_ = new ElidedLabel(statusBar_);
    notice_->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    notice_->hide();
    statusBar_->addWidget(notice_, 1);
    if (ctx.siteLink != nullptr) {
        link_ = new QLabel(statusBar_);
        statusBar_->addWidget(link_);
        showLink();
        connect(ctx.siteLink, &SiteLink::reachableChanged, this, &StatusFrame::showLink);
        connect(ctx.siteLink, &SiteLink::busyChanged, this, &StatusFrame::showLink);
        connect(ctx.siteLink, &SiteLink::damagedChanged, this, &StatusFrame::showLink);
    }
    attention_ = new AttentionPanel(window_.attention(),
                                    [this](int section, int row, bool openMenu) { goToRow(section, row, openMenu); }, this);
    attention_->setHeightShare(this, kAttentionShare);
    auto* root = stackLayout(this);
    root->addWidget(band_);
    root->addWidget(attention_);
    root->addWidget(pages_, 1);
    root->addWidget(statusBar_);
    resize(800, 600);
    describeButtons(*this);

    insightTimer_.setInterval(kInsightIntervalMs);
    connect(&insightTimer_, &QTimer::timeout, this, &StatusFrame::updateInsight);
    insightTimer_.start();

    window_.setView(this);
    captionChanged(window_.caption());
    groupBoxChanged();
    sectionsChanged();
    coverChanged(window_.coverShown());
}

StatusFrame::~StatusFrame() {
    insightTimer_.stop();
    // The models outlive this object's members by a moment: they stop recording first.
    for (SectionGridView* view : views_)
        view->gridModel()->setInsight(false, nullptr);
    if (window_.view() == this)
        window_.setView(nullptr);
}

RecentChanges& StatusFrame::recentChanges() { return window_.recentChanges(); }

// ---------------------------------------------------------------- building

void StatusFrame::buildToolbars() {
    band_ = new QWidget(this);
    auto* band = new QHBoxLayout;
    band->setSpacing(6);

    mainToolBar_ = new QToolBar(QStringLiteral("tbrMain"), band_);
    mainToolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    mainToolBar_->setIconSize(QSize(toolbar::kImageSize, toolbar::kImageSize));
    const auto addButton = [this](const QIcon& icon, const QString& text, const QString& tip,
                                  const QKeySequence& keys, std::function<void()> operation) {
        QAction* action = mainToolBar_->addAction(icon, text);
        action->setShortcut(keys);
        action->setToolTip(withShortcut(tip, keys));
        connect(action, &QAction::triggered, this, std::move(operation));
        return action;
    };
    overriddenButton_ =
        addButton(toolbar::overriddenImage(), tr("Overridden"), tr("Overridden Points"),
                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), [this] { window_.showOverridden(); });
    overriddenButton_->setCheckable(true);
    maskedButton_ = addButton(toolbar::maskedImage(), tr("Masked"), tr("Masked Points"),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M), [this] { window_.showMasked(); });
    maskedButton_->setCheckable(true);
    statusButton_ = addButton(toolbar::statusGroupImage(), tr("Status"), tr("Status Group"),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { window_.showSections(); });
    statusButton_->setCheckable(true);
    statusMenu_ = new QMenu(tr("Status Group"), this);
    for (const StatusMenuEntry& entry : kStatusMenu) {
        QAction* item = statusMenu_->addAction(QString::fromLatin1(entry.text));
        item->setData(entry.section);
        const int section = entry.section;
        connect(item, &QAction::triggered, this, [this, section, entry] {
            chosenStatusText_ = QString::fromLatin1(entry.text);
            chosenStatusSection_ = section;
            if (section < 0)
                window_.showAllSections();
            else
                window_.showOnlySection(section);
        });
    }
    statusButton_->setMenu(statusMenu_);
    if (auto* button = qobject_cast<QToolButton*>(mainToolBar_->widgetForAction(statusButton_)))
        button->setPopupMode(QToolButton::MenuButtonPopup);
    mainToolBar_->addSeparator();
    configureButton_ = addButton(toolbar::configureImage(), tr("Configure Status Groups"),
                                 tr("Configure Status Groups"),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G), [this] { window_.configureGroups(); });
    // F1 is the window's own key (acted on when it is released), not a second trigger of the button.
    helpButton_ = addButton(toolbar::helpImage(), tr("Help"), tr("Help"), {},
                            [this] { window_.showHelp(); });
    helpButton_->setToolTip(withShortcut(tr("Help"), QKeySequence(Qt::Key_F1)));

    sectionToolBar_ = new QToolBar(QStringLiteral("tbrSG"), band_);
    sectionToolBar_->setIconSize(QSize(toolbar::kImageSize, toolbar::kImageSize));
    sectionMenu_ = new QMenu(this);
    allSectionsItem_ = sectionMenu_->addAction(StatusWindow::allSectionsText());
    connect(allSectionsItem_, &QAction::triggered, this, [this] { window_.showAllSections(); });
    sectionSeparator_ = sectionMenu_->addSeparator();
    for (int section = 0; section < kSectionCount; ++section) {
        QAction* action = sectionMenu_->addAction(StatusWindow::sectionName(section));
        connect(action, &QAction::triggered, this, [this, section] { window_.showOnlySection(section); });
        sectionItems_[section] = action;
    }
    sectionButton_ = new QToolButton(sectionToolBar_);
    sectionButton_->setIcon(toolbar::sectionsImage());
    sectionButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    sectionButton_->setPopupMode(QToolButton::InstantPopup);
    sectionButton_->setMenu(sectionMenu_);
    const QKeySequence sectionKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_V);
    sectionButton_->setToolTip(withShortcut(tr("Sections shown"), sectionKeys));
    sectionButton_->setAccessibleName(tr("Sections shown"));
    connect(new QShortcut(sectionKeys, this), &QShortcut::activated, sectionButton_, &QToolButton::showMenu);
    sectionToolBar_->addWidget(sectionButton_);

    groupBoxLabel_ = new QLabel(tr("Status Group:"), band_);
    groupBox_ = new QComboBox(band_);
    groupBox_->setMinimumWidth(kStatusGroupBoxWidth);
    groupBoxLabel_->setBuddy(groupBox_);
    groupBox_->setAccessibleName(tr("Status group"));
    groupBox_->setAccessibleDescription(tr("The status group whose points the window shows"));
    connect(groupBox_, &QComboBox::activated, this, [this](int index) { window_.selectGroupEntry(index); });

    band->addWidget(mainToolBar_);
    band->addWidget(sectionToolBar_);
    band->addWidget(groupBoxLabel_);
    band->addWidget(groupBox_);
    band->addStretch(1);
    // Find, triage, export and the total sit in a second row of the band, so that neither row
    // hides a button or cuts the total on a window of ordinary width.
    auto* triage = new QHBoxLayout;
    triage->setSpacing(6);
    buildFindAndExport(triage);
    auto* rows = new QVBoxLayout(band_);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(2);
    rows->addLayout(band);
    rows->addLayout(triage);
}

void StatusFrame::buildFindAndExport(QHBoxLayout* band) {
    findBox_ = new QLineEdit(band_);
    findBox_->setPlaceholderText(tr("Find name or address (Ctrl+F)"));
    findBox_->setClearButtonEnabled(true);
    findBox_->setMinimumWidth(200);
    findBox_->setAccessibleName(tr("Find"));
    findBox_->setAccessibleDescription(tr("Shows only the rows whose name or address holds this text"));
    findMatches_ = new QLabel(band_);
    connect(findBox_, &QLineEdit::textChanged, this, &StatusFrame::filterChanged);
    findBox_->installEventFilter(this);
    for (const QKeySequence& keys : {QKeySequence(QKeySequence::Find), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [this] {
            findBox_->setFocus(Qt::ShortcutFocusReason);
            findBox_->selectAll();
        });

    // Triage: only the rows in alarm or warning, in every section (Ctrl+A stays select-all).
    abnormalOnly_ = new QAction(tr("Abnormal only"), this);
    abnormalOnly_->setCheckable(true);
    abnormalOnly_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    abnormalOnly_->setToolTip(withShortcut(tr("Show only the points in alarm or warning"),
                                           abnormalOnly_->shortcut()));
    connect(abnormalOnly_, &QAction::toggled, this, [this](bool on) {
        for (SectionGridView* view : views_)
            view->setAbnormalOnly(on);
        showCounts();
    });
    addAction(abnormalOnly_);
    auto* abnormalButton = new QToolButton(band_);
    abnormalButton->setDefaultAction(abnormalOnly_);

    // The attention list above the sections, on unless the operator switches it off.
    attentionToggle_ = new QAction(QStringLiteral("Attention list"), this);
    attentionToggle_->setCheckable(true);
    attentionToggle_->setChecked(window_.attention().isEnabled());
    attentionToggle_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    attentionToggle_->setToolTip(withShortcut(QStringLiteral("Show every point in alarm or warning above the sections"),
                                              attentionToggle_->shortcut()));
    connect(attentionToggle_, &QAction::toggled, this, [this](bool on) { window_.setAttentionEnabled(on); });
    addAction(attentionToggle_);
    auto* attentionButton = new QToolButton(band_);
    attentionButton->setDefaultAction(attentionToggle_);
    totals_ = new QLabel(band_);

    exportButton_ = new QToolButton(band_);
    exportButton_->setText(tr("Export"));
    const QKeySequence exportKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_E);
    exportButton_->setToolTip(withShortcut(tr("Copy or export rows"), exportKeys));
    connect(new QShortcut(exportKeys, this), &QShortcut::activated, exportButton_, &QToolButton::showMenu);
    exportButton_->setPopupMode(QToolButton::InstantPopup);
    exportMenu_ = new QMenu(exportButton_);
    QAction* copy = exportMenu_->addAction(tr("Copy Selected Rows"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WindowShortcut);
    addAction(copy);  // Ctrl+C anywhere in the window, not only while the menu is open
    connect(copy, &QAction::triggered, this, [this] { copySelectedRows(); });
    exportSectionMenu_ = exportMenu_->addMenu(tr("Export Section to CSV"));
    for (int section = 0; section < kSectionCount; ++section) {
        QAction* item =
            exportSectionMenu_->addAction(StatusWindow::sectionName(section));
        item->setData(section);
        connect(item, &QAction::triggered, this, [this, section] { exportCsvInteractive(section); });
    }
    connect(exportMenu_->addAction(tr("Export Window to CSV...")), &QAction::triggered, this,
            [this] { exportCsvInteractive(kWholeWindow); });
    exportButton_->setMenu(exportMenu_);

    band->addWidget(findBox_);
    band->addWidget(findMatches_);
    band->addWidget(abnormalButton);
    band->addWidget(attentionButton);
    band->addWidget(exportButton_);
    band->addWidget(totals_, 1);
}

void StatusFrame::buildPages() {
    pages_ = new QStackedWidget(this);

    sectionStack_ = new QSplitter(Qt::Vertical, pages_);
    sectionStack_->setChildrenCollapsible(false);
    sectionStack_->setHandleWidth(kSectionHandleWidth);
    connect(sectionStack_, &QSplitter::splitterMoved, this, [this] { sectionsSizedByOperator_ = true; });
    sectionStack_->installEventFilter(this);
    for (int section = 0; section < kSectionCount; ++section) {
        QWidget* panel = new QWidget(sectionStack_);
        panel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        QVBoxLayout* panelLayout = stackLayout(panel);
        auto* header = new SectionHeader(section, StatusWindow::sectionName(section), panel);
        auto* model = new StatusGridModel(window_.grid(section), &icons_);
        model->setInsight(true, &recentChanges());
        auto* view = new SectionGridView(window_, section, model, panel);
        connect(view, &SectionGridView::shownRowsChanged, this, [this, section] {
            recount(section);
            showCounts();
        });
        connect(view, &SectionGridView::contentHeightChanged, this, [this, section] { fitPanel(section); });
        model->setParent(view);
        view->setAccessibleName(StatusWindow::sectionName(section));
        view->setAccessibleDescription(
            tr("The points of the %1 section, one row a point").arg(StatusWindow::sectionName(section)));
        header->setRowHeight(view->rowHeight());
        connect(header, &SectionHeader::toggleClicked, this, [this](int s) { window_.toggleSection(s); });
        panelLayout->addWidget(header);
        panelLayout->addWidget(view);
        sectionStack_->addWidget(panel);
        panels_[section] = panel;
        headers_[section] = header;
        views_[section] = view;
        recount(section);
    }

    singleHost_ = new QWidget(pages_);
    singleLayout_ = stackLayout(singleHost_);

    auto* maskedModel = new StatusGridModel(window_.gridMasked(), &icons_);
    maskedView_ = new SectionGridView(window_, SectionGridView::kMaskedGrid, maskedModel, pages_);
    maskedModel->setParent(maskedView_);
    connect(maskedView_, &SectionGridView::shownRowsChanged, this, &StatusFrame::showCounts);
    maskedView_->setAccessibleName(tr("Masked points"));
    maskedView_->setAccessibleDescription(tr("The masked points of the whole site, one row a point"));

    auto* overriddenModel = new StatusGridModel(window_.gridOverridden(), &icons_);
    overridden_ = new SectionGridView(window_, SectionGridView::kOverriddenGrid, overriddenModel, pages_);
    overriddenModel->setParent(overridden_);
    overridden_->setAccessibleName(tr("Overridden points"));
    overridden_->setAccessibleDescription(tr("The points of the shown group under an operator's override, one row a point"));
    connect(overridden_, &SectionGridView::shownRowsChanged, this, &StatusFrame::showCounts);

    pages_->addWidget(sectionStack_);
    pages_->addWidget(singleHost_);
    pages_->addWidget(maskedView_);
    pages_->addWidget(overridden_);

    // The cover lies over whichever page shows while a group loads.
    cover_ = new QLabel(pages_);
    cover_->setAutoFillBackground(true);
    cover_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cover_->hide();
    pages_->installEventFilter(this);
}

// ---------------------------------------------------------------- the view interface

StatusGridModel* StatusFrame::sectionModel(int section) const { return views_.at(section)->gridModel(); }
StatusGridModel* StatusFrame::maskedModel() const { return maskedView_->gridModel(); }

QAction* StatusFrame::sectionMenuItem(int section) const {
    return section >= 0 && section < kSectionCount ? sectionItems_[section] : nullptr;
}

QWidget* StatusFrame::container() const { return sectionStack_; }

QWidget* StatusFrame::currentPage() const { return pages_->currentWidget(); }

void StatusFrame::fitPanel(int section) {
    const int strip = headers_[section]->minimumHeight();
    const bool stacked = section != singleSection_ && window_.isSectionGridVisible(section);
    const int cap = stacked ? strip + views_[section]->contentHeight() : strip;
    if (panels_[section]->maximumHeight() == cap)
        return;
    panels_[section]->setMaximumHeight(cap);
    if (!sectionsSizedByOperator_)
        distributeSections();
}

void StatusFrame::distributeSections() {
    std::vector<SectionNeed> needs(static_cast<size_t>(kSectionCount));
    int handles = -kSectionHandleWidth;  // one fewer than the sections in sight
    for (int section = 0; section < kSectionCount; ++section) {
        if (!window_.isHeaderShown(section))
            continue;
        SectionNeed& need = needs[size_t(section)];
        handles += kSectionHandleWidth;
        need.shown = true;
        need.strip = headers_[section]->minimumHeight();
        if (section == singleSection_ || !window_.isSectionGridVisible(section))
            continue;
        const SectionGridView* view = views_[section];
        need.rowHeight = view->rowHeight();
        need.rows = view->shownRowCount();
        need.chrome = view->contentHeight() - need.rows * need.rowHeight;
        const SectionCounts& counts = headers_[section]->counts();
        need.attention = counts.alarms > 0     ? SectionNeed::kAlarms
                         : counts.warnings > 0 ? SectionNeed::kWarnings
                                               : 0;
    }
    const std::vector<int> heights = shareSectionHeights(sectionStack_->height() - std::max(0, handles), needs);
    sectionStack_->setSizes(QList<int>(heights.begin(), heights.end()));
    sectionsSizedByOperator_ = false;
}

void StatusFrame::arrangeForm() {
    if (!sectionsSizedByOperator_)
        distributeSections();
    cover_->setGeometry(pages_->rect());
}

void StatusFrame::placeSectionViews() {
    const int single = window_.soloSection();
    if (single == singleSection_)
        return;
    if (singleSection_ >= 0) {
        // Back into its panel, under its header strip.
        SectionGridView* view = views_[singleSection_];
        singleLayout_->removeWidget(view);
        panels_[singleSection_]->layout()->addWidget(view);
    }
    singleSection_ = single;
    if (single >= 0) {
        SectionGridView* view = views_[single];
        panels_[single]->layout()->removeWidget(view);
        singleLayout_->addWidget(view);
    }
}

void StatusFrame::sectionsChanged() {
    placeSectionViews();
    for (int section = 0; section < kSectionCount; ++section) {
        headers_[section]->setExpanded(!window_.isCollapsed(section));
        panels_[section]->setVisible(window_.isHeaderShown(section));
        views_[section]->setVisible(window_.isSectionGridVisible(section));
    }
    // Opened or closed sections, another group or another choice: the heights are shared out anew.
    sectionsSizedByOperator_ = false;
    for (int section = 0; section < kSectionCount; ++section)
        fitPanel(section);
    distributeSections();
    switch (window_.viewMode()) {
    case StatusWindow::ViewMode::Masked:
        pages_->setCurrentWidget(maskedView_);
        break;
    case StatusWindow::ViewMode::Overridden:
        pages_->setCurrentWidget(overridden_);
        break;
    case StatusWindow::ViewMode::Sections:
        pages_->setCurrentWidget(singleSection_ >= 0 ? singleHost_ : sectionStack_);
        break;
    }
    cover_->raise();
    // Find and "Abnormal only" narrow the sections; the masked list and the placeholder have none.
    const bool sections = window_.viewMode() == StatusWindow::ViewMode::Sections;
    findBox_->setEnabled(sections);
    abnormalOnly_->setEnabled(sections);
    showCounts();
    updateToolbarState();
}

void StatusFrame::updateToolbarState() {
    for (QAction* item : exportSectionMenu_->actions())
        item->setEnabled(window_.isSectionUsed(item->data().toInt()));
    for (int section = 0; section < kSectionCount; ++section)
        sectionItems_[section]->setEnabled(window_.isSectionUsed(section));
    sectionItems_[kSectionCount - 1]->setVisible(window_.modulesItemVisible());
    sectionButton_->setText(window_.sectionButtonCaption());
    // The Status button reads as the menu entry chosen last while its section shows alone.
    const int solo = window_.soloSection();
    statusButton_->setText(solo < 0                        ? tr("Status")
                           : chosenStatusSection_ == solo ? chosenStatusText_
                                                          : StatusWindow::sectionName(solo));
    for (QAction* entry : statusMenu_->actions()) {
        const int section = entry->data().toInt();
        if (section >= 0)
            entry->setEnabled(window_.isSectionUsed(section));
    }
    // The button of the view that shows stays pressed.
    const StatusWindow::ViewMode mode = window_.viewMode();
    overriddenButton_->setChecked(mode == StatusWindow::ViewMode::Overridden);
    maskedButton_->setChecked(mode == StatusWindow::ViewMode::Masked);
    statusButton_->setChecked(mode == StatusWindow::ViewMode::Sections);
}

void StatusFrame::coverChanged(bool shown) {
    if (!shown) {
        cover_->hide();
        cover_->clear();
        return;
    }
    // While a group loads the rows in sight stay, greyed, until the new rows are painted: the
    // cover shows a still of them. The window is drawn once at once, so that nothing of the closed
    // drop-down that chose the group stays on it meanwhile (the load runs without the event loop).
    cover_->hide();
    QPixmap still = pages_->grab();
    {
        QPainter painter(&still);
        painter.fillRect(still.rect(), QColor(255, 255, 255, kCoverVeil));
    }
    cover_->setPixmap(still);
    cover_->setGeometry(pages_->rect());
    cover_->show();
    cover_->raise();
    if (isVisible())
        repaint();
}

void StatusFrame::groupBoxChanged() {
    // A shown group deleted at another workstation: said in the status bar (the operator may be
    // away from the desk, so no box waits for a click), its rows greyed until another is chosen.
    const QString deleted = window_.deletedGroupName();
    groupBox_->setPlaceholderText(deleted.isEmpty() ? QString() : QStringLiteral("%1 (deleted)").arg(deleted));
    static_cast<ElidedLabel*>(notice_)->setFullText(
        deleted.isEmpty() ? QString()
                          : QStringLiteral("The status group \"%1\" was deleted at another workstation; "
                                           "its points are no longer a group. Choose another group.")
                                .arg(deleted));
    notice_->setVisible(!deleted.isEmpty());
    for (SectionGridView* view : views_)
        view->gridModel()->setStale(!deleted.isEmpty());
    const QVector<GroupEntry>& entries = window_.groupEntries();
    bool same = groupBox_->count() == entries.size();
    for (int i = 0; same && i < entries.size(); ++i)
        same = groupBox_->itemText(i) == entries[i].text &&
               groupBox_->itemData(i).toInt() == entries[i].itemData;
    const QSignalBlocker block(groupBox_);
    if (!same) {
        groupBox_->clear();
        for (const GroupEntry& entry : entries)
            groupBox_->addItem(entry.text, entry.itemData);
    }
    groupBox_->setCurrentIndex(window_.selectedGroupIndex());
}

void StatusFrame::captionChanged(const QString& caption) {
    caption_ = caption;
    QString title = titleSuffix_.isEmpty() ? caption : QStringLiteral("%1 - %2").arg(caption, titleSuffix_);
    const int alarms = window_.attention().isEnabled() ? window_.attention().alarmCount() : 0;
    if (alarms > 0)
        title += QStringLiteral(" — %L1 alarm%2").arg(alarms).arg(alarms == 1 ? "" : "s");
    setWindowTitle(title);
}

void StatusFrame::attentionChanged(bool newAlarm) {
    attention_->refresh(newAlarm);
    captionChanged(caption_);
}

void StatusFrame::goToRow(int section, int row, bool openMenu) {
    if (section < 0 || section >= kSectionCount)
        return;
    if (window_.viewMode() != StatusWindow::ViewMode::Sections ||
        (window_.soloSection() >= 0 && window_.soloSection() != section))
        window_.showAllSections();
    if (window_.isCollapsed(section))
        window_.toggleSection(section);
    SectionGridView* view = views_[section];
    if (!view->goToGridRow(row))
        return;
    view->setFocus(Qt::OtherFocusReason);
    if (openMenu)
        view->openMenuFromKeyboard();
}

void StatusFrame::setTitleSuffix(const QString& suffix) {
    titleSuffix_ = suffix;
    captionChanged(caption_);
}

void StatusFrame::focusGrid(int section) {
    if (section >= 0 && section < kSectionCount)
        views_[section]->setFocus(Qt::MouseFocusReason);
}

void StatusFrame::openConfigureDialog() {
    if (configureDialogOpener_)
        configureDialogOpener_();
}

void StatusFrame::closeWindow() { close(); }

qint64 StatusFrame::nativeHandle() const { return qint64(winId()); }

QRectF StatusFrame::geometryTwips() const {
    const double perPixelX = 1440.0 / logicalDpiX();
    const double perPixelY = 1440.0 / logicalDpiY();
    return {pos().x() * perPixelX, pos().y() * perPixelY, width() * perPixelX, height() * perPixelY};
}

TextMetrics StatusFrame::textMetrics() const {
    const SectionGridView* view = views_[0];
    // Cells are measured in the bold type of a row whose state just changed, the widest a row is
    // drawn in: a name that fits then fits at any moment.
    const QFontMetrics cells(view->gridModel()->boldFont());
    const QFontMetrics captions = view->horizontalHeader()->fontMetrics();
    QStyle* style = view->style();
    // A caption needs the header's margins on both sides and room for the sort indicator.
    const int headerMargin = style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, view);
    const int captionRoom = 3 * headerMargin + style->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, view);
    TextMetrics metrics;
    metrics.averageCharWidth = cells.averageCharWidth();
    metrics.cellTextWidth = [cells](const QString& text) { return cells.horizontalAdvance(text); };
    metrics.captionWidth = [captions, captionRoom](const QString& text) {
        return captions.horizontalAdvance(text) + captionRoom;
    };
    // Beside its text a cell has the style's text margins (and a pixel of grid line, and one to
    // spare); an icon takes its width and a margin on both sides.
    const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    metrics.cellPadding = 2 * textMargin + 2;
    metrics.iconWidth = view->iconSize().width() + 2 * textMargin;
    metrics.markerWidth = view->markerRoom();
    return metrics;
}

void StatusFrame::columnWidthsChanged(int section) {
    SectionGridView* view = section >= 0 && section < kSectionCount ? views_[section]
                            : section == kOverriddenList                ? overridden_
                                                                        : maskedView_;
    view->syncColumnsFromGrid();
}

void StatusFrame::progressChanged(const QString& text) {
    if (text.isEmpty()) {
        statusBar_->clearMessage();
        return;
    }
    statusBar_->showMessage(text);
    // The work runs on without the event loop: the message is drawn now.
    if (statusBar_->isVisible())
        statusBar_->repaint();
}

void StatusFrame::setOnGridMouseUp(SectionGridView::MouseUpHandler handler) {
    for (SectionGridView* view : views_)
        view->setMouseUpHandler(handler);
}

// ---------------------------------------------------------------- find, counts, export

void StatusFrame::filterChanged(const QString& text) {
    // The views whose rows in sight change recount through shownRowsChanged.
    for (SectionGridView* view : views_)
        view->setFilterText(text);
    showCounts();
}

void StatusFrame::recount(int section) {
    headers_[section]->setCounts(views_[section]->counts());
}

SectionCounts StatusFrame::countsInSight() const {
    SectionCounts total;
    switch (window_.viewMode()) {
    case StatusWindow::ViewMode::Masked:
        return maskedView_->counts();
    case StatusWindow::ViewMode::Overridden:
        return overridden_->counts();
    case StatusWindow::ViewMode::Sections:
        break;
    }
    if (singleSection_ >= 0)
        return headers_[singleSection_]->counts();
    for (int section = 0; section < kSectionCount; ++section)
        if (window_.isHeaderShown(section))
            total += headers_[section]->counts();
    return total;
}

int StatusFrame::findMatches() const { return countsInSight().shown; }

void StatusFrame::showCounts() {
    if (findBox_ == nullptr || totals_ == nullptr)
        return;
    const SectionCounts total = countsInSight();
    if (findBox_->text().isEmpty() || !findBox_->isEnabled())
        findMatches_->clear();
    else
        findMatches_->setText(total.shown == 1 ? QStringLiteral("1 match")
                                               : QStringLiteral("%L1 matches").arg(total.shown));
    QString text = QStringLiteral("Total: ") + total.pointsText();
    for (const QString& part : {total.alarmsText(), total.warningsText()})
        if (!part.isEmpty())
            text += QStringLiteral(", ") + part;
    totals_->setText(text);
    totals_->setStyleSheet(total.alarms > 0 ? QStringLiteral("color: #b00000; font-weight: bold;") : QString());
}

void StatusFrame::updateInsight() {
    // Rows added, removed or filtered recount at once (shownRowsChanged); changed states here.
    bool attentionChanged = false;
    for (int section = 0; section < kSectionCount; ++section) {
        StatusGridModel* model = views_[section]->gridModel();
        model->refreshHighlights();
        if (!model->takeCountsDirty())
            continue;
        const SectionCounts before = headers_[section]->counts();
        recount(section);
        const SectionCounts& after = headers_[section]->counts();
        attentionChanged = attentionChanged || (before.alarms > 0) != (after.alarms > 0) ||
                           (before.warnings > 0) != (after.warnings > 0);
    }
    showCounts();
    // A section that now holds alarms or warnings, or no longer does, is placed anew.
    if (attentionChanged && !sectionsSizedByOperator_)
        distributeSections();
    // Every state change received counts, also one that changed no cell; without a site link the
    // last change recorded in the grids stands in.
    const SiteLink* siteLink = window_.context().siteLink;
    const QDateTime last = siteLink != nullptr ? siteLink->lastStateChange()
                           : recentChanges().lastChange() >= 0 ? recentChanges().timeOf(recentChanges().lastChange())
                                                       : QDateTime();
    if (last.isValid() && last != shownLastStateChange_) {
        shownLastStateChange_ = last;
        lastChange_->setText(tr("Last state change: ") + last.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
}

void StatusFrame::showLink() {
    const SiteLink& siteLink = *window_.context().siteLink;
    const bool fine = siteLink.isReachable() && !siteLink.isBusy();
    link_->setText(siteLink.isDamaged()      ? QStringLiteral("\u25B2 Site database file damaged: changes are not saved")
                   : !siteLink.isReachable() ? QStringLiteral("\u25B2 Site database not answering")
                   : siteLink.isBusy()     ? QStringLiteral("\u25B2 Site database busy: changes cannot be saved now")
                                           : QStringLiteral("\u25CF Site database answering"));
    link_->setStyleSheet(fine ? QString() : QStringLiteral("color: #b00000; font-weight: bold;"));
}

QString StatusFrame::copySelectedRows() {
    QString text;
    for (SectionGridView* view : views_) {
        const QVector<int> rows = view->selectedGridRows();
        if (!rows.isEmpty() && view->isVisibleTo(this))
            text += toTabSeparated(exportTable(view->gridModel()->grid(), rows));
    }
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
    return text;
}

bool StatusFrame::exportCsv(int section, const QString& path) {
    QVector<ExportTable> tables;
    for (int s = 0; s < kSectionCount; ++s) {
        if (section != kWholeWindow ? s != section : !window_.isHeaderShown(s))
            continue;
        tables.append(exportTable(views_[s]->gridModel()->grid(), views_[s]->shownGridRows(),
                                  StatusWindow::sectionName(s)));
    }
    const QString text = section == kWholeWindow ? toCsv(tables) : tables.isEmpty() ? QString() : toCsv(tables.first());
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit();
    if (!written)
        window_.context().dialogs->message(tr("The rows could not be written to %1: %2")
                                               .arg(QDir::toNativeSeparators(path), file.errorString()),
                                           tr("Export"), Dialogs::Icon::Critical);
    return written;
}

void StatusFrame::exportCsvInteractive(int section) {
    const QString suggested = section == kWholeWindow ? QStringLiteral("status.csv")
                                                      : StatusWindow::sectionName(section) + QStringLiteral(".csv");
    const QString path = exportPathChooser_
                             ? exportPathChooser_(suggested)
                             : QFileDialog::getSaveFileName(this, tr("Export to CSV"), suggested,
                                                            tr("CSV files (*.csv)"));
    if (!path.isEmpty())
        exportCsv(section, path);
}

// ---------------------------------------------------------------- events

bool StatusFrame::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        window_.activate();
    else if (event->type() == QEvent::WindowDeactivate)
        keys_.forget();
    return QWidget::event(event);
}

void StatusFrame::keyPressEvent(QKeyEvent* event) {
    // Shift+F10 or the Menu key outside a grid: the menu of the current section's current row,
    // or of the first section in sight.
    if (event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        const int current = window_.currentSection();
        SectionGridView* target = current >= 0 && current < kSectionCount && views_[current]->isVisibleTo(this)
                                      ? views_[current]
                                      : nullptr;
        for (int section = 0; target == nullptr && section < kSectionCount; ++section)
            if (views_[section]->isVisibleTo(this) && views_[section]->shownRowCount() > 0)
                target = views_[section];
        event->accept();
        if (target != nullptr) {
            target->setFocus(Qt::ShortcutFocusReason);
            target->openMenuFromKeyboard();
        }
        return;
    }
    keys_.pressed(event->key(), event->isAutoRepeat());
    QWidget::keyPressEvent(event);
}

void StatusFrame::keyReleaseEvent(QKeyEvent* event) {
    // Only a key whose press reached this window acts: the release of the Esc that closed a menu
    // or a dialog comes here too, and must leave the window open.
    if (!keys_.released(event->key(), event->isAutoRepeat())) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_F1:
        event->accept();
        window_.showKeyHelp();
        return;
    case Qt::Key_F5:
        event->accept();
        window_.RefreshAllRows();
        return;
    case Qt::Key_Escape:
        event->accept();
        window_.closeByOperator();
        return;
    default:
        QWidget::keyReleaseEvent(event);
        return;
    }
}

void StatusFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The sections are laid out again a few timer ticks after the last resize.
    if (window_.isLoaded())
        window_.ReShow();
}

bool StatusFrame::eventFilter(QObject* watched, QEvent* event) {
    // Esc in a find box holding text clears it there: the press never reaches the window, so its
    // release does not close it. On an empty box the press goes on and Esc keeps its meaning.
    if (watched == findBox_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && event->type() == QEvent::KeyPress && !findBox_->text().isEmpty()) {
            findBox_->clear();
            return true;
        }
        // The line edit keeps Esc to itself: on an empty box the window takes it from here.
        if (key->key() == Qt::Key_Escape) {
            if (event->type() == QEvent::KeyPress)
                keyPressEvent(key);
            else
                keyReleaseEvent(key);
            return key->isAccepted();
        }
    }
    if (watched == pages_ && event->type() == QEvent::Resize)
        cover_->setGeometry(pages_->rect());
    if (watched == sectionStack_ && event->type() == QEvent::Resize && !sectionsSizedByOperator_)
        distributeSections();
    return QWidget::eventFilter(watched, event);
}

void StatusFrame::closeEvent(QCloseEvent* event) {
    // Closing the window is the operator's Esc: the window unloads and saves its layout.
    if (window_.isLoaded())
        window_.closeByOperator();
    event->accept();
}

}  // namespace so
