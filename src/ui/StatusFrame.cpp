#include "ui/StatusFrame.h"

#include "base/ComponentContext.h"
#include "base/ErrorTrap.h"
#include "base/SiteLink.h"
#include "status/StatusBoard.h"
#include "ui/AttentionPanel.h"
#include "ui/FrameStatusBar.h"
#include "ui/SectionsArea.h"
#include "ui/ToolbarBand.h"
#include "window/CsvExport.h"
#include "window/StatusWindow.h"

#include <statusobject/Dialogs.h>

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSaveFile>
#include <QToolButton>
#include <QVBoxLayout>

namespace so {
namespace {

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

}  // namespace

StatusFrame::StatusFrame(StatusWindow& window, QWidget* parent) : QWidget(parent), window_(window) {
    ComponentContext& ctx = window_.context();
    // The host's image list is copied once: the grids' icons are indexes into it.
    if (ctx.parent != nullptr)
        trap(ctx, QStringLiteral("Status: InitForm"), [&] { icons_.load(ctx.host().ilconsole()); });

    band_ = new ToolbarBand(window_, this);
    area_ = new SectionsArea(window_, &icons_, this);
    statusBar_ = new FrameStatusBar(ctx.siteLink, this);
    attention_ = new AttentionPanel(
        window_, [this](Section section, int row, bool openMenu) { area_->goToRow(section, row, openMenu); }, this);
    attention_->setObjectName(QStringLiteral("attentionPanel"));
    attention_->addHoldArea(area_);
    attention_->setHeightShare(this, kAttentionShare);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(band_);
    root->addWidget(attention_);
    root->addWidget(area_, 1);
    root->addWidget(statusBar_);
    resize(800, 600);
    describeButtons(*this);

    connect(band_, &ToolbarBand::findTextChanged, this, [this](const QString& text) {
        area_->setFilterText(text);
        showCounts();
    });
    connect(band_, &ToolbarBand::abnormalOnlyChanged, this, [this](bool on) {
        area_->setAbnormalOnly(on);
        showCounts();
    });
    connect(band_, &ToolbarBand::copyRequested, this, &StatusFrame::copySelectedRows);
    connect(band_, &ToolbarBand::exportRequested, this, &StatusFrame::exportCsvInteractive);
    connect(area_, &SectionsArea::countsChanged, this, &StatusFrame::showCounts);
    band_->findBox()->installEventFilter(this);

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
    if (window_.view() == this)
        window_.setView(nullptr);
}

// ---------------------------------------------------------------- the view interface

void StatusFrame::arrangeForm() { area_->arrange(); }

void StatusFrame::sectionsChanged() {
    area_->showSections();
    band_->showSections();
    showCounts();
}

void StatusFrame::coverChanged(bool shown) {
    area_->showCover(shown);
    // The load runs without the event loop: the window is drawn once at once, so that nothing of
    // the closed drop-down that chose the group stays on it meanwhile.
    if (shown && isVisible())
        repaint();
}

void StatusFrame::groupBoxChanged() {
    // A shown group deleted at another workstation: said in the status bar and the box, its rows
    // greyed until another is chosen.
    const QString deleted = window_.deletedGroupName();
    statusBar_->showDeletedGroup(deleted);
    area_->setStale(!deleted.isEmpty());
    band_->showGroupBox();
}

void StatusFrame::captionChanged(const QString& caption) {
    caption_ = caption;
    showTitle();
}

void StatusFrame::showTitle() {
    // A host's slot on windowTitleChanged may delete the component, from whatever set the title: a
    // caption, or the counts a model's flush or a timer tick brought (the model is still on the
    // stack then).
    const Lifetime::Scope scope(window_.context().lifetime, Lifetime::Entry::WindowEvent);
    const QString& caption = caption_;
    QString title = titleSuffix_.isEmpty() ? caption : QStringLiteral("%1 - %2").arg(caption, titleSuffix_);
    const int alarms = window_.attention().isEnabled() ? window_.attention().alarmCount() : 0;
    if (alarms > 0)
        title += tr(" — %Ln alarm(s)", nullptr, alarms);
    setWindowTitle(title);
}

void StatusFrame::attentionChanged(bool newAlarm) {
    attention_->refresh(newAlarm);
    if (!countingNow_)
        showSyncedCounts();
}

void StatusFrame::setTitleSuffix(const QString& suffix) {
    titleSuffix_ = suffix;
    showTitle();
}

void StatusFrame::setAbnormalOnly(bool on) { band_->abnormalOnlyAction()->setChecked(on); }

void StatusFrame::focusGrid(Section section) { area_->focusGrid(section); }

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

TextMetrics StatusFrame::textMetrics() const { return area_->textMetrics(); }

void StatusFrame::columnWidthsChanged(Section section) { area_->syncColumns(section); }

void StatusFrame::listColumnWidthsChanged(SideList list) { area_->syncListColumns(list); }

void StatusFrame::progressChanged(const QString& text) { statusBar_->showProgress(text); }

void StatusFrame::setOnGridMouseUp(const SectionGridView::MouseUpHandler& handler) { area_->setOnGridMouseUp(handler); }

// ---------------------------------------------------------------- counts, copy, export

void StatusFrame::showCounts() {
    if (band_ == nullptr || area_ == nullptr || attention_ == nullptr)
        return;
    // Every count in sight is taken at one moment: the attention list is brought level with the
    // rows first (while it runs), then the section headers, the band, the list's header and the
    // title all read those rows, and are painted together.
    if (window_.attentionTimer().isActive()) {
        countingNow_ = true;
        window_.attentionTick();
        countingNow_ = false;
    }
    showSyncedCounts();
}

void StatusFrame::showSyncedCounts() {
    area_->recountChanged();
    band_->showCounts(area_->countsInSight());
    attention_->paintHeader();
    showTitle();
}

void StatusFrame::updateInsight() {
    area_->updateInsight();
    // Every state change received counts, also one that changed no cell; without a site link the
    // last change recorded in the grids stands in.
    const SiteLink* siteLink = window_.context().siteLink;
    const RecentChanges& recent = window_.board().recentChanges();
    statusBar_->showLastStateChange(siteLink != nullptr        ? siteLink->lastStateChange()
                                    : recent.lastChange() >= 0 ? recent.timeOf(recent.lastChange())
                                                               : QDateTime());
}

void StatusFrame::copySelectedRows() {
    const QString text = area_->selectedRowsText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

bool StatusFrame::exportCsv(std::optional<Section> section, const QString& path) {
    const QVector<ExportTable> tables = area_->exportTables(section);
    const QString text = !section ? toCsv(tables) : tables.isEmpty() ? QString() : toCsv(tables.first());
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit();
    if (!written)
        window_.context().dialogs->message(
            tr("The rows could not be written to %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()),
            tr("Export"), Dialogs::Icon::Critical);
    return written;
}

void StatusFrame::exportCsvInteractive(std::optional<Section> section) {
    const QString suggested =
        section ? StatusWindow::sectionName(*section) + QStringLiteral(".csv") : QStringLiteral("status.csv");
    const QString path = exportPathChooser_ ? exportPathChooser_(suggested)
                                            : QFileDialog::getSaveFileName(this, tr("Export to CSV"), suggested,
                                                                           tr("CSV files (*.csv)"));
    if (!path.isEmpty())
        exportCsv(section, path);
}

// ---------------------------------------------------------------- events

bool StatusFrame::event(QEvent* event) {
    // Activation, keys and closing call the host, which may delete the component there.
    const Lifetime::Scope scope(window_.context().lifetime, Lifetime::Entry::WindowEvent);
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
        event->accept();
        area_->openCurrentRowMenu();
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
    default: QWidget::keyReleaseEvent(event); return;
    }
}

void StatusFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The sections are laid out again a few timer ticks after the last resize.
    if (window_.isLoaded())
        window_.ReShow();
}

bool StatusFrame::eventFilter(QObject* watched, QEvent* event) {
    const Lifetime::Scope scope(window_.context().lifetime, Lifetime::Entry::WindowEvent);
    // Esc in a find box holding text clears it there: the press never reaches the window, so its
    // release does not close it. On an empty box the press goes on and Esc keeps its meaning.
    QLineEdit* findBox = band_->findBox();
    if (watched == findBox && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && event->type() == QEvent::KeyPress && !findBox->text().isEmpty()) {
            findBox->clear();
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
    return QWidget::eventFilter(watched, event);
}

void StatusFrame::closeEvent(QCloseEvent* event) {
    // Closing the window is the operator's Esc: the window unloads and saves its layout.
    if (window_.isLoaded())
        window_.closeByOperator();
    event->accept();
}

}  // namespace so
