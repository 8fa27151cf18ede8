// Acknowledgements kept by the site database: desks of one process on one site database agree on
// an alarm's raised time and its acknowledgement, a desk that starts reads them, the journal names
// the operator and keeps the comment as written, and an operator without the permission records
// nothing.
#include "WindowFixture.h"

#include "domain/RowConditions.h"
#include "window/AlarmJournal.h"
#include "window/HostAlarmAuthority.h"

namespace so::test {
namespace {

using C = Condition;

/// A second workstation on the same site database, signed in as another operator.
struct OtherDesk {
    OtherDesk(db::Connection& db, const QString& logFolder, qint32 userId, int groupId) {
        ctx.parent = &host;
        ctx.ntConnection = &host;
        ctx.dbConnection = &db;
        ctx.dialogs = &dialogs;
        ctx.errorLog.setFolder(logFolder);
        host.userId = userId;
        window = std::make_unique<StatusWindow>(ctx);
        window->setView(&view);
        QString layouts[kSectionCount];
        for (QString& text : layouts)
            text = kUseObjectDefault;
        window->board().sections().InitColumnHeaders(layouts);
        window->loadGroupBox();
        window->selectGroupEntry(window->findGroupEntry(groupId));
    }
    FakeHost host;
    FakeDialogs dialogs;
    RecordingView view;
    ComponentContext ctx;
    std::unique_ptr<StatusWindow> window;
};

class AlarmAcknowledgementTest : public WindowFixture {
protected:
    AlarmAcknowledgementTest() {
        window->loadGroupBox();
        window->selectGroupEntry(window->findGroupEntry(site.siteGroupId));
        input = firstAddress(2);
        other = firstAddress(2, QStringLiteral("t.Address > '%1'").arg(input));
    }

    /// The field reports the input in alarm (or back to normal) to a desk, and its list syncs.
    static void report(StatusWindow& desk, const QString& address, bool alarm) {
        StatusGrid& inputs = desk.board().sections().grid(Section::Inputs);
        const int row = inputs.findRow(address);
        ASSERT_GT(row, 0);
        inputs.setText(row, col::Alarm, alarm ? QStringLiteral("Yes") : QStringLiteral("No"));
        if (alarm)
            inputs.addConditions(inputs.at(row), C::Alarm);
        desk.attentionTick();
    }

    static const AttentionEntry* listed(StatusWindow& desk, const QString& address) {
        for (const AttentionEntry& e : desk.attention().entries())
            if (e.address == address)
                return &e;
        return nullptr;
    }

    int journalRows(const QString& event, const QString& address) {
        return value(QStringLiteral("SELECT count(*) FROM AlarmJournal WHERE Event = '%1' AND Address = '%2'")
                         .arg(event, address))
            .toInt();
    }

