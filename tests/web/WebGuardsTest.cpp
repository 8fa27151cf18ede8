// The web desk's guards and messages without a network: the sign-in limiter's delays, the
// session table's expiry and sign-out, cookies and origins, the users file, the page's messages
// and the push pacing.
#include "web/WebGuards.h"
#include "web/WebProtocol.h"

#include "AttentionEdit.h"

#include <gtest/gtest.h>

#include <random>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

using namespace sv::web;

TEST(WebSignInLimiter, HoldsAKeyBackAfterFiveFailuresTwiceAsLongEachTime) {
    SignInLimiter limiter;
    const QString key = QStringLiteral("login:alice");
    qint64 now = 1'000'000;
    for (int i = 0; i < SignInLimiter::kFreeFailures; ++i) {
        EXPECT_EQ(limiter.waitMs(key, now), 0) << i;
        limiter.failed(key, now);
    }
    struct Step {
        qint64 afterMs;
        qint64 wait;
    };
    // After the fifth failure: 1 s; a failure then doubles it.
    EXPECT_EQ(limiter.waitMs(key, now), 1000);
    EXPECT_EQ(limiter.waitMs(key, now + 400), 600);
    EXPECT_EQ(limiter.waitMs(key, now + 1000), 0);
    limiter.failed(key, now += 1000);
    EXPECT_EQ(limiter.waitMs(key, now), 2000);
    limiter.failed(key, now += 2000);
    EXPECT_EQ(limiter.waitMs(key, now), 4000);
    EXPECT_EQ(limiter.waitMs(QStringLiteral("login:bob"), now), 0) << "keys are apart";
    for (int i = 0; i < 40; ++i)
        limiter.failed(key, now);
    EXPECT_EQ(limiter.waitMs(key, now), SignInLimiter::kMaxDelayMs) << "the delay has a ceiling";
    limiter.succeeded(key);
    EXPECT_EQ(limiter.waitMs(key, now), 0);
}

TEST(WebSignInLimiter, AFloodOfMadeUpKeysStaysBoundedAndKeepsTheNewest) {
    SignInLimiter limiter;
    const QString recent = QStringLiteral("login:recent");
    qint64 now = 10000;
    for (int i = 0; i < SignInLimiter::kMaxKeys * 3; ++i) {
        limiter.failed(QStringLiteral("login:x%1").arg(i), now++);
        if (i % 1000 == 0)
            for (int k = 0; k < SignInLimiter::kFreeFailures; ++k)
                limiter.failed(recent, now);
        EXPECT_LE(limiter.size(), SignInLimiter::kMaxKeys);
    }
    EXPECT_GT(limiter.waitMs(recent, now), 0) << "a key that failed lately is still held back";
    limiter.failed(QStringLiteral("address:late"), now + SignInLimiter::kForgetMs + 1);
    EXPECT_EQ(limiter.size(), 1) << "keys quiet for an hour are forgotten";
}

TEST(WebSessionTable, ATokenLivesWhileUsedAndNeverAfterSignOutOrIdleTime) {
    SessionTable table(1000);
    const WebSession opened = *table.open(QStringLiteral("alice"), QStringLiteral("admin"), 0);
    EXPECT_EQ(opened.token.size(), 43);
    EXPECT_NE(opened.token, opened.csrf);
    ASSERT_NE(table.find(opened.token, 900), nullptr);
    ASSERT_NE(table.find(opened.token, 1800), nullptr) << "used at 900: idle since then";
    EXPECT_EQ(table.find(opened.token, 1800)->operatorName, "admin");

    QByteArray forged = opened.token;
    forged[0] = forged[0] == 'a' ? 'b' : 'a';
    EXPECT_EQ(table.find(forged, 1800), nullptr);
    EXPECT_EQ(table.find(opened.token.left(42), 1800), nullptr);
    EXPECT_EQ(table.find({}, 1800), nullptr);

    EXPECT_EQ(table.find(opened.token, 2900), nullptr) << "idle 1100 ms";
    EXPECT_EQ(table.find(opened.token, 2901), nullptr) << "and gone for good";

    const WebSession other = *table.open(QStringLiteral("bob"), QStringLiteral("mlee"), 5000);
    EXPECT_TRUE(table.hasOperator(QStringLiteral("mlee")));
    EXPECT_TRUE(table.close(other.token));
    EXPECT_EQ(table.find(other.token, 5001), nullptr);
    EXPECT_FALSE(table.hasOperator(QStringLiteral("mlee")));

    const WebSession third = *table.open(QStringLiteral("carol"), QStringLiteral("akim"), 6000);
    EXPECT_EQ(table.expire(6500), QList<QByteArray>{});
    EXPECT_EQ(table.expire(7001), QList<QByteArray>{third.token});
}

