#include "MqttLink.h"

#include "StartupError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMetaObject>
#include <QRandomGenerator>
#include <QThread>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QUrl>

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace sv {
namespace {

void initLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString libraryError(int rc) { return QString::fromLocal8Bit(mosquitto_strerror(rc)); }

/// How long one pass of the library's loop waits for the network.
constexpr int kLoopMs = 250;

}  // namespace

int ReconnectBackoff::next(double fraction) {
    const int wait = step_ / 2 + int(std::clamp(fraction, 0.0, 1.0) * double(step_ / 2));
    step_ = std::min(step_ * 2, kMaxMs);
    return wait;
}

bool parseBrokerUrl(const QString& url, BrokerSettings& settings, QString& error) {
    const QUrl parsed(url.trimmed(), QUrl::StrictMode);
    if (!parsed.isValid() || parsed.scheme() != QLatin1String("mqtt") || parsed.host().isEmpty() ||
        !(parsed.path().isEmpty() || parsed.path() == QLatin1String("/")) || !parsed.userInfo().isEmpty() ||
        parsed.hasQuery() || parsed.hasFragment()) {
        error = QStringLiteral("--broker expects mqtt://HOST:PORT, not \"%1\"").arg(url);
        return false;
    }
    settings.host = parsed.host();
    settings.port = parsed.port(1883);
    return true;
}

MqttLink::MqttLink(const BrokerSettings& settings, const QString& clientId, QStringList subscriptions)
    : settings_(settings), subscriptions_(std::move(subscriptions)) {
    initLibrary();
    mosq_ = mosquitto_new(clientId.toUtf8().constData(), true, this);
    if (mosq_ == nullptr)
        throw StartupError(QStringLiteral("The broker client cannot be created"));
    mosquitto_connect_callback_set(mosq_, &MqttLink::connectCallback);
    mosquitto_disconnect_callback_set(mosq_, &MqttLink::disconnectCallback);
    mosquitto_message_callback_set(mosq_, &MqttLink::messageCallback);
    mosquitto_publish_callback_set(mosq_, &MqttLink::publishCallback);
    // The link's own thread drives the library (run()), while the application publishes from its
    // thread.
    mosquitto_threaded_set(mosq_, true);
    // Every message handed over is queued, however many are in flight: the field's batches are
    // few, and a desk must not drop its own commands while the broker is slow to acknowledge.
    mosquitto_max_inflight_messages_set(mosq_, 0);

    if (!settings_.user.isEmpty()) {
        QByteArray password;
        if (!settings_.passwordFile.isEmpty()) {
            QFile file(settings_.passwordFile);
            if (!file.open(QIODevice::ReadOnly))
                throw StartupError(QStringLiteral("The broker password file %1 cannot be read: %2")
                                       .arg(settings_.passwordFile, file.errorString()));
            password = file.readLine().trimmed();
        }
        const int rc = mosquitto_username_pw_set(mosq_, settings_.user.toUtf8().constData(),
                                                 password.isEmpty() ? nullptr : password.constData());
        password.fill('\0');
        if (rc != MOSQ_ERR_SUCCESS)
            throw StartupError(QStringLiteral("The broker login is refused: %1").arg(libraryError(rc)));
    }
    if (!settings_.tlsCaFile.isEmpty()) {
        const int rc =
            mosquitto_tls_set(mosq_, settings_.tlsCaFile.toLocal8Bit().constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            throw StartupError(QStringLiteral("The broker's CA file %1 cannot be used: %2")
                                   .arg(settings_.tlsCaFile, libraryError(rc)));
    }
}

MqttLink::~MqttLink() {
    if (thread_) {
        stopping_ = true;
        mosquitto_disconnect(mosq_);
        {
            const std::lock_guard<std::mutex> lock(pauseMutex_);
            pauseWake_.notify_all();
        }
        thread_->wait();
    }
    mosquitto_destroy(mosq_);
}

QString MqttLink::address() const { return QStringLiteral("%1:%2").arg(settings_.host).arg(settings_.port); }

void MqttLink::start() {
    const int rc =
        mosquitto_connect_async(mosq_, settings_.host.toUtf8().constData(), settings_.port, kKeepAliveSeconds);
    if (rc == MOSQ_ERR_TLS)
        throw StartupError(QStringLiteral("The broker %1 cannot be used: %2").arg(address(), tlsFailure()));
    // A broker not there yet is no failure: the network thread keeps trying.
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_ERRNO && rc != MOSQ_ERR_CONN_REFUSED)
        throw StartupError(QStringLiteral("The broker %1 cannot be used: %2").arg(address(), libraryError(rc)));
    const int error = errno;
    thread_.reset(QThread::create([this, rc, error] {
        if (rc != MOSQ_ERR_SUCCESS)
            failed(rc, error);
        run(rc);
    }));
    thread_->start();
}

bool MqttLink::publish(const QString& topic, const QByteArray& payload, Qos qos, bool retain) {
    // Counted before it is handed over: the network thread may acknowledge it before publish returns.
    unacknowledged_.fetch_add(1, std::memory_order_relaxed);
    const int rc = mosquitto_publish(mosq_, nullptr, topic.toUtf8().constData(), int(payload.size()),
                                     payload.constData(), int(qos), retain);
    // An at-least-once message is kept by the library while the link is down and sent on reconnection.
    const bool queued = rc == MOSQ_ERR_SUCCESS || (qos == AtLeastOnce && rc == MOSQ_ERR_NO_CONN);
    if (!queued)
        unacknowledged_.fetch_sub(1, std::memory_order_relaxed);
    return queued;
}

void MqttLink::setLastWill(const QString& topic, const QByteArray& payload) {
    const int rc = mosquitto_will_set(mosq_, topic.toUtf8().constData(), int(payload.size()), payload.constData(),
                                      int(AtLeastOnce), true);
    if (rc != MOSQ_ERR_SUCCESS)
        throw StartupError(QStringLiteral("The broker client refuses its last will: %1").arg(libraryError(rc)));
}

bool MqttLink::waitUntilAcknowledged(int timeoutMs) const {
    QElapsedTimer clock;
    clock.start();
    while (unacknowledged() > 0 && connected_ && clock.elapsed() < timeoutMs)
        QThread::msleep(5);
    return unacknowledged() <= 0;
}

QString MqttLink::tlsFailure() const {
    QSslSocket socket;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setCaCertificates(QSslCertificate::fromPath(settings_.tlsCaFile));
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    socket.setSslConfiguration(config);
    socket.connectToHostEncrypted(settings_.host, quint16(settings_.port));
    if (socket.waitForEncrypted(kTlsDiagnosisMs))
        return QStringLiteral("a TLS error occurred (the certificate checks passed on a second try)");
    const QList<QSslError> errors = socket.sslHandshakeErrors();
    for (const QSslError& e : errors) {
        if (e.error() == QSslError::HostNameMismatch)
            return QStringLiteral("its TLS certificate is issued for %1, not for \"%2\"")
                .arg(e.certificate().subjectAlternativeNames().values().join(QStringLiteral(", ")), settings_.host);
    }
    if (!errors.isEmpty())
        return QStringLiteral("its TLS certificate is not signed by the certificate authority in %1 (%2)")
            .arg(settings_.tlsCaFile, errors.first().errorString());
    switch (socket.error()) {
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::NetworkError:
        return QStringLiteral("nothing answers at %1 (%2): the broker is not running there, or is restarting")
            .arg(address(), socket.errorString());
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("no TLS handshake within %1 s at %2: the broker is hung or overloaded")
            .arg(kTlsDiagnosisMs / 1000)
            .arg(address());
    default: break;
    }
    return QStringLiteral("no TLS handshake at that port (%1): is it the broker's plain port?")
        .arg(socket.errorString());
}

// ---- on the network thread

void MqttLink::run(int rc) {
    ReconnectBackoff backoff;
    while (!stopping_) {
        if (rc == MOSQ_ERR_SUCCESS) {
            errno = 0;  // what the library's failure leaves in it is read as its cause
            rc = mosquitto_loop(mosq_, kLoopMs, 1);
            if (rc == MOSQ_ERR_SUCCESS || stopping_)
                continue;
            failed(rc, std::exchange(closedErrno_, 0));
        }
        // Lost, refused or not reached: connect again after a wait, however the library failed.
        if (std::exchange(accepted_, false))
            backoff.reset();
        if (!pause(backoff.next(QRandomGenerator::global()->generateDouble())))
            break;
        // The library would wait out its keepalive on a TLS connection the broker's host refuses:
        // a plain look first says at once that nothing answers.
        if (const QString why = unreachable(); !why.isEmpty()) {
            QMetaObject::invokeMethod(
                this, [this, why] { refused(why); }, Qt::QueuedConnection);
            rc = MOSQ_ERR_NO_CONN;
            continue;
        }
        errno = 0;
        rc = mosquitto_reconnect_async(mosq_);
        if (rc != MOSQ_ERR_SUCCESS)
            failed(rc, errno);
    }
}

QString MqttLink::unreachable() const {
    QTcpSocket socket;
    socket.connectToHost(settings_.host, quint16(settings_.port));
    if (socket.waitForConnected(kProbeMs)) {
        socket.abort();
        return {};
    }
    return QStringLiteral("nothing answers at %1 (%2): the broker is not running there, or is restarting")
        .arg(address(), socket.errorString());
}

bool MqttLink::pause(int ms) {
    std::unique_lock<std::mutex> lock(pauseMutex_);
    return !pauseWake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_.load(); });
}

