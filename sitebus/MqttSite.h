// The two ends of a multi-desk site on the broker (topics and payloads: SiteWire.h; the session,
// order, gap and resync rules: FieldSession.h).
//
// FieldBroadcaster (the field's process) runs one session under a random number. It publishes the
// field's state reports in batches, one per event-loop turn (at most kMaxBatch reports each),
// numbered within the session; while the broker cannot take them (link down, or more than
// kMaxUnacknowledged messages not acknowledged, as when the broker hangs) the reports wait in a
// bounded queue that keeps the newest report per point (OutgoingReports). It announces the session
// online (retained) on every connection, leaves "offline" as its last will and says it on an
// orderly exit, and takes a digest every kDigestMs, published once the site holds every state it
// covers. The desks' commands, a resync request included, pass its CommandGate first; it executes
// a device command the gate lets through and answers the desk whether it was executed or refused
// (and why); an operator's alarm step it records in the site database and announces to every desk
// on the alarm topic. A request for a stretch of the past it answers, when the field keeps a history
// (setPastStretch: the reports around a moment, each as the rows it changed, which a desk steps
// and plays through without asking again), in parts on the asking login's own past topic, then the
// command's answer; a login asks for at most kStretchBurst, then kStretchPerSecond a second. It answers a resync
// request once every state reported so far is written to the site database, with the newest
// report per point of the session, on the asking login's own topic. What one login costs it is bounded (LoginLimits.h):
// its device commands by a budget checked before any database work, its resync requests folded into at most one answer
// in the works and one a second, its refusals logged in full a few times per kFloodLogMs and the rest counted.
//
// DeskLink (a workstation's process) is that workstation's field and notice bus: it hands the
// accepted reports to the Status, sends commands and alarm steps (numbered within its run, naming its operator)
// and notices under its own login, tells of a command the field refused, and follows the field's
// session (DeskSession): on every (re)connection, a new field session, a gap or a differing digest
// it resyncs; on a second digest equal to its own at the same report it has the workstation check
// the next rows it shows against the site (auditRows, kRowsCheckedPerDigest a digest). Another login's notices beyond
// its budget are dropped (each makes the desk re-read the site) and logged a few times per login
// per kFloodLogMs, the rest counted. The broker link's loss is logged once per loss, with its
// time and cause; the status bar shows the broker link and, apart from it, the field's state
// (FieldLinkLabel, in the application).
#pragma once

#include "CommandGate.h"
#include "FieldInterfaces.h"
#include "FieldSession.h"
#include "LoginLimits.h"
#include "SiteTransport.h"
#include "SiteWire.h"
#include "NoticeBus.h"
#include "SiteLog.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <QTimer>
#include <QVector>

#include <functional>
#include <utility>

namespace sv {

class FieldBroadcaster final : public QObject, public StateSink {
public:
    static constexpr int kMaxBatch = 1000;
    /// Messages handed to the broker link and not acknowledged beyond which reports wait here.
    static constexpr int kMaxUnacknowledged = 200;
    /// Points the outgoing queue holds at most (more than a site has).
    static constexpr qsizetype kMaxHeldPoints = 100000;
    static constexpr int kDigestMs = 1000;
    /// Device commands one login may send: a burst, then a pace no operator clicking reaches.
    static constexpr double kCommandBurst = 20;
    static constexpr double kCommandsPerSecond = 10;
    /// A login's refusals logged in full per period; the others are counted and summed up.
    static constexpr qint64 kFloodLogMs = 10000;
    static constexpr int kFloodLogLines = 5;
    /// Resync requests of a login folded in one period beyond which the period is logged.
    static constexpr qint64 kFoldsLogged = 10;
    /// Sign-ins waiting for their password's verification at most; more are refused as "busy".
    static constexpr int kMaxWaitingSignIns = 16;
    /// Stretches of the past one login may ask for (each one walk of the field's history; a desk
    /// stepping or playing asks one per few thousand reports).
    static constexpr double kStretchBurst = 6;
    static constexpr double kStretchPerSecond = 2;
    /// The field's answer to a request for a stretch of the past: the reports around moment to step
    /// through, built on the board at held the desk holds (0: none), as bytes for the desk (at most
    /// wire::PastPart::kMaxParts parts), or why there are none in refusal.
    using PastStretch = std::function<QByteArray(qint64 moment, qint64 held, QString& refusal)>;
    /// Without it such requests are refused.
    void setPastStretch(PastStretch pastStretch) { pastStretch_ = std::move(pastStretch); }

    /// Sets the link's last will: constructed before the link starts. db: the site database, where
    /// the operators' rights are read.
    /// permission: whether an operator holds a permission, asked of the site database (the host's).
    FieldBroadcaster(SiteTransport& link, const QString& site, FieldDevices& field, so::db::Connection& db,
                     CommandGate::Permission permission, SiteLog& log);

