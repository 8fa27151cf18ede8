// The demo site and the simulated field as an operator sees them: a status window on the whole
// site shows a few abnormal points, not most of them, both as generated and while the field runs;
// the field's bursts (a forced door, a controller going off line with its points, a mass mask)
// come and go.
#include "component/StatusInternals.h"
#include "desk/Workstation.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/ResourceTexts.h"
#include "host/SyncBus.h"
#include "status/StatusBoard.h"

#include "AppTestSite.h"

#include <base/ComponentContext.h>
#include <statusobject/Status.h>
#include <window/Severity.h>
#include <grid/StatusGrid.h>
#include <window/StatusWindow.h>

#include <gtest/gtest.h>

namespace {

struct SiteOnScreen : ::testing::Test {
    sv::test::DemoSiteFile site{2000, 1};
    sv::AppLog log;
    sv::ResourceTexts texts{&log};
    sv::SyncBus bus;
    std::unique_ptr<so::db::Connection> fieldDb = site.connect();
    sv::SimulatedField field{*fieldDb, {}, &log};
    std::unique_ptr<sv::Workstation> station;

    void SetUp() override {
        log.setEcho(false);
        field.load();
        sv::WorkstationOptions options;
        options.siteUrl = site.url;
        options.host.operatorName = QStringLiteral("admin");
        options.logFolder = site.dir.path();
        station = std::make_unique<sv::Workstation>(options, sv::HostServices{&texts, &log, &bus, &field, nullptr},
                                                    field, bus);
        so::StatusWindow& window = windowOf(station->status());
        window.selectGroupEntry(window.findGroupEntry(site.site.siteGroupId));
    }

    /// Abnormal rows of a section (all sections: -1) over its rows.
    std::pair<int, int> abnormal(int only = -1) {
        so::StatusWindow& window = windowOf(station->status());
        int bad = 0, rows = 0;
        for (int section = 0; section < so::kSectionCount; ++section) {
            if (only >= 0 && section != only)
                continue;
            const so::StatusGrid& grid = window.board().sections().grid(section);
            for (int row = 1; row <= grid.rowCount(); ++row, ++rows)
                bad += so::severity(grid, row) != so::Severity::Normal ? 1 : 0;
        }
        return {bad, rows};
    }
};

TEST_F(SiteOnScreen, AFewPointsAreAbnormalAsGeneratedAndWhileTheFieldRuns) {
    // At rest: about one point in a hundred, and no section mostly abnormal.
    const auto [bad, rows] = abnormal();
    ASSERT_GT(rows, 1900);
    EXPECT_GE(bad, rows / 200) << "a quiet site still has something to show";
    EXPECT_LE(bad, rows * 3 / 100);
    for (int section = 0; section < so::kSectionCount; ++section) {
        const auto [sectionBad, sectionRows] = abnormal(section);
        EXPECT_LE(sectionBad * 10, std::max(sectionRows, 10)) << "section " << section;
    }

    // Running: the field's episodes come and go, bursts included, and the share stays small.
    int most = 0;
    for (int round = 0; round < 10; ++round) {
        field.step(2000);
        most = std::max(most, abnormal().first);
    }
    EXPECT_GT(field.controllerOutages(), 0);
    EXPECT_GT(field.massMasks(), 0);
    EXPECT_LE(field.abnormalPoints(), 3 * field.abnormalTarget());
    EXPECT_LE(most, rows * 5 / 100);
    EXPECT_EQ(log.errorCount(), 0) << log.lines().join("\n").toStdString();
}

}  // namespace
