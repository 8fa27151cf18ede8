// The field and a desk linked over the in-process bus, each message delivered when the test says:
// the field's session seen online and its death by its last will, a desk's resync answered through
// the field's command gate, a command the operator may not give and one under another desk's
// login refused; one login's flood of resync requests, device commands and notices folded, dropped
// and said once, costing the others nothing; an operator signed in through the field and the session
// ended by signing out and by a field restart; each report handed over with the field's time of it.
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/SiteHost.h"
#include "support/ClockStep.h"
#include "support/EventLoop.h"

#include "AppTestSite.h"
#include "MemoryTransport.h"
#include "MqttSite.h"

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
         wire::loginTopic(kBusSite, Topic::Resync, "WS1"), wire::loginTopic(kBusSite, Topic::Answer, "WS1")}};
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
    /// holds, for at most 30 s: a bound only a hung run reaches, however loaded the machine.
    template <typename Done>
    bool until(Done done) {
        return so::test::runEventsUntil(30000, done, [this] { bus.deliver(); });
    }
    bool settled() { return desk->session().fieldState() == DeskSession::FieldState::Online && !desk->isResyncing(); }
    /// Runs the event loop (the desk's ticks) for `ms` without delivering a message, or until `done`.
    template <typename Done>
    bool spin(int ms, Done done) {
        return so::test::runEventsUntil(ms, done);
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

TEST_F(SiteBusFixture, ADeskIsHandedTheFieldsTimeOfEachReportHoweverLateItArrivesAndTimesItWhenMeasuring) {
    sv::test::RecordingSink sink;
    desk->addSink(&sink);
    fieldLink.connect();
    deskLink.connect();
    ASSERT_TRUE(until([&] { return settled(); }));
    desk->setMeasuring(true);
    desk->takeAppliedReports();
    const auto timeOfDay = [] { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); };
    const QString before = timeOfDay();
    // The report's own time when its source gave one; the field's clock for none or a text that is no time.
    broadcaster->StateChange("STD_INPUT", "\\\\SNET.P001.C0101.BI01", 3, "2024-03-05 18:47:02", "");
    broadcaster->StateChange("STD_INPUT", "\\\\SNET.P001.C0101.BI02", 3, "", "");
    broadcaster->StateChange("STD_INPUT", "\\\\SNET.P001.C0101.BI03", 3, "05.03.2024 18:47", "");
    const QString reported = timeOfDay();
    broadcaster->sendPending();
    spin(1500, [] { return false; });  // the broker holds them a while
    drain();
    const QString arrived = timeOfDay();
    ASSERT_EQ(sink.times.size(), 3);
    EXPECT_EQ(sink.times[0], "2024-03-05 18:47:02");
    for (int i : {1, 2}) {
        EXPECT_GE(sink.times[i], before) << i;
        EXPECT_LE(sink.times[i], reported) << i << ": the field's time, not the arrival's " << arrived.toStdString();
    }
    // Each report applied: its number, the field's time of it and the desk's once applied.
    const QVector<DeskLink::AppliedReport> applied = desk->takeAppliedReports();
    ASSERT_EQ(applied.size(), 3);
    EXPECT_EQ(QDateTime::fromMSecsSinceEpoch(applied[0].atMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
              "2024-03-05 18:47:02");
    for (int i : {1, 2}) {
        EXPECT_EQ(applied[i].seq, applied[0].seq + i);
        EXPECT_GE(applied[i].appliedMs - applied[i].atMs, 1000) << i << ": held by the broker for 1.5 s";
    }
    EXPECT_TRUE(desk->takeAppliedReports().isEmpty()) << "taken once";
    desk->removeSink(&sink);
}

TEST_F(SiteBusFixture, EachDigestTheDeskIsLevelWithHasItCheckASliceOfItsRowsAndSayWhatDiffered) {
    QVector<int> asked;
    desk->auditRows = [&](int count) {
        asked.append(count);
        return asked.size() == 1 ? 3 : 0;  // the first slice held three drifted rows
    };
    fieldLink.connect();
    deskLink.connect();
    ASSERT_TRUE(until([&] { return settled(); })) << desk->fieldWords().toStdString();
    // The field sends a digest a second once the site holds what it covers.
    ASSERT_TRUE(until([&] { return asked.size() >= 2; })) << desk->fieldWords().toStdString();
    EXPECT_EQ(asked.first(), DeskLink::kRowsCheckedPerDigest);
    EXPECT_EQ(desk->rowsRedrawn(), 3);
    EXPECT_TRUE(desk->fieldWords().endsWith(" redrawn 3")) << desk->fieldWords().toStdString();
    EXPECT_EQ(log.lines().filter(QStringLiteral("3 shown rows differed from the site and were drawn again")).size(), 1);
    EXPECT_EQ(desk->session().digestMismatches(), 0);
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

TEST_F(SiteBusFixture, OneLoginsFloodIsFoldedAnsweredToItAloneAndLoggedOnce) {
    // Sees every login's resync answers and WS1's requests, as no desk may (the broker's ACL gives
    // each its own).
    MemoryTransport watcher{
        bus, {wire::everyLoginTopic(kBusSite, Topic::Resync), wire::loginTopic(kBusSite, Topic::Command, "WS1")}};
    QHash<QString, int> answered;  // complete answers per login
    int ws1Asked = 0;              // WS1's resync requests
    watcher.onMessage = [&](const QString& topic, const QByteArray& payload) {
        QString error;
        if (topic == wire::loginTopic(kBusSite, Topic::Command, "WS1")) {
            if (const auto ask = wire::decodeCommand(payload, error); ask && ask->kind == wire::Command::Kind::Resync)
                ++ws1Asked;
        } else if (const auto part = wire::decodeSnapshot(payload, error); part && part->last) {
            ++answered[topic.section(QLatin1Char('/'), -1)];
        }
    };
    fieldLink.connect();
    deskLink.connect();
    attacker.connect();
    watcher.connect();
    // WS1 may ask twice as it starts (connected, then the field seen online): the second answer
    // comes a second after the first, however long the machine takes to get there. (Asked three
    // times, two of them folded into one answer, it waits out the bound instead.)
    ASSERT_TRUE(until([&] { return settled(); }));
    until([&] { return answered.value("WS1") >= ws1Asked; });
    const int resyncs = desk->resyncs();
    const int ws1Answers = answered.value("WS1");
    const int errorsBefore = log.errorCount();

    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const QString topic = wire::loginTopic(kBusSite, Topic::Command, "WS2");
    for (qint64 n = 1; n <= 2500; ++n) {
        wire::Command ask;
        ask.sender = "WS2";
        ask.session = n;  // a fresh run each time
        ask.number = 1;
        ask.sentMs = now;
        ask.kind = wire::Command::Kind::Resync;
        ask.a = n;
        attacker.publish(topic, wire::encode(ask), SiteTransport::AtLeastOnce);
        wire::Command force = ask;
        force.kind = wire::Command::Kind::ApiCall;
        force.operatorLogin = "admin";
        force.a = 1;
        force.text = "CALL_API|CONTROLFUNCTION|FORCEON";
        force.c = 2;
        attacker.publish(topic, wire::encode(force), SiteTransport::AtLeastOnce);
        attacker.publish(wire::loginTopic(kBusSite, Topic::Notice, "WS2"), "not a notice", SiteTransport::AtLeastOnce);
    }
    // The first answer at once, the other 2,499 requests folded into one a second later.
    ASSERT_TRUE(until([&] { return answered.value("WS2") == 2; })) << answered.value("WS2");
    EXPECT_EQ(answered.value("WS1"), ws1Answers);
    EXPECT_EQ(desk->resyncs(), resyncs) << "WS1 took no part in WS2's resyncs";
    EXPECT_EQ(desk->noticesDropped() + desk->rejectedPayloads(), 2500);
    EXPECT_LT(desk->rejectedPayloads(), 100) << "read: the burst and the pace; the rest dropped unread";
    // Every one is refused: past the budget before the site database is asked, within it (each
    // under a fresh run) by the bound on a login's live runs or for want of the operator's session.
    EXPECT_EQ(broadcaster->refusedCommands(), 2500);
    EXPECT_LE(log.errorCount() - errorsBefore, 2 * sv::FieldBroadcaster::kFloodLogLines)
        << log.lines().join('\n').right(2000).toStdString();

    // WS1 still gets its own answer when it asks.
    const int asked = broadcaster->resyncAnswers();
    deskLink.drop();
    deskLink.connect();
    ASSERT_TRUE(until([&] { return answered.value("WS1") > ws1Answers && settled(); }));
    EXPECT_LE(broadcaster->resyncAnswers(), asked + 2);
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
