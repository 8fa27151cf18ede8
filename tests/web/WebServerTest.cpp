// The web desk's server on loopback, driven as a browser would drive it (HTTP for sign-in, a
// WebSocket for the status), with the field on the in-process bus: sign-in, the socket's hello,
// rows arriving, and the attacks a page on another site or a stolen cookie would try.
#include "../app/AppTestSite.h"
#include "cli/SiteRoles.h"
#include "field/HistoryPastSources.h"
#include "field/PastBoardCopy.h"
#include "field/ReportHistory.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/SiteHost.h"
#include "host/SyncBus.h"
#include "support/ClockStep.h"
#include "web/WebDesk.h"

#include "AttentionEdit.h"
#include "MemoryTransport.h"
#include "MqttSite.h"
#include "StartupError.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QSet>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QWebSocket>

namespace {

using namespace sv;
using namespace sv::web;

const QString kSite = QStringLiteral("main");
const QByteArray kPassword = "correct horse";

struct Reply {
    int status = 0;
    QByteArray body;
    QByteArray cookie;  // the sv_session value Set-Cookie carried
    QByteArray setCookie;
    QByteArray retryAfter;
    QByteArray strictTransport;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

/// A socket client that keeps every message and whether the server closed it, and the attention
/// list as a page keeps it: the whole list, then its changes.
struct Client {
    QWebSocket socket;
    QVector<QJsonObject> messages;
    bool closed = false;
    QJsonArray attention;
    QJsonArray shelved;  // the shelved points, as every list and change carries them
    double attentionVersion = -1;
    /// Lists and changes received; changes that were not for the list held.
    int attentionUpdates = 0;
    int attentionMisfits = 0;
    qint64 attentionBytes = 0;
    Client() {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            messages.append(QJsonDocument::fromJson(text.toUtf8()).object());
            const QJsonObject& m = messages.constLast();
            if (m.value("t") == "attention" || m.value("t") == "attentionChanges")
                attentionBytes += text.toUtf8().size();
            if (m.value("t") == "attention") {
                attention = m.value("entries").toArray();
                shelved = m.value("shelved").toArray();
                attentionVersion = m.value("version").toDouble();
                ++attentionUpdates;
            } else if (m.value("t") == "attentionChanges") {
                if (m.value("base").toDouble() != attentionVersion) {
                    ++attentionMisfits;
                    return;
                }
                attention = sv::web::test::editedAttention(attention, m);
                shelved = m.value("shelved").toArray();
                attentionVersion = m.value("version").toDouble();
                ++attentionUpdates;
            }
        });
        QObject::connect(&socket, &QWebSocket::disconnected, [this] { closed = true; });
    }
    const QJsonObject* last(const QString& type) const {
        for (auto it = messages.crbegin(); it != messages.crend(); ++it)
            if (it->value("t").toString() == type)
                return &*it;
        return nullptr;
    }
    void send(const QJsonObject& message) {
        socket.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson()));
    }
};

struct WebServerFixture : ::testing::Test {
    sv::test::DemoSiteFile site{300};
    QTemporaryDir dir;
    AppLog log;
    SimulatedField field{*site.db, FieldOptions{}, &log};
    MemoryBus bus;
    MemoryTransport fieldLink{bus, {wire::everyLoginTopic(kSite, wire::Topic::Command)}};
    MemoryTransport webLink{bus, deskSubscriptions(kSite, QStringLiteral("WEB1"))};
    std::unique_ptr<FieldBroadcaster> broadcaster;
    std::unique_ptr<WebDesk> desk;
    QNetworkAccessManager http;
    /// The desk's steady clock, moved by the test (so that no hold or expiry depends on how fast
    /// the machine runs the test); unset drivenClock for the real one.
    bool drivenClock = true;
    qint64 clockMs = 1000000;
    QList<QHostAddress> trustedProxies;
    /// Where the desk's tabs read the past; unset: no "At".
    std::function<std::unique_ptr<PastSource>(DeskLink&)> pastSource;

    void SetUp() override { start(SessionTable::kDefaultIdleMs); }
    void TearDown() override {
        desk.reset();
        field.removeSink(broadcaster.get());
    }

    void start(qint64 idleMs, const QString& tlsCert = {}, const QString& tlsKey = {}) {
        QString error;
        sv::OperatorDirectory directory(*site.db);
        for (const char* op : {"admin", "akim"})
            ASSERT_TRUE(directory.setPassword(op, kPassword, error)) << error.toStdString();
        field.load();
        broadcaster =
            std::make_unique<FieldBroadcaster>(fieldLink, kSite, field, *site.db, &SiteHost::operatorPermission, log);
        field.addSink(broadcaster.get());
        WebDeskOptions options;
        options.siteUrl = site.url;
        options.webRoot = dir.path();
        options.idleMs = idleMs;
        options.tlsCert = tlsCert;
        options.tlsKey = tlsKey;
        options.trustedProxies = trustedProxies;
        options.past = pastSource;
        if (drivenClock)
            options.clock = [this] { return clockMs; };
        desk = std::make_unique<WebDesk>(options, webLink, log);
        fieldLink.connect();
        webLink.connect();
    }

    QString origin() const {
        return QStringLiteral("%1://127.0.0.1:%2").arg(desk->tls() ? "https" : "http").arg(desk->port());
    }
    QUrl url(const QString& path) const { return QUrl(origin() + path); }

    /// Delivers and runs the event loop until done() holds, for at most ms: a bound only a hung
    /// run reaches, however loaded the machine.
    template <typename Done>
    bool until(Done done, int ms = 30000) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms) {
            bus.deliver();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return done();
    }

    Reply request(const QByteArray& verb, const QString& path, const QByteArray& body = {},
                  const QList<QPair<QByteArray, QByteArray>>& headers = {}) {
        QNetworkRequest r(url(path));
        r.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        for (const auto& [name, value] : headers)
            r.setRawHeader(name, value);
        QNetworkReply* reply = http.sendCustomRequest(r, verb, body);
        // The test's own certificate, made for this run.
        reply->ignoreSslErrors();
        until([&] { return reply->isFinished(); });
        Reply out;
        out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        out.body = reply->readAll();
        out.setCookie = reply->rawHeader("Set-Cookie");
        out.retryAfter = reply->rawHeader("Retry-After");
        out.strictTransport = reply->rawHeader("Strict-Transport-Security");
        out.cookie = sessionCookie(out.setCookie.split(';').value(0), desk->tls());
        reply->deleteLater();
        return out;
    }
    Reply signIn(const QString& login, const QByteArray& password) {
        const QJsonObject body{{"login", login}, {"password", QString::fromUtf8(password)}};
        return request("POST", "/api/signin", QJsonDocument(body).toJson());
    }

    /// A connection of its own that writes `bytes` as they are (a whole request, or half of one).
    std::unique_ptr<QTcpSocket> raw(const QByteArray& bytes) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, desk->port());
        socket->write(bytes);
        return socket;
    }
    static QByteArray signInRequest(const QString& login, const QByteArray& password) {
        const QByteArray body =
            QJsonDocument(QJsonObject{{"login", login}, {"password", QString::fromUtf8(password)}}).toJson();
        return "POST /api/signin HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\nContent-Length: " +
               QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }
    /// The status of the answer a raw connection got; 0 while none came.
    static int rawStatus(QTcpSocket& socket) {
        const QByteArray head = socket.peek(64);
        return head.startsWith("HTTP/1.1 ") ? head.mid(9, 3).toInt() : 0;
    }

    /// Opens /ws with the cookie and origin given; true once connected (the server may still
    /// close it at once).
    bool open(Client& client, const QByteArray& cookie, const QString& originHeader) {
        QNetworkRequest r(
            QUrl(QStringLiteral("%1://127.0.0.1:%2/ws").arg(desk->tls() ? "wss" : "ws").arg(desk->port())));
        QObject::connect(&client.socket, &QWebSocket::sslErrors, &client.socket,
                         [&client](const QList<QSslError>&) { client.socket.ignoreSslErrors(); });
        if (!cookie.isEmpty())
            r.setRawHeader("Cookie", sessionCookieName(desk->tls()) + '=' + cookie);
        if (!originHeader.isEmpty())
            r.setRawHeader("Origin", originHeader.toLatin1());
        client.socket.open(r);
        return until([&] { return client.socket.state() == QAbstractSocket::ConnectedState || client.closed; });
    }

    /// Signed in as `login`, a socket said hello and was welcomed.
    void welcomed(Client& client, Reply& session, const QString& login = QStringLiteral("admin")) {
        session = signIn(login, kPassword);
        ASSERT_EQ(session.status, 200) << session.body.constData();
        ASSERT_TRUE(open(client, session.cookie, origin()));
        client.send({{"t", "hello"}, {"csrf", session.json().value("csrf")}});
        ASSERT_TRUE(until([&] { return client.last("welcome") != nullptr || client.closed; }));
        ASSERT_NE(client.last("welcome"), nullptr);
    }

    /// Every section in view from its first row; true once the rows of every section arrived.
    bool viewEverySection(Client& client) {
        QJsonArray views;
        for (int section = 0; section < 8; ++section)
            views.append(QJsonObject{{"section", section}, {"first", 0}, {"count", kMaxViewRows}});
        const qsizetype before = client.messages.size();
        client.send({{"t", "view"}, {"views", views}});
        return until([&] {
            QSet<int> sections;
            for (qsizetype i = before; i < client.messages.size(); ++i)
                if (client.messages[i].value("t") == "rows")
                    sections.insert(client.messages[i].value("section").toInt());
            return sections.size() == 8;
        });
    }
    /// The field changes 300 points: true once rows arrived after the messages already received.
    bool fieldChangesReach(Client& client) {
        const qsizetype before = client.messages.size();
        field.step(300);
        return until([&] {
            for (qsizetype i = before; i < client.messages.size(); ++i)
                if (client.messages[i].value("t") == "rows")
                    return true;
            return false;
        });
    }

    /// The first section the group uses, by the counts the server pushed.
    int usedSection(Client& client) {
        until([&] { return client.last("counts") != nullptr; });
        for (const QJsonValue& s : client.last("counts")->value("sections").toArray())
            if (s.toObject().value("rows").toInt() > 0)
                return s.toObject().value("section").toInt();
        return -1;
    }
};

