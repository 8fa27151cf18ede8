#include "MemoryTransport.h"

namespace sv {

// ---- MemoryBus

bool MemoryBus::matches(const QString& filter, const QString& topic) {
    const QStringList want = filter.split(QLatin1Char('/'));
    const QStringList have = topic.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < want.size(); ++i) {
        if (want[i] == QLatin1String("#"))
            return i == want.size() - 1;
        if (i >= have.size() || (want[i] != QLatin1String("+") && want[i] != have[i]))
            return false;
    }
    return want.size() == have.size();
}

int MemoryBus::deliver(int limit) {
    int handed = 0;
    while (!queue_.isEmpty() && handed < limit) {
        const Message m = queue_.takeFirst();
        ++handed;
        // Looked up per client: a client may leave while it handles a message.
        for (MemoryTransport* client : QVector<MemoryTransport*>(clients_)) {
            if (!clients_.contains(client) || !client->connected_ || (m.to != nullptr && m.to != client))
                continue;
            if (m.to != nullptr || client->subscribes(m.topic))
                client->receive(m.topic, m.payload);
        }
    }
    return handed;
}

void MemoryBus::publish(const QString& topic, const QByteArray& payload, bool retain) {
    if (retain) {
        // As a broker does: an empty retained message deletes the one kept.
        if (payload.isEmpty())
            retained_.remove(topic);
        else
            retained_.insert(topic, payload);
    }
    queue_.append({topic, payload, nullptr});
}

void MemoryBus::connected(MemoryTransport* client) {
    for (auto it = retained_.cbegin(); it != retained_.cend(); ++it)
        if (client->subscribes(it.key()))
            queue_.append({it.key(), it.value(), client});
}

void MemoryBus::leave(MemoryTransport* client) {
    clients_.removeAll(client);
    queue_.removeIf([client](const Message& m) { return m.to == client; });
}

// ---- MemoryTransport

MemoryTransport::MemoryTransport(MemoryBus& bus, QStringList subscriptions)
    : bus_(bus), subscriptions_(std::move(subscriptions)) {
    bus_.clients_.append(this);
}

MemoryTransport::~MemoryTransport() { bus_.leave(this); }

void MemoryTransport::connect() {
    if (connected_)
        return;
    connected_ = true;
    bus_.connected(this);
    for (const Held& h : std::exchange(held_, {}))
        bus_.publish(h.topic, h.payload, h.retain);
    if (onConnected)
        onConnected();
}

void MemoryTransport::drop() { lost(QStringLiteral("the connection was dropped"), true); }

void MemoryTransport::disconnect() { lost(QStringLiteral("disconnected"), false); }

void MemoryTransport::lost(const QString& reason, bool withWill) {
    if (!connected_)
        return;
    connected_ = false;
    if (withWill && !willTopic_.isEmpty())
        bus_.publish(willTopic_, willPayload_, true);
    if (onDisconnected)
        onDisconnected(reason);
}

bool MemoryTransport::publish(const QString& topic, const QByteArray& payload, Qos qos, bool retain) {
    if (connected_) {
        bus_.publish(topic, payload, retain);
        return true;
    }
    if (qos == AtMostOnce)
        return false;
    held_.append({topic, payload, retain});
    return true;
}

void MemoryTransport::setLastWill(const QString& topic, const QByteArray& payload) {
    willTopic_ = topic;
    willPayload_ = payload;
}

bool MemoryTransport::subscribes(const QString& topic) const {
    for (const QString& filter : subscriptions_)
        if (MemoryBus::matches(filter, topic))
            return true;
    return false;
}

void MemoryTransport::receive(const QString& topic, const QByteArray& payload) {
    if (payload.size() > kMaxPayloadBytes) {
        if (!oversizedTopics_.contains(topic)) {
            oversizedTopics_.insert(topic);
            if (onOversized)
                onOversized(topic, payload.size());
        }
        return;
    }
    if (onMessage)
        onMessage(topic, payload);
}

}  // namespace sv