TEST(WebSessionTable, TokensAreFreshEachTime) {
    SessionTable table;
    QSet<QByteArray> seen;
    for (int i = 0; i < 200; ++i) {
        const WebSession s = *table.open(QStringLiteral("u%1").arg(i), QStringLiteral("admin"), i);
        EXPECT_FALSE(seen.contains(s.token));
        EXPECT_FALSE(seen.contains(s.csrf));
        seen << s.token << s.csrf;
    }
}

TEST(WebSessionTable, ALoginsOwnOldestSessionGoesNeverAnothers) {
    SessionTable table(60000);
    const QByteArray admin = table.open(QStringLiteral("admin"), QStringLiteral("admin"), 0)->token;
    QList<QByteArray> viewer;
    for (int i = 0; i < SessionTable::kMaxSessionsPerLogin; ++i)
        viewer << table.open(QStringLiteral("akim"), QStringLiteral("akim"), 10 + i)->token;
    table.find(viewer[0], 100);  // used lately: the least recently used is now the second
    QByteArray evicted;
    ASSERT_NE(table.open(QStringLiteral("akim"), QStringLiteral("akim"), 200, &evicted), nullptr);
    EXPECT_EQ(evicted, viewer[1]);
    EXPECT_EQ(table.find(viewer[1], 200), nullptr);
    EXPECT_NE(table.find(viewer[0], 200), nullptr);
    for (int i = 0; i < 3 * SessionTable::kMaxSessionsPerLogin; ++i)
        table.open(QStringLiteral("akim"), QStringLiteral("akim"), 300 + i);
    EXPECT_NE(table.find(admin, 400), nullptr) << "another login's sign-ins never end admin's session";
    EXPECT_EQ(table.size(), 1 + SessionTable::kMaxSessionsPerLogin);
}

TEST(WebSessionTable, AFullTableRefusesANewLoginRatherThanEndAnothersSession) {
    SessionTable table(60000);
    for (int i = 0; i < SessionTable::kMaxSessions; ++i)
        ASSERT_NE(table.open(QStringLiteral("u%1").arg(i), QStringLiteral("akim"), i), nullptr);
    QByteArray evicted;
    EXPECT_EQ(table.open(QStringLiteral("newcomer"), QStringLiteral("akim"), 5000, &evicted), nullptr);
    EXPECT_TRUE(evicted.isEmpty());
    EXPECT_NE(table.open(QStringLiteral("u7"), QStringLiteral("akim"), 5000, &evicted), nullptr)
        << "a login with a session of its own replaces it";
    EXPECT_EQ(table.size(), SessionTable::kMaxSessions);
}

TEST(WebAttemptPace, ABurstThenOneEachStepPerKeyAndTheTableStaysBounded) {
    AttemptPace pace(3, 1000);
    // time -> wait of the attempt (0: it goes)
    const std::pair<qint64, qint64> attempts[] = {{0, 0}, {0, 0}, {0, 0}, {0, 1000}, {999, 1}, {1000, 0}, {1000, 1000}};
    for (const auto& [at, wait] : attempts)
        EXPECT_EQ(pace.take(QStringLiteral("10.0.0.1"), at), wait) << at;
    EXPECT_EQ(pace.take(QStringLiteral("10.0.0.2"), 1000), 0) << "keys are paced apart";
    EXPECT_EQ(pace.wait(QStringLiteral("10.0.0.1"), 5000), 0) << "the credit refilled";
    EXPECT_EQ(pace.wait(QStringLiteral("10.0.0.1"), 1000), 1000) << "wait does not count";
    for (int i = 0; i < 3 * AttemptPace::kMaxKeys; ++i)
        pace.take(QStringLiteral("made-up %1").arg(i), 10000 + i * 1000);
    EXPECT_LE(pace.size(), AttemptPace::kMaxKeys + 1);
}

