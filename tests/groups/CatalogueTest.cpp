// The catalogue of points that can be added to a group, on a generated site: which kinds each
// filter offers, the fitted-hardware rules of expansion points, the alternate flags, the order of
// the list, and that nothing already listed is offered twice.
#include "groups/Catalogue.h"
#include "domain/KindIcon.h"

#include "support/SiteFixture.h"
#include "base/ComponentContext.h"

#include <gtest/gtest.h>

#include <QSet>

namespace so {
namespace {

using test::FakeHost;

/// A host whose apostrophe escaping can be switched off, as a faulty host would do it.
class EscapingHost : public FakeHost {
public:
    bool escapes = true;
    QString Fix_Apostrophe(const QString& text) override { return escapes ? FakeHost::Fix_Apostrophe(text) : text; }
};

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = test::openMemoryDatabase();
        site = db::generateDemoSite(*db, {300, 1, QStringLiteral("WS1")});
        ctx.parent = &host;
        ctx.ntConnection = &host;
        ctx.dbConnection = db.get();
        ctx.dialogs = &dialogs;
        ctx.computerName = QStringLiteral("WS1");
        ctx.errorLog.setFolder(logDir.path());
        controllerId = test::scalar(*db, QStringLiteral("SELECT min(ControllerID) FROM PanelBasicSetups")).toInt();
    }

    QVector<SelectedPoint> fill(int filter, const QVector<SelectedPoint>& selected = {}) {
        QVector<SelectedPoint> available;
        FillAvailable(ctx, filter, available, selected);
        return available;
    }

    static QSet<int> objectIds(const QVector<SelectedPoint>& points) {
        QSet<int> ids;
        for (const SelectedPoint& p : points)
            ids.insert(p.objectId);
        return ids;
    }

    static QStringList addresses(const QVector<SelectedPoint>& points, const QString& containing = {}) {
        QStringList out;
        for (const SelectedPoint& p : points)
            if (p.listAddress.contains(containing))
                out << p.listAddress;
        return out;
    }

    /// Replaces the test controller's expansion relays by relays at the given output indexes.
    void expansionRelaysAt(std::initializer_list<int> indexes) {
        db->execute(QStringLiteral("DELETE FROM ExpOutputs WHERE ControllerID = %1").arg(controllerId));
        for (int index : indexes)
            db->execute(QStringLiteral("INSERT INTO ExpOutputs (Name, Address, ControllerID, OutputIndex) "
                                       "VALUES ('Test relay', 'TEST.XR%1', %2, %1)")
                            .arg(index)
                            .arg(controllerId));
    }

    std::unique_ptr<db::Connection> db;
    db::DemoSiteSummary site;
    EscapingHost host;
    test::FakeDialogs dialogs;
    QTemporaryDir logDir;
    ComponentContext ctx;
    int controllerId = 0;
};

