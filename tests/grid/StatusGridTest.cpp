// The grid model: keyed cells, the address index across every change, sorting.
#include "base/Errors.h"
#include "grid/StatusGrid.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace so;

namespace {

StatusGrid makeGrid() {
    StatusGrid g("test");
    g.addColumn("Name", "Name", 0, -1, 80, true);
    g.addColumn("Address", "Address", 0, -1, 120, true);
    g.addColumn("LastUpdated", "Last Updated", 0, -1, 100, true);
    return g;
}

int addPoint(StatusGrid& g, const QString& name, const QString& address, const QString& when = {}) {
    const int row = g.addRow();
    g.setText(row, "Name", name);
    g.setText(row, "Address", address);
    g.setText(row, "LastUpdated", when);
    return row;
}

/// The first row holding the address, by reading every row (what the index must agree with).
int scanFor(const StatusGrid& g, const QString& address) {
    for (int r = 1; r <= g.rowCount(); ++r)
        if (g.text(r, "Address") == address)
            return r;
    return 0;
}

QStringList names(const StatusGrid& g) {
    QStringList out;
    for (int r = 1; r <= g.rowCount(); ++r)
        out << g.text(r, "Name");
    return out;
}

TEST(StatusGrid, CellsAreAddressedByKeyAndAMissingKeyIsItsOwnError) {
    StatusGrid g = makeGrid();
    const int row = addPoint(g, "Front", "\\\\SNET.0001.C0001.DR01");
    g.setCell(row, "Name", "Front", 0x40020, 16);
    g.setData(row, "Address", 42);
    EXPECT_EQ(g.icon(row, "Name"), 16);
    EXPECT_EQ(g.format(row, "Name"), 0x40020u);
    EXPECT_EQ(g.data(row, "Address"), 42);
    EXPECT_THROW(g.setText(row, "Voltage", "1.00"), MissingColumnError);
    EXPECT_THROW(g.text(row, "Voltage"), MissingColumnError);
    EXPECT_THROW(g.setText(0, "Name", "x"), ComponentError);
    EXPECT_THROW(g.setText(2, "Name", "x"), ComponentError);
    EXPECT_THROW(g.addColumn("Name", "again", 0, -1, 10, true), ComponentError);
    // A row found before the rows were cleared is a bad row too, not a write beyond them.
    const StatusGrid::RowAt found = g.at(row);
    g.clear();
    EXPECT_THROW(g.setText(found, 0, "x"), ComponentError);
    EXPECT_THROW(g.data(found, 0), ComponentError);
}

// Adds, removals, sorts, rewrites and duplicates are checked against a scan in AddressIndexRandomTest.
TEST(StatusGrid, RowsAreFoundByExactAddressOneAtATimeOrTogetherAcrossGrids) {
    StatusGrid g = makeGrid();
    StatusGrid doors = makeGrid();
    StatusGrid noAddress("no address");
    noAddress.addColumn("Name", "Name", 0, -1, 80, true);
    noAddress.setText(noAddress.addRow(), "Name", "A");
    EXPECT_EQ(g.findRow("A"), 0);  // empty grid
    addPoint(g, "c", "C");
    addPoint(g, "a", "A");
    addPoint(g, "b", "B");
    addPoint(g, "a again", "A");  // a second row of one address: the first in display order answers
    addPoint(doors, "door", "A");
    const struct {
        const StatusGrid* grid;
        const char* address;
        int row;
    } cases[] = {
        {&g, "A", 2},     {&g, "C", 1},         {&g, "a", 0},  // exact comparison
        {&g, "A ", 0},    {&g, "", 0},          {&doors, "A", 1},
        {&doors, "B", 0}, {&noAddress, "A", 0},  // no Address column: a Name is no address
    };
    std::vector<QString> addresses;  // the queries view them
    for (const auto& c : cases)
        addresses.push_back(QString::fromLatin1(c.address));
    std::vector<StatusGrid::RowQuery> queries;
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].grid->findRow(addresses[i]), cases[i].row) << i;
        queries.push_back({cases[i].grid, addresses[i], {}});
    }
    StatusGrid::findRows(queries);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const StatusGrid::RowAt found = queries[i].found;
        EXPECT_EQ(found.row, cases[i].row) << i;
        if (found.row > 0)
            EXPECT_EQ(found.key, cases[i].grid->rowKey(found.row)) << i;  // a handle to the row itself
        else
            EXPECT_EQ(found.key, -1) << i;
    }
}