TEST(WebClientAddress, OnlyATrustedProxyNamesTheClient) {
    const QList<QHostAddress> proxies{QHostAddress("10.0.0.5"), QHostAddress("10.0.0.6")};
    struct Case {
        const char* peer;
        QByteArray forwardedFor;
        const char* client;
    };
    const Case cases[] = {
        {"10.0.0.5", "192.0.2.7", "192.0.2.7"},
        {"10.0.0.5", "198.51.100.1, 192.0.2.7", "192.0.2.7"},  // what the client wrote comes first
        {"10.0.0.5", "192.0.2.7, 10.0.0.6", "192.0.2.7"},      // through two proxies of ours
        {"10.0.0.5", "", "10.0.0.5"},
        {"10.0.0.5", "not an address", "10.0.0.5"},
        {"10.0.0.5", "10.0.0.6", "10.0.0.5"},
        {"::ffff:10.0.0.5", "192.0.2.7", "192.0.2.7"},  // the proxy by its mapped address
        {"203.0.113.9", "192.0.2.7", "203.0.113.9"},    // a stranger names whom it likes
    };
    for (const Case& c : cases)
        EXPECT_EQ(clientAddress(QHostAddress(c.peer), c.forwardedFor, proxies), QHostAddress(c.client))
            << c.peer << " " << c.forwardedFor.constData();
}

TEST(WebCookiesAndOrigins, ReadTheSessionCookieAndCheckTheOrigin) {
    struct CookieCase {
        QByteArray header;
        QByteArray token;
    };
    const CookieCase cookies[] = {
        {"sv_session=abc", "abc"},
        {"theme=dark; sv_session=abc; x=1", "abc"},
        {"xsv_session=abc", ""},
        {"theme=dark", ""},
        {"", ""},
    };
    for (const CookieCase& c : cookies)
        EXPECT_EQ(sessionCookie(c.header), c.token) << c.header.constData();

    EXPECT_EQ(sessionCookieHeader("t", false), "sv_session=t; HttpOnly; SameSite=Strict; Path=/");
    EXPECT_TRUE(sessionCookieHeader("t", true).endsWith("; Secure"));
    EXPECT_TRUE(sessionCookieHeader({}, false).contains("Max-Age=0"));

    const QStringList own{QStringLiteral("http://desk.site:8080")};
    struct OriginCase {
        QByteArray origin;
        bool request;
        bool socket;
    };
    const OriginCase origins[] = {
        {"http://desk.site:8080", true, true},
        {"HTTP://DESK.SITE:8080", true, true},
        {"", true, false},  // not a cross-site browser request; a browser's socket always says
        {"http://desk.site:8081", false, false},
        {"https://desk.site:8080", false, false},
        {"http://evil.example", false, false},
        {"null", false, false},
    };
    for (const OriginCase& c : origins) {
        EXPECT_EQ(originAllowed(c.origin, own), c.request) << c.origin.constData();
        EXPECT_EQ(socketOriginAllowed(c.origin, own), c.socket) << c.origin.constData();
    }
    EXPECT_FALSE(originAllowed("http://desk.site:8080", {})) << "no Host header: no own origin";
}

TEST(WebLogins, OnlyALoginThatCanBeLoggedAsWrittenAndAnIntactHashPass) {
    for (const char* bad : {"", " alice", "al:ice", "tab\there", "x\ny"})
        EXPECT_FALSE(validUserName(QString::fromUtf8(bad))) << bad;
    EXPECT_TRUE(validUserName(QStringLiteral("Morgan Lee")));
    EXPECT_FALSE(sv::passwordMatches("$argon2id$damaged", "x"));
    EXPECT_FALSE(sv::passwordMatches({}, ""));
}

