// The demo site generator: determinism, scale, address rules, status rows and stored groups.
#include "SiteTestSupport.h"

#include "domain/Address.h"
#include "site/SiteStatusText.h"
#include "support/DatabaseChecksum.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSet>

using namespace so::db;
using namespace so::db::test;

namespace {

DemoSiteSummary generate(Connection& connection, int points, quint32 seed = 1) {
    DemoSiteOptions options;
    options.points = points;
    options.seed = seed;
    return generateDemoSite(connection, options);
}

int rows(Connection& connection, const QString& table) {
    return scalar(connection, QStringLiteral("SELECT count(*) FROM %1").arg(table)).toInt();
}

}  // namespace

TEST(DemoSite, TheSameSeedGivesTheSameSiteAndAnotherSeedAnother) {
    auto a = memorySite();
    auto b = memorySite();
    auto c = memorySite();
    generate(*a, 500, 7);
    generate(*b, 500, 7);
    generate(*c, 500, 8);
    EXPECT_EQ(so::test::databaseChecksum(*a), so::test::databaseChecksum(*b));
    EXPECT_NE(so::test::databaseChecksum(*a), so::test::databaseChecksum(*c));
}

TEST(DemoSite, HoldsExactlyTheRequestedPointsAndCountsThemPerKind) {
    const QMap<int, QString> tables{{1, "Doors"},          {2, "Inputs"},
                                    {3, "Outputs"},        {4, "Readers"},
                                    {5, "Controllers"},    {6, "Pylons"},
                                    {7, "ServerPorts"},    {8, "ExpInputs"},
                                    {9, "ExpOutputs"},     {101, "ZRII_Doors"},
                                    {102, "ZRII_Inputs"},  {103, "ZRII_Relays"},
                                    {104, "ZRII_Readers"}, {105, "ZRII_Controllers"},
                                    {108, "ZRII_Modules"}};
    for (int points : {1, 12, 150, 1000}) {
        SCOPED_TRACE(points);
        auto connection = memorySite();
        const DemoSiteSummary site = generate(*connection, points);
        EXPECT_EQ(site.totalPoints, points);
        int sum = 0;
        for (auto it = tables.begin(); it != tables.end(); ++it) {
            EXPECT_EQ(site.count(it.key()), rows(*connection, it.value())) << it.value().toStdString();
            sum += rows(*connection, it.value());
        }
        EXPECT_EQ(sum, points);
        EXPECT_EQ(rows(*connection, QStringLiteral("Status_Points WHERE GroupID = %1").arg(site.siteGroupId)), points);
        if (points >= 150)  // every kind is on the site from about a hundred points
            for (int kind : tables.keys())
                EXPECT_GT(site.count(kind), 0) << kind;
    }
}

TEST(DemoSite, FiftyThousandPointsGenerateInAFewSeconds) {
    auto connection = memorySite();
    QElapsedTimer timer;
    timer.start();
    const DemoSiteSummary site = generate(*connection, 50000);
    const qint64 elapsed = timer.elapsed();
    EXPECT_EQ(site.totalPoints, 50000);
    EXPECT_LT(elapsed, 20000) << "generation took " << elapsed << " ms";
    RecordProperty("GenerationMilliseconds", int(elapsed));
}

TEST(DemoSite, RefusesAnOccupiedDatabaseAndImpossibleSizes) {
    auto connection = memorySite();
    generate(*connection, 50);
    EXPECT_THROW(generate(*connection, 50), DbError);
    auto fresh = memorySite();
    EXPECT_THROW(generate(*fresh, 0), DbError);
    EXPECT_THROW(generate(*fresh, 100001), DbError);
}

class GeneratedSite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        connection_ = memorySite().release();
        site_ = new DemoSiteSummary(generate(*connection_, 1500, 3));
    }
    static void TearDownTestSuite() {
        delete site_;
        delete connection_;
    }
    Connection& db() { return *connection_; }
    const DemoSiteSummary& site() { return *site_; }

    static Connection* connection_;
    static DemoSiteSummary* site_;
};
Connection* GeneratedSite::connection_ = nullptr;
DemoSiteSummary* GeneratedSite::site_ = nullptr;

