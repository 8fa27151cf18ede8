#include "ui/AttentionPanel.h"

#include "base/ComponentContext.h"
#include "ui/AlarmJournalDialog.h"
#include "ui/RowColours.h"
#include "window/AttentionList.h"
#include "window/StatusWindow.h"

#include <statusobject/Dialogs.h>

#include <QAction>
#include <QCursor>
#include <QDateTime>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace so {
namespace {

constexpr int kFlashes = 6;
constexpr int kFlashIntervalMs = 250;

}  // namespace

// ---------------------------------------------------------------- model

AttentionModel::AttentionModel(const AttentionList& list, AttentionView& view, QObject* parent)
    : QAbstractTableModel(parent), list_(list), view_(view) {
    view_.setListener(this);
}

AttentionModel::~AttentionModel() { view_.setListener(nullptr); }

void AttentionModel::fitColours(const QPalette& palette) {
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    alarmText_ = readableOn(kAlarmHue, base);
    warningText_ = readableOn(kWarningHue, base);
    clearedText_ = readableOn(QColor(128, 128, 128), base);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::ForegroundRole});
}

int AttentionModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : view_.rowCount(); }

int AttentionModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant AttentionModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const AttentionRow& r = rowAt(index.row());
    const AttentionEntry& e = r.entry;
    const bool alarm = e.severity == Severity::Alarm;
    const bool waiting = e.awaitsAcknowledgement() && !r.gone;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        // An alarm nobody acknowledged reads so without colour: "!" beside its triangle.
        case Marker: return alarm ? (waiting ? QStringLiteral("▲ !") : QStringLiteral("▲")) : QStringLiteral("●");
        case Kind: return StatusWindow::sectionCaption(e.section);
        case Name: {
            const QString name = list_.nameOf(e);
            if (r.child)
                return QStringLiteral("    ") + name;
            if (r.foldedPoints > 0)
                return (view_.isExpanded(e.address) ? QStringLiteral("▾ ") : QStringLiteral("▸ ")) + name;
            return name;
        }
        case Address: return e.address;
        case Reason:
            if (r.foldedPoints > 0)
                return tr("%1 off line — %Ln point(s)", nullptr, r.foldedPoints).arg(list_.nameOf(e));
            return list_.reason(e);
        case Since: return AttentionList::clockText(e.sinceMs);
        case Duration:
            if (r.gone)
                return tr("no longer listed");
            if (e.cleared())
                return waiting ? tr("cleared, not acknowledged")
                               : tr("cleared %1").arg(AttentionList::clockText(e.clearedMs));
            return AttentionList::durationText(list_.clockMs() - e.sinceMs);
        default: return {};
        }
    case Qt::ForegroundRole:
        if (r.gone || (e.cleared() && !waiting))
            return clearedText_;
        return index.column() == Marker ? (alarm ? alarmText_ : warningText_) : QVariant();
    case Qt::FontRole:
        if (waiting && index.column() == Marker) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ToolTipRole:
        if (waiting)
            return e.cleared() ? tr("Back to normal, not acknowledged") : tr("Not acknowledged");
        if (alarm && e.acknowledged())
            return tr("Acknowledged by %1 at %2").arg(e.acknowledgedBy, AttentionList::clockText(e.acknowledgedMs));
        return e.cleared() ? tr("Back to normal; stays listed until cleared") : QVariant();
    default: return {};
    }
}

QVariant AttentionModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kCaptions[] = {"",
                                            QT_TR_NOOP("Kind"),
                                            QT_TR_NOOP("Name"),
                                            QT_TR_NOOP("Address"),
                                            QT_TR_NOOP("What is wrong"),
                                            QT_TR_NOOP("Since"),
                                            QT_TR_NOOP("For")};
    return section >= 0 && section < ColumnCount ? tr(kCaptions[section]) : QVariant();
}

