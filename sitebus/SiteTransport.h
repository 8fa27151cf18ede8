// What the links of a multi-desk site need of the message bus between the processes: publish and
// subscribe by topic, messages the bus keeps for later subscribers (retained), a last will it
// publishes when a client goes away without a word, and whether the client is connected. The
// broker connection (MqttLink) is one transport; MemoryTransport, in one process and driven step by
// step, is the other, for tests.
//
// Every callback runs in the thread that owns the transport.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace sv {

class SiteTransport {
public:
    /// Quality of service of a publication: 0 at most once, 1 at least once.
    enum Qos { AtMostOnce = 0, AtLeastOnce = 1 };
    /// The largest payload a transport hands on; a larger one is dropped and told (onOversized).
    static constexpr int kMaxPayloadBytes = 262144;

    virtual ~SiteTransport() = default;

    virtual bool isConnected() const = 0;
    /// Hands a message over; false when it could not be queued (link down, for at-most-once
    /// messages) or was refused. A retained message is kept for every later subscriber (the
    /// newest one per topic).
    virtual bool publish(const QString& topic, const QByteArray& payload, Qos qos, bool retain = false) = 0;
    /// The message published (retained, at least once) when this client goes away without saying
    /// goodbye: killed, hung, or its network gone. Before the transport starts only.
    virtual void setLastWill(const QString& topic, const QByteArray& payload) = 0;
    /// Messages handed over and not yet taken by the bus.
    virtual int unacknowledged() const = 0;
    /// Waits (here, at most timeoutMs) until every message handed over was taken.
    virtual bool waitUntilAcknowledged(int timeoutMs) const = 0;

    std::function<void()> onConnected;
    std::function<void(const QString& reason)> onDisconnected;
    std::function<void(const QString& topic, const QByteArray& payload)> onMessage;
    /// The client cannot connect, and why: the bus refused the login or closed the connection
    /// before accepting it, its certificate is not trusted, or nothing answers at its address.
    /// Told once per reason while the link is down.
    std::function<void(const QString& reason)> onRefused;
    /// A payload larger than kMaxPayloadBytes arrived on topic and was dropped (told once per topic).
    std::function<void(const QString& topic, qint64 bytes)> onOversized;
};

}  // namespace sv
