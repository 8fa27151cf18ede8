#include "ui/SectionsArea.h"

#include "status/StatusBoard.h"
#include "grid/Sections.h"
#include "ui/SectionHeader.h"
#include "ui/StatusGridModel.h"
#include "window/SectionSharing.h"
#include "window/StatusWindow.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace so {
namespace {

/// The boundary between two stacked sections, which the operator can drag.
constexpr int kSectionHandleWidth = 5;
/// How much of white lies over the still of the rows while a group loads (of 255).
constexpr int kCoverVeil = 150;

QVBoxLayout* stackLayout(QWidget* widget) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

}  // namespace

SectionsArea::SectionsArea(StatusWindow& window, const IconList* icons, QWidget* parent)
    : QWidget(parent), window_(window) {
    setObjectName(QStringLiteral("sectionsArea"));
    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("pages"));
    stackLayout(this)->addWidget(pages_);

    sectionStack_ = new QSplitter(Qt::Vertical, pages_);
    sectionStack_->setObjectName(QStringLiteral("sections"));
    sectionStack_->setChildrenCollapsible(false);
    sectionStack_->setHandleWidth(kSectionHandleWidth);
    connect(sectionStack_, &QSplitter::splitterMoved, this, [this] { sectionsSizedByOperator_ = true; });
    sectionStack_->installEventFilter(this);
    Sections& sections = window_.board().sections();
    for (Section section : kAllSections) {
        const QString name = StatusWindow::sectionName(section);
        QWidget* panel = new QWidget(sectionStack_);
        panel->setObjectName(QStringLiteral("section") + name);
        panel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        QVBoxLayout* panelLayout = stackLayout(panel);
        const QString caption = StatusWindow::sectionCaption(section);
        auto* header = new SectionHeader(section, caption, panel);
        header->setObjectName(QStringLiteral("header") + name);
        auto* model = new StatusGridModel(sections.grid(section), icons);
        model->setInsight(true, &window_.board().recentChanges());
        auto* view = new SectionGridView(window_, section, model, panel);
        view->setObjectName(QStringLiteral("grid") + name);
        connect(view, &SectionGridView::shownRowsChanged, this, [this, section] {
            recount(section);
            emit countsChanged();
        });
        connect(view, &SectionGridView::contentHeightChanged, this, [this, section] { fitPanel(section); });
        model->setParent(view);
        view->setAccessibleName(name);
        view->setAccessibleDescription(tr("The points of the %1 section, one row a point").arg(caption));
        header->setRowHeight(view->rowHeight());
        connect(header, &SectionHeader::toggleClicked, this, [this](Section s) { window_.toggleSection(s); });
        panelLayout->addWidget(header);
        panelLayout->addWidget(view);
        sectionStack_->addWidget(panel);
        panels_[size_t(sectionIndex(section))] = panel;
        headers_[size_t(sectionIndex(section))] = header;
        views_[size_t(sectionIndex(section))] = view;
        recount(section);
    }

    singleHost_ = new QWidget(pages_);
    singleHost_->setObjectName(QStringLiteral("singleSection"));
    singleLayout_ = stackLayout(singleHost_);

    auto* maskedModel = new StatusGridModel(sections.masked(), icons);
    masked_ = new SectionGridView(window_, std::nullopt, maskedModel, pages_);
    masked_->setObjectName(QStringLiteral("maskedList"));
    maskedModel->setParent(masked_);
    connect(masked_, &SectionGridView::shownRowsChanged, this, &SectionsArea::countsChanged);
    masked_->setAccessibleName(tr("Masked points"));
    masked_->setAccessibleDescription(tr("The masked points of the whole site, one row a point"));

    auto* overriddenModel = new StatusGridModel(window_.gridOverridden(), icons);
    overridden_ = new SectionGridView(window_, std::nullopt, overriddenModel, pages_);
    overridden_->setObjectName(QStringLiteral("overriddenList"));
    overriddenModel->setParent(overridden_);
    overridden_->setAccessibleName(tr("Overridden points"));
    overridden_->setAccessibleDescription(
        tr("The points of the shown group under an operator's override, one row a point"));
    connect(overridden_, &SectionGridView::shownRowsChanged, this, &SectionsArea::countsChanged);

    pages_->addWidget(sectionStack_);
    pages_->addWidget(singleHost_);
    pages_->addWidget(masked_);
    pages_->addWidget(overridden_);

    // The cover lies over whichever page shows while a group loads.
    cover_ = new QLabel(pages_);
    cover_->setObjectName(QStringLiteral("cover"));
    cover_->setAutoFillBackground(true);
    cover_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cover_->hide();
    pages_->installEventFilter(this);
}

SectionsArea::~SectionsArea() {
    // The models outlive this object's members by a moment: they stop recording first.
    for (SectionGridView* view : views_)
        view->gridModel()->setInsight(false, nullptr);
}