TEST_F(WebServerFixture, WebSignInOpensASessionWithASafeCookieAndRowsArriveOnTheSocket) {
    Client client;
    Reply session;
    welcomed(client, session);
    EXPECT_EQ(session.json().value("operator").toString(), "admin");
    EXPECT_TRUE(session.setCookie.contains("HttpOnly")) << session.setCookie.constData();
    EXPECT_TRUE(session.setCookie.contains("SameSite=Strict"));
    EXPECT_FALSE(session.setCookie.contains("Secure")) << "no TLS here";
    const QJsonObject welcome = *client.last("welcome");
    EXPECT_EQ(welcome.value("operator").toString(), "admin");
    EXPECT_EQ(welcome.value("sections").toArray().size(), 8);
    EXPECT_FALSE(welcome.value("groups").toArray().isEmpty());

    const Reply again = request("GET", "/api/session", {}, {{"Cookie", "sv_session=" + session.cookie}});
    EXPECT_EQ(again.status, 200);
    EXPECT_EQ(again.json().value("csrf"), session.json().value("csrf"));

    const int section = usedSection(client);
    ASSERT_GE(section, 0) << "the operator's group shows no rows";
    client.send({{"t", "view"}, {"views", QJsonArray{QJsonObject{{"section", section}, {"first", 0}, {"count", 5}}}}});
    ASSERT_TRUE(until([&] { return client.last("rows") != nullptr; }));
    const QJsonObject rows = *client.last("rows");
    EXPECT_EQ(rows.value("section").toInt(), section);
    EXPECT_GT(rows.value("total").toInt(), 0);
    ASSERT_FALSE(rows.value("rows").toArray().isEmpty());
    const QJsonObject row = rows.value("rows").toArray().first().toObject();
    EXPECT_EQ(row.value("cells").toArray().size(),
              welcome.value("sections").toArray()[section].toObject().value("columns").toArray().size());

    // A find text no point holds empties the view, its count follows.
    client.send({{"t", "find"}, {"text", "no point is named like this"}});
    ASSERT_TRUE(until([&] { return client.last("rows")->value("total").toInt() == 0; }));
}

TEST_F(WebServerFixture, WebFieldReportsReachTheRowsInViewAndAGroupChoiceWelcomesAgain) {
    Client client;
    Reply session;
    welcomed(client, session);
    ASSERT_TRUE(viewEverySection(client));
    const qsizetype before = client.messages.size();
    ASSERT_TRUE(fieldChangesReach(client)) << "a field report changed a row in view";
    for (qsizetype i = before; i < client.messages.size(); ++i)
        EXPECT_NE(client.messages[i].value("t"), "welcome");

    client.send({{"t", "group"}, {"name", "no such group"}});
    ASSERT_TRUE(until([&] { return client.last("notice") != nullptr; }));
    const QJsonArray groups = client.last("welcome")->value("groups").toArray();
    const QString current = client.last("welcome")->value("group").toString();
    QString other;
    for (const QJsonValue& g : groups)
        if (!g.toString().isEmpty() && g.toString() != current)
            other = g.toString();
    ASSERT_FALSE(other.isEmpty());
    client.send({{"t", "group"}, {"name", other}});
    ASSERT_TRUE(until([&] { return client.last("welcome")->value("group").toString() == other; }));
    ASSERT_TRUE(until([&] { return client.last("counts")->value("group").toString() == other; }));
}

