// Default widths at the window's font and fitted to the rows; operator widths kept; the busy
// pointer and progress while a group loads.
#include "WindowFixture.h"

#include "base/Translations.h"
#include "window/ColumnFit.h"

namespace so::test {
namespace {

/// A font whose every character is 7 pixels wide (the design font's are 6).
TextMetrics sevenPixelFont() {
    TextMetrics m;
    m.averageCharWidth = 7.0;
    m.cellTextWidth = [](const QString& text) { return 7 * int(text.size()); };
    m.captionWidth = [](const QString& text) { return 7 * int(text.size()) + 20; };
    m.cellPadding = 8;
    m.iconWidth = 20;
    m.markerWidth = 18;
    return m;
}

TEST(ColumnFit, DefaultWidthsScaleWithTheFontKeepCaptionsWholeAndMakeRoomForTheMarker) {
    StatusGrid grid;
    grid.addColumn(QStringLiteral("Hidden"), QStringLiteral("H"), 0, -1, 60, false);
    grid.addColumn(col::Name, QStringLiteral("Door"), 0, -1, 85, true);  // first shown
    grid.addColumn(col::Status, QStringLiteral("Status"), 0, -1, 120, true);
    grid.addColumn(col::LMType, QStringLiteral("LM Type"), 0, -1, 32, true);  // caption wider
    scaleDefaultWidths(grid, sevenPixelFont());
    EXPECT_EQ(grid.column(0).width, 70);       // 60 * 7/6
    EXPECT_EQ(grid.column(1).width, 99 + 18);  // 85 * 7/6, plus the marker's room
    EXPECT_EQ(grid.column(2).width, 140);
    EXPECT_EQ(grid.column(3).width, 7 * 7 + 20);  // the caption, not 37

    StatusGrid unmeasured;
    unmeasured.addColumn(col::Name, QStringLiteral("Door"), 0, -1, 85, true);
    scaleDefaultWidths(unmeasured, TextMetrics{});  // no view: the design widths stay
    EXPECT_EQ(unmeasured.column(0).width, 85);
}

TEST(ColumnFit, NameAddressAndTimeWidenToTheirLongestTextsBoundedAndNeverNarrow) {
    StatusGrid grid;
    grid.addColumn(col::Name, QStringLiteral("Door"), 0, -1, 50, true);
    grid.addColumn(col::Address, QStringLiteral("Address"), 0, -1, 400, true);
    grid.addColumn(col::Status, QStringLiteral("Status"), 0, -1, 10, true);
    grid.addColumn(col::LastUpdated, QStringLiteral("Last Updated"), 0, -1, 100, true);
    const TextMetrics metrics = sevenPixelFont();
    EXPECT_FALSE(fitContentWidths(grid, metrics));  // no rows yet

    const QString longName = QStringLiteral("Loading Dock East");  // 17 characters
    for (const QString& name : {QStringLiteral("Gate"), longName, QStringLiteral("Lobby")}) {
        const int row = grid.addRow();
        grid.setText(row, col::Name, name);
        grid.setIcon(row, col::Name, 3);
        grid.setText(row, col::Address, QStringLiteral("\\\\SNET.P01.C1.DR%1").arg(row));
        grid.setText(row, col::Status, QStringLiteral("a very long state text"));
        grid.setText(row, col::LastUpdated, QString(60, QLatin1Char('9')));
    }
    EXPECT_TRUE(fitContentWidths(grid, metrics));
    EXPECT_EQ(grid.column(0).width, 17 * 7 + 20 + 8 + 18);  // text, icon, padding, marker
    EXPECT_EQ(grid.column(1).width, 400);                   // never narrowed
    EXPECT_EQ(grid.column(2).width, 10);                    // not a fitted column
    EXPECT_EQ(grid.column(3).width, 48 * 7 + 8);            // at most 48 characters
    EXPECT_FALSE(fitContentWidths(grid, metrics));          // already wide enough
}

class ColumnWidthsInWindow : public WindowFixture {};

TEST_F(ColumnWidthsInWindow, DefaultColumnsFitEachFillSavedAndOperatorWidthsStay) {
    view.metrics = sevenPixelFont();
    ctx.layout.columnHeaderPos[1] =
        QStringLiteral("Name][Input][1][40][True,Address][Address][2][50][True,LastUpdated][Last][3][30][True");
    window->InitForm();  // the profile's default group is loaded
    const int doorName = grid(0).columnIndex(col::Name);
    const int fitted = grid(0).column(doorName).width;
    EXPECT_GT(fitted, scaledWidth(85, view.metrics) + view.metrics.markerWidth);
    for (int row = 1; row <= grid(0).rowCount(); ++row)
        EXPECT_LE(7 * grid(0).text(row, col::Name).size() + 20 + 8 + 18, fitted);
    EXPECT_TRUE(view.widthsChanged.contains(0));

    window->selectGroupEntry(window->findGroupEntry(site.siteGroupId));
    ASSERT_GT(grid(1).rowCount(), 0);
    EXPECT_EQ(grid(1).column(0).width, 40);  // the operator's saved layout
    EXPECT_EQ(grid(1).column(1).width, 50);
    EXPECT_EQ(grid(1).column(2).width, 30);

    // The operator narrows a door column: no later fill widens it again.
    grid(0).column(doorName).width = 44;
    window->columnsChangedByOperator(Section::Doors);
    window->selectGroupEntry(window->findGroupEntry(site.smallGroupId));
    window->selectGroupEntry(window->findGroupEntry(site.siteGroupId));
    EXPECT_EQ(grid(0).column(doorName).width, 44);
}

TEST_F(ColumnWidthsInWindow, ChoosingAGroupShowsTheBusyPointerAndItsProgress) {
    installTranslations();  // as a Status does when created: the counts' English plural forms
    window->InitForm();
    const int entry = window->findGroupEntry(site.siteGroupId);
    const QString name = window->groupEntries()[entry].text;
    const int busyBefore = dialogs.busyCount;
    view.progress.clear();
    window->selectGroupEntry(entry);
    EXPECT_EQ(dialogs.busyCount, busyBefore + 1);
    ASSERT_GE(view.progress.size(), 3);
    EXPECT_EQ(view.progress.first(), QStringLiteral("Loading %1...").arg(name));
    EXPECT_TRUE(
        view.progress.contains(QStringLiteral("Reading the states of %L1 points...").arg(window->shownRowCount())));
    EXPECT_TRUE(view.progress.last().isEmpty());  // cleared when the group shows
}

}  // namespace
}  // namespace so::test
