#include "MqttSite.h"

#include "AppLog.h"
#include "SimulatedField.h"

#include <QLabel>
#include <QMetaObject>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QWidget>

namespace sv {

using wire::Topic;

// ---- ReportOrder

bool ReportOrder::accept(qint64 epoch, qint64 seq, const QString& address) {
    if (epoch < epoch_)
        return false;
    if (epoch > epoch_) {
        epoch_ = epoch;
        last_.clear();
    }
    auto it = last_.find(address);
    if (it == last_.end()) {
        last_.insert(address, seq);
        return true;
    }
    if (seq <= *it)
        return false;
    *it = seq;
    return true;
}

// ---- FieldBroadcaster

namespace {

/// The points a command acts on, as the field resolves it.
QStringList commandTargets(const SimulatedField& field, const wire::Command& c) {
    using Kind = wire::Command::Kind;
    switch (c.kind) {
    case Kind::ApiCall:
        return field.apiCallTargets(qint32(c.a), c.text, qint16(c.c));
    case Kind::AccessFunction:
    case Kind::ControlFunction:
        return field.deviceTargets(qint32(c.a), qint32(c.b));
    case Kind::ClearCodeTamper:
        return field.readerTargets(qint32(c.a));
    case Kind::Resync:
        break;
    }
    return {};
}

/// A desk's command; the envelope (desk, run, number, time, operator) is filled in when it is sent.
wire::Command deviceCommand(wire::Command::Kind kind, qint64 a, qint64 b = 0, qint64 c = 0) {
    wire::Command command;
    command.kind = kind;
    command.a = a;
    command.b = b;
    command.c = c;
    return command;
}

}  // namespace

FieldBroadcaster::FieldBroadcaster(MqttLink& link, const QString& site, SimulatedField& field, so::db::Connection& db,
                                   AppLog& log)
    : link_(link), site_(site), field_(field), log_(log),
      gate_(db, [&field](const wire::Command& c) { return commandTargets(field, c); }),
      epoch_(QDateTime::currentMSecsSinceEpoch()) {
    pending_.epoch = epoch_;
    link_.onMessage = [this](const QString& topic, const QByteArray& payload) { message(topic, payload); };
    link_.onConnected = [this] {
        log_.info(QStringLiteral("Field: connected to the broker"));
        link_.publish(wire::topicName(site_, Topic::Event),
                      wire::encode(wire::Event{wire::Event::Kind::Online, epoch_, lastSeq_, {}, 0}), MqttLink::AtLeastOnce);
    };
    link_.onDisconnected = [this](const QString& reason) {
        log_.error(QStringLiteral("Field: broker link lost: %1").arg(reason));
    };
    link_.onRefused = [this](const QString& reason) {
        log_.error(QStringLiteral("Field: the broker refuses the field: %1").arg(reason));
    };
    link_.onOversized = [this](const QString& topic, qint64 bytes) {
        log_.error(QStringLiteral("Field: a message of %1 bytes on %2 was dropped (at most %3); further ones there "
                                  "are dropped without a word")
                       .arg(bytes).arg(topic).arg(MqttLink::kMaxPayloadBytes));
    };
}

void FieldBroadcaster::StateChange(const QString& deviceType, const QString& address, quint8 state, const QString&,
                                   const QString& stateValue) {
    if (pending_.reports.isEmpty())
        pending_.firstSeq = lastSeq_ + 1;
    pending_.reports.append({++lastSeq_, deviceType, address, state, stateValue});
    if (pending_.reports.size() >= kMaxBatch) {
        sendPending();
    } else if (!sendQueued_) {
        // The rest of this event-loop turn's reports go into the same batch.
        sendQueued_ = true;
        QMetaObject::invokeMethod(this, [this] { sendPending(); }, Qt::QueuedConnection);
    }
}

void FieldBroadcaster::sendPending() {
    sendQueued_ = false;
    if (pending_.reports.isEmpty())
        return;
    pending_.sentMs = QDateTime::currentMSecsSinceEpoch();
    // While the broker is away the library keeps the batch and sends it on reconnection; a desk
    // drops what it has seen newer of already.
    link_.publish(wire::topicName(site_, Topic::State), wire::encode(pending_), MqttLink::AtLeastOnce);
    pending_.reports.clear();
}

void FieldBroadcaster::announceDone() { announceWritten(wire::Event::Kind::Done, {}, 0); }

void FieldBroadcaster::announceWritten(wire::Event::Kind kind, const QString& requester, qint64 number) {
    sendPending();
    const qint64 seq = lastSeq_;
    field_.flush([this, kind, seq, requester, number] {
        link_.publish(wire::topicName(site_, Topic::Event), wire::encode(wire::Event{kind, epoch_, seq, requester, number}),
                      MqttLink::AtLeastOnce);
    });
}

void FieldBroadcaster::message(const QString& topic, const QByteArray& payload) {
    const std::optional<wire::LoginTopic> from = wire::loginTopicOf(site_, topic);
    if (!from || from->topic != Topic::Command)
        return;
    QString error;
    const std::optional<wire::Command> decoded = wire::decodeCommand(payload, error);
    if (!decoded) {
        ++rejected_;
        log_.error(QStringLiteral("Field: a command of %1 that cannot be read was skipped: %2").arg(from->login, error));
        return;
    }
    const QString refusal = gate_.check(from->login, *decoded, QDateTime::currentMSecsSinceEpoch());
    if (!refusal.isEmpty()) {
        ++refused_;
        log_.error(QStringLiteral("Field: command %1 of %2 (operator \"%3\") refused: %4")
                       .arg(decoded->number)
                       .arg(from->login, decoded->operatorLogin.left(40), refusal));
    } else {
        command(*decoded);
    }
    if (decoded->kind != wire::Command::Kind::Resync)
        answer(from->login, decoded->number, refusal);
}

void FieldBroadcaster::answer(const QString& login, qint64 number, const QString& refusal) {
    link_.publish(wire::loginTopic(site_, Topic::Answer, login), wire::encode(wire::Answer{number, refusal.isEmpty(), refusal}),
                  MqttLink::AtLeastOnce);
}

void FieldBroadcaster::command(const wire::Command& c) {
    using Kind = wire::Command::Kind;
    switch (c.kind) {
    case Kind::ApiCall:
        field_.dtApiCall(qint32(c.a), c.text, qint16(c.c));
        break;
    case Kind::AccessFunction:
        field_.zr2AccessFunction(qint32(c.a), qint32(c.b), qint32(c.c));
        break;
    case Kind::ControlFunction:
        field_.zr2ControlFunction(qint32(c.a), qint32(c.b), qint32(c.c));
        break;
    case Kind::ClearCodeTamper:
        field_.zr2ClearCodeTamper(qint32(c.a));
        break;
    case Kind::Resync:
        announceWritten(wire::Event::Kind::Written, c.sender, c.a);
        break;
    }
}

// ---- DeskLink

DeskLink::DeskLink(MqttLink& link, const QString& site, const QString& deskId, AppLog& log)
    : link_(link), site_(site), deskId_(deskId),
      session_(qint64(QRandomGenerator::system()->generate64() >> 2)), log_(log) {
    link_.onConnected = [this] { connected(); };
    link_.onDisconnected = [this](const QString& reason) { disconnected(reason); };
    link_.onMessage = [this](const QString& topic, const QByteArray& payload) { message(topic, payload); };
    link_.onRefused = [this](const QString& reason) {
        log_.error(QStringLiteral("Field link: the broker refuses this desk: %1").arg(reason));
    };
    link_.onOversized = [this](const QString& topic, qint64 bytes) {
        log_.error(QStringLiteral("Field link: a message of %1 bytes on %2 was dropped (at most %3); further ones "
                                  "there are dropped without a word")
                       .arg(bytes).arg(topic).arg(MqttLink::kMaxPayloadBytes));
    };
    resyncWait_.setSingleShot(true);
    resyncWait_.setInterval(kResyncWaitMs);
    connect(&resyncWait_, &QTimer::timeout, this, [this] {
        log_.info(QStringLiteral("Field link: no answer from the field; the rows are refreshed from the site database"));
        finishResync();
    });
}

void DeskLink::addSink(StateSink* sink) {
    if (!sinks_.contains(sink))
        sinks_.append(sink);
}

void DeskLink::removeSink(StateSink* sink) { sinks_.removeAll(sink); }

void DeskLink::attach(const QString& workstationId, SyncReceiver* receiver) { receivers_.insert(workstationId, receiver); }

void DeskLink::detach(const QString& workstationId) { receivers_.remove(workstationId); }

void DeskLink::send(const QString& topic, qint32 action, const QVariant& data, const QString& senderWorkstationId) {
    if (!link_.publish(wire::loginTopic(site_, Topic::Notice, deskId_),
                       wire::encode(wire::Notice{senderWorkstationId, topic, action, data}), MqttLink::AtLeastOnce))
        log_.error(QStringLiteral("Field link: the notice \"%1\" could not be sent").arg(topic));
}

void DeskLink::sendCommand(wire::Command command) {
    command.sender = deskId_;
    command.session = session_;
    command.number = ++commandNumber_;
    command.sentMs = QDateTime::currentMSecsSinceEpoch();
    command.operatorLogin = operator_;
    if (!link_.publish(wire::loginTopic(site_, Topic::Command, deskId_), wire::encode(command), MqttLink::AtLeastOnce))
        log_.error(QStringLiteral("Field link: a command could not be sent"));
}

void DeskLink::dtApiCall(qint32 controllerNumber, const QString& command, qint16 pointNumber) {
    wire::Command c;
    c.kind = wire::Command::Kind::ApiCall;
    c.a = controllerNumber;
    c.text = command;
    c.c = pointNumber;
    sendCommand(c);
}

void DeskLink::zr2AccessFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) {
    sendCommand(deviceCommand(wire::Command::Kind::AccessFunction, deviceType, deviceId, functionCode));
}

