// The window's frame as state: load and the status-group box, toolbars, keys, section headers,
// clicks in the grids, and the unload that saves the column layouts.
#include "WindowFixture.h"
#include "domain/Formatting.h"

#include <QSignalSpy>

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
    EXPECT_EQ(entries.size() - 1,
              value(QStringLiteral("SELECT count(*) FROM Status_Groups WHERE SiteID = 1")).toInt());
    ASSERT_GE(window->selectedGroupIndex(), 0);
    EXPECT_EQ(entries[window->selectedGroupIndex()].itemData, site.smallGroupId);
    EXPECT_EQ(window->currentGroup(), site.smallGroupId);
    EXPECT_GT(grid(0).rowCount(), 0);
    EXPECT_TRUE(window->isSectionGridVisible(0));
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

TEST_F(FrameTest, UserSwitchRebuildsTheBoxForTheNewOperator) {
    window->load();
    const int adminEntries = int(window->groupEntries().size());
    host.userId = site.restrictedOperatorId;
    window->switchUser();
    EXPECT_LT(window->groupEntries().size(), adminEntries);
    EXPECT_EQ(window->groupEntries()[window->selectedGroupIndex()].itemData, site.smallGroupId);
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

    window->sortByColumn(0, name);
    EXPECT_EQ(names(0), sortedCaseInsensitive(original, true));
    window->sortByColumn(0, name);
    EXPECT_EQ(names(0), sortedCaseInsensitive(original, false));
    window->sortByColumn(0, name);
    EXPECT_EQ(names(0), sortedCaseInsensitive(original, true));
    // A, B, A: the third click on A continues A's own alternation (descending).
    window->sortByColumn(0, address);
    window->sortByColumn(0, name);
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
    window->sortByColumn(6, grid(6).columnIndex(col::LastUpdated));
    QStringList order;
    for (int row = 1; row <= 3; ++row)
        order << grid(6).text(row, col::LastUpdated);
    EXPECT_EQ(order, (QStringList{stamps[1], stamps[0], stamps[2]}));
}

TEST_F(FrameTest, CellClickAndMouseDown) {
    window->setCurrentCell(3, 7, 2);
    EXPECT_EQ(window->currentSection(), 3);
    EXPECT_EQ(window->currentRow(), 7);
    EXPECT_EQ(window->currentColumn(), 2);

    window->gridPressed(2, 1);
    EXPECT_FALSE(window->contextMenuArmed());
    window->gridPressed(4, 2);
    EXPECT_TRUE(window->contextMenuArmed());
    EXPECT_EQ(view.focused, (QVector<int>{2, 4}));
}

TEST_F(FrameTest, SectionHeadersAndSectionChoice) {
    window->FillPoints(site.smallGroupId);
    window->toggleSection(0);  // FillPoints leaves every section collapsed
    EXPECT_TRUE(window->isSectionGridVisible(0));
    EXPECT_TRUE(grid(0).isVisible());
    window->toggleSection(0);
    EXPECT_FALSE(window->isSectionGridVisible(0));

    window->showOnlySection(2);
    for (int section = 0; section < kSectionCount; ++section)
        EXPECT_EQ(window->isSectionGridVisible(section), section == 2) << section;
    EXPECT_EQ(window->sectionButtonCaption(), QStringLiteral("Relays"));
    EXPECT_EQ(window->soloSection(), 2);
    window->showAllSections();
    EXPECT_EQ(window->sectionButtonCaption(), QStringLiteral("Status Group"));

    ctx.rk8SupportEnabled = false;
    EXPECT_FALSE(window->modulesItemVisible());
    ctx.rk8SupportEnabled = true;
    EXPECT_TRUE(window->modulesItemVisible());
}

TEST_F(FrameTest, ToolbarButtonsSwitchViewsTakeTheLockAndShowHelp) {
    window->FillPoints(site.smallGroupId);
    window->toggleSection(0);
    window->showMasked();
    EXPECT_EQ(window->viewMode(), StatusWindow::ViewMode::Masked);
    EXPECT_TRUE(window->gridMasked().isVisible());
    EXPECT_FALSE(grid(0).isVisible());
    window->showOverridden();
    EXPECT_EQ(window->viewMode(), StatusWindow::ViewMode::Overridden);
    EXPECT_FALSE(window->gridMasked().isVisible());
    window->showSections();
    EXPECT_TRUE(grid(0).isVisible());

    host.lockedByOthers.insert(qint64(StatusWindow::kConfigureLockKind) * 100000, QStringLiteral("Someone"));
    window->configureGroups();
    EXPECT_EQ(view.configureDialogs, 0);
    EXPECT_EQ(host.count(QStringLiteral("LockComponent")), 0);
    host.lockedByOthers.clear();
    window->configureGroups();
    EXPECT_EQ(view.configureDialogs, 1);
    EXPECT_EQ(host.count(QStringLiteral("LockComponent")), 1);

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

    QSignalSpy unloaded(window.get(), &StatusWindow::unloaded);
    host.clearCalls();
    window->closeByOperator();
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_EQ(view.closed, 1);
    EXPECT_FALSE(window->isLoaded());
    EXPECT_FALSE(window->resizeTimer().isActive());
    QStringList callbacks;
    for (const HostCall& call : host.callsNamed(QStringLiteral("CallBack")))
        callbacks << call.toString();
    EXPECT_EQ(callbacks, QStringList{QStringLiteral("CallBack(STATUS, 0, Unload, )")});
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
        EXPECT_EQ(saved, buildLayoutText(grid(section)));
        EXPECT_EQ(ctx.layout.columnHeaderPos[section], saved);
    }
    EXPECT_TRUE(text(QStringLiteral("SELECT DetailValue FROM Profile_Details WHERE ProfileID = %1 AND DetailName = 'ColumnHeaderPos3'")
                         .arg(site.defaultProfileId))
                    .contains(QStringLiteral("Reader's name")));
    EXPECT_EQ(value(QStringLiteral("SELECT DetailValue FROM Profile_Details WHERE ProfileID = %1 AND DetailName = 'Width'")
                        .arg(site.defaultProfileId))
                  .toDouble(),
              9000);
    EXPECT_EQ(host.count(QStringLiteral("Connected")), 1);
}

}  // namespace
}  // namespace so::test
