// The window at the operator's desk, driven with real key and mouse events: Esc that closes a
// popup or a dialog leaves the window open, keyboard context menus, find in every view, header
// counts of alarms and warnings, "Abnormal only" and sorting by severity, a shown group deleted
// at another workstation, and the title keeping the workstation's name.
#include "ui/UiFixture.h"

#include "grid/ColumnLayout.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <functional>

namespace so::test {
namespace {

class OperatorDesk : public UiFixture {
protected:
    /// The popup or dialog on screen above the status window, if any.
    QWidget* openPopupOrDialog() {
        if (QWidget* popup = QApplication::activePopupWidget())
            return popup;
        if (QWidget* modal = QApplication::activeModalWidget())
            return modal;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != frame && w->isVisible() && qobject_cast<QDialog*>(w) != nullptr)
                return w;
        return nullptr;
    }

    /// Runs `open` (which may block while its menu or dialog runs), presses Esc in whatever it
    /// brought up and releases Esc over the status window: an X server delivers the release to
    /// the window that has the keyboard once the press closed the popup.
    void escapeFrom(const std::function<void()>& open) {
        bool pressed = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* target = openPopupOrDialog();
            if (target == nullptr)
                return;
            poll.stop();
            QTest::keyPress(target->focusWidget() != nullptr ? target->focusWidget() : target, Qt::Key_Escape);
            pressed = true;
        });
        poll.start();
        open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return pressed; }, 5000)) << "nothing opened";
        // A popup that stays open shows in the checks that follow.
        static_cast<void>(QTest::qWaitFor([&] { return openPopupOrDialog() == nullptr; }, 2000));
        QWidget* focus = QApplication::focusWidget();
        QTest::keyRelease(focus != nullptr && focus->window() == frame ? focus : frame, Qt::Key_Escape);
        QCoreApplication::processEvents();
    }

    /// Right press and release over a row of the doors section: the row's context menu.
    void rightClickRow(int row) {
        const QPoint at = cellCentre(0, row, 1);
        QTest::mousePress(view(0)->viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(view(0)->viewport(), Qt::RightButton, {}, at);
    }

    void toggleAbnormalOnly() {
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
        QTest::keyClick(view(0), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        settle();
        frame->updateInsight();
    }

    int severityOf(int section, int row) {
        return view(section)->model()->index(row - 1, 0).data(StatusGridModel::SeverityRole).toInt();
    }
};

TEST_F(OperatorDesk, EscThatClosesAPopupOrADialogLeavesTheWindowOpen) {
    show();
    ASSERT_GT(grid(0).rowCount(), 1);
    frame->setExportPathChooser(nullptr);  // the real save dialog
    struct Case {
        const char* what;
        std::function<void()> open;
    };
    const Case cases[] = {
        {"row menu by right click", [&] { rightClickRow(0); }},
        {"row menu by Shift+F10",
         [&] {
             view(0)->setFocus();
             QTest::keyClick(view(0), Qt::Key_F10, Qt::ShiftModifier);
         }},
        {"row menu by the Menu key",
         [&] {
             view(0)->setFocus();
             QTest::keyClick(view(0), Qt::Key_Menu);
         }},
        {"Export menu", [&] { QTest::mouseClick(child<QToolButton>("exportButton"), Qt::LeftButton); }},
        {"section menu", [&] { QTest::mouseClick(child<QToolButton>("sectionButton"), Qt::LeftButton); }},
        {"CSV save dialog", [&] { action("exportDoors")->trigger(); }},
        {"Configure Status Groups", [&] { action("configureButton")->trigger(); }},
    };
    for (const Case& c : cases) {
        escapeFrom(c.open);
        EXPECT_TRUE(window().isLoaded()) << c.what;
        EXPECT_TRUE(frame->isVisible()) << c.what;
        EXPECT_EQ(openPopupOrDialog(), nullptr) << c.what << " stayed open";
    }
    // The window's own Esc, pressed and released there, still closes it.
    view(0)->setFocus();
    QTest::keyClick(view(0), Qt::Key_Escape);
    EXPECT_FALSE(window().isLoaded());
}

TEST_F(OperatorDesk, ShiftF10OpensTheCurrentRowsMenuWithDisabledEntriesSayingWhy) {
    show();
    ASSERT_GT(grid(0).rowCount(), 2);
    host.permissions.insert(10, false);  // the operator may not command points
    view(0)->setFocus();
    view(0)->setCurrentIndex(view(0)->model()->index(2, 1));
    QStringList tips;
    QTimer::singleShot(50, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                if (action->isVisible() && !action->isEnabled() && !action->isSeparator())
                    tips << action->statusTip();
            menu->close();
        }
    });
    QTest::keyClick(view(0), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(window().currentRow(), 3) << "the menu acts on the current row";
    ASSERT_FALSE(tips.isEmpty()) << "no disabled entry in the menu";
    for (const QString& tip : tips)
        EXPECT_EQ(tip, QStringLiteral("Not permitted for this door"));
}