    /// Queues a report for publication, with its time: dateLastUpdated as the site writes times
    /// ("2026-12-08 03:04:05"), or the field's clock now when it is empty or no such time.
    void StateChange(const QString& deviceType, const QString& address, quint8 state, const QString& dateLastUpdated,
                     const QString& stateValue) override;
    /// Publishes the reports not sent yet (or queues them while the broker cannot take them).
    void sendPending();
    /// Writes every changed state, then announces that the run reported its last report.
    void announceDone();
    /// An orderly exit: says the session is offline and waits a moment for the broker to take it.
    void goOffline();

    qint64 session() const { return session_; }
    qint64 reportsPublished() const { return lastSeq_; }
    /// Reports waiting for the broker, and reports replaced or dropped there since the start.
    qsizetype reportsHeld() const { return held_.size(); }
    qint64 reportsLost() const { return lost_; }
    int rejectedPayloads() const { return rejected_; }
    int refusedCommands() const { return refused_; }
    /// Resync answers begun (each one to one login).
    int resyncAnswers() const { return resyncAnswers_; }

private:
    void message(const QString& topic, const QByteArray& payload);
    /// Executes a command the gate let through; why it failed, empty when it did not.
    QString command(const wire::Command& command);
    /// Records an operator's alarm step in the site database and announces it to every desk.
    QString recordAlarmStep(const wire::Command& command);
    /// A command of login refused: logged in full kFloodLogLines times per login per kFloodLogMs,
    /// then counted; told to the desk when answered.
    void refuse(const QString& login, const QString& what, const QString& why, bool answered);
    void logFloods();
    bool canPublish() const;
    /// Publishes what waits in the queue while the broker takes it; tries again shortly otherwise.
    void drain();
    void publishBatch(QVector<wire::StateReport> reports);
    void publishDone();
    void answerResync(const QString& requester, qint64 number);
    /// Publishes a stretch of the past in parts on the login's own topic; why not, or empty.
    QString answerPastStretch(const QString& login, const wire::Command& command);
    QString publishPastParts(const QString& login, qint64 number, const QByteArray& bytes);
    qint64 steadyMs() const { return steady_.elapsed(); }
    void publishDigest();
    wire::Event event(wire::Event::Kind kind) const;
    void answer(const QString& login, qint64 number, const QString& refusal, const QByteArray& token);
    /// Verifies a sign-in's password on the worker thread; done runs on the field's thread.
    void verifyOnWorker(const OperatorDirectory::Credential& credential, const QByteArray& password,
                        std::function<void(std::optional<bool>)> done);

    SiteTransport& link_;
    QString site_;
    FieldDevices& field_;
    so::db::Connection& db_;
    SiteLog& log_;
    CommandGate gate_;
    /// The field's steady clock: operator sessions and sign-in delays.
    QElapsedTimer steady_;
    /// The one thread verifying sign-in passwords (argon2id: 50 to 250 ms each), so the field's
    /// event loop never waits for one; sign-ins waiting for it.
    QThreadPool verifier_;
    int verifying_ = 0;
    const qint64 session_;
    qint64 lastSeq_ = 0;
    QVector<wire::StateReport> pending_;
    bool sendQueued_ = false;
    OutgoingReports held_{kMaxHeldPoints};
    LatestReports published_;
    ResyncAnswers resyncs_;
    LoginBudget commandBudget_{kCommandsPerSecond, kCommandBurst};
    LoginBudget stretchBudget_{kStretchPerSecond, kStretchBurst};
    PastStretch pastStretch_;
    FloodLog floods_{kFloodLogMs, kFloodLogLines};
    FloodLog resyncFolds_{kFloodLogMs, 0};
    qint64 lost_ = 0;
    QTimer drainTimer_;
    QTimer digestTimer_;
    QTimer resyncTimer_;
    /// A digest taken waits for the site to hold what it covers.
    bool digestWaiting_ = false;
    int rejected_ = 0;
    int refused_ = 0;
    int resyncAnswers_ = 0;
};

class DeskLink final : public QObject, public StateSource, public NoticeBus, public FieldControl {
public:
    static constexpr int kTickMs = 250;
    static constexpr int kKeptCommandOperators = 1000;
    /// Notices one other login may send: a burst, then a pace no operator reaches.
    static constexpr double kNoticeBurst = 20;
    static constexpr double kNoticesPerSecond = 5;
    static constexpr qint64 kFloodLogMs = 10000;
    static constexpr int kFloodLogLines = 5;
    /// Rows checked against the site per digest the desk is level with (one a second): a window of
    /// 50,000 rows is checked through in 100 s at about 3 % of a core (BENCHMARKS.md).
    static constexpr int kRowsCheckedPerDigest = 500;
    /// Sign-ins and sign-outs kept waiting for an answer; the oldest is forgotten (a field that
    /// never answers is the sign-in's own timeout to tell).
    static constexpr int kMaxAwaiting = 64;

