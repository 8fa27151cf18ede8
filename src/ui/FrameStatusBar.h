// The status bar at the foot of the status window: whether the site database answers and whether
// the component's log is written (when the component has a site link), a notice when the shown group was deleted at
// another workstation, the progress of a long operation, and the time of the last state change received.
#pragma once

#include <QDateTime>
#include <QStatusBar>

class QLabel;

namespace so {

class SiteLink;

class FrameStatusBar : public QStatusBar {
    Q_OBJECT
public:
    /// Without a site link (null) the bar says nothing about the site database.
    FrameStatusBar(const SiteLink* siteLink, QWidget* parent);

    /// Names the shown group deleted elsewhere; an empty name takes the notice away.
    void showDeletedGroup(const QString& name);
    /// A long operation's progress, drawn at once (the work runs without the event loop); an
    /// empty text when it is over.
    void showProgress(const QString& text);
    /// The time of the last state change received; an invalid time changes nothing.
    void showLastStateChange(const QDateTime& time);

private:
    void showLink();

    const SiteLink* siteLink_;
    QLabel* lastChange_ = nullptr;
    class ElidedLabel* notice_ = nullptr;
    QLabel* link_ = nullptr;
    QDateTime shownLastStateChange_;
};

}  // namespace so
