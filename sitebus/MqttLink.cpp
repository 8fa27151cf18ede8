#include "MqttLink.h"

#include "StartupError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMetaObject>
#include <QThread>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QUrl>

#include <mosquitto.h>

#include <mutex>

namespace sv {
namespace {

void initLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString libraryError(int rc) { return QString::fromLocal8Bit(mosquitto_strerror(rc)); }

}  // namespace

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
    mosquitto_log_callback_set(mosq_, &MqttLink::logCallback);
    mosquitto_reconnect_delay_set(mosq_, 1, 2, false);
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
    if (started_) {
        mosquitto_disconnect(mosq_);
        // A thread waiting to reconnect is cancelled rather than waited for.
        mosquitto_loop_stop(mosq_, !connected_);
    }
    mosquitto_destroy(mosq_);
}

void MqttLink::start() {
    int rc = mosquitto_connect_async(mosq_, settings_.host.toUtf8().constData(), settings_.port, kKeepAliveSeconds);
    if (rc == MOSQ_ERR_TLS)
        throw StartupError(QStringLiteral("The broker %1:%2 cannot be used: %3")
                               .arg(settings_.host)
                               .arg(settings_.port)
                               .arg(tlsFailure()));
    // A broker not there yet is no failure: the network thread keeps trying.
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_ERRNO && rc != MOSQ_ERR_CONN_REFUSED)
        throw StartupError(QStringLiteral("The broker %1:%2 cannot be used: %3")
                               .arg(settings_.host)
                               .arg(settings_.port)
                               .arg(libraryError(rc)));
    rc = mosquitto_loop_start(mosq_);
    if (rc != MOSQ_ERR_SUCCESS)
        throw StartupError(QStringLiteral("The broker client cannot start: %1").arg(libraryError(rc)));
    started_ = true;
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
    return QStringLiteral("no TLS handshake at that port (%1): is it the broker's plain port?")
        .arg(socket.errorString());
}

// ---- on the network thread

void MqttLink::connectCallback(struct mosquitto* mosq, void* self, int rc) {
    auto* link = static_cast<MqttLink*>(self);
    if (rc != 0) {
        // Refused (bad login, not authorised): the library tries again; the reason is told once.
        const QString reason = QString::fromLocal8Bit(mosquitto_connack_string(rc));
        QMetaObject::invokeMethod(
            link,
            [link, reason] {
                link->answered_ = true;
                link->refused(reason);
            },
            Qt::QueuedConnection);
        return;
    }
    for (const QString& topic : std::as_const(link->subscriptions_))
        mosquitto_subscribe(mosq, nullptr, topic.toUtf8().constData(), int(AtLeastOnce));
    QMetaObject::invokeMethod(
        link, [link] { link->setConnected(true, {}); }, Qt::QueuedConnection);
}

void MqttLink::logCallback(struct mosquitto*, void* self, int level, const char* text) {
    // The library tells a failed TLS handshake of a reconnection only here.
    auto* link = static_cast<MqttLink*>(self);
    if ((level & MOSQ_LOG_ERR) == 0 || link->settings_.tlsCaFile.isEmpty())
        return;
    const QString line = QString::fromLocal8Bit(text);
    QMetaObject::invokeMethod(
        link, [link, line] { link->libraryLogged(line); }, Qt::QueuedConnection);
}

void MqttLink::disconnectCallback(struct mosquitto*, void* self, int rc) {
    auto* link = static_cast<MqttLink*>(self);
    const QString reason = rc == 0 ? QStringLiteral("disconnected") : libraryError(rc);
    QMetaObject::invokeMethod(
        link,
        [link, reason] {
            // Closed before the broker answered the client at all: nothing else would ever say why.
            if (!link->connected_ && !std::exchange(link->answered_, false))
                link->refused(QStringLiteral("the broker closed the connection before accepting this client (%1); "
                                             "a TLS port takes only TLS clients (--broker-tls CAFILE)")
                                  .arg(reason));
            link->setConnected(false, reason);
        },
        Qt::QueuedConnection);
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
    answered_ = false;
    if (up)
        tlsDiagnosed_ = false;
    if (up == connected_)
        return;
    connected_ = up;
    refusal_.clear();
    if (up && onConnected)
        onConnected();
    if (!up && onDisconnected)
        onDisconnected(reason);
}

void MqttLink::libraryLogged(const QString& line) {
    // One look per failing run of attempts: the diagnosis makes a connection of its own.
    if (tlsDiagnosed_ || !line.contains(QLatin1String("SSL")))
        return;
    tlsDiagnosed_ = true;
    refused(tlsFailure());
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
