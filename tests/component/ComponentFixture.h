// A Status component wired to a generated demo site in memory, the recording host and scripted
// dialogs, as a host would set it up.
#pragma once

#include "support/SiteFixture.h"
#include "status/StatusBoard.h"
#include "support/DemoSiteStatus.h"
#include "base/ComponentContext.h"
#include "component/StatusInternals.h"
#include "grid/StatusGrid.h"
#include "window/StatusWindow.h"

#include <statusobject/Status.h>

#include <gtest/gtest.h>

namespace so::test {

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = openDemoSite(siteDir, {sitePoints(), 1, QStringLiteral("WS1")}, &site);
        status = makeStatus(host, dialogs);
    }

    /// Points of the generated site; from about a hundred every kind is present.
    virtual int sitePoints() const { return 300; }

    std::unique_ptr<Status> makeStatus(FakeHost& h, FakeDialogs& d) {
        return makeSiteStatus(*db, site, h, d, logDir.path());
    }

    StatusWindow& window() { return windowOf(*status); }
    ComponentContext& ctx() { return contextOf(*status); }
    StatusGrid& grid(int section) { return windowOf(*status).board().sections().grid(section); }

    /// The row of an address in a section (0 when not shown).
    int rowOf(int section, const QString& address) { return grid(section).findRow(address); }

    QString cell(int section, const QString& address, const QString& key) {
        const int row = rowOf(section, address);
        return row > 0 ? grid(section).text(row, key) : QStringLiteral("<no row>");
    }

    /// The addresses listed in a group for an object type, in stored order.
    QStringList groupAddresses(int groupId, int objectId) {
        QStringList out;
        for (db::Recordset rs = db->query(QStringLiteral("SELECT ListAddress FROM Status_Points WHERE GroupID = %1 "
                                                         "AND ObjectID = %2 ORDER BY StatusPointID")
                                              .arg(groupId)
                                              .arg(objectId));
             !rs.eof(); rs.moveNext())
            out << rs.field(0).toString();
        return out;
    }

    /// Selects the group-box entry of a group (the operator choosing it).
    void chooseGroup(int groupId) {
        const int index = window().findGroupEntry(groupId);
        ASSERT_GE(index, 0) << "group " << groupId << " not in the box";
        window().selectGroupEntry(index);
    }

    QTemporaryDir siteDir;
    std::unique_ptr<db::Connection> db;
    db::DemoSiteSummary site;
    QTemporaryDir logDir;
    FakeHost host;
    FakeDialogs dialogs;
    std::unique_ptr<Status> status;
};

}  // namespace so::test