/// Two sign-ins of one operator, each a guard with a tab of their own: one's group, find and
/// "Abnormal only" never change what the other's tab shows, a reconnecting tab names its group
/// and gets it back, and a tab cannot make the operator's components without bound.
TEST_F(WebServerFixture, WebEachTabKeepsItsOwnGroupFindAndFilter) {
    Client first, second;
    Reply firstSession, secondSession;
    welcomed(first, firstSession);
    welcomed(second, secondSession);
    const QString start = first.last("welcome")->value("group").toString();
    ASSERT_EQ(second.last("welcome")->value("group").toString(), start);
    QString other;
    for (const QJsonValue& g : first.last("welcome")->value("groups").toArray())
        if (!g.toString().isEmpty() && g.toString() != start)
            other = g.toString();
    ASSERT_FALSE(other.isEmpty());

    first.send({{"t", "group"}, {"name", other}});
    first.send({{"t", "find"}, {"text", "no point is named like this"}});
    second.send({{"t", "abnormal"}, {"on", true}});
    ASSERT_TRUE(until([&] { return first.last("welcome")->value("group").toString() == other; }));
    ASSERT_TRUE(viewEverySection(first));
    ASSERT_TRUE(viewEverySection(second));
    ASSERT_TRUE(until([&] {
        const QJsonObject* a = first.last("counts");
        const QJsonObject* b = second.last("counts");
        return a != nullptr && b != nullptr && a->value("group") == other && b->value("group") == start;
    }));
    // What each tab is sent from now on keeps to its own view.
    const qsizetype firstBefore = first.messages.size(), secondBefore = second.messages.size();
    ASSERT_TRUE(fieldChangesReach(second));
    until([] { return false; }, 300);
    for (qsizetype i = secondBefore; i < second.messages.size(); ++i) {
        const QJsonObject& m = second.messages[i];
        EXPECT_NE(m.value("t"), "welcome");
        if (m.value("t") == "counts") {
            EXPECT_EQ(m.value("group").toString(), start);
            int rows = 0, shown = 0, abnormal = 0;
            for (const QJsonValue& s : m.value("sections").toArray()) {
                rows += s.toObject().value("rows").toInt();
                shown += s.toObject().value("shown").toInt();
                abnormal += s.toObject().value("alarms").toInt() + s.toObject().value("warnings").toInt();
            }
            EXPECT_LT(shown, rows) << "\"Abnormal only\" hides the normal rows of the second tab";
            EXPECT_GT(shown, 0);
        }
    }
    for (qsizetype i = firstBefore; i < first.messages.size(); ++i) {
        const QJsonObject& m = first.messages[i];
        if (m.value("t") == "counts")
            EXPECT_EQ(m.value("group").toString(), other);
        if (m.value("t") == "rows")
            EXPECT_EQ(m.value("total").toInt(), 0) << "the first tab's find matches nothing";
    }
    EXPECT_EQ(desk->operatorDesks("admin").size(), 2);

    // The first tab's link is cut: its new socket names its group and is welcomed to it, while
    // the second tab stays where it was.
    first.socket.abort();
    ASSERT_TRUE(until([&] { return desk->tabCount() == 1; }));
    Client again;
    ASSERT_TRUE(open(again, firstSession.cookie, origin()));
    again.send({{"t", "hello"}, {"csrf", firstSession.json().value("csrf")}, {"group", other}});
    ASSERT_TRUE(until([&] { return again.last("welcome") != nullptr; }));
    EXPECT_EQ(again.last("welcome")->value("group").toString(), other);
    EXPECT_EQ(second.last("welcome")->value("group").toString(), start);

    // A group the operator does not have, by hello or by choice, starts nothing.
    Client forged;
    ASSERT_TRUE(open(forged, secondSession.cookie, origin()));
    forged.send({{"t", "hello"}, {"csrf", secondSession.json().value("csrf")}, {"group", "no such group"}});
    ASSERT_TRUE(until([&] { return forged.last("welcome") != nullptr && forged.last("notice") != nullptr; }));
    EXPECT_EQ(forged.last("notice")->value("text").toString(), "There is no status group \"no such group\".");
    forged.messages.clear();
    forged.send({{"t", "group"}, {"name", "no such group either"}});
    ASSERT_TRUE(until([&] { return forged.last("notice") != nullptr; }));
    // A tab per group at once: the operator's components stay within their bound, a tab asking
    // for one more group is told why and stays where it is, and they close with their tabs.
    std::vector<std::unique_ptr<Client>> many;
    for (const QJsonValue& g : first.last("welcome")->value("groups").toArray()) {
        many.push_back(std::make_unique<Client>());
        ASSERT_TRUE(open(*many.back(), secondSession.cookie, origin()));
        many.back()->send({{"t", "hello"}, {"csrf", secondSession.json().value("csrf")}, {"group", g.toString()}});
        ASSERT_TRUE(until([&] { return many.back()->last("welcome") != nullptr; }));
    }
    ASSERT_GT(many.size(), size_t(WebDesk::kMaxComponentsPerOperator));
    EXPECT_EQ(desk->operatorDesks("admin").size(), WebDesk::kMaxComponentsPerOperator);
    Client& last = *many.back();
    const QString shown = last.last("welcome")->value("group").toString();
    QString notShown;
    for (const QJsonValue& g : first.last("welcome")->value("groups").toArray()) {
        const QList<OperatorDesk*> open = desk->operatorDesks("admin");
        if (std::none_of(open.cbegin(), open.cend(), [&](OperatorDesk* d) { return d->groupName() == g.toString(); }))
            notShown = g.toString();
    }
    ASSERT_FALSE(notShown.isEmpty());
    last.send({{"t", "group"}, {"name", notShown}});
    ASSERT_TRUE(until([&] { return last.last("notice") != nullptr; }));
    EXPECT_TRUE(last.last("notice")->value("text").toString().contains("8 groups"))
        << last.last("notice")->value("text").toString().toStdString();
    EXPECT_EQ(last.last("welcome")->value("group").toString(), shown);
    EXPECT_FALSE(last.closed);
    many.clear();
    forged.socket.close();
    ASSERT_TRUE(until([&] { return desk->tabCount() == 2 && desk->operatorDesks("admin").size() == 2; }));
}

/// Through a storm a tab is sent the attention list whole once, then its changes: the list it
/// makes of them is the list, a reconnecting tab gets it whole, and a page asking for it whole
/// again and again gets it at most once a push.
TEST_F(WebServerFixture, WebTheAttentionListGoesAsChangesThatMakeTheWholeList) {
    Client client;
    Reply session;
    welcomed(client, session);
    ASSERT_TRUE(until([&] { return client.attentionUpdates > 0; }));
    EXPECT_EQ(client.last("attention")->value("entries").toArray(), client.attention);
    // The desk's clock moves as time does, so that the pushes keep coming.
    QElapsedTimer real;
    real.start();
    const qint64 startMs = clockMs;
    for (int round = 0; round < 30; ++round) {
        field.step(100);
        until(
            [&] {
                clockMs = startMs + real.elapsed();
                return false;
            },
            120);
    }
    const auto quiet = [&] {
        qsizetype seen = -1;
        until([&] {
            clockMs = startMs + real.elapsed();
            const bool still = seen == client.messages.size();
            seen = client.messages.size();
            return still && client.attentionUpdates > 0;
        });
        until([] { return false; }, 400);
    };
    quiet();
    int changes = 0;
    for (const QJsonObject& m : client.messages)
        changes += m.value("t") == "attentionChanges" ? 1 : 0;
    EXPECT_GE(changes, 3) << "the storm's changes came as changes";
    EXPECT_EQ(client.attentionMisfits, 0);
    const QJsonArray made = client.attention;
    ASSERT_FALSE(made.isEmpty());

    // Asked for it whole a hundred times: whole at the next push, and no more than once a push.
    const qsizetype before = client.messages.size();
    for (int i = 0; i < 100; ++i)
        client.send({{"t", "attentionAgain"}});
    quiet();
    int wholes = 0;
    for (qsizetype i = before; i < client.messages.size(); ++i)
        wholes += client.messages[i].value("t") == "attention" ? 1 : 0;
    EXPECT_GE(wholes, 1);
    EXPECT_LE(wholes, 3);
    EXPECT_EQ(client.last("attention")->value("entries").toArray(), made) << "the changes made the whole list";

    // A new socket of the session starts from the whole list.
    Client again;
    ASSERT_TRUE(open(again, session.cookie, origin()));
    again.send({{"t", "hello"}, {"csrf", session.json().value("csrf")}});
    ASSERT_TRUE(until([&] { return again.attentionUpdates > 0; }));
    EXPECT_EQ(again.messages.constLast().value("t") == "attentionChanges" ? 1 : 0, 0);
    EXPECT_EQ(again.attention, made);
}

/// A tab orders a section's rows by a column, either way round, for itself alone; a column the
/// section does not show leaves the desk's order.
TEST_F(WebServerFixture, WebATabSortsItsRowsByAColumnForItselfAlone) {
    Client sorted, plain;
    Reply session, other;
    welcomed(sorted, session);
    welcomed(plain, other);
    const int section = usedSection(sorted);
    ASSERT_GE(section, 0);
    const auto firstCells = [&](Client& client, int column) {
        const qsizetype before = client.messages.size();
        client.send(
            {{"t", "view"}, {"views", QJsonArray{QJsonObject{{"section", section}, {"first", 0}, {"count", 50}}}}});
        QStringList cells;
        until([&] {
            for (qsizetype i = before; i < client.messages.size(); ++i)
                if (client.messages[i].value("t") == "rows") {
                    cells.clear();
                    for (const QJsonValue& row : client.messages[i].value("rows").toArray())
                        cells << row["cells"].toArray()[column].toString();
                }
            return !cells.isEmpty();
        });
        return cells;
    };
    const QStringList desk = firstCells(plain, 0);
    ASSERT_GT(desk.size(), 2);
    const auto ordered = [](QStringList cells, bool descending) {
        std::stable_sort(cells.begin(), cells.end(), [&](const QString& a, const QString& b) {
            const int order = a.compare(b, Qt::CaseInsensitive);
            return descending ? order > 0 : order < 0;
        });
        return cells;
    };
    sorted.send({{"t", "sort"}, {"section", section}, {"column", 0}, {"descending", false}});
    sorted.messages.clear();
    const QStringList up = firstCells(sorted, 0);
    EXPECT_EQ(up, ordered(up, false));
    sorted.send({{"t", "sort"}, {"section", section}, {"column", 0}, {"descending", true}});
    sorted.messages.clear();
    const QStringList down = firstCells(sorted, 0);
    EXPECT_EQ(down, ordered(down, true));
    EXPECT_NE(up, down);
    until([] { return false; }, 300);
    QStringList plainNow;
    for (const QJsonValue& row : plain.last("rows")->value("rows").toArray())
        plainNow << row["cells"].toArray()[0].toString();
    EXPECT_EQ(plainNow, desk) << "the other tab keeps the desk's order";
    sorted.send({{"t", "sort"}, {"section", section}, {"column", 99}, {"descending", true}});
    sorted.messages.clear();
    EXPECT_EQ(firstCells(sorted, 0), desk) << "a column not shown: the desk's order";
}

