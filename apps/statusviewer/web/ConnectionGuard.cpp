#include "web/ConnectionGuard.h"

#include <QTcpServer>

#include <algorithm>

namespace sv::web {

ConnectionGuard::ConnectionGuard(std::function<qint64()> clock, QList<QHostAddress> exempt)
    : clock_(std::move(clock)), exempt_(std::move(exempt)) {
    sweep_.setInterval(kSweepMs);
    connect(&sweep_, &QTimer::timeout, this, &ConnectionGuard::sweep);
    sweep_.start();
}

void ConnectionGuard::watch(QTcpServer* server) {
    // Connected after the HTTP server's own slot: by the time this runs, the server has taken the
    // new sockets (children of the listening server) and set them up.
    connect(server, &QTcpServer::pendingConnectionAvailable, this, [this, server] { accepted(server); });
    connect(server, &QTcpServer::newConnection, this, [this, server] { accepted(server); });
}

void ConnectionGuard::accepted(QTcpServer* server) {
    for (QTcpSocket* socket : server->findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly))
        if (!connections_.contains(socket) && socket->state() == QAbstractSocket::ConnectedState)
            add(socket);
}

void ConnectionGuard::release(const QHostAddress& peer, quint16 port) {
    // Kept (marked) until the socket goes, so that it is not taken for a new connection.
    for (Connection& c : connections_)
        if (c.socket && c.socket->peerPort() == port && c.peer == peer)
            c.released = true;
}

void ConnectionGuard::add(QTcpSocket* socket) {
    const QHostAddress peer = socket->peerAddress();
    const bool exempt = std::any_of(exempt_.cbegin(), exempt_.cend(), [&](const QHostAddress& a) {
        return a.isEqual(peer, QHostAddress::TolerantConversion);
    });
    const auto fromPeer = std::count_if(connections_.cbegin(), connections_.cend(),
                                        [&](const Connection& c) { return c.socket && c.peer == peer; });
    if (!exempt && fromPeer >= kMaxPerAddress) {
        ++refused_;
        socket->abort();
        return;
    }
    connections_.insert(socket, Connection{socket, peer, clock_(), false});
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        const auto it = connections_.find(socket);
        if (it != connections_.end() && !it->asking) {
            it->asking = true;
            it->sinceMs = clock_();
        }
    });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
        const auto it = connections_.find(socket);
        if (it != connections_.end()) {
            it->asking = false;
            it->sinceMs = clock_();
        }
    });
    connect(socket, &QObject::destroyed, this, [this, socket] { connections_.remove(socket); });
}

void ConnectionGuard::sweep() {
    const qint64 now = clock_();
    for (auto it = connections_.begin(); it != connections_.end();) {
        QTcpSocket* socket = it->socket;
        if (socket == nullptr) {
            it = connections_.erase(it);
            continue;
        }
        if (it->released) {
            ++it;
            continue;
        }
        const qint64 limit = it->asking ? kRequestMs : kIdleMs;
        if (now - it->sinceMs > limit) {
            ++timedOut_;
            it = connections_.erase(it);
            socket->abort();
            continue;
        }
        ++it;
    }
}

}  // namespace sv::web
