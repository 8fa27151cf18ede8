// The HTTP connections' limits, under Qt's server: a request must arrive whole soon after its
// first byte, a kept-alive connection that asks nothing goes after a while, and one client
// address holds a bounded number of connections. Without them a client that sends half a request
// and waits holds a file descriptor for good, and a thousand of them starve the real pages.
// A socket upgraded to a WebSocket is released to its tab (whose heartbeat closes it when silent).
#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

class QTcpServer;

namespace sv::web {

class ConnectionGuard final : public QObject {
public:
    /// A request's whole time from its first byte to the start of its answer.
    static constexpr qint64 kRequestMs = 10 * 1000;
    /// A connection with nothing asked and nothing to answer.
    static constexpr qint64 kIdleMs = 30 * 1000;
    static constexpr int kMaxPerAddress = 64;
    static constexpr int kSweepMs = 1000;

    /// `clock`: milliseconds of a steady clock; `exempt`: addresses without a cap (the trusted
    /// proxies, whose connections carry everyone's requests).
    ConnectionGuard(std::function<qint64()> clock, QList<QHostAddress> exempt);

    /// Watches the connections the server accepts from now on. Call after the HTTP server has
    /// bound to it: the server takes each connection first.
    void watch(QTcpServer* server);
    /// The connection of that peer address and port became a tab's WebSocket: no longer watched.
    void release(const QHostAddress& peer, quint16 port);
    /// Closes the connections past their time (run every kSweepMs).
    void sweep();
    /// Connections closed for their time, and refused for their address's cap.
    int timedOut() const { return timedOut_; }
    int refused() const { return refused_; }

private:
    struct Connection {
        QPointer<QTcpSocket> socket;
        QHostAddress peer;
        /// Since when it waits: for its request to be whole and answered (asking), or for one.
        qint64 sinceMs = 0;
        bool asking = false;
        /// A tab's WebSocket now.
        bool released = false;
    };
    void accepted(QTcpServer* server);
    void add(QTcpSocket* socket);

    std::function<qint64()> clock_;
    QList<QHostAddress> exempt_;
    QHash<QTcpSocket*, Connection> connections_;
    QTimer sweep_;
    int timedOut_ = 0;
    int refused_ = 0;
};

}  // namespace sv::web
