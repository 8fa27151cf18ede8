#include "grid/SortedRows.h"

#include <QRandomGenerator>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace so {
namespace {

/// Texts of rows 1..n; an empty text is a row out of sight.
struct Rows {
    QStringList texts;

    SortedRows::Key operator()(int row) const {
        const QString& text = texts[row - 1];
        return text.isEmpty() ? SortedRows::Key{} : SortedRows::Key{text, true};
    }
};

std::vector<int> refreshed(SortedRows& sorted, const Rows& rows) {
    return sorted.refresh(int(rows.texts.size()), rows);
}

TEST(SortedRowsTest, OrdersByTextIgnoringCaseAndEqualTextsKeepTheGridsOrderEitherWay) {
    const Rows rows{{"Beta", "alpha", "", "Gamma", "ALPHA", "beta"}};
    SortedRows ascending(false), descending(true);
    EXPECT_EQ(refreshed(ascending, rows), (std::vector<int>{2, 5, 1, 6, 4}));
    EXPECT_EQ(refreshed(descending, rows), (std::vector<int>{4, 1, 6, 2, 5}));
}

TEST(SortedRowsTest, ReordersOnlyWhatChangedAndAgreesWithAFreshSortAfterEachChange) {
    struct Step {
        const char* what;
        std::vector<std::pair<int, QString>> set;  // row, new text ("" out of sight)
        QStringList resized;                       // non-empty: the rows anew
        std::vector<int> order;
        int fullSorts;
        int merges;
    };
    QStringList texts;
    for (int row = 1; row <= 16; ++row)
        texts << QStringLiteral("Door %1").arg(row, 2, 10, QLatin1Char('0'));
    const Step steps[] = {
        {"first read", {}, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 1, 0},
        {"nothing changed", {}, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 1, 0},
        {"one row renamed to the top",
         {{9, "Aisle"}},
         {},
         {9, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16},
         1,
         1},
        {"one row out of sight", {{3, ""}}, {}, {9, 1, 2, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16}, 1, 2},
        {"back in sight at the end", {{3, "zone"}}, {}, {9, 1, 2, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16, 3}, 1, 3},
        {"a tie with a row before it",
         {{16, "aisle"}},
         {},
         {9, 16, 1, 2, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 3},
         1,
         4},
        {"many changed at once",
         {{1, "x"}, {2, "x"}, {4, "x"}},
         {},
         {9, 16, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 1, 2, 4, 3},
         2,
         4},
        {"rows went", {}, {"b", "a", "c"}, {2, 1, 3}, 3, 4},
    };
    SortedRows sorted(false);
    Rows rows{texts};
    for (const Step& step : steps) {
        if (!step.resized.isEmpty())
            rows.texts = step.resized;
        for (const auto& [row, text] : step.set)
            rows.texts[row - 1] = text;
        EXPECT_EQ(refreshed(sorted, rows), step.order) << step.what;
        EXPECT_EQ(sorted.fullSorts(), step.fullSorts) << step.what;
        EXPECT_EQ(sorted.merges(), step.merges) << step.what;
    }
}

TEST(SortedRowsTest, AStormOfSmallChangesLeavesTheOrderAFreshSortWouldGive) {
    // A section under traffic: a few rows a read change their text (states with case-only
    // differences among them) or go in and out of sight.
    const QStringList words{"Open", "open", "Closed", "Held", "held open", "", "Forced", "closed"};
    QRandomGenerator random(20261208);
    Rows rows;
    for (int row = 0; row < 400; ++row)
        rows.texts << words[random.bounded(int(words.size()))];
    for (const bool descending : {false, true}) {
        SortedRows sorted(descending);
        for (int read = 0; read < 200; ++read) {
            for (int i = random.bounded(1, 6); i > 0; --i)
                rows.texts[random.bounded(int(rows.texts.size()))] = words[random.bounded(int(words.size()))];
            std::vector<int> fresh;
            for (int row = 1; row <= int(rows.texts.size()); ++row)
                if (!rows.texts[row - 1].isEmpty())
                    fresh.push_back(row);
            std::stable_sort(fresh.begin(), fresh.end(), [&](int a, int b) {
                const int order = rows.texts[a - 1].compare(rows.texts[b - 1], Qt::CaseInsensitive);
                return descending ? order > 0 : order < 0;
            });
            ASSERT_EQ(refreshed(sorted, rows), fresh) << "read " << read << (descending ? " descending" : "");
        }
        EXPECT_EQ(sorted.fullSorts(), 1) << "only the first read sorts every row";
    }
}

}  // namespace
}  // namespace so
