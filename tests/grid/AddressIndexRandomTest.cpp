// The address index against a plain scan of the Address column, through long random sequences of
// the operations that move rows: appends, address rewrites (duplicates included), removals at any
// place, sorts both ways by either column, placing the rows by address, clears. After every step
// each address of the pool must be found at the row a scan finds first, also through a lookup
// settled before the step (which must notice that the rows changed under it). The second pool
// holds addresses the index cannot keep in its slots (longer than a slot's bytes, not ASCII) and
// the empty text beside short ones.
#include "grid/StatusGrid.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <random>
#include <vector>

namespace so {
namespace {

void agreeThroughRandomSteps(const QStringList& pool) {
    StatusGrid grid;
    grid.addColumn(QStringLiteral("Name"), QStringLiteral("Name"), 0, -1, 100, true);
    grid.addColumn(QStringLiteral("Address"), QStringLiteral("Address"), 0, -1, 100, true);
    std::mt19937 random(7);
    const auto pick = [&](int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(random)); };
    std::vector<StatusGrid::RowLookup> before(size_t(pool.size()));
    for (int step = 0; step < 4000; ++step) {
        for (qsizetype i = 0; i < pool.size(); ++i) {
            before[size_t(i)] = grid.beginLookup(pool[i]);
            grid.settle(before[size_t(i)], pool[i]);
        }
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
        for (qsizetype i = 0; i < pool.size(); ++i) {
            const QString& address = pool[i];
            const int scanned = grid.findByScan(QStringLiteral("Address"), address);
            ASSERT_EQ(grid.findRowForAddress(address), scanned)
                << "step " << step << ", " << grid.rowCount() << " rows, address " << address.toStdString();
            ASSERT_EQ(grid.findRowForAddress(address, before[size_t(i)]), scanned)
                << "lookup settled before step " << step << ", address " << address.toStdString();
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