TEST(WebClientMessages, TakeWhatTheContractSaysAndRefuseTheRest) {
    struct Case {
        const char* json;
        ClientMessage::Kind kind;
    };
    using K = ClientMessage::Kind;
    const Case cases[] = {
        {R"({"t":"hello","csrf":"abc"})", K::Hello},
        {R"({"t":"hello"})", K::Invalid},
        {R"({"t":"hello","csrf":"abc","group":"Lobby"})", K::Hello},
        {R"({"t":"hello","csrf":"abc","group":["Lobby"]})", K::Invalid},
        {R"({"t":"attentionAgain"})", K::AttentionAgain},
        {R"({"t":"sort","section":2,"column":1,"descending":true})", K::Sort},
        {R"({"t":"sort","section":2,"column":-1,"descending":false})", K::Sort},
        {R"({"t":"sort","section":2,"column":-2,"descending":false})", K::Invalid},
        {R"({"t":"sort","section":8,"column":0,"descending":false})", K::Invalid},
        {R"({"t":"sort","section":2,"column":1e9,"descending":false})", K::Invalid},
        {R"({"t":"sort","section":2,"column":1})", K::Invalid},
        {R"({"t":"group","name":"Entire Site"})", K::Group},
        {R"({"t":"group","name":7})", K::Invalid},
        {R"({"t":"view","views":[{"section":0,"first":0,"count":50}]})", K::View},
        {R"({"t":"view","views":[{"section":8,"first":0,"count":50}]})", K::Invalid},
        {R"({"t":"view","views":[{"section":1.5,"first":0,"count":50}]})", K::Invalid},
        {R"({"t":"view","views":[{"section":0,"first":-1,"count":50}]})", K::Invalid},
        {R"({"t":"view","views":{}})", K::Invalid},
        {R"({"t":"find","text":""})", K::Find},
        {R"({"t":"abnormal","on":true})", K::Abnormal},
        {R"({"t":"abnormal","on":"yes"})", K::Invalid},
        {R"({"t":"menu","section":2,"key":17})", K::Menu},
        {R"({"t":"menu","section":2})", K::Invalid},
        {R"({"t":"command","section":2,"key":17,"id":"1.2","csrf":"abc"})", K::Command},
        {R"({"t":"command","section":2,"key":17,"id":"1.2"})", K::Invalid},
        {R"({"t":"clearCleared"})", K::ClearCleared},
        {R"({"t":"locate","section":1,"key":40})", K::Locate},
        {R"({"t":"locate","section":1,"key":-1})", K::Invalid},
        {R"({"t":"acknowledge","section":0,"key":3,"csrf":"abc"})", K::Acknowledge},
        {R"({"t":"acknowledge","section":0,"key":3,"csrf":"abc","comment":"guard sent"})", K::Acknowledge},
        {R"({"t":"acknowledge","section":0,"key":3})", K::Invalid},
        {R"({"t":"acknowledge","section":0,"key":3,"csrf":"abc","comment":7})", K::Invalid},
        {R"({"t":"shelve","section":0,"key":3,"csrf":"abc","minutes":15})", K::Shelve},
        {R"({"t":"shelve","section":0,"key":3,"csrf":"abc","minutes":480})", K::Shelve},
        {R"({"t":"shelve","section":0,"key":3,"csrf":"abc","minutes":14})", K::Invalid},
        {R"({"t":"shelve","section":0,"key":3,"csrf":"abc","minutes":481})", K::Invalid},
        {R"({"t":"shelve","section":0,"key":3,"csrf":"abc"})", K::Invalid},
        {R"({"t":"journal"})", K::Journal},
        {R"({"t":"journal","point":"DR01","operator":"mlee","from":"2026-12-07T08:00","to":"2026-12-07T18:00"})",
         K::Journal},
        {R"({"t":"journal","from":"yesterday"})", K::Invalid},
        {R"({"t":"journal","point":7})", K::Invalid},
        {R"({"t":"at","moment":1793491200400})", K::At},
        {R"({"t":"at","moment":0})", K::Invalid},
        {R"({"t":"at","moment":1793491200400.5})", K::Invalid},
        {R"({"t":"at","moment":1e300})", K::Invalid},
        {R"({"t":"at","moment":"1793491200400"})", K::Invalid},
        {R"({"t":"pastStep","by":-1})", K::PastStep},
        {R"({"t":"pastStep","by":0})", K::Invalid},
        {R"({"t":"pastStep","by":5})", K::Invalid},
        {R"({"t":"pastReport","index":0})", K::PastReport},
        {R"({"t":"pastReport","index":-1})", K::Invalid},
        {R"({"t":"pastPlay","speed":60})", K::PastPlay},
        {R"({"t":"pastPlay","speed":0})", K::PastPlay},
        {R"({"t":"pastPlay","speed":30})", K::Invalid},
        {R"({"t":"live"})", K::Live},
        {R"({"t":"drop tables"})", K::Invalid},
        {R"([1,2,3])", K::Invalid},
        {R"({"t":"find","text":)", K::Invalid},
        {"", K::Invalid},
    };
    for (const Case& c : cases) {
        const ClientMessage m = parseClientMessage(QByteArray(c.json));
        EXPECT_EQ(m.kind, c.kind) << c.json;
        EXPECT_EQ(m.error.isEmpty(), c.kind != K::Invalid) << c.json;
    }
    EXPECT_EQ(parseClientMessage(R"({"t":"at","moment":1793491200400})").moment, 1793491200400);
    const ClientMessage view = parseClientMessage(R"({"t":"view","views":[{"section":3,"first":10,"count":100000}]})");
    ASSERT_EQ(view.views.size(), 1);
    EXPECT_EQ(view.views[0], (SectionView{3, 10, kMaxViewRows})) << "a view is capped";
    EXPECT_EQ(parseClientMessage(QByteArray(kMaxMessageBytes + 1, ' ')).kind, K::Invalid);
    const QByteArray longComment = R"({"t":"acknowledge","section":0,"key":3,"csrf":"abc","comment":")" +
                                   QByteArray(kMaxComment + 1, 'x') + R"("})";
    EXPECT_EQ(parseClientMessage(longComment).kind, K::Invalid) << "a comment is bounded";
}

