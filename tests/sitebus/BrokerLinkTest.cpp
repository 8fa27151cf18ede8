// The broker link against a real mosquitto on loopback: TLS with a certificate authority the test
// makes (openssl), the reasons told for a wrong CA, a certificate for another host name and a plain
// client at the TLS port; a TLS broker killed and started again, twice, under a link that comes
// back each time and says why it was lost; and a payload over the size bound dropped and told once
// per topic. Skipped where mosquitto or openssl is missing.
#include "StartupError.h"
#include "MqttLink.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>

namespace {

using sv::BrokerSettings;
using sv::MqttLink;

QString tool(const QString& name) {
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin")}) : found;
}

/// A loopback port nobody listens on now.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return done();
}

class BrokerLink : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (tool(QStringLiteral("mosquitto")).isEmpty() || tool(QStringLiteral("openssl")).isEmpty())
            return;
        dir_ = new QTemporaryDir;
        // The site's CA, another CA, and the broker's key with two certificates of the site's CA:
        // one for 127.0.0.1, one for another host name.
        const QStringList key{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                              QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
        ready_ =
            openssl(QStringList{"req", "-x509"} + key +
                    QStringList{"-keyout", "ca.key", "-out", "ca.crt", "-days", "2", "-subj", "/CN=Site CA"}) &&
            openssl(QStringList{"req", "-x509"} + key +
                    QStringList{"-keyout", "other.key", "-out", "other.crt", "-days", "2", "-subj", "/CN=Other CA"}) &&
            openssl(QStringList{"req"} + key +
                    QStringList{"-keyout", "broker.key", "-out", "broker.csr", "-subj", "/CN=broker"}) &&
            sign("broker.crt", "subjectAltName=IP:127.0.0.1,DNS:localhost") &&
            sign("elsewhere.crt", "subjectAltName=DNS:broker.example");
        if (!ready_)
            return;
        tlsPort_ = freePort();
        elsewherePort_ = freePort();
        plainPort_ = freePort();
        const QString d = dir_->path();
        write(
            QStringLiteral("broker.conf"),
            QStringLiteral("user %1\nper_listener_settings false\nallow_anonymous true\n"
                           "listener %2 127.0.0.1\ncafile %5/ca.crt\ncertfile %5/broker.crt\nkeyfile %5/broker.key\n"
                           "listener %3 127.0.0.1\ncafile %5/ca.crt\ncertfile %5/elsewhere.crt\nkeyfile %5/broker.key\n"
                           "listener %4 127.0.0.1\n")
                .arg(QString::fromLocal8Bit(getpwuid(getuid())->pw_name))
                .arg(tlsPort_)
                .arg(elsewherePort_)
                .arg(plainPort_)
                .arg(d));
        broker_ = startBroker(d + QStringLiteral("/broker.conf"), plainPort_);
        ready_ = broker_ != nullptr;
    }

    /// mosquitto with the configuration file, once it listens at port; nullptr when it does not.
    static QProcess* startBroker(const QString& conf, int port) {
        auto* broker = new QProcess;
        broker->setProcessChannelMode(QProcess::MergedChannels);
        broker->start(tool(QStringLiteral("mosquitto")), {QStringLiteral("-c"), conf});
        const bool up = broker->waitForStarted(5000) && waitFor([port] {
                            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
                            sockaddr_in a{};
                            a.sin_family = AF_INET;
                            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                            a.sin_port = htons(quint16(port));
                            const bool open = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
                            ::close(fd);
                            return open;
                        });
        if (!up) {
            broker->kill();
            broker->waitForFinished(5000);
            delete broker;
            return nullptr;
        }
        return broker;
    }

    static void TearDownTestSuite() {
        if (broker_ != nullptr) {
            broker_->kill();
            broker_->waitForFinished(5000);
        }
        delete broker_;
        delete dir_;
        broker_ = nullptr;
        dir_ = nullptr;
    }

    void SetUp() override {
        if (!ready_)
            GTEST_SKIP() << "mosquitto or openssl missing, or the broker did not start";
    }

    static bool openssl(const QStringList& args) {
        QProcess p;
        p.setWorkingDirectory(dir_->path());
        p.start(tool(QStringLiteral("openssl")), args);
        return p.waitForFinished(20000) && p.exitCode() == 0;
    }
    static bool sign(const char* certificate, const char* names) {
        write(QStringLiteral("ext"), QString::fromLatin1(names) + QLatin1Char('\n'));
        return openssl({"x509", "-req", "-in", "broker.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
                        "-out", certificate, "-days", "2", "-extfile", "ext"});
    }
    static void write(const QString& name, const QString& text) {
        QFile f(dir_->filePath(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text.toUtf8());
    }

    static BrokerSettings settings(int port, const char* caFile) {
        BrokerSettings s;
        s.host = QStringLiteral("127.0.0.1");
        s.port = port;
        if (caFile != nullptr)
            s.tlsCaFile = dir_->filePath(QString::fromLatin1(caFile));
        return s;
    }

    /// What a link to the broker is told: the reason start() refused it, or the first refusal.
    static QString refusal(const BrokerSettings& s) {
        MqttLink link(s, QStringLiteral("probe"), {});
        QString told;
        link.onRefused = [&](const QString& reason) {
            if (told.isEmpty())
                told = reason;
        };
        try {
            link.start();
        } catch (const sv::StartupError& e) {
            return e.message();
        }
        waitFor([&] { return !told.isEmpty() || link.isConnected(); });
        return link.isConnected() ? QStringLiteral("connected") : told;
    }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline QProcess* broker_ = nullptr;
    static inline bool ready_ = false;
    static inline int tlsPort_ = 0, elsewherePort_ = 0, plainPort_ = 0;
};