TEST_F(CatalogueTest, EachFilterOffersItsKindsOnly) {
    struct Case {
        int filter;
        QSet<int> kinds;
    };
    const Case cases[] = {
        {FilterDoors, {1, 101}},
        {FilterInputs, {8, 2, 102}},
        {FilterRelays, {9, 3, 103}},
        {FilterReaders, {4, 104}},
        {FilterControllers, {5, 105}},
        {FilterPylons, {6}},
        {FilterPorts, {7}},
        {FilterModules, {108}},
        {FilterXRelays, {9}},
        {FilterAll, {1, 101, 8, 2, 102, 9, 3, 103, 4, 104, 5, 105, 6, 7, 108}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(objectIds(fill(c.filter)), c.kinds) << "filter " << c.filter;
    EXPECT_TRUE(host.loggedErrors.isEmpty()) << host.loggedErrors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(CatalogueTest, RelayFilterOffersEveryOfferedRelayOfTheSite) {
    const int zrRelays =
        test::countRows(*db, QStringLiteral("SELECT RelayID FROM ZRII_Relays WHERE RelayType IN (2, 4)"));
    const QVector<SelectedPoint> relays = fill(FilterRelays);
    int classic = 0;
    int newer = 0;
    for (const SelectedPoint& p : relays) {
        classic += p.objectId == 3;
        newer += p.objectId == 103;
    }
    EXPECT_EQ(classic, site.count(3));
    EXPECT_EQ(newer, zrRelays);
    // Relays of other types (door strikes) are not offered.
    EXPECT_LT(newer, site.count(103));
}

TEST_F(CatalogueTest, ExpansionRelayNeedsItsBoardFitted) {
    expansionRelaysAt({1, 8, 9, 16, 17, 64, 65});
    struct Case {
        const char* flags;
        QStringList offered;
    };
    const Case cases[] = {
        {"ef_reb1 = -1", {"TEST.XR1", "TEST.XR8"}},
        {"ef_reb2 = -1", {"TEST.XR9", "TEST.XR16"}},
        {"ef_reb8 = 1", {"TEST.XR64"}},
        {"ef_reb1 = -1, ef_reb3 = -1", {"TEST.XR1", "TEST.XR8", "TEST.XR17"}},
        {"ef_reb64 = -1", {"TEST.XR1", "TEST.XR8", "TEST.XR9", "TEST.XR16", "TEST.XR17", "TEST.XR64", "TEST.XR65"}},
        {"nxinputs = nxinputs", {}},
    };
    for (const Case& c : cases) {
        db->execute(QStringLiteral("UPDATE PanelBasicSetups SET ef_reb1 = 0, ef_reb2 = 0, ef_reb3 = 0, ef_reb4 = 0, "
                                   "ef_reb5 = 0, ef_reb6 = 0, ef_reb7 = 0, ef_reb8 = 0, ef_reb64 = 0 "
                                   "WHERE ControllerID = %1")
                        .arg(controllerId));
        db->execute(QStringLiteral("UPDATE PanelBasicSetups SET %1 WHERE ControllerID = %2")
                        .arg(QLatin1String(c.flags))
                        .arg(controllerId));
        QStringList offered = addresses(fill(FilterXRelays), QStringLiteral("TEST."));
        offered.sort();
        QStringList expected = c.offered;
        expected.sort();
        EXPECT_EQ(offered, expected) << c.flags;
    }
}

TEST_F(CatalogueTest, ExpansionInputBeyondFittedInputsIsNotOffered) {
    db->execute(QStringLiteral("DELETE FROM ExpInputs WHERE ControllerID = %1").arg(controllerId));
    for (int index : {7, 8, 9})
        db->execute(QStringLiteral("INSERT INTO ExpInputs (Name, Address, ControllerID, InputIndex, normal_open) "
                                   "VALUES ('Test input', 'TEST.XI%1', %2, %1, %3)")
                        .arg(index)
                        .arg(controllerId)
                        .arg(index == 7 ? -1 : 0));
    db->execute(QStringLiteral("UPDATE PanelBasicSetups SET nxinputs = 8 WHERE ControllerID = %1").arg(controllerId));

    const QVector<SelectedPoint> inputs = fill(FilterInputs);
    QHash<QString, int> flags;
    for (const SelectedPoint& p : inputs)
        if (p.listAddress.startsWith(QLatin1String("TEST.")))
            flags.insert(p.listAddress, p.alternateFlag);
    EXPECT_EQ(flags, (QHash<QString, int>{{QStringLiteral("TEST.XI7"), 1}, {QStringLiteral("TEST.XI8"), 0}}));
}

TEST_F(CatalogueTest, NewerLineInputAlternateFlagIsNotNormallyClosed) {
    const QStringList two = [&] {
        QStringList out;
        for (db::Recordset rs = db->query(QStringLiteral("SELECT Address FROM ZRII_Inputs ORDER BY Address LIMIT 2"));
             !rs.eof(); rs.moveNext())
            out << rs.field(0).toString();
        return out;
    }();
    ASSERT_EQ(two.size(), 2);
    db->execute(QStringLiteral("UPDATE ZRII_Inputs SET NormallyClosed = -1 WHERE Address = '%1'").arg(two[0]));
    db->execute(QStringLiteral("UPDATE ZRII_Inputs SET NormallyClosed = 0 WHERE Address = '%1'").arg(two[1]));

    QHash<QString, SelectedPoint> byAddress;
    for (const SelectedPoint& p : fill(FilterInputs))
        byAddress.insert(p.listAddress, p);
    ASSERT_TRUE(byAddress.contains(two[0]) && byAddress.contains(two[1]));
    EXPECT_EQ(byAddress[two[0]].alternateFlag, 0);
    EXPECT_EQ(byAddress[two[1]].alternateFlag, 1);
    EXPECT_EQ(byAddress[two[0]].objectId, 102);
    EXPECT_EQ(byAddress[two[0]].listSmallIcon, iconIndex(KindIcon::Input));
}

TEST_F(CatalogueTest, EntriesGoInAtTheFrontAndCarryWhatAGroupStores) {
    // Doors are read classic first, then newer line, each by address; every entry goes first.
    QStringList readOrder;
    for (db::Recordset rs = db->query(QStringLiteral("SELECT Address FROM Doors ORDER BY Address")); !rs.eof();
         rs.moveNext())
        readOrder << rs.field(0).toString();
    for (db::Recordset rs = db->query(QStringLiteral("SELECT Address FROM ZRII_Doors ORDER BY Address")); !rs.eof();
         rs.moveNext())
        readOrder << rs.field(0).toString();
    std::reverse(readOrder.begin(), readOrder.end());

    const QVector<SelectedPoint> doors = fill(FilterDoors);
    EXPECT_EQ(addresses(doors), readOrder);

    const SelectedPoint& last = doors.last();  // the first classic door read
    const QVariant id =
        test::scalar(*db, QStringLiteral("SELECT DoorId FROM Doors WHERE Address = '%1'").arg(last.listAddress));
    const QVariant name =
        test::scalar(*db, QStringLiteral("SELECT DoorName FROM Doors WHERE Address = '%1'").arg(last.listAddress));
    EXPECT_EQ(last.pointId, id.toInt());
    EXPECT_EQ(last.listName, name.toString());
    EXPECT_EQ(last.objectId, 1);
    EXPECT_EQ(last.listSmallIcon, iconIndex(KindIcon::Door));
}

TEST_F(CatalogueTest, PointsAlreadyListedAreNotOfferedAgain) {
    const QVector<SelectedPoint> all = fill(FilterDoors);
    ASSERT_GE(all.size(), 4);
    const QVector<SelectedPoint> selected{all[0], all[2]};
    QVector<SelectedPoint> available{all[3]};
    FillAvailable(ctx, FilterDoors, available, selected);

    const QStringList offered = addresses(available);
    EXPECT_FALSE(offered.contains(all[0].listAddress));
    EXPECT_FALSE(offered.contains(all[2].listAddress));
    EXPECT_EQ(offered.count(all[3].listAddress), 1) << "an entry already available is not added twice";
    EXPECT_EQ(available.size(), all.size() - 2);
    // The list is not cleared: what it held stays, after the new entries.
    EXPECT_EQ(available.last().listAddress, all[3].listAddress);
}

TEST_F(CatalogueTest, PortIconsFollowStyleThenDialUpType) {
    struct Case {
        const char* style;
        int type;
        int icon;
    };
    const Case cases[] = {{"CCTV", 6, 47}, {"SNet", 1, 33}, {"PNet", 2, 34}, {"DVR", 7, 46},
                          {"CSR", 8, 66},  {"SNet", 4, 16}, {"CCTV", 4, 16}};
    for (const Case& c : cases)
        EXPECT_EQ(portListIcon(QLatin1String(c.style), c.type), c.icon) << c.style << " " << c.type;

    // The catalogue's ports carry the same icons.
    int compared = 0;
    for (const SelectedPoint& p : fill(FilterPorts)) {
        const QVariant type = test::scalar(
            *db, QStringLiteral("SELECT PortType FROM ServerPorts WHERE Address = '%1'").arg(p.listAddress));
        const QVariant style = test::scalar(
            *db, QStringLiteral("SELECT PortStyle FROM ServerPorts WHERE Address = '%1'").arg(p.listAddress));
        for (const Case& c : cases)
            if (style.toString() == QLatin1String(c.style) && type.toInt() == c.type) {
                EXPECT_EQ(p.listSmallIcon, c.icon) << p.listAddress.toStdString();
                ++compared;
            }
    }
    EXPECT_GT(compared, 0);
}

TEST_F(CatalogueTest, ComputerNameIsSentEscapedAndAnUnescapedOneIsRefused) {
    ctx.computerName = QStringLiteral("O'Brien-PC");
    EXPECT_FALSE(fill(FilterDoors).isEmpty());
    EXPECT_TRUE(host.loggedErrors.isEmpty());

    host.escapes = false;
    const QVector<SelectedPoint> doors = fill(FilterDoors);
    EXPECT_TRUE(doors.isEmpty());
    ASSERT_EQ(host.loggedErrors.size(), 1);
    EXPECT_TRUE(host.loggedErrors[0].startsWith(QLatin1String("FCustom: FillAvailable")));
    EXPECT_TRUE(host.loggedErrors[0].contains(QLatin1String("not escaped")))
        << "refused before it reached the database";
}

TEST_F(CatalogueTest, AFailurePartWayKeepsTheEntriesReadBeforeIt) {
    db->execute(QStringLiteral("PRAGMA foreign_keys = OFF"));
    db->execute(QStringLiteral("DROP TABLE ZRII_Doors"));
    const QVector<SelectedPoint> doors = fill(FilterDoors);
    EXPECT_EQ(objectIds(doors), QSet<int>{1});
    EXPECT_EQ(doors.size(), site.count(1));
    ASSERT_EQ(host.loggedErrors.size(), 1);
    EXPECT_TRUE(host.loggedErrors[0].startsWith(QLatin1String("FCustom: FillAvailable")));
}

}  // namespace
}  // namespace so