    QString input;
    QString other;
};

TEST_F(AlarmAcknowledgementTest, AnAcknowledgementAtOneDeskIsTheSitesAndTheJournalSaysWhoAndWhy) {
    OtherDesk second(*db, logDir.path(), site.boundedOperatorId, site.siteGroupId);
    report(*window, input, true);
    report(*second.window, input, true);
    const AttentionEntry* here = listed(*window, input);
    const AttentionEntry* there = listed(*second.window, input);
    ASSERT_NE(here, nullptr);
    ASSERT_NE(there, nullptr);
    EXPECT_TRUE(here->awaitsAcknowledgement());
    EXPECT_EQ(there->sinceMs, here->sinceMs) << "one occurrence, one raised time";
    EXPECT_EQ(journalRows(QStringLiteral("raised"), input), 1);

    // A comment is kept as written, quotes and all.
    const QString comment = QStringLiteral("Guard sent; it's the cleaner'); DROP TABLE AlarmJournal; --");
    EXPECT_EQ(window->acknowledgeAlarms({*here}, comment), 1);
    EXPECT_TRUE(listed(*window, input)->acknowledged());
    EXPECT_EQ(text(QStringLiteral("SELECT OperatorName FROM AlarmJournal WHERE Event = 'acknowledged'")),
              QStringLiteral("admin"));
    EXPECT_EQ(text(QStringLiteral("SELECT Comment FROM AlarmJournal WHERE Event = 'acknowledged'")), comment);

    // The other desk reads it at its next sync; acknowledging it there again records nothing.
    second.window->attentionTick();
    ASSERT_TRUE(listed(*second.window, input)->acknowledged());
    EXPECT_EQ(listed(*second.window, input)->acknowledgedBy, QStringLiteral("admin"));
    EXPECT_EQ(second.window->acknowledgeAlarms({*there}, QString()), 0);
    EXPECT_EQ(journalRows(QStringLiteral("acknowledged"), input), 1);

    // A desk that starts now lists it acknowledged, raised when it was; a load deletes the journal's
    // steps older than it keeps.
    exec(
        QStringLiteral("INSERT INTO AlarmJournal (EventTime, Event, Address) VALUES ('2001-01-01 00:00:00', "
                       "'raised', 'old')"));
    OtherDesk third(*db, logDir.path(), site.adminOperatorId, site.siteGroupId);
    report(*third.window, input, true);
    ASSERT_NE(listed(*third.window, input), nullptr);
    EXPECT_TRUE(listed(*third.window, input)->acknowledged());
    EXPECT_EQ(listed(*third.window, input)->sinceMs, listed(*window, input)->sinceMs);
    EXPECT_EQ(journalRows(QStringLiteral("raised"), QStringLiteral("old")), 0);
    EXPECT_EQ(journalRows(QStringLiteral("raised"), input), 1);

    // Acknowledged and back to normal: gone, cleared once in the journal; the next alarm is new.
    report(*window, input, false);
    report(*second.window, input, false);
    EXPECT_EQ(listed(*window, input), nullptr);
    EXPECT_EQ(journalRows(QStringLiteral("cleared"), input), 1);
    report(*window, input, true);
    ASSERT_NE(listed(*window, input), nullptr);
    EXPECT_TRUE(listed(*window, input)->awaitsAcknowledgement());
    EXPECT_EQ(journalRows(QStringLiteral("raised"), input), 2);
}

TEST_F(AlarmAcknowledgementTest, AClearedAlarmIsAcknowledgedAwayAndAnOperatorWithoutThePermissionRecordsNothing) {
    report(*window, input, true);
    report(*window, other, true);
    report(*window, input, false);
    ASSERT_NE(listed(*window, input), nullptr);
    EXPECT_TRUE(listed(*window, input)->cleared());

    const std::vector<AttentionEntry> both{*listed(*window, input), *listed(*window, other)};
    const int waiting = window->attention().unacknowledgedCount();
    host.permissions.insert(10, false);
    EXPECT_EQ(window->acknowledgeAlarms(both, QString()), 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("You do not have permission to acknowledge alarms."));
    EXPECT_EQ(journalRows(QStringLiteral("acknowledged"), input), 0);
    EXPECT_EQ(window->attention().unacknowledgedCount(), waiting);

    host.permissions.remove(10);
    EXPECT_EQ(window->acknowledgeAlarms(both, QString()), 2);
    EXPECT_EQ(window->attention().unacknowledgedCount(), waiting - 2);
    EXPECT_EQ(listed(*window, input), nullptr) << "cleared and acknowledged: nothing left to do";
    EXPECT_TRUE(listed(*window, other)->acknowledged());
    EXPECT_TRUE(host.callsNamed(QStringLiteral("LogError")).isEmpty());
    EXPECT_EQ(ownLogReports(), 0);
}

TEST_F(AlarmAcknowledgementTest, TheJournalFiltersByPointOperatorAndTimeAndExportsCommentsAsText) {
    report(*window, input, true);
    report(*window, other, true);
    window->acknowledgeAlarms({*listed(*window, input)}, QStringLiteral("=HYPERLINK(\"http://x\")"));
    report(*window, other, false);

    const auto events = [&](const AlarmJournalFilter& filter) {
        QStringList out;
        for (const AlarmJournalRow& row : readAlarmJournal(*db, filter))
            out << row.event + QLatin1Char(' ') +
                       (row.address == input   ? QStringLiteral("input")
                        : row.address == other ? QStringLiteral("other")
                                               : row.address);
        return out;
    };
    AlarmJournalFilter filter;
    filter.point = other.mid(2);
    EXPECT_EQ(events(filter), (QStringList{"cleared other", "raised other"}));
    filter = {};
    filter.byOperator = QStringLiteral("admin");
    EXPECT_EQ(events(filter), (QStringList{"acknowledged input"}));
    filter.byOperator = QStringLiteral("admin' Or '1' = '1");
    EXPECT_TRUE(events(filter).isEmpty());
    filter = {};
    filter.from = QDateTime::currentDateTime().addSecs(3600);
    EXPECT_TRUE(events(filter).isEmpty());

    filter = {};
    filter.byOperator = QStringLiteral("admin");
    const ExportTable table = alarmJournalTable(readAlarmJournal(*db, filter));
    ASSERT_EQ(table.rows.size(), 1);
    EXPECT_EQ(table.rows[0][5], QStringLiteral("'=HYPERLINK(\"http://x\")")) << "a formula in a spreadsheet";
    EXPECT_EQ(table.rows[0][4], QStringLiteral("admin"));
}

TEST_F(AlarmAcknowledgementTest, AShelvedPointLeavesTheListAndReturnsByItselfAfterItsTime) {
    qint64 steady = 5000;  // the test's steady clock, in ms
    window->setSteadyClock([&] { return steady; });
    report(*window, input, true);
    const AttentionEntry entry = *listed(*window, input);
    EXPECT_FALSE(window->shelvePoint(entry, 14));
    EXPECT_FALSE(window->shelvePoint(entry, 8 * 60 + 1));
    host.permissions.insert(10, false);
    EXPECT_FALSE(window->shelvePoint(entry, 15));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("You do not have permission to shelve points."));
    host.permissions.remove(10);
    EXPECT_NE(listed(*window, input), nullptr);