TEST(ReconnectBackoff, WaitsDoubleUpToTheCapAndStartOverAfterAConnection) {
    sv::ReconnectBackoff backoff;
    QVector<int> longest;
    for (int i = 0; i < 7; ++i)
        longest << backoff.next(1.0);
    EXPECT_EQ(longest, (QVector<int>{250, 500, 1000, 2000, 4000, 4000, 4000}));
    backoff.reset();
    EXPECT_EQ(backoff.next(0.0), 125) << "the shortest draw is half the step";
    EXPECT_EQ(backoff.next(0.5), 375);
}

TEST_F(BrokerLink, TlsWithTheSitesCaConnectsAndAFaultySetupIsToldWhy) {
    MqttLink link(settings(tlsPort_, "ca.crt"), QStringLiteral("desk"), {});
    link.start();
    EXPECT_TRUE(waitFor([&] { return link.isConnected(); })) << "TLS with the site's CA";

    const struct {
        int port;
        const char* caFile;
        const char* told;
    } faults[] = {
        {tlsPort_, "other.crt", "not signed by the certificate authority in"},
        {elsewherePort_, "ca.crt", "issued for broker.example, not for \"127.0.0.1\""},
        {tlsPort_, nullptr, "a TLS port takes only TLS clients"},
    };
    for (const auto& f : faults) {
        const QString told = refusal(settings(f.port, f.caFile));
        EXPECT_TRUE(told.contains(QLatin1String(f.told))) << f.told << " -> " << told.toStdString();
    }
}