void DeskLink::zr2ControlFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) {
    sendCommand(deviceCommand(wire::Command::Kind::ControlFunction, deviceType, deviceId, functionCode));
}

void DeskLink::zr2ClearCodeTamper(qint32 readerId) { sendCommand(deviceCommand(wire::Command::Kind::ClearCodeTamper, readerId)); }

void DeskLink::connected() {
    if (everConnected_)
        log_.info(QStringLiteral("Field link back (lost since %1); resynchronising")
                      .arg(lostSince_.toString(QStringLiteral("HH:mm:ss"))));
    everConnected_ = true;
    lostSince_ = {};
    if (linkChanged)
        linkChanged(true, {});
    // From now on every report arrives; the field writes what it reported before, then the rows
    // are refreshed from the site and the reports received meanwhile applied again.
    resyncing_ = true;
    received_.clear();
    ++request_;
    sendCommand(deviceCommand(wire::Command::Kind::Resync, request_));
    resyncWait_.start();
}

void DeskLink::disconnected(const QString& reason) {
    lostSince_ = QDateTime::currentDateTime();
    resyncWait_.stop();
    resyncing_ = false;
    received_.clear();
    log_.error(QStringLiteral("Field link lost at %1: %2").arg(lostSince_.toString(QStringLiteral("HH:mm:ss")), reason));
    if (linkChanged)
        linkChanged(false, lostSince_);
}

