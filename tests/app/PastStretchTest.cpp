// A desk of a multi-desk site steps through the site's past by stretches: the field answers the
// reports around a moment with the rows each changed, and the desk builds every step's board
// itself. Each step's board equals the one the history rebuilds, whichever way the desk steps;
// a stretch that builds on the board the desk holds carries no whole board; the answer stays
// within what the bus carries; bytes that are no stretch are refused. Over the bus: a signed-in
// desk steps and plays without asking again and without touching the board budget; requests
// forged, replayed, unsigned or unreadable are refused.
#include "desk/PastReplay.h"
#include "field/HistoryPastSources.h"
#include "field/PastBoardCopy.h"
#include "field/PastStretch.h"
#include "host/DrawnImageList.h"
#include "host/ResourceTexts.h"
#include "host/SiteHost.h"
#include "support/EventLoop.h"

#include "app/HistoryField.h"
#include "MemoryTransport.h"
#include "MqttSite.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace past_stretch {

namespace wire = sv::wire;
using sv::history::PastBoard;
using sv::history::PastStretch;
using sv::history::StretchBoards;
using wire::Topic;

constexpr qint64 kStart = 1793491200000;  // 2026-11-01 00:00 UTC
constexpr qint64 kTick = 100;
constexpr qsizetype kBusBytes = wire::PastPart::kMaxBytes * wire::PastPart::kMaxParts;
const QString kSite = QStringLiteral("main");

void expectSameRows(const std::optional<PastBoard>& built, const PastBoard& rebuilt, qint64 time) {
    SCOPED_TRACE(time);
    ASSERT_TRUE(built.has_value());
    EXPECT_EQ(built->moment, time);
    EXPECT_EQ(built->fidelity, rebuilt.fidelity);
    EXPECT_EQ(built->statusRows, rebuilt.statusRows);
    EXPECT_EQ(built->deviceRows, rebuilt.deviceRows);
}

/// Three seconds of the simulated field's storm recorded by its history, a tenth at a time (every
/// tenth's reports share its time).
struct RecordedStorm : ::testing::Test {
    sv::test::DemoSiteFile site{300};
    sv::AppLog log;
    qint64 now = kStart;
    std::unique_ptr<sv::ReportHistory> history;
    std::unique_ptr<so::db::Connection> fieldDb = site.connect();
    std::unique_ptr<sv::SimulatedField> field;

    void SetUp() override {
        log.setEcho(false);
        sv::test::startFieldWithHistory(site, *fieldDb, log, now, history, field);
        for (int tenth = 1; tenth <= 30; ++tenth) {
            now += kTick;
            field->step(kTick);
        }
        field->flush();
        ASSERT_TRUE(field->waitUntilWritten(60000));
        ASSERT_TRUE(history->sync());
    }
    QByteArray answer(qint64 moment, qint64 held = 0, qsizetype maxBytes = kBusBytes, QString* refusal = nullptr) {
        QString why;
        const QByteArray bytes = sv::pastStretchAnswer(*history, &log, maxBytes)(moment, held, why);
        if (refusal != nullptr)
            *refusal = why;
        return bytes;
    }
    PastStretch stretchAt(qint64 moment, qint64 held = 0) {
        std::optional<PastStretch> stretch = sv::history::decodePastStretch(answer(moment, held));
        EXPECT_TRUE(stretch.has_value());
        return stretch.value_or(PastStretch{});
    }
};

TEST_F(RecordedStorm, EveryStepsBoardIsTheOneTheHistoryRebuildsWhicheverWayTheDeskSteps) {
    const qint64 moment = kStart + 15 * kTick + 50;  // between two reports
    StretchBoards boards(stretchAt(moment));
    const QVector<qint64> times = boards.reportTimes();
    ASSERT_GE(times.size(), 25);
    EXPECT_EQ(boards.moment(), moment);
    EXPECT_EQ(boards.span().last, kStart + 30 * kTick);

    QVector<qint64> visits = times;                             // forward
    visits += QVector<qint64>(times.crbegin(), times.crend());  // back to the first
    visits += {moment, times[times.size() / 2], times.last()};  // jumps
    for (const qint64 time : visits) {
        expectSameRows(boards.boardAt(time), history->boardAt(time), time);
    }
    // No stop, no board: the desk asks the field instead of guessing.
    EXPECT_FALSE(boards.boardAt(times.first() + 1).has_value());
}

