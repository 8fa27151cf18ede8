// The item model over a StatusGrid: consistency under QAbstractItemModelTester while rows are
// filled, updated, sorted, removed and cleared, and the coalescing of change signals.
#include "ui/IconList.h"
#include "ui/StatusGridModel.h"
#include "ui/ModelTesterGuard.h"
#include "status/RecentChanges.h"

#include <statusobject/Host.h>

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

namespace so::test {
namespace {

void addColumns(StatusGrid& grid) {
    grid.addColumn(QStringLiteral("Name"), QStringLiteral("Door"), 0, -1, 85, true);
    grid.addColumn(QStringLiteral("Address"), QStringLiteral("Address"), 0, -1, 129, true);
    grid.addColumn(QStringLiteral("Status"), QStringLiteral("State"), 0, -1, 127, true);
    grid.addColumn(QStringLiteral("NotUsed"), QStringLiteral("Data"), 0, -1, 0, false);
}

void fillRows(StatusGrid& grid, int count) {
    for (int i = 0; i < count; ++i) {
        const int row = grid.addRow();
        grid.setCell(row, QStringLiteral("Name"), QStringLiteral("Door %1").arg(count - i), 0, i % 3);
        grid.setText(row, QStringLiteral("Address"), QStringLiteral("DR%1").arg(i, 5, 10, QLatin1Char('0')));
        grid.setData(row, QStringLiteral("Address"), 1000 + i);
    }
}

QString display(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

struct ChangedRange {
    int firstRow, lastRow, firstColumn, lastColumn;
};

QVector<ChangedRange> ranges(const QSignalSpy& spy) {
    QVector<ChangedRange> out;
    for (const QList<QVariant>& args : spy) {
        const auto tl = args.at(0).value<QModelIndex>();
        const auto br = args.at(1).value<QModelIndex>();
        out.append({tl.row(), br.row(), tl.column(), br.column()});
    }
    return out;
}

class ThreeImages : public ImageList {
public:
    int count() const override { return 4; }
    QVariant image(int index) const override {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::red);
        switch (index) {
        case 0: return image;
        case 1: return QPixmap::fromImage(image);
        case 2: return QIcon(QPixmap::fromImage(image));
        default: return 42;  // not an image
        }
    }
};

TEST(StatusGridModel, StaysConsistentWhileRowsAreFilledUpdatedSortedRemovedAndCleared) {
    ModelTesterGuard guard;
    StatusGrid grid(QStringLiteral("vGrid(0)"));
    StatusGridModel model(grid);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);

    addColumns(grid);
    grid.setRedraw(false);
    fillRows(grid, 200);
    grid.setRedraw(true);
    model.flush();
    ASSERT_EQ(model.rowCount(), 200);

    fillRows(grid, 5);  // appended with redrawing on: announced at the next flush
    for (int row = 1; row <= grid.rowCount(); row += 7)
        grid.setText(row, QStringLiteral("Status"), QStringLiteral("Secure"));
    model.flush();
    grid.sort(0, StatusGrid::Ascending);
    grid.setText(3, QStringLiteral("Status"), QStringLiteral("Alarm"));
    grid.removeRow(3);
    grid.removeRow(grid.rowCount());
    grid.moveColumn(2, 0);
    model.flush();
    grid.clear();
    grid.clearColumns();

    EXPECT_TRUE(guard.failures().isEmpty()) << guard.failures().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
}

TEST(StatusGridModel, ServesTextIconItemDataAndCaptions) {
    ThreeImages images;
    IconList icons;
    icons.load(&images);
    StatusGrid grid;
    addColumns(grid);
    StatusGridModel model(grid, &icons);
    fillRows(grid, 4);
    model.flush();

    EXPECT_EQ(display(model, 0, 0), QStringLiteral("Door 4"));
    EXPECT_EQ(display(model, 1, 1), QStringLiteral("DR00001"));
    EXPECT_EQ(model.data(model.index(1, 1), Qt::UserRole).toLongLong(), 1001);
    for (int row = 0; row < 3; ++row)  // icon indexes 0, 1, 2: image, pixmap and icon
        EXPECT_FALSE(model.data(model.index(row, 0), Qt::DecorationRole).value<QIcon>().isNull()) << row;
    grid.setIcon(1, QStringLiteral("Name"), 3);   // the host's entry 3 is not an image
    grid.setIcon(2, QStringLiteral("Name"), 99);  // beyond the list
    model.flush();
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).isValid());
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::DecorationRole).isValid());
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::DecorationRole).isValid());  // no icon (-1)
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("State"));
}

