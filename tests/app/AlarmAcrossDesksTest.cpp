// Alarm steps on a multi-desk site: three desks and the field on one bus, the field's traffic
// running. An acknowledgement made at one desk goes to the field, which checks the operator,
// records it and announces it: the other desks show it within a second and the journal names the
// operator; a shelving leaves every desk's list; a desk that starts later reads what was done; an
// alarm is listed since the field's report, at every desk however late its report came; a
// forged, replayed, other-desk or unauthorised step is refused and logged, and records nothing.
#include "cli/SiteRoles.h"
#include "desk/BusAlarms.h"

#include "BusSiteFixture.h"

#include <statusobject/Status.h>
#include <statusobject/StatusReader.h>

#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QSet>

#include <iostream>
#include <optional>

namespace {

using sv::MemoryTransport;
using sv::SiteTransport;
namespace wire = sv::wire;
using wire::Topic;
using Item = so::StatusReader::AttentionItem;

const QString& kBusSite = sv::test::kBusSiteName;

/// One desk of the site: its bus login, its link to the field, its alarm steps' host object, its
/// workstation and a reader of its attention list.
struct Desk {
    MemoryTransport link;
    sv::DeskLink desk;
    sv::BusAlarms alarms{desk};
    std::unique_ptr<sv::Workstation> station;
    std::unique_ptr<so::StatusReader> reader;

    Desk(sv::MemoryBus& bus, const QString& name, sv::AppLog& log)
        : link(bus, sv::deskSubscriptions(kBusSite, name)), desk(link, kBusSite, name, log) {
        desk.setOperator(QStringLiteral("admin"));
        desk.alarmSteps = [this](const wire::AlarmNews& news) { alarms.announced(news); };
        desk.refreshRows = [this] { alarms.resynced(); };
    }
    ~Desk() {
        reader.reset();
        if (station != nullptr)
            station->status().ShutDown();
    }
    std::optional<Item> item(const QString& address) const {
        for (const Item& i : reader->attention())
            if (i.address == address)
                return i;
        return std::nullopt;
    }
};

struct AlarmAcrossDesks : ::testing::Test, sv::test::BusSite {
    MemoryTransport attacker{bus, {}};
    std::vector<std::unique_ptr<Desk>> desks;

    AlarmAcrossDesks() : BusSite(5000) {}

    void SetUp() override {
        sv::FieldOptions options;
        options.reportsPerSecond = 400;
        options.abnormalPercent = 3;
        startField(options);
        attacker.connect();
        for (const char* name : {"WS1", "WS2", "WS3"})
            addDesk(QString::fromLatin1(name));
        field->start();
    }
    void TearDown() override {
        field->stop();
        desks.clear();
    }

    Desk& addDesk(const QString& name) {
        auto desk = std::make_unique<Desk>(bus, name, log);
        desk->station = openWorkstation(desk->desk, name, QStringLiteral("Entire Site"), &desk->alarms);
        desk->reader = std::make_unique<so::StatusReader>(desk->station->status());
        desk->link.connect();
        EXPECT_EQ(signIn(*desk, QStringLiteral("admin")), QString());
        desks.push_back(std::move(desk));
        return *desks.back();
    }