TEST(StatusGrid, PlacingRowsByAddressKeepsEveryRowAndRefusesHandlesToMovedRows) {
    StatusGrid g = makeGrid();
    for (int i = 0; i < 40; ++i) {
        const int row = addPoint(g, QStringLiteral("n%1").arg(i), QStringLiteral("A.%1").arg(i % 30));  // duplicates
        g.setCell(row, "Name", g.text(row, "Name"), 0x100 + i, i);
        g.setData(row, "Address", 1000 + i);
        g.setUpdated(row, {QStringLiteral("t%1").arg(i), 10 * i});
    }
    g.removeRow(5);  // free keys
    g.removeRow(17);
    g.sort(g.columnIndex("Name"), StatusGrid::Descending);
    const auto rows = [&] {
        QStringList out;
        for (int r = 1; r <= g.rowCount(); ++r)
            out << QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                       .arg(g.text(r, "Name"), g.text(r, "Address"), g.text(r, "LastUpdated"))
                       .arg(g.icon(r, "Name"))
                       .arg(g.format(r, "Name"))
                       .arg(g.data(r, "Address"))
                       .arg(g.updatedAt(r));
        return out;
    };
    const QStringList before = rows();
    std::vector<StatusGrid::RowAt> handles;
    for (int r = 1; r <= g.rowCount(); ++r)
        handles.push_back(g.at(r));

    g.placeRowsByAddress();
    EXPECT_EQ(rows(), before);
    for (const StatusGrid::RowAt& held : handles)
        if (g.at(held.row).key != held.key)
            EXPECT_THROW(g.setText(held, 0, "x"), ComponentError) << "row " << held.row;
    for (int i = 0; i < 30; ++i) {
        const QString address = QStringLiteral("A.%1").arg(i);
        EXPECT_EQ(g.findRow(address), scanFor(g, address));
    }
    // Rows added afterwards take the keys left free.
    const int late = addPoint(g, "late", "A.late");
    EXPECT_EQ(g.findRow("A.late"), late);
    EXPECT_EQ(g.text(late, "Name"), "late");
}

TEST(StatusGrid, SortingMovesWholeRowsAndIgnoresLetterCase) {
    StatusGrid g = makeGrid();
    const int r = addPoint(g, "beta", "B");
    g.setCell(r, "Name", "beta", 0, 19);
    g.setData(r, "Address", 7);
    addPoint(g, "Alpha", "A");
    addPoint(g, "gamma", "G");
    g.sort(0, StatusGrid::Ascending);
    EXPECT_EQ(names(g), QStringList({"Alpha", "beta", "gamma"}));
    const int moved = g.findRow("B");
    EXPECT_EQ(g.icon(moved, "Name"), 19);
    EXPECT_EQ(g.data(moved, "Address"), 7);
    g.sort(0, StatusGrid::Descending);
    EXPECT_EQ(names(g), QStringList({"gamma", "beta", "Alpha"}));
}

TEST(StatusGrid, LastUpdatedSortsByTheRowsTimeNotByText) {
    StatusGrid g = makeGrid();
    // Text order and time order differ; the texts need not even be readable as dates.
    const struct {
        const char* name;
        UpdatedStamp stamp;
    } points[] = {{"late", {"02/01 8:00", 3000}}, {"early", {"31/12 23:59", 1000}}, {"middle", {"01/01 10:00", 2000}}};
    for (const auto& p : points)
        g.setUpdated(addPoint(g, p.name, p.name), p.stamp);
    // A plain text write leaves the row without a time: it sorts first.
    g.setUpdated(addPoint(g, "rewritten", "r"), {"01/01 09:00", 1500});
    g.setText(g.findRow("r"), "LastUpdated", "01/01 09:00");
    g.sort(g.columnIndex("LastUpdated"), StatusGrid::Ascending);
    EXPECT_EQ(names(g), QStringList({"rewritten", "middle", "late", "early"}));
    g.sortByUpdated(StatusGrid::Ascending);
    EXPECT_EQ(names(g), QStringList({"rewritten", "early", "middle", "late"}));
    g.sortByUpdated(StatusGrid::Descending);
    EXPECT_EQ(names(g), QStringList({"late", "middle", "early", "rewritten"}));
    EXPECT_EQ(g.updatedAt(g.findRow("early")), 1000) << "the time stays with its row";
}