    ASSERT_TRUE(window->shelvePoint(entry, 15));
    EXPECT_EQ(listed(*window, input), nullptr);
    report(*window, input, false);  // chattering meanwhile: not listed
    report(*window, input, true);
    EXPECT_EQ(listed(*window, input), nullptr);
    EXPECT_EQ(text(QStringLiteral("SELECT OperatorName || ' ' || Comment FROM AlarmJournal WHERE Event = 'shelved'")),
              QStringLiteral("admin for 15 min"));
    window->attentionTick();
    ASSERT_EQ(window->attention().shelved().size(), 1u);
    EXPECT_EQ(window->attention().shelved()[0].by, QStringLiteral("admin")) << "from the site's record";

    steady += 15 * 60 * 1000 - 1;
    window->attentionTick();
    EXPECT_EQ(listed(*window, input), nullptr);
    steady += 1;
    window->attentionTick();
    ASSERT_NE(listed(*window, input), nullptr) << "back by itself";
    EXPECT_TRUE(window->attention().shelved().empty());
    EXPECT_EQ(journalRows(QStringLiteral("unshelved"), input), 1);
}

/// A host that hands its operator's steps on (as a desk hands them to the field) and reports
/// back what the test says was recorded.
struct HandingOnHost : AlarmHost {
    void acknowledge(const std::vector<AlarmRaised>& alarms, const QString& comment) override {
        acknowledged.insert(acknowledged.end(), alarms.begin(), alarms.end());
        lastComment = comment;
    }
    void shelve(const QString& address, int minutes) override { shelved.push_back({address, minutes}); }
    News news() override { return std::exchange(pending, {}); }

    std::vector<AlarmRaised> acknowledged;
    QString lastComment;
    std::vector<std::pair<QString, int>> shelved;
    News pending;
};

TEST_F(AlarmAcknowledgementTest, StepsHandedOnShowOnlyOnceReportedRecordedAndAShelvingReturnsAfterItsTime) {
    HandingOnHost handed;
    window->setAlarmAuthority(
        std::make_unique<HostAlarmAuthority>(ctx.db(), window->alarmBridge().operatorId(), handed));
    qint64 steady = 5000;
    window->setSteadyClock([&] { return steady; });
    report(*window, input, true);
    report(*window, other, true);
    const AttentionEntry alarm = *listed(*window, input);

    EXPECT_EQ(window->acknowledgeAlarms({alarm}, QStringLiteral("on my way")), 0);
    ASSERT_EQ(handed.acknowledged.size(), 1u);
    EXPECT_EQ(handed.acknowledged[0].address, input);
    EXPECT_EQ(handed.acknowledged[0].raisedMs, alarm.sinceMs) << "names the occurrence the site knows";
    EXPECT_EQ(handed.lastComment, QStringLiteral("on my way"));
    EXPECT_TRUE(listed(*window, input)->awaitsAcknowledgement()) << "not shown before the site recorded it";
    EXPECT_EQ(journalRows(QStringLiteral("acknowledged"), input), 0) << "the desk records no operator's step";

    handed.pending.acknowledged.push_back({input, alarm.sinceMs, QStringLiteral("mlee"), alarm.sinceMs + 4000});
    window->attentionTick();
    EXPECT_FALSE(listed(*window, input)->awaitsAcknowledgement());
    EXPECT_EQ(listed(*window, input)->acknowledgedBy, QStringLiteral("mlee"));

    // A shelving is shown once reported, for the time it has left, and ends by itself.
    ASSERT_TRUE(window->shelvePoint(*listed(*window, other), 30));
    ASSERT_EQ(handed.shelved.size(), 1u);
    EXPECT_EQ(handed.shelved[0], std::make_pair(other, 30));
    EXPECT_NE(listed(*window, other), nullptr);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    recordShelving(*db, other, 30, QStringLiteral("mlee"), now - 20 * 60 * 1000);
    handed.pending.shelved.push_back({other, now + 10 * 60 * 1000, QStringLiteral("mlee")});
    window->attentionTick();
    EXPECT_EQ(listed(*window, other), nullptr);
    steady += 10 * 60 * 1000 - 2000;  // the wall clock's few ms since `now` are in the slack
    window->attentionTick();
    EXPECT_EQ(listed(*window, other), nullptr);
    steady += 2000;
    window->attentionTick();
    EXPECT_NE(listed(*window, other), nullptr) << "back after the time it had left";
    EXPECT_EQ(journalRows(QStringLiteral("unshelved"), other), 1);
    EXPECT_EQ(value(QStringLiteral("SELECT count(*) FROM ShelvedPoints")).toInt(), 0);

    // After the host's link was down, what the site holds is read again.
    recordShelving(*db, input, 60, QStringLiteral("mlee"), now);
    handed.pending.reread = true;
    window->attentionTick();
    EXPECT_EQ(listed(*window, input), nullptr);
}

}  // namespace
}  // namespace so::test
