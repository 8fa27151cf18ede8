// What one broker login may cost the process that reads it. A login with a valid password can
// publish as fast as the broker takes it; whatever it sends, the field keeps its pace and memory,
// and every other login keeps its own budget. Each limit is kept per login, apart from every other
// login's, and none holds more than a few numbers per login. Plain code on a steady clock in
// milliseconds handed in by the caller, so the tests drive time.
//
//  - LoginBudget: a token bucket per login, for messages that cost work (a command the field
//    checks against the site database, a notice that makes a desk re-read the site);
//  - FloodLog: at most a few of a login's refusals are logged in full per period, the rest counted
//    and summed up when the period ends: a flood never writes a line per message;
//  - ResyncAnswers: the field's answers to a login's resync requests, at most one in the works per
//    login and one begun at most every kMinIntervalMs; requests meanwhile are folded into the next.
#pragma once

#include <QHash>
#include <QString>
#include <QVector>

#include <functional>

namespace sv {

class LoginBudget {
public:
    /// Each login may spend burst at once, then perSecond a second.
    LoginBudget(double perSecond, double burst) : perSecond_(perSecond), burst_(burst) {}

    /// True when login may spend one more now; false when it is over its budget.
    bool take(const QString& login, qint64 nowMs);
    /// Logins held: one whose bucket has filled up again is forgotten.
    qsizetype size() const { return buckets_.size(); }

private:
    struct Bucket {
        double tokens = 0;
        qint64 atMs = 0;
    };
    double refilled(const Bucket& bucket, qint64 nowMs) const;

    double perSecond_;
    double burst_;
    QHash<QString, Bucket> buckets_;
    qint64 sweptMs_ = 0;
};

class FloodLog {
public:
    FloodLog(qint64 periodMs, int linesPerPeriod) : periodMs_(periodMs), linesPerPeriod_(linesPerPeriod) {}

    /// A refusal of login now: true when it is to be logged in full (one of the first
    /// linesPerPeriod of its period).
    bool note(const QString& login, qint64 nowMs);
    struct Summary {
        QString login;
        qint64 more = 0;  // refusals of the period not logged one by one
    };
    /// The logins whose period has ended, with what was not logged; they are forgotten.
    QVector<Summary> takeEnded(qint64 nowMs);

private:
    struct Period {
        qint64 sinceMs = 0;
        int lines = 0;
        qint64 more = 0;
    };
    qint64 periodMs_;
    int linesPerPeriod_;
    QHash<QString, Period> periods_;
};

class ResyncAnswers {
public:
    /// A login's answers begin at most this often; a desk asks again after 3 s without one.
    static constexpr qint64 kMinIntervalMs = 1000;

    /// Begins the answer to login's request number; finished(login) is called once it is sent
    /// (or given up).
    std::function<void(const QString& login, qint64 number)> begin;

    /// login asks with number: begun now (true), or folded into the login's next answer (its
    /// number the latest asked; a desk takes only the answer to its latest request).
    bool request(const QString& login, qint64 number, qint64 nowMs);
    void finished(const QString& login, qint64 nowMs);
    /// Begins the folded requests whose time has come; forgets logins with nothing pending.
    void tick(qint64 nowMs);
    /// Requests folded and not begun yet.
    bool hasWaiting() const;
    /// Logins held.
    qsizetype size() const { return logins_.size(); }

private:
    struct Login {
        bool inFlight = false;
        bool waiting = false;
        qint64 number = 0;                 // of the request waiting
        qint64 begunMs = -kMinIntervalMs;  // never: the first request is answered at once
    };
    void start(const QString& login, Login& state, qint64 nowMs);

    QHash<QString, Login> logins_;
};

}  // namespace sv