TEST_F(GeneratedSite, ClassicPointAddressesAreTheirControllerCodeAndNumber) {
    struct Rule {
        const char* table;
        const char* code;
        const char* number;
    };
    const Rule rules[] = {{"Doors", "DR", "InputIndex"},     {"Inputs", "BI", "\"Index\""},
                          {"Outputs", "BR", "\"Index\""},    {"Readers", "SM", "\"Index\""},
                          {"ExpInputs", "XI", "InputIndex"}, {"ExpOutputs", "XR", "OutputIndex"}};
    for (const Rule& rule : rules) {
        SCOPED_TRACE(rule.table);
        int checked = 0;
        for (Recordset rs = db().query(QStringLiteral("SELECT t.Address, c.Address, t.%1 FROM %2 t JOIN Controllers c "
                                                      "ON c.Controller_ID = t.ControllerID")
                                           .arg(rule.number, rule.table));
             !rs.eof(); rs.moveNext(), ++checked) {
            const QString address = rs.field(0).toString();
            const QString controller = rs.field(1).toString();
            ASSERT_EQ(address.size(), 22) << address.toStdString();
            EXPECT_EQ(address.left(17), controller);
            EXPECT_EQ(address.mid(17),
                      QStringLiteral(".%1%2").arg(rule.code).arg(rs.field(2).toInt(), 2, 10, QLatin1Char('0')));
            EXPECT_EQ(so::classifyAddress(address), so::pointKindForCode(rule.code)) << address.toStdString();
        }
        EXPECT_GT(checked, 0);
    }
    // Door n uses input n, relay n and reader n of its controller.
    EXPECT_EQ(
        scalar(db(), "SELECT count(*) FROM Doors WHERE InputIndex <> OutputIndex OR InputIndex <> ReaderIndex").toInt(),
        0);
}

TEST_F(GeneratedSite, ControllerPortAndBoxAddressesHaveTheirPrefixAndLength) {
    struct Rule {
        const char* sql;
        QStringList prefixes;
        QList<int> lengths;
        so::PointKind kind;
    };
    const Rule rules[] = {
        {"SELECT Address FROM Controllers", {"\\\\SNET.", "\\\\PNET."}, {17}, so::PointKind::Controller},
        {"SELECT Address FROM ServerPorts", {"\\\\PORT."}, {10}, so::PointKind::ServerPort},
        {"SELECT Address FROM Pylons", {"\\\\PYLON."}, {14, 19}, so::PointKind::Pylon},
        {"SELECT Address FROM ZRII_Controllers", {"\\\\ZRII."}, {15}, so::PointKind::None},
    };
    for (const Rule& rule : rules) {
        SCOPED_TRACE(rule.sql);
        QSet<int> lengthsSeen;
        for (Recordset rs = db().query(rule.sql); !rs.eof(); rs.moveNext()) {
            const QString address = rs.field(0).toString();
            EXPECT_TRUE(address.startsWith(rule.prefixes.value(0)) || address.startsWith(rule.prefixes.value(1)))
                << address.toStdString();
            EXPECT_TRUE(rule.lengths.contains(address.size())) << address.toStdString();
            EXPECT_EQ(so::classifyAddress(address), rule.kind) << address.toStdString();
            lengthsSeen.insert(address.size());
        }
        EXPECT_EQ(lengthsSeen.size(), rule.lengths.size());  // both box address forms occur
    }
}

TEST_F(GeneratedSite, NewerLinePointsStartWithTheirControllersAddress) {
    struct Rule {
        const char* sql;
        QStringList codes;
    };
    const Rule rules[] = {
        {"SELECT t.Address, c.Address FROM ZRII_Doors t JOIN ZRII_Controllers c ON c.ID = t.ControllerID", {"DR"}},
        {"SELECT t.Address, c.Address FROM ZRII_Inputs t JOIN ZRII_Controllers c ON c.ID = t.ControllerID", {"BI"}},
        {"SELECT t.Address, c.Address FROM ZRII_Relays t JOIN ZRII_Controllers c ON c.ID = t.ControllerID",
         {"BR", "VR"}},
        {"SELECT t.Address, c.Address FROM ZRII_Readers t JOIN ZRII_Controllers c ON c.ID = t.ControllerID", {"RL"}},
        {"SELECT t.Address, c.Address FROM ZRII_Modules t JOIN ZRII_Controllers c ON c.ID = t.ControllerID", {"MD"}},
        {"SELECT k.Address, c.Address FROM ZRII_Keypads k JOIN ZRII_Modules t ON t.ID = k.KeypadModuleID "
         "JOIN ZRII_Controllers c ON c.ID = t.ControllerID",
         {"KP"}},
    };
    for (const Rule& rule : rules) {
        SCOPED_TRACE(rule.sql);
        for (Recordset rs = db().query(rule.sql); !rs.eof(); rs.moveNext()) {
            const QString address = rs.field(0).toString();
            ASSERT_EQ(address.size(), 20) << address.toStdString();
            EXPECT_EQ(address.left(15), rs.field(1).toString());
            EXPECT_TRUE(rule.codes.contains(address.mid(16, 2))) << address.toStdString();
            EXPECT_TRUE(address.at(18).isDigit() && address.at(19).isDigit()) << address.toStdString();
        }
    }
    // A door's contact and strike carry the door's number, so the door address of either is the door.
    EXPECT_EQ(scalar(db(),
                     "SELECT count(*) FROM ZRII_Doors d JOIN ZRII_InputsInDoorsRelations r ON r.DoorID = d.DoorID "
                     "JOIN ZRII_Inputs i ON i.InputID = r.InputID "
                     "WHERE i.Address = substr(d.Address, 1, 16) || 'BI' || substr(d.Address, 19)")
                  .toInt(),
              site().count(101));
}

