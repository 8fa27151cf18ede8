#include "MqttSite.h"

#include <statusobject/AlarmSteps.h>

#include <QMetaObject>

#include <algorithm>
#include <QRandomGenerator>

#include <chrono>

namespace sv {

using wire::Topic;

namespace {

/// The sessions' clock: milliseconds that only go forward, so a step of the time of day neither
/// hurries nor holds a resync. The wire's sentMs is the time of day (another process reads it).
qint64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
qint64 wallMs() { return QDateTime::currentMSecsSinceEpoch(); }

/// A moment of the sessions' clock as the time of day it is shown in.
QString clockText(qint64 steadyMs) {
    return QDateTime::fromMSecsSinceEpoch(wallMs() - (nowMs() - steadyMs)).toString(QStringLiteral("HH:mm:ss"));
}

/// A random session number from 1 to 2^62 - 1: never the clock, so a restarted field is new
/// whatever its clock says.
qint64 drawSession() {
    constexpr quint64 kSpan = (quint64(1) << 62) - 1;
    return qint64(QRandomGenerator::system()->generate64() % kSpan) + 1;
}

}  // namespace

// ---- FieldBroadcaster

namespace {

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

FieldBroadcaster::FieldBroadcaster(SiteTransport& link, const QString& site, FieldDevices& field,
                                   so::db::Connection& db, CommandGate::Permission permission, SiteLog& log)
    : link_(link), site_(site), field_(field), db_(db), log_(log),
      gate_(
          db, [&field](const wire::Command& c) { return commandTargets(field, c); }, std::move(permission)),
      session_(drawSession()) {
    steady_.start();
    verifier_.setMaxThreadCount(1);
    gate_.setVerifier([this](const OperatorDirectory::Credential& credential, const QByteArray& password,
                             std::function<void(std::optional<bool>)> done) {
        verifyOnWorker(credential, password, std::move(done));
    });
    link_.setLastWill(wire::topicName(site_, Topic::Field), wire::encode(event(wire::Event::Kind::Offline)));
    link_.onMessage = [this](const QString& topic, const QByteArray& payload) { message(topic, payload); };
    link_.onConnected = [this] {
        log_.info(QStringLiteral("Field: connected to the broker, session %1").arg(session_));
        // Retained: a desk connecting later learns at once that this session is up.
        link_.publish(wire::topicName(site_, Topic::Field), wire::encode(event(wire::Event::Kind::Online)),
                      SiteTransport::AtLeastOnce, true);
        drain();
    };
    link_.onDisconnected = [this](const QString& reason) {
        log_.error(QStringLiteral("Field: broker link lost: %1").arg(reason));
    };
    link_.onRefused = [this](const QString& reason) {
        log_.error(QStringLiteral("Field: cannot connect to the broker: %1").arg(reason));
    };
    link_.onOversized = [this](const QString& topic, qint64 bytes) {
        log_.error(QStringLiteral("Field: a message of %1 bytes on %2 was dropped (at most %3); further ones there "
                                  "are dropped without a word")
                       .arg(bytes)
                       .arg(topic)
                       .arg(SiteTransport::kMaxPayloadBytes));
    };
    drainTimer_.setSingleShot(true);
    drainTimer_.setInterval(20);
    connect(&drainTimer_, &QTimer::timeout, this, [this] { drain(); });
    digestTimer_.setInterval(kDigestMs);
    connect(&digestTimer_, &QTimer::timeout, this, [this] {
        publishDigest();
        logFloods();
    });
    digestTimer_.start();
    resyncs_.begin = [this](const QString& login, qint64 number) { answerResync(login, number); };
    resyncTimer_.setInterval(100);
    connect(&resyncTimer_, &QTimer::timeout, this, [this] {
        resyncs_.tick(steadyMs());
        if (!resyncs_.hasWaiting())
            resyncTimer_.stop();
    });
}

wire::Event FieldBroadcaster::event(wire::Event::Kind kind) const { return {kind, session_, lastSeq_, {}, 0}; }

void FieldBroadcaster::StateChange(const QString& deviceType, const QString& address, quint8 state,
                                   const QString& dateLastUpdated, const QString& stateValue) {
    // The report's own time when its source gave one, else the field's clock now: every desk shows
    // this time, however late the report reaches it.
    const qint64 given = dateLastUpdated.isEmpty() ? 0 : wire::reportTimeMs(dateLastUpdated);
    pending_.append({0, deviceType, address, state, stateValue, given != 0 ? given : wallMs()});
    if (pending_.size() >= kMaxBatch) {
        sendPending();
    } else if (!sendQueued_) {
        // The rest of this event-loop turn's reports go into the same batch.
        sendQueued_ = true;
        QMetaObject::invokeMethod(
            this, [this] { sendPending(); }, Qt::QueuedConnection);
    }
}

bool FieldBroadcaster::canPublish() const { return link_.isConnected() && link_.unacknowledged() < kMaxUnacknowledged; }

void FieldBroadcaster::sendPending() {
    sendQueued_ = false;
    if (pending_.isEmpty())
        return;
    if (held_.isEmpty() && canPublish()) {
        publishBatch(std::exchange(pending_, {}));
        return;
    }
    // Behind what already waits, so every point's reports stay in order.
    for (const wire::StateReport& report : std::as_const(pending_))
        held_.push(report);
    pending_.clear();
    drain();
}

void FieldBroadcaster::drain() {
    while (!held_.isEmpty() && canPublish())
        publishBatch(held_.take(kMaxBatch));
    if (!held_.isEmpty() && !drainTimer_.isActive())
        drainTimer_.start();
}

void FieldBroadcaster::publishBatch(QVector<wire::StateReport> reports) {
    if (const qint64 lost = held_.takeLost(); lost > 0) {
        // Skipping a number shows every desk a gap: each resyncs and so learns what was dropped.
        lost_ += lost;
        ++lastSeq_;
        log_.info(QStringLiteral("Field: %1 reports replaced by newer ones or dropped while the broker could not "
                                 "take them; the desks resync")
                      .arg(lost));
    }
    wire::StateBatch batch;
    batch.session = session_;
    batch.firstSeq = lastSeq_ + 1;
    batch.reports = std::move(reports);
    for (wire::StateReport& report : batch.reports) {
        report.seq = ++lastSeq_;
        published_.accept(report);
    }
    batch.sentMs = wallMs();
    link_.publish(wire::topicName(site_, Topic::State), wire::encode(batch), SiteTransport::AtLeastOnce);
}

void FieldBroadcaster::publishDigest() {
    if (digestWaiting_ || !held_.isEmpty() || !pending_.isEmpty() || !link_.isConnected())
        return;
    // Taken now and sent once the site holds every state it covers: a desk level with it may
    // check its rows against the site database.
    wire::Event digest = event(wire::Event::Kind::Digest);
    digest.number = qint64(published_.digest());
    digestWaiting_ = true;
    field_.flush([this, digest] {
        digestWaiting_ = false;
        if (link_.isConnected())
            link_.publish(wire::topicName(site_, Topic::Event), wire::encode(digest), SiteTransport::AtLeastOnce);
    });
}

void FieldBroadcaster::announceDone() {
    sendPending();
    field_.flush([this] { publishDone(); });
}

void FieldBroadcaster::publishDone() {
    // Done names the run's last report: once none waits for the broker any more.
    if (!held_.isEmpty()) {
        QTimer::singleShot(50, this, [this] { publishDone(); });
        return;
    }
    link_.publish(wire::topicName(site_, Topic::Event), wire::encode(event(wire::Event::Kind::Done)),
                  SiteTransport::AtLeastOnce);
}

void FieldBroadcaster::goOffline() {
    sendPending();
    if (!link_.isConnected())
        return;
    link_.publish(wire::topicName(site_, Topic::Field), wire::encode(event(wire::Event::Kind::Offline)),
                  SiteTransport::AtLeastOnce, true);
    link_.waitUntilAcknowledged(1000);
}

void FieldBroadcaster::answerResync(const QString& requester, qint64 number) {
    ++resyncAnswers_;
    sendPending();
    // Answered once the site holds every state reported so far: a failed write is tried again and
    // the answer waits for the attempt that succeeds. The desk asks again meanwhile, and says so;
    // its requests are folded into one answer after this one (ResyncAnswers).
    field_.flush([this, requester, number] {
        sendPending();
        if (link_.isConnected()) {  // otherwise the desk asks again once the link is back
            const QVector<wire::StateReport> all = published_.all();
            wire::Snapshot part{session_, requester, number, lastSeq_, false, {}};
            qsizetype at = 0;
            do {
                part.reports = all.mid(at, kMaxBatch);
                at += kMaxBatch;
                part.last = at >= all.size();
                link_.publish(wire::loginTopic(site_, Topic::Resync, requester), wire::encode(part),
                              SiteTransport::AtLeastOnce);
            } while (!part.last);
        }
        resyncs_.finished(requester, steadyMs());
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
        if (floods_.note(from->login, steadyMs()))
            log_.error(
                QStringLiteral("Field: a command of %1 that cannot be read was skipped: %2").arg(from->login, error));
        return;
    }
    const QString what = QStringLiteral("command %1 of %2 (operator \"%3\")")
                             .arg(decoded->number)
                             .arg(from->login, decoded->operatorLogin.left(40));
    const bool resync = decoded->kind == wire::Command::Kind::Resync;
    // Before any work on the site database: a login past its budget costs a hash lookup.
    if (!resync && !commandBudget_.take(from->login, steadyMs())) {
        refuse(from->login, what,
               QStringLiteral("more than %1 commands a second from this desk").arg(kCommandsPerSecond), false);
        return;
    }
    const QString login = from->login;
    const wire::Command& c = *decoded;
    QString refusal = gate_.check(login, c, wallMs(), steadyMs(),
                                  [this, login, number = c.number, what](const QString& why, const QByteArray& token) {
                                      if (!why.isEmpty())
                                          refuse(login, what, why, true);
                                      answer(login, number, why, token);
                                  });
    if (!refusal.isEmpty()) {
        refuse(login, what, refusal, !resync);
    } else if (resync) {
        // A desk asks twice or so as it starts; many more in a period is a flood, said when it ends.
        if (!resyncs_.request(login, c.a, steadyMs()))
            resyncFolds_.note(login, steadyMs());
        if (resyncs_.hasWaiting() && !resyncTimer_.isActive())
            resyncTimer_.start();
    } else if (c.kind == wire::Command::Kind::PastStretch) {
        if (!stretchBudget_.take(login, steadyMs()))
            refusal =
                QStringLiteral("more than %1 stretches of the past a second from this desk").arg(kStretchPerSecond);
        else
            refusal = answerPastStretch(login, c);
        if (!refusal.isEmpty())
            refuse(login, what, refusal, true);
    } else if (refusal = command(c); !refusal.isEmpty()) {
        refuse(login, what, refusal, true);
    }
    // A sign-in let through is answered once verified.
    if (!resync && !(c.kind == wire::Command::Kind::SignIn && refusal.isEmpty()))
        answer(login, c.number, refusal, {});
}

void FieldBroadcaster::refuse(const QString& login, const QString& what, const QString& why, bool answered) {
    ++refused_;
    if (floods_.note(login, steadyMs()))
        log_.error(QStringLiteral("Field: %1 refused: %2%3")
                       .arg(what, why, answered ? QString() : QStringLiteral(" (not answered)")));
}

void FieldBroadcaster::logFloods() {
    for (const FloodLog::Summary& flood : resyncFolds_.takeEnded(steadyMs()))
        if (flood.more >= kFoldsLogged)
            log_.error(QStringLiteral("Field: %1 resync requests of %2 in %3 s folded into answers at most once a "
                                      "second")
                           .arg(flood.more)
                           .arg(flood.login)
                           .arg(kFloodLogMs / 1000));
    for (const FloodLog::Summary& flood : floods_.takeEnded(steadyMs()))
        log_.error(QStringLiteral("Field: %1 more messages of %2 refused or skipped in %3 s")
                       .arg(flood.more)
                       .arg(flood.login)
                       .arg(kFloodLogMs / 1000));
}

void FieldBroadcaster::verifyOnWorker(const OperatorDirectory::Credential& credential, const QByteArray& password,
                                      std::function<void(std::optional<bool>)> done) {
    if (verifying_ >= kMaxWaitingSignIns) {
        done(std::nullopt);
        return;
    }
    ++verifying_;
    verifier_.start([this, credential, password, done = std::move(done)] {
        const bool matched = OperatorDirectory::matches(credential, password);
        // Back on the field's thread; dropped when the field has gone meanwhile.
        QMetaObject::invokeMethod(
            this,
            [this, matched, done] {
                --verifying_;
                done(matched);
            },
            Qt::QueuedConnection);
    });
}

void FieldBroadcaster::answer(const QString& login, qint64 number, const QString& refusal, const QByteArray& token) {
    // The answer topic of a login is read by that login only: the session's token goes nowhere else.
    link_.publish(wire::loginTopic(site_, Topic::Answer, login),
                  wire::encode(wire::Answer{number, refusal.isEmpty(), refusal, token}), SiteTransport::AtLeastOnce);
}

QString FieldBroadcaster::command(const wire::Command& c) {
    using Kind = wire::Command::Kind;
    switch (c.kind) {
    case Kind::Acknowledge:
    case Kind::Shelve: return recordAlarmStep(c);
    case Kind::ApiCall: field_.dtApiCall(qint32(c.a), c.text, qint16(c.c)); break;
    case Kind::AccessFunction: field_.zr2AccessFunction(qint32(c.a), qint32(c.b), qint32(c.c)); break;
    case Kind::ControlFunction: field_.zr2ControlFunction(qint32(c.a), qint32(c.b), qint32(c.c)); break;
    case Kind::ClearCodeTamper: field_.zr2ClearCodeTamper(qint32(c.a)); break;
    case Kind::Resync: break;  // answered through resyncs_
    case Kind::SignIn:
    case Kind::SignOut: break;      // the gate did it
    case Kind::PastStretch: break;  // answered through answerPastStretch
    }
    return {};
}

QString FieldBroadcaster::answerPastStretch(const QString& login, const wire::Command& command) {
    if (!pastStretch_)
        return QStringLiteral("the field keeps no history");
    QString refusal;
    const QByteArray stretch = pastStretch_(command.a, command.b, refusal);
    if (!refusal.isEmpty())
        return refusal;
    return publishPastParts(login, command.number, stretch);
}

QString FieldBroadcaster::publishPastParts(const QString& login, qint64 number, const QByteArray& bytes) {
    const qint64 parts =
        std::max<qint64>(1, (bytes.size() + wire::PastPart::kMaxBytes - 1) / wire::PastPart::kMaxBytes);
    if (parts > wire::PastPart::kMaxParts)
        return QStringLiteral("the answer is larger than the bus carries");
    // On the login's own topic, before the command's answer, which tells the desk it has them all.
    for (qint64 part = 0; part < parts; ++part)
        link_.publish(wire::loginTopic(site_, Topic::Past, login),
                      wire::encode(wire::PastPart{
                          number, part, parts, bytes.mid(part * wire::PastPart::kMaxBytes, wire::PastPart::kMaxBytes)}),
                      SiteTransport::AtLeastOnce);
    return {};
}

QString FieldBroadcaster::recordAlarmStep(const wire::Command& c) {
    wire::AlarmNews news;
    const qint64 now = wallMs();
    try {
        if (c.kind == wire::Command::Kind::Acknowledge) {
            std::vector<so::AlarmRaised> alarms;
            alarms.reserve(size_t(c.alarms.size()));
            for (const wire::AlarmRef& alarm : c.alarms)
                alarms.push_back({alarm.address, alarm.raisedMs});
            for (const so::AlarmAcknowledgement& ack :
                 so::recordAcknowledgements(db_, alarms, c.operatorLogin, c.text, now))
                news.steps.append(
                    {wire::AlarmStep::Kind::Acknowledged, ack.address, ack.raisedMs, ack.by, ack.atMs, 0});
        } else {
            const so::AlarmShelving shelved = so::recordShelving(db_, c.text, int(c.a), c.operatorLogin, now);
            news.steps.append({wire::AlarmStep::Kind::Shelved, shelved.address, 0, shelved.by, now, shelved.untilMs});
        }
    } catch (const so::db::DbError& e) {
        return QStringLiteral("the site database did not take it: %1").arg(e.message());
    }
    // Every desk shows the step (an alarm acknowledged meanwhile at another desk is not said twice).
    if (!news.steps.isEmpty())
        link_.publish(wire::topicName(site_, Topic::Alarm), wire::encode(news), SiteTransport::AtLeastOnce);
    return {};
}

// ---- DeskLink

DeskLink::DeskLink(SiteTransport& link, const QString& site, const QString& deskId, SiteLog& log)
    : link_(link), site_(site), deskId_(deskId), run_(qint64(QRandomGenerator::system()->generate64() >> 2)),
      log_(log) {
    link_.onConnected = [this] { connected(); };
    link_.onDisconnected = [this](const QString& reason) { disconnected(reason); };
    link_.onMessage = [this](const QString& topic, const QByteArray& payload) { message(topic, payload); };
    link_.onRefused = [this](const QString& reason) {
        log_.error(QStringLiteral("Broker link: cannot connect: %1").arg(reason));
    };
    link_.onOversized = [this](const QString& topic, qint64 bytes) {
        log_.error(QStringLiteral("Field link: a message of %1 bytes on %2 was dropped (at most %3); further ones "
                                  "there are dropped without a word")
                       .arg(bytes)
                       .arg(topic)
                       .arg(SiteTransport::kMaxPayloadBytes));
    };
    session_.ask = [this](qint64 number) { sendCommand(deviceCommand(wire::Command::Kind::Resync, number)); };
    session_.deliver = [this](const wire::StateReport& report) { deliver(report); };
    session_.refreshRows = [this] {
        if (refreshRows)
            refreshRows();
    };
    session_.changed = [this] { sessionChanged(); };
    session_.level = [this] { checkRows(); };
    steady_.start();
    tick_.setInterval(kTickMs);
    connect(&tick_, &QTimer::timeout, this, [this] {
        session_.tick(nowMs());
        logFloods();
    });
    tick_.start();
}

void DeskLink::addSink(StateSink* sink) {
    if (!sinks_.contains(sink))
        sinks_.append(sink);
}

void DeskLink::removeSink(StateSink* sink) { sinks_.removeAll(sink); }

void DeskLink::attach(const QString& workstationId, SyncReceiver* receiver) {
    receivers_.insert(workstationId, receiver);
}

void DeskLink::detach(const QString& workstationId) { receivers_.remove(workstationId); }

void DeskLink::send(const QString& topic, qint32 action, const QVariant& data, const QString& senderWorkstationId) {
    if (!link_.publish(wire::loginTopic(site_, Topic::Notice, deskId_),
                       wire::encode(wire::Notice{senderWorkstationId, topic, action, data}),
                       SiteTransport::AtLeastOnce))
        log_.error(QStringLiteral("Field link: the notice \"%1\" could not be sent").arg(topic));
}

qint64 DeskLink::sendCommand(wire::Command command) {
    using Kind = wire::Command::Kind;
    const bool operatorsCommand = command.kind != Kind::SignIn && command.kind != Kind::SignOut;
    if (operatorsCommand)
        command.operatorLogin = operator_;
    if (operatorsCommand && command.kind != Kind::Resync && !tokens_.contains(operator_) && isSigningIn(operator_)) {
        if (held_.size() >= kMaxHeldCommands) {
            log_.error(QStringLiteral("Field link: a command of %1 was dropped: %2 commands wait for the sign-in")
                           .arg(operator_)
                           .arg(kMaxHeldCommands));
            return 0;
        }
        held_.append({std::move(command), nowMs()});
        return 0;
    }
    return publishCommand(std::move(command));
}

qint64 DeskLink::publishCommand(wire::Command command) {
    using Kind = wire::Command::Kind;
    command.sender = deskId_;
    command.session = run_;
    command.number = ++commandNumber_;
    command.sentMs = wallMs();
    if (command.kind != Kind::SignIn && command.kind != Kind::SignOut && command.kind != Kind::Resync)
        command.token = tokens_.value(command.operatorLogin);
    commandOperators_.insert(command.number, command.operatorLogin);
    commandOperators_.remove(command.number - kKeptCommandOperators);
    if (!link_.publish(wire::loginTopic(site_, Topic::Command, deskId_), wire::encode(command),
                       SiteTransport::AtLeastOnce))
        log_.error(QStringLiteral("Field link: a command could not be sent"));
    return command.number;
}

void DeskLink::signIn(const QString& login, const QByteArray& password,
                      std::function<void(const QString& refusal)> done) {
    wire::Command c;
    c.kind = wire::Command::Kind::SignIn;
    c.operatorLogin = login;
    c.text = QString::fromUtf8(password);
    await(sendCommand(c), Pending{login, std::move(done)});
}

bool DeskLink::isSigningIn(const QString& login) const {
    for (const Pending& p : awaiting_)
        if (p.done && p.login == login)
            return true;
    return false;
}

void DeskLink::await(qint64 number, Pending pending) {
    if (awaiting_.size() >= kMaxAwaiting)
        awaiting_.erase(std::min_element(awaiting_.keyBegin(), awaiting_.keyEnd()).base());
    awaiting_.insert(number, std::move(pending));
}

void DeskLink::releaseHeld(const QString& login) {
    QVector<Held> waiting;
    for (qsizetype i = 0; i < held_.size();) {
        if (held_[i].command.operatorLogin == login)
            waiting.append(held_.takeAt(i));
        else
            ++i;
    }
    const qint64 now = nowMs();
    for (Held& h : waiting) {
        if (now - h.heldMs > kHeldCommandMs) {
            log_.error(QStringLiteral("Field link: a command of %1 was dropped: the sign-in took longer than %2 s")
                           .arg(login)
                           .arg(kHeldCommandMs / 1000));
            continue;
        }
        publishCommand(std::move(h.command));
    }
}

void DeskLink::signOut(const QString& login) {
    const QByteArray token = tokens_.take(login);
    if (token.isEmpty())
        return;
    wire::Command c;
    c.kind = wire::Command::Kind::SignOut;
    c.operatorLogin = login;
    c.token = token;
    await(sendCommand(c), Pending{login, {}});
}

void DeskLink::followFieldSession(qint64 session) {
    // Sessions are the field's run's: a new run of the field holds none of them.
    if (fieldSession_ != 0 && session != fieldSession_ && !tokens_.isEmpty()) {
        tokens_.clear();
        log_.error(QStringLiteral("Field link: the field restarted; its operators' sessions ended"));
        if (sessionsLost)
            sessionsLost();
    }
    fieldSession_ = session;
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

void DeskLink::zr2ClearCodeTamper(qint32 readerId) {
    sendCommand(deviceCommand(wire::Command::Kind::ClearCodeTamper, readerId));
}

void DeskLink::acknowledge(const QVector<wire::AlarmRef>& alarms, const QString& comment) {
    for (qsizetype first = 0; first < alarms.size(); first += wire::Command::kMaxAlarms) {
        wire::Command c;
        c.kind = wire::Command::Kind::Acknowledge;
        c.text = comment.left(wire::Command::kMaxComment);
        c.alarms = alarms.mid(first, wire::Command::kMaxAlarms);
        sendCommand(std::move(c));
    }
}

void DeskLink::shelve(const QString& address, int minutes) {
    wire::Command c = deviceCommand(wire::Command::Kind::Shelve, minutes);
    c.text = address;
    sendCommand(std::move(c));
}

void DeskLink::requestPastStretch(qint64 moment, qint64 held,
                                  std::function<void(const QByteArray& stretch, const QString& refusal)> done) {
    requestPast(deviceCommand(wire::Command::Kind::PastStretch, moment, held), std::move(done));
}

void DeskLink::requestPast(wire::Command command, std::function<void(const QByteArray&, const QString&)> done) {
    if (!tokens_.contains(operator_)) {
        done({}, QStringLiteral("no operator is signed in at this desk"));
        return;
    }
    const qint64 number = sendCommand(std::move(command));
    if (number == 0) {
        done({}, QStringLiteral("the request could not be sent"));
        return;
    }
    if (pastRequests_.size() >= kMaxAwaiting) {
        const auto oldest = std::min_element(pastRequests_.keyBegin(), pastRequests_.keyEnd()).base();
        const auto forgotten = oldest->done;
        pastRequests_.erase(oldest);
        forgotten({}, QStringLiteral("too many past moments asked at once"));
    }
    pastRequests_.insert(number, {std::move(done), {}, 0});
}

void DeskLink::pastPart(const wire::PastPart& part) {
    const auto it = pastRequests_.find(part.number);
    if (it == pastRequests_.end())
        return;  // none asked, or given up
    if (it->parts.isEmpty())
        it->parts.resize(part.parts);
    // A part of another count or one received before is not the field's.
    if (it->parts.size() != part.parts || !it->parts[part.part].isNull()) {
        reject("past moment", QStringLiteral("a part that does not fit the answer"));
        return;
    }
    it->parts[part.part] = part.bytes.isNull() ? QByteArray("") : part.bytes;
    ++it->received;
}

bool DeskLink::pastAnswered(const wire::Answer& a) {
    const auto it = pastRequests_.find(a.number);
    if (it == pastRequests_.end())
        return false;
    const PastRequest request = *it;
    pastRequests_.erase(it);
    if (!a.accepted) {
        request.done({}, a.reason.left(200));
        return true;
    }
    if (request.parts.isEmpty() || request.received != request.parts.size()) {
        request.done({}, QStringLiteral("the field's answer came incomplete"));
        return true;
    }
    QByteArray board;
    for (const QByteArray& part : request.parts)
        board.append(part);
    request.done(board, {});
    return true;
}

void DeskLink::connected() {
    if (everConnected_)
        log_.info(QStringLiteral("Broker link back (lost since %1); resynchronising")
                      .arg(lostSince_.toString(QStringLiteral("HH:mm:ss"))));
    everConnected_ = true;
    lostSince_ = {};
    if (linkChanged)
        linkChanged(true, {});
    // From now on every report arrives; the field writes what it reported before and answers with
    // its newest reports, then the rows are refreshed from the site and the reports received
    // meanwhile applied again.
    session_.linkUp(nowMs());
}

void DeskLink::disconnected(const QString& reason) {
    lostSince_ = QDateTime::currentDateTime();
    session_.linkDown(nowMs());
    log_.error(
        QStringLiteral("Broker link lost at %1: %2").arg(lostSince_.toString(QStringLiteral("HH:mm:ss")), reason));
    if (linkChanged)
        linkChanged(false, lostSince_);
}

void DeskLink::checkRows() {
    if (!auditRows)
        return;
    const int redrawn = auditRows(kRowsCheckedPerDigest);
    if (redrawn <= 0)
        return;
    rowsRedrawn_ += redrawn;
    log_.error(QStringLiteral("Field link: %1 shown rows differed from the site and were drawn again").arg(redrawn));
}

void DeskLink::sessionChanged() {
    using State = DeskSession::FieldState;
    if (session_.fieldState() != loggedState_) {
        loggedState_ = session_.fieldState();
        if (loggedState_ == State::Offline)
            log_.error(QStringLiteral("Field offline since %1").arg(clockText(session_.fieldSinceMs())));
        else if (loggedState_ == State::Online)
            log_.info(QStringLiteral("Field online, session %1").arg(session_.session()));
    }
    if (session_.isOverdue() != loggedOverdue_) {
        loggedOverdue_ = session_.isOverdue();
        if (loggedOverdue_)
            log_.error(QStringLiteral("Field link: the resync asked for at %1 is not complete; asking again")
                           .arg(clockText(session_.resyncSinceMs())));
        else
            log_.info(QStringLiteral("Field link: resync complete"));
    }
    if (fieldChanged)
        fieldChanged();
}

QString DeskLink::fieldText(bool* alarm) const {
    using State = DeskSession::FieldState;
    const bool bad = !isUp() || session_.fieldState() != State::Online || session_.isOverdue();
    if (alarm != nullptr)
        *alarm = bad;
    if (!isUp())
        return QStringLiteral("\u25B2 Field state unknown");
    switch (session_.fieldState()) {
    case State::Unknown: return QStringLiteral("\u25B2 Field not seen");
    case State::Offline: return QStringLiteral("\u25B2 Field offline since %1").arg(clockText(session_.fieldSinceMs()));
    case State::Online: break;
    }
    if (session_.isOverdue())
        return QStringLiteral("\u25B2 Field online, resync pending since %1 (retrying)")
            .arg(clockText(session_.resyncSinceMs()));
    return session_.isResyncing() ? QStringLiteral("\u25CF Field online, resyncing")
                                  : QStringLiteral("\u25CF Field online");
}

QString DeskLink::fieldWords() const {
    using State = DeskSession::FieldState;
    QString words;
    if (!isUp() || session_.fieldState() == State::Unknown)
        words = QStringLiteral("field unknown");
    else if (session_.fieldState() == State::Offline)
        words = QStringLiteral("field offline since %1").arg(clockText(session_.fieldSinceMs()));
    else
        words = QStringLiteral("field online");
    return words + QStringLiteral(" overdue %1 gaps %2 mismatches %3 redrawn %4")
                       .arg(session_.isOverdue() ? 1 : 0)
                       .arg(session_.gaps())
                       .arg(session_.digestMismatches())
                       .arg(rowsRedrawn_);
}

void DeskLink::reject(const char* what, const QString& why) {
    ++rejected_;
    log_.error(QStringLiteral("Field link: a %1 that cannot be read was skipped: %2").arg(QLatin1String(what), why));
}

void DeskLink::message(const QString& topic, const QByteArray& payload) {
    QString error;
    if (const std::optional<wire::LoginTopic> from = wire::loginTopicOf(site_, topic)) {
        if (from->topic == Topic::Notice) {
            notice(from->login, payload);
        } else if (from->topic == Topic::Answer && from->login == deskId_) {
            if (const auto a = wire::decodeAnswer(payload, error))
                answer(*a);
            else
                reject("command answer", error);
        } else if (from->topic == Topic::Past && from->login == deskId_) {
            if (const auto part = wire::decodePastPart(payload, error))
                pastPart(*part);
            else
                reject("past moment", error);
        } else if (from->topic == Topic::Resync && from->login == deskId_) {
            if (const auto part = wire::decodeSnapshot(payload, error))
                session_.snapshot(*part, deskId_, nowMs());
            else
                reject("resync answer", error);
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
    case Topic::Field:
        if (const auto e = wire::decodeEvent(payload, error))
            event(*e);
        else
            reject("field event", error);
        break;
    case Topic::Alarm:
        if (const auto news = wire::decodeAlarmNews(payload, error)) {
            if (alarmSteps)
                alarmSteps(*news);
        } else {
            reject("alarm step", error);
        }
        break;
    default: break;  // not subscribed
    }
}

void DeskLink::notice(const QString& login, const QByteArray& payload) {
    // Each notice makes this desk re-read the site: another login's flood is dropped before it
    // is read, and said once per period.
    const qint64 now = steady_.elapsed();
    if (!noticeBudget_.take(login, now)) {
        ++noticesDropped_;
        if (noticeFloods_.note(login, now))
            log_.error(QStringLiteral("Broker link: a notice of %1 dropped unread: more than %2 a second")
                           .arg(login)
                           .arg(kNoticesPerSecond));
        return;
    }
    QString error;
    const std::optional<wire::Notice> notice = wire::decodeNotice(payload, error);
    if (!notice) {
        ++rejected_;
        if (noticeFloods_.note(login, now))
            log_.error(
                QStringLiteral("Broker link: a notice of %1 that cannot be read was skipped: %2").arg(login, error));
        return;
    }
    // Looked up per receiver: a receiver may detach another while handling the notice.
    for (const QString& id : receivers_.keys()) {
        if (id == notice->sender)
            continue;
        if (SyncReceiver* receiver = receivers_.value(id, nullptr))
            receiver->SyncPipe(notice->topic, notice->action, notice->data, notice->sender, id);
    }
}

void DeskLink::logFloods() {
    for (const FloodLog::Summary& flood : noticeFloods_.takeEnded(steady_.elapsed()))
        log_.error(QStringLiteral("Broker link: %1 more notices of %2 dropped or skipped in %3 s")
                       .arg(flood.more)
                       .arg(flood.login)
                       .arg(kFloodLogMs / 1000));
}

void DeskLink::answer(const wire::Answer& a) {
    if (pastAnswered(a))
        return;
    if (const auto pending = awaiting_.constFind(a.number); pending != awaiting_.constEnd()) {
        const Pending p = *pending;
        awaiting_.erase(pending);
        if (!p.done)
            return;  // a sign-out: the session is gone either way
        if (a.accepted && a.token.isEmpty()) {
            releaseHeld(p.login);
            p.done(QStringLiteral("the field gave no session"));
            return;
        }
        if (a.accepted)
            tokens_.insert(p.login, a.token);
        else
            log_.error(QStringLiteral("Field link: sign-in of %1 refused: %2").arg(p.login, a.reason.left(200)));
        releaseHeld(p.login);
        p.done(a.accepted ? QString() : a.reason.left(200));
        return;
    }
    if (a.accepted)
        return;
    ++commandsRefused_;
    const QString text = QStringLiteral("The field refused the command: %1").arg(a.reason.left(200));
    log_.error(QStringLiteral("Field link: command %1 refused: %2").arg(a.number).arg(a.reason.left(200)));
    refusedOperator_ = commandOperators_.value(a.number);
    if (commandRefused)
        commandRefused(text);
    refusedOperator_.clear();
}

void DeskLink::states(const wire::StateBatch& batch) {
    session_.states(batch, nowMs());
    if (measuring_ && batch.sentMs > 0)
        latencies_.append(double(wallMs() - batch.sentMs));
}

void DeskLink::deliver(const wire::StateReport& report) {
    // Reports of a batch share their second: its text is made once.
    if (const qint64 second = report.atMs / 1000; second != reportSecond_) {
        reportSecond_ = second;
        reportTime_ = wire::reportTimeText(second * 1000);
    }
    for (StateSink* sink : std::as_const(sinks_))
        sink->StateChange(report.deviceType, report.address, report.state, reportTime_, report.value);
    if (measuring_ && applied_.size() < kMaxAppliedKept)
        applied_.append({report.seq, report.atMs, wallMs()});
}

void DeskLink::event(const wire::Event& e) {
    switch (e.kind) {
    case wire::Event::Kind::Done: doneSeq_ = e.seq; break;
    case wire::Event::Kind::Online:
        followFieldSession(e.session);
        session_.online(e.session, nowMs());
        break;
    case wire::Event::Kind::Offline: session_.offline(e.session, nowMs()); break;
    case wire::Event::Kind::Digest:
        followFieldSession(e.session);
        session_.digest(e.session, e.seq, quint64(e.number), nowMs());
        break;
    }
}

}  // namespace sv