void MqttLink::failed(int rc, int errorNumber) {
    if (accepted_) {
        // A connection the broker had accepted is gone.
        QString reason;
        // A reset, a broken pipe, or (under TLS) a stream cut short without its closing record:
        // the broker went away, as a killed or restarted broker does.
        if (rc == MOSQ_ERR_KEEPALIVE)
            reason = QStringLiteral("the broker stopped answering (nothing for %1 s)").arg(kKeepAliveSeconds);
        else if (rc == MOSQ_ERR_ERRNO && errorNumber != 0 && errorNumber != ECONNRESET && errorNumber != EPIPE &&
                 !(errorNumber == EPROTO && !settings_.tlsCaFile.isEmpty()))
            reason = QStringLiteral("the connection to the broker failed: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errorNumber)));
        else
            reason = QStringLiteral(
                "the broker closed the connection (it stopped or restarted, or the network "
                "dropped it)");
        QMetaObject::invokeMethod(
            this, [this, reason] { setConnected(false, reason); }, Qt::QueuedConnection);
        return;
    }
    if (std::exchange(answered_, false))
        return;  // the broker's refusal was told as it came
    const QString reason = attemptFailure(rc, errorNumber);
    QMetaObject::invokeMethod(
        this, [this, reason] { refused(reason); }, Qt::QueuedConnection);
}

QString MqttLink::attemptFailure(int rc, int errorNumber) {
    if (errorNumber == ECONNREFUSED || errorNumber == EHOSTUNREACH || errorNumber == ENETUNREACH ||
        errorNumber == ETIMEDOUT)
        return QStringLiteral("nothing answers at %1 (%2): the broker is not running there, or is restarting")
            .arg(address(), QString::fromLocal8Bit(std::strerror(errorNumber)));
    if (rc == MOSQ_ERR_TLS && !settings_.tlsCaFile.isEmpty()) {
        // One look per failing run of attempts: the diagnosis makes a connection of its own.
        if (!std::exchange(tlsDiagnosed_, true))
            tlsReason_ = tlsFailure();
        return tlsReason_;
    }
    if (rc == MOSQ_ERR_KEEPALIVE)
        return QStringLiteral("the broker at %1 did not answer within %2 s: it is hung or overloaded")
            .arg(address())
            .arg(kKeepAliveSeconds);
    if (rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_ERRNO || rc == MOSQ_ERR_PROTOCOL)
        return QStringLiteral("the broker closed the connection before accepting this client (%1)%2")
            .arg(rc == MOSQ_ERR_ERRNO && errorNumber != 0 ? QString::fromLocal8Bit(std::strerror(errorNumber))
                                                          : libraryError(rc),
                 settings_.tlsCaFile.isEmpty()
                     ? QStringLiteral("; a TLS port takes only TLS clients (--broker-tls CAFILE)")
                     : QString());
    return libraryError(rc);
}

void MqttLink::connectCallback(struct mosquitto* mosq, void* self, int rc) {
    auto* link = static_cast<MqttLink*>(self);
    if (rc != 0) {
        // Refused (bad login, not authorised): tried again after the backoff; the reason is told once.
        link->answered_ = true;
        const QString reason = QString::fromLocal8Bit(mosquitto_connack_string(rc));
        QMetaObject::invokeMethod(
            link, [link, reason] { link->refused(reason); }, Qt::QueuedConnection);
        return;
    }
    link->accepted_ = true;
    link->answered_ = false;
    link->tlsDiagnosed_ = false;
    for (const QString& topic : std::as_const(link->subscriptions_))
        mosquitto_subscribe(mosq, nullptr, topic.toUtf8().constData(), int(AtLeastOnce));
    QMetaObject::invokeMethod(
        link, [link] { link->setConnected(true, {}); }, Qt::QueuedConnection);
}

void MqttLink::disconnectCallback(struct mosquitto*, void* self, int) {
    static_cast<MqttLink*>(self)->closedErrno_ = errno;
}

void MqttLink::messageCallback(struct mosquitto*, void* self, const struct ::mosquitto_message* message) {
    auto* link = static_cast<MqttLink*>(self);
    QString topic = QString::fromUtf8(message->topic);
    if (message->payloadlen > kMaxPayloadBytes) {
        const qint64 bytes = message->payloadlen;
        QMetaObject::invokeMethod(
            link, [link, topic = std::move(topic), bytes] { link->oversized(topic, bytes); }, Qt::QueuedConnection);
        return;
    }
    QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
    QMetaObject::invokeMethod(
        link,
        [link, topic = std::move(topic), payload = std::move(payload)] {
            if (link->onMessage)
                link->onMessage(topic, payload);
        },
        Qt::QueuedConnection);
}

void MqttLink::publishCallback(struct mosquitto*, void* self, int) {
    static_cast<MqttLink*>(self)->unacknowledged_.fetch_sub(1, std::memory_order_relaxed);
}

// ---- on the link's thread

void MqttLink::setConnected(bool up, const QString& reason) {
    if (up == connected_)
        return;
    connected_ = up;
    refusal_.clear();
    if (up && onConnected)
        onConnected();
    if (!up && onDisconnected)
        onDisconnected(reason);
}

void MqttLink::oversized(const QString& topic, qint64 bytes) {
    if (oversizedTopics_.contains(topic))
        return;
    oversizedTopics_.insert(topic);
    if (onOversized)
        onOversized(topic, bytes);
}

void MqttLink::refused(const QString& reason) {
    if (reason == refusal_)
        return;
    refusal_ = reason;
    if (onRefused)
        onRefused(reason);
}

}  // namespace sv
