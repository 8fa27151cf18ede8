// What the field checks before it executes a desk's command: the desk is the login that published
// it, the command is new, the operator it names is signed in at that desk with the session the
// command carries, and may command every point it acts on, by the rule the status window's menus
// use (on the demo site: akim may command nothing, mlee nothing at the door kept from the Guards,
// admin everything). Sign-ins are verified against the site's directory and slowed after failures.
#include "host/SiteHost.h"

#include "AppTestSite.h"
#include "CommandGate.h"

#include <statusobject/CommandRule.h>

#include <gtest/gtest.h>

namespace {

using sv::CommandGate;
using sv::ReplayGuard;
using sv::wire::Command;

constexpr qint64 kNow = 1700000000000;

TEST(ReplayGuard, OnlyANewCommandOfARecentRunPasses) {
    ReplayGuard guard;
    const qint64 w = ReplayGuard::kWindowMs;
    const struct {
        const char* desk;
        qint64 session, number, sentMs;
        bool passes;
        const char* why;
    } steps[] = {
        {"WS1", 7, 1, kNow, true, "the first command of a run"},
        {"WS1", 7, 1, kNow, false, "the same again (replayed)"},
        {"WS1", 7, 3, kNow, true, "numbers may skip"},
        {"WS1", 7, 2, kNow, false, "an older number of the run"},
        {"WS2", 7, 1, kNow, true, "another desk counts on its own"},
        {"WS1", 8, 1, kNow, true, "a restarted desk starts a new run"},
        {"WS1", 7, 4, kNow, true, "the first run goes on"},
        {"WS1", 9, 1, kNow - w - 1, false, "sent longer ago than the window"},
        {"WS1", 9, 1, kNow + w + 1, false, "sent ahead of the field's clock"},
        {"WS1", 9, 1, kNow - w, true, "at the window's edge"},
    };
    for (const auto& s : steps)
        EXPECT_EQ(guard.check(s.desk, s.session, s.number, s.sentMs, kNow).isEmpty(), s.passes) << s.why;
}

TEST(ReplayGuard, ALoginsRunsAreBoundedWithoutForgettingALiveOne) {
    ReplayGuard guard;
    const qint64 w = ReplayGuard::kWindowMs;
    // The desk's run; its command 5 is captured. A second run's commands were sent by a clock 9 s
    // ahead of the field's: they stay young longer.
    ASSERT_TRUE(guard.check("WS1", 1, 5, kNow, kNow).isEmpty());
    ASSERT_TRUE(guard.check("WS1", 2, 3, kNow + 9000, kNow).isEmpty());
    // A flood of fresh runs from the same login: the bound takes 6 more, the rest are refused.
    int taken = 0;
    for (qint64 run = 100; run < 120; ++run)
        taken += guard.check("WS1", run, 1, kNow, kNow + 10).isEmpty() ? 1 : 0;
    EXPECT_EQ(taken, 6);
    EXPECT_TRUE(guard.check("WS1", 120, 1, kNow, kNow + 10).contains("new run"));
    EXPECT_FALSE(guard.check("WS1", 1, 5, kNow, kNow + 20).isEmpty()) << "the captured command replayed";
    EXPECT_TRUE(guard.check("WS1", 1, 6, kNow + 20, kNow + 20).isEmpty()) << "the live run goes on";
    EXPECT_TRUE(guard.check("WS2", 1, 1, kNow, kNow + 20).isEmpty()) << "another login's runs are its own";

    // Past the window the flood's runs and run 1 are forgotten and a restarted desk is taken; run
    // 1's command is refused by its age, run 2's (still young by its sending time) by its number.
    const qint64 later = kNow + 20 + w + 1;
    EXPECT_TRUE(guard.check("WS1", 3, 1, later, later).isEmpty());
    EXPECT_FALSE(guard.check("WS1", 1, 5, kNow, later).isEmpty());
    EXPECT_TRUE(guard.check("WS1", 2, 3, kNow + 9000, later).contains("already received"));
}

struct CommandGateFixture : ::testing::Test {
    sv::test::DemoSiteFile site;
    QString door = site.site.boundaryAddress;  // kept from mlee
    QString otherDoor = site.scalar(QStringLiteral("SELECT Address FROM Doors WHERE Address <> '%1' ORDER BY Address")
                                        .arg(site.site.boundaryAddress))
                            .toString();
    /// What the command acts on, keyed by its first argument.
    QHash<qint64, QStringList> targets{{1, {door}}, {2, {otherDoor}}, {3, {otherDoor, door}}, {4, {}}};
    CommandGate gate{*site.db, [this](const Command& c) { return targets.value(c.a); },
                     &sv::SiteHost::operatorPermission};
    qint64 number = 0;
    /// The field's steady clock.
    qint64 steady = 1000;
    /// The session of each operator signed in at WS1.
    QHash<QString, QByteArray> tokens;