    /// deskId names this desk: its broker login, which is its computer name (unique on the site).
    DeskLink(SiteTransport& link, const QString& site, const QString& deskId, SiteLog& log);

    /// The login name of the operator at this desk, named in every command (with the session the
    /// field gave that operator's sign-in at this desk).
    void setOperator(const QString& login) { operator_ = login; }
    /// Signs operator login in at the field with the password; done(refusal) once the field
    /// answered, refusal empty when the operator is signed in.
    void signIn(const QString& login, const QByteArray& password, std::function<void(const QString& refusal)> done);
    /// Ends the operator's session at the field (signing out, locking, switching operator).
    void signOut(const QString& login);
    /// The operator at this desk acknowledges these alarms (one command per wire::Command::kMaxAlarms),
    /// or shelves a point: the field checks, records and announces them (alarmSteps).
    void acknowledge(const QVector<wire::AlarmRef>& alarms, const QString& comment);
    void shelve(const QString& address, int minutes);
    /// Asks the field for the stretch of reports around moment (0: only the span the history holds),
    /// built on the board at held this desk holds (0: none); done(stretch, refusal) as for a board.
    void requestPastStretch(qint64 moment, qint64 held,
                            std::function<void(const QByteArray& stretch, const QString& refusal)> done);
    bool isSignedIn(const QString& login) const { return tokens_.contains(login); }
    /// Whether a sign-in of login waits for the field's answer.
    bool isSigningIn(const QString& login) const;
    // ---- StateSource
    void addSink(StateSink* sink) override;
    void removeSink(StateSink* sink) override;
    // ---- NoticeBus
    void attach(const QString& workstationId, SyncReceiver* receiver) override;
    void detach(const QString& workstationId) override;
    void send(const QString& topic, qint32 action, const QVariant& data, const QString& senderWorkstationId) override;
    // ---- FieldControl
    void dtApiCall(qint32 controllerNumber, const QString& command, qint16 pointNumber) override;
    void zr2AccessFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) override;
    void zr2ControlFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) override;
    void zr2ClearCodeTamper(qint32 readerId) override;

    /// The workstation's full refresh, run by every resynchronisation.
    std::function<void()> refreshRows;
    /// Checks the next rows shown (at most the count given) against the site and draws again those
    /// that differ; returns how many did. Run whenever two digests of the field at the same report
    /// show this desk level with it: the site then holds exactly the states the rows were drawn from.
    std::function<int(int count)> auditRows;
    /// Told when the broker link goes down (with the time) and comes back.
    std::function<void(bool up, const QDateTime& lostSince)> linkChanged;
    /// Told when the field's state or a resync's changes (fieldText()).
    std::function<void()> fieldChanged;
    /// Told when the field restarted: the sessions of this desk's operators ended with it.
    std::function<void()> sessionsLost;
    /// Told of the alarm steps the field recorded, at any desk.
    std::function<void(const wire::AlarmNews& news)> alarmSteps;
    /// Told when the field refused one of this desk's commands, with the text for the operator.
    std::function<void(const QString& text)> commandRefused;
    /// While commandRefused runs: the operator the refused command named (a desk that serves
    /// several operators tells the one who sent it).
    const QString& refusedOperator() const { return refusedOperator_; }

    bool isUp() const { return link_.isConnected(); }
    const DeskSession& session() const { return session_; }
    bool isResyncing() const { return session_.isResyncing(); }
    /// "Field online", "Field offline since 10:42:13", ... for the status bar; alarm: shown in red.
    QString fieldText(bool* alarm = nullptr) const;
    /// "field online", "field offline since 10:42:13", ... for the status line.
    QString fieldWords() const;
    qint64 reportsApplied() const { return session_.applied(); }
    qint64 reportsDropped() const { return session_.dropped(); }
    int rejectedPayloads() const { return rejected_; }
    /// Notices dropped because their login sent more than its budget.
    int noticesDropped() const { return noticesDropped_; }
    int resyncs() const { return session_.resyncs(); }
    int commandsRefused() const { return commandsRefused_; }
    /// Shown rows found to differ from the site and drawn again (auditRows).
    qint64 rowsRedrawn() const { return rowsRedrawn_; }
    /// The field's last run finished: the number of its last report (0: not yet).
    qint64 doneSeq() const { return doneSeq_; }
    /// Milliseconds from the field's publication of each batch to its reports applied (with --stats).
    void setMeasuring(bool on) { measuring_ = on; }
    const QVector<double>& latenciesMs() const { return latencies_; }
    /// A report applied while measuring: its number in the field's session, the field's time of
    /// it and this desk's clock once every sink took it (both milliseconds since 1970: the times a
    /// benchmark on the same machine compares with other processes' for the same report).
    struct AppliedReport {
        qint64 seq = 0;
        qint64 atMs = 0;
        qint64 appliedMs = 0;
    };
    /// The reports applied since the last take (at most kMaxAppliedKept: the later ones are not
    /// kept until the next take), and forgets them.
    QVector<AppliedReport> takeAppliedReports() { return std::exchange(applied_, {}); }
    static constexpr qsizetype kMaxAppliedKept = 1'000'000;