TEST_F(GeneratedSite, SuperStatusRowsFollowTheStatusTextLayout) {
    const int controllers = site().count(5);
    EXPECT_EQ(rows(db(), "SuperStatus WHERE StatusType < 500"), controllers * (controllerStatusTypes().size() - 1));
    EXPECT_EQ(rows(db(),
                   "SuperStatus s JOIN ServerPorts p ON p.Address = s.Address AND p.PortID = s.ControllerID "
                   "WHERE s.StatusType = 501"),
              site().count(7));
    EXPECT_EQ(rows(db(),
                   "SuperStatus s JOIN Pylons p ON p.Address = s.Address AND p.PylonID = s.ControllerID "
                   "WHERE s.StatusType = 502"),
              site().count(6));

    int masked = 0;
    for (Recordset rs = db().query("SELECT StatusType, Status FROM SuperStatus WHERE StatusType < 500"); !rs.eof();
         rs.moveNext()) {
        const int type = rs.field(0).toInt();
        const QString text = rs.field(1).toString();
        if (type == StatusThreatLevels) {
            const QStringList ids = text.split('|');
            ASSERT_EQ(ids.size(), 16) << text.toStdString();
            for (const QString& id : ids)
                EXPECT_TRUE(id.toInt() >= 0 && id.toInt() <= 5) << text.toStdString();
            continue;
        }
        ASSERT_TRUE(text.endsWith('#')) << type << " " << text.toStdString();
        const QVector<StatusEntry> entries = splitStatusEntries(text);
        const auto range = statusPointRange(type);
        EXPECT_EQ(entries.size(), range ? range->count() : 1) << type;
        for (const StatusEntry& entry : entries) {
            ASSERT_FALSE(entry.codes.isEmpty()) << type;
            for (int code : entry.codes)
                EXPECT_TRUE(code >= 0 && code <= 255);
            if (entry.maskSource != 0) {
                ++masked;
                EXPECT_TRUE(entry.codes.contains(67));
                EXPECT_EQ(entry.value.toUInt(), entry.maskSource);
            }
        }
    }
    EXPECT_GT(masked, 0);
    EXPECT_GT(rows(db(), "ZRII_Inputs WHERE MaskSource > 0"), 0);
}

TEST_F(GeneratedSite, GroupsHoldTheKindsTheyOffer) {
    // The small group holds up to two points of every offered kind; each section group only its kinds.
    EXPECT_EQ(scalar(db(), QStringLiteral("SELECT max(n) FROM (SELECT count(*) n FROM Status_Points WHERE GroupID = %1 "
                                          "GROUP BY ObjectID)")
                               .arg(site().smallGroupId))
                  .toInt(),
              2);
    EXPECT_EQ(rows(db(), QStringLiteral("(SELECT DISTINCT ObjectID FROM Status_Points WHERE GroupID = %1)")
                             .arg(site().smallGroupId)),
              15);
    const QList<QList<int>> sectionKinds{{1, 101}, {2, 8, 102}, {3, 9, 103}, {4, 104}, {5, 105}, {6}, {7}, {108}};
    for (int section = 0; section < 8; ++section) {
        ASSERT_GT(site().sectionGroupIds[section], 0) << section;
        for (Recordset rs = db().query(QStringLiteral("SELECT DISTINCT ObjectID FROM Status_Points WHERE GroupID = %1")
                                           .arg(site().sectionGroupIds[section]));
             !rs.eof(); rs.moveNext())
            EXPECT_TRUE(sectionKinds[section].contains(rs.field(0).toInt())) << section;
    }
    // Keypad modules and main boards are never offered for a group.
    EXPECT_EQ(rows(db(), QStringLiteral("Status_Points p JOIN ZRII_Modules m ON m.ID = p.PointID "
                                        "WHERE p.ObjectID = 108 AND m.DeviceSubType IN (1, 2, 8) AND p.GroupID <> %1")
                             .arg(site().siteGroupId)),
              0);
}

TEST(SiteStatusText, EntriesRoundTripAndUnsafeValuesAreRefused) {
    const QVector<StatusEntry> entries{{{1, 65, 67}, "4", 4}, {{0, 66, 68}, "0", 0}, {{200}, "", 0}};
    const QString text = joinStatusEntries(entries);
    EXPECT_EQ(text, "1,65,67|4|4#0,66,68|0|0#200||0#");
    EXPECT_EQ(splitStatusEntries(text), entries);
    EXPECT_EQ(splitStatusEntries(text + "trailing").size(), 3);  // text after the last "#" is no entry
    EXPECT_TRUE(splitStatusEntries("").isEmpty());
    for (const char* bad : {"a|b", "a#b", "a,b"})
        EXPECT_THROW(joinStatusEntries({{{1}, bad, 0}}), DbError) << bad;
    EXPECT_EQ(joinThreatLevels({0, 3, 5}), "0|3|5");
    EXPECT_EQ(statusPointRange(StatusExpInputs17to24)->firstPoint, 17);
    EXPECT_EQ(statusPointRange(StatusExpRelays)->count(), 64);
    EXPECT_FALSE(statusPointRange(StatusThreatLevels).has_value());
}