void DeskLink::reject(const char* what, const QString& why) {
    ++rejected_;
    log_.error(QStringLiteral("Field link: a %1 that cannot be read was skipped: %2").arg(QLatin1String(what), why));
}

void DeskLink::message(const QString& topic, const QByteArray& payload) {
    QString error;
    if (const std::optional<wire::LoginTopic> from = wire::loginTopicOf(site_, topic)) {
        if (from->topic == Topic::Notice) {
            if (const auto notice = wire::decodeNotice(payload, error)) {
                // Looked up per receiver: a receiver may detach another while handling the notice.
                for (const QString& id : receivers_.keys()) {
                    if (id == notice->sender)
                        continue;
                    if (SyncReceiver* receiver = receivers_.value(id, nullptr))
                        receiver->SyncPipe(notice->topic, notice->action, notice->data, notice->sender, id);
                }
            } else {
                reject("notice", error);
            }
        } else if (from->topic == Topic::Answer && from->login == deskId_) {
            if (const auto a = wire::decodeAnswer(payload, error))
                answer(*a);
            else
                reject("command answer", error);
        }
        return;
    }
    switch (wire::topicOf(site_, topic).value_or(Topic::Command)) {
    case Topic::State:
        if (const auto batch = wire::decodeStates(payload, error))
            states(*batch);
        else
            reject("state report", error);
        break;
    case Topic::Event:
        if (const auto e = wire::decodeEvent(payload, error))
            event(*e);
        else
            reject("field event", error);
        break;
    default:
        break;  // not subscribed
    }
}