TEST(WebServerMessages, CarryTextAsTextAndSeverityAsWords) {
    so::StatusReader::Rows rows;
    rows.total = 1;
    rows.rows.append({5,
                      {QStringLiteral("<img src=x onerror=alert(1)>"), QStringLiteral("C1P2")},
                      so::StatusReader::Severity::Alarm,
                      QStringLiteral("in alarm"),
                      true});
    const QJsonObject message = rowsMessage(2, 0, rows);
    const QJsonObject row = message.value("rows").toArray().first().toObject();
    EXPECT_EQ(row.value("cells").toArray().first().toString(), "<img src=x onerror=alert(1)>");
    EXPECT_EQ(row.value("severity").toString(), "alarm");
    EXPECT_TRUE(row.value("recent").toBool());
    EXPECT_EQ(message.value("total").toInt(), 1);

    QVector<so::StatusReader::AttentionItem> many(kMaxAttentionEntries + 5);
    const QJsonObject attention = attentionMessage(attentionSnapshot(many, 3));
    EXPECT_EQ(attention.value("entries").toArray().size(), kMaxAttentionEntries);
    EXPECT_EQ(attention.value("total").toInt(), kMaxAttentionEntries + 5);
    EXPECT_EQ(attention.value("version").toInt(), 3);
    EXPECT_EQ(attention.value("entries").toArray().first().toObject().value("severity").toString(), "warning");
    EXPECT_EQ(attentionMessage(attentionSnapshot(many.mid(0, 3), 4, 4000)).value("total").toInt(), 4000)
        << "a list read in part tells the whole list's length";

    QVector<so::StatusReader::ShelvedItem> shelved(kMaxAttentionEntries + 5);
    shelved[0] = {QStringLiteral("\\\\SNET.P001.C0101.BI03"), QStringLiteral("<b>Dock</b>"), QStringLiteral("mlee"),
                  QStringLiteral("10:42:13")};
    const AttentionSnapshot withShelved = attentionSnapshot({}, 5, 0, shelved);
    const QJsonArray points = attentionMessage(withShelved).value("shelved").toArray();
    EXPECT_EQ(points.size(), kMaxAttentionEntries) << "bounded as the entries are";
    EXPECT_EQ(
        points.first().toObject(),
        (QJsonObject{
            {"address", "\\\\SNET.P001.C0101.BI03"}, {"name", "<b>Dock</b>"}, {"by", "mlee"}, {"until", "10:42:13"}}));
    EXPECT_EQ(attentionChangesMessage(attentionSnapshot({}, 4, 0), withShelved).value("shelved").toArray(), points)
        << "a change of the list carries the shelved points too";
    EXPECT_FALSE(attentionSnapshot({}, 4, 0).sameAs(withShelved)) << "a shelving alone is a change to send";
}