TEST_F(WebServerFixture, WebTheFieldsDeathIsToldToOpenTabsAndToTabsOpenedAfter) {
    Client client;
    Reply session;
    welcomed(client, session);
    ASSERT_TRUE(until([&] { return desk->link().session().fieldState() == DeskSession::FieldState::Online; }));
    fieldLink.drop();
    ASSERT_TRUE(until([&] {
        const QJsonObject* notice = client.last("notice");
        return notice != nullptr && notice->value("text").toString().startsWith("\u25B2 Field offline since");
    }));
    Client later;
    ASSERT_TRUE(open(later, session.cookie, origin()));
    later.send({{"t", "hello"}, {"csrf", session.json().value("csrf")}});
    ASSERT_TRUE(until([&] { return later.last("notice") != nullptr; }));
    EXPECT_TRUE(later.last("notice")->value("text").toString().contains("Field offline since"));
}

TEST_F(WebServerFixture, WebWithoutTlsANetworkAddressIsRefusedUnlessAskedForPlainly) {
    WebDeskOptions options;
    options.siteUrl = site.url;
    options.address = QHostAddress::AnyIPv4;
    MemoryTransport other{bus, {}};
    try {
        WebDesk refused(options, other, log);
        ADD_FAILURE() << "listened on every address in plain HTTP";
    } catch (const StartupError& e) {
        EXPECT_TRUE(e.message().contains("--insecure-listen")) << e.message().toStdString();
    }
}

TEST_F(WebServerFixture, WebSocketIsRefusedWithoutTheRightHello) {
    struct Case {
        const char* what;
        QJsonObject first;
    };
    const Case cases[] = {
        {"a hello without the token", {{"t", "hello"}}},
        {"a hello with another token", {{"t", "hello"}, {"csrf", "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"}}},
        {"another message first", {{"t", "group"}, {"name", "Entire Site"}}},
    };
    const Reply session = signIn("admin", kPassword);
    ASSERT_EQ(session.status, 200);
    for (const Case& c : cases) {
        Client client;
        ASSERT_TRUE(open(client, session.cookie, origin())) << c.what;
        client.send(c.first);
        // A message the server cannot read is ignored; the hello timer then closes the socket.
        EXPECT_TRUE(until([&] { return client.closed; }, kHelloTimeoutMs + 30000)) << c.what;
        EXPECT_EQ(client.last("welcome"), nullptr) << c.what;
    }
}

TEST_F(WebServerFixture, WebAnotherHostNameIsRefusedEvenWithAMatchingOrigin) {
    // A name of the attacker's that resolves to this server: Host and Origin agree, and are not ours.
    const QByteArray rebound = "rebind.example:" + QByteArray::number(desk->port());
    EXPECT_EQ(request("GET", "/", {}, {{"Host", rebound}}).status, 421);
    const QByteArray body =
        QJsonDocument(QJsonObject{{"login", "admin"}, {"password", QString::fromUtf8(kPassword)}}).toJson();
    EXPECT_EQ(request("POST", "/api/signin", body, {{"Host", rebound}, {"Origin", "http://" + rebound}}).status, 421);
    const Reply session = signIn("admin", kPassword);
    ASSERT_EQ(session.status, 200);
    Client client;
    QNetworkRequest r(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(desk->port())));
    r.setRawHeader("Host", rebound);
    r.setRawHeader("Origin", "http://" + rebound);
    r.setRawHeader("Cookie", "sv_session=" + session.cookie);
    client.socket.open(r);
    until([&] { return client.socket.state() == QAbstractSocket::ConnectedState || client.closed; });
    client.send({{"t", "hello"}, {"csrf", session.json().value("csrf")}});
    EXPECT_TRUE(until([&] { return client.closed; }));
    EXPECT_EQ(client.last("welcome"), nullptr);
    EXPECT_EQ(request("GET", "/", {}, {{"Host", "localhost:" + QByteArray::number(desk->port())}}).status, 404)
        << "localhost is this loopback desk's own name (no page is built here)";
}

TEST_F(WebServerFixture, WebSocketIsRefusedForAForgedCookieAForeignOriginOrNoCookie) {
    const Reply session = signIn("admin", kPassword);
    ASSERT_EQ(session.status, 200);
    QByteArray forged = session.cookie;
    forged[5] = forged[5] == 'A' ? 'B' : 'A';
    struct Case {
        const char* what;
        QByteArray cookie;
        QString origin;
    };
    const Case cases[] = {
        {"forged cookie", forged, origin()},
        {"no cookie", {}, origin()},
        {"another site's page", session.cookie, QStringLiteral("http://evil.example")},
        {"no origin", session.cookie, {}},
    };
    for (const Case& c : cases) {
        Client client;
        open(client, c.cookie, c.origin);
        client.send({{"t", "hello"}, {"csrf", session.json().value("csrf")}});
        EXPECT_TRUE(until([&] { return client.closed; })) << c.what;
        EXPECT_EQ(client.last("welcome"), nullptr) << c.what;
    }
}

TEST_F(WebServerFixture, WebOneSessionOpensABoundedNumberOfSockets) {
    const Reply session = signIn("admin", kPassword);
    ASSERT_EQ(session.status, 200);
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i <= WebDesk::kMaxTabsPerSession; ++i) {
        clients.push_back(std::make_unique<Client>());
        ASSERT_TRUE(open(*clients.back(), session.cookie, origin()));
    }
    until([&] { return clients.back()->closed; });
    EXPECT_TRUE(clients.back()->closed) << "one socket past the limit";
    EXPECT_FALSE(clients.front()->closed);
    EXPECT_EQ(desk->tabCount(), WebDesk::kMaxTabsPerSession);
}

TEST_F(WebServerFixture, WebOversizedMessageClosesTheSocketAndAMalformedOneIsIgnored) {
    Client client;
    Reply session;
    welcomed(client, session);
    client.socket.sendTextMessage(QStringLiteral("{not json"));
    client.send({{"t", "view"}, {"views", "not a list"}});
    client.send({{"t", "abnormal"}, {"on", true}});
    ASSERT_TRUE(until([&] { return client.last("counts") != nullptr; }));
    EXPECT_FALSE(client.closed) << "malformed messages are ignored";
    client.send({{"t", "find"}, {"text", QString(kMaxMessageBytes, QLatin1Char('x'))}});
    EXPECT_TRUE(until([&] { return client.closed; }));
}

TEST_F(WebServerFixture, WebSignOutEndsTheSessionItsSocketsAndTheCookieForGood) {
    Client client;
    Reply session;
    welcomed(client, session);
    const QByteArray cookie = "sv_session=" + session.cookie;
    const QByteArray csrf = session.json().value("csrf").toString().toLatin1();
    // The browser's sign-in signed the operator in at the field as well.
    ASSERT_TRUE(until([&] { return desk->link().isSignedIn("admin"); }));

    // Sign-out is a change of state: without the token, or from another site's page, it is refused.
    EXPECT_EQ(request("POST", "/api/signout", {}, {{"Cookie", cookie}}).status, 403);
    EXPECT_EQ(request("POST", "/api/signout", {}, {{"Cookie", cookie}, {"X-CSRF-Token", "x"}}).status, 403);
    EXPECT_EQ(request("POST", "/api/signout", {},
                      {{"Cookie", cookie}, {"X-CSRF-Token", csrf}, {"Origin", "http://evil.example"}})
                  .status,
              403);
    EXPECT_FALSE(client.closed);

    const Reply out = request("POST", "/api/signout", {},
                              {{"Cookie", cookie}, {"X-CSRF-Token", csrf}, {"Origin", origin().toLatin1()}});
    EXPECT_EQ(out.status, 204);
    EXPECT_TRUE(out.setCookie.contains("Max-Age=0"));
    ASSERT_TRUE(until([&] { return client.closed; }));
    ASSERT_NE(client.last("bye"), nullptr);
    EXPECT_FALSE(desk->link().isSignedIn("admin")) << "the operator's last browser session ended the field's";

    // The cookie replayed: no session, no socket.
    EXPECT_EQ(request("GET", "/api/session", {}, {{"Cookie", cookie}}).status, 401);
    EXPECT_EQ(request("POST", "/api/signout", {}, {{"Cookie", cookie}, {"X-CSRF-Token", csrf}}).status, 403);
    Client replay;
    open(replay, session.cookie, origin());
    replay.send({{"t", "hello"}, {"csrf", QString::fromLatin1(csrf)}});
    EXPECT_TRUE(until([&] { return replay.closed; }));
    EXPECT_EQ(replay.last("welcome"), nullptr);
}

