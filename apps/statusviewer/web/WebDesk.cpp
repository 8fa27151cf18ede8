#include "web/WebDesk.h"

#include "desk/FieldLinkLabel.h"
#include "desk/PastWindow.h"

#include "SiteWire.h"
#include "StartupError.h"

#include <statusobject/Status.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QJsonDocument>
#include <QMimeDatabase>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>
#include <QTcpSocket>

#include <chrono>

#include <algorithm>

namespace sv::web {
namespace {

using Reader = so::StatusReader;
using Status = QHttpServerResponse::StatusCode;

constexpr int kExpiryCheckMs = 10 * 1000;
const QString kWallWatchesOnly = QStringLiteral("Not permitted: a wall display watches only.");
const QString kPastTakesNoCommand = QStringLiteral("Not permitted: this tab shows the past. Back to \"Live\" to act.");
/// A tab that showed rows marked recent is pushed again after this, so the marks go when they end.
constexpr int kRecentRecheckMs = 1000;

QHttpServerResponse jsonResponse(const QJsonObject& body, Status status) {
    return QHttpServerResponse(QByteArrayLiteral("application/json"), toBytes(body), status);
}

QHttpServerResponse errorResponse(const QString& text, Status status) {
    return jsonResponse({{QStringLiteral("error"), text}}, status);
}

QByteArray header(const QHttpServerRequest& request, const QByteArray& name) {
    for (const auto& [key, value] : request.headers())
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

/// Headers every answer carries: nothing is cached, framed or sniffed, and the page runs only
/// its own scripts.
void harden(QHttpServerResponse& response, bool strictTransport) {
    // Under TLS (ours or a proxy's) the browser keeps to it for a year, never trying plain HTTP.
    if (strictTransport)
        response.setHeader("Strict-Transport-Security", "max-age=31536000");
    response.setHeader("Cache-Control", "no-store");
    response.setHeader("X-Content-Type-Options", "nosniff");
    response.setHeader("X-Frame-Options", "DENY");
    response.setHeader("Referrer-Policy", "no-referrer");
    response.setHeader("Content-Security-Policy",
                       "default-src 'self'; connect-src 'self'; img-src 'self' data:; style-src 'self'; "
                       "frame-ancestors 'none'; base-uri 'none'; form-action 'self'");
}

QHttpServerResponse misdirected() {
    return errorResponse(QStringLiteral("This server does not answer for that host name."), Status::MisdirectedRequest);
}

/// What the page is told of its session.
QJsonObject sessionBody(const WebSession& session) {
    return {{QStringLiteral("operator"), session.operatorName},
            {QStringLiteral("csrf"), QString::fromLatin1(session.csrf)},
            {QStringLiteral("wall"), session.wall}};
}

/// 429 with Retry-After: the wait in whole seconds, at least one.
QHttpServerResponse tryLater(const QString& text, qint64 waitMs) {
    QHttpServerResponse response = errorResponse(text, Status::TooManyRequests);
    response.setHeader("Retry-After", QByteArray::number(qMax<qint64>(1, (waitMs + 999) / 1000)));
    return response;
}

}  // namespace

// ---- OperatorControl

void OperatorControl::dtApiCall(qint32 controllerNumber, const QString& command, qint16 pointNumber) {
    link_.setOperator(login_);
    link_.dtApiCall(controllerNumber, command, pointNumber);
}

void OperatorControl::zr2AccessFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) {
    link_.setOperator(login_);
    link_.zr2AccessFunction(deviceType, deviceId, functionCode);
}

void OperatorControl::zr2ControlFunction(qint32 deviceType, qint32 deviceId, qint32 functionCode) {
    link_.setOperator(login_);
    link_.zr2ControlFunction(deviceType, deviceId, functionCode);
}

void OperatorControl::zr2ClearCodeTamper(qint32 readerId) {
    link_.setOperator(login_);
    link_.zr2ClearCodeTamper(readerId);
}

// ---- OperatorDesk

OperatorDesk::OperatorDesk(WebDesk& desk, const QString& login, const QString& computerName, const QString& group)
    : desk_(desk), login_(login), computerName_(computerName) {
    control_ = std::make_unique<OperatorControl>(desk.link(), login);
    alarms_ = std::make_unique<BusAlarms>(desk.link(), login);
    WorkstationOptions& options = options_;
    options.siteUrl = desk.options().siteUrl;
    // One site workstation per component: its own notices, locks and layout.
    options.host.computerName = computerName;
    options.host.operatorName = login;
    options.host.interactive = false;
    options.logFolder = desk.options().logFolder;
    options.headless = true;
    options.alarms = alarms_.get();
    services_ = HostServices{&desk.texts(), &desk.log(), &desk.link(), control_.get(), &desk.images()};
    station_ = std::make_unique<Workstation>(options, services_, desk.link(), desk.link());
    const QString first = group.isEmpty() ? desk.options().group : group;
    if (!first.isEmpty())
        station_->showGroup(first);
    reader_ = std::make_unique<so::StatusReader>(station_->status());
    snapshotTimer_.setSingleShot(true);
    QObject::connect(&snapshotTimer_, &QTimer::timeout, [this] { takeSnapshot(); });
    reader_->setChangeCallback([this] { componentChanged(); });
    desk.log().info(QStringLiteral("Web desk: component %1 of operator %2 started on \"%3\"")
                        .arg(computerName, login, groupName()));
}

OperatorDesk::~OperatorDesk() {
    reader_.reset();
    station_.reset();
    desk_.log().info(QStringLiteral("Web desk: component %1 of operator %2 closed").arg(computerName_, login_));
}

QString OperatorDesk::groupName() const { return reader_->groupName(); }

PastReplay::Desk OperatorDesk::pastDesk(so::db::Connection& site) const {
    return {&site, options_, services_, groupName()};
}

bool OperatorDesk::showGroup(const QString& name) {
    if (!station_->showGroup(name))
        return false;
    counts_.clear();
    attentionDue_ = true;
    for (WebTab* tab : std::as_const(tabs_))
        tab->moveTo(*this);
    return true;
}

void OperatorDesk::attach(WebTab* tab) {
    if (!tabs_.contains(tab))
        tabs_.append(tab);
}

void OperatorDesk::detach(WebTab* tab) { tabs_.removeAll(tab); }

void OperatorDesk::notice(const QString& text) {
    for (WebTab* tab : std::as_const(tabs_))
        tab->send(noticeMessage(text));
}

void OperatorDesk::componentChanged() {
    const qint64 delay = pacer_.mark(desk_.nowMs());
    if (delay >= 0)
        snapshotTimer_.start(int(delay));
}

void OperatorDesk::takeSnapshot() {
    if (!pacer_.take(desk_.nowMs()))
        return;
    counts_.clear();
    attentionDue_ = true;
    markTabsDirty();
}

const QByteArray& OperatorDesk::counts(const Reader::Filter& filter) {
    const QString key = QString::number(filter.abnormalOnly) + filter.text;
    auto it = counts_.find(key);
    if (it == counts_.end())
        it = counts_.insert(key, toBytes(countsMessage(*reader_, filter)));
    return *it;
}

std::shared_ptr<const AttentionSnapshot> OperatorDesk::attention() {
    if (attentionDue_ || !attention_) {
        attentionDue_ = false;
        // Only the entries the page is sent are read: the list may hold thousands.
        auto now = std::make_shared<AttentionSnapshot>(
            attentionSnapshot(reader_->attention(kMaxAttentionEntries), desk_.nextAttentionVersion(),
                              reader_->attentionCount(), reader_->shelved()));
        if (!attention_ || !attention_->sameAs(*now)) {
            attention_ = std::move(now);
            attentionWhole_.clear();
            attentionChanges_.clear();
        }
    }
    return attention_;
}

QByteArray OperatorDesk::attentionFor(const std::shared_ptr<const AttentionSnapshot>& held) {
    const std::shared_ptr<const AttentionSnapshot> now = attention();
    if (attentionWhole_.isEmpty())
        attentionWhole_ = toBytes(attentionMessage(*now));
    if (!held || !held->unique || !now->unique)
        return attentionWhole_;
    auto it = attentionChanges_.find(held->version);
    if (it == attentionChanges_.end())
        it = attentionChanges_.insert(held->version, toBytes(attentionChangesMessage(*held, *now)));
    return it->size() < attentionWhole_.size() ? *it : attentionWhole_;
}

void OperatorDesk::markTabsDirty() {
    for (WebTab* tab : std::as_const(tabs_))
        tab->markDirty();
}

// ---- WebTab

WebTab::WebTab(WebDesk& desk, std::unique_ptr<QWebSocket> socket, QByteArray sessionToken)
    : desk_(desk), socket_(std::move(socket)), token_(std::move(sessionToken)) {
    sorts_.fill({-1, false});
    socket_->setMaxAllowedIncomingMessageSize(quint64(kMaxMessageBytes));
    socket_->setMaxAllowedIncomingFrameSize(quint64(kMaxMessageBytes));
    connect(socket_.get(), &QWebSocket::textMessageReceived, this, &WebTab::received);
    connect(socket_.get(), &QWebSocket::binaryMessageReceived, this, [this] {
        desk_.log().error(QStringLiteral("Web desk: a binary message on /ws, closing the socket"));
        close(QStringLiteral("Binary messages are not taken."));
    });
    connect(socket_.get(), &QWebSocket::disconnected, this, [this] {
        if (closing_)
            return;
        closing_ = true;
        past_.reset();
        if (operator_ != nullptr) {
            operator_->detach(this);
            operator_ = nullptr;
        }
        desk_.tabClosed(this);
    });
    // A push held for the socket's unsent bytes goes once they are all out.
    connect(socket_.get(), &QWebSocket::bytesWritten, this, [this] {
        if (closing_ || socket_->bytesToWrite() > 0)
            return;
        const qint64 delay = pacer_.drained(desk_.nowMs());
        if (delay >= 0)
            pushTimer_.start(int(delay));
    });
    pushTimer_.setSingleShot(true);
    connect(&pushTimer_, &QTimer::timeout, this, &WebTab::push);
    recentTimer_.setSingleShot(true);
    recentTimer_.setInterval(kRecentRecheckMs);
    connect(&recentTimer_, &QTimer::timeout, this, &WebTab::markDirty);
    helloTimer_.setSingleShot(true);
    connect(&helloTimer_, &QTimer::timeout, this, [this] {
        desk_.log().error(
            QStringLiteral("Web desk: no hello within %1 s, closing the socket").arg(kHelloTimeoutMs / 1000));
        close(QStringLiteral("No hello."));
    });
    helloTimer_.start(kHelloTimeoutMs);
    lastHeardMs_ = desk_.nowMs();
}

WebTab::~WebTab() {
    // The socket may say it disconnected while it goes: nobody listens any more.
    socket_->disconnect(this);
    if (operator_ != nullptr)
        operator_->detach(this);
}

void WebTab::send(const QJsonObject& message) {
    if (closing_)
        return;
    if (socket_->bytesToWrite() > kMaxUnsentBytes) {
        desk_.log().error(
            QStringLiteral("Web desk: a tab left %1 bytes unread, closing the socket").arg(socket_->bytesToWrite()));
        close(QStringLiteral("The page does not read."), true);
        return;
    }
    socket_->sendTextMessage(QString::fromUtf8(toBytes(message)));
}

void WebTab::close(const QString& reason, bool again) {
    if (closing_)
        return;
    socket_->sendTextMessage(QString::fromUtf8(toBytes(byeMessage(reason, again))));
    closing_ = true;
    pushTimer_.stop();
    recentTimer_.stop();
    helloTimer_.stop();
    past_.reset();
    if (operator_ != nullptr) {
        operator_->detach(this);
        operator_ = nullptr;
    }
    socket_->close(QWebSocketProtocol::CloseCodePolicyViolated, reason.left(100));
    desk_.tabClosed(this);
}

void WebTab::heartbeat(qint64 nowMs) {
    if (closing_)
        return;
    if (nowMs - lastHeardMs_ > kSilentSocketMs) {
        desk_.log().error(QStringLiteral("Web desk: a tab said nothing for %1 s, closing its socket")
                              .arg((nowMs - lastHeardMs_) / 1000));
        close(QStringLiteral("No word from the page."), true);
        return;
    }
    if (operator_ != nullptr)
        send(pingMessage());
}

void WebTab::received(const QString& text) {
    if (closing_)
        return;
    lastHeardMs_ = desk_.nowMs();
    const QByteArray payload = text.toUtf8();
    if (payload.size() > kMaxMessageBytes) {
        desk_.log().error(QStringLiteral("Web desk: a message of %1 bytes, closing the socket").arg(payload.size()));
        close(QStringLiteral("Message too large."));
        return;
    }
    if (messagePace_.take(QString(), lastHeardMs_) > 0) {
        if (!floodLogged_)
            desk_.log().error(QStringLiteral("Web desk: a tab sends more than %1 messages a second: those beyond "
                                             "are dropped (logged once for the socket)")
                                  .arg(1000 / kMessageEveryMs));
        floodLogged_ = true;
        return;
    }
    const ClientMessage message = parseClientMessage(payload);
    if (message.kind == ClientMessage::Kind::Invalid) {
        if (!invalidLogged_)
            desk_.log().error(
                QStringLiteral("Web desk: a message ignored (and any more malformed ones of the socket): %1")
                    .arg(message.error));
        invalidLogged_ = true;
        return;
    }
    // Every message finds the session live, and all but the page's heartbeat keep it so (a page
    // left open is not in use, unless it is a wall display's); a tab whose session ended is closed.
    const WebSession* session = desk_.session(token_, false);
    if (session != nullptr && (message.kind != ClientMessage::Kind::Ping || session->wall))
        session = desk_.session(token_);
    if (session == nullptr) {
        close(QStringLiteral("Session expired."));
        return;
    }
    if (operator_ == nullptr) {
        hello(message);
        return;
    }
    if (message.kind != ClientMessage::Kind::Ping)
        handle(message);
}

void WebTab::hello(const ClientMessage& message) {
    const WebSession* session = desk_.session(token_);
    if (message.kind != ClientMessage::Kind::Hello || session == nullptr || !sameSecret(message.csrf, session->csrf)) {
        desk_.log().error(
            QStringLiteral("Web desk: a socket's first message was not a hello with the session's token"));
        close(QStringLiteral("Hello refused."));
        return;
    }
    helloTimer_.stop();
    // A page that reconnects names the group it showed: it comes back to its own view, not to
    // another tab's.
    login_ = session->operatorName;
    QString refusal;
    OperatorDesk* view = nullptr;
    try {
        view = desk_.viewFor(login_, message.text, nullptr, refusal);
        if (view == nullptr && !message.text.isEmpty())
            view = desk_.viewFor(login_, QString(), nullptr, refusal);
    } catch (const std::exception& e) {
        desk_.log().error(QStringLiteral("Web desk: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    if (view == nullptr) {
        close(QStringLiteral("The operator's status cannot be opened."));
        return;
    }
    moveTo(*view);
    // The tab learns why it is not back on its group.
    if (!message.text.isEmpty() && view->groupName() != message.text)
        send(noticeMessage(refusal));
}

void WebTab::moveTo(OperatorDesk& view) {
    if (operator_ != &view) {
        if (operator_ != nullptr)
            operator_->detach(this);
        operator_ = &view;
        view.attach(this);
        desk_.log().info(QStringLiteral("Web desk: a tab of %1 shows \"%2\" (component %3, %4 tabs)")
                             .arg(login_, view.groupName(), view.computerName())
                             .arg(view.tabCount()));
    }
    // A welcome starts the tab anew, live: the past shown of the group it leaves goes.
    past_.reset();
    Workstation& station = operator_->station();
    send(welcomeMessage(operator_->login(), station.status().groupNames(), operator_->groupName(),
                        operator_->reader().sections(), wall() ? HistorySpan() : desk_.pastSpan(operator_->login())));
    // A tab that opens while the link or the field is down learns it at once.
    for (const QString& text : desk_.faults())
        send(noticeMessage(text));
    sent_.clear();
    attentionSent_.reset();
    markDirty();
}

void WebTab::handle(const ClientMessage& m) {
    Reader* shownReader = shown();
    switch (m.kind) {
    case ClientMessage::Kind::Hello: moveTo(*operator_); return;
    case ClientMessage::Kind::Group: {
        QString refusal;
        OperatorDesk* view = nullptr;
        try {
            view = desk_.viewFor(login_, m.text, operator_, refusal);
        } catch (const std::exception& e) {
            desk_.log().error(QStringLiteral("Web desk: %1").arg(QString::fromLocal8Bit(e.what())));
            refusal = QStringLiteral("The group \"%1\" cannot be opened now.").arg(m.text);
        }
        if (view == nullptr)
            send(noticeMessage(refusal));
        else if (view != operator_)
            moveTo(*view);
        desk_.closeUnusedOperators();
        return;
    }
    case ClientMessage::Kind::View: views_ = m.views; break;
    case ClientMessage::Kind::Find: filter_.text = m.text; break;
    case ClientMessage::Kind::Abnormal: filter_.abnormalOnly = m.on; break;
    case ClientMessage::Kind::Menu: {
        QVector<Reader::MenuItem> items =
            shownReader != nullptr ? shownReader->menu(m.section, m.key) : QVector<Reader::MenuItem>();
        if (wall() || past_ != nullptr)
            for (Reader::MenuItem& item : items) {
                item.enabled = false;
                item.whyDisabled = past_ != nullptr ? kPastTakesNoCommand : kWallWatchesOnly;
            }
        send(menuMessage(m.section, m.key, items));
        return;
    }
    case ClientMessage::Kind::Command: {
        const WebSession* session = desk_.session(token_);
        if (session == nullptr || !sameSecret(m.csrf, session->csrf)) {
            desk_.log().error(QStringLiteral("Web desk: a command without the session's token refused"));
            send(commandMessage(m.id, false, QStringLiteral("Refused: the page's token is not this session's.")));
            return;
        }
        if (session->wall) {
            send(commandMessage(m.id, false, kWallWatchesOnly));
            return;
        }
        if (past_ != nullptr) {
            desk_.log().error(
                QStringLiteral("Web desk: a command of %1 from a tab showing the past refused").arg(login_));
            send(commandMessage(m.id, false, kPastTakesNoCommand));
            return;
        }
        QString why;
        switch (operator_->reader().invoke(m.section, m.key, m.id, &why)) {
        case Reader::CommandResult::Sent:
            desk_.log().info(QStringLiteral("Web desk: operator %1 sent command %2").arg(operator_->login(), m.id));
            send(commandMessage(m.id, true, QStringLiteral("Sent.")));
            break;
        case Reader::CommandResult::NotPermitted:
            send(commandMessage(m.id, false, why.isEmpty() ? QStringLiteral("Not permitted.") : why));
            break;
        case Reader::CommandResult::NoSuchRow:
            send(commandMessage(m.id, false, QStringLiteral("The point is no longer shown.")));
            break;
        case Reader::CommandResult::NoSuchEntry:
            send(commandMessage(m.id, false, QStringLiteral("No such command for this point.")));
            break;
        }
        return;
    }
    case ClientMessage::Kind::Locate: {
        // Where the row is among this tab's rows in sight, so that the page can scroll to a row it
        // has not loaded (an attention entry's). Read once per ask: an operator's action.
        if (shownReader == nullptr)
            return;
        const int total = shownReader->rows(m.section, filterOf(m.section), 0, 0).total;
        const Reader::Rows inSight = shownReader->rows(m.section, filterOf(m.section), 0, total);
        int index = -1;
        for (qsizetype i = 0; i < inSight.rows.size() && index < 0; ++i)
            if (inSight.rows[i].key == m.key)
                index = int(i);
        send(locatedMessage(m.section, m.key, index));
        return;
    }
    case ClientMessage::Kind::Acknowledge:
    case ClientMessage::Kind::Shelve: {
        const bool acknowledging = m.kind == ClientMessage::Kind::Acknowledge;
        const QString step = acknowledging ? QStringLiteral("acknowledge") : QStringLiteral("shelve");
        const WebSession* session = desk_.session(token_);
        if (session == nullptr || !sameSecret(m.csrf, session->csrf)) {
            desk_.log().error(QStringLiteral("Web desk: an alarm step without the session's token refused"));
            send(stepMessage(step, false, QStringLiteral("Refused: the page's token is not this session's.")));
            return;
        }
        if (past_ != nullptr) {
            desk_.log().error(
                QStringLiteral("Web desk: an alarm step of %1 from a tab showing the past refused").arg(login_));
            send(stepMessage(step, false, kPastTakesNoCommand));
            return;
        }
        // The component checks the operator's permission; the field checks it again and records
        // the step, and every desk shows it once announced.
        Reader& reader = operator_->reader();
        const bool handed = acknowledging ? reader.acknowledge(m.section, m.key, m.text) >= 0
                                          : reader.shelve(m.section, m.key, m.minutes);
        send(stepMessage(step, handed,
                         handed          ? QStringLiteral("Sent to the field.")
                         : acknowledging ? QStringLiteral("Not acknowledged: no such alarm waiting, or no permission.")
                                         : QStringLiteral("Not shelved: no such entry, or no permission.")));
        return;
    }
    case ClientMessage::Kind::Journal: {
        // Read once per ask: an operator's action. The site's journal, whatever the tab shows;
        // each step with the moment that shows the board with it.
        const QVector<Reader::JournalRow> rows =
            operator_->reader().journal(m.text, m.byOperator, m.from, m.to, kMaxJournalRows);
        QVector<qint64> moments;
        for (const Reader::JournalRow& row : rows) {
            const QVector<JournalMoment> moment = journalMoments({row});
            moments.append(moment.isEmpty() ? 0 : moment.constFirst().moment);
        }
        send(journalMessage(rows, moments));
        return;
    }
    case ClientMessage::Kind::At: showPast(m.moment); return;
    case ClientMessage::Kind::PastStep:
    case ClientMessage::Kind::PastReport:
    case ClientMessage::Kind::PastPlay: pastAsked(m); return;
    case ClientMessage::Kind::Live: backToLive(); return;
    case ClientMessage::Kind::AttentionAgain: attentionSent_.reset(); break;
    case ClientMessage::Kind::Sort: sorts_[size_t(m.section)] = {m.key, m.on}; break;
    case ClientMessage::Kind::ClearCleared:
        // Every tab of the operator shows the list without them (the list's change is told); the
        // past's list stays as it was.
        if (past_ == nullptr)
            operator_->reader().clearCleared();
        return;
    case ClientMessage::Kind::Ping:
    case ClientMessage::Kind::Invalid: return;
    }
    markDirty();
}

void WebTab::pushPastAttention(Reader& reader) {
    // The past's list is the tab's own and changes a step at a time: it goes whole when it changed.
    auto now = std::make_shared<AttentionSnapshot>(
        attentionSnapshot(reader.attention(kMaxAttentionEntries), 0, reader.attentionCount(), reader.shelved()));
    if (attentionSent_ != nullptr && attentionSent_->sameAs(*now))
        return;
    now->version = desk_.nextAttentionVersion();
    socket_->sendTextMessage(QString::fromUtf8(toBytes(attentionMessage(*now))));
    attentionSent_ = std::move(now);
}

Reader* WebTab::shown() {
    if (past_ != nullptr)
        return past_->reader();
    return operator_ != nullptr ? &operator_->reader() : nullptr;
}

void WebTab::showPast(qint64 moment) {
    if (wall()) {
        send(noticeMessage(QStringLiteral("A wall display shows the live site only.")));
        return;
    }
    if (const QString refusal = desk_.pastRefusal(*this, moment); !refusal.isEmpty()) {
        send(noticeMessage(refusal));
        return;
    }
    if (past_ == nullptr) {
        past_ = desk_.openPast(*operator_, [this] { pastChanged(); });
        desk_.log().info(QStringLiteral("Web desk: a tab of %1 shows the past of \"%2\" (%3 tabs in the past)")
                             .arg(login_, operator_->groupName())
                             .arg(desk_.pastCount()));
        // What the tab holds of the live lists is not the past's.
        sent_.clear();
        attentionSent_.reset();
    }
    past_->moveTo(moment);
    pastChanged();
}

void WebTab::pastAsked(const ClientMessage& m) {
    if (past_ == nullptr) {
        send(noticeMessage(QStringLiteral("This tab shows the live site: choose a moment with \"At\" first.")));
        return;
    }
    if (m.kind == ClientMessage::Kind::PastStep)
        past_->step(m.amount);
    else if (m.kind == ClientMessage::Kind::PastReport)
        past_->toReport(m.amount);
    else
        past_->play(m.amount);
}

void WebTab::backToLive() {
    if (past_ == nullptr)
        return;
    past_.reset();
    desk_.log().info(QStringLiteral("Web desk: a tab of %1 is back to live").arg(login_));
    send(liveMessage());
    sent_.clear();
    attentionSent_.reset();
    markDirty();
}

void WebTab::pastChanged() {
    if (closing_ || past_ == nullptr)
        return;
    // A past whose first board could not be shown is given up: the tab stays live and says why.
    // Later, never inside the replay's own call.
    if (past_->failed()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (past_ == nullptr || !past_->failed())
                    return;
                const QString why = past_->banner();
                backToLive();
                send(noticeMessage(why));
            },
            Qt::QueuedConnection);
        return;
    }
    const QByteArray bytes = sent_.changed(QStringLiteral("past"), pastMessage(past_->state()));
    if (!bytes.isEmpty())
        socket_->sendTextMessage(QString::fromUtf8(bytes));
    markDirty();
}

Reader::Filter WebTab::filterOf(int section) const {
    Reader::Filter filter = filter_;
    std::tie(filter.sortColumn, filter.descending) = sorts_[size_t(section)];
    return filter;
}

bool WebTab::wall() {
    const WebSession* session = desk_.session(token_, false);
    return session != nullptr && session->wall;
}

void WebTab::markDirty() {
    if (closing_ || operator_ == nullptr)
        return;
    const qint64 delay = pacer_.mark(desk_.nowMs());
    if (delay >= 0)
        pushTimer_.start(int(delay));
}

void WebTab::push() {
    // Nothing goes while the socket still holds an earlier push: the tab stays dirty and gets the
    // newest state once it drained, so a tab that reads slowly costs one push of memory.
    if (closing_ || operator_ == nullptr || !pacer_.take(desk_.nowMs(), socket_->bytesToWrite()))
        return;
    Reader* shownReader = shown();
    if (shownReader == nullptr)
        return;  // the past asked for has not come: what the tab shows stays until it does
    Reader& reader = *shownReader;
    const auto sendIfChanged = [this](const QString& channel, const auto& message) {
        const QByteArray bytes = sent_.changed(channel, message);
        if (!bytes.isEmpty())
            socket_->sendTextMessage(QString::fromUtf8(bytes));
    };
    if (past_ != nullptr) {
        sendIfChanged(QStringLiteral("counts"), countsMessage(reader, filter_));
        pushPastAttention(reader);
    } else {
        sendIfChanged(QStringLiteral("counts"), operator_->counts(filter_));
        // The attention list goes as changes to the list the tab holds.
        if (attentionSent_ != operator_->attention()) {
            socket_->sendTextMessage(QString::fromUtf8(operator_->attentionFor(attentionSent_)));
            attentionSent_ = operator_->attention();
        }
    }
    bool anyRecent = false;
    for (const SectionView& view : std::as_const(views_)) {
        const Reader::Rows rows = reader.rows(view.section, filterOf(view.section), view.first, view.count);
        for (const Reader::Row& row : rows.rows)
            anyRecent = anyRecent || row.recent;
        sendIfChanged(QStringLiteral("rows:%1").arg(view.section), rowsMessage(view.section, view.first, rows));
    }
    if (anyRecent && !recentTimer_.isActive())
        recentTimer_.start();
}

// ---- WebDesk

void WebDesk::answer(QHttpServerResponse&& response, QHttpServerResponder&& responder) const {
    harden(response, secureCookies());
    response.write(std::move(responder));
}

WebDesk::WebDesk(const WebDeskOptions& options, SiteTransport& link, AppLog& log)
    : options_(options), log_(log), sessions_(options.idleMs) {
    try {
        db_ = so::db::Connection::open(options.siteUrl);
    } catch (const so::db::DbError& e) {
        throw StartupError(QStringLiteral("The web desk cannot open the site: %1").arg(e.message()));
    }

    const bool loopback = options.address.isLoopback();
    tls_ = !options.tlsCert.isEmpty() || !options.tlsKey.isEmpty();
    if (tls_) {
        QFile certFile(options.tlsCert), keyFile(options.tlsKey);
        if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
            throw StartupError(
                QStringLiteral("cannot read --tls-cert %1 or --tls-key %2").arg(options.tlsCert, options.tlsKey));
        const QList<QSslCertificate> chain = QSslCertificate::fromData(certFile.readAll(), QSsl::Pem);
        QSslKey key(keyFile.readAll(), QSsl::Rsa, QSsl::Pem);
        if (key.isNull()) {
            keyFile.seek(0);
            key = QSslKey(keyFile.readAll(), QSsl::Ec, QSsl::Pem);
        }
        if (chain.isEmpty() || key.isNull())
            throw StartupError(QStringLiteral("--tls-cert %1 or --tls-key %2 holds no PEM certificate or key")
                                   .arg(options.tlsCert, options.tlsKey));
        server_.sslSetup(chain.constFirst(), key);
    } else if (!loopback && !options.insecureListen) {
        throw StartupError(QStringLiteral("without TLS the web desk listens on loopback only: give --tls-cert and "
                                          "--tls-key, or --insecure-listen to listen on %1 in plain HTTP")
                               .arg(options.address.toString()));
    }

    desk_ = std::make_unique<DeskLink>(link, options.site, options.deskName, log_);
    if (options.past)
        past_ = options.past(*desk_);
    desk_->refreshRows = [this] {
        for (const auto& desk : operators_) {
            desk->alarms().resynced();
            desk->station().refreshAllRows();
        }
    };
    desk_->alarmSteps = [this](const sv::wire::AlarmNews& news) {
        for (const auto& desk : operators_)
            desk->alarms().announced(news);
    };
    desk_->auditRows = [this](int count) {
        int redrawn = 0;
        for (const auto& desk : operators_)
            redrawn += desk->station().status().auditRows(count);
        return redrawn;
    };
    desk_->commandRefused = [this](const QString& text) { commandRefused(text); };
    desk_->sessionsLost = [this] {
        for (const QByteArray& token : sessions_.tokens())
            endSession(token, QStringLiteral("The field restarted: sign in again."));
    };
    // The page is told what a desk's status bar shows: the broker link and the field's state.
    desk_->linkChanged = [this](bool up, const QDateTime& lostSince) {
        linkText_ = FieldLinkLabel::linkText(up, lostSince);
        linkAlarm_ = !up;
        for (const auto& desk : operators_)
            desk->notice(linkText_);
    };
    desk_->fieldChanged = [this] {
        fieldText_ = desk_->fieldText(&fieldAlarm_);
        for (const auto& desk : operators_)
            desk->notice(fieldText_);
    };

    allowedHosts_ = options.allowedHosts;
    if (allowedHosts_.isEmpty()) {
        allowedHosts_ << options.address.toString();
        if (loopback)
            allowedHosts_ << QStringLiteral("localhost") << QStringLiteral("127.0.0.1") << QStringLiteral("::1");
    }
    route();
    connect(&server_, &QAbstractHttpServer::newWebSocketConnection, this, &WebDesk::newSocket);
    port_ = server_.listen(options.address, options.port);
    if (port_ == 0)
        throw StartupError(QStringLiteral("the web desk cannot listen on %1 port %2")
                               .arg(options.address.toString())
                               .arg(options.port));
    connections_ = std::make_unique<ConnectionGuard>([this] { return nowMs(); }, options.trustedProxies);
    for (QTcpServer* listening : server_.servers())
        connections_->watch(listening);
    const QString scheme = tls_ ? QStringLiteral("https") : QStringLiteral("http");
    QString line =
        QStringLiteral("Web desk: listening on %1://%2:%3/").arg(scheme, options.address.toString()).arg(port_);
    if (!tls_)
        line += loopback ? QStringLiteral(" (no TLS: loopback only)")
                         : QStringLiteral(
                               " WITHOUT TLS on a network address (--insecure-listen): passwords and "
                               "session cookies cross the network readable");
    log_.info(line);

    expiry_.setInterval(kExpiryCheckMs);
    connect(&expiry_, &QTimer::timeout, this, &WebDesk::expireSessions);
    expiry_.start();
    heartbeat_.setInterval(kHeartbeatMs);
    connect(&heartbeat_, &QTimer::timeout, this, &WebDesk::heartbeat);
    heartbeat_.start();
}

WebDesk::~WebDesk() {
    expiry_.stop();
    heartbeat_.stop();
    for (WebTab* tab : std::as_const(tabs_))
        delete tab;
    tabs_.clear();
    operators_.clear();
    desk_->refreshRows = {};
    desk_->auditRows = {};
    desk_->alarmSteps = {};
    desk_->commandRefused = {};
    desk_->sessionsLost = {};
    desk_->linkChanged = {};
    desk_->fieldChanged = {};
}

qint64 WebDesk::nowMs() const {
    return options_.clock ? options_.clock()
                          : std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
}

QStringList WebDesk::faults() const {
    QStringList texts;
    if (linkAlarm_)
        texts << linkText_;
    if (fieldAlarm_)
        texts << fieldText_;
    return texts;
}

const WebSession* WebDesk::session(const QByteArray& token, bool touch) {
    return sessions_.find(token, nowMs(), touch);
}

void WebDesk::heartbeat() {
    const qint64 now = nowMs();
    const QList<WebTab*> tabs = tabs_;
    for (WebTab* tab : tabs)
        tab->heartbeat(now);
}

HistorySpan WebDesk::pastSpan(const QString& login) {
    if (past_ == nullptr)
        return std::nullopt;
    // The source may ask the field for the span anew: as this tab's operator, never the last one
    // named on the link.
    link().setOperator(login);
    return past_->span();
}

QString WebDesk::pastRefusal(const WebTab& tab, qint64 moment) {
    if (past_ == nullptr)
        return QStringLiteral("This web desk has no report history to show the past from.");
    const HistorySpan span = pastSpan(tab.login());
    const auto [first, last] = *span;
    // A span the source cannot tell (first after last) leaves the moment to the source to refuse.
    if (first <= last && (moment < first || moment > last)) {
        const auto shown = [](qint64 ms) {
            return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        };
        return QStringLiteral("The history holds %1 to %2: %3 is outside it.")
            .arg(shown(first), shown(last), shown(moment));
    }
    if (tab.inPast())
        return {};
    if (pastCount(tab.login()) >= kMaxPastPerOperator)
        return QStringLiteral("%1 of your tabs show the past already: bring one back to \"Live\" first.")
            .arg(kMaxPastPerOperator);
    if (pastCount() >= kMaxPastTabs)
        return QStringLiteral("The web desk shows the past in %1 tabs already: try again later.").arg(kMaxPastTabs);
    return {};
}

std::unique_ptr<TabPast> WebDesk::openPast(OperatorDesk& view, std::function<void()> changed) {
    return std::make_unique<TabPast>(
        *past_, *desk_, view.login(), view.pastDesk(*db_), [this] { return nowMs(); }, std::move(changed));
}

int WebDesk::pastCount(const QString& login) const {
    return int(std::count_if(tabs_.cbegin(), tabs_.cend(), [&](const WebTab* tab) {
        return tab->inPast() && (login.isEmpty() || tab->login() == login);
    }));
}

QList<OperatorDesk*> WebDesk::operatorDesks(const QString& login) const {
    QList<OperatorDesk*> desks;
    for (const auto& desk : operators_)
        if (desk->login() == login)
            desks.append(desk.get());
    return desks;
}

QString WebDesk::freeComputerName(const QString& login) const {
    const QString base = options_.deskName + QLatin1Char('-') + login;
    const QList<OperatorDesk*> open = operatorDesks(login);
    for (int slot = 1;; ++slot) {
        const QString suffix = slot == 1 ? QString() : QLatin1Char('-') + QString::number(slot);
        const QString name = base.left(50 - suffix.size()) + suffix;
        if (std::none_of(open.cbegin(), open.cend(), [&](const OperatorDesk* d) { return d->computerName() == name; }))
            return name;
    }
}

OperatorDesk* WebDesk::viewFor(const QString& login, const QString& group, OperatorDesk* leaving, QString& refusal) {
    const QList<OperatorDesk*> open = operatorDesks(login);
    if (group.isEmpty() && !open.isEmpty())
        return open.constFirst();
    for (OperatorDesk* desk : open)
        if (desk->groupName() == group)
            return desk;
    refusal = QStringLiteral("There is no status group \"%1\".").arg(group);
    if (!group.isEmpty() && !open.isEmpty() && !open.constFirst()->station().status().groupNames().contains(group))
        return nullptr;
    // A component nobody else watches switches to the group: the tab's own, or one left without tabs.
    OperatorDesk* idle = nullptr;
    if (leaving != nullptr && leaving->tabCount() == 1)
        idle = leaving;
    for (OperatorDesk* desk : open)
        if (idle == nullptr && !desk->hasTabs())
            idle = desk;
    if (idle != nullptr)
        return idle->showGroup(group) ? idle : nullptr;
    if (open.size() >= kMaxComponentsPerOperator) {
        refusal = QStringLiteral("Your tabs show %1 groups already: choose one of those, or close a tab.")
                      .arg(kMaxComponentsPerOperator);
        log_.error(QStringLiteral("Web desk: operator %1 asked for a %2th group at once: refused")
                       .arg(login)
                       .arg(kMaxComponentsPerOperator + 1));
        return nullptr;
    }
    operators_.push_back(std::make_unique<OperatorDesk>(*this, login, freeComputerName(login), group));
    OperatorDesk* made = operators_.back().get();
    if (group.isEmpty() || made->groupName() == group)
        return made;
    operators_.pop_back();
    return nullptr;
}

void WebDesk::tabClosed(WebTab* tab) {
    if (!tabs_.removeOne(tab))
        return;
    tab->deleteLater();
    closeUnusedOperators();
}

void WebDesk::closeUnusedOperators() {
    QTimer::singleShot(0, this, [this] {
        // While the operator has a live session, one component stays for the next tab even
        // without tabs; every other one without tabs closes.
        for (auto it = operators_.begin(); it != operators_.end();) {
            OperatorDesk& desk = **it;
            if (!desk.hasTabs() && (!sessions_.hasOperator(desk.login()) || operatorDesks(desk.login()).size() > 1))
                it = operators_.erase(it);
            else
                ++it;
        }
    });
}

void WebDesk::noticeOperator(const QString& login, const QString& text) {
    for (OperatorDesk* desk : operatorDesks(login))
        desk->notice(text);
}

void WebDesk::commandRefused(const QString& text) {
    // Told to the tabs of the operator whose command it was (a refusal of a command of no known
    // operator goes to nobody's page but to the log).
    noticeOperator(desk_->refusedOperator(), text);
}

void WebDesk::endSession(const QByteArray& token, const QString& reason) {
    const WebSession* ending = sessions_.find(token, nowMs(), false);
    const QString operatorName = ending != nullptr ? ending->operatorName : QString();
    sessions_.close(token);
    if (!operatorName.isEmpty() && !sessions_.hasOperator(operatorName))
        desk_->signOut(operatorName);
    const QList<WebTab*> tabs = tabs_;
    for (WebTab* tab : tabs)
        if (tab->sessionToken() == token)
            tab->close(reason);
    closeUnusedOperators();
}

void WebDesk::expireSessions() {
    const QList<QByteArray> ended = sessions_.expire(nowMs());
    for (const QByteArray& token : ended)
        endSession(token, QStringLiteral("Session expired."));
}

QStringList WebDesk::ownOrigins(const QByteArray& host) const {
    if (host.isEmpty())
        return {};
    const bool https = tls_ || options_.behindTlsProxy;
    return {(https ? QStringLiteral("https://") : QStringLiteral("http://")) + QString::fromLatin1(host)};
}

const WebSession* WebDesk::checkedSession(const QHttpServerRequest& request) {
    if (!originAllowed(header(request, "Origin"), ownOrigins(header(request, "Host"))))
        return nullptr;
    const WebSession* s = sessions_.find(sessionCookie(header(request, "Cookie"), secureCookies()), nowMs());
    if (s == nullptr || !sameSecret(header(request, "X-CSRF-Token"), s->csrf))
        return nullptr;
    return s;
}

void WebDesk::route() {
    // Qt's server (6.4) hands a WebSocket upgrade to newWebSocketConnection only when a route
    // took the request and answered nothing: /ws is that route. A plain GET there is refused.
    server_.route(QStringLiteral("/ws"), [](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        if (header(request, "Upgrade").compare("websocket", Qt::CaseInsensitive) != 0)
            responder.write(QHttpServerResponder::StatusCode::BadRequest);
    });
    server_.route(QStringLiteral("/api/signin"), QHttpServerRequest::Method::Post,
                  [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                      signIn(request, std::move(responder));
                  });
    server_.route(QStringLiteral("/api/session"), QHttpServerRequest::Method::Get,
                  [this](const QHttpServerRequest& request) { return currentSession(request); });
    server_.route(QStringLiteral("/api/signout"), QHttpServerRequest::Method::Post,
                  [this](const QHttpServerRequest& request) { return signOut(request); });
    server_.route(QStringLiteral("/api/<arg>"), [](const QUrl&) { return QHttpServerResponse(Status::NotFound); });
    server_.route(QStringLiteral("/"), QHttpServerRequest::Method::Get, [this](const QHttpServerRequest& request) {
        return hostAllowed(header(request, "Host")) ? file(QStringLiteral("index.html")) : misdirected();
    });
    server_.route(QStringLiteral("/assets/<arg>"), QHttpServerRequest::Method::Get,
                  [this](const QUrl& rest, const QHttpServerRequest& request) {
                      return hostAllowed(header(request, "Host")) ? file(QStringLiteral("assets/") + rest.path())
                                                                  : misdirected();
                  });
    server_.afterRequest([this](QHttpServerResponse&& response) {
        harden(response, secureCookies());
        return std::move(response);
    });
}

bool WebDesk::hostAllowed(const QByteArray& host) {
    if (sv::web::hostAllowed(host, allowedHosts_))
        return true;
    log_.error(QStringLiteral("Web desk: a request for host \"%1\" refused (not an --allowed-host)")
                   .arg(QString::fromLatin1(host.left(100).toPercentEncoding(":[]"))));
    return false;
}

QHttpServerResponse WebDesk::file(const QString& relative) const {
    const QString root = QFileInfo(options_.webRoot).canonicalFilePath();
    if (root.isEmpty())
        return QHttpServerResponse(QByteArrayLiteral("text/plain"),
                                   QByteArrayLiteral("The web desk's page is not built (no --web-root folder)."),
                                   Status::NotFound);
    // Canonical paths: a "..", a link or an encoded separator cannot lead outside the root.
    const QFileInfo info(QDir(root).filePath(relative));
    const QString path = info.canonicalFilePath();
    if (path.isEmpty() || !path.startsWith(root + QLatin1Char('/')) || !info.isFile())
        return QHttpServerResponse(Status::NotFound);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QHttpServerResponse(Status::NotFound);
    const QByteArray mime = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name().toLatin1();
    return QHttpServerResponse(mime, f.readAll());
}

void WebDesk::signIn(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    if (!hostAllowed(header(request, "Host")))
        return answer(misdirected(), std::move(responder));
    if (request.body().size() > kMaxMessageBytes)
        return answer(errorResponse(QStringLiteral("Request too large."), Status::PayloadTooLarge),
                      std::move(responder));
    if (!originAllowed(header(request, "Origin"), ownOrigins(header(request, "Host"))))
        return answer(errorResponse(QStringLiteral("Forbidden."), Status::Forbidden), std::move(responder));
    const QJsonDocument document = QJsonDocument::fromJson(request.body());
    const QJsonObject body = document.object();
    if (!body.value(QLatin1String("login")).isString() || !body.value(QLatin1String("password")).isString())
        return answer(errorResponse(QStringLiteral("Give a login and a password."), Status::BadRequest),
                      std::move(responder));
    SignInAttempt attempt;
    attempt.login = body.value(QLatin1String("login")).toString().left(64);
    attempt.password = body.value(QLatin1String("password")).toString().toUtf8();
    attempt.wall = body.value(QLatin1String("wall")).toBool();
    attempt.address =
        clientAddress(request.remoteAddress(), header(request, "X-Forwarded-For"), options_.trustedProxies).toString();
    // The login goes into the log: one that no operator can have (a line break, a control
    // character) is logged by that name, never as written.
    attempt.shown = validUserName(attempt.login) ? attempt.login : QStringLiteral("(not a login name)");
    const qint64 now = nowMs();
    const auto heldBack = [&](const QString& why, const QString& told, qint64 waitMs) {
        log_.error(QStringLiteral("Web desk: sign-in of \"%1\" from %2 held back %3 s: %4")
                       .arg(attempt.shown, attempt.address)
                       .arg((waitMs + 999) / 1000)
                       .arg(why));
        answer(tryLater(told, waitMs), std::move(responder));
    };
    if (const qint64 wait = limiter_.waitMs(attempt.failureKey(), now); wait > 0)
        return heldBack(QStringLiteral("failures"), QStringLiteral("Too many failed sign-ins. Try again later."), wait);
    if (const qint64 wait = loginPace_.wait(attempt.login, now); wait > 0)
        return heldBack(QStringLiteral("signed in too often"),
                        QStringLiteral("Signed in too often as this user. Try again later."), wait);
    if (const qint64 wait = addressPace_.take(attempt.address, now); wait > 0)
        return heldBack(QStringLiteral("too many sign-ins from the address"),
                        QStringLiteral("Too many sign-ins from this address. Try again shortly."), wait);
    OperatorDirectory::Credential credential;
    try {
        credential = OperatorDirectory(*db_).credential(attempt.login);
    } catch (const so::db::DbError& e) {
        log_.error(QStringLiteral("Web desk: the operator directory cannot be read: %1").arg(e.message()));
        return answer(
            errorResponse(QStringLiteral("The site does not answer. Try again later."), Status::ServiceUnavailable),
            std::move(responder));
    }
    attempt.found = credential.found;
    // The password is checked on a worker; the answer is written when it is known, unless the
    // browser went meanwhile.
    auto pending = std::make_shared<QHttpServerResponder>(std::move(responder));
    const QPointer<QTcpSocket> socket = pending->socket();
    const bool queued =
        checks_.check(std::move(credential), attempt.password, [this, attempt, pending, socket](bool ok) {
            QHttpServerResponse response = signedIn(attempt, ok);
            if (socket)
                answer(std::move(response), std::move(*pending));
        });
    if (!queued) {
        log_.error(QStringLiteral("Web desk: sign-in of \"%1\" from %2 refused: %3 sign-ins waiting already")
                       .arg(attempt.shown, attempt.address)
                       .arg(checks_.pending()));
        answer(tryLater(QStringLiteral("The web desk is busy signing others in. Try again shortly."), 1000),
               std::move(*pending));
    }
}

QHttpServerResponse WebDesk::signedIn(const SignInAttempt& attempt, bool passwordMatches) {
    const qint64 now = nowMs();
    if (!passwordMatches || !attempt.found) {
        limiter_.failed(attempt.failureKey(), now);
        log_.error(
            QStringLiteral("Web desk: wrong login or password for \"%1\" from %2").arg(attempt.shown, attempt.address));
        return errorResponse(QStringLiteral("Wrong login or password."), Status::Unauthorized);
    }
    const QString operatorName = attempt.found->login;
    QByteArray evicted;
    WebSession* opened = sessions_.open(attempt.login, operatorName, now, &evicted);
    if (opened == nullptr) {
        log_.error(QStringLiteral("Web desk: no room for a session of %1: %2 sessions open")
                       .arg(attempt.login)
                       .arg(sessions_.size()));
        return errorResponse(QStringLiteral("The web desk has no room for another sign-in. Try again later."),
                             Status::ServiceUnavailable);
    }
    opened->wall = attempt.wall;
    const WebSession session = *opened;
    limiter_.succeeded(attempt.failureKey());
    loginPace_.take(attempt.login, now);
    if (!evicted.isEmpty()) {
        log_.info(QStringLiteral("Web desk: %1 has %2 sessions: the least recently used ended")
                      .arg(attempt.login)
                      .arg(SessionTable::kMaxSessionsPerLogin));
        endSession(evicted, QStringLiteral("Signed in elsewhere: this older sign-in ended."));
    }
    signInAtField(operatorName, attempt.password);
    log_.info(QStringLiteral("Web desk: %1 signed in as operator %2 from %3%4")
                  .arg(attempt.login, operatorName, attempt.address,
                       session.wall ? QStringLiteral(" (a wall display)") : QString()));
    QHttpServerResponse response = jsonResponse(sessionBody(session), Status::Ok);
    response.setHeader("Set-Cookie", sessionCookieHeader(session.token, secureCookies()));
    return response;
}

void WebDesk::signInAtField(const QString& operatorName, const QByteArray& password) {
    if (desk_->isSignedIn(operatorName) || desk_->isSigningIn(operatorName))
        return;
    desk_->signIn(operatorName, password, [this, operatorName](const QString& refusal) {
        if (refusal.isEmpty())
            return;
        // The operator's pages are told; the commands they send are refused until a sign-in
        // the field accepts.
        noticeOperator(operatorName, QStringLiteral("The field did not sign you in: %1").arg(refusal));
    });
}

QHttpServerResponse WebDesk::currentSession(const QHttpServerRequest& request) {
    if (!hostAllowed(header(request, "Host")))
        return misdirected();
    const WebSession* s = sessions_.find(sessionCookie(header(request, "Cookie"), secureCookies()), nowMs());
    if (s == nullptr)
        return errorResponse(QStringLiteral("Not signed in."), Status::Unauthorized);
    return jsonResponse(sessionBody(*s), Status::Ok);
}

QHttpServerResponse WebDesk::signOut(const QHttpServerRequest& request) {
    if (!hostAllowed(header(request, "Host")))
        return misdirected();
    if (request.body().size() > kMaxMessageBytes)
        return errorResponse(QStringLiteral("Request too large."), Status::PayloadTooLarge);
    const WebSession* s = checkedSession(request);
    if (s == nullptr)
        return errorResponse(QStringLiteral("Forbidden."), Status::Forbidden);
    const QByteArray token = s->token;
    log_.info(QStringLiteral("Web desk: %1 signed out").arg(s->login));
    endSession(token, QStringLiteral("Signed out."));
    QHttpServerResponse response(Status::NoContent);
    response.setHeader("Set-Cookie", sessionCookieHeader({}, secureCookies()));
    return response;
}

void WebDesk::newSocket() {
    while (server_.hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = server_.nextPendingWebSocketConnection();
        if (!socket)
            continue;
        connections_->release(socket->peerAddress(), socket->peerPort());
        const QNetworkRequest& request = socket->request();
        const QString peer = socket->peerAddress().toString();
        QString refusal;
        // What the page is told: the tab limits in words (the tab shows them), the rest no more
        // than that it was refused.
        QString told = QStringLiteral("Refused.");
        const WebSession* s = nullptr;
        if (socket->requestUrl().path() != QLatin1String("/ws"))
            refusal = QStringLiteral("not /ws");
        else if (!hostAllowed(request.rawHeader("Host")))
            refusal = QStringLiteral("not an allowed host");
        else if (!socketOriginAllowed(socket->origin().toLatin1(), ownOrigins(request.rawHeader("Host"))))
            refusal = QStringLiteral("Origin %1 is not this server's").arg(socket->origin().left(100));
        else if ((s = sessions_.find(sessionCookie(request.rawHeader("Cookie"), secureCookies()), nowMs())) == nullptr)
            refusal = QStringLiteral("no live session");
        else if (tabs_.size() >= kMaxTabs)
            told = refusal = QStringLiteral("%1 tabs are open on the web desk already.").arg(kMaxTabs);
        else if (std::count_if(tabs_.cbegin(), tabs_.cend(), [&](const WebTab* tab) {
                     return tab->sessionToken() == s->token;
                 }) >= kMaxTabsPerSession)
            told = refusal =
                QStringLiteral("%1 tabs of this sign-in are open already: close one.").arg(kMaxTabsPerSession);
        if (!refusal.isEmpty()) {
            log_.error(QStringLiteral("Web desk: a socket from %1 refused: %2").arg(peer, refusal));
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated, told);
            // Deleted once the close frame went out.
            socket.release()->deleteLater();
            continue;
        }
        tabs_.append(new WebTab(*this, std::move(socket), s->token));
    }
}

}  // namespace sv::web