// ---------------------------------------------------------------- sections and pages

void SectionsArea::fitPanel(Section section) {
    const int strip = header(section)->minimumHeight();
    const bool stacked = section != singleSection_ && window_.isSectionGridVisible(section);
    const int cap = stacked ? strip + view(section)->contentHeight() : strip;
    if (panel(section)->maximumHeight() == cap)
        return;
    panel(section)->setMaximumHeight(cap);
    if (!sectionsSizedByOperator_)
        distributeSections();
}

void SectionsArea::distributeSections() {
    std::vector<SectionNeed> needs(static_cast<size_t>(kSectionCount));
    int handles = -kSectionHandleWidth;  // one fewer than the sections in sight
    for (Section section : kAllSections) {
        if (!window_.isHeaderShown(section))
            continue;
        SectionNeed& need = needs[size_t(sectionIndex(section))];
        handles += kSectionHandleWidth;
        need.shown = true;
        need.strip = header(section)->minimumHeight();
        if (section == singleSection_ || !window_.isSectionGridVisible(section))
            continue;
        const SectionGridView* v = view(section);
        need.rowHeight = v->rowHeight();
        need.rows = v->shownRowCount();
        need.chrome = v->contentHeight() - need.rows * need.rowHeight;
        const SectionCounts& counts = header(section)->counts();
        need.attention = counts.alarms > 0 ? SectionNeed::kAlarms : counts.warnings > 0 ? SectionNeed::kWarnings : 0;
        need.matches = !v->filterText().isEmpty();
    }
    const std::vector<int> heights = shareSectionHeights(sectionStack_->height() - std::max(0, handles), needs);
    sectionStack_->setSizes(QList<int>(heights.begin(), heights.end()));
    sectionsSizedByOperator_ = false;
}

void SectionsArea::arrange() {
    if (!sectionsSizedByOperator_)
        distributeSections();
    cover_->setGeometry(pages_->rect());
}

void SectionsArea::placeSectionViews() {
    const std::optional<Section> single = window_.soloSection();
    if (single == singleSection_)
        return;
    if (singleSection_) {
        // Back into its panel, under its header strip.
        singleLayout_->removeWidget(view(*singleSection_));
        panel(*singleSection_)->layout()->addWidget(view(*singleSection_));
    }
    singleSection_ = single;
    if (single) {
        panel(*single)->layout()->removeWidget(view(*single));
        singleLayout_->addWidget(view(*single));
    }
}

void SectionsArea::showSections() {
    placeSectionViews();
    for (Section section : kAllSections) {
        header(section)->setExpanded(!window_.isCollapsed(section));
        panel(section)->setVisible(window_.isHeaderShown(section));
        view(section)->setVisible(window_.isSectionGridVisible(section));
    }
    // Opened or closed sections, another group or another choice: the heights are shared out anew.
    sectionsSizedByOperator_ = false;
    for (Section section : kAllSections)
        fitPanel(section);
    distributeSections();
    switch (window_.viewMode()) {
    case StatusWindow::ViewMode::Masked: pages_->setCurrentWidget(masked_); break;
    case StatusWindow::ViewMode::Overridden: pages_->setCurrentWidget(overridden_); break;
    case StatusWindow::ViewMode::Sections:
        pages_->setCurrentWidget(singleSection_ ? singleHost_ : sectionStack_);
        break;
    }
    cover_->raise();
}

void SectionsArea::showCover(bool shown) {
    if (!shown) {
        cover_->hide();
        cover_->clear();
        return;
    }
    // While a group loads the rows in sight stay, greyed, until the new rows are painted: the
    // cover shows a still of them.
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
}

void SectionsArea::setStale(bool stale) {
    for (SectionGridView* v : views_)
        v->gridModel()->setStale(stale);
}

void SectionsArea::syncColumns(Section section) { view(section)->syncColumnsFromGrid(); }

void SectionsArea::syncListColumns(WindowView::SideList list) {
    (list == WindowView::SideList::Overridden ? overridden_ : masked_)->syncColumnsFromGrid();
}

void SectionsArea::focusGrid(Section section) { view(section)->setFocus(Qt::MouseFocusReason); }

void SectionsArea::goToRow(Section section, int row, bool openMenu) {
    if (window_.viewMode() != StatusWindow::ViewMode::Sections ||
        (window_.soloSection() && window_.soloSection() != section))
        window_.showAllSections();
    if (window_.isCollapsed(section))
        window_.toggleSection(section);
    SectionGridView* v = view(section);
    if (!v->goToGridRow(row))
        return;
    v->setFocus(Qt::OtherFocusReason);
    if (openMenu)
        v->openMenuFromKeyboard();
}