TEST_F(WebServerFixture, WebWrongPasswordsHoldBackTheirLoginFromTheirAddressOnly) {
    for (int i = 0; i < SignInLimiter::kFreeFailures; ++i)
        EXPECT_EQ(signIn("admin", "wrong").status, 401) << i;
    const Reply held = signIn("admin", kPassword);
    EXPECT_EQ(held.status, 429) << "even the right password waits after the failures";
    EXPECT_GE(held.retryAfter.toInt(), 1);
    // Made-up logins from the same address fail as wrong passwords do, and lock no one else out.
    for (int i = 0; i < 2 * SignInLimiter::kFreeFailures; ++i)
        EXPECT_EQ(signIn(QStringLiteral("nobody%1").arg(i), "whatever").status, 401) << i;
    EXPECT_EQ(signIn("akim", kPassword).status, 200) << "a neighbour on the same address signs in";
    clockMs += SignInLimiter::kFirstDelayMs;
    EXPECT_EQ(signIn("admin", kPassword).status, 200) << "the hold is over";
}

struct WebProxyFixture : WebServerFixture {
    void SetUp() override {
        trustedProxies = {QHostAddress::LocalHost};
        WebServerFixture::SetUp();
    }
    Reply signInVia(const QByteArray& client, const QString& login, const QByteArray& password) {
        const QJsonObject body{{"login", login}, {"password", QString::fromUtf8(password)}};
        return request("POST", "/api/signin", QJsonDocument(body).toJson(), {{"X-Forwarded-For", client}});
    }
};

TEST_F(WebProxyFixture, WebBehindTheProxyAGuessersFailuresHoldBackOnlyTheGuesser) {
    for (int i = 0; i < 3 * SignInLimiter::kFreeFailures; ++i)
        signInVia("192.0.2.66", "admin", "guess");
    EXPECT_EQ(signInVia("192.0.2.66", "admin", kPassword).status, 429);
    EXPECT_EQ(signInVia("192.0.2.10", "admin", kPassword).status, 200) << "admin at another desk is not locked out";
    // A client that names itself another's address only prepends to what the proxy appends.
    EXPECT_EQ(signInVia("192.0.2.10, 192.0.2.66", "admin", kPassword).status, 429);
}

TEST_F(WebServerFixture, WebSignInsPerAddressArePacedWhateverTheirLogins) {
    int paced = 0;
    for (int i = 0; i < 40 && paced == 0; ++i) {
        const Reply r = signIn(QStringLiteral("nobody%1").arg(i), "whatever");
        paced = r.status == 429 ? i : 0;
    }
    EXPECT_GE(paced, 10) << "a burst of sign-ins goes through";
    clockMs += 60 * 1000;
    EXPECT_EQ(signIn("akim", kPassword).status, 200) << "the pace lets sign-ins through again";
}

TEST_F(WebServerFixture, WebHalfSentRequestsAndIdleConnectionsTimeOutAndOneAddressIsCapped) {
    Client tab;
    Reply session;
    welcomed(tab, session);
    const QByteArray body = QJsonDocument(QJsonObject{{"login", "admin"}, {"password", "x"}}).toJson();
    std::vector<std::unique_ptr<QTcpSocket>> halfSent, idle;
    for (int i = 0; i < 10; ++i) {
        halfSent.push_back(raw("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: "));  // headers never end
        halfSent.push_back(raw("POST /api/signin HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100\r\n\r\n" +
                               body.left(10)));  // the body never ends
    }
    // Connections that say nothing; past the cap, an address's connections are refused at once.
    for (int i = 0; i < ConnectionGuard::kMaxPerAddress; ++i)
        idle.push_back(raw({}));
    const auto open = [](const std::vector<std::unique_ptr<QTcpSocket>>& sockets) {
        return std::count_if(sockets.begin(), sockets.end(),
                             [](const auto& s) { return s->state() == QAbstractSocket::ConnectedState; });
    };
    until([&] { return desk->connections().refused() > 0; });
    until([] { return false; }, 300);
    // The tab's socket is its own; the connections the test's client kept alive count.
    EXPECT_GE(desk->connections().refused(), int(halfSent.size()));
    EXPECT_LT(open(halfSent) + open(idle), ConnectionGuard::kMaxPerAddress);

    clockMs += ConnectionGuard::kRequestMs + 1;
    desk->connections().sweep();
    EXPECT_TRUE(until([&] { return open(halfSent) == 0; })) << "half-sent requests are dropped";
    EXPECT_GT(open(idle), 0) << "idle ones have longer";
    clockMs += ConnectionGuard::kIdleMs;
    desk->connections().sweep();
    EXPECT_TRUE(until([&] { return open(idle) == 0; })) << "idle connections are dropped";
    EXPECT_FALSE(tab.closed) << "the tab's socket is the tab's business";
    EXPECT_EQ(signIn("akim", kPassword).status, 200) << "a real request is served";
}

TEST_F(WebServerFixture, WebAMessageFloodIsDroppedAndLoggedOnceAndTheTabGoesOn) {
    Client client;
    Reply session;
    welcomed(client, session);
    const int errorsBefore = log.errorCount();
    for (int i = 0; i < 2000; ++i) {
        client.socket.sendTextMessage(QStringLiteral("{not json %1").arg(i));
        client.send({{"t", "find"}, {"text", QString::number(i)}});
    }
    client.socket.flush();
    until([] { return false; }, 1500);
    EXPECT_FALSE(client.closed);
    EXPECT_LE(log.errorCount() - errorsBefore, 2) << "one line for the flood, one for the malformed messages";
    // Once the pace allows again, the tab is served as before.
    clockMs += 10000;
    client.send({{"t", "find"}, {"text", "no point is named like this"}});
    client.send({{"t", "view"}, {"views", QJsonArray{QJsonObject{{"section", 0}, {"first", 0}, {"count", 5}}}}});
    ASSERT_TRUE(
        until([&] { return client.last("rows") != nullptr && client.last("rows")->value("total").toInt() == 0; }));
}

TEST_F(WebServerFixture, WebOneUsersSignInsEndOnlyTheirOwnOldestSession) {
    const Reply admin = signIn("admin", kPassword);
    ASSERT_EQ(admin.status, 200);
    Client first;
    Reply firstSession;
    welcomed(first, firstSession, QStringLiteral("akim"));
    for (int i = 1; i < SessionTable::kMaxSessionsPerLogin; ++i) {
        clockMs += 10;
        ASSERT_EQ(signIn("akim", kPassword).status, 200) << i;
    }
    clockMs += 10;
    EXPECT_EQ(signIn("akim", kPassword).status, 200);
    ASSERT_TRUE(until([&] { return first.closed; })) << "the evicted session's socket is closed";
    EXPECT_EQ(desk->session(firstSession.cookie, false), nullptr);
    // Many more: paced, and admin's session stays whatever happens.
    for (int i = 0; i < 3 * SessionTable::kMaxSessionsPerLogin; ++i) {
        clockMs += 1000;
        signIn("akim", kPassword);
    }
    EXPECT_NE(desk->session(admin.cookie, false), nullptr) << "another user's sign-ins never end admin's session";
}

struct WebExpiryFixture : WebServerFixture {
    void SetUp() override { start(300); }
};

