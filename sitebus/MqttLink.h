// One connection to the site's MQTT broker, over the broker project's own client library
// (libmosquitto): small, plain C, packaged by Debian beside the broker.
//
// The link runs its own network thread for as long as it lives: the thread drives the library
// and, after any loss or failed attempt (the broker killed or restarted, a TLS session cut, the
// network gone, a refused login), waits (ReconnectBackoff) and connects again, whatever the
// library reports; the library's own thread gives up for good on some TLS errors, which a broker
// restart produces. The thread names the real cause of each loss and each failed attempt (the
// broker closed the connection, nothing answers at its address, its certificate is not trusted
// ...) once per reason.
//
// The network thread never touches the application: what it learns (connected, lost, a message)
// is queued into the thread that owns the link, the Qt user-interface thread, and handed to the
// callbacks there. On every (re)connection the link subscribes to its topics again before it says
// it is connected. A password comes from a file only and is never logged. A payload larger than
// kMaxPayloadBytes is dropped on the network thread, before it is copied, and told once per topic
// (on a site each sender publishes on topics of its own).
#pragma once

#include "SiteTransport.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QSet>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QThread;

struct mosquitto;
struct mosquitto_message;

namespace sv {

/// Where the broker is and how to log in.
struct BrokerSettings {
    QString host;
    int port = 1883;
    /// Empty: no login (a broker that takes anonymous clients).
    QString user;
    /// File whose first line is the password.
    QString passwordFile;
    /// CA certificate file: the connection uses TLS and checks the broker's certificate.
    QString tlsCaFile;
    /// The site's name in the topic tree, site/<site>/...
    QString site = QStringLiteral("main");
};

/// Reads "mqtt://HOST[:PORT]" (default port 1883); false with why in error for anything else.
bool parseBrokerUrl(const QString& url, BrokerSettings& settings, QString& error);

/// The wait before each reconnection attempt: a step that starts at kFirstMs and doubles after
/// every failed attempt up to kMaxMs, each wait drawn between half and all of the step, so that
/// the desks a broker restart cut off together do not all come back in the same instant.
class ReconnectBackoff {
public:
    static constexpr int kFirstMs = 250;
    static constexpr int kMaxMs = 4000;

    /// The next wait; fraction (0 to 1, random) places it within the step.
    int next(double fraction);
    /// After a connection the broker accepted: the next loss starts again at kFirstMs.
    void reset() { step_ = kFirstMs; }

private:
    int step_ = kFirstMs;
};

class MqttLink final : public QObject, public SiteTransport {
public:
    /// Seconds between the broker's checks that the client is still there.
    static constexpr int kKeepAliveSeconds = 5;
    /// How long start() looks into a failed TLS handshake to say why it failed.
    static constexpr int kTlsDiagnosisMs = 3000;
    /// How long a reconnection first waits for the broker's address to accept a connection.
    static constexpr int kProbeMs = 2000;

    /// Sets the link up (nothing is sent before start()); throws StartupError when the password
    /// file cannot be read or the library refuses the settings.
    MqttLink(const BrokerSettings& settings, const QString& clientId, QStringList subscriptions);
    /// Disconnects and stops the network thread; no callback runs afterwards.
    ~MqttLink() override;
    MqttLink(const MqttLink&) = delete;
    MqttLink& operator=(const MqttLink&) = delete;

    /// Connects in the background and keeps reconnecting while the broker is away
    /// (ReconnectBackoff). Throws StartupError when the broker's address or TLS settings cannot be
    /// used at all (saying why).
    void start();
    bool isConnected() const override { return connected_; }
    /// Hands a message to the network thread; false when it could not be queued (link down, for
    /// at-most-once messages) or the library refused it. A retained message is kept by the broker
    /// for every later subscriber (the newest one per topic).
    bool publish(const QString& topic, const QByteArray& payload, Qos qos, bool retain = false) override;
    /// The message the broker publishes (retained, at least once) when this client goes away
    /// without saying goodbye: killed, hung, or its network gone. Before start() only.
    void setLastWill(const QString& topic, const QByteArray& payload) override;
    /// Messages handed over and not yet sent (at most once) or acknowledged by the broker (at least once).
    int unacknowledged() const override { return unacknowledged_.load(std::memory_order_relaxed); }
    /// Waits (here, at most timeoutMs) until every message handed over was acknowledged.
    bool waitUntilAcknowledged(int timeoutMs) const override;

private:
    static void connectCallback(struct mosquitto*, void* self, int rc);
    static void disconnectCallback(struct mosquitto*, void* self, int rc);
    static void messageCallback(struct mosquitto*, void* self, const struct ::mosquitto_message* message);
    static void publishCallback(struct mosquitto*, void* self, int mid);

    // ---- on the network thread
    /// Drives the library until the link is destroyed; rc: what start()'s first attempt returned.
    void run(int rc);
    /// A connection or an attempt ended with rc (errorNumber: errno then): says why, once.
    void failed(int rc, int errorNumber);
    /// Why an attempt that never reached the broker's answer failed.
    QString attemptFailure(int rc, int errorNumber);
    /// Why nothing accepts a connection at the broker's address; empty when something does.
    QString unreachable() const;
    /// Waits ms, or less when the link is being destroyed; false then.
    bool pause(int ms);

    // ---- on the link's thread
    void setConnected(bool up, const QString& reason);
    void refused(const QString& reason);
    void oversized(const QString& topic, qint64 bytes);
    /// Why a TLS handshake with the broker fails, found by trying one with Qt's TLS (either thread).
    QString tlsFailure() const;
    QString address() const;

    BrokerSettings settings_;
    QStringList subscriptions_;
    struct mosquitto* mosq_ = nullptr;
    std::unique_ptr<QThread> thread_;
    std::atomic<bool> stopping_{false};
    std::mutex pauseMutex_;
    std::condition_variable pauseWake_;
    bool connected_ = false;
    QString refusal_;
    std::atomic<int> unacknowledged_{0};
    QSet<QString> oversizedTopics_;

    // Only the network thread reads and writes these.
    /// The broker accepted the current connection.
    bool accepted_ = false;
    /// The broker answered the current attempt with a refusal (already told).
    bool answered_ = false;
    /// errno when the library last reported the connection closed.
    int closedErrno_ = 0;
    /// A failed TLS handshake was looked into since the link was last up, and what it found.
    bool tlsDiagnosed_ = false;
    QString tlsReason_;
};

}  // namespace sv
