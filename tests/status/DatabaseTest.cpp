// The two places where a reported value or an address meets a statement: the threat level name
// and the operator's boundaries. Values are bound, never spliced into the statement text.
#include "StatusTestSupport.h"

#include "domain/Permissions.h"

#include <QFile>

namespace so::test {
namespace {

const QString kReportTime = QStringLiteral("2024-03-05 17:04:09");

class DatabaseTest : public StatusFixture {
protected:
    DatabaseTest() : db(db::Connection::open(QStringLiteral("sqlite::memory:"))) {
        ctx.dbConnection = db.get();
        for (const char* sql : {
                 "CREATE TABLE ThreatLevels (ThreatID INTEGER, Name TEXT)",
                 "INSERT INTO ThreatLevels VALUES (1, 'Low'), (2, 'Elevated'), (3, 'Severe')",
                 "CREATE TABLE boundaries (Address TEXT, objecttype INTEGER, WorkstationID INTEGER, GroupID INTEGER)",
                 "CREATE TABLE Operators (OperatorID INTEGER)",
                 "CREATE TABLE OperatorsToGroups (OperatorID INTEGER, GroupID INTEGER)",
                 "INSERT INTO Operators VALUES (1), (2)",
                 "INSERT INTO OperatorsToGroups VALUES (1, 10), (2, 20)",
                 "INSERT INTO boundaries VALUES ('\\\\SNET.P001.C0101.DR01', 21, 1, 10)",
                 "INSERT INTO boundaries VALUES ('\\\\SNET.P001.C0101.DR02', 21, 1, 20)",
                 "INSERT INTO boundaries VALUES ('\\\\SNET.P001.C0101.DR03', 5, 1, 10)",
             })
            db->execute(QString::fromLatin1(sql));
    }

    int threatLevelCount() {
        db::Recordset rs = db->query(QStringLiteral("SELECT COUNT(*) FROM ThreatLevels"));
        return rs.field(0).toInt();
    }

    std::unique_ptr<db::Connection> db;
};

TEST_F(DatabaseTest, ThreatLevelNameOfReaderAndController) {
    const int reader = addPoint(3, QStringLiteral("\\\\SNET.P001.C0101.SM01"));
    decoder.UpdateList(Section::Readers, QStringLiteral("\\\\SNET.P001.C0101.SM01"), 32, QStringLiteral("SM"),
                       kReportTime, QStringLiteral("2"));
    EXPECT_EQ(cell(3, reader, col::ThreatLevel), QStringLiteral("Elevated"));

    const int controller = addPoint(4, QStringLiteral("\\\\SNET.P001.C0101"));
    decoder.UpdateList(Section::Controllers, QStringLiteral("\\\\SNET.P001.C0101"), 37, QStringLiteral("CA"),
                       kReportTime, QStringLiteral(" 3 "));
    EXPECT_EQ(cell(4, controller, col::ThreatLevel), QStringLiteral("Severe"));
    // An id without a level keeps the text.
    decoder.UpdateList(Section::Controllers, QStringLiteral("\\\\SNET.P001.C0101"), 37, QStringLiteral("CA"),
                       kReportTime, QStringLiteral("9"));
    EXPECT_EQ(cell(4, controller, col::ThreatLevel), QStringLiteral("Severe"));
    EXPECT_FALSE(cell(4, controller, col::LastUpdated).isEmpty());
    EXPECT_EQ(failuresLogged(), 0);
}

TEST_F(DatabaseTest, ThreatLevelIdThatIsNoWholeNumberRunsNoQuery) {
    const QString address = QStringLiteral("\\\\SNET.P001.C0101.SM01");
    const int reader = addPoint(3, address);
    sections.grid(3).setText(reader, col::ThreatLevel, QStringLiteral("Low"));
    const QString bad[] = {QStringLiteral("2 OR 1=1"), QStringLiteral("0; DELETE FROM ThreatLevels"),
                           QStringLiteral("'2'"), QStringLiteral("2.5"), QString()};
    for (const QString& value : bad)
        decoder.UpdateList(Section::Readers, address, 32, QStringLiteral("SM"), kReportTime, value);
    EXPECT_EQ(cell(3, reader, col::ThreatLevel), QStringLiteral("Low"));
    EXPECT_TRUE(cell(3, reader, col::LastUpdated).isEmpty());
    EXPECT_EQ(threatLevelCount(), 3);
    EXPECT_EQ(ownLogReports(), int(std::size(bad)));
    QFile log(logDir.path() + QStringLiteral("/StatusObject.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains(QStringLiteral("MPublic.UpdateList")));
}

TEST_F(DatabaseTest, FailedThreatLevelQueryIsLogged) {
    db->execute(QStringLiteral("DROP TABLE ThreatLevels"));
    const int reader = addPoint(3, QStringLiteral("r"));
    decoder.UpdateList(Section::Readers, QStringLiteral("r"), 32, QStringLiteral("SM"), kReportTime,
                       QStringLiteral("1"));
    EXPECT_TRUE(cell(3, reader, col::LastUpdated).isEmpty());
    EXPECT_EQ(ownLogReports(), 1);
}

TEST_F(DatabaseTest, RolePointFollowsTheOperatorsBoundaries) {
    host.userId = 1;
    EXPECT_FALSE(CheckRolePoint(ctx, QStringLiteral("\\\\SNET.P001.C0101.DR01")));  // a boundary of group 10
    EXPECT_TRUE(CheckRolePoint(ctx, QStringLiteral("\\\\SNET.P001.C0101.DR02")));   // another operator's group
    EXPECT_TRUE(CheckRolePoint(ctx, QStringLiteral("\\\\SNET.P001.C0101.DR03")));   // not object type 21
    EXPECT_TRUE(CheckRolePoint(ctx, QStringLiteral("\\\\SNET.P001.C0101.DR09")));   // no boundary at all
    host.userId = 2;
    EXPECT_FALSE(CheckRolePoint(ctx, QStringLiteral("\\\\SNET.P001.C0101.DR02")));
    EXPECT_EQ(failuresLogged(), 0);
}

TEST_F(DatabaseTest, RolePointAddressWithQuotesIsOnlyAnAddress) {
    host.userId = 1;
    // Spliced into the text, this would match every boundary row and answer false.
    EXPECT_TRUE(CheckRolePoint(ctx, QStringLiteral("x' OR '1'='1")));
    EXPECT_TRUE(CheckRolePoint(ctx, QStringLiteral("'")));
    EXPECT_TRUE(CheckRolePoint(ctx, QString()));
    EXPECT_EQ(failuresLogged(), 0);
}

TEST_F(DatabaseTest, RolePointWithoutDatabaseIsFalse) {
    ctx.dbConnection = nullptr;
    EXPECT_FALSE(CheckRolePoint(ctx, QStringLiteral("\\\\SNET.P001.C0101.DR09")));
    EXPECT_EQ(ownLogReports(), 1);
}

}  // namespace
}  // namespace so::test
