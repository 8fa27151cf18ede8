// The embedded site schema and the behaviour of its stored procedures.
#include "SiteTestSupport.h"

#include "site/SiteSchema.h"

#include <gtest/gtest.h>

using namespace so::db;
using namespace so::db::test;

namespace {

QStringList columnNames(Connection& connection, const QString& table) {
    QSqlQuery query(qtDatabase(connection));
    query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table));
    QStringList names;
    while (query.next())
        names.append(query.value(1).toString());
    return names;
}

}  // namespace

TEST(SiteSchema, CreatingTwiceKeepsRowsAndStoresEveryProcedureOnce) {
    auto connection = memorySite();
    createSiteSchema(*connection);
    connection->execute(QStringLiteral("INSERT INTO ThreatLevels (ThreatID, Name) VALUES (0, 'Normal')"));
    ASSERT_NO_THROW(createSiteSchema(*connection));

    EXPECT_EQ(scalar(*connection, "SELECT Name FROM ThreatLevels WHERE ThreatID = 0").toString(), "Normal");
    EXPECT_EQ(scalar(*connection, "SELECT count(*) FROM sys_procedures").toInt(), siteProcedures().size());
    for (const SiteProcedure& procedure : siteProcedures())
        EXPECT_EQ(
            scalar(*connection,
                   QStringLiteral("SELECT body FROM sys_procedures WHERE name = '%1'").arg(procedure.name.toUpper()))
                .toString(),
            procedure.body)
            << procedure.name.toStdString();
}

TEST(SiteSchema, ColumnsReadByPositionKeepTheirOrder) {
    auto connection = memorySite();
    createSiteSchema(*connection);
    EXPECT_EQ(columnNames(*connection, "Profile_Details").mid(0, 4),
              QStringList({"ProfileID", "ObjectID", "DetailName", "DetailValue"}));
    EXPECT_EQ(columnNames(*connection, "SuperStatus").mid(0, 5),
              QStringList({"Address", "ControllerID", "StatusType", "Status", "LastUpdated"}));
    EXPECT_EQ(
        columnNames(*connection, "Status_Points").mid(0, 7),
        QStringList({"GroupID", "ObjectID", "PointID", "ListName", "ListSmallIcon", "ListAddress", "AlternateFlag"}));
}

class SiteProcedures : public ::testing::Test {
protected:
    void SetUp() override {
        connection = memorySite();
        DemoSiteOptions options;
        options.points = 400;
        site = generateDemoSite(*connection, options);
    }

    int rowCount(const QString& sql) {
        int rows = 0;
        for (Recordset rs = connection->query(sql); !rs.eof(); rs.moveNext())
            ++rows;
        return rows;
    }

    std::unique_ptr<Connection> connection;
    DemoSiteSummary site;
};

TEST_F(SiteProcedures, ProfileDetailUpdateReplacesTheOneRowAndKeepsApostrophes) {
    const QString select = QStringLiteral(
        "SELECT DetailValue FROM Profile_Details WHERE ProfileID = 1 AND ObjectID = 10 AND DetailName = '%1'");
    connection->execute("KSP_Update_Profile_Persisted_Details 1, 10, 'Height', '5000'");
    connection->execute("KSP_Update_Profile_Persisted_Details 1, 10, 'Height', '6120'");
    EXPECT_EQ(rowCount(select.arg("Height")), 1);
    EXPECT_EQ(scalar(*connection, select.arg("Height")).toString(), "6120");

    connection->execute(
        "KSP_Update_Profile_Persisted_Details 1, 10, 'ColumnHeaderPos3', "
        "N'Name][Reader''s Name][1][90][True'");
    EXPECT_EQ(scalar(*connection, select.arg("ColumnHeaderPos3")).toString(), "Name][Reader's Name][1][90][True");
    // A new detail name is inserted beside the others.
    connection->execute("KSP_Update_Profile_Persisted_Details 1, 10, 'Splitter', '7'");
    EXPECT_EQ(scalar(*connection, select.arg("Splitter")).toString(), "7");
}

