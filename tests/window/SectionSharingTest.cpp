// How the stacked sections share the window's height: strips always, floors in order of need,
// the rest by row count, never more than the rows need and never more than there is.
#include "window/SectionSharing.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace so::test {
namespace {

constexpr int kStrip = 22;
constexpr int kChrome = 24;
constexpr int kRow = 20;

constexpr int kAlarms = SectionNeed::kAlarms;
constexpr int kWarnings = SectionNeed::kWarnings;

SectionNeed withRows(int rows, int attention = 0) { return {true, kStrip, kChrome, kRow, rows, attention}; }
SectionNeed found(int rows, int attention = 0) { return {true, kStrip, kChrome, kRow, rows, attention, true}; }
SectionNeed emptySection() { return {true, kStrip, kChrome, kRow, 0, 0}; }
SectionNeed notShown() { return {false, kStrip, kChrome, kRow, 500, kAlarms}; }

/// Whole rows a section of `height` shows.
int rowsInSight(int height, const SectionNeed& need) {
    return height <= need.strip + need.chrome ? 0 : (height - need.strip - need.chrome) / need.rowHeight;
}

struct SharingCase {
    std::string what;
    int available;
    std::vector<SectionNeed> sections;
    std::vector<int> rows;  // whole rows in sight per section
};

void PrintTo(const SharingCase& c, std::ostream* os) { *os << c.what; }

class SectionSharingTable : public ::testing::TestWithParam<SharingCase> {};

TEST_P(SectionSharingTable, RowsInSight) {
    const SharingCase& c = GetParam();
    const std::vector<int> heights = shareSectionHeights(c.available, c.sections);
    ASSERT_EQ(heights.size(), c.sections.size());
    std::vector<int> rows;
    for (size_t s = 0; s < heights.size(); ++s) {
        const SectionNeed& need = c.sections[s];
        rows.push_back(rowsInSight(heights[s], need));
        // A section in sight keeps its strip and never takes more than its rows need.
        EXPECT_EQ(heights[s] == 0, !need.shown) << c.what << ", section " << s;
        if (need.shown)
            EXPECT_LE(heights[s], need.strip + (need.rows > 0 ? need.chrome + need.rows * need.rowHeight : 0))
                << c.what << ", section " << s;
    }
    EXPECT_EQ(rows, c.rows) << c.what;
    const int used = std::accumulate(heights.begin(), heights.end(), 0);
    int strips = 0;
    for (const SectionNeed& need : c.sections)
        strips += need.shown ? need.strip : 0;
    EXPECT_LE(used, std::max(c.available, strips)) << c.what;
}

// 8 strips of 22 = 176; a grid's chrome 24; rows 20.
INSTANTIATE_TEST_SUITE_P(
    SectionSharing, SectionSharingTable,
    ::testing::Values(
        SharingCase{"a section without rows takes only its strip, however much room is left",
                    1000,
                    {withRows(4), emptySection(), withRows(10), notShown()},
                    {4, 0, 10, 0}},
        SharingCase{"short of room, the section in alarm gets its rows before a busier normal one",
                    2 * kStrip + kChrome + 5 * kRow + 10,
                    {withRows(5000), withRows(40, kAlarms)},
                    {0, 5}},
        SharingCase{"alarms come before warnings, however busy the section with warnings",
                    3 * kStrip + (kChrome + 5 * kRow) + (kChrome + 3 * kRow) + 10,
                    {withRows(15000, kWarnings), withRows(900), withRows(7000, kAlarms)},
                    {3, 0, 5}},
        SharingCase{"a large site on a small desk: the section most in need shows five rows, the next "
                    "ones three while they fit, the rest their strips",
                    8 * kStrip + (kChrome + 5 * kRow) + 2 * (kChrome + 3 * kRow) + 10,
                    {withRows(7000, kAlarms), withRows(20000, kAlarms), withRows(9000, kWarnings),
                     withRows(3000, kWarnings), withRows(800, kWarnings), withRows(600), withRows(150), emptySection()},
                    {3, 5, 3, 0, 0, 0, 0, 0}},
        SharingCase{"a section that cannot have its floor takes the whole rows that fit",
                    2 * kStrip + (kChrome + 5 * kRow) + kChrome + 2 * kRow + 5,
                    {withRows(100), withRows(50)},
                    {5, 2}},
        SharingCase{"beyond the floors the room goes by row count",
                    2 * kStrip + 2 * kChrome + 8 * kRow + 33 * kRow,
                    {withRows(1000), withRows(100)},
                    {35, 6}},
        SharingCase{"what a small section leaves goes to the others, shared by their row counts beyond the floors",
                    3 * kStrip + 3 * kChrome + 2 * kRow + 60 * kRow,
                    {withRows(2), withRows(300), withRows(300)},
                    {2, 31, 29}},
        SharingCase{"a find: every section holding matches shows one before the floors, the rest as before",
                    4 * kStrip + 4 * (kChrome + kRow) + 2 * kRow + 5,
                    {found(700, kAlarms), found(9000), found(4), found(12)},
                    {3, 1, 1, 1}},
        SharingCase{"no room even for the strips: strips only, nothing below zero",
                    50,
                    {withRows(10), withRows(10, kWarnings)},
                    {0, 0}}),
    [](const ::testing::TestParamInfo<SharingCase>& info) { return "case" + std::to_string(info.index); });

TEST(SectionSharing, PixelsShortOfARowShowPartOfTheNeediestSectionsNextRowAndTheHeightIsFilled) {
    const std::vector<SectionNeed> sections{withRows(10), withRows(900, kAlarms), emptySection()};
    const int available = 3 * kStrip + 2 * kChrome + 10 * kRow + 17 * kRow + 13;
    const std::vector<int> heights = shareSectionHeights(available, sections);
    EXPECT_EQ(std::accumulate(heights.begin(), heights.end(), 0), available);
    EXPECT_EQ((heights[1] - kStrip - kChrome) % kRow, 13);  // the section in alarm takes the spare pixels
    EXPECT_EQ(heights[2], kStrip);
}

TEST(SectionSharing, EverySectionFitsWhenThereIsRoomForAllItsRows) {
    const std::vector<SectionNeed> sections{withRows(3, kWarnings), withRows(12), withRows(1), emptySection()};
    const std::vector<int> heights = shareSectionHeights(2000, sections);
    EXPECT_EQ(heights, (std::vector<int>{kStrip + kChrome + 3 * kRow, kStrip + kChrome + 12 * kRow,
                                         kStrip + kChrome + kRow, kStrip}));
}

}  // namespace
}  // namespace so::test