namespace {

/// An attention list of doors (section 0) by key, each with the words given ("" for "Forced open").
AttentionSnapshot doors(quint64 version, const QVector<std::pair<int, QString>>& keys) {
    QVector<so::StatusReader::AttentionItem> items;
    for (const auto& [key, words] : keys) {
        so::StatusReader::AttentionItem item;
        item.key = key;
        item.words = words.isEmpty() ? QStringLiteral("Forced open") : words;
        items.append(item);
    }
    return attentionSnapshot(items, version);
}

/// The list a page holding `held` makes of a change.
QStringList applied(const AttentionSnapshot& held, const QJsonObject& changes) {
    QJsonArray entries;
    for (const QJsonObject& e : held.entries)
        entries.append(e);
    QStringList out;
    for (const QJsonValue& e : sv::web::test::editedAttention(entries, changes))
        out << QStringLiteral("%1 %2").arg(e["key"].toInt()).arg(e["words"].toString());
    return out;
}

}  // namespace

TEST(WebAttentionChanges, NameOnlyWhatChangedAndMakeTheNewListFromTheHeldOne) {
    const AttentionSnapshot held = doors(1, {{1, {}}, {2, {}}, {3, {}}, {4, {}}});
    struct Case {
        const char* what;
        QVector<std::pair<int, QString>> next;
        const char* order;
        int changed;
    };
    for (const Case& c : {
             Case{"a new alarm on top", {{9, {}}, {1, {}}, {2, {}}, {3, {}}, {4, {}}}, R"(["0:9",4])", 1},
             Case{"one gone, the last not reached", {{1, {}}, {3, {}}}, "[1,-1,1]", 0},
             Case{"one reworded in place",
                  {{1, {}}, {2, {}}, {3, QStringLiteral("Held open")}, {4, {}}},
                  R"([2,-1,"0:3",1])",
                  1},
             Case{"the last moved up", {{4, {}}, {1, {}}, {2, {}}, {3, {}}}, R"(["0:4",3])", 0},
             Case{"the first moved down alone", {{2, {}}, {3, {}}, {4, {}}, {1, {}}}, R"([-1,3,"0:1"])", 0},
             Case{"nothing changed", {{1, {}}, {2, {}}, {3, {}}, {4, {}}}, "[4]", 0},
             Case{"everything cleared", {}, "[]", 0},
         }) {
        const AttentionSnapshot next = doors(2, c.next);
        const QJsonObject changes = attentionChangesMessage(held, next);
        EXPECT_EQ(QJsonDocument(changes.value("order").toArray()).toJson(QJsonDocument::Compact), c.order) << c.what;
        EXPECT_EQ(changes.value("changed").toArray().size(), c.changed) << c.what;
        EXPECT_EQ(changes.value("base").toInt(), 1);
        EXPECT_EQ(changes.value("version").toInt(), 2);
        EXPECT_EQ(applied(held, changes), applied(next, attentionChangesMessage(next, next))) << c.what;
    }
    EXPECT_FALSE(doors(3, {{1, {}}, {1, {}}}).unique) << "a point listed twice: the whole list goes";
}