void DeskLink::answer(const wire::Answer& a) {
    if (a.accepted)
        return;
    ++commandsRefused_;
    const QString text = QStringLiteral("The field refused the command: %1").arg(a.reason.left(200));
    log_.error(QStringLiteral("Field link: command %1 refused: %2").arg(a.number).arg(a.reason.left(200)));
    if (commandRefused)
        commandRefused(text);
}

void DeskLink::states(const wire::StateBatch& batch) {
    for (const wire::StateReport& report : batch.reports) {
        if (!order_.accept(batch.epoch, report.seq, report.address)) {
            ++dropped_;
            continue;
        }
        if (resyncing_)
            received_.insert(report.address, report);
        deliver(report);
    }
    if (measuring_ && batch.sentMs > 0)
        latencies_.append(double(QDateTime::currentMSecsSinceEpoch() - batch.sentMs));
}

void DeskLink::deliver(const wire::StateReport& report) {
    ++applied_;
    for (StateSink* sink : std::as_const(sinks_))
        sink->StateChange(report.deviceType, report.address, report.state, QString(), report.value);
}

void DeskLink::event(const wire::Event& e) {
    switch (e.kind) {
    case wire::Event::Kind::Done:
        doneSeq_ = e.seq;
        break;
    case wire::Event::Kind::Online:
        // The field came (back) after this desk asked: it missed the request.
        if (resyncing_)
            sendCommand(deviceCommand(wire::Command::Kind::Resync, request_));
        break;
    case wire::Event::Kind::Written:
        if (resyncing_ && e.requester == deskId_ && e.number == request_)
            finishResync();
        break;
    }
}

void DeskLink::finishResync() {
    resyncWait_.stop();
    resyncing_ = false;
    ++resyncs_;
    if (refreshRows)
        refreshRows();
    // What arrived while the refresh was prepared is at least as new as what the site database held.
    const QHash<QString, wire::StateReport> again = std::exchange(received_, {});
    for (const wire::StateReport& report : again)
        deliver(report);
}

// ---- FieldLinkLabel

FieldLinkLabel::FieldLinkLabel(QWidget* window) {
    bar_ = window != nullptr ? window->findChild<QStatusBar*>() : nullptr;
    if (bar_ == nullptr)
        return;
    label_ = new QLabel(bar_);
    bar_->addWidget(label_);
    show(false, {});
}

void FieldLinkLabel::show(bool up, const QDateTime& lostSince) {
    if (label_ == nullptr)
        return;
    label_->setText(up                     ? QStringLiteral("\u25CF Field link up")
                    : lostSince.isValid() ? QStringLiteral("\u25B2 Field link lost since %1")
                                                .arg(lostSince.toString(QStringLiteral("HH:mm:ss")))
                                          : QStringLiteral("\u25B2 Field link connecting"));
    label_->setStyleSheet(up ? QString() : QStringLiteral("color: #b00000; font-weight: bold;"));
}

void FieldLinkLabel::tell(const QString& message) {
    if (bar_ != nullptr)
        bar_->showMessage(message, kMessageMs);
}

QString FieldLinkLabel::text() const { return label_ != nullptr ? label_->text() : QString(); }

}  // namespace sv
