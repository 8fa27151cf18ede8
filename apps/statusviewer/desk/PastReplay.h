// A replay of the site's past at one desk: a second desk opened read-only on a scratch copy of
// the site with the board of a moment written into it. The operator steps through the reports
// around the moment one at a time (each step writes the board at the next report's time into the
// copy and the desk re-reads its rows) or plays them at a chosen speed.
//
// The past desk can command nothing: its host refuses every operator permission (no command or
// alarm step is offered) and has no field to send one to. The copy lives in a folder of its own,
// removed with the replay; the site itself is never written.
#pragma once

#include "desk/Workstation.h"
#include "host/PastSource.h"
#include "host/SyncBus.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace sv {

class PastReplay {
    Q_DECLARE_TR_FUNCTIONS(sv::PastReplay)

public:
    /// What the past desk is opened as: the live desk's options and services (the site URL, the
    /// field and the notices' bus are replaced), the site the copy is made of and the group shown.
    struct Desk {
        so::db::Connection* site = nullptr;
        WorkstationOptions options;
        HostServices services;
        QString group;
    };
    /// Speeds the replay plays at (times real time).
    static constexpr int kSpeeds[] = {1, 10, 60};
    /// Reports looked at on either side of a moment at most; a busier stretch before it is looked
    /// at more narrowly.
    static constexpr int kMaxReports = 4000;

    PastReplay(PastSource& source, Desk desk);
    ~PastReplay();
    PastReplay(const PastReplay&) = delete;
    PastReplay& operator=(const PastReplay&) = delete;

    /// Shows the board at moment (ms since the epoch), the reports around it loaded for stepping.
    void moveTo(qint64 moment);
    /// To the next (previous) report's time; false when there is none in reach.
    bool stepForward();
    bool stepBack();
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
    /// The desk showing the past; null before the first board came or when it could not be shown.
    Workstation* desk() { return desk_.get(); }
    /// The distinct report times around the moment, oldest first, and the one shown (-1: before
    /// the first).
    const QVector<qint64>& reportTimes() const { return times_; }
    int reportIndex() const;
    /// The board asked for has not come yet.
    bool isWaiting() const { return asked_ != 0; }

    /// Called after each change of what is shown (a board came, the reports were loaded, an error).
    std::function<void()> changed;

private:
    void ask(qint64 moment);
    void show(const PastAnswer& past);
    void openDesk(const PastAnswer& past);
    void loadReports(qint64 moment);
    void notify();

    PastSource& source_;
    Desk setup_;
    QTemporaryDir folder_;
    SyncBus quietBus_;
    std::unique_ptr<StateSource> quietField_;
    std::unique_ptr<Workstation> desk_;
    // Answers for a replay that has gone are dropped.
    std::shared_ptr<PastReplay*> alive_;
    qint64 asked_ = 0;    // the moment asked for, 0: none
    qint64 pending_ = 0;  // the moment to ask for once it answered, 0: none
    qint64 shown_ = 0;
    bool approximate_ = false;
    QString note_;
    QString error_;
    QVector<qint64> times_;
    int speed_ = 0;
    double playAt_ = 0;  // the moment playing has reached
};

}  // namespace sv
