// The two ends of a multi-desk site on the broker (topics and payloads: SiteWire.h).
//
// FieldBroadcaster (the field's process) publishes the field's state reports in batches, one per
// event-loop turn (at most kMaxBatch reports each), numbered within the field's run (its epoch);
// it hands the desks' commands that its CommandGate lets through to the field, answers each desk
// whether its command was executed or refused (and why), and answers a desk's resynchronisation request once
// every state reported so far is written to the site database. On every (re)connection it says
// it is online, so a desk that asked while the field was away asks again.
//
// DeskLink (a workstation's process) is that workstation's field and notice bus: it hands the
// reports to the Status, sends commands (numbered within its run, naming its operator) and
// notices under its own login, tells of a command the field refused, and keeps the last state shown:
//  - a report not newer than the last one applied to its address (a duplicate after a reconnect,
//    one overtaken by a newer) is dropped (ReportOrder);
//  - on every (re)connection it asks the field to write its states and then refreshes every row
//    from the site database; the reports that came in meanwhile are applied again afterwards, so the
//    refresh never leaves a state older than one already received. Without an answer within
//    kResyncWaitMs (no field running) it refreshes anyway.
// The link's loss is logged once per loss, with its time; the status bar shows it (FieldLinkLabel).
#pragma once

#include "CommandGate.h"
#include "FieldInterfaces.h"
#include "MqttLink.h"
#include "SiteWire.h"
#include "SyncBus.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <QVector>

#include <functional>

class QLabel;
class QStatusBar;
class QWidget;

namespace sv {

class AppLog;
class SimulatedField;

/// Which reports are newer than what was applied: per address, the last sequence number within
/// the field's current epoch (a later epoch, a restarted field, starts afresh; an earlier one is old).
class ReportOrder {
public:
    /// True when the report is to be applied (and is from now on the last one of its address).
    bool accept(qint64 epoch, qint64 seq, const QString& address);
    qint64 epoch() const { return epoch_; }

private:
    qint64 epoch_ = -1;
    QHash<QString, qint64> last_;
};

class FieldBroadcaster final : public QObject, public StateSink {
public:
    static constexpr int kMaxBatch = 1000;

    /// db: the site database, where the operators' rights are read.
    FieldBroadcaster(MqttLink& link, const QString& site, SimulatedField& field, so::db::Connection& db, AppLog& log);

    void StateChange(const QString& deviceType, const QString& address, quint8 state, const QString& dateLastUpdated,
                     const QString& stateValue) override;
    /// Publishes the reports not sent yet.
    void sendPending();
    /// Writes every changed state, then announces that the run reported its last report.
    void announceDone();

    qint64 epoch() const { return epoch_; }
    qint64 reportsPublished() const { return lastSeq_; }
    int rejectedPayloads() const { return rejected_; }
    int refusedCommands() const { return refused_; }

private:
    void message(const QString& topic, const QByteArray& payload);
    void command(const wire::Command& command);
    void answer(const QString& login, qint64 number, const QString& refusal);
    void announceWritten(wire::Event::Kind kind, const QString& requester, qint64 number);

    MqttLink& link_;
    QString site_;
    SimulatedField& field_;
    AppLog& log_;
    CommandGate gate_;
    const qint64 epoch_;
    qint64 lastSeq_ = 0;
    wire::StateBatch pending_;
    bool sendQueued_ = false;
    int rejected_ = 0;
    int refused_ = 0;
};

class DeskLink final : public QObject, public StateSource, public NoticeBus, public FieldControl {
public:
    static constexpr int kResyncWaitMs = 3000;

    /// deskId names this desk: its broker login, which is its computer name (unique on the site).
    DeskLink(MqttLink& link, const QString& site, const QString& deskId, AppLog& log);

    /// The login name of the operator at this desk, named in every command.
    void setOperator(const QString& login) { operator_ = login; }
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
    /// Told when the link goes down (with the time) and comes back.
    std::function<void(bool up, const QDateTime& lostSince)> linkChanged;
    /// Told when the field refused one of this desk's commands, with the text for the operator.
    std::function<void(const QString& text)> commandRefused;

    bool isUp() const { return link_.isConnected(); }
    bool isResyncing() const { return resyncing_; }
    qint64 reportsApplied() const { return applied_; }
    qint64 reportsDropped() const { return dropped_; }
    int rejectedPayloads() const { return rejected_; }
    int resyncs() const { return resyncs_; }
    int commandsRefused() const { return commandsRefused_; }
    /// The field's last run finished: its epoch and the number of its last report (0: not yet).
    qint64 doneSeq() const { return doneSeq_; }
    /// Milliseconds from the field's publication of each batch to its reports applied (with --stats).
    void setMeasuring(bool on) { measuring_ = on; }
    const QVector<double>& latenciesMs() const { return latencies_; }

private:
    void connected();
    void disconnected(const QString& reason);
    void message(const QString& topic, const QByteArray& payload);
    void states(const wire::StateBatch& batch);
    void event(const wire::Event& event);
    void answer(const wire::Answer& answer);
    void finishResync();
    void deliver(const wire::StateReport& report);
    void sendCommand(wire::Command command);
    void reject(const char* what, const QString& why);

    MqttLink& link_;
    QString site_;
    QString deskId_;
    QString operator_;
    /// This run of the desk, and the number of its last command.
    const qint64 session_;
    qint64 commandNumber_ = 0;
    AppLog& log_;
    QVector<StateSink*> sinks_;
    QHash<QString, SyncReceiver*> receivers_;
    ReportOrder order_;
    bool resyncing_ = false;
    qint64 request_ = 0;
    /// While resynchronising: the last report received per address, applied again after the refresh.
    QHash<QString, wire::StateReport> received_;
    QTimer resyncWait_;
    QDateTime lostSince_;
    bool everConnected_ = false;
    qint64 applied_ = 0;
    qint64 dropped_ = 0;
    int rejected_ = 0;
    int resyncs_ = 0;
    int commandsRefused_ = 0;
    qint64 doneSeq_ = 0;
    bool measuring_ = false;
    QVector<double> latencies_;
};

/// The field link in a status window's status bar: "Field link up", or in red "Field link lost
/// since 10:42:13".
class FieldLinkLabel {
public:
    /// Adds the label to the status bar of window (nothing when it has none).
    explicit FieldLinkLabel(QWidget* window);
    void show(bool up, const QDateTime& lostSince);
    /// Shows a message for the operator in the status bar for kMessageMs.
    void tell(const QString& message);
    static constexpr int kMessageMs = 15000;
    /// The text shown (empty without a status bar).
    QString text() const;

private:
    QLabel* label_ = nullptr;
    QStatusBar* bar_ = nullptr;
};

}  // namespace sv
