// The window of a replay of the site's past: a banner saying which moment it shows (and that it
// is not live), the past desk's status window, and the replay's controls: step back and forward
// (Left/Right, PageUp/PageDown), a slider over the reports around the moment, play at 1x, 10x or
// 60x, and "Back to live", which closes it. Closing the past desk's window (Esc) closes it too.
#pragma once

#include "desk/PastReplay.h"

#include <statusobject/StatusReader.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QVBoxLayout;

namespace sv {

class PastWindow final : public QWidget {
    Q_DECLARE_TR_FUNCTIONS(sv::PastWindow)

public:
    /// How often playing moves the replay on.
    static constexpr int kPlayTickMs = 200;

    /// Shows the replay (not owned; outlives the window). onClose runs once the operator closed it.
    PastWindow(PastReplay& replay, std::function<void()> onClose);
    ~PastWindow() override;

    QString bannerText() const;
    /// Plays at the speed chosen, or pauses.
    void togglePlay();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void update();
    void adoptDesk();
    void playTick();

    PastReplay& replay_;
    std::function<void()> onClose_;
    QVBoxLayout* layout_ = nullptr;
    QLabel* banner_ = nullptr;
    QLabel* position_ = nullptr;
    QSlider* slider_ = nullptr;
    QPushButton* play_ = nullptr;
    QComboBox* speed_ = nullptr;
    QPointer<QWidget> adopted_;
    QTimer playTimer_;
    QElapsedTimer sinceTick_;
};

/// A step of the alarm journal to go back to: the last moment of its second (the board with the
/// step) and how the list names it.
struct JournalMoment {
    qint64 moment = 0;
    QString label;  // "2026-12-08 09:53:10  raised  \\SNET.P01.C00001.DR02"
};
/// The journal's steps as moments, in the journal's order; a step whose time cannot be read is left out.
QVector<JournalMoment> journalMoments(const QVector<so::StatusReader::JournalRow>& rows);

/// Asks the operator for a moment within the history's span, starting from `start`, or one of the
/// journal's steps (choosing one puts its time in the date-time edit); an invalid date-time when
/// cancelled.
QDateTime askPastMoment(QWidget* parent, std::pair<qint64, qint64> span, const QDateTime& start,
                        const QVector<JournalMoment>& journal);

}  // namespace sv