    void SetUp() override {
        for (const char* op : {"admin", "mlee", "akim"})
            tokens.insert(op, signIn(op, QString::fromLatin1(op) + "-demo"));
    }
    /// Signs op in at login's desk; the session's token, empty when refused (why in refusal).
    QByteArray signIn(const QString& op, const QString& password, const QString& login = "WS1",
                      QString* refusal = nullptr) {
        steady += 250;
        Command c = command(op, 0, Command::Kind::SignIn);
        c.sender = login;
        c.text = password;
        QString why = QStringLiteral("no answer");
        QByteArray token;
        const QString early = gate.check(login, c, kNow, steady, [&](const QString& r, const QByteArray& t) {
            why = r;
            token = t;
        });
        if (refusal != nullptr)
            *refusal = early.isEmpty() ? why : early;
        return token;
    }

    Command command(const QString& op, qint64 target, Command::Kind kind = Command::Kind::ApiCall) {
        Command c;
        c.token = tokens.value(op);
        c.sender = "WS1";
        c.session = 42;
        c.number = ++number;
        c.sentMs = kNow;
        c.operatorLogin = op;
        c.kind = kind;
        c.a = target;
        c.text = "CALL_API|DOORFUNCTION|UNLOCK_DOOR";
        return c;
    }
    QString check(const Command& c, const QString& login = "WS1") { return gate.check(login, c, kNow, steady); }
};

TEST_F(CommandGateFixture, TheOperatorsRightsDecideAsTheWindowsMenusDo) {
    ASSERT_FALSE(door.isEmpty());
    ASSERT_FALSE(otherDoor.isEmpty());
    const struct {
        const char* op;
        qint64 target;
        bool passes;
        const char* why;
    } cases[] = {
        {"admin", 1, true, "every permission"},
        {"mlee", 2, true, "a door outside the boundaries"},
        {"mlee", 1, false, "the door kept from the Guards"},
        {"mlee", 3, false, "one point of several kept from the operator"},
        {"akim", 2, false, "no command permission"},
        {"nobody", 2, false, "no such operator"},
        {"admin", 4, false, "a command that acts on no point"},
    };
    for (const auto& c : cases) {
        const QString refusal = check(command(c.op, c.target));
        EXPECT_EQ(refusal.isEmpty(), c.passes) << c.why << ": " << refusal.toStdString();
    }
    EXPECT_TRUE(check(command("mlee", 1)).contains(door)) << "the refusal names the point";
    // The rule is the window's: mlee may not command the door there either.
    EXPECT_FALSE(
        so::mayCommandPoint(door, {[](qint32&) { return true; },
                                   [&](const QString& a) { return so::outsideOperatorBoundaries(*site.db, 2, a); }}));
}

TEST_F(CommandGateFixture, ACommandPublishedUnderAnotherLoginOrReplayedIsRefused) {
    const Command c = command("admin", 2);
    EXPECT_TRUE(check(c, "WS2").contains("WS2")) << "WS2's login speaking as WS1";
    EXPECT_TRUE(check(c).isEmpty()) << "the refusal above did not use up the number";
    EXPECT_FALSE(check(c).isEmpty()) << "replayed";

    // A resync needs no operator, but is still a desk's own.
    Command resync = command({}, 0, Command::Kind::Resync);
    EXPECT_TRUE(check(resync).isEmpty());
    EXPECT_FALSE(check(resync, "field").isEmpty());

    // A field restarted with its clock ten minutes behind still answers a desk's resync request,
    // while a device command from that desk is too far ahead of its clock to run.
    resync.number = ++number;
    resync.sentMs = kNow + 600000;
    EXPECT_TRUE(check(resync).isEmpty()) << "a resync request is taken whatever the desk's clock says";
    Command ahead = command("admin", 2);
    ahead.sentMs = kNow + 600000;
    EXPECT_TRUE(check(ahead).contains("ahead")) << check(ahead).toStdString();
}

TEST_F(CommandGateFixture, ResyncRequestsUnderFreshRunsCannotPushACapturedCommandsRunOut) {
    const Command captured = command("admin", 2);
    ASSERT_TRUE(check(captured).isEmpty());
    for (qint64 run = 1000; run < 1050; ++run) {
        Command resync = command({}, 0, Command::Kind::Resync);
        resync.session = run;
        check(resync);
    }
    EXPECT_TRUE(check(captured).contains("already received"));
}

TEST_F(CommandGateFixture, AnOperatorsRightsThatCannotBeReadRefuseTheCommand) {
    site.db->execute(QStringLiteral("DROP TABLE boundaries"));
    EXPECT_TRUE(check(command("admin", 2)).contains("could not be read"));
}

TEST_F(CommandGateFixture, ACommandRunsOnlyUnderTheSessionOfTheOperatorItNamesAtThatDesk) {
    QByteArray ws2Admin = signIn("admin", "admin-demo", "WS2");
    ASSERT_EQ(ws2Admin.size(), sv::OperatorSessions::kTokenBytes);
    QByteArray signedOut = signIn("admin", "admin-demo");
    Command out = command("admin", 0, Command::Kind::SignOut);
    out.token = signedOut;
    ASSERT_TRUE(check(out).isEmpty());

    const struct {
        const char* op;
        QByteArray token;
        const char* sender;
        const char* refusal;  // empty: runs
        const char* why;
    } cases[] = {
        {"admin", tokens.value("admin"), "WS1", "", "admin's own session at WS1"},
        {"admin", {}, "WS1", "no operator is signed in", "no session at all (the desk's word only)"},
        {"admin", tokens.value("akim"), "WS1", "not the one signed in", "akim's session naming admin"},
        {"admin", ws2Admin, "WS1", "another desk", "admin's session of WS2 used from WS1's login"},
        {"admin", QByteArray(32, 'x'), "WS1", "sign in again", "a made-up session"},
        {"admin", tokens.value("admin").left(31) + 'x', "WS1", "sign in again", "a session altered by one byte"},
        {"admin", signedOut, "WS1", "sign in again", "a session signed out"},
    };
    for (const auto& c : cases) {
        Command cmd = command(c.op, 2);
        cmd.token = c.token;
        cmd.sender = c.sender;
        const QString refusal = check(cmd, c.sender);
        if (*c.refusal == 0)
            EXPECT_TRUE(refusal.isEmpty()) << c.why << ": " << refusal.toStdString();
        else
            EXPECT_TRUE(refusal.contains(c.refusal)) << c.why << ": " << refusal.toStdString();
    }
    // WS2's own session still works there: the refusal above did not end it.
    Command fromWs2 = command("admin", 2);
    fromWs2.sender = "WS2";
    fromWs2.token = ws2Admin;
    EXPECT_TRUE(check(fromWs2, "WS2").isEmpty());
}

TEST_F(CommandGateFixture, ASessionExpiresAfterItsIdleTimeOrItsLifetime) {
    using Sessions = sv::OperatorSessions;
    tokens["admin"] = signIn("admin", "admin-demo");
    steady += Sessions::kIdleMs - 1;
    EXPECT_TRUE(check(command("admin", 2)).isEmpty()) << "used just within the idle time";
    steady += Sessions::kIdleMs + 1;
    EXPECT_TRUE(check(command("admin", 2)).contains("expired"));
    EXPECT_TRUE(check(command("admin", 2)).contains("sign in again")) << "gone once expired";

    // Used often, it still ends at its lifetime.
    tokens["admin"] = signIn("admin", "admin-demo");
    const qint64 opened = steady;
    for (steady = opened; steady < opened + Sessions::kLifetimeMs; steady += Sessions::kIdleMs / 2)
        ASSERT_TRUE(check(command("admin", 2)).isEmpty());
    steady = opened + Sessions::kLifetimeMs + 1;
    EXPECT_TRUE(check(command("admin", 2)).contains("expired"));
}

TEST_F(CommandGateFixture, WrongPasswordsAreSlowedPerDeskAndPerOperator) {
    // 300 wrong passwords, four a second (74 s): five free failures, then one
    // each after 1, 2, 4, 8, 16 and 32 s; the rest are held back without a verification.
    int wrong = 0, heldBack = 0;
    for (int i = 0; i < 300; ++i) {
        QString refusal;
        signIn("mlee", QStringLiteral("guess %1").arg(i), "WS1", &refusal);
        wrong += refusal.contains("wrong operator name or password") ? 1 : 0;
        heldBack += refusal.contains("too many failed sign-ins") ? 1 : 0;
    }
    EXPECT_EQ(wrong, 11);
    EXPECT_EQ(heldBack, 289);

    QString refusal;
    EXPECT_TRUE(signIn("mlee", "mlee-demo", "WS2", &refusal).isEmpty()) << "the operator is held back at every desk";
    EXPECT_TRUE(refusal.contains("too many failed sign-ins")) << refusal.toStdString();
    EXPECT_TRUE(signIn("akim", "mlee-demo", "WS1", &refusal).isEmpty()) << "so is the desk for every operator";
    EXPECT_TRUE(refusal.contains("too many failed sign-ins")) << refusal.toStdString();
    EXPECT_FALSE(signIn("akim", "akim-demo", "WS3").isEmpty()) << "another desk and operator are not";

    steady += sv::SignInLimiter::kMaxDelayMs;
    EXPECT_FALSE(signIn("mlee", "mlee-demo", "WS1", &refusal).isEmpty()) << refusal.toStdString();
}

TEST_F(CommandGateFixture, ABurstOfSignInsIsHeldBackWhileTheFirstAreStillBeingVerified) {
    // The field verifies on a worker thread: here, verifications that have not ended yet.
    QVector<std::function<void(std::optional<bool>)>> verifying;
    gate.setVerifier([&](const sv::OperatorDirectory::Credential&, const QByteArray&,
                         std::function<void(std::optional<bool>)> done) { verifying.append(std::move(done)); });
    int heldBack = 0;
    for (int i = 0; i < 300; ++i) {
        Command c = command("mlee", 0, Command::Kind::SignIn);
        c.text = QStringLiteral("guess %1").arg(i);
        heldBack += check(c).contains("too many failed sign-ins") ? 1 : 0;
    }
    EXPECT_EQ(verifying.size(), 5) << "only the free attempts reach a verification";
    EXPECT_EQ(heldBack, 295);
    QString answer = QStringLiteral("no answer");
    verifying.first()(std::nullopt);
    Command late = command("admin", 0, Command::Kind::SignIn);
    late.sender = "WS2";
    late.text = "admin-demo";
    EXPECT_TRUE(
        gate.check("WS2", late, kNow, steady, [&](const QString& r, const QByteArray&) { answer = r; }).isEmpty());
    verifying.last()(std::nullopt);
    EXPECT_EQ(answer, "the field is busy signing operators in: try again in a moment");
}

TEST_F(CommandGateFixture, ASignInIsADesksOwnNewCommand) {
    Command c = command("admin", 0, Command::Kind::SignIn);
    c.text = "admin-demo";
    steady += 250;
    EXPECT_TRUE(check(c, "WS2").contains("WS2")) << "WS2's login speaking as WS1";
    QByteArray token;
    const auto keep = [&](const QString&, const QByteArray& t) { token = t; };
    EXPECT_TRUE(gate.check("WS1", c, kNow, steady, keep).isEmpty());
    EXPECT_FALSE(token.isEmpty());
    // Whoever holds a sign-in holds its password, so the same sign-in again is one more sign-in,
    // with a session of its own; a sign-in never enters the replay guard, so no number of them
    // pushes a run of commands out of it.
    const QByteArray first = token;
    steady += 250;
    token.clear();
    EXPECT_TRUE(gate.check("WS1", c, kNow, steady, keep).isEmpty());
    EXPECT_FALSE(token.isEmpty());
    EXPECT_NE(token, first);

    // A field restarted with its clock ten minutes behind still signs the desk's operator in.
    c.number = ++number;
    c.sentMs = kNow + 600000;
    steady += 250;
    EXPECT_TRUE(gate.check("WS1", c, kNow, steady, keep).isEmpty());
    EXPECT_FALSE(token.isEmpty());
}

}  // namespace