void AttentionModel::refreshTexts() {
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

// ---------------------------------------------------------------- panel

AttentionPanel::AttentionPanel(StatusWindow& window, GoToRow goToRow, QWidget* parent)
    : QWidget(parent), window_(window), list_(window.attention()), view_(window.attention()),
      goToRow_(std::move(goToRow)) {
    model_ = new AttentionModel(list_, view_, this);
    header_ = new QLabel(this);
    header_->setAutoFillBackground(true);
    header_->setContentsMargins(6, 2, 6, 2);
    clearButton_ = new QToolButton(this);
    clearButton_->setText(tr("Clear cleared"));
    clearButton_->setToolTip(tr("Remove the warnings back to normal"));
    connect(clearButton_, &QToolButton::clicked, this, [this] {
        if (list_.removeCleared())
            refresh(false);
    });
    alarmsButton_ = new QToolButton(this);
    alarmsButton_->setText(tr("Alarms"));
    alarmsButton_->setObjectName(QStringLiteral("attentionAlarmsButton"));
    alarmsButton_->setPopupMode(QToolButton::InstantPopup);
    alarmsButton_->setToolTip(tr("Acknowledge the selected alarms, or every alarm listed"));
    alarmsButton_->setAccessibleDescription(alarmsButton_->toolTip());
    newBar_ = new QPushButton(this);
    newBar_->setObjectName(QStringLiteral("attentionNewBar"));
    newBar_->setFlat(true);
    newBar_->setToolTip(tr("The list holds still while you work on it; show the new entries now"));
    newBar_->setAccessibleDescription(newBar_->toolTip());
    newBar_->hide();
    connect(newBar_, &QPushButton::clicked, this, &AttentionPanel::showNew);

    table_ = new QTableView(this);
    table_->setModel(model_);
    model_->fitColours(palette());
    table_->setAccessibleName(tr("Attention list"));
    table_->setAccessibleDescription(
        tr("Every point of the shown group in alarm or warning, alarms first, each the newest first"));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setStretchLastSection(false);
    table_->horizontalHeader()->setSectionResizeMode(AttentionModel::Reason, QHeaderView::Stretch);
    const QFontMetrics metrics = table_->fontMetrics();
    const int ch = metrics.averageCharWidth();
    const int widths[] = {4, 12, 28, 26, 0, 0, 0};
    for (int column = 0; column < AttentionModel::ColumnCount; ++column)
        if (widths[column] > 0)
            table_->setColumnWidth(column, widths[column] * ch + 8);
    // The times are as wide as their longest form: a point abnormal since an earlier day shows its
    // date and time whole, and so does an entry that cleared then.
    const auto fit = [&](int column, std::initializer_list<QString> forms) {
        int widest = 0;
        for (const QString& form : forms)
            widest = std::max(widest, metrics.horizontalAdvance(form));
        table_->setColumnWidth(column, widest + 2 * ch + 8);
    };
    const QString dated = AttentionList::clockText(QDateTime(QDate(2000, 1, 1), QTime(0, 0)).toMSecsSinceEpoch());
    fit(AttentionModel::Since, {dated});
    fit(AttentionModel::Duration,
        {QStringLiteral("cleared, not acknowledged"), QStringLiteral("cleared ") + dated,
         QStringLiteral("no longer listed"), AttentionList::durationText(qint64(9999) * 86400000)});
    table_->installEventFilter(this);
    addHoldArea(table_->viewport());
    // Rows read anew (another group, most entries changed, a controller unfolded): the operator's
    // place stays on the same point.
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        reloading_ = true;
        keptColumn_ = std::max(0, table_->currentIndex().column());
    });
    connect(model_, &QAbstractItemModel::modelReset, this, &AttentionPanel::keepPlace);
    connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (reloading_)
            return;
        const bool valid = current.isValid() && current.row() < model_->rowCount();
        keptSection_ = valid ? std::optional(model_->rowAt(current.row()).entry.section) : std::nullopt;
        keptKey_ = valid ? model_->rowAt(current.row()).entry.key : -1;
    });
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!reloading_)
            updateHold();
    });
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && model_->rowAt(index.row()).foldedPoints > 0 && index.column() <= AttentionModel::Name)
            toggleFolded(index.row());
        else
            goTo(index, false);
    });
    connect(table_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { goTo(table_->indexAt(pos), true); });
    addActions();

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(header_, 1);
    top->addWidget(newBar_);
    top->addWidget(alarmsButton_);
    top->addWidget(clearButton_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 2);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addWidget(table_);

    durationTimer_.setInterval(1000);
    connect(&durationTimer_, &QTimer::timeout, model_, [this] {
        if (model_->rowCount() > 0)
            emit model_->dataChanged(model_->index(0, AttentionModel::Duration),
                                     model_->index(model_->rowCount() - 1, AttentionModel::Duration),
                                     {Qt::DisplayRole});
    });
    durationTimer_.start();
    flashTimer_.setInterval(kFlashIntervalMs);
    connect(&flashTimer_, &QTimer::timeout, this, [this] {
        if (--flashesLeft_ <= 0)
            flashTimer_.stop();
        paintHeader();
    });
    heightTimer_.setSingleShot(true);
    connect(&heightTimer_, &QTimer::timeout, this, &AttentionPanel::settleHeight);
    refresh(false);
    fitHeight();
}

