// Where a replay of the site's past stands, without a window: the moment shown, the reports
// around it to step through, playing at a chosen speed. The boards come from a PastSource (the
// field's history in this process, or asked over the site bus); what shows them — a desk's
// window or the web desk's reader — is handed each board as it comes and writes it into its copy
// of the site.
#pragma once

#include "host/PastSource.h"

#include <QCoreApplication>

#include <functional>
#include <memory>

namespace sv {

/// Reports looked at on either side of a moment at most; a busier stretch before it is looked at
/// more narrowly.
inline constexpr int kMaxPastReports = 4000;

/// The distinct times of the reports around moment, oldest first, read through times(from, to,
/// limit) (both ends included, oldest first): those up to ten minutes after the moment, at most
/// kMaxPastReports of them, the nearest kept; those up to ten minutes before it, looked at more
/// narrowly while a stretch holds kMaxPastReports or more, so none between them and the moment
/// is cut off.
QVector<qint64> reportTimesAround(qint64 moment, const std::function<QVector<qint64>(qint64, qint64, int)>& times);

class PastCursor {
    Q_DECLARE_TR_FUNCTIONS(sv::PastCursor)

public:
    /// Shows a board: the first one opens the view of the past, the next ones are written into
    /// it. Throws so::db::DbError or StartupError when it cannot.
    using ShowBoard = std::function<void(const PastAnswer&)>;
    /// Speeds the replay plays at (times real time).
    static constexpr int kSpeeds[] = {1, 10, 60};

    PastCursor(PastSource& source, ShowBoard show);
    virtual ~PastCursor();
    PastCursor(const PastCursor&) = delete;
    PastCursor& operator=(const PastCursor&) = delete;

    /// Shows the board at moment (ms since the epoch), the reports around it loaded for stepping.
    void moveTo(qint64 moment);
    /// To the next (previous) report's time; false when there is none in reach. Where the reports
    /// around have to be asked for first, the step is taken when they come and true is returned.
    bool stepForward() { return step(+1); }
    bool stepBack() { return step(-1); }
    /// Plays from the moment shown at speed times real time; a tick moves the replay on by the
    /// steady time that passed (the caller's timer measures it).
    void play(int speed);
    void pause();
    bool isPlaying() const { return speed_ > 0; }
    int speed() const { return speed_; }
    void advance(qint64 elapsedMs);

    /// The moment shown; 0 before the first board came.
    qint64 moment() const { return shown_; }
    /// "The site as it was at <date time> — not live" (and why it is approximate), or what went wrong.
    QString banner() const;
    /// The distinct report times around the moment, oldest first, and the one shown (-1: before
    /// the first).
    const QVector<qint64>& reportTimes() const { return times_; }
    int reportIndex() const;
    /// The board asked for has not come yet.
    bool isWaiting() const { return asked_ != 0; }

    /// Called after each change of what is shown (a board came, the reports were loaded, an error).
    std::function<void()> changed;

private:
    bool step(int direction);
    bool stepWithin(int direction, qint64 from);
    /// Shows the last report up to the time playing reached; pauses after the last report loaded.
    void playOn();
    qint64 current() const { return asked_ != 0 ? asked_ : shown_; }
    void ask(qint64 moment);
    void show(const PastAnswer& past);
    void loadAround(qint64 moment);
    void loaded(QVector<qint64> times);
    void notify();

    PastSource& source_;
    ShowBoard showBoard_;
    // Answers for a cursor that has gone are dropped.
    std::shared_ptr<PastCursor*> alive_;
    qint64 asked_ = 0;    // the moment asked for, 0: none
    qint64 pending_ = 0;  // the moment to ask for once it answered, 0: none
    qint64 shown_ = 0;
    bool approximate_ = false;
    QString note_;
    QString error_;
    QVector<qint64> times_;
    bool loading_ = false;
    int stepAfterLoad_ = 0;  // the step to take once the reports come: +1, -1, 0 none
    bool stepTaken_ = true;  // whether that step found a report
    int speed_ = 0;
    double playAt_ = 0;  // the moment playing has reached
};

}  // namespace sv