private:
    void connected();
    void disconnected(const QString& reason);
    void message(const QString& topic, const QByteArray& payload);
    void notice(const QString& login, const QByteArray& payload);
    void logFloods();
    void states(const wire::StateBatch& batch);
    void event(const wire::Event& event);
    void answer(const wire::Answer& answer);
    void deliver(const wire::StateReport& report);
    void sessionChanged();
    void checkRows();
    /// Sends the command naming the operator at the desk and its session; its number. An operator's
    /// command sent while the field has not yet answered that operator's sign-in waits for the
    /// answer (0 then): the operator's first click after signing in is not refused for want of a
    /// session.
    qint64 sendCommand(wire::Command command);
    /// Numbers the command, adds the named operator's session and publishes it; its number.
    qint64 publishCommand(wire::Command command);
    /// Sends the commands that waited for `login`'s sign-in (with its session, or without one
    /// after a refusal: the field then refuses them and the operator is told why).
    void releaseHeld(const QString& login);
    void followFieldSession(qint64 session);
    struct Pending {
        QString login;
        std::function<void(const QString&)> done;
    };
    void await(qint64 number, Pending pending);
    /// A request for a past moment waiting for its parts and answer.
    struct PastRequest {
        std::function<void(const QByteArray&, const QString&)> done;
        QVector<QByteArray> parts;
        qint64 received = 0;
    };
    void requestPast(wire::Command command, std::function<void(const QByteArray&, const QString&)> done);
    void pastPart(const wire::PastPart& part);
    /// The field's answer to a request for a past moment; false when number is none.
    bool pastAnswered(const wire::Answer& answer);
    void reject(const char* what, const QString& why);

    SiteTransport& link_;
    QString site_;
    QHash<qint64, PastRequest> pastRequests_;
    QString deskId_;
    QString operator_;
    /// This run of the desk (the session its commands name), and the number of its last command.
    const qint64 run_;
    qint64 commandNumber_ = 0;
    /// The operator each recent command named, by its number (the last kKeptCommandOperators).
    QHash<qint64, QString> commandOperators_;
    QString refusedOperator_;
    /// The session the field gave each operator signed in here, and the sign-ins and sign-outs
    /// waiting for the field's answer by command number (no callback for a sign-out).
    QHash<QString, QByteArray> tokens_;
    QHash<qint64, Pending> awaiting_;
    /// Operators' commands waiting for their sign-in's answer (at most kMaxHeldCommands), with the
    /// steady time each was given; one that waited longer than kHeldCommandMs is dropped, not sent
    /// late.
    struct Held {
        wire::Command command;
        qint64 heldMs = 0;
    };
    QVector<Held> held_;
    static constexpr int kMaxHeldCommands = 32;
    static constexpr qint64 kHeldCommandMs = 10000;
    /// The field's session the tokens were given in.
    qint64 fieldSession_ = 0;
    SiteLog& log_;
    QVector<StateSink*> sinks_;
    QHash<QString, SyncReceiver*> receivers_;
    /// The field's time of the last report delivered: its second and that as the sinks' time text.
    qint64 reportSecond_ = 0;
    QString reportTime_;
    DeskSession session_;
    QElapsedTimer steady_;
    LoginBudget noticeBudget_{kNoticesPerSecond, kNoticeBurst};
    FloodLog noticeFloods_{kFloodLogMs, kFloodLogLines};
    int noticesDropped_ = 0;
    QTimer tick_;
    QDateTime lostSince_;
    bool everConnected_ = false;
    /// What was logged last: the field's state and whether a resync was overdue.
    DeskSession::FieldState loggedState_ = DeskSession::FieldState::Unknown;
    bool loggedOverdue_ = false;
    int rejected_ = 0;
    int commandsRefused_ = 0;
    qint64 rowsRedrawn_ = 0;
    qint64 doneSeq_ = 0;
    bool measuring_ = false;
    QVector<double> latencies_;
    QVector<AppliedReport> applied_;
};

}  // namespace sv
