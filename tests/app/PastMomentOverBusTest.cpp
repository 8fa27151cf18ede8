// A desk asks the field for a past moment over the site bus: a signed-in operator's desk gets the
// board the field's history rebuilds; a login without a signed-in operator, a command forged in
// another desk's name, a replayed one and answers that do not fit are refused. (A desk's replay
// over the bus, by stretches: PastStretchTest.)
#include "field/HistoryFormat.h"
#include "field/ReportHistory.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/SiteHost.h"
#include "support/EventLoop.h"

#include "AppTestSite.h"
#include "MemoryTransport.h"
#include "MqttSite.h"

#include <gtest/gtest.h>

#include <QDateTime>

namespace past_moment {

namespace wire = sv::wire;
using wire::Topic;

const QString kSite = QStringLiteral("main");

struct PastMomentOverTheBus : ::testing::Test {
    sv::test::DemoSiteFile site{300};
    sv::AppLog log;
    sv::MemoryBus bus;
    std::unique_ptr<sv::ReportHistory> history;
    std::unique_ptr<so::db::Connection> fieldDb = site.connect();
    std::unique_ptr<sv::SimulatedField> field;
    sv::MemoryTransport fieldLink{bus, {wire::everyLoginTopic(kSite, Topic::Command)}};
    sv::MemoryTransport deskLink{bus,
                                 {wire::topicName(kSite, Topic::Field), wire::loginTopic(kSite, Topic::Answer, "WS1"),
                                  wire::loginTopic(kSite, Topic::Past, "WS1")}};
    // The login WS2, which an attacker holds: it reads what the field sends it and WS1's commands.
    sv::MemoryTransport attacker{
        bus,
        {wire::loginTopic(kSite, Topic::Answer, "WS2"), wire::loginTopic(kSite, Topic::Past, "WS2"),
         wire::loginTopic(kSite, Topic::Command, "WS1")}};
    std::unique_ptr<sv::FieldBroadcaster> broadcaster;
    std::unique_ptr<sv::DeskLink> desk;
    QVector<std::pair<QString, QByteArray>> seen;  // what the attacker's login received

