// The field and a desk linked over the in-process bus, each message delivered when the test says:
// the field's session seen online and its death by its last will, a desk's resync answered through
// the field's command gate, a command the operator may not give and one under another desk's
// login refused.
#include "AppLog.h"
#include "AppTestSite.h"
#include "MemoryTransport.h"
#include "MqttSite.h"
#include "SimulatedField.h"
#include "SiteHost.h"
#include "support/ClockStep.h"

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
    /// Runs the event loop (the desk's ticks) for `ms` without delivering a message, or until `done`.
    template <typename Done>
    bool spin(int ms, Done done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
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

}  // namespace

TEST_F(SiteBusFixture, ClockStepsNeitherHurryNorHoldADesksResync) {
    SKIP_UNLESS_CLOCK_STEPS();
    so::test::ClockStep clock;
    fieldLink.connect();
    deskLink.connect();
    // One message at a time until the desk, having seen the field online, has asked: the request
    // waits on the bus unanswered.
    QElapsedTimer waited;
    waited.start();
    while (!(desk->session().fieldState() == DeskSession::FieldState::Online && desk->isResyncing()) &&
           waited.elapsed() < 10000) {
        bus.deliver(1);
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(desk->isResyncing());

    clock.step("+1h", 3600 * 1000);
    spin(750, [] { return false; });
    EXPECT_FALSE(desk->session().isOverdue()) << "an hour forward is not an unanswered request";

    clock.step("-1h", -2 * 3600 * 1000);
    EXPECT_TRUE(spin(15000, [&] { return desk->session().isOverdue(); }))
        << "an hour back still asks again after " << DeskSession::kRetryMs << " ms";
    EXPECT_TRUE(until([&] { return settled(); })) << desk->fieldWords().toStdString();
}
