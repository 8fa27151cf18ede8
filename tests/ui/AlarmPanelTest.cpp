// The attention panel under the operator's hands: while the pointer is on the rows nothing moves
// (500 new alarms are only counted), a right-click acts on the row pressed however the list has
// changed since it was drawn, alarms are acknowledged from the keyboard, the selection or all at
// once after a confirmation, and a shelved point is listed with who shelved it and until when.
#include "ui/UiFixture.h"

#include "ui/AlarmJournalDialog.h"
#include "ui/AttentionPanel.h"
#include "window/AttentionList.h"

#include <QEnterEvent>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>

namespace so::test {
namespace {

class AlarmPanel : public UiFixture {
protected:
    int sitePoints() const override { return 8000; }

    AttentionPanel* panel() const { return child<AttentionPanel>("attentionPanel"); }

    /// Inputs of the shown group that read normal now.
    QStringList normalInputs(int count) {
        QStringList out;
        for (int row = 1; row <= grid(1).rowCount() && out.size() < count; ++row) {
            const QString address = grid(1).text(row, col::Address);
            if (address.startsWith(QLatin1String("\\\\SNET")) && address.contains(QLatin1String(".BI")) &&
                grid(1).conditions(row).empty())
                out << address;
        }
        return out;
    }

    void raise(const QStringList& inputs) {
        for (const QString& address : inputs)
            status->StateChange(QStringLiteral("STD_INPUT"), address, 65);
        settle();
        window().attentionTick();
        settle();
    }

    void pointerOnRows(bool on) {
        QWidget* rows = panel()->table()->viewport();
        QCursor::setPos(on ? rows->mapToGlobal(rows->rect().center()) : frame->mapToGlobal(QPoint(2, 2)));
        if (on) {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), rows->mapToGlobal(QPointF(5, 5)));
            QCoreApplication::sendEvent(rows, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(rows, &leave);
        }
    }

    int rowOf(const QString& address) const {
        const AttentionModel* model = panel()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->rowAt(row).entry.address == address)
                return row;
        return -1;
    }
};

TEST_F(AlarmPanel, AnEntryUnderThePointerKeepsItsPlaceAndARightClickOpensThatRowsMenu) {
    show();
    chooseGroup(site.siteGroupId);
    window().attentionTimer().stop();
    const QStringList inputs = normalInputs(520);
    ASSERT_EQ(inputs.size(), 520);
    raise(inputs.mid(0, 20));
    const QString pressed = inputs[5];
    const int place = rowOf(pressed);
    ASSERT_GE(place, 0);
    const int height = panel()->height();

    pointerOnRows(true);
    ASSERT_TRUE(panel()->isHeld());
    raise(inputs.mid(20, 500));
    EXPECT_EQ(rowOf(pressed), place) << "the entry under the pointer moved";
    EXPECT_EQ(panel()->height(), height) << "the sections below shifted";
    EXPECT_GE(panel()->view().newAlarmCount(), 500);
    EXPECT_EQ(panel()->newEntriesText(), QStringLiteral("%1 new alarms — show").arg(panel()->view().newAlarmCount()));

    // Right-click where the entry is drawn: its own row's menu, though the list has moved on.
    QTableView* table = panel()->table();
    const QRect drawn = table->visualRect(panel()->model()->index(place, AttentionModel::Name));
    QTimer::singleShot(50, [] {
        if (QWidget* menu = QApplication::activePopupWidget())
            menu->close();
    });
    emit table->customContextMenuRequested(drawn.center());
    EXPECT_EQ(window().currentSection(), Section::Inputs);
    EXPECT_EQ(grid(1).text(window().currentRow(), col::Address), pressed);

    // Asked, the new entries show; the pointer gone, the list follows the site again.
    child<QPushButton>("attentionNewBar", panel())->click();
    EXPECT_EQ(table->verticalHeader()->count(), panel()->model()->rowCount()) << "the table was not told of them";
    EXPECT_TRUE(panel()->newEntriesText().isEmpty());
    EXPECT_EQ(panel()->view().newAlarmCount(), 0);
    EXPECT_GE(rowOf(inputs[519]), 0);
    pointerOnRows(false);
    EXPECT_FALSE(panel()->isHeld());
}