void AttentionPanel::addActions() {
    auto* menu = new QMenu(this);
    const auto add = [&](const QString& text, const QKeySequence& keys, auto slot) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, slot);
        table_->addAction(action);
        menu->addAction(action);
        return action;
    };
    // An alarm step where none can be taken (a moment of the past) is not offered at all, nor
    // reached by its keys.
    const bool stepsOffered = window_.context().commandsOffered;
    const auto step = [stepsOffered](QAction* action, const char* name) {
        action->setObjectName(QLatin1String(name));
        action->setVisible(stepsOffered);
        action->setEnabled(stepsOffered);
    };
    step(add(tr("Acknowledge"), QKeySequence(Qt::CTRL | Qt::Key_K), [this] { acknowledgeSelected(false); }),
         "acknowledgeAlarm");
    step(add(tr("Acknowledge with comment..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K),
             [this] { acknowledgeSelected(true); }),
         "acknowledgeAlarmWithComment");
    step(add(tr("Acknowledge all listed..."), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_K),
             [this] { acknowledgeAll(); }),
         "acknowledgeAllAlarms");
    step(add(tr("Shelve..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H), [this] { shelveCurrent(); }),
         "shelvePoint");
    add(tr("Shelved points..."), QKeySequence(), [this] { showShelved(); });
    menu->addSeparator();
    add(tr("Alarm journal..."), QKeySequence(Qt::CTRL | Qt::Key_J), [this] {
        AlarmJournalDialog journal(window_, this);
        ++menusOpen_;
        journal.exec();
        --menusOpen_;
        updateHold();
    })->setObjectName(QStringLiteral("alarmJournalAction"));
    add(tr("Fold or unfold the controller's points"), QKeySequence(Qt::Key_Space), [this] {
        if (table_->currentIndex().isValid())
            toggleFolded(table_->currentIndex().row());
    });
    connect(menu, &QMenu::aboutToShow, this, [this] {
        ++menusOpen_;
        updateHold();
    });
    connect(menu, &QMenu::aboutToHide, this, [this] {
        --menusOpen_;
        QTimer::singleShot(0, this, &AttentionPanel::updateHold);
    });
    alarmsButton_->setMenu(menu);
}

void AttentionPanel::setHeightShare(QWidget* reference, double share) {
    if (reference_ != nullptr)
        reference_->removeEventFilter(this);
    reference_ = reference;
    share_ = share;
    if (reference_ != nullptr)
        reference_->installEventFilter(this);
    fitHeight();
}

void AttentionPanel::addHoldArea(QWidget* area) {
    area->setAttribute(Qt::WA_Hover);
    area->installEventFilter(this);
    holdAreas_.append(area);
}

bool AttentionPanel::pointerOnHoldArea() const {
    // Read from where the pointer is, not counted from enter and leave events (one is lost when a
    // widget hides under the pointer).
    const QPoint at = QCursor::pos();
    return std::any_of(holdAreas_.begin(), holdAreas_.end(), [&](const QPointer<QWidget>& area) {
        return area != nullptr && area->isVisible() && area->rect().contains(area->mapFromGlobal(at));
    });
}

QString AttentionPanel::headerText() const {
    const int cleared = list_.size() - list_.alarmCount() - list_.warningCount();
    QString text =
        tr("Attention: %1, %2")
            .arg(tr("%Ln alarm(s)", nullptr, list_.alarmCount()), tr("%Ln warning(s)", nullptr, list_.warningCount()));
    if (cleared > 0)
        text += tr(", %L1 cleared").arg(cleared);
    if (list_.unacknowledgedCount() > 0)
        text += tr(" — %L1 not acknowledged").arg(list_.unacknowledgedCount());
    if (!list_.shelved().empty())
        text += tr(" — %L1 shelved").arg(list_.shelved().size());
    return text;
}

QString AttentionPanel::newEntriesText() const {
    if (newBar_->isHidden())
        return {};
    return newBar_->text();
}

void AttentionPanel::keepPlace() {
    const int row = keptSection_ ? view_.rowOf(*keptSection_, keptKey_) : -1;
    if (row >= 0)
        table_->setCurrentIndex(model_->index(row, keptColumn_));
    reloading_ = false;
}

void AttentionPanel::refresh(bool flash) {
    // The rows follow the list's changes; the texts of the others (a name, an off-line controller
    // named in a reason) are read again as they are painted.
    view_.update();
    model_->refreshTexts();
    const int alarms = view_.newAlarmCount();
    const int warnings = view_.newWarningCount();
    if (alarms + warnings > 0) {
        QString text = alarms > 0 ? tr("%n new alarm(s)", nullptr, alarms) : QString();
        if (warnings > 0)
            text += (text.isEmpty() ? QString() : QStringLiteral(", ")) + tr("%n new warning(s)", nullptr, warnings);
        newBar_->setText(tr("%1 — show").arg(text));
        newBar_->show();
    } else {
        newBar_->hide();
    }
    clearButton_->setEnabled(list_.size() > list_.alarmCount() + list_.warningCount() + list_.unacknowledgedCount());
    if (flash) {
        flashesLeft_ = kFlashes;
        flashTimer_.start();
    }
    paintHeader();
    setVisible(list_.isEnabled() && (list_.size() > 0 || model_->rowCount() > 0));
    settleHeight();
}

void AttentionPanel::showNew() {
    const bool held = view_.isHeld();
    view_.setHeld(false);
    view_.setHeld(held);
    refresh(false);
}

void AttentionPanel::updateHold() {
    const bool held = menusOpen_ > 0 || table_->selectionModel()->hasSelection() || pointerOnHoldArea();
    if (held == view_.isHeld())
        return;
    view_.setHeld(held);
    if (!held)
        refresh(false);
}

void AttentionPanel::toggleFolded(int row) {
    if (row < 0 || row >= model_->rowCount() || model_->rowAt(row).foldedPoints == 0)
        return;
    const QString address = model_->rowAt(row).entry.address;
    view_.setExpanded(address, !view_.isExpanded(address));
    showNew();  // the operator asked: the rows below it move
}

void AttentionPanel::acknowledgeSelected(bool askComment) {
    std::vector<AttentionEntry> entries;
    QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty() && table_->currentIndex().isValid())
        rows.append(table_->currentIndex());
    for (const QModelIndex& index : rows)
        if (index.row() < model_->rowCount() && !model_->rowAt(index.row()).gone)
            entries.push_back(model_->rowAt(index.row()).entry);
    if (entries.empty())
        return;
    QString comment;
    if (askComment) {
        ++menusOpen_;
        const std::optional<QString> given = window_.context().dialogs->inputBox(
            tr("Comment on the acknowledgement (optional):"), tr("Acknowledge"), QString());
        --menusOpen_;
        if (!given)
            return;
        comment = *given;
    }
    window_.acknowledgeAlarms(entries, comment);
    refresh(false);
}