TEST_F(OperatorDesk, FindCountsAlarmsAndWarningsApartAndStaysOutOfTheMaskedList) {
    show();
    // Two inputs in alarm, one of them found by the find text; masked inputs are warnings (also
    // in alarm, so the two are unmasked ones).
    QStringList classic;
    for (const QString& address : classicInputs())
        if (!grid(1).conditions(grid(1).findRow(address)).has(Condition::Masked))
            classic << address;
    ASSERT_GE(classic.size(), 3);
    for (const QString& address : classic)
        status->StateChange(QStringLiteral("STD_INPUT"), address, 66);  // every alarm cleared
    status->StateChange(QStringLiteral("STD_INPUT"), classic[0], 65);
    status->StateChange(QStringLiteral("STD_INPUT"), classic[1], 65);
    settle();
    frame->updateInsight();
    const SectionCounts all = headerOf(1)->counts();
    EXPECT_EQ(all.points, grid(1).rowCount());
    EXPECT_EQ(all.shown, all.points);
    EXPECT_GE(all.alarms, 2);

    findBoxWidget()->setFocus();
    QTest::keyClicks(findBoxWidget(), classic[0]);
    settle();
    frame->updateInsight();
    const SectionCounts found = headerOf(1)->counts();
    EXPECT_EQ(found.points, all.points);
    EXPECT_EQ(found.shown, 1);
    EXPECT_EQ(found.alarms, 1) << "the alarm the find text hides is not counted";
    EXPECT_TRUE(headerOf(1)->countsLabel()->text().startsWith(QStringLiteral("1 of ")));
    EXPECT_TRUE(headerOf(1)->alarmsLabel()->isVisibleTo(frame));
    EXPECT_FALSE(headerOf(1)->warningsLabel()->isVisibleTo(frame));

    // A section with warnings only shows the warning marker, not the alarm marker.
    QTest::keyClick(findBoxWidget(), Qt::Key_Escape);
    status->StateChange(QStringLiteral("STD_INPUT"), classic[0], 66);
    status->StateChange(QStringLiteral("STD_INPUT"), classic[1], 66);
    const int maskedColumn = grid(1).columnIndex(col::Masked);
    ASSERT_GE(maskedColumn, 0);
    for (int row = 1; row <= grid(1).rowCount(); ++row)
        grid(1).setText(row, maskedColumn, QString());
    status->StateChange(QStringLiteral("STD_INPUT"), grid(1).text(1, col::Address), 67);  // row 1 masked
    for (const QString& address : classic)
        ASSERT_NE(severityOf(1, grid(1).findRow(address)), int(Severity::Alarm));
    settle();
    frame->updateInsight();
    EXPECT_TRUE(findBoxWidget()->text().isEmpty()) << "Esc in the find box clears it";
    EXPECT_TRUE(window().isLoaded());
    const SectionCounts warningsOnly = headerOf(1)->counts();
    if (warningsOnly.alarms == 0) {
        EXPECT_FALSE(headerOf(1)->alarmsLabel()->isVisibleTo(frame));
        EXPECT_TRUE(headerOf(1)->warningsLabel()->isVisibleTo(frame));
    }

    // The masked list is not narrowed by the find text: the box is off there and counts nothing.
    findBoxWidget()->setText(classic[0]);
    QTest::mouseClick(child<QToolBar>("tbrMain")->widgetForAction(action("maskedButton")), Qt::LeftButton);
    EXPECT_EQ(pageInSight(), maskedList());
    EXPECT_FALSE(findBoxWidget()->isEnabled());
    EXPECT_TRUE(findMatchesLabel()->text().isEmpty());
    QTest::mouseClick(child<QToolBar>("tbrMain")->widgetForAction(action("statusButton")), Qt::LeftButton);
    EXPECT_TRUE(findBoxWidget()->isEnabled());
    EXPECT_EQ(findMatchesLabel()->text(), QStringLiteral("1 match"));
}

