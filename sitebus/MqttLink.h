// One connection to the site's MQTT broker, over the broker project's own client library
// (libmosquitto): small, plain C, packaged by Debian beside the broker, with its own network
// thread that reconnects by itself.
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
#include <functional>

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

class MqttLink final : public QObject, public SiteTransport {
public:
    /// Seconds between the broker's checks that the client is still there.
    static constexpr int kKeepAliveSeconds = 5;
    /// How long start() looks into a failed TLS handshake to say why it failed.
    static constexpr int kTlsDiagnosisMs = 3000;

    /// Sets the link up (nothing is sent before start()); throws StartupError when the password
    /// file cannot be read or the library refuses the settings.
    MqttLink(const BrokerSettings& settings, const QString& clientId, QStringList subscriptions);
    /// Disconnects and stops the network thread; no callback runs afterwards.
    ~MqttLink() override;
    MqttLink(const MqttLink&) = delete;
    MqttLink& operator=(const MqttLink&) = delete;

    /// Connects in the background and keeps reconnecting (after 1 s, then up to 2 s) while the
    /// broker is away. Throws StartupError when the network thread cannot start, or when the
    /// broker's TLS certificate is refused (saying why: not signed by the CA given, issued for
    /// another host name, no TLS spoken at that port ...).
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
    static void logCallback(struct mosquitto*, void* self, int level, const char* text);
    void setConnected(bool up, const QString& reason);
    void refused(const QString& reason);
    void oversized(const QString& topic, qint64 bytes);
    /// An error the library logged: a failed TLS handshake is looked into once.
    void libraryLogged(const QString& line);
    /// Why a TLS handshake with the broker fails, found by trying one with Qt's TLS.
    QString tlsFailure() const;

    BrokerSettings settings_;
    QStringList subscriptions_;
    struct mosquitto* mosq_ = nullptr;
    bool started_ = false;
    bool connected_ = false;
    QString refusal_;
    std::atomic<int> unacknowledged_{0};
    /// The broker answered the current connection attempt (refused it).
    bool answered_ = false;
    /// The TLS handshake's failure was looked into since the link was last up.
    bool tlsDiagnosed_ = false;
    QSet<QString> oversizedTopics_;
};

}  // namespace sv