    void SetUp() override {
        log.setEcho(false);
        sv::HistoryOptions options;
        options.folder = sv::historyFolderFor(site.url);
        history = std::make_unique<sv::ReportHistory>(options, &log);
        field = std::make_unique<sv::SimulatedField>(*fieldDb, sv::FieldOptions{}, &log);
        field->setHistory(history.get());
        field->load();
        broadcaster = std::make_unique<sv::FieldBroadcaster>(fieldLink, kSite, *field, *fieldDb,
                                                             &sv::SiteHost::operatorPermission, log);
        broadcaster->setPastBoard(sv::pastBoardAnswer(*history));
        field->addSink(broadcaster.get());
        desk = std::make_unique<sv::DeskLink>(deskLink, kSite, "WS1", log);
        desk->setOperator("admin");
        attacker.onMessage = [this](const QString& topic, const QByteArray& payload) { seen.append({topic, payload}); };
        fieldLink.connect();
        deskLink.connect();
        attacker.connect();
        field->step(200);
        field->flush();
        ASSERT_TRUE(field->waitUntilWritten(60000));
    }
    template <typename Done>
    bool until(Done done) {
        return so::test::runEventsUntil(
            60000, done, [this] { bus.deliver(); }, 10);
    }
    void signIn() {
        QString refusal = QStringLiteral("none yet");
        desk->signIn("admin", "admin-demo", [&](const QString& why) { refusal = why; });
        ASSERT_TRUE(until([&] { return refusal != QStringLiteral("none yet"); }));
        ASSERT_EQ(refusal, QString());
    }
    struct Asked {
        bool answered = false;
        QByteArray board;
        QString refusal;
    };
    Asked ask(qint64 moment) {
        Asked asked;
        desk->requestPastBoard(moment, [&](const QByteArray& board, const QString& refusal) {
            asked = {true, board, refusal};
        });
        until([&] { return asked.answered; });
        return asked;
    }
    int partsTo(const QString& login) const {
        int parts = 0;
        for (const auto& [topic, payload] : seen)
            parts += topic == wire::loginTopic(kSite, Topic::Past, login) ? 1 : 0;
        return parts;
    }
    QString lastRefusalToWs2() const {
        for (qsizetype i = seen.size() - 1; i >= 0; --i) {
            QString error;
            if (seen[i].first == wire::loginTopic(kSite, Topic::Answer, "WS2"))
                if (const auto answer = wire::decodeAnswer(seen[i].second, error))
                    return answer->reason;
        }
        return {};
    }
};

TEST_F(PastMomentOverTheBus, ASignedInDeskGetsTheBoardTheHistoryRebuilds) {
    signIn();
    const qint64 moment = QDateTime::currentMSecsSinceEpoch();
    const Asked asked = ask(moment);
    ASSERT_TRUE(asked.answered);
    ASSERT_EQ(asked.refusal, QString());
    const std::optional<sv::history::PastBoard> board = sv::history::decodePastBoard(asked.board);
    ASSERT_TRUE(board.has_value());
    const sv::history::PastBoard direct = history->boardAt(moment);
    EXPECT_EQ(board->fidelity, sv::history::Fidelity::Exact);
    EXPECT_GT(board->statusRows.size(), 10);
    EXPECT_EQ(board->statusRows, direct.statusRows);
    EXPECT_EQ(board->deviceRows, direct.deviceRows);

    // A moment before the history began is refused with the reason.
    const Asked before = ask(moment - 24LL * 3600 * 1000);
    EXPECT_TRUE(before.refusal.startsWith(QStringLiteral("the history kept begins at")))
        << before.refusal.toStdString();
}

TEST_F(PastMomentOverTheBus, ForgedReplayedAndUnsignedRequestsAreRefused) {
    signIn();
    const qint64 moment = QDateTime::currentMSecsSinceEpoch();
    ASSERT_EQ(ask(moment).refusal, QString());
    // WS1's request as the attacker saw it on the bus.
    QByteArray captured;
    for (const auto& [topic, payload] : seen)
        if (topic == wire::loginTopic(kSite, Topic::Command, "WS1"))
            captured = payload;
    QString error;
    const std::optional<wire::Command> request = wire::decodeCommand(captured, error);
    ASSERT_TRUE(request.has_value()) << error.toStdString();
    ASSERT_EQ(request->kind, wire::Command::Kind::PastBoard);

    const int refusedBefore = broadcaster->refusedCommands();
    struct Case {
        const char* name;
        QString login;  // who publishes it
        wire::Command command;
        const char* why;  // the start of the refusal
    };
    wire::Command unsigned_ = *request;  // WS2's own request, with no operator signed in there
    unsigned_.sender = "WS2";
    unsigned_.token.clear();
    unsigned_.number = 1;
    wire::Command forged = *request;  // WS1's request sent by WS2 under WS1's name
    forged.number += 1;
    wire::Command stolenToken = unsigned_;  // WS1's session used at WS2
    stolenToken.token = request->token;
    stolenToken.number = 2;
    const Case cases[] = {
        {"no operator signed in", "WS2", unsigned_, ""},
        {"forged", "WS2", forged, "it names desk \"WS1\""},
        {"another desk's session", "WS2", stolenToken, ""},
    };
    int refused = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        attacker.publish(wire::loginTopic(kSite, Topic::Command, c.login), wire::encode(c.command),
                         sv::SiteTransport::AtLeastOnce);
        ++refused;
        ASSERT_TRUE(until([&] { return broadcaster->refusedCommands() == refusedBefore + refused; }));
        EXPECT_EQ(partsTo("WS2"), 0);
        EXPECT_FALSE(lastRefusalToWs2().isEmpty());
        EXPECT_TRUE(lastRefusalToWs2().startsWith(QLatin1String(c.why))) << lastRefusalToWs2().toStdString();
    }
    // The captured request published again (as WS1's login could): refused as seen before, and no
    // second answer goes out.
    attacker.publish(wire::loginTopic(kSite, Topic::Command, "WS1"), captured, sv::SiteTransport::AtLeastOnce);
    ASSERT_TRUE(until([&] { return broadcaster->refusedCommands() == refusedBefore + refused + 1; }));
    EXPECT_TRUE(log.lines().join('\n').contains(QStringLiteral("refused")));
}

TEST_F(PastMomentOverTheBus, PartsThatDoNotFitTheAnswerAreRejected) {
    signIn();
    const struct {
        const char* name;
        QByteArray payload;
    } cases[] = {
        {"larger than a part", wire::encode(wire::PastPart{1, 0, 1, QByteArray(wire::PastPart::kMaxBytes + 1, 'x')})},
        {"too many parts", wire::encode(wire::PastPart{1, 0, wire::PastPart::kMaxParts + 1, "x"})},
        {"a part beyond the count", wire::encode(wire::PastPart{1, 3, 2, "x"})},
        {"not a part", QByteArray("garbage")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = desk->rejectedPayloads();
        attacker.publish(wire::loginTopic(kSite, Topic::Past, "WS1"), c.payload, sv::SiteTransport::AtLeastOnce);
        ASSERT_TRUE(until([&] { return desk->rejectedPayloads() == before + 1; }));
    }
    // What is asked afterwards still arrives whole.
    const Asked asked = ask(QDateTime::currentMSecsSinceEpoch());
    EXPECT_EQ(asked.refusal, QString());
    EXPECT_TRUE(sv::history::decodePastBoard(asked.board).has_value());
    // A board's bytes that are not one are refused by the decoder, not read on.
    EXPECT_FALSE(sv::history::decodePastBoard(asked.board.left(asked.board.size() / 2)).has_value());
    EXPECT_FALSE(sv::history::decodePastBoard(QByteArray("\\xff\\xff\\xff\\xffzz", 6)).has_value());
}

}  // namespace past_moment