TEST_F(OperatorDesk, AbnormalOnlyHidesNormalRowsWhichStillUpdateAndSortsBySeverity) {
    show();
    chooseGroup(site.sectionGroupIds[1]);
    const QStringList classic = classicInputs();
    ASSERT_GE(classic.size(), 3);
    for (const QString& address : classic)
        status->StateChange(QStringLiteral("STD_INPUT"), address, 66);
    const QString last = classic.last();
    status->StateChange(QStringLiteral("STD_INPUT"), last, 65);
    settle();

    toggleAbnormalOnly();
    ASSERT_TRUE(action("abnormalOnly")->isChecked());
    SectionGridView* inputs = view(1);
    for (int row = 1; row <= grid(1).rowCount(); ++row)
        EXPECT_EQ(inputs->isRowHidden(row - 1), severityOf(1, row) == int(Severity::Normal)) << row;
    EXPECT_FALSE(inputs->isRowHidden(grid(1).findRow(last) - 1));
    const SectionCounts counts = headerOf(1)->counts();
    EXPECT_EQ(counts.shown, counts.alarms + counts.warnings);
    EXPECT_TRUE(totalsLabel()->text().startsWith(QStringLiteral("Total: ")));
    EXPECT_TRUE(totalsLabel()->text().contains(QStringLiteral("alarm")));

    // A hidden normal row that goes into alarm comes into sight; Ctrl+A still selects all rows.
    const QString first = classic.first();
    ASSERT_TRUE(inputs->isRowHidden(grid(1).findRow(first) - 1));
    status->StateChange(QStringLiteral("STD_INPUT"), first, 65);
    settle();
    EXPECT_FALSE(inputs->isRowHidden(grid(1).findRow(first) - 1));
    inputs->setFocus();
    QTest::keyClick(inputs, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(action("abnormalOnly")->isChecked());
    EXPECT_EQ(inputs->selectedGridRows().size(), inputs->shownRowCount());

    // Sorting by severity from the header's menu: alarms first, then warnings, then the rest.
    toggleAbnormalOnly();
    EXPECT_EQ(inputs->shownRowCount(), grid(1).rowCount());
    QTimer::singleShot(50, [] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    // A right click on the header arrives there as a context-menu event.
    QHeaderView* header = inputs->horizontalHeader();
    const QPoint onHeader(header->sectionViewportPosition(0) + 5, 5);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, onHeader, header->viewport()->mapToGlobal(onHeader));
    QApplication::sendEvent(header->viewport(), &menuEvent);
    settle();
    int previous = int(Severity::Alarm);
    for (int row = 1; row <= grid(1).rowCount(); ++row) {
        EXPECT_LE(severityOf(1, row), previous) << "row " << row;
        previous = severityOf(1, row);
    }
    EXPECT_EQ(severityOf(1, 1), int(Severity::Alarm));
}

TEST_F(OperatorDesk, AShownGroupDeletedElsewhereIsToldInTheStatusBarAndItsRowsGreyed) {
    show();
    frame->setTitleSuffix(QStringLiteral("WS1"));
    chooseGroup(site.sectionGroupIds[0]);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Status Viewer - WS1")) << "the title keeps the workstation";
    const int rows = grid(0).rowCount();
    ASSERT_GT(rows, 0);
    const QString name = groupBoxWidget()->currentText();

    db->execute(QStringLiteral("DELETE FROM Status_Groups WHERE GroupID = %1").arg(site.sectionGroupIds[0]));
    status->SyncPipe(QStringLiteral("STATUSVIEW"), 2, QStringLiteral("%1|%2").arg(name).arg(site.sectionGroupIds[0]),
                     QStringLiteral("another workstation"), QString());
    settle();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "no box waits for a click";
    EXPECT_TRUE(noticeLabel()->isVisibleTo(frame));
    EXPECT_TRUE(noticeLabel()->toolTip().contains(QStringLiteral("\"%1\" was deleted").arg(name)));
    EXPECT_EQ(groupBoxWidget()->currentIndex(), -1);
    EXPECT_EQ(groupBoxWidget()->placeholderText(), name + QStringLiteral(" (deleted)"));
    EXPECT_EQ(grid(0).rowCount(), rows) << "the rows stay in sight";
    EXPECT_TRUE(view(0)->model()->index(0, 0).data(Qt::ForegroundRole).isValid()) << "greyed";
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Status Viewer - WS1"));

    // On a narrow desk the notice is cut, whole in its tooltip, and never widens the window.
    frame->resize(960, 700);
    settle();
    EXPECT_LE(frame->minimumSizeHint().width(), 960);
    EXPECT_EQ(frame->width(), 960);
    const QString notice = noticeLabel()->toolTip();
    EXPECT_GT(noticeLabel()->fontMetrics().horizontalAdvance(notice), noticeLabel()->width());
    EXPECT_TRUE(noticeLabel()->text().endsWith(QChar(0x2026)));
    EXPECT_TRUE(notice.startsWith(noticeLabel()->text().chopped(1)));

    chooseGroup(site.smallGroupId);
    EXPECT_FALSE(noticeLabel()->isVisibleTo(frame));
    EXPECT_FALSE(view(0)->model()->index(0, 0).data(Qt::ForegroundRole).isValid());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Status Viewer - WS1"));
}

TEST_F(OperatorDesk, TheStatusButtonReadsAsTheMenuEntryChosen) {
    show();
    const auto choose = [this](const QString& text) {
        for (QAction* entry : child<QMenu>("statusMenu")->actions())
            if (entry->text() == text)
                return entry->trigger();
        ADD_FAILURE() << "no entry " << text.toStdString();
    };
    EXPECT_EQ(action("statusButton")->text(), QStringLiteral("Status"));
    choose(QStringLiteral("Expansion Inputs"));  // shows the Inputs section alone
    EXPECT_EQ(window().soloSection(), Section::Inputs);
    EXPECT_EQ(action("statusButton")->text(), QStringLiteral("Expansion Inputs"));
    choose(QStringLiteral("Doors"));
    EXPECT_EQ(action("statusButton")->text(), QStringLiteral("Doors"));
    window().showOnlySection(Section::Relays);  // from the sections button: the section's own name
    EXPECT_EQ(action("statusButton")->text(), QStringLiteral("Relays"));
    choose(QStringLiteral("Status Group"));
    EXPECT_EQ(action("statusButton")->text(), QStringLiteral("Status"));
}

}  // namespace
}  // namespace so::test
