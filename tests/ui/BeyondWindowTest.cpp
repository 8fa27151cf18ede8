// The window's find box, header counts, severity tint and marker, recent-change highlight and
// tooltip, copy and CSV export and status bar, on the real window shown on a generated demo site.
#include "component/StatusInternals.h"
#include "ui/UiFixture.h"

#include "base/SiteLink.h"
#include "grid/ColumnLayout.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QFont>
#include <QLineEdit>

namespace so::test {
namespace {

class BeyondWindow : public UiFixture {
protected:
    void report(const QString& address, quint8 state) {
        status->StateChange(QStringLiteral("STD_INPUT"), address, state);
    }
    int rowOf(const QString& address) { return grid(1).findRow(address); }
    int countAbnormal(int section) {
        // Everything abnormal, as the header shows it: alarms plus warnings.
        int n = 0;
        for (int row = 1; row <= grid(section).rowCount(); ++row)
            n += severity(grid(section), row) != Severity::Normal ? 1 : 0;
        return n;
    }
    /// Esc pressed and released in the find box, as the keyboard delivers it there.
    void escapeInFindBox() {
        findBoxWidget()->setFocus();
        QTest::keyClick(findBoxWidget(), Qt::Key_Escape);
    }
    int headerAbnormal(int section) {
        const SectionCounts& counts = headerOf(section)->counts();
        return counts.alarms + counts.warnings;
    }
};

TEST_F(BeyondWindow, FindHidesRowsThatStillTakeStateChangesAndEscClearsItFirst) {
    show();
    const QStringList inputs = classicInputs();
    ASSERT_GE(inputs.size(), 3);
    const int inputRows = grid(1).rowCount();
    const QString wanted = inputs[0];
    const QString hidden = inputs[1];

    findBoxWidget()->setText(wanted.toLower());  // case does not matter
    settle();
    SectionGridView* inputsView = view(1);
    EXPECT_EQ(grid(1).rowCount(), inputRows) << "filtering never removes rows";
    EXPECT_FALSE(inputsView->isRowHidden(rowOf(wanted) - 1));
    EXPECT_TRUE(inputsView->isRowHidden(rowOf(hidden) - 1));
    EXPECT_EQ(inputsView->shownRowCount(), 1);
    EXPECT_EQ(area()->countsInSight().shown, 1);
    EXPECT_EQ(findMatchesLabel()->text(), QStringLiteral("1 match"));

    // A hidden row keeps taking its state changes, found by its address.
    report(hidden, 65);
    settle();
    const int hiddenRow = rowOf(hidden);
    EXPECT_EQ(grid(1).text(hiddenRow, col::Alarm), QStringLiteral("R1463"));
    EXPECT_TRUE(inputsView->isRowHidden(hiddenRow - 1));

    // A hidden row renamed to match the find text comes into sight.
    grid(1).setText(hiddenRow, col::Name, QStringLiteral("Lobby ") + wanted);
    settle();
    EXPECT_FALSE(inputsView->isRowHidden(hiddenRow - 1));
    EXPECT_EQ(area()->countsInSight().shown, 2);

    // Esc clears the find text (the window stays), every row shows again with its latest state.
    escapeInFindBox();
    settle();
    EXPECT_TRUE(findBoxWidget()->text().isEmpty());
    EXPECT_TRUE(window().isLoaded());
    EXPECT_EQ(inputsView->shownRowCount(), inputRows);
    const int alarm = grid(1).columnIndex(col::Alarm);
    EXPECT_EQ(inputsView->model()->index(hiddenRow - 1, alarm).data().toString(), QStringLiteral("R1463"));

    // Ctrl+F puts the focus into the find box.
    frame->activateWindow();
    QTest::keyClick(view(1), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(findBoxWidget()->hasFocus());

    // On an empty find box Esc keeps its meaning: the window unloads.
    escapeInFindBox();
    EXPECT_FALSE(window().isLoaded());
}

TEST_F(BeyondWindow, HeaderCountsFollowAStormOfAlarms) {
    show();
    frame->updateInsight();
    SectionHeader* header = headerOf(1);
    EXPECT_EQ(header->counts().points, grid(1).rowCount());
    EXPECT_EQ(headerAbnormal(1), countAbnormal(1));
    const int before = headerAbnormal(1);

    const QStringList inputs = classicInputs();
    for (int round = 0; round < 201; ++round)
        for (const QString& address : inputs)
            report(address, round % 2 == 0 ? 65 : 66);  // ends set
    QCoreApplication::processEvents();
    frame->updateInsight();
    EXPECT_EQ(headerAbnormal(1), countAbnormal(1));
    EXPECT_GE(headerAbnormal(1), inputs.size());
    EXPECT_GT(headerAbnormal(1), before);
    const int peak = headerAbnormal(1);
    EXPECT_TRUE(header->alarmsLabel()->text().endsWith(QStringLiteral(" alarms")));

    for (const QString& address : inputs)
        report(address, 66);
    frame->updateInsight();
    EXPECT_EQ(headerAbnormal(1), countAbnormal(1));
    EXPECT_LT(headerAbnormal(1), peak);

    // Nothing changed: the next tick does not recount (the counts stay as they are).
    StatusGridModel* model = modelOf(1);
    EXPECT_FALSE(model->takeCountsDirty());
}

TEST_F(BeyondWindow, AChangedRowIsHighlightedWithItsLastTenChangesInItsTooltip) {
    show();
    const QString address = classicInputs().value(0);
    ASSERT_FALSE(address.isEmpty());
    const int row = rowOf(address);
    const QAbstractItemModel* model = view(1)->model();
    const QModelIndex name = model->index(row - 1, grid(1).columnIndex(col::Name));
    EXPECT_FALSE(name.data(StatusGridModel::RecentRole).toBool());

    for (int i = 0; i < 13; ++i)
        report(address, i % 2 == 0 ? 65 : 66);  // 13 changes of the Alarm cell, ending set
    settle();
    EXPECT_EQ(name.data(StatusGridModel::SeverityRole).toInt(), int(Severity::Alarm));
    // Just changed into alarm: marked as recent (bold, a bar) while the alarm tint stays.
    EXPECT_TRUE(name.data(StatusGridModel::RecentRole).toBool());
    EXPECT_TRUE(name.data(Qt::FontRole).value<QFont>().bold());
    const QVariant alarmTint = name.data(Qt::BackgroundRole);
    ASSERT_TRUE(alarmTint.isValid()) << "an alarm row is tinted while it is highlighted";
    EXPECT_GT(alarmTint.value<QColor>().red(), alarmTint.value<QColor>().blue());
    const QStringList tip = name.data(Qt::ToolTipRole).toString().split(QLatin1Char('\n'));
    ASSERT_EQ(tip.size(), RecentChanges::kRingSize);
    const QString alarmCaption = grid(1).column(grid(1).columnIndex(col::Alarm)).caption;
    EXPECT_TRUE(tip.first().endsWith(alarmCaption + QStringLiteral(": R1463"))) << tip.first().toStdString();
    EXPECT_TRUE(tip.first().contains(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm"))) ||
                tip.first().contains(QDateTime::currentDateTime().addSecs(-60).toString(QStringLiteral("HH:mm"))));

    // The status bar tells when the last state change came in.
    frame->updateInsight();
    EXPECT_TRUE(lastChangeLabel()->text().startsWith(QStringLiteral("Last state change: ")));

    // The highlight ends after a few seconds; the alarm tint is the same throughout.
    QTest::qWait(StatusGridModel::kHighlightMs + 200);
    EXPECT_FALSE(name.data(StatusGridModel::RecentRole).toBool());
    EXPECT_FALSE(name.data(Qt::FontRole).isValid());
    EXPECT_EQ(name.data(Qt::BackgroundRole), alarmTint);

    // The status bar tells whether the site database answers (coming back reloads the group).
    ASSERT_NE(linkLabel(), nullptr);
    EXPECT_TRUE(linkLabel()->text().endsWith(QStringLiteral("Site database answering")));
    SiteLink& link = *contextOf(*status).siteLink;
    contextOf(*status).dbConnection = nullptr;  // the database stops answering
    link.check();
    EXPECT_TRUE(linkLabel()->text().endsWith(QStringLiteral("Site database not answering")));
    contextOf(*status).dbConnection = db.get();
    link.check();
    EXPECT_TRUE(linkLabel()->text().endsWith(QStringLiteral("Site database answering")));
}

TEST_F(BeyondWindow, CopiesSelectedRowsAndExportsShownRowsAsCsv) {
    show();
    const QStringList inputs = classicInputs();
    ASSERT_GE(inputs.size(), 2);
    // A name a spreadsheet would split: a comma, quotes and a line break.
    const int row = rowOf(inputs[0]);
    grid(1).setText(row, col::Name, QStringLiteral("Gate, \"north\"\nside"));
    settle();

    SectionGridView* v = view(1);
    v->selectRow(row - 1);
    QGuiApplication::clipboard()->clear();
    action("copyRows")->trigger();
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_EQ(copied.count(QStringLiteral("\r\n")), 1);
    EXPECT_TRUE(copied.contains(QStringLiteral("\"Gate, \"\"north\"\"\nside\"")));

    findBoxWidget()->setText(inputs[0]);
    settle();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("inputs.csv"));
    ASSERT_TRUE(frame->exportCsv(Section::Inputs, file));
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(csv.readAll());
    const QString nameCaption = grid(1).column(grid(1).columnIndex(col::Name)).caption;
    EXPECT_TRUE(text.startsWith(nameCaption) || text.contains(QLatin1Char(',') + nameCaption));
    EXPECT_TRUE(text.contains(QStringLiteral("\"Gate, \"\"north\"\"\nside\"")));
    EXPECT_FALSE(text.contains(inputs[1])) << "rows the find text hides are not exported";

    // The whole window: one titled block per section shown.
    const QString whole = dir.filePath(QStringLiteral("all.csv"));
    frame->setExportPathChooser([&](const QString& suggested) {
        EXPECT_EQ(suggested, QStringLiteral("status.csv"));
        return whole;
    });
    action("exportWindow")->trigger();
    QFile all(whole);
    ASSERT_TRUE(all.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(all.readAll()).startsWith(StatusWindow::sectionName(Section::Doors)));

    // A file that cannot be written is told to the operator, not reported as done.
    EXPECT_FALSE(frame->exportCsv(Section::Inputs, dir.filePath(QStringLiteral("missing/folder/x.csv"))));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("could not be written")));
}

TEST_F(BeyondWindow, ScreenshotOfAFilteredWindowWithRowsInAlarm) {
    show();
    const QStringList inputs = classicInputs();
    for (const QString& address : inputs.mid(0, inputs.size() / 2))
        report(address, 65);
    // Points of the first controller: the shared address prefix.
    const QString prefix = inputs.value(0).left(8);
    findBoxWidget()->setText(prefix);
    settle();
    frame->updateInsight();
    settle();  // the headers' new counts laid out
    EXPECT_GT(area()->countsInSight().shown, 0);
    EXPECT_GT(headerAbnormal(1), 0);

    const QString folder = QStringLiteral(STATUSOBJECT_BINARY_DIR) + QStringLiteral("/artifacts");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QImage image = frame->grab().toImage();
    ASSERT_TRUE(image.save(folder + QStringLiteral("/beyond.png")));

    // The alarm marker is drawn in red in the first shown cell of an alarmed row.
    SectionGridView* v = view(1);
    const int row = rowOf(inputs[0]) - 1;
    ASSERT_FALSE(v->isRowHidden(row));
    const int first = v->horizontalHeader()->logicalIndex(0);
    const QRect cell = v->visualRect(v->model()->index(row, first));
    const QImage viewImage = v->viewport()->grab().toImage();
    int red = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.right() - cell.height(); x <= cell.right(); ++x) {
            const QColor c = viewImage.pixelColor(x, y);
            red += c.red() > 180 && c.green() < 80 && c.blue() < 80 ? 1 : 0;
        }
    EXPECT_GT(red, 5);
}

}  // namespace
}  // namespace so::test
