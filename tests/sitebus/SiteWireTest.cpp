// The payloads of a multi-desk site: what one process writes the other reads back whole, anything
// malformed is refused whole with its reason.
#include "SiteWire.h"

#include <gtest/gtest.h>

#include <QCborArray>
#include <QCborValue>
#include <QDateTime>

namespace {

using namespace sv::wire;

TEST(SiteWire, EveryMessageReadsBackAsWritten) {
    StateBatch batch{42, 1001, 1700000000123, {}};
    batch.reports = {{0, "STD_INPUT", "\\\\S01.C001.BI01", 3, "", 1700000000000},
                     {0, "ZR2_RELAY", "\\\\ZRII.S01.C002.RY04", 1, "ON", 1700000001999}};
    QString error;
    const auto states = decodeStates(encode(batch), error);
    ASSERT_TRUE(states) << error.toStdString();
    EXPECT_EQ(states->session, 42);
    EXPECT_EQ(states->sentMs, 1700000000123);
    ASSERT_EQ(states->reports.size(), 2);
    EXPECT_EQ(states->reports[1].seq, 1002) << "reports are numbered on from the first";
    EXPECT_EQ(states->reports[1].address, "\\\\ZRII.S01.C002.RY04");
    EXPECT_EQ(states->reports[1].value, "ON");
    EXPECT_EQ(states->reports[1].atMs, 1700000001999) << "the field's time of the report";

    for (const QVariant& data : {QVariant(QStringLiteral("Night Rounds|17")), QVariant(17), QVariant()}) {
        const auto notice = decodeNotice(encode(Notice{"3", "STATUSGROUP", 1, data}), error);
        ASSERT_TRUE(notice) << error.toStdString();
        EXPECT_EQ(notice->sender, "3");
        EXPECT_EQ(notice->data.toString(), data.toString());
        EXPECT_EQ(notice->data.isValid(), data.isValid());
    }

    Command api;
    api.sender = "WS2";
    api.session = (qint64(1) << 61) + 5;
    api.number = 12;
    api.sentMs = 1700000000456;
    api.operatorLogin = "mlee";
    api.kind = Command::Kind::ApiCall;
    api.a = 7;
    api.text = "CALL_API|DOORFUNCTION|UNLOCK_DOOR";
    api.c = 3;
    const auto command = decodeCommand(encode(api), error);
    ASSERT_TRUE(command) << error.toStdString();
    EXPECT_EQ(command->kind, Command::Kind::ApiCall);
    EXPECT_EQ(command->sender, "WS2");
    EXPECT_EQ(command->session, api.session);
    EXPECT_EQ(command->number, 12);
    EXPECT_EQ(command->sentMs, api.sentMs);
    EXPECT_EQ(command->operatorLogin, "mlee");
    EXPECT_EQ(command->text, api.text);
    EXPECT_EQ(command->c, 3);
    Command resync = api;
    resync.kind = Command::Kind::Resync;
    resync.a = 5;
    ASSERT_TRUE(decodeCommand(encode(resync), error));
    EXPECT_EQ(decodeCommand(encode(resync), error)->kind, Command::Kind::Resync);
    Command signIn = api;
    signIn.kind = Command::Kind::SignIn;
    signIn.text = "pass: word";
    const auto signedIn = decodeCommand(encode(signIn), error);
    ASSERT_TRUE(signedIn) << error.toStdString();
    EXPECT_EQ(signedIn->text, "pass: word");
    Command withSession = api;
    withSession.token = QByteArray("\x00\x01 session \xff", 13);
    EXPECT_EQ(decodeCommand(encode(withSession), error)->token, withSession.token);

    const auto refused = decodeAnswer(encode(Answer{12, false, "operator \"akim\" may not command X"}), error);
    ASSERT_TRUE(refused) << error.toStdString();
    EXPECT_EQ(refused->number, 12);
    EXPECT_FALSE(refused->accepted);
    EXPECT_TRUE(decodeAnswer(encode(Answer{13, true, {}, {}}), error)->accepted);
    EXPECT_EQ(decodeAnswer(encode(Answer{14, true, {}, QByteArray(32, '\x07')}), error)->token, QByteArray(32, '\x07'));

    const auto event = decodeEvent(encode(Event{Event::Kind::Digest, 42, 1002, {}, (qint64(1) << 62) - 1}), error);
    ASSERT_TRUE(event) << error.toStdString();
    EXPECT_EQ(event->kind, Event::Kind::Digest);
    EXPECT_EQ(event->seq, 1002);
    EXPECT_EQ(event->number, (qint64(1) << 62) - 1) << "a digest uses 62 bits";
    EXPECT_TRUE(decodeEvent(encode(Event{Event::Kind::Offline, 42, 0, {}, 0}), error)->requester.isEmpty());

    Snapshot answer{42, "WS2", 5, 1002, true, {}};
    answer.reports = {{7, "STD_INPUT", "A1", 3, "", 1700000000000}, {1002, "ZR2_RELAY", "B4", 1, "ON"}};
    const auto snapshot = decodeSnapshot(encode(answer), error);
    ASSERT_TRUE(snapshot) << error.toStdString();
    EXPECT_EQ(snapshot->requester, "WS2");
    EXPECT_EQ(snapshot->number, 5);
    EXPECT_TRUE(snapshot->last);
    ASSERT_EQ(snapshot->reports.size(), 2);
    EXPECT_EQ(snapshot->reports[0].seq, 7) << "each report keeps its own number";
    EXPECT_EQ(snapshot->reports[1].value, "ON");
    EXPECT_EQ(snapshot->reports[0].atMs, 1700000000000);
    EXPECT_EQ(snapshot->reports[1].atMs, 0) << "a report of no known time";
}

TEST(SiteWire, AReportTimeReadsAsTheSiteWritesIt) {
    const qint64 ms = reportTimeMs("2024-03-05 18:47:02");
    EXPECT_EQ(ms, QDateTime(QDate(2024, 3, 5), QTime(18, 47, 2)).toMSecsSinceEpoch());
    EXPECT_EQ(reportTimeText(ms), "2024-03-05 18:47:02");
    for (const char* none : {"", "18:47:02", "2024-02-30 10:00:00", "05.03.2024 18:47:02"})
        EXPECT_EQ(reportTimeMs(QString::fromLatin1(none)), 0) << none;
    EXPECT_TRUE(reportTimeText(0).isEmpty());
}

TEST(SiteWire, AMalformedPayloadIsRefusedWholeWithItsReason) {
    const auto cbor = [](const QCborArray& a) { return QCborValue(a).toCbor(); };
    const QCborArray good{"STD_INPUT", "A1", 3, "", qint64(1700000000000)};
    const struct {
        QByteArray payload;
        const char* mentions;
    } cases[] = {
        {"", "not CBOR"},
        {"\xff\x01", "CBOR"},
        {cbor({3, 42, 1, 0, QCborArray{good}}) + "x", "CBOR"},  // trailing bytes
        {QCborValue(QStringLiteral("text")).toCbor(), "not an array"},
        {cbor({2, 42, 1, 0, QCborArray{good}}), "version 2"},
        {cbor({3, 42, 1, QCborArray{good}}), "4 items"},
        {cbor({3, 0, 1, 0, QCborArray{good}}), "session"},
        {cbor({3, 42, 0, 0, QCborArray{good}}), "first sequence number"},
        {cbor({3, 42, 1, 0, "reports"}), "not a list"},
        // A bad report anywhere refuses the batch: nothing before it reaches a desk either.
        {cbor({3, 42, 1, 0, QCborArray{good, QCborArray{"STD_INPUT", "A2", 256, "", 0}}}), "state"},
        {cbor({3, 42, 1, 0, QCborArray{good, QCborArray{"STD_INPUT", 7, 3, "", 0}}}), "address"},
        {cbor({3, 42, 1, 0, QCborArray{good, QCborArray{"STD_INPUT", "A2", 3, ""}}}), "report 2"},
        {cbor({3, 42, 1, 0, QCborArray{good, QCborArray{"STD_INPUT", "A2", 3, "", -1}}}), "report time"},
        {cbor({3, 42, 1, 0, QCborArray{good, QCborArray{"STD_INPUT", "A2", 3, "", "18:47:02"}}}), "report time"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(decodeStates(c.payload, error)) << c.mentions;
        EXPECT_TRUE(error.contains(QLatin1String(c.mentions))) << c.mentions << " -> " << error.toStdString();
    }

    QString error;
    EXPECT_FALSE(decodeNotice(cbor({3, "3", "T", 1, 2.5}), error)) << "data of another type";
    EXPECT_FALSE(decodeNotice(cbor({3, "3", "T", qint64(1) << 40, "x"}), error)) << "action out of range";
    EXPECT_FALSE(decodeCommand(cbor({3, "WS2", 9, 1, 5, "mlee", "reboot", 1, 2, 3, QByteArray()}), error));
    EXPECT_TRUE(error.contains("reboot")) << error.toStdString();
    EXPECT_FALSE(decodeCommand(cbor({3, "WS2", 9, 1, 5, "mlee", "api", 1, 2, 3, QByteArray()}), error))
        << "an api call's command is a text";
    EXPECT_FALSE(decodeCommand(cbor({3, "WS2", 9, 0, 5, "mlee", "tamper", 1, 0, 0, QByteArray()}), error))
        << "commands count from 1";
    EXPECT_FALSE(decodeCommand(cbor({3, "WS2", 9, 1, 5, QCborValue(nullptr), "tamper", 1, 0, 0, QByteArray()}), error))
        << "no operator";
    EXPECT_FALSE(decodeCommand(cbor({3, "WS2", "api", 1, 2, 3}), error)) << "the envelope is missing";
    EXPECT_FALSE(decodeAnswer(cbor({3, 3, 1, "why", QByteArray()}), error)) << "accepted is true or false";
    EXPECT_FALSE(decodeCommand(cbor({3, "WS2", 9, 1, 5, "mlee", "tamper", 1, 0, 0, "token"}), error))
        << "a session is bytes";
    EXPECT_FALSE(decodeCommand(cbor({3, "WS2", 9, 1, 5, "mlee", "tamper", 1, 0, 0, QByteArray(65, 'x')}), error))
        << "no session is that long";
    EXPECT_TRUE(error.contains("session token")) << error.toStdString();
    EXPECT_FALSE(decodeCommand(cbor({3, "WS2", 9, 1, 5, "mlee", "signin", 0, 7, 0, QByteArray()}), error))
        << "a sign-in's password is a text";
    EXPECT_FALSE(decodeAnswer(cbor({3, 3, true, "", QByteArray(65, 'x')}), error)) << "no session is that long";
    EXPECT_FALSE(decodeEvent(cbor({3, "digest", 1, 2, 3, 4}), error)) << "requester not a text";
    EXPECT_FALSE(decodeEvent(cbor({3, "written", 1, 2, nullptr, 4}), error)) << "no such event";
    const QCborArray numbered{9, "STD_INPUT", "A1", 3, "", 0};
    EXPECT_FALSE(decodeSnapshot(cbor({3, 42, "WS2", 5, 8, true, QCborArray{numbered}}), error));
    EXPECT_TRUE(error.contains("newer than the answer")) << error.toStdString();
    EXPECT_FALSE(decodeSnapshot(cbor({3, 42, "WS2", 5, 9, 1, QCborArray{numbered}}), error)) << "last is a flag";
    EXPECT_FALSE(decodeSnapshot(cbor({3, 42, "WS2", 5, 9, true, QCborArray{good}}), error))
        << "reports carry their number";
    // A state batch is no command: each topic's payload has its own shape.
    EXPECT_FALSE(decodeCommand(cbor({3, 42, 1, 0, QCborArray{good}}), error));
}

TEST(SiteWire, AlarmStepsReadBackAsWrittenAndAMalformedOneIsRefusedWhole) {
    Command ack;
    ack.sender = "WS1";
    ack.session = 9;
    ack.number = 4;
    ack.sentMs = 1700000000000;
    ack.operatorLogin = "mlee";
    ack.kind = Command::Kind::Acknowledge;
    ack.text = "guard sent";
    ack.alarms = {{"\\\\SNET.P001.C0101.BI01", 1700000000000}, {"A2", 1699999999000}};
    QString error;
    const std::optional<Command> back = decodeCommand(encode(ack), error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(back->text, "guard sent");
    ASSERT_EQ(back->alarms.size(), 2);
    EXPECT_EQ(back->alarms[0].address, "\\\\SNET.P001.C0101.BI01");
    EXPECT_EQ(back->alarms[1].raisedMs, 1699999999000);

    AlarmNews news;
    news.steps = {{AlarmStep::Kind::Acknowledged, "A2", 1699999999000, "mlee", 1700000001000, 0},
                  {AlarmStep::Kind::Shelved, "A3", 0, "mlee", 1700000001000, 1700000901000}};
    const std::optional<AlarmNews> read = decodeAlarmNews(encode(news), error);
    ASSERT_TRUE(read) << error.toStdString();
    ASSERT_EQ(read->steps.size(), 2);
    EXPECT_EQ(read->steps[1].kind, AlarmStep::Kind::Shelved);
    EXPECT_EQ(read->steps[1].untilMs, 1700000901000);
    EXPECT_EQ(read->steps[0].by, "mlee");

    const auto cbor = [](const QCborArray& a) { return QCborValue(a).toCbor(); };
    const auto acknowledging = [&](const QCborValue& alarms) {
        return cbor({3, "WS1", 9, 1, 5, "mlee", "acknowledge", 0, alarms, 0, QByteArray()});
    };
    const QCborArray one{QCborArray{"A1", qint64(1700000000000)}};
    QCborArray tooMany;
    for (qsizetype i = 0; i <= Command::kMaxAlarms; ++i)
        tooMany.append(QCborArray{"A1", qint64(1700000000000)});
    const struct {
        QByteArray payload;
        const char* mentions;
    } refused[] = {
        {acknowledging(QCborArray{"", QCborArray{}}), "0 alarms"},
        {acknowledging(QCborArray{"", tooMany}), "1001 alarms"},
        {acknowledging(QCborArray{QString(Command::kMaxComment + 1, 'x'), one}), "comment"},
        {acknowledging(QCborArray{"", QCborArray{QCborArray{"A1", 0}}}), "raised"},
        {acknowledging(QCborArray{"", QCborArray{QCborArray{"A1"}}}), "alarm 1"},
        {acknowledging("A1"), "the alarms are not"},
        {cbor({3, "WS1", 9, 1, 5, "mlee", "shelve", 30, 7, 0, QByteArray()}), "command text"},
        {cbor({3, QCborArray{QCborArray{"forgotten", "A1", 0, "mlee", 1, 0}}}), "unknown alarm step"},
    };
    for (const auto& c : refused) {
        const bool isNews = QCborValue::fromCbor(c.payload).toArray().size() == 2;
        EXPECT_FALSE(isNews ? bool(decodeAlarmNews(c.payload, error)) : bool(decodeCommand(c.payload, error)))
            << c.mentions;
        EXPECT_TRUE(error.contains(QLatin1String(c.mentions))) << c.mentions << " -> " << error.toStdString();
    }
}

TEST(SiteWire, TopicsAreTheSitesOwnAndNameTheLoginThatPublishes) {
    EXPECT_EQ(topicOf("north", "site/north/state"), Topic::State);
    EXPECT_FALSE(topicOf("north", "site/south/state"));
    EXPECT_FALSE(topicOf("north", "site/north/state/extra"));
    EXPECT_FALSE(topicOf("north", "site/north/command")) << "commands go under a login";
    EXPECT_EQ(topicOf("north", "site/north/field"), Topic::Field);
    EXPECT_FALSE(topicOf("north", "site/north/resync")) << "a resync answer goes to the login that asked";
    EXPECT_FALSE(topicOf("north", "site/north/answer")) << "answers go to a login";

    EXPECT_EQ(loginTopic("north", Topic::Command, "WS2"), "site/north/command/WS2");
    EXPECT_EQ(everyLoginTopic("north", Topic::Notice), "site/north/notice/+");
    const auto from = loginTopicOf("north", "site/north/command/WS2");
    ASSERT_TRUE(from);
    EXPECT_EQ(from->topic, Topic::Command);
    EXPECT_EQ(from->login, "WS2");
    EXPECT_EQ(loginTopicOf("north", "site/north/answer/WS3")->topic, Topic::Answer);
    EXPECT_EQ(loginTopicOf("north", "site/north/resync/WS3")->topic, Topic::Resync);
    for (const char* name : {"site/north/command/", "site/north/command/WS2/x", "site/south/command/WS2",
                             "site/north/state/WS2", "site/north/command"})
        EXPECT_FALSE(loginTopicOf("north", name)) << name;
}

}  // namespace
