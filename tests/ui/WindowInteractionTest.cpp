// The status window driven with simulated mouse and key events: sorting by header clicks, the
// current cell and the context-menu flag, keys, collapsing sections, the section choice, the
// toolbar's views, column moves and resizes kept for the layout, and the "Modules" menu item.
#include "component/StatusInternals.h"
#include "ui/UiFixture.h"

#include "grid/ColumnLayout.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QScrollArea>
#include <QSignalSpy>
#include <QToolButton>

namespace so::test {
namespace {

bool sortedCaseInsensitive(const QStringList& texts, bool ascending) {
    for (int i = 1; i < texts.size(); ++i) {
        const int c = QString::compare(texts[i - 1], texts[i], Qt::CaseInsensitive);
        if (ascending ? c > 0 : c < 0)
            return false;
    }
    return true;
}

class WindowInteraction : public UiFixture {};

TEST_F(WindowInteraction, ShowCreatesTheWindowAndHandsItsNativeHandleToTheHost) {
    show();
    const QVector<HostCall> loads = host.callsNamed(QStringLiteral("CallBack"));
    const auto load = std::find_if(loads.begin(), loads.end(), [](const HostCall& c) {
        return c.args.value(2).toString() == QLatin1String("LOAD");
    });
    ASSERT_NE(load, loads.end());
    EXPECT_EQ(load->args.value(1).toLongLong(), frame->nativeHandle());
    EXPECT_NE(frame->nativeHandle(), 0);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Status Viewer"));
    EXPECT_TRUE(frame->isVisible());
    // The profile's default group is loaded and its sections' grids are shown.
    EXPECT_EQ(groupBoxWidget()->currentData().toInt(), site.smallGroupId);
    EXPECT_GT(view(0)->model()->rowCount(), 0);
    EXPECT_TRUE(view(0)->isVisible());
}

TEST_F(WindowInteraction, HeaderClicksOnOneColumnSortAscendingDescendingAscending) {
    show();
    chooseGroup(site.sectionGroupIds[0]);
    ASSERT_GT(grid(0).rowCount(), 3);
    const bool expected[] = {true, false, true};
    for (bool ascending : expected) {
        clickHeader(0, QStringLiteral("Name"));
        const QStringList names = shownColumn(0, QStringLiteral("Name"));
        EXPECT_TRUE(sortedCaseInsensitive(names, ascending))
            << (ascending ? "ascending: " : "descending: ") << names.join(QLatin1String(", ")).toStdString();
        QHeaderView* header = view(0)->horizontalHeader();
        EXPECT_EQ(header->sortIndicatorSection(), grid(0).columnIndex(QStringLiteral("Name")));
        EXPECT_EQ(header->sortIndicatorOrder(), ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
}

TEST_F(WindowInteraction, RightPressArmsTheMenuAndFocusesTheGridLeftPressDoesNot) {
    show();
    ASSERT_GT(grid(1).rowCount(), 1);
    QVector<int> mouseUps;
    frame->setOnGridMouseUp(
        [&](Section section, int button, const QPoint&) { mouseUps << sectionIndex(section) * 10 + button; });
    groupBoxWidget()->setFocus();

    QTest::mouseClick(view(1)->viewport(), Qt::LeftButton, {}, cellCentre(1, 1, 1));
    EXPECT_FALSE(window().contextMenuArmed());
    EXPECT_EQ(window().currentSection(), Section::Inputs);
    EXPECT_EQ(window().currentRow(), 2);
    EXPECT_EQ(window().currentColumn(), 2);

    groupBoxWidget()->setFocus();
    QTest::mouseClick(view(0)->viewport(), Qt::RightButton, {}, cellCentre(0, 0, 0));
    EXPECT_TRUE(window().contextMenuArmed());
    EXPECT_EQ(QApplication::focusWidget(), view(0));
    EXPECT_EQ(window().currentSection(), Section::Doors);
    EXPECT_EQ(window().currentRow(), 1);
    EXPECT_EQ(window().currentColumn(), 1);
    // The right-clicked row is the selected one the context menu acts on.
    EXPECT_TRUE(view(0)->selectionModel()->isSelected(view(0)->model()->index(0, 0)));
    EXPECT_EQ(mouseUps, (QVector<int>{11, 2}));
}

TEST_F(WindowInteraction, F5RunsTheFullRefresh) {
    show();
    StatusGrid& doors = grid(0);
    ASSERT_GT(doors.rowCount(), 0);
    for (int row = 1; row <= doors.rowCount(); ++row)
        doors.setText(row, QStringLiteral("Status"), QStringLiteral("stale"));
    QTest::keyClick(view(0), Qt::Key_A);  // another key changes nothing
    EXPECT_EQ(doors.text(1, QStringLiteral("Status")), QStringLiteral("stale"));

    QTest::keyClick(view(0), Qt::Key_F5);
    int renewed = 0;
    for (int row = 1; row <= doors.rowCount(); ++row)
        renewed += doors.text(row, QStringLiteral("Status")) != QLatin1String("stale") ? 1 : 0;
    EXPECT_EQ(renewed, doors.rowCount());
}

TEST_F(WindowInteraction, EscUnloadsWithoutTheUnloadCallback) {
    show();
    QSignalSpy unloaded(&window(), &StatusWindow::unloaded);
    host.clearCalls();
    QTest::keyClick(view(0), Qt::Key_Escape);

    EXPECT_FALSE(window().isLoaded());
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(unloaded.count(), 1);
    QStringList callbacks;
    for (const HostCall& c : host.callsNamed(QStringLiteral("CallBack")))
        callbacks << c.toString();
    EXPECT_EQ(callbacks, QStringList{QStringLiteral("CallBack(STATUS, 0, Unload, )")});
    EXPECT_EQ(host.count(QStringLiteral("Connected")), 1);
}

TEST_F(WindowInteraction, ClosingTheWindowUnloadsItOnce) {
    show();
    host.clearCalls();
    frame->close();
    EXPECT_FALSE(window().isLoaded());
    EXPECT_EQ(host.callsNamed(QStringLiteral("CallBack")).size(), 1);  // STATUS Unload, once
    status->ShutDown();  // the host's shutdown after the operator closed the window
    EXPECT_EQ(host.callsNamed(QStringLiteral("CallBack")).size(), 2);  // + STATUSVIEWER UNLOAD
}

TEST_F(WindowInteraction, CollapsingASectionHidesItsGridAndRestacksTheRest) {
    show();
    QWidget* container = sectionStack();
    // One under the other, a movable boundary between two, all inside the window (nothing
    // scrolls but the grids themselves).
    const auto stackedWithoutGaps = [&] {
        int y = 0;
        for (int section = 0; section < kSectionCount; ++section) {
            QWidget* panel = panelOf(section);
            if (!panel->isVisible())
                continue;
            if (y > 0)
                y += 5;
            if (panel->y() != y)
                return false;
            y += panel->height();
        }
        return y <= container->height();
    };
    ASSERT_TRUE(view(0)->isVisible());
    ASSERT_TRUE(panelOf(1)->isVisible());
    EXPECT_TRUE(stackedWithoutGaps());
    const int expandedHeight = panelOf(0)->height();

    QTest::mouseClick(headerOf(0)->toggle(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(window().isCollapsed(Section::Doors));
    EXPECT_FALSE(view(0)->isVisible());
    EXPECT_FALSE(headerOf(0)->toggle()->isExpanded());
    EXPECT_EQ(panelOf(0)->height(), headerOf(0)->height());
    EXPECT_EQ(panelOf(1)->y(), headerOf(0)->height() + 5);
    EXPECT_TRUE(stackedWithoutGaps());

    QTest::mouseClick(headerOf(0)->toggle(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(view(0)->isVisible());
    EXPECT_EQ(panelOf(0)->height(), expandedHeight);
    EXPECT_TRUE(stackedWithoutGaps());
}

TEST_F(WindowInteraction, SectionChoiceShowsOneSectionFillingTheWindowAndBack) {
    show();
    sectionItem(1)->trigger();  // "Inputs"
    settle();
    EXPECT_EQ(child<QToolButton>("sectionButton")->text(), QStringLiteral("Inputs"));
    EXPECT_NE(pageInSight(), sectionStack());
    EXPECT_TRUE(view(1)->isVisible());
    EXPECT_FALSE(view(0)->isVisible());
    EXPECT_EQ(view(1)->height(), pageInSight()->height());

    action("allSectionsItem")->trigger();  // "Status Group": every section again
    settle();
    EXPECT_EQ(child<QToolButton>("sectionButton")->text(), QStringLiteral("Status Group"));
    EXPECT_EQ(pageInSight(), sectionStack());
    EXPECT_EQ(view(1)->parentWidget(), panelOf(1));
    EXPECT_TRUE(view(0)->isVisible());
    EXPECT_TRUE(view(1)->isVisible());
}

TEST_F(WindowInteraction, ToolbarShowsMaskedListOverriddenListAndSectionsAgain) {
    show();
    action("maskedButton")->trigger();
    EXPECT_EQ(pageInSight(), maskedList());
    EXPECT_TRUE(action("maskedButton")->isChecked());
    EXPECT_GT(maskedList()->model()->rowCount(), 0);  // the demo site masks some points

    action("overriddenButton")->trigger();
    EXPECT_EQ(pageInSight(), overriddenList());
    EXPECT_FALSE(action("maskedButton")->isChecked());

    action("statusButton")->trigger();
    EXPECT_EQ(pageInSight(), sectionStack());
    EXPECT_TRUE(action("statusButton")->isChecked());
}

TEST_F(WindowInteraction, GroupBoxMirrorsTheEntriesAndChoosingOneReloads) {
    show();
    QComboBox* box = groupBoxWidget();
    ASSERT_EQ(box->count(), window().groupEntries().size());
    for (int i = 0; i < box->count(); ++i)
        EXPECT_EQ(box->itemText(i), window().groupEntries()[i].text);

    const int index = window().findGroupEntry(site.sectionGroupIds[1]);
    ASSERT_GE(index, 0);
    box->setCurrentIndex(index);
    emit box->activated(index);  // the operator's choice
    settle();
    EXPECT_EQ(window().currentGroup(), site.sectionGroupIds[1]);
    EXPECT_FALSE(panelOf(0)->isVisible());  // this group holds inputs only
    EXPECT_TRUE(panelOf(1)->isVisible());

    window().setGroupEntryText(index, QStringLiteral("Renamed elsewhere"));
    EXPECT_EQ(box->itemText(index), QStringLiteral("Renamed elsewhere"));
    EXPECT_EQ(box->currentIndex(), index);
}

TEST_F(WindowInteraction, OperatorColumnMovesAndWidthsAreKeptForTheSavedLayout) {
    show();
    QHeaderView* header = view(0)->horizontalHeader();
    const int statusColumn = grid(0).columnIndex(QStringLiteral("Status"));
    header->moveSection(statusColumn, 0);  // as a drag of the header does
    settle();
    EXPECT_EQ(grid(0).column(0).key, QStringLiteral("Status"));
    EXPECT_EQ(header->visualIndex(0), 0);  // the header's order is the grid's again
    EXPECT_EQ(view(0)->model()->headerData(0, Qt::Horizontal).toString(), grid(0).column(0).caption);

    header->resizeSection(1, 211);
    EXPECT_EQ(grid(0).column(1).width, 211);
    // A sort resets the model: the operator's width survives it.
    clickHeader(0, QStringLiteral("Status"));
    EXPECT_EQ(header->sectionSize(1), 211);
    EXPECT_TRUE(header->isSectionHidden(grid(0).columnIndex(QStringLiteral("NotUsed"))));

    status->ShutDown();
    const QString saved = window().context().layout.columnHeaderPos[0];
    EXPECT_TRUE(saved.startsWith(QStringLiteral("Status][")));
    EXPECT_TRUE(saved.contains(QStringLiteral("][2][211][True"))) << saved.toStdString();
}

TEST_F(WindowInteraction, ModulesItemFollowsTheHostsNewerHardwareSupport) {
    for (const bool supported : {false, true}) {
        ImageHost otherHost;
        otherHost.rk8Support = supported;
        std::unique_ptr<Status> other = makeStatus(otherHost);
        other->Show();
        auto* otherFrame = qobject_cast<StatusFrame*>(other->widget());
        ASSERT_NE(otherFrame, nullptr);
        EXPECT_EQ(sectionItem(7, otherFrame)->isVisible(), supported) << supported;
        EXPECT_EQ(sectionItem(7, otherFrame)->text(), QStringLiteral("Modules"));
        EXPECT_TRUE(action("sectionSeparator", otherFrame)->isSeparator());
        // Items follow the sections the loaded group uses.
        for (int section = 0; section < kSectionCount - 1; ++section)
            EXPECT_EQ(sectionItem(section, otherFrame)->isEnabled(), windowOf(*other).isSectionUsed(Section(section)));
    }
}

}  // namespace
}  // namespace so::test
