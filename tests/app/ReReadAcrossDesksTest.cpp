// Two desks on the site bus, each a workstation on its own link: a "point configured" notice one
// desk publishes after a stored change makes the other re-read the point, and its rows then read
// as a workstation that loads the group afresh shows them, for a point of every kind.
#include "BusSiteFixture.h"

#include <statusobject/Diagnostics.h>
#include <statusobject/Status.h>
#include <statusobject/Vocabulary.h>

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

namespace wire = sv::wire;

const QString& kRereadSite = sv::test::kBusSiteName;
const QString kEntireSite = QStringLiteral("Entire Site");

struct TwoDesksOnTheBus : ::testing::Test, sv::test::BusSite {
    sv::MemoryTransport linkA{bus, {wire::everyLoginTopic(kRereadSite, wire::Topic::Notice)}};
    sv::MemoryTransport linkB{bus, {wire::everyLoginTopic(kRereadSite, wire::Topic::Notice)}};
    sv::DeskLink deskA{linkA, kRereadSite, QStringLiteral("WS1"), log};
    sv::DeskLink deskB{linkB, kRereadSite, QStringLiteral("WS2"), log};
    std::unique_ptr<sv::Workstation> stationA = openWorkstation(deskA, QStringLiteral("WS1"), kEntireSite);
    std::unique_ptr<sv::Workstation> stationB = openWorkstation(deskB, QStringLiteral("WS2"), kEntireSite);

    TwoDesksOnTheBus() : BusSite(300) {}

    /// The rows of the addresses a workstation shows.
    static QStringList rowsOf(sv::Workstation& station, const QStringList& addresses) {
        QStringList out;
        for (const QString& line : station.shownRows())
            for (const QString& address : addresses)
                if (line.contains(QRegularExpression(
                        QStringLiteral("\tAddress=%1(\t|$)").arg(QRegularExpression::escape(address)))))
                    out << line;
        return out;
    }

    QString firstOfKind(int objectId) {
        return site
            .scalar(QStringLiteral("SELECT ListAddress FROM Status_Points WHERE GroupID = %1 AND ObjectID = %2 "
                                   "ORDER BY StatusPointID")
                        .arg(site.site.siteGroupId)
                        .arg(objectId))
            .toString();
    }
};

TEST_F(TwoDesksOnTheBus, APointConfiguredOnOneDeskReadsOnTheOtherAsAFreshLoadForEveryKind) {
    linkA.connect();
    linkB.connect();
    const struct {
        int objectId;
        const char* change;  // %1: the point's address, %2: its door's
    } kinds[] = {
        {1, "UPDATE Inputs SET Disabled = 1, AnlgMode = 3 WHERE Address = replace('%1', '.DR', '.BI')"},
        {2, "UPDATE Inputs SET Disabled = 1, AnlgMode = 2 WHERE Address = '%1'"},
        {3, ""},
        {4, ""},
        {5, "UPDATE Controllers SET Installed = 0 WHERE Address = '%1'"},
        {6, "UPDATE Pylons SET Revision = '9.9', Enabled = 0 WHERE Address = '%1'"},
        {7, "UPDATE ServerPorts SET Enabled = 0 WHERE Address = '%1'"},
        {8, "UPDATE ExpInputs SET Disabled = 1, Anlg_mode = 2 WHERE Address = '%1'"},
        {9, ""},
        {101,
         "UPDATE ZRII_Relays SET EnergizedStatus = 1, OperationsStatus = 3 WHERE Address = replace('%1', '.DR', "
         "'.BR')"},
        {102, "UPDATE ZRII_Inputs SET MaskSource = 129, ContactStatus = 2, LineModuleType = 3 WHERE Address = '%1'"},
        {103, "UPDATE ZRII_Relays SET EnergizedStatus = 1, OperationsStatus = 3 WHERE Address = '%1'"},
        {104, "UPDATE ZRII_Readers SET ThreatLevel = 4 WHERE Address = '%1'"},
        {105, "UPDATE ZRII_Controllers SET Installed = 0 WHERE Address = '%1'"},
        {108, "UPDATE ZRII_Modules SET InTamper = 1, Online = 0 WHERE Address = '%1'"},
    };
    for (const auto& kind : kinds) {
        const QString address = firstOfKind(kind.objectId);
        ASSERT_FALSE(address.isEmpty()) << "no point of kind " << kind.objectId;
        QStringList addresses{address};
        for (const char* code : {".BI", ".BR"})
            if (address.contains(QLatin1String(code)))
                addresses << QString(address).replace(QLatin1String(code), QStringLiteral(".DR"));
        const QStringList before = rowsOf(*stationB, addresses);
        if (*kind.change != '\0')
            site.db->execute(QString::fromLatin1(kind.change).arg(address));
        deskA.send(QString(so::notice::Topic), so::notice::PointConfigured, address, QStringLiteral("WS1"));
        while (bus.deliver() > 0) {
        }
        const QStringList expected = rowsOf(*openWorkstation(deskA, QStringLiteral("WS3"), kEntireSite), addresses);
        ASSERT_FALSE(expected.isEmpty()) << address.toStdString();
        EXPECT_EQ(rowsOf(*stationB, addresses), expected) << "kind " << kind.objectId;
        if (*kind.change != '\0')
            EXPECT_NE(rowsOf(*stationB, addresses), before) << "kind " << kind.objectId << ": the change is shown";
    }
    EXPECT_EQ(deskB.noticesDropped(), 0);
}

}  // namespace