    QString signIn(Desk& desk, const QString& op) {
        QString answer = QStringLiteral("no answer");
        desk.desk.signIn(op, (op + QStringLiteral("-demo")).toUtf8(),
                         [&](const QString& refusal) { answer = refusal; });
        until([&] { return answer != QStringLiteral("no answer"); });
        return answer;
    }
    /// An alarm awaiting acknowledgement that every desk lists.
    std::optional<Item> sharedAlarm() {
        std::optional<Item> found;
        until([&] {
            for (const Item& i : desks[0]->reader->attention())
                if (i.awaitsAcknowledgement && !i.cleared &&
                    std::all_of(desks.begin(), desks.end(), [&](const auto& d) {
                        const std::optional<Item> there = d->item(i.address);
                        return there && there->awaitsAcknowledgement;
                    })) {
                    found = i;
                    return true;
                }
            return false;
        });
        return found;
    }
    QVariant journal(const QString& column, const QString& event, const QString& address) {
        so::db::Command read(*site.db,
                             QStringLiteral("SELECT %1 FROM AlarmJournal WHERE Event = ? AND Address = ?").arg(column));
        read.appendParameter("@Event", so::db::ParamType::NVarChar, so::db::ParamDirection::Input, 20, event);
        read.appendParameter("@Address", so::db::ParamType::VarChar, so::db::ParamDirection::Input, 30, address);
        so::db::Recordset rs = read.open();
        return rs.eof() ? QVariant() : rs.field(0);
    }
    int journalCount(const QString& event) {
        return site.scalar(QStringLiteral("SELECT COUNT(*) FROM AlarmJournal WHERE Event = '%1'").arg(event)).toInt();
    }
    /// Publishes a command under a login's topic, as the attacker's login would.
    void publish(const QString& login, const wire::Command& command) {
        attacker.publish(wire::loginTopic(kBusSite, Topic::Command, login), wire::encode(command),
                         SiteTransport::AtLeastOnce);
    }
};

TEST_F(AlarmAcrossDesks, AnAcknowledgementAtOneDeskShowsAtTheOthersWithinASecondAndTheJournalNamesTheOperator) {
    const std::optional<Item> alarm = sharedAlarm();
    ASSERT_TRUE(alarm) << "no alarm listed at every desk";

    EXPECT_EQ(desks[0]->reader->acknowledge(alarm->section, alarm->key, QStringLiteral("guard sent")), 0)
        << "handed to the field, not recorded by the desk";
    QElapsedTimer clock;
    clock.start();
    const auto shown = [&](const Desk& d) {
        const std::optional<Item> there = d.item(alarm->address);
        // Acknowledged, or (cleared meanwhile) gone from the list with its acknowledgement.
        return !there || (!there->awaitsAcknowledgement && there->acknowledgedBy == QStringLiteral("admin"));
    };
    ASSERT_TRUE(until([&] { return std::all_of(desks.begin(), desks.end(), [&](const auto& d) { return shown(*d); }); },
                      10000));
    const qint64 elapsed = clock.elapsed();
    std::cout << "[ MEASURED ] acknowledged at WS1, shown at WS1, WS2 and WS3 after " << elapsed << " ms\n";
    EXPECT_LT(elapsed, 3000) << "within a second on a quiet machine; three on a loaded one";

    EXPECT_EQ(journal("OperatorName", "acknowledged", alarm->address).toString(), "admin");
    EXPECT_EQ(journal("Comment", "acknowledged", alarm->address).toString(), "guard sent");
    EXPECT_EQ(journalCount("acknowledged"), 1);

    // A desk that starts now reads the acknowledgement from the site.
    Desk& late = addDesk(QStringLiteral("WS4"));
    ASSERT_TRUE(until([&] { return late.item(alarm->address).has_value() || !desks[0]->item(alarm->address); }));
    if (const std::optional<Item> there = late.item(alarm->address))
        EXPECT_EQ(there->acknowledgedBy, "admin");
}

TEST_F(AlarmAcrossDesks, AnAlarmIsListedSinceTheFieldsReportAtEveryDeskAndOneThatStartsLate) {
    // The field reports while the broker holds its messages for two seconds: the desks list the
    // new alarms at the field's time of the report, not at their arrival.
    field->stop();
    until([&] { return false; }, 500);
    QSet<QString> listed;
    for (const Item& i : desks[0]->reader->attention())
        listed.insert(i.address);
    const auto timeOfDay = [] { return QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss")); };
    const QString from = timeOfDay();
    field->step(400);
    field->flush();
    ASSERT_TRUE(field->waitUntilWritten());
    const QString to = timeOfDay();
    so::test::runEventsUntil(2500, [] { return false; });
    until([&] { return false; }, 1500);

    // The classic line's alarms: a newer-line module's report makes its desk re-read the row.
    std::vector<Item> raised;
    for (const Item& i : desks[0]->reader->attention())
        if (i.severity == so::StatusReader::Severity::Alarm && !i.cleared && !listed.contains(i.address) &&
            !i.address.startsWith(QStringLiteral("\\\\ZRII")))
            raised.push_back(i);
    ASSERT_FALSE(raised.empty()) << "the field's reports raised no alarm";
    for (const Item& i : raised) {
        EXPECT_GE(i.since, from) << i.address.toStdString();
        EXPECT_LE(i.since, to) << i.address.toStdString() << ": listed at its arrival, " << timeOfDay().toStdString();
    }

    // A desk that starts later lists them at the same time.
    Desk& late = addDesk(QStringLiteral("WS4"));
    for (const Item& i : raised) {
        if (!desks[0]->item(i.address))
            continue;  // cleared and acknowledged meanwhile
        ASSERT_TRUE(until([&] { return late.item(i.address).has_value(); })) << i.address.toStdString();
        EXPECT_EQ(late.item(i.address)->since, i.since) << i.address.toStdString();
    }
}

TEST_F(AlarmAcrossDesks, AShelvedPointLeavesEveryDesksListAndAStartingDeskReadsTheShelving) {
    const std::optional<Item> alarm = sharedAlarm();
    ASSERT_TRUE(alarm);
    EXPECT_FALSE(desks[1]->reader->shelve(alarm->section, alarm->key, 14)) << "below the shortest shelving";
    ASSERT_TRUE(desks[1]->reader->shelve(alarm->section, alarm->key, 15));
    ASSERT_TRUE(until([&] {
        return std::none_of(desks.begin(), desks.end(), [&](const auto& d) { return d->item(alarm->address); });
    }));
    EXPECT_EQ(journal("OperatorName", "shelved", alarm->address).toString(), "admin");
    EXPECT_EQ(journalCount("shelved"), 1);

    Desk& late = addDesk(QStringLiteral("WS4"));
    EXPECT_TRUE(until([&] { return late.reader->attentionCount() > 0; }));
    EXPECT_FALSE(late.item(alarm->address)) << "a desk that starts keeps the shelved point out of its list";
}

TEST_F(AlarmAcrossDesks, AStepSentBeforeTheSignInIsAnsweredWaitsForItsSessionAndIsNotRefused) {
    const std::optional<Item> alarm = sharedAlarm();
    ASSERT_TRUE(alarm);
    Desk& desk = *desks[1];
    desk.desk.signOut(QStringLiteral("admin"));
    until([&] { return false; }, 300);
    const int refusedBefore = desk.desk.commandsRefused();
    // The operator signs in again and shelves at once, before the field answered the sign-in.
    QString answer = QStringLiteral("no answer");
    desk.desk.signIn(QStringLiteral("admin"), QByteArrayLiteral("admin-demo"),
                     [&](const QString& refusal) { answer = refusal; });
    desk.desk.shelve(alarm->address, 15);
    ASSERT_TRUE(until([&] { return journalCount("shelved") == 1; }));
    EXPECT_EQ(answer, QString());
    EXPECT_EQ(desk.desk.commandsRefused(), refusedBefore);
}

TEST_F(AlarmAcrossDesks, ForgedReplayedOtherDeskAndUnauthorisedStepsAreRefusedLoggedAndRecordNothing) {
    const std::optional<Item> alarm = sharedAlarm();
    ASSERT_TRUE(alarm);
    // Sees every desk's commands, as no desk may (the broker's ACL lets the field alone read them).
    QByteArray captured;
    MemoryTransport sniffer{bus, {wire::everyLoginTopic(kBusSite, Topic::Command)}};
    sniffer.onMessage = [&](const QString&, const QByteArray& payload) {
        QString error;
        if (const auto c = wire::decodeCommand(payload, error);
            c && c->kind == wire::Command::Kind::Acknowledge && c->sender == QStringLiteral("WS1"))
            captured = payload;
    };
    sniffer.connect();
    const int refusedBefore = broadcaster->refusedCommands();
    const auto refusals = [&] { return broadcaster->refusedCommands() - refusedBefore; };

    // A viewer may not acknowledge: the field refuses, whatever the desk let through.
    Desk& viewer = *desks[2];
    ASSERT_EQ(signIn(viewer, QStringLiteral("akim")), QString());
    viewer.desk.setOperator(QStringLiteral("akim"));
    viewer.desk.acknowledge({{alarm->address, 1000}}, {});
    ASSERT_TRUE(until([&] { return refusals() == 1; }));

    // WS1's acknowledgement of an occurrence the site does not hold: taken, and records nothing.
    desks[0]->desk.acknowledge({{alarm->address, 1000}}, {});
    ASSERT_TRUE(until([&] { return !captured.isEmpty(); }));
    // It names WS1, published under WS2's login; under the attacker's own login it names admin
    // without admin's session there.
    QString error;
    wire::Command forged = *wire::decodeCommand(captured, error);
    forged.number += 1000;
    forged.sentMs = QDateTime::currentMSecsSinceEpoch();
    publish(QStringLiteral("WS2"), forged);
    forged.sender = QStringLiteral("WS9");
    forged.token.clear();
    publish(QStringLiteral("WS9"), forged);
    // WS1's own acknowledgement, captured and published again.
    attacker.publish(wire::loginTopic(kBusSite, Topic::Command, QStringLiteral("WS1")), captured,
                     SiteTransport::AtLeastOnce);
    ASSERT_TRUE(until([&] { return refusals() == 4; })) << refusals();

    // An acknowledgement of more alarms than one may carry is not even read.
    wire::Command oversize = forged;
    oversize.alarms = QVector<wire::AlarmRef>(wire::Command::kMaxAlarms + 1, {alarm->address, 1});
    const int rejected = broadcaster->rejectedPayloads();
    publish(QStringLiteral("WS9"), oversize);
    ASSERT_TRUE(until([&] { return broadcaster->rejectedPayloads() == rejected + 1; }));

    EXPECT_EQ(journalCount("acknowledged"), 0) << "the one real acknowledgement named no current occurrence";
    const QString logged = log.lines().join('\n');
    EXPECT_TRUE(logged.contains("may not acknowledge alarms of")) << logged.right(2000).toStdString();
    EXPECT_TRUE(logged.contains("but was published by the login \"WS2\""));
    EXPECT_TRUE(logged.contains("was already received"));
    for (const auto& d : desks)
        EXPECT_TRUE(d->item(alarm->address) && d->item(alarm->address)->awaitsAcknowledgement);
}

}  // namespace
