#include "demo/AppEventView.h"

#include "demo/App.h"
#include "host/SiteHost.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace sv {

AppEventView::AppEventView(StatusViewerApp& app, QWidget* parent)
    : QWidget(parent), app_(app), counters_(new QLabel(this)), events_(new QListWidget(this)),
      showWindows_(new QPushButton(tr("Show Status Windows"), this)) {
    setWindowTitle(tr("Status Viewer - field and operator events"));
    // Esc closes a status window; the operator brings it back from here.
    const QKeySequence showKey(Qt::Key_F2);
    showWindows_->setToolTip(
        tr("Show the status windows closed with Esc (%1)").arg(showKey.toString(QKeySequence::NativeText)));
    connect(showWindows_, &QPushButton::clicked, this, [this] { app_.showClosedWindows(); });
    connect(new QShortcut(showKey, this), &QShortcut::activated, showWindows_, &QPushButton::click);
    auto* top = new QHBoxLayout;
    top->addWidget(counters_, 1);
    top->addWidget(showWindows_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(events_);
    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &AppEventView::refresh);
    timer_.start();
    refresh();
}

void AppEventView::refresh() {
    const RunSummary s = app_.summary();
    counters_->setText(tr("%1; field: %2 (%3/s); %4")
                           .arg(tr("%n workstation(s)", nullptr, s.workstations))
                           .arg(tr("%Ln state change(s) applied", nullptr,
                                   int(std::min<qint64>(s.stateChanges, std::numeric_limits<int>::max()))))
                           .arg(s.perSecond())
                           .arg(tr("%n error(s) logged", nullptr, int(s.errors))));
    QVector<EventRecord> events;
    try {
        events = SiteHost::recentEvents(app_.siteDb(), kEventsShown);
    } catch (const so::db::DbError& e) {
        // Logged once: the view stops asking rather than repeating the failure every second.
        app_.log().error(QStringLiteral("Reading the operator events failed: %1").arg(e.message()));
        timer_.stop();
        return;
    }
    // The list is rebuilt only when a new event came in, so a selection stays put meanwhile.
    const qint64 newest = events.isEmpty() ? 0 : events.constFirst().id;
    if (newest == newestEventId_)
        return;
    newestEventId_ = newest;
    events_->clear();
    for (const EventRecord& e : events) {
        events_->addItem(tr("%1  workstation %2  %3 %4 %5  %6")
                             .arg(e.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                             .arg(e.workstationId)
                             .arg(e.description, e.deviceKind)
                             .arg(e.deviceNumber)
                             .arg(e.details));
    }
}

void AppEventView::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::quit();
}

}  // namespace sv
