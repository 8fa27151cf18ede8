// A desk following the field's sessions, step by step with the time given: which reports it
// applies, when it asks for a resync, when a resync counts as done, what it says of the field; and
// the field's bounded outgoing queue.
#include "FieldSession.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>

namespace fieldsession {

using sv::DeskSession;
using sv::wire::Snapshot;
using sv::wire::StateBatch;
using sv::wire::StateReport;

StateReport report(qint64 seq, const char* address, quint8 state, const char* value = "") {
    return {seq, "STD_INPUT", address, state, value};
}

StateBatch batch(qint64 session, qint64 firstSeq, QVector<StateReport> reports) {
    for (qsizetype i = 0; i < reports.size(); ++i)
        reports[i].seq = firstSeq + i;
    return {session, firstSeq, 0, reports};
}

/// A desk whose requests, deliveries and refreshes are written down.
struct Desk {
    DeskSession session;
    QVector<qint64> asked;
    QStringList shown;  // "address=state" per delivery, "refresh" per refresh
    Desk() {
        session.ask = [this](qint64 number) { asked.append(number); };
        session.deliver = [this](const StateReport& r) {
            shown.append(QStringLiteral("%1=%2").arg(r.address).arg(r.state));
        };
        session.refreshRows = [this] { shown.append(QStringLiteral("refresh")); };
        session.level = [this] { shown.append(QStringLiteral("level")); };
    }
    /// Connected at t = 0 to a field online in session, its first resync answered.
    void connectTo(qint64 session_, qint64 seq = 0) {
        session.linkUp(0);
        session.online(session_, 0);
        answer(session_, seq);
        asked.clear();
        shown.clear();
    }
    void answer(qint64 session_, qint64 seq, QVector<StateReport> reports = {}, qint64 now = 0) {
        session.snapshot(Snapshot{session_, "WS1", asked.isEmpty() ? 0 : asked.last(), seq, true, reports}, "WS1", now);
    }
};

TEST(LatestReports, KeepsTheNewestPerPointAndADigestIndependentOfArrival) {
    sv::LatestReports order;
    const struct {
        qint64 seq;
        const char* address;
        bool applied;
        const char* why;
    } steps[] = {
        {5, "A", true, "first report of A"},
        {5, "A", false, "a duplicate (redelivered after a reconnect)"},
        {3, "A", false, "overtaken by a newer one"},
        {4, "B", true, "another point keeps its own order"},
        {9, "A", true, "newer"},
    };
    for (const auto& s : steps)
        EXPECT_EQ(order.accept(report(s.seq, s.address, quint8(s.seq))), s.applied) << s.why;

    // The same newest reports, received in another order and with older ones between: the same digest.
    sv::LatestReports other;
    other.accept(report(4, "B", 4));
    other.accept(report(2, "A", 2));
    other.accept(report(9, "A", 9));
    EXPECT_EQ(other.digest(), order.digest());
    other.accept(report(10, "B", 4, "x"));
    EXPECT_NE(other.digest(), order.digest()) << "a value differing is seen";
    other.clear();
    EXPECT_EQ(other.digest(), 0u);
    EXPECT_LT(order.digest(), quint64(1) << 62);
}

TEST(OutgoingReports, KeepsTheNewestPerPointWithinItsBoundAndCountsWhatItLost) {
    sv::OutgoingReports queue(3);
    queue.push(report(0, "A", 1));
    queue.push(report(0, "B", 1));
    queue.push(report(0, "A", 2));  // replaces A's in place
    EXPECT_EQ(queue.size(), 2);
    EXPECT_EQ(queue.takeLost(), 1);
    queue.push(report(0, "C", 1));
    queue.push(report(0, "D", 1));  // full: the oldest point, A, goes
    EXPECT_EQ(queue.takeLost(), 1);
    EXPECT_EQ(queue.takeLost(), 0) << "told once";
    QStringList order;
    for (const StateReport& r : queue.take(2))
        order << r.address;
    queue.push(report(0, "B", 7));  // B left the queue: queued afresh behind D
    for (const StateReport& r : queue.take(10))
        order << QStringLiteral("%1%2").arg(r.address).arg(r.state);
    EXPECT_EQ(order, QStringList({"B", "C", "D1", "B7"}));
    EXPECT_TRUE(queue.isEmpty());

    // Memory stays bounded whatever passes through.
    sv::OutgoingReports big(100);
    for (int i = 0; i < 20000; ++i)
        big.push(report(0, qPrintable(QString::number(i % 5000)), quint8(i)));
    EXPECT_EQ(big.size(), 100);
    EXPECT_EQ(big.takeLost(), 20000 - 100);
}

TEST(DeskSession, ARestartedFieldIsANewSessionWhateverItsClockOrNumbers) {
    Desk desk;
    desk.connectTo(111);
    desk.session.states(batch(111, 1, {report(0, "A", 1), report(0, "B", 1)}), 1000);
    desk.session.states(batch(111, 3, {report(0, "A", 2)}), 1100);
    EXPECT_EQ(desk.session.fieldState(), DeskSession::FieldState::Online);

    desk.session.offline(111, 5000);  // its last will
    EXPECT_EQ(desk.session.fieldState(), DeskSession::FieldState::Offline);
    EXPECT_EQ(desk.session.fieldSinceMs(), 5000);
    EXPECT_TRUE(desk.asked.isEmpty()) << "a dead field is not asked";

    // The new session numbers from 1 again: its reports are new, the old session's are not.
    desk.session.online(7, 9000);
    ASSERT_EQ(desk.asked.size(), 1) << "a new session resyncs";
    EXPECT_EQ(desk.session.fieldState(), DeskSession::FieldState::Online);
    desk.session.states(batch(7, 1, {report(0, "A", 5)}), 9100);
    desk.session.states(batch(111, 4, {report(0, "A", 3)}), 9200);  // late, from the dead session
    desk.answer(7, 1, {}, 9300);
    EXPECT_EQ(desk.shown, QStringList({"A=1", "B=1", "A=2", "A=5", "refresh", "A=5"}));
    EXPECT_EQ(desk.session.dropped(), 1);
    desk.session.online(111, 9400);  // an ended session never comes back
    EXPECT_EQ(desk.session.session(), 7);

    // Reports of a session whose announcement has not come yet start it all the same.
    desk.session.states(batch(8, 1, {report(0, "C", 1)}), 9500);
    EXPECT_EQ(desk.session.session(), 8);
    EXPECT_TRUE(desk.session.isResyncing());

    // The last will of a session never seen online (it lived and died unseen) is news all the same.
    desk.session.offline(9, 9600);
    EXPECT_EQ(desk.session.session(), 9);
    EXPECT_EQ(desk.session.fieldState(), DeskSession::FieldState::Offline);
    desk.session.states(batch(8, 2, {report(0, "C", 2)}), 9700);
    EXPECT_EQ(desk.session.dropped(), 2) << "session 8 has ended";
}

TEST(DeskSession, AGapAsksForAResyncAtMostEveryFewSecondsAndTheAnswerCoversIt) {
    Desk desk;
    desk.connectTo(5, 10);
    desk.session.states(batch(5, 11, {report(0, "A", 1)}), 10'000);
    EXPECT_TRUE(desk.asked.isEmpty()) << "no gap";
    desk.session.states(batch(5, 13, {report(0, "B", 1)}), 10'100);  // 12 is missing
    ASSERT_EQ(desk.asked.size(), 1);
    EXPECT_EQ(desk.session.gaps(), 1);
    desk.session.states(batch(5, 20, {report(0, "C", 1)}), 10'200);  // another gap during the resync
    desk.answer(5, 25, {}, 10'300);
    EXPECT_FALSE(desk.session.isResyncing());
    desk.session.tick(20'000);
    EXPECT_EQ(desk.asked.size(), 1) << "the answer carried report 25: both gaps are covered";

    desk.session.states(batch(5, 30, {report(0, "D", 1)}), 20'100);
    ASSERT_EQ(desk.asked.size(), 2);
    desk.answer(5, 30, {}, 20'200);
    desk.session.states(batch(5, 40, {report(0, "E", 1)}), 20'300);  // again, too soon
    EXPECT_EQ(desk.asked.size(), 2) << "rate-limited";
    desk.session.tick(20'300 + DeskSession::kMinAskMs / 2);
    EXPECT_EQ(desk.asked.size(), 2);
    desk.session.tick(20'100 + DeskSession::kMinAskMs);
    EXPECT_EQ(desk.asked.size(), 3) << "asked once the interval passed";
}

TEST(DeskSession, AResyncEndsOnlyWithTheFieldsAnswerAndSaysSoMeanwhile) {
    Desk desk;
    desk.connectTo(5, 3);
    desk.session.linkDown(1000);
    desk.session.linkUp(2000);
    ASSERT_EQ(desk.asked.size(), 1);
    const qint64 number = desk.asked.last();
    desk.session.states(batch(5, 4, {report(0, "A", 1)}), 2100);

    // The field cannot write (the site is locked): it does not answer; the desk keeps asking.
    for (qint64 t = 2000; t <= 2000 + 4 * DeskSession::kRetryMs; t += 250)
        desk.session.tick(t);
    EXPECT_TRUE(desk.session.isResyncing());
    EXPECT_TRUE(desk.session.isOverdue());
    EXPECT_EQ(desk.session.resyncSinceMs(), 2000);
    EXPECT_EQ(desk.asked.size(), 5);
    EXPECT_TRUE(std::all_of(desk.asked.cbegin(), desk.asked.cend(), [&](qint64 n) { return n == number; }));
    EXPECT_FALSE(desk.shown.contains("refresh")) << "no refresh before the site holds the states";

    // Answers for another desk or an old request do not end it; the field's own answer does.
    desk.session.snapshot(Snapshot{5, "WS2", number, 4, true, {}}, "WS1", 15'000);
    desk.session.snapshot(Snapshot{5, "WS1", number - 1, 4, true, {}}, "WS1", 15'000);
    EXPECT_TRUE(desk.session.isResyncing());
    desk.session.snapshot(Snapshot{5, "WS1", number, 4, false, {report(4, "A", 1)}}, "WS1", 15'100);
    EXPECT_TRUE(desk.session.isResyncing()) << "more parts to come";
    desk.session.snapshot(Snapshot{5, "WS1", number, 4, true, {report(2, "B", 9)}}, "WS1", 15'200);
    EXPECT_FALSE(desk.session.isResyncing());
    EXPECT_FALSE(desk.session.isOverdue());
    // What arrived during the resync is applied again after the refresh.
    EXPECT_EQ(desk.shown, QStringList({"A=1", "refresh", "A=1"}));

    // The answer brought the desk's digest level with the field's: B's state came with it.
    sv::LatestReports field;
    field.accept(report(4, "A", 1));
    field.accept(report(2, "B", 9));
    desk.session.digest(5, 4, field.digest(), 16'000);
    EXPECT_EQ(desk.session.digestMismatches(), 0);
}

TEST(DeskSession, WithoutAFieldOnlineTheSiteAloneIsShown) {
    Desk desk;
    desk.session.linkUp(0);
    desk.session.offline(5, 100);  // the retained last will of a dead field
    desk.session.tick(DeskSession::kRetryMs - 1);
    EXPECT_TRUE(desk.session.isResyncing());
    desk.session.tick(DeskSession::kRetryMs);
    EXPECT_FALSE(desk.session.isResyncing());
    EXPECT_FALSE(desk.session.isOverdue());
    EXPECT_EQ(desk.shown, QStringList({"refresh"}));
    EXPECT_EQ(desk.session.fieldState(), DeskSession::FieldState::Offline);

    // The field back in the same session (its connection dropped, not the process): resync.
    desk.session.online(5, 8000);
    EXPECT_TRUE(desk.session.isResyncing());
    EXPECT_EQ(desk.asked.size(), 2);
}

TEST(DeskSession, ADigestThatDiffersAtTheSameReportMakesTheDeskResyncTwoEqualOnesLetItCheckItsRows) {
    Desk desk;
    desk.connectTo(5);
    desk.session.states(batch(5, 1, {report(0, "A", 1), report(0, "B", 2)}), 1000);
    sv::LatestReports field;
    field.accept(report(1, "A", 1));
    field.accept(report(2, "B", 2));
    const struct {
        qint64 session, seq;
        quint64 digest;
        int asked;
        int level;  // times the desk was told it may check its rows
        const char* why;
    } cases[] = {
        {5, 2, field.digest(), 0, 0, "the same reports, the first time"},
        {5, 2, field.digest(), 0, 1, "the same reports again: the field reported nothing meanwhile"},
        {5, 3, field.digest(), 0, 1, "taken over reports this desk has not received yet"},
        {6, 2, field.digest(), 0, 1, "another session's"},
        {5, 3, field.digest() ^ 1, 0, 1, "differing, over reports this desk has not received yet"},
        {5, 2, field.digest() ^ 1, 1, 1, "differing"},
        {5, 2, field.digest() ^ 1, 1, 1, "differing again while the resync runs"},
        {5, 2, field.digest(), 1, 1, "the same while the resync runs"},
    };
    for (const auto& c : cases) {
        desk.session.digest(c.session, c.seq, c.digest, 2000);
        EXPECT_EQ(desk.asked.size(), c.asked) << c.why;
        EXPECT_EQ(desk.shown.count(QStringLiteral("level")), c.level) << c.why;
    }
    EXPECT_EQ(desk.session.digestMismatches(), 1);
}

TEST(DeskSession, AnOlderReportAfterANewerOneOfItsPointIsDroppedAndCounted) {
    Desk desk;
    desk.connectTo(42);
    desk.session.states(batch(42, 1, {report(0, "A", 1), report(0, "B", 1)}), 10'000);
    desk.session.states(batch(42, 3, {report(0, "A", 2)}), 10'100);
    // The same batch delivered again (after a reconnect): both reports are old news.
    desk.session.states(batch(42, 1, {report(0, "A", 1), report(0, "B", 1)}), 10'200);
    // Report 5 overtakes report 4: the gap asks for a resync; report 4, late, is older than what A
    // shows and is dropped, while its other point C is new.
    desk.session.states(batch(42, 5, {report(0, "A", 7)}), 10'300);
    desk.session.states(batch(42, 4, {report(0, "C", 1)}), 10'350);
    desk.session.states(StateBatch{42, 4, 0, {report(4, "A", 6)}}, 10'400);
    EXPECT_EQ(desk.shown, QStringList({"A=1", "B=1", "A=2", "A=7", "C=1"}));
    EXPECT_EQ(desk.session.applied(), 5);
    EXPECT_EQ(desk.session.dropped(), 3);
    EXPECT_EQ(desk.session.gaps(), 1);
    EXPECT_EQ(desk.asked.size(), 1);
}

}  // namespace fieldsession