TEST_F(AlarmPanel, AlarmsAreAcknowledgedFromTheKeyboardAndAllAtOnceAfterAConfirmation) {
    show();
    chooseGroup(site.siteGroupId);
    window().attentionTimer().stop();
    const QStringList inputs = normalInputs(3);
    raise(inputs);
    QTableView* table = panel()->table();
    const int row = rowOf(inputs[0]);
    ASSERT_GE(row, 0);
    EXPECT_EQ(panel()->model()->index(row, AttentionModel::Marker).data().toString(), QStringLiteral("▲ !"));

    table->setFocus();
    table->setCurrentIndex(panel()->model()->index(row, AttentionModel::Name));
    dialogs.inputAnswers.enqueue(QStringLiteral("checked on camera"));
    QTest::keyClick(table, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    const int now = rowOf(inputs[0]);
    ASSERT_GE(now, 0);
    EXPECT_EQ(panel()->model()->index(now, AttentionModel::Marker).data().toString(), QStringLiteral("▲"));
    EXPECT_TRUE(panel()->headerText().contains(QStringLiteral("not acknowledged")));

    // Every alarm listed: asked first; "no" changes nothing.
    const int waiting = window().attention().unacknowledgedCount();
    ASSERT_GT(waiting, 0);
    QTest::keyClick(table, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(window().attention().unacknowledgedCount(), waiting);
    dialogs.yesNoAnswers.enqueue(true);
    QTest::keyClick(table, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(window().attention().unacknowledgedCount(), 0);
    EXPECT_FALSE(panel()->headerText().contains(QStringLiteral("not acknowledged")));
}

TEST_F(AlarmPanel, AShelvedPointIsListedWithWhoShelvedItAndUntilWhen) {
    show();
    chooseGroup(site.siteGroupId);
    window().attentionTimer().stop();
    const QStringList inputs = normalInputs(1);
    raise(inputs);
    QTableView* table = panel()->table();
    table->setFocus();
    table->setCurrentIndex(panel()->model()->index(rowOf(inputs[0]), AttentionModel::Name));
    const QString name = panel()->model()->index(rowOf(inputs[0]), AttentionModel::Name).data().toString();
    dialogs.inputAnswers.enqueue(QStringLiteral("15"));
    QTest::keyClick(table, Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(rowOf(inputs[0]), -1);
    window().attentionTick();  // the site's record names who shelved it

    panel()->showShelved();
    ASSERT_FALSE(dialogs.messages.isEmpty());
    const QString shown = dialogs.messages.last().text;
    EXPECT_TRUE(shown.contains(QStringLiteral("%1 (%2) — by admin until ").arg(name, inputs[0])))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains(QRegularExpression(QStringLiteral("until \\d\\d:\\d\\d:\\d\\d$"))))
        << shown.toStdString();
}

TEST_F(AlarmPanel, TheJournalShowsWhoAcknowledgedWhatAndSavesItAsCsv) {
    show();
    chooseGroup(site.siteGroupId);
    window().attentionTimer().stop();
    const QStringList inputs = normalInputs(2);
    raise(inputs);
    std::vector<AttentionEntry> first;
    for (const AttentionEntry& e : window().attention().entries())
        if (e.address == inputs[0])
            first.push_back(e);
    ASSERT_EQ(window().acknowledgeAlarms(first, QStringLiteral("door, \"checked\"")), 1);

    AlarmJournalDialog journal(window());
    journal.operatorFilter()->setText(QStringLiteral("admin"));
    journal.reload();
    ASSERT_EQ(journal.table()->rowCount(), 1);
    EXPECT_EQ(journal.table()->item(0, 1)->text(), QStringLiteral("acknowledged"));
    EXPECT_EQ(journal.table()->item(0, 2)->text(), inputs[0]);
    journal.operatorFilter()->clear();
    journal.pointFilter()->setText(inputs[1]);
    journal.reload();
    ASSERT_EQ(journal.table()->rowCount(), 1);
    EXPECT_EQ(journal.table()->item(0, 1)->text(), QStringLiteral("raised"));

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("journal.csv"));
    journal.setPathChooser([&](const QString&) { return path; });
    journal.pointFilter()->setText(inputs[0]);
    journal.reload();
    ASSERT_TRUE(journal.exportCsv());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Time,Event,Address,Raised,Operator,Comment"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",admin,\"door, \"\"checked\"\"\""))) << lines[1].toStdString();
}

TEST_F(AlarmPanel, TimesOfAnEarlierDayShowWhole) {
    // A point abnormal since another day lists its date and time; so does an entry cleared then.
    show();
    chooseGroup(site.siteGroupId);
    window().attentionTimer().stop();
    raise(normalInputs(1));
    const QTableView* table = panel()->table();
    const QFontMetrics metrics = table->fontMetrics();
    const int cellMargins = 6;
    EXPECT_GE(table->columnWidth(AttentionModel::Since),
              metrics.horizontalAdvance(QStringLiteral("2024-03-05 18:47:02")) + cellMargins);
    EXPECT_GE(table->columnWidth(AttentionModel::Duration),
              metrics.horizontalAdvance(QStringLiteral("cleared 2024-03-05 18:47:02")) + cellMargins);
}

}  // namespace
}  // namespace so::test