void AttentionPanel::shelveCurrent() {
    const QModelIndex current = table_->currentIndex();
    if (!current.isValid() || current.row() >= model_->rowCount() || model_->rowAt(current.row()).gone)
        return;
    const AttentionEntry entry = model_->rowAt(current.row()).entry;
    ++menusOpen_;
    const std::optional<QString> given =
        window_.context().dialogs->inputBox(tr("Shelve %1 for how many minutes (%2 to %3)?")
                                                .arg(list_.nameOf(entry))
                                                .arg(StatusWindow::kShelveMinMinutes)
                                                .arg(StatusWindow::kShelveMaxMinutes),
                                            tr("Shelve"), QStringLiteral("60"));
    --menusOpen_;
    bool number = false;
    const int minutes = given ? given->trimmed().toInt(&number) : 0;
    if (!given)
        return;
    if (!number || !window_.shelvePoint(entry, minutes))
        window_.context().dialogs->message(tr("A point is shelved for %1 to %2 minutes.")
                                               .arg(StatusWindow::kShelveMinMinutes)
                                               .arg(StatusWindow::kShelveMaxMinutes),
                                           tr("Shelve"), Dialogs::Icon::Information);
    table_->clearSelection();
    refresh(false);
}

void AttentionPanel::showShelved() {
    QStringList lines;
    for (const AttentionList::Shelved& s : list_.shelved()) {
        const QString name = list_.nameOf(s.address);
        lines << tr("%1 — by %2 until %3")
                     .arg(name.isEmpty() ? s.address : QStringLiteral("%1 (%2)").arg(name, s.address), s.by,
                          AttentionList::clockText(s.untilMs));
    }
    window_.context().dialogs->message(lines.isEmpty()
                                           ? tr("No point is shelved.")
                                           : tr("Shelved:") + QLatin1Char('\n') + lines.join(QLatin1Char('\n')),
                                       tr("Shelved"), Dialogs::Icon::Information);
}

