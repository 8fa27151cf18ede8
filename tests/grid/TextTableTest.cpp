#include "grid/StatusGrid.h"
#include "grid/TextTable.h"

#include <gtest/gtest.h>

namespace so {
namespace {

TEST(TextTableTest, OneIdPerTextHowEverItArrives) {
    TextTable table;
    const QString kept = QStringLiteral("Closed");
    struct Case {
        const char* what;
        QString text;
        bool sameAsKept;
    };
    const Case cases[] = {
        {"the same storage", kept, true},
        {"a copy made apart", QString::fromLatin1("Closed"), true},
        {"built piece by piece", QStringLiteral("Clo") + QStringLiteral("sed"), true},
        {"another text", QStringLiteral("Open"), false},
        {"another case", QStringLiteral("closed"), false},
    };
    const TextId id = table.acquire(kept);
    ASSERT_NE(id, TextTable::kEmpty);
    for (const Case& c : cases) {
        const TextId other = table.acquire(c.text);
        EXPECT_EQ(other == id, c.sameAsKept) << c.what;
        EXPECT_EQ(table.text(other), c.text) << c.what;
    }
    EXPECT_EQ(table.acquire(QString()), TextTable::kEmpty);
    EXPECT_EQ(table.acquire(QStringLiteral("")), TextTable::kEmpty);
    EXPECT_EQ(table.uses(id), 4u);
}

TEST(TextTableTest, TextsNoOneHoldsAreFreedAndTheTableStaysBounded) {
    TextTable table;
    const TextId held = table.acquire(QStringLiteral("held"));
    // A day of per-second texts, each held a moment: the table keeps no more than a batch of them.
    int largest = 0;
    for (int second = 0; second < 86400; ++second) {
        const TextId id = table.acquire(QString::number(second));
        table.release(id);
        largest = std::max(largest, table.size());
    }
    EXPECT_LT(largest, 1100);
    EXPECT_EQ(table.text(held), QStringLiteral("held"));
    // A text released and taken again before the batch keeps its id.
    const TextId again = table.acquire(QStringLiteral("again"));
    table.release(again);
    EXPECT_EQ(table.acquire(QStringLiteral("again")), again);
}

TEST(TextTableTest, GridsSharingATableCountTheirCells) {
    TextTable table;
    {
        StatusGrid a(QStringLiteral("a"), &table);
        StatusGrid b(QStringLiteral("b"), &table);
        for (StatusGrid* grid : {&a, &b}) {
            grid->addColumn(QStringLiteral("Status"), QStringLiteral("Status"), 0, -1, 100, true);
            for (int row = 1; row <= 3; ++row)
                grid->setText(grid->addRow(), 0, QStringLiteral("Off line"));
        }
        const TextId id = table.acquire(QStringLiteral("Off line"));
        table.release(id);
        EXPECT_EQ(table.uses(id), 6u);
        a.removeRow(1);
        b.setText(1, 0, QStringLiteral("On line"));
        EXPECT_EQ(table.uses(id), 4u);
        EXPECT_EQ(b.text(1, 0), QStringLiteral("On line"));
        EXPECT_EQ(b.text(2, 0), QStringLiteral("Off line"));
        a.clear();
        EXPECT_EQ(table.uses(id), 2u);
    }
    // Both grids are gone: nothing holds a text any more.
    for (int i = 0; i < 2000; ++i)
        table.release(table.acquire(QString::number(i)));
    EXPECT_LT(table.size(), 1100);
}

}  // namespace
}  // namespace so
