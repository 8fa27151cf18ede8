// A message bus inside one process, for tests: the transports of a field and its desks on one
// MemoryBus, each message delivered when the test calls deliver(), so that every step of a
// session, a resync or a refused command happens in an order the test decides.
//
// It keeps what a broker keeps: the newest retained message per topic (handed to a later
// subscriber on connection), a client's last will (published when the client is dropped, not when
// it disconnects in order), at-least-once messages of a disconnected client (sent on its next
// connection), and it drops a payload over kMaxPayloadBytes, told once per topic.
#pragma once

#include "SiteTransport.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>
#include <QVector>

namespace sv {

class MemoryTransport;

class MemoryBus {
public:
    /// Hands every waiting message to its subscribers, those published meanwhile included, at most
    /// limit messages; returns how many were handed on.
    int deliver(int limit = 100000);
    /// True when topic matches filter: "+" stands for one level, a final "#" for the rest.
    static bool matches(const QString& filter, const QString& topic);

private:
    friend class MemoryTransport;
    struct Message {
        QString topic;
        QByteArray payload;
        /// Only this client (a retained message on its connection); nullptr: every subscriber.
        MemoryTransport* to = nullptr;
    };
    void publish(const QString& topic, const QByteArray& payload, bool retain);
    void connected(MemoryTransport* client);
    void leave(MemoryTransport* client);

    QVector<MemoryTransport*> clients_;
    QHash<QString, QByteArray> retained_;
    QList<Message> queue_;
};

class MemoryTransport final : public SiteTransport {
public:
    MemoryTransport(MemoryBus& bus, QStringList subscriptions);
    /// Leaves the bus without its last will.
    ~MemoryTransport() override;
    MemoryTransport(const MemoryTransport&) = delete;
    MemoryTransport& operator=(const MemoryTransport&) = delete;

    /// Connects: the retained messages of its topics are queued for it, the at-least-once messages
    /// published while away are sent, then onConnected is told.
    void connect();
    /// Goes away without a word (killed, network gone): the bus publishes its last will.
    void drop();
    /// Disconnects in order: no last will.
    void disconnect();

    bool isConnected() const override { return connected_; }
    bool publish(const QString& topic, const QByteArray& payload, Qos qos, bool retain = false) override;
    void setLastWill(const QString& topic, const QByteArray& payload) override;
    /// The bus takes every message at once.
    int unacknowledged() const override { return 0; }
    bool waitUntilAcknowledged(int) const override { return true; }

private:
    friend class MemoryBus;
    bool subscribes(const QString& topic) const;
    void receive(const QString& topic, const QByteArray& payload);
    void lost(const QString& reason, bool withWill);

    struct Held {
        QString topic;
        QByteArray payload;
        bool retain = false;
    };
    MemoryBus& bus_;
    QStringList subscriptions_;
    bool connected_ = false;
    QString willTopic_;
    QByteArray willPayload_;
    QVector<Held> held_;
    QSet<QString> oversizedTopics_;
};

}  // namespace sv