TEST(StatusGrid, RowsKeepTheirOwnCellsThroughLayoutChangesRemovalsAndReuse) {
    StatusGrid g = makeGrid();
    for (const char* name : {"a", "b", "c", "d"}) {
        const int row = addPoint(g, name, QStringLiteral("A.") + name, QStringLiteral("t.") + name);
        g.setData(row, "LastUpdated", name[0]);
        g.setIcon(row, "Address", name[0] - 'a');
    }
    g.removeRow(2);  // "b" goes; its key is taken by the next row
    g.sort(g.columnIndex("Name"), StatusGrid::Descending);
    g.moveColumn(0, 2);  // Name to the end
    g.moveColumn(2, 1);  // and back to the middle
    g.addColumn("Extra", "Extra", 0, -1, 50, true);
    for (int wide = 0; wide < 8; ++wide)  // wide enough that a row's block grows to two lines
        g.addColumn(QStringLiteral("W%1").arg(wide), {}, 0, -1, 10, true);
    const int reused = g.addRow();
    EXPECT_EQ(g.text(reused, "Name"), QString());  // a fresh row starts empty, not with "b"'s cells
    EXPECT_EQ(g.text(reused, "Extra"), QString());
    addPoint(g, "e", "A.e", "t.e");  // on a new key, after the column was added
    g.setText(reused, "Extra", "x");
    const QStringList expected = {"d", "c", "a", "", "e"};
    ASSERT_EQ(names(g), expected);
    for (int row = 1; row <= g.rowCount(); ++row) {
        const QString name = expected[row - 1];
        if (name.isEmpty())
            continue;
        EXPECT_EQ(g.text(row, "Address"), "A." + name) << row;
        EXPECT_EQ(g.text(row, "LastUpdated"), "t." + name) << row;
        EXPECT_EQ(g.text(row, "Extra"), QString()) << row;
        if (name != "e") {
            EXPECT_EQ(g.data(row, "LastUpdated"), name[0].unicode()) << row;
            EXPECT_EQ(g.icon(row, "Address"), name[0].unicode() - 'a') << row;
        }
        EXPECT_EQ(g.findRow("A." + name), row);
    }
    EXPECT_EQ(g.text(reused, "Extra"), "x");
    EXPECT_EQ(g.data(reused, "LastUpdated"), 0);
    EXPECT_EQ(g.icon(reused, "Address"), -1);
    EXPECT_EQ(g.findRow("A.b"), 0);
}

struct CountingObserver : GridObserver {
    int resets = 0, appended = 0, removed = 0, changed = 0, tinted = 0, rekeyed = 0;
    std::function<void()> onChange;
    void gridReset() override { ++resets; }
    void rowsAppended(int, int) override { ++appended; }
    void rowRemoved(int) override { ++removed; }
    void cellChanged(int, int) override {
        ++changed;
        if (onChange)
            onChange();
    }
    void rowConditionsChanged(int) override { ++tinted; }
    void keysChanged() override { ++rekeyed; }
};

TEST(StatusGrid, EveryReaderHearsEveryChangeUntilItUnsubscribes) {
    StatusGrid g = makeGrid();
    CountingObserver a, b;
    g.changes().subscribe(a);
    g.changes().subscribe(b);
    g.changes().subscribe(a);  // once is enough
    const int row = g.addRow();
    g.setText(row, "Name", "x");
    EXPECT_EQ(a.changed, 1);
    EXPECT_EQ(b.changed, 1);
    g.removeRow(row);
    EXPECT_EQ(b.removed, 1);
    EXPECT_EQ(b.rekeyed, 1);
    g.changes().unsubscribe(a);
    g.addRow();
    EXPECT_EQ(a.appended, 1);
    EXPECT_EQ(b.appended, 2);
}

TEST(StatusGrid, AReaderMayLeaveWhileTheGridTells) {
    StatusGrid g = makeGrid();
    auto first = std::make_unique<CountingObserver>();
    CountingObserver second, third;
    g.changes().subscribe(*first);
    g.changes().subscribe(second);
    g.changes().subscribe(third);
    // The first reader takes the second with it when it hears (a host deleting a widget from a
    // slot): the second is not reached, the third is.
    first->onChange = [&] { g.changes().unsubscribe(second); };
    const int row = g.addRow();
    g.setText(row, "Name", "x");
    EXPECT_EQ(second.changed, 0);
    EXPECT_EQ(third.changed, 1);
    first->onChange = [&] { g.changes().unsubscribe(*first); };
    g.setText(row, "Name", "y");
    first.reset();
    g.setText(row, "Name", "z");
    EXPECT_EQ(third.changed, 3);
    EXPECT_EQ(g.changes().subscriberCount(), 1);
}

TEST(StatusGrid, ObserversHearOfRealChangesOnly) {
    StatusGrid g = makeGrid();
    CountingObserver o;
    g.changes().subscribe(o);
    const int row = g.addRow();
    g.setText(row, "Name", "x");
    g.setText(row, "Name", "x");  // same text: nothing to repaint
    g.setIcon(row, "Name", 3);
    g.setIcon(row, "Name", 3);
    EXPECT_EQ(o.appended, 1);
    EXPECT_EQ(o.changed, 2);
    // Conditions: heard of when they change, also when two states read the same.
    g.addColumn("Alarm", "Alarm", 0, -1, 40, true);
    g.setText(row, "Alarm", "Yes");
    g.addConditions(row, Condition::Alarm);
    g.setText(row, "Alarm", "Yes");
    g.addConditions(row, Condition::Alarm);  // the same state again: nothing to repaint
    EXPECT_EQ(o.tinted, 1);
    g.setText(row, "Alarm", "Yes");  // a host that words both states alike
    g.addConditions(row, {});
    EXPECT_EQ(o.tinted, 2);
    EXPECT_TRUE(g.conditions(row).empty());
    g.removeRow(row);
    EXPECT_EQ(o.removed, 1);
}

}  // namespace