TEST(WebAttentionChanges, AnyShuffleOfAStormIsMadeExactly) {
    // Lists that differ by entries come and gone, reworded and moved, many times over: the
    // page's edit of the held list is always the new list.
    std::mt19937 random(20261208);
    QVector<std::pair<int, QString>> keys;
    for (int i = 0; i < 40; ++i)
        keys.append({i, QString()});
    AttentionSnapshot held = doors(0, keys);
    for (quint64 round = 1; round <= 300; ++round) {
        for (int change = int(random() % 6); change >= 0; --change) {
            const int at = keys.isEmpty() ? 0 : int(random() % keys.size());
            switch (random() % 4) {
            case 0: keys.insert(int(random() % (keys.size() + 1)), {100 + int(round) * 10 + change, QString()}); break;
            case 1:
                if (!keys.isEmpty())
                    keys.remove(at);
                break;
            case 2:
                if (!keys.isEmpty())
                    keys[at].second = QStringLiteral("step %1").arg(round);
                break;
            case 3:
                if (!keys.isEmpty())
                    keys.move(at, int(random() % keys.size()));
                break;
            }
        }
        const AttentionSnapshot next = doors(round, keys);
        ASSERT_EQ(applied(held, attentionChangesMessage(held, next)),
                  applied(next, attentionChangesMessage(next, next)))
            << "round " << round;
        held = next;
    }
}

TEST(WebPushPacer, PushesAtMostTenTimesASecondAndNothingWhenNothingChanged) {
    PushPacer pacer;
    EXPECT_EQ(pacer.mark(0), 0) << "the first change goes at once";
    EXPECT_EQ(pacer.mark(1), -1) << "already due";
    EXPECT_TRUE(pacer.take(5));
    EXPECT_FALSE(pacer.take(6)) << "nothing new";
    EXPECT_EQ(pacer.mark(30), 75) << "the next push waits for its 100 ms";
    EXPECT_EQ(pacer.mark(50), -1);
    EXPECT_TRUE(pacer.take(105));
    EXPECT_EQ(pacer.mark(400), 0) << "a quiet tab's change goes at once";

    SentMessages sent;
    const QJsonObject counts{{"t", "counts"}, {"alarms", 1}};
    EXPECT_FALSE(sent.changed(QStringLiteral("counts"), counts).isEmpty());
    EXPECT_TRUE(sent.changed(QStringLiteral("counts"), counts).isEmpty());
    EXPECT_FALSE(sent.changed(QStringLiteral("rows:1"), counts).isEmpty()) << "channels are apart";
    sent.clear();
    EXPECT_FALSE(sent.changed(QStringLiteral("counts"), counts).isEmpty());
}

// A tab whose socket still holds bytes gets no push; it stays dirty and pushes once, the newest
// state, when the socket drained.
TEST(WebPushPacer, APushDueWhileTheSocketHoldsBytesWaitsForItToDrain) {
    enum Op { Mark, Take, Drained };
    struct Step {
        Op op;
        qint64 now;
        qint64 unsent;    // bytes the socket holds, for Take
        qint64 expected;  // Mark/Drained: the delay (-1: none scheduled); Take: 1 pushed, 0 not
    };
    struct Case {
        const char* name;
        QVector<Step> steps;
    };
    const QVector<Case> cases{
        {"held, then pushed once when drained",
         {{Mark, 0, 0, 0},
          {Take, 0, 900, 0},
          {Mark, 40, 0, -1},
          {Mark, 80, 0, -1},
          {Drained, 300, 0, 0},
          {Take, 300, 0, 1},
          {Take, 301, 0, 0}}},
        {"drained after a push that went: nothing to schedule",
         {{Mark, 0, 0, 0}, {Take, 0, 0, 1}, {Drained, 10, 0, -1}, {Mark, 20, 0, 80}}},
        {"held twice while the socket stays full",
         {{Mark, 0, 0, 0},
          {Take, 0, 0, 1},
          {Mark, 10, 0, 90},
          {Take, 100, 50, 0},
          {Drained, 150, 0, 0},
          {Take, 150, 70, 0},
          {Drained, 400, 0, 0},
          {Take, 400, 0, 1},
          {Mark, 420, 0, 80}}},
        {"nothing changed: drained schedules no push", {{Drained, 0, 0, -1}, {Take, 5, 100, 0}, {Drained, 10, 0, -1}}},
    };
    for (const Case& c : cases) {
        PushPacer pacer;
        for (int i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            qint64 got = 0;
            switch (s.op) {
            case Mark: got = pacer.mark(s.now); break;
            case Take: got = pacer.take(s.now, s.unsent) ? 1 : 0; break;
            case Drained: got = pacer.drained(s.now); break;
            }
            EXPECT_EQ(got, s.expected) << c.name << ", step " << i;
        }
    }
}

}  // namespace
