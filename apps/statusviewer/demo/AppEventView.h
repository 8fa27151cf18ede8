// The interactive run's console window: the field's traffic so far and the site's newest operator
// events (what the workstations wrote through LogEvent), refreshed once a second, and a button (and
// F2) that shows again the status windows the operator closed with Esc. Closing it ends the
// application.
#pragma once

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace sv {

class StatusViewerApp;

class AppEventView : public QWidget {
    Q_DECLARE_TR_FUNCTIONS(sv::AppEventView)

public:
    explicit AppEventView(StatusViewerApp& app, QWidget* parent = nullptr);

    /// Reads the counters and the newest events again.
    void refresh();
    /// "Show Status Windows": brings back the status windows closed with Esc.
    QPushButton* showWindowsButton() const { return showWindows_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    static constexpr int kRefreshMs = 1000;
    static constexpr int kEventsShown = 100;

    StatusViewerApp& app_;
    QLabel* counters_;
    QListWidget* events_;
    QPushButton* showWindows_;
    QTimer timer_;
    qint64 newestEventId_ = -1;
};

}  // namespace sv
