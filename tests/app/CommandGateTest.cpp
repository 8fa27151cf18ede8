// What the field checks before it executes a desk's command: the desk is the login that published
// it, the command is new, and the operator it names may command every point it acts on, by the
// rule the status window's menus use (on the demo site: akim may command nothing, mlee nothing at
// the door kept from the Guards, admin everything).
#include "AppTestSite.h"
#include "CommandGate.h"
#include "SiteHost.h"

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

TEST(ReplayGuard, ForgettingOldRunsKeepsTheirCommandsRefusedByAge) {
    ReplayGuard guard;
    ASSERT_TRUE(guard.check("WS1", 1, 5, kNow, kNow).isEmpty());
    for (qint64 run = 2; run <= ReplayGuard::kSessionsPerDesk + 1; ++run)
        ASSERT_TRUE(guard.check("WS1", run, 1, kNow + run, kNow + run).isEmpty());
    // Run 1 is forgotten; its command captured then is still refused once the window has passed.
    EXPECT_FALSE(guard.check("WS1", 1, 5, kNow, kNow + ReplayGuard::kWindowMs + 1).isEmpty());
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

    Command command(const QString& op, qint64 target, Command::Kind kind = Command::Kind::ApiCall) {
        Command c;
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
    QString check(const Command& c, const QString& login = "WS1") { return gate.check(login, c, kNow); }
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

    // A resync needs no operator, but is still a desk's own, new command.
    Command resync = command({}, 0, Command::Kind::Resync);
    EXPECT_TRUE(check(resync).isEmpty());
    EXPECT_FALSE(check(resync).isEmpty());
    resync.number = ++number;
    EXPECT_FALSE(check(resync, "field").isEmpty());

    // A field restarted with its clock ten minutes behind still answers a desk's resync request,
    // while a device command from that desk is too far ahead of its clock to run.
    resync.number = ++number;
    resync.sentMs = kNow + 600000;
    EXPECT_TRUE(check(resync).isEmpty()) << "a resync request is taken whatever the desk's clock says";
    EXPECT_FALSE(check(resync).isEmpty()) << "replayed";
    Command ahead = command("admin", 2);
    ahead.sentMs = kNow + 600000;
    EXPECT_TRUE(check(ahead).contains("ahead")) << check(ahead).toStdString();
}

TEST_F(CommandGateFixture, AnOperatorsRightsThatCannotBeReadRefuseTheCommand) {
    site.db->execute(QStringLiteral("DROP TABLE boundaries"));
    EXPECT_TRUE(check(command("admin", 2)).contains("could not be read"));
}

}  // namespace