TEST_F(RecordedStorm, AStretchOnTheBoardTheDeskHoldsCarriesNoWholeBoard) {
    StretchBoards first(stretchAt(kStart + 10 * kTick));
    const QVector<qint64> times = first.reportTimes();
    ASSERT_GE(times.size(), 25);
    const qint64 held = times[5];
    const qint64 moment = times[20];
    PastStretch next = stretchAt(moment, held);
    ASSERT_FALSE(next.stops.isEmpty());
    EXPECT_EQ(next.held, held);
    EXPECT_EQ(next.stops.first().time, held);
    EXPECT_TRUE(next.stops.first().changed.statusRows.isEmpty() && next.stops.first().changed.deviceRows.isEmpty());
    StretchBoards boards(std::move(next), history->boardAt(held));
    for (const qint64 time : {times[20], times[6], times.last(), held})
        expectSameRows(boards.boardAt(time), history->boardAt(time), time);

    // Going on past the last stop of a stretch cut short to fit the bus: the stretch grows, every
    // stop still built the same, and a stretch built on another board is not taken.
    const QByteArray full = answer(kStart + 10 * kTick);
    StretchBoards cut(*sv::history::decodePastStretch(answer(kStart + 10 * kTick, 0, full.size() - 1)));
    ASSERT_LT(cut.lastTime(), times.last());
    EXPECT_FALSE(cut.extend(stretchAt(times.last(), times[3])));
    ASSERT_TRUE(cut.extend(stretchAt(times.last(), cut.lastTime())));
    EXPECT_EQ(cut.moment(), times.last());
    EXPECT_EQ(cut.reportTimes(), times);
    for (const qint64 time : {times.last(), times[3], times[times.size() - 2]})
        expectSameRows(cut.boardAt(time), history->boardAt(time), time);

    // A held board too long before the moment (or after it) is not built on: a whole board comes.
    for (const qint64 far : {moment - 11 * 60 * 1000, moment + 1}) {
        const PastStretch whole = stretchAt(moment, far);
        EXPECT_EQ(whole.held, 0);
        EXPECT_FALSE(whole.stops.first().changed.statusRows.isEmpty());
    }
}

TEST_F(RecordedStorm, TheAnswerStaysWithinTheBusOrIsRefused) {
    const qint64 moment = kStart + 10 * kTick;
    const QByteArray full = answer(moment);
    const PastStretch all = *sv::history::decodePastStretch(full);

    const QByteArray cut = answer(moment, 0, full.size() - 1);
    ASSERT_FALSE(cut.isEmpty());
    EXPECT_LT(cut.size(), full.size());
    const PastStretch kept = *sv::history::decodePastStretch(cut);
    EXPECT_LT(kept.stops.size(), all.stops.size());
    // The stops after the moment go; the moment and those before it stay.
    StretchBoards boards(kept);
    EXPECT_TRUE(boards.holds(moment));
    EXPECT_EQ(boards.reportTimes().first(), StretchBoards(all).reportTimes().first());

    QString refusal;
    EXPECT_TRUE(answer(moment, 0, 64, &refusal).isEmpty());
    EXPECT_FALSE(refusal.isEmpty());
    // A moment the history does not hold is refused with the reason.
    EXPECT_TRUE(answer(kStart - 3600 * 1000, 0, kBusBytes, &refusal).isEmpty());
    EXPECT_TRUE(refusal.startsWith(QStringLiteral("the history kept begins at"))) << refusal.toStdString();
    // The span alone: no stops, the history's first and last moment.
    const PastStretch span = stretchAt(0);
    EXPECT_TRUE(span.stops.isEmpty());
    EXPECT_EQ(span.span.last, kStart + 30 * kTick);
}

