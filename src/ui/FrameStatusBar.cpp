#include "ui/FrameStatusBar.h"
#include "ui/RowColours.h"
#include "ui/TextHue.h"

#include "base/SiteLink.h"

#include <QLabel>

#include <algorithm>

namespace so {

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

FrameStatusBar::FrameStatusBar(const SiteLink* siteLink, QWidget* parent) : QStatusBar(parent), siteLink_(siteLink) {
    setObjectName(QStringLiteral("statusBar"));
    setSizeGripEnabled(false);
    lastChange_ = new QLabel(tr("No state change received yet"), this);
    lastChange_->setObjectName(QStringLiteral("lastChange"));
    addPermanentWidget(lastChange_);
    notice_ = new ElidedLabel(this);
    notice_->setObjectName(QStringLiteral("notice"));
    TextHue::set(*notice_, kAlarmHue, true);
    notice_->hide();
    addWidget(notice_, 1);
    if (siteLink_ != nullptr) {
        link_ = new QLabel(this);
        link_->setObjectName(QStringLiteral("siteLink"));
        addWidget(link_);
        showLink();
        connect(siteLink_, &SiteLink::reachableChanged, this, &FrameStatusBar::showLink);
        connect(siteLink_, &SiteLink::busyChanged, this, &FrameStatusBar::showLink);
        connect(siteLink_, &SiteLink::damagedChanged, this, &FrameStatusBar::showLink);
        connect(siteLink_, &SiteLink::logProblemChanged, this, &FrameStatusBar::showLink);
        connect(siteLink_, &SiteLink::fullChanged, this, &FrameStatusBar::showLink);
        connect(siteLink_, &SiteLink::logOverBoundChanged, this, &FrameStatusBar::showLink);
    }
}

void FrameStatusBar::showDeletedGroup(const QString& name) {
    // The operator may be away from the desk: the bar says it, no box waits for a click.
    notice_->setFullText(name.isEmpty() ? QString()
                                        : tr("The status group \"%1\" was deleted at another workstation; "
                                             "its points are no longer a group. Choose another group.")
                                              .arg(name));
    notice_->setVisible(!name.isEmpty());
}

void FrameStatusBar::showProgress(const QString& text) {
    if (text.isEmpty()) {
        clearMessage();
        return;
    }
    showMessage(text);
    if (isVisible())
        repaint();
}

void FrameStatusBar::showLastStateChange(const QDateTime& time) {
    if (!time.isValid() || time == shownLastStateChange_)
        return;
    shownLastStateChange_ = time;
    lastChange_->setText(tr("Last state change: %1").arg(time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
}

void FrameStatusBar::showLink() {
    const SiteLink& siteLink = *siteLink_;
    const QString logProblem = siteLink.logProblem();
    const bool fine = siteLink.isReachable() && !siteLink.isBusy() && !siteLink.isFull() &&
                      !siteLink.isLogOverBound() && logProblem.isEmpty();
    const QString problem = siteLink.isDamaged()      ? tr("Site database file damaged: changes are not saved")
                            : !siteLink.isReachable() ? tr("Site database not answering")
                            : siteLink.isFull()       ? tr("The site file cannot grow: the disk is full")
                            : siteLink.isLogOverBound()
                                ? tr("The site's log keeps growing: a reader holds back its checkpoints")
                            : siteLink.isBusy() ? tr("Site database busy: changes cannot be saved now")
                                                : QString();
    const QString site = problem.isEmpty() ? QStringLiteral("\u25CF ") + tr("Site database answering")
                                           : QStringLiteral("\u25B2 ") + problem;
    link_->setText(logProblem.isEmpty() ? site : site + QStringLiteral("   \u25B2 ") + logProblem);
    TextHue::set(*link_, fine ? QColor() : kAlarmHue, !fine);
}

}  // namespace so
