// The address index against a plain scan of the Address column, through long random sequences of
// the operations that move rows: appends, address rewrites (duplicates included), removals at any
// place, sorts both ways by either column, placing the rows by address, clears. After every step
// each address of the pool must be found at the row a scan finds first, one at a time (findRow) and
// all together with a second grid's (findRows); a row handle found before the step must still
// reach its row, or be refused when that row moved. The second pool
// holds addresses the index cannot keep in its slots (longer than a slot's bytes, not ASCII) and
// the empty text beside short ones.
#include "base/Errors.h"
#include "grid/StatusGrid.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <random>
#include <vector>

namespace so {
namespace {

/// The first row holding the address, by reading every row.
int scanFor(const StatusGrid& grid, const QString& address) {
    const int column = grid.columnIndex(QStringLiteral("Address"));
    for (int r = 1; r <= grid.rowCount(); ++r)
        if (grid.text(r, column) == address)
            return r;
    return 0;
}

void agreeThroughRandomSteps(const QStringList& pool) {
    StatusGrid grid;
    grid.addColumn(QStringLiteral("Name"), QStringLiteral("Name"), 0, -1, 100, true);
    grid.addColumn(QStringLiteral("Address"), QStringLiteral("Address"), 0, -1, 100, true);
    // A second grid in the same findRows call, holding the pool backwards: each query answers from
    // its own grid.
    StatusGrid other;
    other.addColumn(QStringLiteral("Address"), QStringLiteral("Address"), 0, -1, 100, true);
    for (qsizetype i = pool.size(); i-- > 0;)
        other.setText(other.addRow(), QStringLiteral("Address"), pool[i]);
    std::vector<StatusGrid::RowQuery> queries;
    for (const QString& address : pool) {
        queries.push_back({&grid, address, {}});
        queries.push_back({&other, address, {}});
    }
    std::mt19937 random(7);
    const auto pick = [&](int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(random)); };
    for (int step = 0; step < 4000; ++step) {
        StatusGrid::findRows(queries);
        std::vector<StatusGrid::RowAt> before;
        for (size_t i = 0; i < queries.size(); i += 2)
            before.push_back(queries[i].found);
        const int action = pick(100);
        if (action < 45 || grid.rowCount() == 0) {
            const int row = grid.addRow();
            grid.setText(row, QStringLiteral("Name"), QString::number(pick(1000)));
            grid.setText(row, QStringLiteral("Address"), pool[pick(int(pool.size()))]);
        } else if (action < 65) {
            grid.setText(1 + pick(grid.rowCount()), QStringLiteral("Address"), pool[pick(int(pool.size()))]);
        } else if (action < 92) {
            grid.removeRow(1 + pick(grid.rowCount()));
        } else if (action < 98) {
            grid.sort(pick(2), pick(2) == 0 ? StatusGrid::Ascending : StatusGrid::Descending);
        } else if (action < 99) {
            grid.placeRowsByAddress();
        } else {
            grid.clear();
        }
        StatusGrid::findRows(queries);
        for (qsizetype i = 0; i < pool.size(); ++i) {
            const QString& address = pool[i];
            const int scanned = scanFor(grid, address);
            ASSERT_EQ(grid.findRow(address), scanned)
                << "step " << step << ", " << grid.rowCount() << " rows, address " << address.toStdString();
            const StatusGrid::RowAt found = queries[size_t(2 * i)].found;
            ASSERT_EQ(found.row, scanned) << "findRows, step " << step << ", address " << address.toStdString();
            if (scanned > 0)
                ASSERT_EQ(grid.text(found, 0), grid.text(scanned, 0)) << "the handle reaches the row found";
            ASSERT_EQ(queries[size_t(2 * i + 1)].found.row, int(pool.size() - i)) << "the other grid's row";
            const StatusGrid::RowAt held = before[size_t(i)];
            if (held.row == 0)
                continue;
            if (grid.rowOfKey(held.key) == held.row)
                ASSERT_EQ(grid.text(held, 1), grid.text(held.row, 1)) << "a handle to a row that stayed";
            else
                ASSERT_THROW(grid.text(held, 1), ComponentError) << "a handle to a moved row, step " << step;
        }
    }
}

TEST(AddressIndex, AgreesWithAScanThroughRandomAppendsRewritesRemovalsSortsPlacementsAndClears) {
    QStringList pool;
    for (int i = 0; i < 40; ++i)  // fewer addresses than rows: duplicates happen
        pool << QStringLiteral("\\\\SNET.P001.C%1.BI01").arg(i, 4, 10, QLatin1Char('0'));
    agreeThroughRandomSteps(pool);
}

TEST(AddressIndex, AgreesWithAScanForLongNonAsciiAndEmptyAddresses) {
    QStringList pool{QString()};
    for (int i = 0; i < 13; ++i) {
        pool << QStringLiteral("\\\\SNET.P001.C%1.XI01.XM07.IN12").arg(i, 4, 10, QLatin1Char('0'));  // 31 characters
        pool << QStringLiteral("\\\\NORD.Tür%1").arg(i);
        pool << QStringLiteral("C%1").arg(i);
    }
    agreeThroughRandomSteps(pool);
}

}  // namespace
}  // namespace so