TEST_F(WebExpiryFixture, APageThatOnlyPingsIsNotInUseUnlessAWallDisplaysWhichWatchesOnly) {
    Client page, wall;
    Reply pageSession, wallSession;
    welcomed(page, pageSession);
    const QJsonObject wallBody{{"login", "akim"}, {"password", QString::fromUtf8(kPassword)}, {"wall", true}};
    wallSession = request("POST", "/api/signin", QJsonDocument(wallBody).toJson());
    ASSERT_EQ(wallSession.status, 200);
    EXPECT_TRUE(wallSession.json().value("wall").toBool());
    ASSERT_TRUE(open(wall, wallSession.cookie, origin()));
    wall.send({{"t", "hello"}, {"csrf", wallSession.json().value("csrf")}});
    ASSERT_TRUE(until([&] { return wall.last("welcome") != nullptr; }));
    for (int i = 0; i < 6; ++i) {
        clockMs += 100;
        page.send({{"t", "ping"}});
        wall.send({{"t", "ping"}});
        until([] { return false; }, 50);
    }
    EXPECT_EQ(desk->session(pageSession.cookie, false), nullptr) << "an idle page's session ended";
    ASSERT_NE(desk->session(wallSession.cookie, false), nullptr) << "the wall display watching stays signed in";

    // It watches only: its menus are greyed and a command is refused.
    const int section = usedSection(wall);
    wall.send({{"t", "view"}, {"views", QJsonArray{QJsonObject{{"section", section}, {"first", 0}, {"count", 1}}}}});
    ASSERT_TRUE(until([&] { return wall.last("rows") != nullptr; }));
    const int key = wall.last("rows")->value("rows").toArray().first().toObject().value("key").toInt();
    wall.send({{"t", "menu"}, {"section", section}, {"key", key}});
    ASSERT_TRUE(until([&] { return wall.last("menu") != nullptr; }));
    for (const QJsonValue& item : wall.last("menu")->value("items").toArray())
        EXPECT_FALSE(item.toObject().value("enabled").toBool());
    wall.send({{"t", "command"},
               {"section", section},
               {"key", key},
               {"id", "any"},
               {"csrf", wallSession.json().value("csrf")}});
    ASSERT_TRUE(until([&] { return wall.last("command") != nullptr; }));
    EXPECT_FALSE(wall.last("command")->value("ok").toBool());

    // Once its tab is gone, its session idles out as any other.
    wall.socket.close();
    until([&] { return wall.closed; });
    clockMs += 301;
    EXPECT_EQ(desk->session(wallSession.cookie, false), nullptr);
}

/// The server under TLS, with a certificate made by openssl for the run (skipped without openssl).
struct WebTlsFixture : WebServerFixture {
    void SetUp() override {
        const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
        if (openssl.isEmpty())
            GTEST_SKIP() << "no openssl";
        QProcess make;
        make.setWorkingDirectory(dir.path());
        make.start(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out",
                             "server.crt", "-days", "2", "-subj", "/CN=127.0.0.1"});
        ASSERT_TRUE(make.waitForFinished(60000) && make.exitCode() == 0) << make.readAllStandardError().constData();
        start(SessionTable::kDefaultIdleMs, dir.filePath("server.crt"), dir.filePath("server.key"));
    }
};

TEST_F(WebTlsFixture, WebUnderTlsTheCookieIsSecureAndTheSocketIsWss) {
    ASSERT_TRUE(desk->tls());
    Client client;
    Reply session;
    welcomed(client, session);
    EXPECT_TRUE(session.setCookie.endsWith("; Secure")) << session.setCookie.constData();
    EXPECT_TRUE(session.setCookie.startsWith("__Host-sv_session=")) << "only this host over TLS may set it";
    EXPECT_TRUE(session.strictTransport.startsWith("max-age=")) << "browsers keep to TLS";
    EXPECT_EQ(client.last("welcome")->value("operator").toString(), "admin");
}

TEST_F(WebExpiryFixture, WebAnIdleSessionExpiresAndItsCookieIsRefused) {
    const Reply session = signIn("admin", kPassword);
    ASSERT_EQ(session.status, 200);
    clockMs += 300;
    EXPECT_EQ(request("GET", "/api/session", {}, {{"Cookie", "sv_session=" + session.cookie}}).status, 200);
    clockMs += 301;
    EXPECT_EQ(request("GET", "/api/session", {}, {{"Cookie", "sv_session=" + session.cookie}}).status, 401);
    Client client;
    open(client, session.cookie, origin());
    client.send({{"t", "hello"}, {"csrf", session.json().value("csrf")}});
    EXPECT_TRUE(until([&] { return client.closed; }));
    EXPECT_EQ(client.last("welcome"), nullptr);
}

TEST_F(WebServerFixture, WebACommandTheOperatorMayNotSendIsRefusedAtTheDesk) {
    Client client;
    Reply session;
    welcomed(client, session, QStringLiteral("akim"));
    const int section = usedSection(client);
    ASSERT_GE(section, 0);
    client.send({{"t", "view"}, {"views", QJsonArray{QJsonObject{{"section", section}, {"first", 0}, {"count", 1}}}}});
    ASSERT_TRUE(until([&] { return client.last("rows") != nullptr; }));
    const int key = client.last("rows")->value("rows").toArray().first().toObject().value("key").toInt();
    client.send({{"t", "menu"}, {"section", section}, {"key", key}});
    ASSERT_TRUE(until([&] { return client.last("menu") != nullptr; }));
    QString commandId;
    for (const QJsonValue& item : client.last("menu")->value("items").toArray())
        if (!item.toObject().value("enabled").toBool())
            commandId = item.toObject().value("id").toString();
    ASSERT_FALSE(commandId.isEmpty()) << "the viewer has a disabled command in the menu";
    client.send({{"t", "command"},
                 {"section", section},
                 {"key", key},
                 {"id", commandId},
                 {"csrf", session.json().value("csrf")}});
    ASSERT_TRUE(until([&] { return client.last("command") != nullptr; }));
    EXPECT_FALSE(client.last("command")->value("ok").toBool());
    EXPECT_EQ(broadcaster->refusedCommands(), 0) << "nothing reached the field";
}

TEST_F(WebServerFixture, WebAlarmAcknowledgedOrShelvedOnThePageIsRecordedByTheFieldAndShown) {
    Client client;
    Reply session;
    welcomed(client, session);
    // The desk's clock moves as time does, so that the pushes keep coming.
    QElapsedTimer real;
    real.start();
    const qint64 startMs = clockMs;
    const auto alarmOnPage = [&](const QString& address) -> std::optional<QJsonObject> {
        clockMs = startMs + real.elapsed();
        for (const QJsonValue& e : std::as_const(client.attention))
            if (address.isEmpty() ? e.toObject().value("unacknowledged").toBool()
                                  : e.toObject().value("address").toString() == address)
                return e.toObject();
        return std::nullopt;
    };
    std::optional<QJsonObject> alarm;
    const auto findAlarm = [&] {
        alarm.reset();
        return until(
            [&] {
                if (!alarm)
                    field.step(50);
                alarm = alarmOnPage({});
                return alarm.has_value();
            },
            30000);
    };
    ASSERT_TRUE(findAlarm()) << "no alarm waiting on the page";

    client.send({{"t", "acknowledge"},
                 {"section", alarm->value("section")},
                 {"key", alarm->value("key")},
                 {"csrf", "not the session's"}});
    ASSERT_TRUE(until([&] { return client.last("step") != nullptr; }));
    EXPECT_FALSE(client.last("step")->value("ok").toBool()) << "a step needs the session's token";

    // The field's traffic may raise the point anew before the acknowledgement reaches the field:
    // that occurrence is not the one acknowledged, and another alarm is tried.
    QString address;
    bool shown = false;
    for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
        if (attempt > 0)
            ASSERT_TRUE(findAlarm());
        address = alarm->value("address").toString();
        client.messages.clear();
        const int updatesBefore = client.attentionUpdates;
        client.send({{"t", "acknowledge"},
                     {"section", alarm->value("section")},
                     {"key", alarm->value("key")},
                     {"csrf", session.json().value("csrf")},
                     {"comment", "on my way"}});
        if (!until([&] { return client.last("step") != nullptr; }) || !client.last("step")->value("ok").toBool())
            continue;
        // Acknowledged, or (cleared meanwhile) gone from a list pushed since.
        shown = until([&] {
            const std::optional<QJsonObject> now = alarmOnPage(address);
            return client.attentionUpdates > updatesBefore &&
                   (!now || (!now->value("unacknowledged").toBool() && now->value("acknowledgedBy") == "admin"));
        });
    }
    ASSERT_TRUE(shown) << "the page shows the field's record";
    EXPECT_EQ(
        site.scalar("SELECT OperatorName || ' ' || Comment FROM AlarmJournal WHERE Event = 'acknowledged'").toString(),
        "admin on my way");

    // The journal view: the acknowledgement, filtered by the operator; another's filter finds none.
    client.send({{"t", "journal"}, {"operator", "admin"}, {"point", address}});
    ASSERT_TRUE(until([&] { return client.last("journal") != nullptr; }));
    const QJsonArray rows = client.last("journal")->value("rows").toArray();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].toObject().value("event"), "acknowledged");
    EXPECT_EQ(rows[0].toObject().value("comment"), "on my way");
    client.messages.clear();
    client.send({{"t", "journal"}, {"operator", "akim"}});
    ASSERT_TRUE(until([&] { return client.last("journal") != nullptr; }));
    EXPECT_TRUE(client.last("journal")->value("rows").toArray().isEmpty());

    // Shelved from the page: the field records it and every push lists it, with who and until when.
    ASSERT_TRUE(findAlarm());
    const QString shelved = alarm->value("address").toString();
    client.send({{"t", "shelve"},
                 {"section", alarm->value("section")},
                 {"key", alarm->value("key")},
                 {"csrf", session.json().value("csrf")},
                 {"minutes", 15}});
    QJsonObject listed;
    ASSERT_TRUE(until([&] {
        clockMs = startMs + real.elapsed();
        for (const QJsonValue& s : std::as_const(client.shelved))
            if (s.toObject().value("address").toString() == shelved)
                listed = s.toObject();
        return !listed.isEmpty() && !alarmOnPage(shelved);
    })) << "the shelved point is listed apart";
    EXPECT_EQ(listed.value("by"), "admin");
    EXPECT_EQ(listed.value("name"), alarm->value("name"));
    EXPECT_FALSE(listed.value("until").toString().isEmpty());
}