void AttentionPanel::acknowledgeAll() {
    std::vector<AttentionEntry> entries;
    for (const AttentionEntry& e : list_.entries())
        if (e.awaitsAcknowledgement())
            entries.push_back(e);
    if (entries.empty())
        return;
    ++menusOpen_;
    const bool yes = window_.context().dialogs->askYesNo(
        tr("Acknowledge all %Ln alarm(s) not yet acknowledged in the list?", nullptr, int(entries.size())),
        tr("Acknowledge all"));
    --menusOpen_;
    if (yes)
        window_.acknowledgeAlarms(entries, QString());
    refresh(false);
}

void AttentionPanel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        model_->fitColours(palette());
        paintHeader();
    }
    QWidget::changeEvent(event);
}

void AttentionPanel::paintHeader() {
    header_->setText(headerText());
    const bool lit = flashesLeft_ > 0 && flashesLeft_ % 2 == 0;
    const QColor window = QWidget::palette().color(QPalette::Window);
    const QColor background = lit ? kAlarmHue : window;
    QPalette palette = header_->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, lit                      ? readableOn(Qt::white, background)
                                           : list_.alarmCount() > 0 ? readableOn(kAlarmHue, background)
                                                                    : QWidget::palette().color(QPalette::WindowText));
    header_->setPalette(palette);
    QFont font = header_->font();
    font.setBold(list_.alarmCount() > 0);
    header_->setFont(font);
}

void AttentionPanel::settleHeight() {
    // The sections below move when the list's height changes: never while the operator is on the
    // rows, at most every kHeightSettleMs otherwise.
    if (view_.isHeld())
        return;
    const qint64 waited = sinceHeightChange_.isValid() ? sinceHeightChange_.elapsed() : kHeightSettleMs;
    if (waited < kHeightSettleMs) {
        if (!heightTimer_.isActive())
            heightTimer_.start(int(kHeightSettleMs - waited));
        return;
    }
    fitHeight();
}

void AttentionPanel::fitHeight() {
    const int rows = model_->rowCount();
    const int frame = 2 * table_->frameWidth();
    const int need = header_->sizeHint().height() + table_->horizontalHeader()->sizeHint().height() + frame +
                     rows * table_->verticalHeader()->defaultSectionSize() + 2;
    const int cap = reference_ != nullptr ? int(reference_->height() * share_) : need;
    // At least a few rows while there is room for them.
    const int floor = header_->sizeHint().height() + table_->horizontalHeader()->sizeHint().height() + frame +
                      std::min(rows, 3) * table_->verticalHeader()->defaultSectionSize() + 2;
    const int height = std::max(std::min(need, cap), std::min(floor, need));
    if (height != this->height() || minimumHeight() != maximumHeight()) {
        setFixedHeight(height);
        sinceHeightChange_.start();
    }
}

void AttentionPanel::goTo(const QModelIndex& index, bool openMenu) {
    if (!index.isValid() || index.row() >= model_->rowCount() || !goToRow_)
        return;
    // The entry pressed, by its address: where its row is now.
    const AttentionEntry entry = model_->rowAt(index.row()).entry;
    const int row = list_.rowOf(entry);
    if (row <= 0)
        return;
    ++menusOpen_;
    updateHold();
    goToRow_(entry.section, row, openMenu);
    --menusOpen_;
    QTimer::singleShot(0, this, &AttentionPanel::updateHold);
}

bool AttentionPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == reference_ && event->type() == QEvent::Resize)
        fitHeight();
    if (event->type() == QEvent::Enter || event->type() == QEvent::HoverEnter || event->type() == QEvent::Leave ||
        event->type() == QEvent::HoverLeave)
        updateHold();
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool menuKey =
            key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || menuKey) {
            goTo(table_->currentIndex(), menuKey);
            return true;
        }
        if (key->key() == Qt::Key_Escape && table_->selectionModel()->hasSelection()) {
            table_->clearSelection();  // lets the list move again
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace so