TEST_F(BrokerLink, ATlsBrokerKilledAndStartedAgainIsReconnectedWithTheCauseSaid) {
    // A broker of its own, on a TLS port only, with the site's certificate.
    const int port = freePort();
    write(QStringLiteral("restart.conf"),
          QStringLiteral("user %1\nallow_anonymous true\nlistener %2 127.0.0.1\ncafile %3/ca.crt\n"
                         "certfile %3/broker.crt\nkeyfile %3/broker.key\n")
              .arg(QString::fromLocal8Bit(getpwuid(getuid())->pw_name))
              .arg(port)
              .arg(dir_->path()));
    const QString conf = dir_->filePath(QStringLiteral("restart.conf"));
    std::unique_ptr<QProcess> broker(startBroker(conf, port));
    ASSERT_TRUE(broker);

    MqttLink link(settings(port, "ca.crt"), QStringLiteral("desk"), {QStringLiteral("restart/#")});
    MqttLink sender(settings(port, "ca.crt"), QStringLiteral("sender"), {});
    QStringList lost, refusals, received;
    int connections = 0;
    link.onConnected = [&] { ++connections; };
    link.onDisconnected = [&](const QString& reason) { lost << reason; };
    link.onRefused = [&](const QString& reason) { refusals << reason; };
    link.onMessage = [&](const QString&, const QByteArray& payload) { received << QString::fromUtf8(payload); };
    link.start();
    sender.start();
    ASSERT_TRUE(waitFor([&] { return link.isConnected() && sender.isConnected(); }));

    for (int round = 1; round <= 2; ++round) {
        broker->kill();
        broker->waitForFinished(5000);
        ASSERT_TRUE(waitFor([&] { return lost.size() == round; })) << "round " << round;
        EXPECT_TRUE(lost.last().contains("the broker closed the connection")) << lost.last().toStdString();
        // While it is away, each attempt finds nobody at the port, and says so once.
        ASSERT_TRUE(waitFor([&] { return !refusals.isEmpty(); }));
        EXPECT_TRUE(refusals.last().contains("nothing answers at 127.0.0.1:")) << refusals.last().toStdString();
        QThread::msleep(1500);

        broker.reset(startBroker(conf, port));
        ASSERT_TRUE(broker);
        // Back within the longest wait between attempts, with room for a loaded machine.
        EXPECT_TRUE(waitFor([&] { return link.isConnected() && sender.isConnected(); }, 20000)) << "round " << round;
        EXPECT_EQ(connections, round + 1);
        // Subscribed again: a message reaches it.
        sender.publish(QStringLiteral("restart/x"), QByteArray::number(round), MqttLink::AtLeastOnce);
        EXPECT_TRUE(waitFor([&] { return received.contains(QString::number(round)); })) << "round " << round;
        for (const QString& reason : std::as_const(refusals))
            EXPECT_FALSE(reason.contains("plain port")) << reason.toStdString();
        refusals.clear();
    }
    broker->kill();
    broker->waitForFinished(5000);
}

TEST_F(BrokerLink, APayloadOverTheBoundIsDroppedAndToldOncePerTopic) {
    MqttLink receiver(settings(plainPort_, nullptr), QStringLiteral("receiver"), {QStringLiteral("bound/#")});
    MqttLink sender(settings(plainPort_, nullptr), QStringLiteral("sender"), {});
    QStringList received;
    QStringList told;
    receiver.onMessage = [&](const QString& topic, const QByteArray& payload) {
        received << QStringLiteral("%1 %2").arg(topic).arg(payload.size());
    };
    receiver.onOversized = [&](const QString& topic, qint64 bytes) {
        told << QStringLiteral("%1 %2").arg(topic).arg(bytes);
    };
    receiver.start();
    sender.start();
    ASSERT_TRUE(waitFor([&] { return receiver.isConnected() && sender.isConnected(); }));

    const QByteArray big(MqttLink::kMaxPayloadBytes + 1, 'x');
    const QByteArray edge(MqttLink::kMaxPayloadBytes, 'x');
    sender.publish(QStringLiteral("bound/a"), big, MqttLink::AtLeastOnce);
    sender.publish(QStringLiteral("bound/a"), big, MqttLink::AtLeastOnce);
    sender.publish(QStringLiteral("bound/b"), big, MqttLink::AtLeastOnce);
    sender.publish(QStringLiteral("bound/b"), edge, MqttLink::AtLeastOnce);
    sender.publish(QStringLiteral("bound/c"), "end", MqttLink::AtLeastOnce);
    ASSERT_TRUE(waitFor([&] { return received.contains(QStringLiteral("bound/c 3")); }));
    EXPECT_EQ(received, (QStringList{QStringLiteral("bound/b %1").arg(edge.size()), QStringLiteral("bound/c 3")}));
    EXPECT_EQ(told, (QStringList{QStringLiteral("bound/a %1").arg(big.size()),
                                 QStringLiteral("bound/b %1").arg(big.size())}));
}

}  // namespace
