// The row audit: a shown row whose cells were written behind the window's back is found and drawn
// again from the site, for a point of every kind, without reloading the group; rows that did not
// drift are left as they were, their times included.
#include "ComponentFixture.h"

#include <statusobject/Diagnostics.h>

namespace so::test {
namespace {

class RowAudit : public ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        status->Show();
        chooseGroup(site.siteGroupId);
    }

    int shownRows() { return window().shownRowCount(); }

    /// The LastUpdated texts of every shown row, section by section.
    QStringList times() {
        QStringList out;
        for (int section = 0; section < 8; ++section)
            for (int row = 1; row <= grid(section).rowCount(); ++row)
                out << grid(section).text(row, QStringLiteral("LastUpdated"));
        return out;
    }
};

TEST_F(RowAudit, ARowWrittenBehindTheWindowsBackIsDrawnAgainForEveryKindOfPoint) {
    const struct {
        int objectId;
        int section;
    } kinds[] = {{1, 0}, {2, 1},   {3, 2},   {4, 3},   {5, 4},   {6, 5},   {7, 6},  {8, 1},
                 {9, 2}, {101, 0}, {102, 1}, {103, 2}, {104, 3}, {105, 4}, {108, 7}};
    const QStringList before = diagnostics::shownRows(*status);
    const auto plant = [&] {
        int planted = 0;
        for (const auto& kind : kinds) {
            const QString address = groupAddresses(site.siteGroupId, kind.objectId).value(0);
            EXPECT_FALSE(address.isEmpty()) << "no point of kind " << kind.objectId;
            StatusGrid& g = grid(kind.section);
            const int row = g.findRow(address);
            EXPECT_GT(row, 0) << address.toStdString();
            if (row == 0)
                continue;
            // A state cell and a configuration cell, where the section has them.
            for (const char* key : {"Status", "Enabled"})
                if (g.columnIndex(QString::fromLatin1(key)) >= 0)
                    g.setText(row, QString::fromLatin1(key), QStringLiteral("drifted"));
            ++planted;
        }
        EXPECT_NE(diagnostics::shownRows(*status), before);
        return planted;
    };

    // One slice over the whole window counts each planted row once.
    const int planted = plant();
    EXPECT_EQ(status->auditRows(shownRows()), planted);
    EXPECT_EQ(diagnostics::shownRows(*status), before);

    // In small slices one round repairs every row; a row redrawn with its controller's stored
    // reports before its own turn is not counted again.
    plant();
    int redrawn = 0;
    for (int checked = 0; checked < shownRows(); checked += 7)
        redrawn += status->auditRows(7);
    EXPECT_EQ(diagnostics::shownRows(*status), before);
    EXPECT_GT(redrawn, 0);
    EXPECT_LE(redrawn, planted);
    EXPECT_EQ(status->errorReportsWritten(), 0);
}

TEST_F(RowAudit, RowsThatDidNotDriftAreLeftAsTheyWere) {
    ASSERT_GT(shownRows(), 100);
    const QStringList rows = diagnostics::shownRows(*status);
    const QStringList shownTimes = times();
    // Twice round: a second round still finds nothing, whatever the first did.
    EXPECT_EQ(status->auditRows(shownRows()), 0);
    EXPECT_EQ(status->auditRows(shownRows() * 2), 0) << "a call checks each row at most once";
    EXPECT_EQ(diagnostics::shownRows(*status), rows);
    EXPECT_EQ(times(), shownTimes) << "a re-read's time of reading is not the time of the row's state";
}

TEST_F(RowAudit, ANewerStateTheSiteHoldsIsDrawnAndCounted) {
    // The audit's truth is the site: a state stored there after the rows were drawn is a drift.
    const QString address = groupAddresses(site.siteGroupId, 103).value(0);
    ASSERT_TRUE(address.contains(QLatin1String(".BR"))) << "a door's strike";
    const int row = rowOf(2, address);
    ASSERT_GT(row, 0);
    const QString shown = grid(2).text(row, QStringLiteral("Status"));
    db->execute(QStringLiteral("UPDATE ZRII_Relays SET EnergizedStatus = 1 - EnergizedStatus WHERE Address = '%1'")
                    .arg(address));
    EXPECT_EQ(status->auditRows(shownRows()), 2) << "the relay's row and its door's";
    EXPECT_NE(grid(2).text(row, QStringLiteral("Status")), shown);
}

TEST_F(RowAudit, NothingShownNothingChecked) {
    std::unique_ptr<Status> fresh = makeStatus(host, dialogs);
    EXPECT_EQ(fresh->auditRows(100), 0) << "before Show";
    EXPECT_EQ(status->auditRows(0), 0);
    EXPECT_EQ(status->auditRows(-5), 0);
}

}  // namespace
}  // namespace so::test
