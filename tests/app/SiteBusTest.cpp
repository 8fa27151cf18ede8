// The field and a desk linked over the in-process bus, each message delivered when the test says:
// the field's session seen online and its death by its last will, a desk's resync answered through
// the field's command gate, a command the operator may not give and one under another desk's
// login refused, an operator signed in through the field and the session ended by signing out and
// by a field restart.
#include "AppLog.h"
#include "AppTestSite.h"
#include "MemoryTransport.h"
#include "MqttSite.h"
#include "SimulatedField.h"
#include "SiteHost.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

using sv::AppLog;
using sv::DeskLink;
using sv::DeskSession;
using sv::FieldBroadcaster;
using sv::FieldOptions;
using sv::MemoryBus;
using sv::MemoryTransport;
using sv::SimulatedField;
using sv::SiteTransport;
namespace wire = sv::wire;
using wire::Topic;

const QString kBusSite = QStringLiteral("main");

/// A field and desk WS1 (operator admin) on one bus, and the login WS2 an attacker holds.
struct SiteBusFixture : ::testing::Test {
    sv::test::DemoSiteFile site{300};
    AppLog log;
    SimulatedField field{*site.db, FieldOptions{}, &log};
    MemoryBus bus;
    MemoryTransport fieldLink{bus, {wire::everyLoginTopic(kBusSite, Topic::Command)}};
    MemoryTransport deskLink{
        bus,
        {wire::topicName(kBusSite, Topic::State), wire::everyLoginTopic(kBusSite, Topic::Notice),
         wire::topicName(kBusSite, Topic::Event), wire::topicName(kBusSite, Topic::Field),
         wire::topicName(kBusSite, Topic::Resync), wire::loginTopic(kBusSite, Topic::Answer, "WS1")}};
    MemoryTransport attacker{bus, {}};
    std::unique_ptr<FieldBroadcaster> broadcaster;
    std::unique_ptr<DeskLink> desk;

    void SetUp() override {
        field.load();
        broadcaster = std::make_unique<FieldBroadcaster>(fieldLink, kBusSite, field, *site.db,
                                                         &sv::SiteHost::operatorPermission, log);
        field.addSink(broadcaster.get());
        desk = std::make_unique<DeskLink>(deskLink, kBusSite, "WS1", log);
        desk->setOperator("admin");
    }
    /// Delivers until nothing is left to deliver (the gate answers at once).
    void drain() {
        while (bus.deliver() > 0) {
        }
    }
    /// Signs op in at WS1; the field's refusal, empty when signed in.
    QString signIn(const QString& op, const QString& password) {
        QString answer = QStringLiteral("no answer");
        desk->signIn(op, password.toUtf8(), [&](const QString& refusal) { answer = refusal; });
        // The field verifies the password on its worker thread.
        until([&] { return answer != QStringLiteral("no answer"); });
        return answer;
    }
    void TearDown() override { field.removeSink(broadcaster.get()); }

    /// Delivers and runs the event loop (the field's writer answers from its thread) until done()
    /// holds, for at most 10 s.
    template <typename Done>
    bool until(Done done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 10000) {
            bus.deliver();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return done();
    }
    bool settled() { return desk->session().fieldState() == DeskSession::FieldState::Online && !desk->isResyncing(); }
};

TEST_F(SiteBusFixture, ADeskSeesTheFieldsSessionResyncsThroughTheGateAndSeesItsDeath) {
    fieldLink.connect();
    deskLink.connect();
    ASSERT_TRUE(until([&] { return settled(); })) << desk->fieldWords().toStdString();
    EXPECT_EQ(desk->session().session(), broadcaster->session());
    EXPECT_EQ(desk->resyncs(), 1);
    EXPECT_EQ(broadcaster->refusedCommands(), 0) << "the resync request passed the gate";

    fieldLink.drop();
    ASSERT_TRUE(until([&] { return desk->session().fieldState() == DeskSession::FieldState::Offline; }));
    EXPECT_TRUE(desk->fieldWords().startsWith("field offline since")) << desk->fieldWords().toStdString();
}

