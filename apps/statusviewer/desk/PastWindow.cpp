#include "desk/PastWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace sv {
namespace {

const QString kStatusCallBack = QStringLiteral("STATUS");
const QString kUnload = QStringLiteral("Unload");

QAction* keyAction(QWidget* window, const QString& name, QList<QKeySequence> keys, std::function<void()> act) {
    auto* action = new QAction(window);
    action->setObjectName(name);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, window, std::move(act));
    window->addAction(action);
    return action;
}

}  // namespace

PastWindow::PastWindow(PastReplay& replay, std::function<void()> onClose)
    : replay_(replay), onClose_(std::move(onClose)) {
    setObjectName(QStringLiteral("pastWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    build();
    replay_.changed = [this] { update(); };
    playTimer_.setInterval(kPlayTickMs);
    connect(&playTimer_, &QTimer::timeout, this, [this] { playTick(); });
    update();
}

PastWindow::~PastWindow() {
    replay_.changed = nullptr;
    if (Workstation* desk = replay_.desk())
        desk->host().setCallBackObserver({});
    // The past desk's window is the component's: it goes with the desk, not with this window.
    if (adopted_ != nullptr) {
        adopted_->hide();
        adopted_->setParent(nullptr);
    }
    if (onClose_)
        onClose_();
}

void PastWindow::build() {
    layout_ = new QVBoxLayout(this);
    banner_ = new QLabel(this);
    banner_->setObjectName(QStringLiteral("pastBanner"));
    banner_->setWordWrap(true);
    banner_->setStyleSheet(QStringLiteral(
        "background: #ffd54f; color: #3e2700; font-weight: bold; padding: 6px; border: 2px solid #b26a00;"));
    layout_->addWidget(banner_);

    auto* controls = new QHBoxLayout;
    auto* back = new QPushButton(QStringLiteral("\u25C0"), this);
    back->setObjectName(QStringLiteral("pastStepBack"));
    back->setToolTip(tr("The previous report (Left, PageUp)"));
    connect(back, &QPushButton::clicked, this, [this] { replay_.stepBack(); });
    auto* forward = new QPushButton(QStringLiteral("\u25B6"), this);
    forward->setObjectName(QStringLiteral("pastStepForward"));
    forward->setToolTip(tr("The next report (Right, PageDown)"));
    connect(forward, &QPushButton::clicked, this, [this] { replay_.stepForward(); });
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("pastSlider"));
    slider_->setFocusPolicy(Qt::NoFocus);
    const auto moveToSlider = [this] {
        const QVector<qint64>& times = replay_.reportTimes();
        const int at = slider_->value();
        if (at >= 0 && at < times.size() && at != replay_.reportIndex())
            replay_.moveTo(times[at]);
    };
    connect(slider_, &QSlider::valueChanged, this, [this, moveToSlider] {
        if (!slider_->isSliderDown())
            moveToSlider();
    });
    connect(slider_, &QSlider::sliderReleased, this, moveToSlider);
    position_ = new QLabel(this);
    position_->setObjectName(QStringLiteral("pastPosition"));
    speed_ = new QComboBox(this);
    speed_->setObjectName(QStringLiteral("pastSpeed"));
    for (const int speed : PastReplay::kSpeeds)
        speed_->addItem(QStringLiteral("%1\u00D7").arg(speed), speed);
    connect(speed_, &QComboBox::currentIndexChanged, this, [this] {
        if (replay_.isPlaying())
            replay_.play(speed_->currentData().toInt());
    });
    play_ = new QPushButton(this);
    play_->setObjectName(QStringLiteral("pastPlay"));
    connect(play_, &QPushButton::clicked, this, [this] { togglePlay(); });
    auto* live = new QPushButton(tr("Back to live"), this);
    live->setObjectName(QStringLiteral("pastBackToLive"));
    connect(live, &QPushButton::clicked, this, &QWidget::close);
    // The controls take no keyboard focus: Left/Right and PageUp/PageDown step wherever it is
    // (a text field keeps Left/Right for its cursor).
    for (QWidget* control : std::initializer_list<QWidget*>{back, forward, speed_, play_, live})
        control->setFocusPolicy(Qt::NoFocus);
    controls->addWidget(back);
    controls->addWidget(slider_, 1);
    controls->addWidget(forward);
    controls->addWidget(position_);
    controls->addWidget(speed_);
    controls->addWidget(play_);
    controls->addWidget(live);
    layout_->addLayout(controls);

    keyAction(this, QStringLiteral("pastStepBackKey"), {QKeySequence(Qt::Key_Left), QKeySequence(Qt::Key_PageUp)},
              [this] { replay_.stepBack(); });
    keyAction(this, QStringLiteral("pastStepForwardKey"), {QKeySequence(Qt::Key_Right), QKeySequence(Qt::Key_PageDown)},
              [this] { replay_.stepForward(); });
}

QString PastWindow::bannerText() const { return banner_->text(); }

void PastWindow::togglePlay() {
    if (replay_.isPlaying()) {
        replay_.pause();
        return;
    }
    replay_.play(speed_->currentData().toInt());
}

void PastWindow::update() {
    banner_->setText(replay_.banner());
    setWindowTitle(tr("Past \u2014 %1").arg(replay_.banner()));
    adoptDesk();
    const QVector<qint64>& times = replay_.reportTimes();
    {
        const QSignalBlocker quiet(slider_);
        slider_->setRange(0, std::max(0, int(times.size()) - 1));
        slider_->setValue(std::max(0, replay_.reportIndex()));
        slider_->setEnabled(!times.isEmpty());
    }
    position_->setText(times.isEmpty() ? tr("no reports to step through")
                                       : tr("report %1 of %2").arg(replay_.reportIndex() + 1).arg(times.size()));
    play_->setText(replay_.isPlaying() ? tr("Pause") : tr("Play"));
    if (replay_.isPlaying() && !playTimer_.isActive()) {
        sinceTick_.start();
        playTimer_.start();
    } else if (!replay_.isPlaying()) {
        playTimer_.stop();
    }
}

void PastWindow::adoptDesk() {
    Workstation* desk = replay_.desk();
    if (adopted_ != nullptr || desk == nullptr || desk->widget() == nullptr)
        return;
    adopted_ = desk->widget();
    adopted_->setParent(this, Qt::Widget);
    layout_->insertWidget(1, adopted_, 1);
    adopted_->show();
    // The past desk's window closed (Esc): back to live.
    desk->host().setCallBackObserver([this](const QString& word, qint64, const QVariant& action) {
        if (word == kStatusCallBack && action.toString() == kUnload)
            QTimer::singleShot(0, this, &QWidget::close);
    });
}

void PastWindow::playTick() { replay_.advance(sinceTick_.restart()); }

void PastWindow::closeEvent(QCloseEvent* event) {
    replay_.pause();
    QWidget::closeEvent(event);
}

QVector<JournalMoment> journalMoments(const QVector<so::StatusReader::JournalRow>& rows) {
    QVector<JournalMoment> moments;
    for (const so::StatusReader::JournalRow& row : rows) {
        const QDateTime time = QDateTime::fromString(row.time, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        // The journal keeps whole seconds: the end of the step's second shows the board with the step.
        if (time.isValid())
            moments.append(
                {time.toMSecsSinceEpoch() + 999, QStringLiteral("%1  %2  %3").arg(row.time, row.event, row.address)});
    }
    return moments;
}

QDateTime askPastMoment(QWidget* parent, std::pair<qint64, qint64> span, const QDateTime& start,
                        const QVector<JournalMoment>& journal) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("pastMomentDialog"));
    dialog.setWindowTitle(PastWindow::tr("Show the site at"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* edit = new QDateTimeEdit(start, &dialog);
    edit->setObjectName(QStringLiteral("pastMoment"));
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    edit->setCalendarPopup(true);
    if (span.first <= span.second) {
        edit->setDateTimeRange(QDateTime::fromMSecsSinceEpoch(span.first), QDateTime::fromMSecsSinceEpoch(span.second));
        layout->addWidget(new QLabel(PastWindow::tr("The history holds %1 to %2.")
                                         .arg(edit->minimumDateTime().toString(edit->displayFormat()),
                                              edit->maximumDateTime().toString(edit->displayFormat())),
                                     &dialog));
    }
    layout->addWidget(edit);
    if (!journal.isEmpty()) {
        layout->addWidget(new QLabel(PastWindow::tr("Or back to a step of the alarm journal:"), &dialog));
        auto* steps = new QListWidget(&dialog);
        steps->setObjectName(QStringLiteral("pastJournal"));
        for (const JournalMoment& step : journal) {
            auto* item = new QListWidgetItem(step.label, steps);
            item->setData(Qt::UserRole, step.moment);
        }
        QObject::connect(steps, &QListWidget::currentItemChanged, edit, [edit](QListWidgetItem* item) {
            if (item != nullptr)
                edit->setDateTime(QDateTime::fromMSecsSinceEpoch(item->data(Qt::UserRole).toLongLong()));
        });
        QObject::connect(steps, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
        layout->addWidget(steps, 1);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted ? edit->dateTime() : QDateTime();
}

}  // namespace sv
