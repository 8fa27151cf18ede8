// What one login may cost: a budget per login that one login's flood cannot spend for another, a
// flood said once per period, and resync answers folded per login, with time driven by the test.
#include "LoginLimits.h"

#include <gtest/gtest.h>

namespace {

using sv::FloodLog;
using sv::LoginBudget;
using sv::ResyncAnswers;

TEST(LoginBudget, ABurstThenThePaceAndEachLoginOnItsOwn) {
    LoginBudget budget(10, 20);  // 10 a second after a burst of 20
    int taken = 0;
    for (int i = 0; i < 2500; ++i)
        taken += budget.take("WS2", 1000) ? 1 : 0;
    EXPECT_EQ(taken, 20) << "a flood in one instant gets the burst";
    EXPECT_TRUE(budget.take("WS1", 1000)) << "another login's budget is its own";
    EXPECT_FALSE(budget.take("WS2", 1050));
    EXPECT_TRUE(budget.take("WS2", 1100)) << "one more after a tenth of a second";
    EXPECT_FALSE(budget.take("WS2", 1100));
    EXPECT_FALSE(budget.take("WS2", 500)) << "a clock read earlier refills nothing";

    // Logins whose bucket filled up again are forgotten: memory does not grow with the logins seen.
    for (int i = 0; i < 1000; ++i)
        budget.take(QStringLiteral("L%1").arg(i), 2000);
    EXPECT_GE(budget.size(), 1000);
    budget.take("WS2", 60000);
    EXPECT_EQ(budget.size(), 1);
}

TEST(FloodLog, AFewRefusalsOfAPeriodAreLoggedTheRestSummedUp) {
    FloodLog floods(10000, 3);
    int logged = 0;
    for (int i = 0; i < 2500; ++i)
        logged += floods.note("WS2", i) ? 1 : 0;
    EXPECT_EQ(logged, 3);
    EXPECT_TRUE(floods.note("WS1", 5000)) << "another login's first refusal";
    EXPECT_TRUE(floods.takeEnded(9999).isEmpty());

    const QVector<FloodLog::Summary> ended = floods.takeEnded(10000);
    ASSERT_EQ(ended.size(), 1);
    EXPECT_EQ(ended[0].login, "WS2");
    EXPECT_EQ(ended[0].more, 2497);
    EXPECT_TRUE(floods.takeEnded(15000).isEmpty()) << "WS1 had nothing more to say";
    EXPECT_TRUE(floods.note("WS2", 15000)) << "a new period";
}

struct ResyncAnswersFixture : ::testing::Test {
    ResyncAnswers answers;
    QStringList begun;
    void SetUp() override {
        answers.begin = [this](const QString& login, qint64 number) {
            begun << QStringLiteral("%1#%2").arg(login).arg(number);
        };
    }
};

TEST_F(ResyncAnswersFixture, AFloodIsFoldedIntoOneAnswerAfterTheOneInTheWorks) {
    for (qint64 n = 1; n <= 2500; ++n)
        answers.request("WS2", n, 100 + n / 10);
    answers.request("WS1", 7, 150);
    EXPECT_EQ(begun, (QStringList{"WS2#1", "WS1#7"})) << "one answer each at once; WS2's flood waits";

    answers.finished("WS2", 400);
    answers.tick(1000);
    EXPECT_EQ(begun.size(), 2) << "at most one answer begun per interval";
    answers.tick(1100);
    EXPECT_EQ(begun.last(), "WS2#2500") << "the folded requests answered once, under the latest number";
    answers.request("WS2", 2501, 1200);
    answers.finished("WS2", 1300);
    answers.tick(2000);
    EXPECT_EQ(begun.size(), 3) << "still in the interval of the last one begun";
    answers.tick(2100);
    EXPECT_EQ(begun.last(), "WS2#2501");
    EXPECT_EQ(begun.size(), 4);

    answers.finished("WS1", 2100);
    answers.finished("WS2", 2200);
    answers.tick(4000);
    EXPECT_EQ(answers.size(), 0) << "nothing is kept for a login with nothing pending";
    EXPECT_FALSE(answers.hasWaiting());
}

TEST_F(ResyncAnswersFixture, AnAnswerThatFinishesAtOnceAndARequestAfterALongPause) {
    qint64 now = 0;
    answers.begin = [&](const QString& login, qint64 number) {
        begun << QStringLiteral("%1#%2").arg(login).arg(number);
        answers.finished(login, now);
    };
    answers.request("WS1", 1, now);
    answers.request("WS1", 2, now = 10);
    EXPECT_EQ(begun, QStringList{"WS1#1"});
    answers.tick(now = 1000);
    answers.request("WS1", 3, now = 60000);
    EXPECT_EQ(begun, (QStringList{"WS1#1", "WS1#2", "WS1#3"}));
}

}  // namespace
