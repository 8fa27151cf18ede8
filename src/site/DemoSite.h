// A generator of realistic demo sites for the embedded site database.
//
// The site: server ports (SNet and PNet loops, a dial-up modem, CCTV, DVR and central-station
// receiver ports), classic controllers on the loops with eight (or six) doors each (door n uses
// input n, relay n and reader n; the slots without a door hold stand-alone inputs and relays),
// expansion inputs and relays, communication boxes, newer-line controllers with doors (contact,
// exit button, strike, reader and keypad module), inputs, relays and modules, their relation
// tables, SuperStatus rows for every status type, threat levels, operators
// with groups, permissions and a boundary, two workstations with their profiles and layouts, and
// stored status groups. Names are realistic ("Front Entrance", "Loading Dock 2" ...). States are
// those of a quiet site: every point at rest in its normal state (closed, locked, on line, secure)
// but about one in a hundred (an open or alarmed input, a mask, a tamper, a power fault, a
// controller off line), so the abnormal few stand out.
//
// The same options always give the same site, row for row. The number of points is exact.
#pragma once

#include <QMap>
#include <QString>
#include <QVector>

#include <array>

namespace so::db {

class Connection;

struct DemoSiteOptions {
    /// Points of the site, all kinds together (ports, boxes, controllers, doors, inputs, relays,
    /// readers, expansion points, modules): 1 to 100,000. Small sites get the first kinds of the
    /// build order (a loop port, one controller and its doors ...); from about 100 points every
    /// kind is present.
    int points = 1000;
    quint32 seed = 1;
    /// The workstation that gets WorkstationID 1 and the default profile.
    QString computerName = QStringLiteral("WS1");
};

struct DemoSiteSummary {
    /// Points per kind, keyed by the kind's ObjectID (1-9 classic, 101-105 and 108 newer line).
    QMap<int, int> pointsByObjectId;
    int totalPoints = 0;

    /// "Lobby and Entrances": the first two points of every kind the catalogue offers.
    int smallGroupId = 0;
    /// One group per section 0-7 with every offered point of the section's kinds; 0 when the site
    /// has no point of that section.
    std::array<int, 8> sectionGroupIds{};
    /// "Entire Site": every point of the site, offered or not (for benchmarks).
    int siteGroupId = 0;

    /// The profile of the workstation named in the options; its default group is smallGroupId.
    int defaultProfileId = 0;
    QVector<int> profileIds;
    /// WorkstationID of the workstation named in the options (1) and of the second one.
    int workstationId = 0;
    int secondWorkstationId = 0;
    QString secondComputerName;

    /// Operators: every permission; kept from boundaryAddress at workstation 1; permission 63
    /// (device commands) denied and only the small group visible.
    int adminOperatorId = 0;
    int boundedOperatorId = 0;
    int restrictedOperatorId = 0;
    QString boundaryAddress;

    int count(int objectId) const { return pointsByObjectId.value(objectId); }
};

/// Creates the site schema when missing and generates the demo site into it, in one transaction.
/// Throws DbError when the database already holds a site, when the number of points is out of
/// range, or when a statement fails (nothing is then written).
DemoSiteSummary generateDemoSite(Connection& connection, const DemoSiteOptions& options);

}  // namespace so::db
