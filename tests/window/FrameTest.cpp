// The window's frame as state: load and the status-group box, sorting, help, keys, and the unload
// that saves the column layouts. Sections, toolbars and clicks are driven through the widgets in
// the ui tests.
#include "WindowFixture.h"
#include "domain/Formatting.h"

namespace so::test {
namespace {

class FrameTest : public WindowFixture {
protected:
    QStringList names(int section) {
        QStringList out;
        for (int row = 1; row <= grid(section).rowCount(); ++row)
            out << grid(section).text(row, col::Name);
        return out;
    }
    static QStringList sortedCaseInsensitive(QStringList list, bool ascending) {
        std::stable_sort(list.begin(), list.end(), [&](const QString& a, const QString& b) {
            const int c = QString::compare(a, b, Qt::CaseInsensitive);
            return ascending ? c < 0 : c > 0;
        });
        return list;
    }
    int nameColumn(int section) { return grid(section).columnIndex(col::Name); }
};

TEST_F(FrameTest, LoadFillsTheBoxAndShowsTheProfilesDefaultGroup) {
    window->load();
    const QVector<GroupEntry>& entries = window->groupEntries();
    ASSERT_GE(entries.size(), 2);
    EXPECT_EQ(entries[0].text, R(1430));
    EXPECT_EQ(entries[0].itemData, 0);
    EXPECT_EQ(entries.size() - 1, value(QStringLiteral("SELECT count(*) FROM Status_Groups WHERE SiteID = 1")).toInt());
    ASSERT_GE(window->selectedGroupIndex(), 0);
    EXPECT_EQ(entries[window->selectedGroupIndex()].itemData, site.smallGroupId);
    EXPECT_EQ(window->currentGroup(), site.smallGroupId);
    EXPECT_GT(grid(0).rowCount(), 0);
    EXPECT_TRUE(window->isSectionGridVisible(Section::Doors));
    EXPECT_EQ(view.coverStates, (QVector<bool>{true, false}));
    EXPECT_EQ(window->caption(), QStringLiteral("Status Viewer"));
    EXPECT_TRUE(window->resizeTimer().isActive());
    EXPECT_TRUE(window->isLoaded());
}

TEST_F(FrameTest, DefaultGroupTheOperatorMayNotSeeSelectsNothing) {
    exec(QStringLiteral("UPDATE Profiles SET StatusGroupID = 987654 WHERE ProfileID = %1").arg(site.defaultProfileId));
    window->load();
    EXPECT_EQ(window->selectedGroupIndex(), -1);
    for (int section = 0; section < kSectionCount; ++section)
        EXPECT_EQ(grid(section).rowCount(), 0);
}

TEST_F(FrameTest, GroupEntriesFollowNotificationsAndKeepTheSelection) {
    window->load();
    const int selected = window->selectedGroupIndex();
    const qint32 shown = window->groupEntries()[selected].itemData;
    window->appendGroupEntry(QStringLiteral("New"), 555);
    EXPECT_EQ(window->findGroupEntry(555), int(window->groupEntries().size()) - 1);
    window->setGroupEntryText(window->findGroupEntry(555), QStringLiteral("Renamed"));
    EXPECT_EQ(window->groupEntries().last().text, QStringLiteral("Renamed"));
    window->removeGroupEntry(0);
    EXPECT_EQ(window->groupEntries()[window->selectedGroupIndex()].itemData, shown);
    window->removeGroupEntry(window->selectedGroupIndex());
    EXPECT_EQ(window->selectedGroupIndex(), -1);
}

TEST_F(FrameTest, HeaderClicksAlternatePerColumn) {
    window->FillPoints(site.sectionGroupIds[0]);
    ASSERT_GT(grid(0).rowCount(), 2);
    const QStringList original = names(0);
    const int name = nameColumn(0);
    const int address = grid(0).columnIndex(col::Address);

    window->sortByColumn(Section::Doors, name);
    EXPECT_EQ(names(0), sortedCaseInsensitive(original, true));
    window->sortByColumn(Section::Doors, name);
    EXPECT_EQ(names(0), sortedCaseInsensitive(original, false));
    window->sortByColumn(Section::Doors, name);
    EXPECT_EQ(names(0), sortedCaseInsensitive(original, true));
    // A, B, A: the third click on A continues A's own alternation (descending).
    window->sortByColumn(Section::Doors, address);
    window->sortByColumn(Section::Doors, name);
    EXPECT_EQ(names(0), sortedCaseInsensitive(original, false));
    EXPECT_EQ(dialogs.busyCount, 5);
    // Rows are still found by address after sorting.
    const QString first = firstAddress(1);
    EXPECT_EQ(grid(0).text(rowOf(0, first), col::Address), first);
}

TEST_F(FrameTest, LastUpdatedSortsByTimeNotByText) {
    host.dateFormat = QStringLiteral("dd/MM/yyyy");
    ctx.timeFormat = true;
    window->FillPoints(makeGroup({{7, QString()}}));
    ASSERT_GE(grid(6).rowCount(), 3);
    const QStringList stamps{QStringLiteral("02/01/2024 09:00:00"), QStringLiteral("31/12/2023 23:00:00"),
                             QStringLiteral("10/01/2024 01:00:00")};
    DateTimeConverter dates;  // as the decoding stamps report times
    for (int row = 1; row <= 3; ++row)
        grid(6).setUpdated(row, dates.convert(ctx, stamps[row - 1]));
    while (grid(6).rowCount() > 3)
        grid(6).removeRow(4);
    window->sortByColumn(Section::Ports, grid(6).columnIndex(col::LastUpdated));
    QStringList order;
    for (int row = 1; row <= 3; ++row)
        order << grid(6).text(row, col::LastUpdated);
    EXPECT_EQ(order, (QStringList{stamps[1], stamps[0], stamps[2]}));
}

TEST_F(FrameTest, HelpButtonShowsTheWindowsHelpTopic) {
    window->showHelp();
    ASSERT_EQ(host.count(QStringLiteral("ShowHelp")), 1);
    EXPECT_EQ(host.callsNamed(QStringLiteral("ShowHelp"))[0].args[0].toInt(), 212);
}

TEST_F(FrameTest, KeysActivateAndEscape) {
    window->load();
    window->activate();
    ASSERT_EQ(host.count(QStringLiteral("CallBack")), 1);
    EXPECT_EQ(host.callsNamed(QStringLiteral("CallBack"))[0].toString(), QStringLiteral("CallBack(HELP, 212, 0, )"));
    window->showKeyHelp();
    EXPECT_EQ(host.callsNamed(QStringLiteral("ShowHelp")).last().args[0].toInt(), 34);
    EXPECT_EQ(host.count(QStringLiteral("ShowHelp")), 1);

    window->closeByOperator();
    EXPECT_EQ(view.closed, 1);
    EXPECT_FALSE(window->resizeTimer().isActive());
}

TEST_F(FrameTest, UnloadSavesEverySectionsColumnsAndTheWindowGeometry) {
    window->load();
    grid(3).moveColumn(0, 2);
    grid(3).column(0).caption = QStringLiteral("Reader's name");
    window->unload();
    for (int section = 0; section < kSectionCount; ++section) {
        SCOPED_TRACE(section);
        const QString saved = text(QStringLiteral("SELECT DetailValue FROM Profile_Details WHERE ProfileID = %1 AND "
                                                  "ObjectID = 10 AND DetailName = 'ColumnHeaderPos%2'")
                                       .arg(site.defaultProfileId)
                                       .arg(section));
        EXPECT_FALSE(saved.contains(QStringLiteral("][R1"))) << "a caption the host gave is not stored";
        EXPECT_EQ(ctx.layout.columnHeaderPos[section], saved);
    }
    EXPECT_TRUE(
        text(QStringLiteral(
                 "SELECT DetailValue FROM Profile_Details WHERE ProfileID = %1 AND DetailName = 'ColumnHeaderPos3'")
                 .arg(site.defaultProfileId))
            .contains(QStringLiteral("Reader's name")));
    EXPECT_EQ(
        value(QStringLiteral("SELECT DetailValue FROM Profile_Details WHERE ProfileID = %1 AND DetailName = 'Width'")
                  .arg(site.defaultProfileId))
            .toDouble(),
        9000);
    EXPECT_EQ(host.count(QStringLiteral("Connected")), 1);
}

}  // namespace
}  // namespace so::test
