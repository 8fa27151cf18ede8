#include "ui/AttentionPanel.h"

#include "window/AttentionList.h"
#include "window/StatusWindow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace so {
namespace {

const QColor kAlarmColour(0xc0, 0x00, 0x00);
const QColor kWarningColour(0xb8, 0x6e, 0x00);
const QColor kClearedColour(0x80, 0x80, 0x80);
constexpr int kFlashes = 6;
constexpr int kFlashIntervalMs = 250;

}  // namespace

// ---------------------------------------------------------------- model

AttentionModel::AttentionModel(const AttentionList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {}

int AttentionModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(list_.entries().size());
}

int AttentionModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant AttentionModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const AttentionEntry& e = list_.entries()[size_t(index.row())];
    const bool alarm = e.severity == Severity::Alarm;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Marker: return alarm ? QStringLiteral("▲") : QStringLiteral("●");
        case Kind: return StatusWindow::sectionName(e.section);
        case Name: return list_.nameOf(e);
        case Address: return e.address;
        case Reason: return list_.reason(e);
        case Since: return AttentionList::clockText(e.sinceMs);
        case Duration:
            return e.cleared() ? QStringLiteral("cleared ") + AttentionList::clockText(e.clearedMs)
                               : AttentionList::durationText(AttentionList::clockMs() - e.sinceMs);
        default: return {};
        }
    case Qt::ForegroundRole:
        if (e.cleared())
            return kClearedColour;
        return index.column() == Marker ? (alarm ? kAlarmColour : kWarningColour) : QVariant();
    case Qt::ToolTipRole:
        return e.cleared() ? QStringLiteral("Back to normal; stays listed until cleared") : QVariant();
    default: return {};
    }
}

QVariant AttentionModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kCaptions[] = {"", "Kind", "Name", "Address", "What is wrong", "Since", "For"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kCaptions[section]) : QVariant();
}

void AttentionModel::reload() {
    beginResetModel();
    endResetModel();
}

void AttentionModel::tick() {
    if (rowCount() > 0)
        emit dataChanged(index(0, Duration), index(rowCount() - 1, Duration), {Qt::DisplayRole});
}

// ---------------------------------------------------------------- panel

AttentionPanel::AttentionPanel(AttentionList& list, GoToRow goToRow, QWidget* parent)
    : QWidget(parent), list_(list), goToRow_(std::move(goToRow)) {
    model_ = new AttentionModel(list_, this);
    header_ = new QLabel(this);
    header_->setAutoFillBackground(true);
    header_->setContentsMargins(6, 2, 6, 2);
    clearButton_ = new QToolButton(this);
    clearButton_->setText(QStringLiteral("Clear cleared"));
    clearButton_->setToolTip(QStringLiteral("Remove the entries of points back to normal"));
    connect(clearButton_, &QToolButton::clicked, this, [this] {
        if (list_.removeCleared())
            refresh(false);
    });

    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->setAccessibleName(tr("Attention list"));
    table_->setAccessibleDescription(
        tr("Every point of the shown group in alarm or warning, alarms first, each the newest first"));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setStretchLastSection(false);
    table_->horizontalHeader()->setSectionResizeMode(AttentionModel::Reason, QHeaderView::Stretch);
    const int ch = table_->fontMetrics().averageCharWidth();
    const int widths[] = {3, 12, 28, 26, 0, 10, 18};
    for (int column = 0; column < AttentionModel::ColumnCount; ++column)
        if (widths[column] > 0)
            table_->setColumnWidth(column, widths[column] * ch + 8);
    table_->installEventFilter(this);
    connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (reloading_)
            return;
        const bool valid = current.isValid() && size_t(current.row()) < list_.entries().size();
        keptSection_ = valid ? std::optional(list_.entries()[size_t(current.row())].section) : std::nullopt;
        keptAddress_ = valid ? list_.entries()[size_t(current.row())].address : QString();
    });
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { goTo(index, false); });
    connect(table_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { goTo(table_->indexAt(pos), true); });

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(header_, 1);
    top->addWidget(clearButton_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 2);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addWidget(table_);

    durationTimer_.setInterval(1000);
    connect(&durationTimer_, &QTimer::timeout, model_, &AttentionModel::tick);
    durationTimer_.start();
    flashTimer_.setInterval(kFlashIntervalMs);
    connect(&flashTimer_, &QTimer::timeout, this, [this] {
        if (--flashesLeft_ <= 0)
            flashTimer_.stop();
        paintHeader();
    });
    refresh(false);
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

QString AttentionPanel::headerText() const {
    const int cleared = int(list_.entries().size()) - list_.alarmCount() - list_.warningCount();
    QString text = QStringLiteral("Attention: %L1 alarm%2, %L3 warning%4")
                       .arg(list_.alarmCount())
                       .arg(list_.alarmCount() == 1 ? "" : "s")
                       .arg(list_.warningCount())
                       .arg(list_.warningCount() == 1 ? "" : "s");
    if (cleared > 0)
        text += QStringLiteral(", %L1 cleared").arg(cleared);
    return text;
}

void AttentionPanel::refresh(bool flash) {
    // The operator's place in the list stays on the same point (kept as it was chosen: the
    // list's entries have already changed here).
    const int column = std::max(0, table_->currentIndex().column());
    reloading_ = true;
    model_->reload();
    reloading_ = false;
    if (!keptAddress_.isEmpty()) {
        for (int row = 0; row < model_->rowCount(); ++row) {
            const AttentionEntry& e = list_.entries()[size_t(row)];
            if (e.section == keptSection_ && e.address == keptAddress_) {
                table_->setCurrentIndex(model_->index(row, column));
                break;
            }
        }
    }
    clearButton_->setEnabled(int(list_.entries().size()) > list_.alarmCount() + list_.warningCount());
    if (flash) {
        flashesLeft_ = kFlashes;
        flashTimer_.start();
    }
    paintHeader();
    setVisible(list_.isEnabled() && !list_.entries().empty());
    fitHeight();
}

void AttentionPanel::paintHeader() {
    header_->setText(headerText());
    const bool lit = flashesLeft_ > 0 && flashesLeft_ % 2 == 0;
    QPalette palette = header_->palette();
    palette.setColor(QPalette::Window, lit ? kAlarmColour : QWidget::palette().color(QPalette::Window));
    palette.setColor(QPalette::WindowText, lit                      ? QColor(Qt::white)
                                           : list_.alarmCount() > 0 ? kAlarmColour
                                                                    : QWidget::palette().color(QPalette::WindowText));
    header_->setPalette(palette);
    QFont font = header_->font();
    font.setBold(list_.alarmCount() > 0);
    header_->setFont(font);
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
    setFixedHeight(std::max(std::min(need, cap), std::min(floor, need)));
}

void AttentionPanel::goTo(const QModelIndex& index, bool openMenu) {
    if (!index.isValid() || size_t(index.row()) >= list_.entries().size() || !goToRow_)
        return;
    const AttentionEntry& entry = list_.entries()[size_t(index.row())];
    const int row = list_.rowOf(entry);
    if (row > 0)
        goToRow_(entry.section, row, openMenu);
}

bool AttentionPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == reference_ && event->type() == QEvent::Resize)
        fitHeight();
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool menuKey =
            key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || menuKey) {
            goTo(table_->currentIndex(), menuKey);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace so