TEST_F(SiteBusFixture, ACommandTheOperatorMayNotGiveOrUnderAnotherLoginIsRefusedAndTold) {
    fieldLink.connect();
    deskLink.connect();
    attacker.connect();
    ASSERT_TRUE(until([&] { return settled(); }));
    ASSERT_EQ(signIn("akim", "akim-demo"), "");
    ASSERT_EQ(signIn("admin", "admin-demo"), "");
    QString told;
    QString toldTo;
    desk->commandRefused = [&](const QString& text) {
        told = text;
        toldTo = desk->refusedOperator();
    };

    desk->setOperator("akim");
    desk->dtApiCall(1, "CALL_API|CONTROLFUNCTION|FORCEON", 2);
    // A desk serving several operators (the web desk) names another before the answer comes.
    desk->setOperator("admin");
    ASSERT_TRUE(until([&] { return desk->commandsRefused() == 1; }));
    EXPECT_TRUE(told.startsWith("The field refused the command")) << told.toStdString();
    EXPECT_EQ(toldTo, "akim") << "the refusal names the operator whose command it was";
    EXPECT_TRUE(desk->refusedOperator().isEmpty());

    // WS2's login sends a command naming WS1 (its own topic: the broker's ACL allows only that).
    wire::Command forged;
    forged.sender = "WS1";
    forged.session = 5;
    forged.number = 1;
    forged.sentMs = QDateTime::currentMSecsSinceEpoch();
    forged.operatorLogin = "admin";
    forged.kind = wire::Command::Kind::ApiCall;
    forged.a = 1;
    forged.text = "CALL_API|CONTROLFUNCTION|FORCEON";
    forged.c = 2;
    attacker.publish(wire::loginTopic(kBusSite, Topic::Command, "WS2"), wire::encode(forged),
                     SiteTransport::AtLeastOnce);
    ASSERT_TRUE(until([&] { return broadcaster->refusedCommands() == 2; }));
    EXPECT_EQ(desk->commandsRefused(), 1) << "the answer to WS2 does not reach WS1";
}

TEST_F(SiteBusFixture, AnOperatorsCommandsRunOnlyWhileSignedInThroughTheField) {
    fieldLink.connect();
    deskLink.connect();
    ASSERT_TRUE(until([&] { return settled(); }));
    QString told;
    desk->commandRefused = [&](const QString& text) { told = text; };
    int lost = 0;
    desk->sessionsLost = [&] { ++lost; };
    const auto command = [&] {
        told.clear();
        desk->dtApiCall(1, "CALL_API|CONTROLFUNCTION|FORCEON", 2);
        drain();
        return told;
    };

    EXPECT_TRUE(command().contains("no operator is signed in")) << "the desk's word is not enough";

    // The field does not verify a password on its own event loop: the sign-in is answered only
    // once its worker thread is done, the bus meanwhile delivered.
    QString early = QStringLiteral("no answer");
    desk->signIn("akim", "akim-demo", [&](const QString& refusal) { early = refusal; });
    drain();
    EXPECT_EQ(early, "no answer");
    ASSERT_TRUE(until([&] { return early != QStringLiteral("no answer"); }));
    EXPECT_EQ(early, "");
    EXPECT_EQ(signIn("admin", "not the password"), "wrong operator name or password");
    EXPECT_FALSE(desk->isSignedIn("admin"));
    EXPECT_EQ(signIn("admin", "admin-demo"), "");
    EXPECT_TRUE(desk->isSignedIn("admin"));
    EXPECT_EQ(command(), "") << "runs once signed in";

    desk->signOut("admin");
    drain();
    EXPECT_FALSE(desk->isSignedIn("admin"));
    EXPECT_TRUE(command().contains("no operator is signed in")) << "signed out";

    // A new run of the field holds no session: the desk forgets its own and says so.
    ASSERT_EQ(signIn("admin", "admin-demo"), "");
    field.removeSink(broadcaster.get());
    broadcaster = std::make_unique<FieldBroadcaster>(fieldLink, kBusSite, field, *site.db,
                                                     &sv::SiteHost::operatorPermission, log);
    field.addSink(broadcaster.get());
    fieldLink.drop();
    fieldLink.connect();
    ASSERT_TRUE(until([&] { return settled() && desk->session().session() == broadcaster->session(); }));
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(desk->isSignedIn("admin"));
}

}  // namespace
