// A copy of the site shown at a past moment holds the alarm records of that moment: each point's
// alarm as raised, acknowledged and cleared by then, none of the journal's later steps, no later
// shelving. One journal of five points' alarms, read back at moments before, between and after
// their steps.
#include "field/PastBoardCopy.h"

#include "AppTestSite.h"

#include <gtest/gtest.h>

#include <QDateTime>

namespace past_alarms {

qint64 at(const char* time) {
    return QDateTime::fromString(QString::fromLatin1(time), QStringLiteral("yyyy-MM-dd HH:mm:ss")).toMSecsSinceEpoch();
}

struct AlarmRecordsOfASite : ::testing::Test {
    sv::test::DemoSiteFile site{100};

    void SetUp() override {
        auto& db = *site.db;
        db.execute("DELETE FROM AlarmJournal");
        db.execute("DELETE FROM AlarmStates");
        db.execute("DELETE FROM ShelvedPoints");
        // (event time, event, address, raised at, operator)
        const char* steps[][5] = {
            // A: raised, acknowledged by ann, cleared: done, no record now.
            {"2026-03-01 10:00:00", "raised", "A", "2026-03-01 10:00:00", ""},
            {"2026-03-01 10:05:00", "acknowledged", "A", "2026-03-01 10:00:00", "ann"},
            {"2026-03-01 10:10:00", "cleared", "A", "2026-03-01 10:00:00", ""},
            // B: went abnormal at 09:00, recorded by a desk that started at 09:30; cleared at 10:20.
            {"2026-03-01 09:30:00", "raised", "B", "2026-03-01 09:00:00", ""},
            {"2026-03-01 10:20:00", "cleared", "B", "2026-03-01 09:00:00", ""},
            // C: an occurrence done by 09:45, a new one raised at 10:30.
            {"2026-03-01 09:30:00", "raised", "C", "2026-03-01 09:30:00", ""},
            {"2026-03-01 09:40:00", "cleared", "C", "2026-03-01 09:30:00", ""},
            {"2026-03-01 09:45:00", "acknowledged", "C", "2026-03-01 09:30:00", "bob"},
            {"2026-03-01 10:30:00", "raised", "C", "2026-03-01 10:30:00", ""},
            {"2026-03-01 10:15:00", "shelved", "D", nullptr, "ann"},
        };
        for (const auto& step : steps) {
            so::db::Command insert(db,
                                   "INSERT INTO AlarmJournal (EventTime, Event, Address, RaisedAt, OperatorName) "
                                   "VALUES (?, ?, ?, ?, ?)");
            for (int i = 0; i < 5; ++i)
                insert.appendParameter(QStringLiteral("@P%1").arg(i), so::db::ParamType::VarChar,
                                       so::db::ParamDirection::Input, 30,
                                       step[i] != nullptr ? QVariant(QString::fromLatin1(step[i])) : QVariant());
            insert.execute();
        }
        // The records now: B cleared and not acknowledged, C's new occurrence, D shelved; E's alarm
        // was raised before the journal reaches and acknowledged at 10:40.
        db.execute("INSERT INTO AlarmStates VALUES ('B', '2026-03-01 09:00:00', '2026-03-01 10:20:00', NULL, NULL)");
        db.execute("INSERT INTO AlarmStates VALUES ('C', '2026-03-01 10:30:00', NULL, NULL, NULL)");
        db.execute("INSERT INTO AlarmStates VALUES ('E', '2026-02-01 08:00:00', NULL, '2026-03-01 10:40:00', 'cy')");
        db.execute("INSERT INTO ShelvedPoints VALUES ('D', '2026-03-01 10:15:00', '2026-03-01 11:15:00', 'ann')");
    }

    QStringList records(qint64 moment) {
        const QString copy = site.dir.filePath(QStringLiteral("copy-%1.db").arg(moment));
        sv::copySiteAt(*site.db, copy, {moment});
        const auto db = so::db::Connection::open("sqlite:" + copy);
        QStringList found;
        for (auto rs = db->query("SELECT Address, RaisedAt, ClearedAt, AcknowledgedAt, AcknowledgedBy FROM "
                                 "AlarmStates ORDER BY Address");
             !rs.eof(); rs.moveNext())
            found << QStringLiteral("%1 %2 cleared %3 acknowledged %4 %5")
                         .arg(rs.field(0).toString(), rs.field(1).toString().mid(11), rs.field(2).toString().mid(11),
                              rs.field(3).toString().mid(11), rs.field(4).toString());
        found << QStringLiteral("journal %1").arg(db->query("SELECT COUNT(*) FROM AlarmJournal").field(0).toInt());
        found << QStringLiteral("shelved %1").arg(db->query("SELECT COUNT(*) FROM ShelvedPoints").field(0).toInt());
        return found;
    }
};

TEST_F(AlarmRecordsOfASite, ACopyAtAMomentHoldsTheRecordsOfThatMoment) {
    const struct {
        const char* moment;
        QStringList records;
    } cases[] = {
        {"2026-03-01 09:35:00",
         {"B 09:00:00 cleared  acknowledged  ", "C 09:30:00 cleared  acknowledged  ",
          "E 08:00:00 cleared  acknowledged  ", "journal 2", "shelved 0"}},
        {"2026-03-01 10:07:00",
         {"A 10:00:00 cleared  acknowledged 10:05:00 ann", "B 09:00:00 cleared  acknowledged  ",
          "E 08:00:00 cleared  acknowledged  ", "journal 6", "shelved 0"}},
        {"2026-03-01 10:25:00",
         {"B 09:00:00 cleared 10:20:00 acknowledged  ", "E 08:00:00 cleared  acknowledged  ", "journal 9",
          "shelved 1"}},
        {"2026-03-01 10:45:00",
         {"B 09:00:00 cleared 10:20:00 acknowledged  ", "C 10:30:00 cleared  acknowledged  ",
          "E 08:00:00 cleared  acknowledged 10:40:00 cy", "journal 10", "shelved 1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.moment);
        EXPECT_EQ(records(at(c.moment)), c.records);
    }
}

}  // namespace past_alarms