/// The field keeps its report history: a second of storm, a tenth at a time, each tenth's reports
/// at one time; the desk's tabs read it in process.
struct WebPastFixture : WebServerFixture {
    static constexpr qint64 kStart = 1793491200000;  // 2026-11-01 00:00 UTC
    static constexpr qint64 kTick = 100;
    qint64 now = kStart;
    std::unique_ptr<ReportHistory> history;
    int rebuilds = 0;

    void SetUp() override {
        HistoryOptions options;
        options.folder = historyFolderFor(site.url);
        options.clock = [this] { return now; };
        history = std::make_unique<ReportHistory>(options, &log);
        field.setHistory(history.get());
        pastSource = [this](DeskLink&) { return std::make_unique<HistoryPastSource>(*history); };
        WebServerFixture::SetUp();
        for (int tenth = 1; tenth <= 10; ++tenth) {
            now += kTick;
            field.step(kTick);
        }
        field.flush();
        ASSERT_TRUE(field.waitUntilWritten(60000));
        ASSERT_TRUE(history->sync());
    }
    void TearDown() override {
        WebServerFixture::TearDown();
        field.setHistory(nullptr);
    }

    /// A row's cells, the time it was drawn (a time of today: the history's moments are in 2026-11)
    /// left out: a desk opened later draws the same board later.
    static QJsonArray drawnCells(const QJsonArray& cells) {
        QJsonArray out;
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        for (const QJsonValue& cell : cells)
            out.append(cell.toString().startsWith(today) ? QStringLiteral("(drawn)") : cell.toString());
        return out;
    }
    /// The cells of every section's first rows a desk opened on a copy of the site rebuilt at
    /// moment shows, by section.
    QHash<int, QJsonArray> rebuiltAt(qint64 moment, const QString& group) {
        const QString copy = dir.filePath(QStringLiteral("rebuilt-%1.db").arg(++rebuilds));
        copySiteAt(*site.db, copy, history->boardAt(moment));
        struct : StateSource {
            void addSink(StateSink*) override {}
            void removeSink(StateSink*) override {}
        } quiet;
        SyncBus quietBus;
        ResourceTexts texts{&log};
        WorkstationOptions options;
        options.siteUrl = QStringLiteral("sqlite:") + copy;
        options.host.computerName = QStringLiteral("REBUILT");
        options.host.operatorName = QStringLiteral("admin");
        options.logFolder = dir.path();
        options.shownMoment = moment;
        Workstation rebuilt(options, HostServices{&texts, &log, &quietBus, nullptr, nullptr}, quiet, quietBus);
        EXPECT_TRUE(rebuilt.showGroup(group));
        so::StatusReader reader(rebuilt.status());
        QHash<int, QJsonArray> cells;
        for (int section = 0; section < 8; ++section)
            for (const so::StatusReader::Row& row : reader.rows(section, {}, 0, kMaxViewRows).rows)
                cells[section].append(drawnCells(QJsonArray::fromStringList(row.cells)));
        return cells;
    }
    /// The cells of the rows the tab holds now, by section.
    static QHash<int, QJsonArray> shownCells(const Client& client) {
        QHash<int, QJsonArray> cells;
        for (const QJsonObject& m : client.messages)
            if (m.value("t") == "rows") {
                QJsonArray rows;
                for (const QJsonValue& row : m.value("rows").toArray())
                    rows.append(drawnCells(row.toObject().value("cells").toArray()));
                cells[m.value("section").toInt()] = rows;
            }
        for (auto it = cells.begin(); it != cells.end();)
            it = it->isEmpty() ? cells.erase(it) : std::next(it);
        return cells;
    }
    /// The tab was told it shows moment.
    bool shows(Client& client, qint64 moment) {
        return until([&] {
            const QJsonObject* past = client.last("past");
            return past != nullptr && qint64(past->value("moment").toDouble()) == moment &&
                   !past->value("waiting").toBool();
        });
    }
    /// The tab's rows equal the rebuild's at moment, once they came.
    bool showsRebuilt(Client& client, qint64 moment, const QString& group) {
        const QHash<int, QJsonArray> expected = rebuiltAt(moment, group);
        return until([&] { return shownCells(client) == expected; }, 10000);
    }
    void second(Client& client, const Reply& session) {
        ASSERT_TRUE(open(client, session.cookie, origin()));
        client.send({{"t", "hello"}, {"csrf", session.json().value("csrf")}});
        ASSERT_TRUE(until([&] { return client.last("welcome") != nullptr; }));
    }
};

