#include "support/ContextFixture.h"

#include "domain/Permissions.h"

namespace so::test {
namespace {

class PermissionsTest : public ContextFixture {};

// The kinds asked for are checked where the menu and the sync pipe ask them.
TEST_F(PermissionsTest, AFailingHostGrantsNothingAndIsLogged) {
    qint32 number = 7;
    host.failing.insert(QStringLiteral("PermissionGranted"));
    EXPECT_FALSE(CheckOperatorPermission(ctx, number));
    EXPECT_FALSE(CheckSyncPermission(ctx, number));
    EXPECT_EQ(ownLogReports(), 2);
}

/// A host whose lock is taken by another workstation between the question and the taking.
class RacingHost : public FakeHost {
public:
    bool LockComponent(qint32 kind, qint32 id) override {
        FakeHost::LockComponent(kind, id);
        return false;
    }
};

TEST_F(PermissionsTest, LockComponentA) {
    host.lockedByOthers[qint64(3) * 100000 + 9] = QStringLiteral("Operator B");
    // Locked elsewhere, no message wanted: false, nothing shown, no lock asked for.
    EXPECT_FALSE(LockComponentA(ctx, 3, 9, false, {}));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(host.count(QStringLiteral("LockComponent")), 0);

    // With the message: resource 72 filled with holder and place, titled 3807.
    host.texts[72] = QStringLiteral("Locked by %1 at %2");
    host.texts[74] = QStringLiteral("Locked by %1 at %2 (%3)");
    EXPECT_FALSE(LockComponentA(ctx, 3, 9, true, {}));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Locked by Operator B at WS2"));
    EXPECT_EQ(dialogs.messages[0].title, R(3807));
    EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Information);
    EXPECT_FALSE(LockComponentA(ctx, 3, 9, true, QStringLiteral("group Lobby")));
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("Locked by Operator B at WS2 (group Lobby)"));

    // Free: the lock is taken.
    EXPECT_TRUE(LockComponentA(ctx, 3, 10, true, {}));
    EXPECT_EQ(host.callsNamed(QStringLiteral("LockComponent")).value(0).args, (QVariantList{3, 10}));

    // A lock the host refuses is not reported as taken.
    RacingHost racing;
    ctx.ntConnection = &racing;
    EXPECT_FALSE(LockComponentA(ctx, 3, 11, true, {}));
    EXPECT_EQ(racing.count(QStringLiteral("LockComponent")), 1);
}

TEST_F(PermissionsTest, DialupStates) {
    const char* names[] = {"Idle",      "Answering...", "Line is busy", "Connected", "Dialing...", "Unspecified Error",
                           "No Answer", "No Carrier",   "No Dial Tone", "Ring..."};
    for (qint16 code = 0; code < 10; ++code)
        EXPECT_EQ(GetDialupState(ctx, code), QString::fromLatin1(names[code]));
    EXPECT_EQ(ownLogReports(), 0);
    EXPECT_EQ(GetDialupState(ctx, 10), QString());
    EXPECT_EQ(GetDialupState(ctx, -1), QString());
    EXPECT_EQ(ownLogReports(), 2);
}

}  // namespace
}  // namespace so::test