TEST(StatusGridModel, FillWithRedrawOffIsOneInsertAnnouncedWhenRedrawComesBack) {
    StatusGrid grid;
    addColumns(grid);
    StatusGridModel model(grid);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    grid.setRedraw(false);
    fillRows(grid, 50000);
    QCoreApplication::processEvents();
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_TRUE(model.hasPendingChanges());

    grid.setRedraw(true);
    ASSERT_TRUE(inserted.wait(1000));
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 0);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 49999);
    EXPECT_EQ(model.rowCount(), 50000);
    EXPECT_EQ(model.signalCounts().dataChanged, 0);  // the new rows' cells went out with them
}

TEST(StatusGridModel, AppendsAndChangesGoOutOnTheTimerNotPerWrite) {
    StatusGrid grid;
    addColumns(grid);
    StatusGridModel model(grid);
    fillRows(grid, 10);
    EXPECT_EQ(model.rowCount(), 0);  // not yet announced
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    ASSERT_TRUE(inserted.wait(1000));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(model.rowCount(), 10);

    for (int i = 0; i < 100; ++i)
        grid.setText(4, QStringLiteral("Status"), QStringLiteral("state %1").arg(i));
    EXPECT_EQ(changed.count(), 0);
    ASSERT_TRUE(changed.wait(1000));
    QTest::qWait(2 * StatusGridModel::kFlushIntervalMs);
    ASSERT_EQ(changed.count(), 1);
    const ChangedRange r = ranges(changed).first();
    EXPECT_EQ(r.firstRow, 3);
    EXPECT_EQ(r.lastRow, 3);
    EXPECT_EQ(r.firstColumn, 2);
    EXPECT_EQ(r.lastColumn, 2);
    const auto roles = changed.at(0).at(2).value<QList<int>>();
    EXPECT_TRUE(roles.contains(Qt::DisplayRole));
    EXPECT_TRUE(roles.contains(Qt::DecorationRole));
}

TEST(StatusGridModel, RedrawPausedAroundEveryChangeStillGoesOutOnce) {
    StatusGrid grid;
    addColumns(grid);
    StatusGridModel model(grid);
    fillRows(grid, 50);
    model.flush();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    for (int row = 10; row < 20; ++row) {
        grid.setRedraw(false);
        grid.setText(row, QStringLiteral("Status"), QStringLiteral("Masked"));
        grid.setRedraw(true);
    }
    EXPECT_EQ(changed.count(), 0);
    ASSERT_TRUE(changed.wait(1000));
    QTest::qWait(2 * StatusGridModel::kFlushIntervalMs);
    EXPECT_EQ(changed.count(), 1);
}

TEST(StatusGridModel, CoalescesChangedRowsIntoRanges) {
    struct Case {
        const char* name;
        QVector<int> rows;  // 1-based grid rows written
        QVector<ChangedRange> expected;
        RowConditions shown = {};  // what the written Status shows
    };
    const QVector<Case> cases = {
        {"adjacent rows make one range", {10, 11, 12, 13}, {{9, 12, 2, 2}}},
        {"separate rows keep their ranges", {5, 6, 50}, {{4, 5, 2, 2}, {49, 49, 2, 2}}},
        {"many scattered rows make one covering range",
         [] {
             QVector<int> v;
             for (int r = 3; r <= 63; r += 3)  // 21 separate runs
                 v << r;
             return v;
         }(),
         {{2, 62, 2, 2}}},
        {"most rows changed is one update of the whole grid",
         [] {
             QVector<int> v;
             for (int r = 1; r <= 80; ++r)
                 v << r;
             return v;
         }(),
         {{0, 99, 0, 3}}},
        {"a row whose conditions change repaints all its cells (its tint)", {7}, {{6, 6, 0, 3}}, Condition::InputOpen},
    };
    for (const Case& c : cases) {
        StatusGrid grid;
        addColumns(grid);
        StatusGridModel model(grid);
        fillRows(grid, 100);
        model.flush();
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        for (int row : c.rows) {
            grid.setText(row, QStringLiteral("Status"), QStringLiteral("Open"));
            grid.addConditions(row, c.shown);
        }
        model.flush();
        const QVector<ChangedRange> got = ranges(changed);
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        for (int i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].firstRow, c.expected[i].firstRow) << c.name;
            EXPECT_EQ(got[i].lastRow, c.expected[i].lastRow) << c.name;
            EXPECT_EQ(got[i].firstColumn, c.expected[i].firstColumn) << c.name;
            EXPECT_EQ(got[i].lastColumn, c.expected[i].lastColumn) << c.name;
        }
        EXPECT_FALSE(model.hasPendingChanges()) << c.name;
    }
}