TEST(PastStretchBytes, WhatIsNoStretchIsRefused) {
    PastStretch good;
    good.moment = kStart + 2;
    good.stops = {{kStart, true, {}}, {kStart + 2, false, {}}};
    good.stops[0].changed.deviceRows = {{sv::DeviceColumn::InputContact, 7, 1}};
    ASSERT_TRUE(sv::history::decodePastStretch(sv::history::encodePastStretch(good)).has_value());

    PastStretch backwards = good;
    std::swap(backwards.stops[0], backwards.stops[1]);
    PastStretch heldElsewhere = good;
    heldElsewhere.held = kStart - 1;
    PastStretch noStops = good;
    noStops.stops.clear();
    QByteArray hugeHeader = sv::history::encodePastStretch(good);
    hugeHeader[0] = char(0x7f);  // claims to inflate to about 2 GB
    const QByteArray whole = sv::history::encodePastStretch(good);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"stops out of order", sv::history::encodePastStretch(backwards)},
        {"a held board that is not the first stop", sv::history::encodePastStretch(heldElsewhere)},
        {"a moment without stops", sv::history::encodePastStretch(noStops)},
        {"cut short", whole.left(whole.size() - 3)},
        {"inflating too far", hugeHeader},
        {"garbage", QByteArray("\x00\x00\x00\x10garbage", 11)},
        {"empty", QByteArray()},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(sv::history::decodePastStretch(c.bytes).has_value()) << c.name;
}

/// The storm's field answering over an in-memory bus, and a desk WS1; the login WS2 is an
/// attacker's, reading what the field sends it and WS1's commands.
struct StretchesOverTheBus : RecordedStorm {
    sv::MemoryBus bus;
    sv::MemoryTransport fieldLink{bus, {wire::everyLoginTopic(kSite, Topic::Command)}};
    sv::MemoryTransport deskLink{bus,
                                 {wire::topicName(kSite, Topic::Field), wire::loginTopic(kSite, Topic::Answer, "WS1"),
                                  wire::loginTopic(kSite, Topic::Past, "WS1")}};
    sv::MemoryTransport attacker{
        bus,
        {wire::loginTopic(kSite, Topic::Answer, "WS2"), wire::loginTopic(kSite, Topic::Past, "WS2"),
         wire::loginTopic(kSite, Topic::Command, "WS1")}};
    std::unique_ptr<sv::FieldBroadcaster> broadcaster;
    std::unique_ptr<sv::DeskLink> desk;
    QVector<std::pair<QString, QByteArray>> seen;

    void SetUp() override {
        RecordedStorm::SetUp();
        broadcaster = std::make_unique<sv::FieldBroadcaster>(fieldLink, kSite, *field, *fieldDb,
                                                             &sv::SiteHost::operatorPermission, log);
        broadcaster->setPastStretch(sv::pastStretchAnswer(*history, &log, kBusBytes));
        desk = std::make_unique<sv::DeskLink>(deskLink, kSite, "WS1", log);
        desk->setOperator("admin");
        attacker.onMessage = [this](const QString& topic, const QByteArray& payload) { seen.append({topic, payload}); };
        fieldLink.connect();
        deskLink.connect();
        attacker.connect();
    }
    template <typename Done>
    bool until(Done done) {
        return so::test::runEventsUntil(
            60000, done, [this] { bus.deliver(); }, 10);
    }
    void signIn() {
        QString refusal = QStringLiteral("none yet");
        desk->signIn("admin", "admin-demo", [&](const QString& why) { refusal = why; });
        ASSERT_TRUE(until([&] { return refusal != QStringLiteral("none yet"); }));
        ASSERT_EQ(refusal, QString());
    }
    /// WS1's requests of a kind seen on the bus.
    QVector<wire::Command> requests(wire::Command::Kind kind) const {
        QVector<wire::Command> out;
        QString error;
        for (const auto& [topic, payload] : seen)
            if (topic == wire::loginTopic(kSite, Topic::Command, "WS1"))
                if (const auto c = wire::decodeCommand(payload, error); c && c->kind == kind)
                    out.append(*c);
        return out;
    }
    QString lastRefusalToWs2() const {
        for (qsizetype i = seen.size() - 1; i >= 0; --i) {
            QString error;
            if (seen[i].first == wire::loginTopic(kSite, Topic::Answer, "WS2"))
                if (const auto answer = wire::decodeAnswer(seen[i].second, error))
                    return answer->reason;
        }
        return {};
    }
};

