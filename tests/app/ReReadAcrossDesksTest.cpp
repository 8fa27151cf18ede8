// Two desks on the site bus, each a workstation on its own link: a "point configured" notice one
// desk publishes after a stored change makes the other re-read the point, and its rows then read
// as a workstation that loads the group afresh shows them (every kind's re-read against a fresh
// load: tests/component/ReReadConvergenceTest).
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

TEST_F(TwoDesksOnTheBus, APointConfiguredOnOneDeskReadsOnTheOtherAsAFreshLoad) {
    linkA.connect();
    linkB.connect();
    // A door's input: the door's row shows it too.
    const QString door = firstOfKind(1);
    ASSERT_FALSE(door.isEmpty());
    const QString input = QString(door).replace(QLatin1String(".DR"), QLatin1String(".BI"));
    const QStringList addresses{input, door};
    const QStringList before = rowsOf(*stationB, addresses);
    site.db->execute(QStringLiteral("UPDATE Inputs SET Disabled = 1, AnlgMode = 3 WHERE Address = '%1'").arg(input));
    deskA.send(QString(so::notice::Topic), so::notice::PointConfigured, input, QStringLiteral("WS1"));
    while (bus.deliver() > 0) {
    }
    const QStringList expected = rowsOf(*openWorkstation(deskA, QStringLiteral("WS3"), kEntireSite), addresses);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(rowsOf(*stationB, addresses), expected);
    EXPECT_NE(rowsOf(*stationB, addresses), before) << "the change is shown";
    EXPECT_EQ(deskB.noticesDropped(), 0);
}

}  // namespace