TEST(StatusGridModel, ChangedRowsFollowARemovalAboveThem) {
    StatusGrid grid;
    addColumns(grid);
    StatusGridModel model(grid);
    fillRows(grid, 30);
    model.flush();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    grid.setText(5, QStringLiteral("Status"), QStringLiteral("Open"));
    grid.setText(20, QStringLiteral("Status"), QStringLiteral("Open"));
    grid.removeRow(5);  // the changed row itself goes; row 20 becomes row 19
    model.flush();

    const QVector<ChangedRange> got = ranges(changed);
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].firstRow, 18);
    EXPECT_EQ(got[0].lastRow, 18);
    EXPECT_EQ(display(model, 18, 2), QStringLiteral("Open"));
}

TEST(StatusGridModel, RowsNotYetAnnouncedCanBeRemovedWithoutSignals) {
    ModelTesterGuard guard;
    StatusGrid grid;
    addColumns(grid);
    StatusGridModel model(grid);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    fillRows(grid, 3);
    model.flush();
    fillRows(grid, 2);  // rows 4 and 5 are still unannounced
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    grid.removeRow(5);
    EXPECT_EQ(removed.count(), 0);
    grid.removeRow(2);
    EXPECT_EQ(removed.count(), 1);
    model.flush();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(display(model, 2, 1), QStringLiteral("DR00000"));  // the first of the second batch
    EXPECT_TRUE(guard.failures().isEmpty()) << guard.failures().join(QLatin1Char('\n')).toStdString();
}

TEST(StatusGridModel, RecordsEveryChangeIntoTheRingOfTheRowsPointAsRowsMove) {
    StatusGrid grid;
    addColumns(grid);
    StatusGridModel model(grid);
    RecentChanges recent;
    model.setInsight(false, &recent);
    fillRows(grid, 6);
    model.flush();
    const QString status = QStringLiteral("Status");
    const auto changes = [&](const char* address) { return recent.changesOf(QString::fromLatin1(address)).size(); };

    grid.setText(1, status, QStringLiteral("Open"));  // DR00000
    grid.setText(4, status, QStringLiteral("Open"));  // DR00003
    // The row shows another point now: its next change is that point's.
    grid.setText(1, QStringLiteral("Address"), QStringLiteral("DR99999"));
    grid.setText(1, status, QStringLiteral("Closed"));
    EXPECT_EQ(changes("DR00000"), 1);
    EXPECT_EQ(changes("DR99999"), 1);

    // A removal above and a sort move the rows; each change stays with its row's point.
    grid.removeRow(2);
    grid.setText(3, status, QStringLiteral("Closed"));  // DR00003
    grid.sort(grid.columnIndex(QStringLiteral("Name")), StatusGrid::Ascending);
    const int row = grid.findRow(QStringLiteral("DR00003"));
    grid.setText(row, status, QStringLiteral("Open"));
    EXPECT_EQ(changes("DR00003"), 3);
    for (const char* quiet : {"DR00002", "DR00004", "DR00005"})
        EXPECT_EQ(changes(quiet), 0) << quiet;

    // Everything forgotten: the row's next change starts its point's ring again.
    recent.clear();
    grid.setText(row, status, QStringLiteral("Closed"));
    EXPECT_EQ(changes("DR00003"), 1);
    EXPECT_EQ(recent.trackedPoints(), 1);
}

TEST(StatusGridModel, ModelsOfOneGridComeAndGoIndependently) {
    StatusGrid grid;
    addColumns(grid);
    StatusGridModel first(grid);
    {
        StatusGridModel second(grid);
        EXPECT_EQ(grid.changes().subscriberCount(), 2);
        grid.addRow();
        first.flush();
        second.flush();
        EXPECT_EQ(first.rowCount(), 1);
        EXPECT_EQ(second.rowCount(), 1);
    }
    // The first model still hears; the destroyed one is not reached.
    EXPECT_EQ(grid.changes().subscriberCount(), 1);
    grid.addRow();
    first.flush();
    EXPECT_EQ(first.rowCount(), 2);
}

}  // namespace
}  // namespace so::test