TEST_F(StretchesOverTheBus, ADeskStepsAndPlaysWithoutAskingAWholeBoardPerStep) {
    sv::ResourceTexts texts{&log};
    sv::DrawnImageList images;
    sv::BusPastSource past(*desk, 30);
    sv::PastReplay::Desk setup;
    setup.site = site.db.get();
    setup.options.host.computerName = QStringLiteral("WS1");
    setup.options.host.operatorName = QStringLiteral("admin");
    setup.options.logFolder = site.dir.path();
    setup.services = sv::HostServices{&texts, &log, nullptr, nullptr, &images};
    setup.group = QStringLiteral("Entire Site");
    sv::PastReplay replay(past, setup);
    const qint64 moment = kStart + 10 * kTick;

    // Nobody signed in: told, nothing sent.
    replay.moveTo(moment);
    ASSERT_TRUE(until([&] { return !replay.isWaiting(); }));
    EXPECT_EQ(replay.desk(), nullptr);
    EXPECT_TRUE(replay.banner().endsWith(QStringLiteral("no operator is signed in at this desk")));
    EXPECT_TRUE(requests(wire::Command::Kind::PastStretch).isEmpty());

    signIn();
    replay.moveTo(moment);
    ASSERT_TRUE(until([&] { return !replay.isWaiting() && replay.reportIndex() >= 0; }));
    ASSERT_NE(replay.desk(), nullptr) << replay.banner().toStdString();
    const int refusedBefore = broadcaster->refusedCommands();
    // Steps as a held key does, forward to the last report and back to the first; a step past the
    // reports held is taken (or not) once the field told what lies beyond.
    int changes = 0;
    replay.changed = [&] { ++changes; };
    const auto step = [&](int direction) {
        const int before = changes;
        const qint64 from = replay.moment();
        if (!(direction > 0 ? replay.stepForward() : replay.stepBack()))
            return false;
        EXPECT_TRUE(until([&] { return changes > before && !replay.isWaiting(); }));
        return replay.moment() != from;
    };
    int steps = 0;
    for (const int direction : {+1, -1})
        while (step(direction))
            ++steps;
    EXPECT_GE(steps, 40);
    EXPECT_EQ(replay.moment(), replay.reportTimes().first());
    // The first report shown is the one a desk on a copy rebuilt then shows.
    const QString copy = site.dir.filePath(QStringLiteral("rebuilt.db"));
    sv::copySiteAt(*site.db, copy, history->boardAt(replay.moment()));
    setup.options.siteUrl = QStringLiteral("sqlite:") + copy;
    sv::test::QuietField quiet;
    sv::SyncBus quietBus;
    sv::Workstation rebuilt(setup.options, setup.services, quiet, quietBus);
    ASSERT_TRUE(rebuilt.showGroup(setup.group));
    EXPECT_EQ(replay.desk()->shownRows(), rebuilt.shownRows());

    // Played at 60 times to the end of the storm.
    replay.play(60);
    for (int tick = 0; tick < 20 && replay.isPlaying(); ++tick) {
        replay.advance(100);
        ASSERT_TRUE(until([&] { return !replay.isWaiting(); }));
    }
    ASSERT_TRUE(until([&] { return !replay.isPlaying(); }));
    EXPECT_EQ(replay.moment(), replay.reportTimes().last());

    // A whole board with the stretch at the moment and with the one before the first report held
    // (the desk cannot tell that none lies before it); past the last, the rows only. No budget
    // reached.
    const QVector<wire::Command> asked = requests(wire::Command::Kind::PastStretch);
    EXPECT_LE(asked.size(), 4);
    EXPECT_LE(std::count_if(asked.cbegin(), asked.cend(), [](const wire::Command& c) { return c.b == 0; }), 2);
    EXPECT_EQ(broadcaster->refusedCommands(), refusedBefore);
    // The span begins where the field's history does, as the field said.
    EXPECT_EQ(past.span().first, history->span().first);
}

