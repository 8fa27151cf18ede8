// The 2,000-point demo site's window at its default layout: names, addresses and times drawn
// whole (also in the bold of a just-changed row), captions whole, the severity marker in its own
// room, the last column reaching the edge; and the sections sharing the window, each grid
// scrolling its own rows by wheel and PgDn.
#include "ui/UiFixture.h"

#include <QDir>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

namespace so::test {
namespace {

class ReadableWindow : public UiFixture {
protected:
    int sitePoints() const override { return 2000; }

    int lastShownColumn(SectionGridView* v) {
        QHeaderView* header = v->horizontalHeader();
        for (int visual = header->count() - 1; visual >= 0; --visual)
            if (!header->isSectionHidden(header->logicalIndex(visual)))
                return header->logicalIndex(visual);
        return -1;
    }
};

TEST_F(ReadableWindow, DefaultLayoutShowsTheDemosNamesAddressesAndTimesWhole) {
    show();
    chooseGroup(site.siteGroupId);
    const QString folder = QStringLiteral(STATUSOBJECT_BINARY_DIR) + QStringLiteral("/artifacts");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(frame->grab().save(folder + QStringLiteral("/status-2000-points.png")));

    int checked = 0;
    for (int section = 0; section < kSectionCount; ++section) {
        SectionGridView* v = view(section);
        // Measured in the bold type of a row whose state just changed: such a row reads whole too.
        const QFontMetrics metrics(v->gridModel()->boldFont());
        for (const QString& key : {QStringLiteral("Name"), QStringLiteral("Address"), QStringLiteral("LastUpdated")}) {
            const int column = grid(section).columnIndex(key);
            if (column < 0)
                continue;
            for (int row = 0; row < v->model()->rowCount(); ++row) {
                const QModelIndex index = v->model()->index(row, column);
                const QString text = index.data().toString();
                const QString shown = metrics.elidedText(text, Qt::ElideRight, v->cellTextRect(index).width());
                ++checked;
                if (shown != text) {
                    ADD_FAILURE() << "section " << section << " " << key.toStdString() << " row " << row << ": \""
                                  << text.toStdString() << "\" shows as \"" << shown.toStdString() << "\"";
                    break;
                }
            }
        }
    }
    EXPECT_GT(checked, 3 * 1900);
}

TEST_F(ReadableWindow, CaptionsAreWholeTheMarkerHasItsRoomAndTheLastColumnReachesTheEdge) {
    show();
    for (int section = 0; section < kSectionCount; ++section) {
        SectionGridView* v = view(section);
        if (!v->isVisible() || v->model()->rowCount() == 0)
            continue;
        QHeaderView* header = v->horizontalHeader();
        const int margin = v->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        const int last = lastShownColumn(v);
        for (int column = 0; column < header->count(); ++column) {
            if (header->isSectionHidden(column))
                continue;
            const QString caption = v->model()->headerData(column, Qt::Horizontal).toString();
            EXPECT_GE(header->sectionSize(column), header->fontMetrics().horizontalAdvance(caption) + 2 * margin)
                << "section " << section << " caption " << caption.toStdString();
        }
        EXPECT_GE(header->sectionViewportPosition(last) + header->sectionSize(last), v->viewport()->width())
            << "section " << section;

        const QModelIndex name = v->model()->index(0, grid(section).columnIndex(QStringLiteral("Name")));
        EXPECT_LE(v->cellTextRect(name).right(), v->visualRect(name).right() - v->markerRoom()) << section;
    }
}

TEST_F(ReadableWindow, SectionsShareTheWindowAndEachGridScrollsItsOwnRows) {
    show();
    action("attentionToggle")->setChecked(false);  // the sections alone share the window's height
    chooseGroup(site.siteGroupId);
    QWidget* container = sectionStack();
    for (int section = 0; section < kSectionCount; ++section) {
        QWidget* panel = panelOf(section);
        ASSERT_TRUE(panel->isVisible());
        EXPECT_LE(panel->geometry().bottom(), container->height()) << "section " << section;
    }

    SectionGridView* doors = view(0);
    QScrollBar* rows = doors->verticalScrollBar();
    ASSERT_GT(rows->maximum(), 0);

    const int inputsAt = view(1)->verticalScrollBar()->value();
    const QPointF over = doors->viewport()->rect().center();
    QWheelEvent wheel(over, doors->viewport()->mapToGlobal(over), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(doors->viewport(), &wheel);
    EXPECT_GT(rows->value(), 0);
    EXPECT_EQ(view(1)->verticalScrollBar()->value(), inputsAt);  // only the grid under the pointer

    rows->setValue(0);
    doors->setFocus();
    doors->setCurrentIndex(doors->model()->index(0, 0));
    QTest::keyClick(doors, Qt::Key_PageDown);
    const int pageRows = doors->viewport()->height() / doors->rowHeight();
    EXPECT_GE(doors->currentIndex().row(), pageRows - 1);
    EXPECT_GT(rows->value(), 0);
}

}  // namespace
}  // namespace so::test
