// The field's operator sessions on their own: a session is its desk's and its operator's, ends by
// sign-out, idle time or lifetime, is found only by its whole token, and a desk's sessions are
// bounded.
#include "OperatorSessions.h"

#include <gtest/gtest.h>

namespace {

using sv::OperatorSessions;

TEST(OperatorSessions, ASessionServesOnlyItsDeskAndOperatorWhileLive) {
    OperatorSessions sessions;
    const QByteArray mlee = sessions.open("WS1", "mlee", 0);
    ASSERT_EQ(mlee.size(), 32);
    EXPECT_NE(sessions.open("WS1", "mlee", 0), mlee) << "every sign-in gets a session of its own";

    const struct {
        const char* desk;
        const char* op;
        QByteArray token;
        const char* refusal;  // empty: live
    } cases[] = {
        {"WS1", "mlee", mlee, ""},
        {"WS1", "MLEE", mlee, ""},  // login names are compared as the directory does, without case
        {"WS1", "admin", mlee, "not the one signed in"},
        {"WS2", "mlee", mlee, "another desk"},
        {"WS1", "mlee", {}, "no operator is signed in"},
        {"WS1", "mlee", mlee.left(16), "sign in again"},
        {"WS1", "mlee", mlee + 'x', "sign in again"},
    };
    for (const auto& c : cases) {
        const QString refusal = sessions.check(c.desk, c.op, c.token, 1000);
        if (*c.refusal == 0)
            EXPECT_TRUE(refusal.isEmpty()) << c.desk << " " << c.op << ": " << refusal.toStdString();
        else
            EXPECT_TRUE(refusal.contains(c.refusal)) << c.desk << " " << c.op << ": " << refusal.toStdString();
    }

    EXPECT_FALSE(sessions.close("WS2", mlee)) << "another desk cannot end it";
    EXPECT_TRUE(sessions.close("WS1", mlee));
    EXPECT_FALSE(sessions.close("WS1", mlee));
    EXPECT_TRUE(sessions.check("WS1", "mlee", mlee, 1000).contains("sign in again")) << "signed out for good";
}

TEST(OperatorSessions, ASessionEndsAfterItsIdleTimeAndAtItsLifetime) {
    constexpr qint64 hour = 60 * 60 * 1000;
    OperatorSessions sessions;
    const QByteArray idle = sessions.open("WS1", "mlee", 0);
    EXPECT_TRUE(sessions.check("WS1", "mlee", idle, 4 * hour).isEmpty()) << "four hours idle is still live";
    EXPECT_TRUE(sessions.check("WS1", "mlee", idle, 8 * hour + 1).contains("expired"));
    EXPECT_TRUE(sessions.check("WS1", "mlee", idle, 8 * hour + 2).contains("sign in again")) << "and gone";

    const QByteArray busy = sessions.open("WS1", "mlee", 0);
    for (qint64 t = hour; t <= 12 * hour; t += hour)
        ASSERT_TRUE(sessions.check("WS1", "mlee", busy, t).isEmpty()) << t / hour << " h";
    EXPECT_TRUE(sessions.check("WS1", "mlee", busy, 12 * hour + 1).contains("expired")) << "twelve hours at most";
    EXPECT_EQ(sessions.size(), 0);
}

TEST(OperatorSessions, ADesksSessionsAreBoundedWithoutTouchingAnotherDesks) {
    OperatorSessions sessions;
    const QByteArray other = sessions.open("WS2", "admin", 0);
    const QByteArray first = sessions.open("WS1", "mlee", 1);
    QByteArray last;
    for (int i = 0; i < 1000; ++i)
        last = sessions.open("WS1", "mlee", 2 + i);
    EXPECT_EQ(sessions.size(), 257);
    EXPECT_FALSE(sessions.check("WS1", "mlee", first, 2000).isEmpty()) << "the stalest of the desk went";
    EXPECT_TRUE(sessions.check("WS1", "mlee", last, 2000).isEmpty());
    EXPECT_TRUE(sessions.check("WS2", "admin", other, 2000).isEmpty());
}

}  // namespace
