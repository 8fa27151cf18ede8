// The sections sharing a small desk's height by need, every count of the window made of the same
// rows, and the rows staying in sight (greyed) while another group loads.
#include "ui/UiFixture.h"

#include "ui/CountTexts.h"

#include "status/MaskedPoints.h"
#include "window/SectionSharing.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolBar>

namespace so::test {
namespace {

class SharedHeight : public UiFixture {
protected:
    int sitePoints() const override { return 2000; }

    /// Whole rows a section's grid shows above its horizontal scroll bar.
    int rowsInSight(int section) {
        SectionGridView* v = view(section);
        if (!v->isVisible())
            return 0;
        return std::min(v->viewport()->height() / v->rowHeight(), v->shownRowCount());
    }

    /// Makes the classic inputs of the inputs section alarms, so that section holds abnormal rows.
    void alarmInputs(int count) {
        const QStringList classic = classicInputs();
        for (int i = 0; i < count && i < classic.size(); ++i)
            status->StateChange(QStringLiteral("STD_INPUT"), classic[i], 65);
        settle();
        frame->updateInsight();
        settle();
    }
};

TEST_F(SharedHeight, OnASmallDeskTheSectionHoldingAlarmsAndTheBusiestShowRowsAndTheBarTakesNoRow) {
    show();
    chooseGroup(site.siteGroupId);
    frame->resize(1100, 700);
    settle();
    int busiest = 0;
    for (int section = 1; section < kSectionCount; ++section)
        if (view(section)->shownRowCount() > view(busiest)->shownRowCount())
            busiest = section;
    EXPECT_GE(rowsInSight(busiest), kLeadRows) << "section " << busiest;
    for (int section = 0; section < kSectionCount; ++section) {
        // Nothing is cut: every section's bottom lies inside the container.
        EXPECT_LE(panelOf(section)->geometry().bottom(), sectionStack()->height()) << section;
    }

    // A section holding alarms gets its floor of rows first.
    alarmInputs(3);
    EXPECT_GE(rowsInSight(1), std::min(kLeadRows, view(1)->shownRowCount()));

    // Narrow: where a grid's columns need a horizontal bar, the bar comes on top of the rows the
    // section was given, never in place of one of them. The attention list is off here: at this
    // size it takes the height the floors of all eight sections need.
    window().setAttentionEnabled(false);
    frame->resize(640, 900);
    settle();
    int withBar = 0;
    for (int section = 0; section < kSectionCount; ++section) {
        SectionGridView* v = view(section);
        if (!v->isVisible() || !v->horizontalScrollBar()->isVisible() || v->viewport()->height() == 0)
            continue;
        ++withBar;
        EXPECT_GE(rowsInSight(section), std::min(kFewRows, v->shownRowCount())) << "section " << section;
    }
    EXPECT_GT(withBar, 0);
}

TEST_F(SharedHeight, HeadersTotalsMatchesAndTheMaskedListAgreeAtOnceAfterASwitch) {
    show();
    chooseGroup(site.siteGroupId);
    // Right after the switch, before any timer ran: no header reads 0 over painted rows.
    SectionCounts sum;
    for (int section = 0; section < kSectionCount; ++section) {
        const SectionCounts& counts = headerOf(section)->counts();
        EXPECT_EQ(counts.points, view(section)->model()->rowCount()) << "section " << section;
        if (window().isHeaderShown(Section(section)))
            sum += counts;
    }
    EXPECT_GT(sum.points, 1000);
    EXPECT_EQ(area()->countsInSight(), sum);
    EXPECT_TRUE(totalsLabel()->text().startsWith(QStringLiteral("Total: ") + CountTexts::points(sum)));

    // A find text: the matches and the total are the same rows.
    const QString needle = grid(1).text(1, col::Address).left(6);
    findBoxWidget()->setText(needle);
    int shown = 0;
    for (int section = 0; section < kSectionCount; ++section)
        shown += window().isHeaderShown(Section(section)) ? view(section)->shownRowCount() : 0;
    EXPECT_EQ(findMatchesLabel()->text(), QStringLiteral("%L1 matches").arg(shown));
    EXPECT_TRUE(totalsLabel()->text().startsWith(QStringLiteral("Total: %L1 of ").arg(shown)))
        << totalsLabel()->text().toStdString();
    findBoxWidget()->clear();

    // One section alone: the band counts that section only.
    window().showOnlySection(Section::Inputs);
    settle();
    EXPECT_EQ(area()->countsInSight(), headerOf(1)->counts());
    EXPECT_TRUE(
        totalsLabel()->text().startsWith(QStringLiteral("Total: ") + CountTexts::points(headerOf(1)->counts())));
    window().showAllSections();

    // The masked list: its own rows, not the group's.
    window().showMasked();
    settle();
    const int masked = maskedList()->gridModel()->rowCount();
    EXPECT_EQ(area()->countsInSight().points, masked);
    EXPECT_TRUE(totalsLabel()->text().startsWith(QStringLiteral("Total: %L1 point").arg(masked)));
}

TEST_F(SharedHeight, TheMaskedListWidensToItsNames) {
    show();
    // A point whose name is far longer than the list's default column.
    const QString input = classicInputs().first();
    const QString longName = QStringLiteral("Loading Dock East Emergency Exit Contact");
    db->execute(
        QStringLiteral("UPDATE Inputs SET BelongToDoor = 0, Name = '%1' WHERE Address = '%2'").arg(longName, input));
    window().board().maskedPoints().UpdateMaskedItem(input, 4);  // masked by the operator
    window().showMasked();
    settle();
    SectionGridView* list = maskedList();
    const int row = window().board().sections().masked().findRow(input);
    ASSERT_GT(row, 0);
    const QModelIndex name = list->model()->index(row - 1, window().board().sections().masked().columnIndex(col::Name));
    ASSERT_EQ(name.data().toString(), longName);
    const QFontMetrics bold(list->gridModel()->boldFont());
    EXPECT_EQ(bold.elidedText(longName, Qt::ElideRight, list->cellTextRect(name).width()), longName);
}

TEST_F(SharedHeight, WhileAGroupLoadsTheRowsBeforeStayGreyedUntilTheNewOnesArePainted) {
    show();
    chooseGroup(site.siteGroupId);
    QWidget* page = pageInSight();
    const QImage before = page->grab().toImage();

    frame->coverChanged(true);
    ASSERT_TRUE(coverLabel()->isVisible());
    EXPECT_EQ(coverLabel()->geometry(), page->geometry());
    const QImage still = coverLabel()->pixmap().toImage();
    ASSERT_EQ(still.size(), before.size());
    // The still is the rows as they were, lighter: not a blank panel.
    int differentRows = 0;
    for (int y = 0; y < still.height(); y += 4) {
        bool differs = false;
        for (int x = 0; x < still.width() && !differs; x += 2)
            differs = still.pixelColor(x, y) != still.pixelColor(0, y);
        differentRows += differs ? 1 : 0;
    }
    EXPECT_GT(differentRows, still.height() / 8);
    const QPoint probe(before.width() / 3, before.height() / 3);
    EXPECT_GE(still.pixelColor(probe).lightness(), before.pixelColor(probe).lightness());

    frame->coverChanged(false);
    EXPECT_FALSE(coverLabel()->isVisible());
}

}  // namespace
}  // namespace so::test
