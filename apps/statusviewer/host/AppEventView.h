// The interactive run's console window: the field's traffic so far and the site's newest operator
// events (what the workstations wrote through LogEvent), refreshed once a second. Closing it ends
// the application.
#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class QListWidget;

namespace sv {

class StatusViewerApp;

class AppEventView : public QWidget {
public:
    explicit AppEventView(StatusViewerApp& app, QWidget* parent = nullptr);

    /// Reads the counters and the newest events again.
    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    static constexpr int kRefreshMs = 1000;
    static constexpr int kEventsShown = 100;

    StatusViewerApp& app_;
    QLabel* counters_;
    QListWidget* events_;
    QTimer timer_;
    qint64 newestEventId_ = -1;
};

}  // namespace sv