TEST_F(SiteProcedures, RolesListTheGroupsEachOperatorMaySee) {
    const int allGroups = rowCount("SELECT * FROM Status_Groups");
    const auto visible = [&](int operatorId, int mode = 1) {
        QList<int> ids;
        for (Recordset rs =
                 connection->query(QStringLiteral("[KSP_Roles_Fetch_StatusGroups] %1, %2").arg(mode).arg(operatorId));
             !rs.eof(); rs.moveNext())
            ids.append(rs.field(0).toInt());
        return ids;
    };
    EXPECT_EQ(visible(site.adminOperatorId).size(), allGroups);
    EXPECT_EQ(visible(site.boundedOperatorId).size(), allGroups);
    EXPECT_EQ(visible(site.restrictedOperatorId), QList<int>{site.smallGroupId});
    EXPECT_TRUE(visible(99).isEmpty());
    EXPECT_TRUE(visible(site.adminOperatorId, 2).isEmpty());

    // An explicit denial of one group wins over the grant of all groups.
    connection->execute(QStringLiteral("INSERT INTO OperatorPermissions VALUES (1, 14, %1, 0)").arg(site.smallGroupId));
    EXPECT_FALSE(visible(site.adminOperatorId).contains(site.smallGroupId));
    EXPECT_EQ(visible(site.adminOperatorId).size(), allGroups - 1);
}

TEST_F(SiteProcedures, ControllersFromAddressMatchAPrefixAsText) {
    const QString first = scalar(*connection, "SELECT Address FROM Controllers ORDER BY Controller_ID").toString();
    Recordset one = connection->query("KSP_Fetch_ControllersFromAddress  '" + first + "'");
    ASSERT_FALSE(one.eof());
    EXPECT_EQ(one.field("Address").toString(), first);
    EXPECT_EQ(one.field(0).toInt(), 1);
    EXPECT_EQ(one.field("Installed").toInt(), 1);
    one.moveNext();
    EXPECT_TRUE(one.eof());

    const QString loop = first.left(10);  // the loop's prefix, "\\SNET.P01"
    int onLoop = 0;
    for (Recordset rs = connection->query("KSP_Fetch_ControllersFromAddress '" + loop + "'"); !rs.eof();
         rs.moveNext()) {
        EXPECT_TRUE(rs.field("Address").toString().startsWith(loop));
        ++onLoop;
    }
    EXPECT_EQ(onLoop, rowCount("SELECT * FROM Controllers WHERE Address LIKE '%.P01.%'"));
    EXPECT_EQ(rowCount("KSP_Fetch_ControllersFromAddress '" + first.left(8) + "_'"), 0);
}

TEST_F(SiteProcedures, GroupFetchesFollowTheSavedOrderOfTheGroup) {
    const int groupId = scalar(*connection, "SELECT max(GroupID) + 1 FROM Status_Groups").toInt();
    connection->execute(
        QStringLiteral("INSERT INTO Status_Groups (GroupID, GroupName) VALUES (%1, 'Reversed')").arg(groupId));
    connection->execute(QStringLiteral("INSERT INTO Status_Points (GroupID, ObjectID, PointID, ListAddress) "
                                       "SELECT %1, 1, DoorId, Address FROM Doors ORDER BY Address DESC")
                            .arg(groupId));
    QStringList fetched;
    for (Recordset rs = connection->query(QStringLiteral("STATUS_Fetch_Doors %1").arg(groupId)); !rs.eof();
         rs.moveNext())
        fetched.append(rs.field("Address").toString());
    QStringList expected = fetched;
    std::sort(expected.begin(), expected.end(), std::greater<QString>());
    EXPECT_EQ(fetched.size(), site.count(1));
    EXPECT_EQ(fetched, expected);
}