void SectionsArea::openCurrentRowMenu() {
    SectionGridView* target =
        view(window_.currentSection())->isVisibleTo(this) ? view(window_.currentSection()) : nullptr;
    for (Section section : kAllSections)
        if (target == nullptr && view(section)->isVisibleTo(this) && view(section)->shownRowCount() > 0)
            target = view(section);
    if (target == nullptr)
        return;
    target->setFocus(Qt::ShortcutFocusReason);
    target->openMenuFromKeyboard();
}

void SectionsArea::setOnGridMouseUp(const SectionGridView::MouseUpHandler& handler) {
    for (SectionGridView* v : views_)
        v->setMouseUpHandler(handler);
}

// ---------------------------------------------------------------- find and counts

void SectionsArea::setFilterText(const QString& text) {
    // The views whose rows in sight change recount through shownRowsChanged.
    for (SectionGridView* v : views_)
        v->setFilterText(text);
    // Another find: the heights are shared out anew, so every section holding matches shows some.
    sectionsSizedByOperator_ = false;
    distributeSections();
}

void SectionsArea::setAbnormalOnly(bool on) {
    for (SectionGridView* v : views_)
        v->setAbnormalOnly(on);
}

void SectionsArea::recount(Section section) { header(section)->setCounts(view(section)->counts()); }

SectionCounts SectionsArea::countsInSight() const {
    switch (window_.viewMode()) {
    case StatusWindow::ViewMode::Masked: return masked_->counts();
    case StatusWindow::ViewMode::Overridden: return overridden_->counts();
    case StatusWindow::ViewMode::Sections: break;
    }
    if (singleSection_)
        return header(*singleSection_)->counts();
    SectionCounts total;
    for (Section section : kAllSections)
        if (window_.isHeaderShown(section))
            total += header(section)->counts();
    return total;
}

void SectionsArea::updateInsight() {
    for (Section section : kAllSections)
        view(section)->gridModel()->refreshHighlights();
    emit countsChanged();
}

void SectionsArea::recountChanged() {
    // Rows added, removed or filtered recount at once (shownRowsChanged); changed states here.
    bool attentionChanged = false;
    for (Section section : kAllSections) {
        if (!view(section)->gridModel()->takeCountsDirty())
            continue;
        const SectionCounts before = header(section)->counts();
        recount(section);
        const SectionCounts& after = header(section)->counts();
        attentionChanged = attentionChanged || (before.alarms > 0) != (after.alarms > 0) ||
                           (before.warnings > 0) != (after.warnings > 0);
    }
    // A section that now holds alarms or warnings, or no longer does, is placed anew.
    if (attentionChanged && !sectionsSizedByOperator_)
        distributeSections();
}

// ---------------------------------------------------------------- copy and export

QString SectionsArea::selectedRowsText() const {
    QString text;
    for (SectionGridView* v : views_) {
        const QVector<int> rows = v->selectedGridRows();
        if (!rows.isEmpty() && v->isVisibleTo(this))
            text += toTabSeparated(exportTable(v->gridModel()->grid(), rows));
    }
    return text;
}

QVector<ExportTable> SectionsArea::exportTables(std::optional<Section> only) const {
    QVector<ExportTable> tables;
    for (Section section : kAllSections) {
        if (only ? section != *only : !window_.isHeaderShown(section))
            continue;
        tables.append(exportTable(view(section)->gridModel()->grid(), view(section)->shownGridRows(),
                                  StatusWindow::sectionCaption(section)));
    }
    return tables;
}

TextMetrics SectionsArea::textMetrics() const {
    const SectionGridView* v = view(Section::Doors);
    // Cells are measured in the bold type of a row whose state just changed, the widest a row is
    // drawn in: a name that fits then fits at any moment.
    const QFontMetrics cells(v->gridModel()->boldFont());
    const QFontMetrics captions = v->horizontalHeader()->fontMetrics();
    QStyle* style = v->style();
    // A caption needs the header's margins on both sides and room for the sort indicator.
    const int headerMargin = style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, v);
    const int captionRoom = 3 * headerMargin + style->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, v);
    TextMetrics metrics;
    metrics.averageCharWidth = cells.averageCharWidth();
    metrics.cellTextWidth = [cells](const QString& text) { return cells.horizontalAdvance(text); };
    metrics.captionWidth = [captions, captionRoom](const QString& text) {
        return captions.horizontalAdvance(text) + captionRoom;
    };
    // Beside its text a cell has the style's text margins (and a pixel of grid line, and one to
    // spare); an icon takes its width and a margin on both sides.
    const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, v) + 1;
    metrics.cellPadding = 2 * textMargin + 2;
    metrics.iconWidth = v->iconSize().width() + 2 * textMargin;
    metrics.markerWidth = v->markerRoom();
    return metrics;
}

bool SectionsArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pages_ && event->type() == QEvent::Resize)
        cover_->setGeometry(pages_->rect());
    if (watched == sectionStack_ && event->type() == QEvent::Resize && !sectionsSizedByOperator_)
        distributeSections();
    return QWidget::eventFilter(watched, event);
}

}  // namespace so