TEST_F(StretchesOverTheBus, ForgedReplayedUnsignedAndUnreadableRequestsAreRefused) {
    signIn();
    bool answered = false;
    desk->requestPastStretch(kStart + 10 * kTick, 0, [&](const QByteArray&, const QString&) { answered = true; });
    ASSERT_TRUE(until([&] { return answered; }));
    ASSERT_EQ(requests(wire::Command::Kind::PastStretch).size(), 1);
    const wire::Command request = requests(wire::Command::Kind::PastStretch).first();

    wire::Command unsigned_ = request;  // WS2's own, with no operator signed in there
    unsigned_.sender = "WS2";
    unsigned_.token.clear();
    unsigned_.number = 1;
    wire::Command forged = request;  // WS1's sent by WS2 under WS1's name
    forged.number += 1;
    wire::Command stolenToken = unsigned_;  // WS1's session used at WS2
    stolenToken.token = request.token;
    stolenToken.number = 2;
    wire::Command negative = unsigned_;  // a moment before 1970 cannot be read
    negative.a = -5;
    const struct {
        const char* name;
        QString login;
        QByteArray payload;
        const char* why;  // the start of the refusal; null: not readable, not answered
    } cases[] = {
        {"no operator signed in", "WS2", wire::encode(unsigned_), ""},
        {"forged", "WS2", wire::encode(forged), "it names desk \"WS1\""},
        {"another desk's session", "WS2", wire::encode(stolenToken), ""},
        {"replayed", "WS1", wire::encode(request), "command"},
        {"unreadable", "WS2", wire::encode(negative), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int refused = broadcaster->refusedCommands();
        const int rejected = broadcaster->rejectedPayloads();
        attacker.publish(wire::loginTopic(kSite, Topic::Command, c.login), c.payload, sv::SiteTransport::AtLeastOnce);
        if (c.why == nullptr) {
            ASSERT_TRUE(until([&] { return broadcaster->rejectedPayloads() == rejected + 1; }));
            continue;
        }
        ASSERT_TRUE(until([&] { return broadcaster->refusedCommands() == refused + 1; }));
        if (c.login == QLatin1String("WS2"))
            EXPECT_TRUE(lastRefusalToWs2().startsWith(QLatin1String(c.why))) << lastRefusalToWs2().toStdString();
    }
    for (const auto& [topic, payload] : seen)
        EXPECT_NE(topic, wire::loginTopic(kSite, Topic::Past, "WS2")) << "a part went to the attacker";
}

TEST_F(StretchesOverTheBus, PartsThatDoNotFitTheAnswerAreRejected) {
    signIn();
    const struct {
        const char* name;
        QByteArray payload;
    } cases[] = {
        {"larger than a part", wire::encode(wire::PastPart{1, 0, 1, QByteArray(wire::PastPart::kMaxBytes + 1, 'x')})},
        {"too many parts", wire::encode(wire::PastPart{1, 0, wire::PastPart::kMaxParts + 1, "x"})},
        {"a part beyond the count", wire::encode(wire::PastPart{1, 3, 2, "x"})},
        {"not a part", QByteArray("garbage")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = desk->rejectedPayloads();
        attacker.publish(wire::loginTopic(kSite, Topic::Past, "WS1"), c.payload, sv::SiteTransport::AtLeastOnce);
        ASSERT_TRUE(until([&] { return desk->rejectedPayloads() == before + 1; }));
    }
    // What is asked afterwards still arrives whole.
    QByteArray bytes;
    QString refusal = QStringLiteral("none yet");
    desk->requestPastStretch(kStart + 5 * kTick, 0, [&](const QByteArray& b, const QString& why) {
        bytes = b;
        refusal = why;
    });
    ASSERT_TRUE(until([&] { return refusal != QStringLiteral("none yet"); }));
    EXPECT_EQ(refusal, QString());
    EXPECT_TRUE(sv::history::decodePastStretch(bytes).has_value());
}

}  // namespace past_stretch
