// A desk's operator: signed in only once the field says so, a switch that ends the old operator's
// session only after the new one's opened, sign-out, the idle lock, a field restart, and a field
// that never answers.
#include "desk/OperatorSignIn.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

using sv::OperatorSignIn;
using State = OperatorSignIn::State;

/// The field: each sign-in waits for the test to answer it; sign-outs are recorded.
struct FakeField {
    std::function<void(const QString&)> pending;
    QStringList signedOut;
    OperatorSignIn::Field field() {
        return {[this](const QString&, const QByteArray&, std::function<void(const QString&)> done) {
                    pending = std::move(done);
                },
                [this](const QString& login) { signedOut << login; }};
    }
    void answer(const QString& refusal = {}) { std::exchange(pending, {})(refusal); }
};

constexpr qint64 kIdle = 15 * 60 * 1000;

TEST(OperatorSignIn, SignsInSwitchesAndSignsOutOnlyAsTheFieldAnswers) {
    FakeField field;
    OperatorSignIn signIn(field.field(), kIdle);
    QStringList operators;
    signIn.operatorChanged = [&](const QString& login) { operators << login; };

    ASSERT_TRUE(signIn.submit("mlee", "wrong", 0));
    EXPECT_FALSE(signIn.submit("admin", "x", 0)) << "one sign-in at a time";
    field.answer("wrong operator name or password");
    EXPECT_EQ(signIn.state(), State::SignedOut);
    EXPECT_EQ(signIn.message(), "Not signed in: wrong operator name or password");

    signIn.submit(" mlee ", "right", 0);
    EXPECT_EQ(signIn.state(), State::SignedOut) << "not before the field's answer";
    field.answer();
    EXPECT_EQ(signIn.state(), State::SignedIn);
    EXPECT_EQ(signIn.operatorLogin(), "mlee");

    // A refused switch leaves mlee signed in; an accepted one ends her session after admin's opened.
    signIn.submit("admin", "wrong", 0);
    field.answer("wrong operator name or password");
    EXPECT_EQ(signIn.operatorLogin(), "mlee");
    EXPECT_TRUE(field.signedOut.isEmpty());
    signIn.submit("admin", "right", 0);
    field.answer();
    EXPECT_EQ(signIn.operatorLogin(), "admin");
    EXPECT_EQ(field.signedOut, QStringList{"mlee"});
    EXPECT_EQ(operators, (QStringList{"mlee", "admin"}));

    signIn.signOut();
    EXPECT_EQ(signIn.state(), State::SignedOut);
    EXPECT_TRUE(signIn.operatorLogin().isEmpty());
    EXPECT_EQ(field.signedOut, (QStringList{"mlee", "admin"}));
}

TEST(OperatorSignIn, LocksAfterTheIdleTimeAndUnlocksWithThePasswordOrSwitches) {
    FakeField field;
    OperatorSignIn signIn(field.field(), kIdle);
    QStringList operators;
    signIn.operatorChanged = [&](const QString& login) { operators << login; };
    signIn.submit("mlee", "right", 0);
    field.answer();

    signIn.input(kIdle - 1000);
    signIn.tick(2 * kIdle - 1001);
    EXPECT_EQ(signIn.state(), State::SignedIn) << "input restarted the idle time";
    signIn.tick(2 * kIdle - 1000);
    EXPECT_EQ(signIn.state(), State::Locked);
    EXPECT_EQ(signIn.operatorLogin(), "mlee");
    EXPECT_EQ(field.signedOut, QStringList{"mlee"}) << "locking ends the session at the field";

    signIn.submit("mlee", "right", 3 * kIdle);
    field.answer();
    EXPECT_EQ(signIn.state(), State::SignedIn);
    EXPECT_EQ(operators, QStringList{"mlee"}) << "unlocking is no switch";

    signIn.lock();
    signIn.submit("admin", "right", 3 * kIdle);
    field.answer();
    EXPECT_EQ(signIn.operatorLogin(), "admin");
    EXPECT_EQ(operators, (QStringList{"mlee", "admin"}));
    EXPECT_EQ(field.signedOut, (QStringList{"mlee", "mlee"})) << "a locked session is not ended twice";

    OperatorSignIn kiosk(field.field(), 0);
    kiosk.submit("akim", "right", 0);
    field.answer();
    kiosk.tick(1000LL * 24 * 60 * 60 * 1000);
    EXPECT_EQ(kiosk.state(), State::SignedIn) << "a desk without idle time never locks";
}

TEST(OperatorSignIn, AFieldRestartOrNoAnswerAsksForThePasswordAgain) {
    FakeField field;
    OperatorSignIn signIn(field.field(), kIdle);
    signIn.submit("mlee", "right", 0);
    field.answer();
    signIn.fieldRestarted();
    EXPECT_EQ(signIn.state(), State::Locked);
    EXPECT_TRUE(signIn.message().contains("field restarted")) << signIn.message().toStdString();
    EXPECT_TRUE(field.signedOut.isEmpty()) << "the field holds no session to end";

    signIn.submit("mlee", "right", 1000);
    signIn.tick(1000 + OperatorSignIn::kAnswerTimeoutMs - 1);
    EXPECT_TRUE(signIn.waiting());
    signIn.tick(1000 + OperatorSignIn::kAnswerTimeoutMs);
    EXPECT_FALSE(signIn.waiting());
    EXPECT_EQ(signIn.message(), "The field did not answer: try again.");
    EXPECT_TRUE(signIn.submit("mlee", "right", 20000)) << "a new attempt may start";
}

}  // namespace