TEST_F(WebPastFixture, ATabAtAMomentShowsTheBoardRebuiltThenStepsTakesNoCommandAndComesBackLive) {
    Client past, live;
    Reply session;
    welcomed(past, session);
    second(live, session);
    const QJsonObject span = past.last("welcome")->value("history").toObject();
    EXPECT_EQ(qint64(span.value("last").toDouble()), kStart + 10 * kTick) << "the history's span is offered";
    const QString group = past.last("welcome")->value("group").toString();
    ASSERT_TRUE(viewEverySection(past));
    ASSERT_TRUE(viewEverySection(live));

    past.send({{"t", "at"}, {"moment", double(kStart + 4 * kTick)}});
    ASSERT_TRUE(shows(past, kStart + 4 * kTick));
    EXPECT_EQ(past.last("past")->value("reports").toInt(), 10);
    EXPECT_EQ(past.last("past")->value("index").toInt(), 3);
    EXPECT_TRUE(past.last("past")->value("banner").toString().contains("not live"));
    EXPECT_TRUE(showsRebuilt(past, kStart + 4 * kTick, group));

    // Steps each way, and to a report by its index (the slider).
    past.send({{"t", "pastStep"}, {"by", 1}});
    ASSERT_TRUE(shows(past, kStart + 5 * kTick));
    EXPECT_TRUE(showsRebuilt(past, kStart + 5 * kTick, group));
    past.send({{"t", "pastStep"}, {"by", -1}});
    past.send({{"t", "pastStep"}, {"by", -1}});
    ASSERT_TRUE(shows(past, kStart + 3 * kTick));
    past.send({{"t", "pastReport"}, {"index", 0}});
    ASSERT_TRUE(shows(past, kStart + kTick));
    EXPECT_TRUE(showsRebuilt(past, kStart + kTick, group));

    // Played ten times as fast, a tenth of a second of the desk's clock plays the rest of the
    // second, and playing stops at the last report.
    past.send({{"t", "pastPlay"}, {"speed", 10}});
    ASSERT_TRUE(until([&] { return past.last("past")->value("speed").toInt() == 10; }));
    clockMs += 100;
    ASSERT_TRUE(shows(past, kStart + 10 * kTick));
    ASSERT_TRUE(until([&] { return past.last("past")->value("speed").toInt() == 0; }));
    past.send({{"t", "pastReport"}, {"index", 0}});
    ASSERT_TRUE(shows(past, kStart + kTick));

    // No command is offered, and one sent anyway (or an alarm step) is refused here.
    const int section = shownCells(past).keys().constFirst();
    const QJsonObject* rows = nullptr;
    for (const QJsonObject& m : past.messages)
        if (m.value("t") == "rows" && m.value("section").toInt() == section && !m.value("rows").toArray().isEmpty())
            rows = &m;
    ASSERT_NE(rows, nullptr);
    const int key = rows->value("rows").toArray().first().toObject().value("key").toInt();
    past.send({{"t", "menu"}, {"section", section}, {"key", key}});
    ASSERT_TRUE(until([&] { return past.last("menu") != nullptr; }));
    for (const QJsonValue& item : past.last("menu")->value("items").toArray())
        EXPECT_FALSE(item.toObject().value("enabled").toBool()) << item.toObject().value("id").toString().toStdString();
    const QJsonValue csrf = session.json().value("csrf");
    past.send({{"t", "command"}, {"section", section}, {"key", key}, {"id", "unlock"}, {"csrf", csrf}});
    past.send({{"t", "acknowledge"}, {"section", section}, {"key", key}, {"csrf", csrf}});
    ASSERT_TRUE(until([&] { return past.last("command") != nullptr && past.last("step") != nullptr; }));
    EXPECT_FALSE(past.last("command")->value("ok").toBool());
    EXPECT_TRUE(past.last("command")->value("text").toString().contains("past"));
    EXPECT_FALSE(past.last("step")->value("ok").toBool());

    // The other tab of the same session stays live: the field's reports reach it, not the past.
    EXPECT_EQ(live.last("past"), nullptr);
    ASSERT_TRUE(fieldChangesReach(live));
    EXPECT_TRUE(showsRebuilt(past, kStart + kTick, group));

    past.send({{"t", "live"}});
    ASSERT_TRUE(until([&] { return past.last("live") != nullptr; }));
    EXPECT_EQ(desk->pastCount(), 0);
    ASSERT_TRUE(until([&] { return shownCells(past) == shownCells(live); }));
}

TEST_F(WebPastFixture, AMomentOutsideTheHistoryAndPastTabsBeyondTheCapAreRefusedAndTheSessionEndsThem) {
    Client first, second, third;
    Reply session;
    welcomed(first, session);
    this->second(second, session);
    this->second(third, session);
    first.send({{"t", "at"}, {"moment", double(kStart - 3600 * 1000)}});
    ASSERT_TRUE(until([&] { return first.last("notice") != nullptr; }));
    EXPECT_TRUE(first.last("notice")->value("text").toString().contains("outside")) << "an hour before it began";
    EXPECT_EQ(first.last("past"), nullptr);

    for (Client* tab : {&first, &second, &third})
        tab->send({{"t", "at"}, {"moment", double(kStart + 5 * kTick)}});
    ASSERT_TRUE(shows(first, kStart + 5 * kTick));
    ASSERT_TRUE(shows(second, kStart + 5 * kTick));
    ASSERT_TRUE(until([&] { return third.last("notice") != nullptr; }));
    EXPECT_TRUE(third.last("notice")->value("text").toString().contains("2 of your tabs")) << "one operator's cap";
    EXPECT_EQ(desk->pastCount(QStringLiteral("admin")), 2);

    // A step or "live" of a tab that is live changes nothing.
    third.send({{"t", "pastStep"}, {"by", 1}});
    first.send({{"t", "live"}});
    ASSERT_TRUE(until([&] { return first.last("live") != nullptr; }));
    third.send({{"t", "at"}, {"moment", double(kStart + 5 * kTick)}});
    ASSERT_TRUE(shows(third, kStart + 5 * kTick)) << "one back to live makes room";

    const Reply out = request("POST", "/api/signout", {},
                              {{"Cookie", "sv_session=" + session.cookie},
                               {"X-CSRF-Token", session.json().value("csrf").toString().toLatin1()},
                               {"Origin", origin().toLatin1()}});
    ASSERT_EQ(out.status, 204);
    ASSERT_TRUE(until([&] { return second.closed && third.closed; }));
    EXPECT_EQ(desk->pastCount(), 0) << "the session's end ends its past";
}

/// The field's history asked over the bus, as the web role asks it.
struct WebBusPastFixture : WebServerFixture {
    int asked = 0;
    void SetUp() override {
        pastSource = [](DeskLink& link) { return std::make_unique<BusPastSource>(link, 30); };
        WebServerFixture::SetUp();
        broadcaster->setPastStretch([this](qint64, qint64, QString& refusal) {
            ++asked;
            refusal = QStringLiteral("no board kept here");
            return QByteArray();
        });
    }
};

TEST_F(WebBusPastFixture, ATabsRequestForThePastCarriesItsOwnOperatorsFieldSessionOnly) {
    Client admin, akim;
    Reply adminSession, akimSession;
    welcomed(admin, adminSession);
    welcomed(akim, akimSession, QStringLiteral("akim"));
    ASSERT_TRUE(until([&] { return desk->link().isSignedIn("admin") && desk->link().isSignedIn("akim"); }));
    const double moment = double(QDateTime::currentMSecsSinceEpoch() - 3600 * 1000);

    admin.send({{"t", "at"}, {"moment", moment}});
    ASSERT_TRUE(until([&] { return admin.last("notice") != nullptr; }));
    EXPECT_TRUE(admin.last("notice")->value("text").toString().contains("no board kept here"))
        << "the field took the request under admin's session and answered";
    EXPECT_GE(asked, 1);
    EXPECT_EQ(desk->pastCount(), 0) << "a past that could not be shown leaves the tab live";

    // The field's session of akim ends; admin's lives and was the last named on the link.
    desk->link().signOut(QStringLiteral("akim"));
    const int beforeAdmin = asked;
    admin.send({{"t", "at"}, {"moment", moment}});
    ASSERT_TRUE(until([&] { return asked > beforeAdmin; }));
    for (int i = 0; i < 20; ++i)
        until([] { return false; }, 10);
    const int beforeAkim = asked;
    akim.send({{"t", "at"}, {"moment", moment}});
    ASSERT_TRUE(until([&] { return akim.last("notice") != nullptr; }));
    EXPECT_TRUE(akim.last("notice")->value("text").toString().contains("signed in"))
        << akim.last("notice")->value("text").toString().toStdString();
    for (int i = 0; i < 20; ++i)
        until([] { return false; }, 10);
    EXPECT_EQ(asked, beforeAkim) << "akim's request never reached the field under admin's session";
}

}  // namespace

/// The desk on the real steady clock, the time of day stepped under it.
struct WebClockStep : WebServerFixture {
    void SetUp() override {
        drivenClock = false;
        WebServerFixture::SetUp();
    }
};

TEST_F(WebClockStep, PushesSessionsAndHoldsKeepTheirPaceWhenTheClockStepsAnHourEachWay) {
    SKIP_UNLESS_CLOCK_STEPS();
    so::test::ClockStep clock;
    Client client;
    Reply session;
    welcomed(client, session);
    ASSERT_TRUE(viewEverySection(client));

    clock.step("-1h", -3600 * 1000);
    EXPECT_TRUE(fieldChangesReach(client)) << "an hour back holds no push";

    clock.step("+1h", 2 * 3600 * 1000);
    EXPECT_EQ(request("GET", "/api/session", {}, {{"Cookie", "sv_session=" + session.cookie}}).status, 200)
        << "an hour forward signs no one out";
    EXPECT_TRUE(fieldChangesReach(client));

    // Held back after the failures: an hour back makes the hold no longer than it was (one second).
    for (int i = 0; i < SignInLimiter::kFreeFailures; ++i)
        signIn("viewer", "wrong");
    clock.step("-1h", -2 * 3600 * 1000);
    const Reply held = signIn("viewer", kPassword);
    if (held.status == 429)
        EXPECT_LE(held.retryAfter.toInt(), 2) << held.retryAfter.constData();
    else
        EXPECT_EQ(held.status, 200);
}
