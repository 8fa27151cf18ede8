// Reading stored status texts: well-formed entries come through with their point position, and
// whatever is malformed is described and skipped without shifting the points after it.
#include "domain/SuperStatusText.h"

#include <gtest/gtest.h>

namespace so {
namespace {

std::vector<int> codesOf(const PointStatus& p) { return {p.codes.begin(), p.codes.end()}; }

TEST(SuperStatusText, PointEntriesKeepTheirPositionAroundMalformedOnes) {
    struct Case {
        const char* text;
        int maxEntries;
        std::vector<int> indexes;  // positions of the entries read
        int problems;
    };
    const Case cases[] = {
        {"1,65|x|0#0|y|4#", 8, {0, 1}, 0},
        {"1|a|0#2|b|0#tail without hash", 8, {0, 1}, 0},  // text after the last "#" is no entry
        {"1|a#2|b|0#", 8, {1}, 1},                        // two fields
        {"1|a|0|9#2|b|0#", 8, {1}, 1},                    // four fields
        {"256|a|0#2|b|0#", 8, {1}, 1},                    // code out of range
        {"1,x|a|0#2|b|0#", 8, {1}, 1},                    // code not a number
        {"1|a|mask#2|b|0#", 8, {1}, 1},                   // mask source not a number
        {"1|a|-4#2|b|0#", 8, {1}, 1},                     // negative mask source
        {"|empty codes|0#", 8, {0}, 0},                   // nothing to report is fine
        {"1|a|0#2|b|0#3|c|0#", 2, {0, 1}, 1},             // more entries than points
        {"", 8, {}, 0},
        {"garbage without any separator", 8, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ParsedPointStatus parsed = parsePointStatus(QString::fromUtf8(c.text), c.maxEntries);
        std::vector<int> indexes;
        for (const PointStatus& p : parsed.points)
            indexes.push_back(p.index);
        EXPECT_EQ(indexes, c.indexes);
        EXPECT_EQ(parsed.problems.size(), c.problems);
    }
}

TEST(SuperStatusText, EntryFieldsAreReadAsStored) {
    const ParsedPointStatus parsed = parsePointStatus(u"1,65,67|3|4#0|| 0 #", 8);
    ASSERT_EQ(parsed.points.size(), 2);
    EXPECT_EQ(codesOf(parsed.points[0]), (std::vector<int>{1, 65, 67}));
    EXPECT_EQ(parsed.points[0].value, QStringLiteral("3"));
    EXPECT_EQ(parsed.points[0].maskSource, 4);
    EXPECT_EQ(codesOf(parsed.points[1]), (std::vector<int>{0}));
    EXPECT_TRUE(parsed.points[1].value.isEmpty());
    EXPECT_EQ(parsed.points[1].maskSource, 0);
}

TEST(SuperStatusText, StateCodeListsSkipWhatIsNoCode) {
    QStringList problems;
    const StateCodes codes = parseStateCodes(u"1, 4,x,300,,12", problems);
    EXPECT_EQ(std::vector<int>(codes.begin(), codes.end()), (std::vector<int>{1, 4, 12}));
    EXPECT_EQ(problems.size(), 3);

    problems.clear();
    EXPECT_TRUE(parseStateCodes(u"", problems).isEmpty());
    EXPECT_TRUE(problems.isEmpty());
}

TEST(SuperStatusText, ThreatLevelsBelongToReadersInOrder) {
    QStringList problems;
    const auto levels = parseThreatLevels(u"0|2|5|x|1|0|0|0|0|0|0|0|0|0|0|3", problems);
    ASSERT_EQ(levels.size(), 16);
    EXPECT_EQ(levels[1], 2);
    EXPECT_EQ(levels[2], 5);
    EXPECT_FALSE(levels[3].has_value());
    EXPECT_EQ(levels[15], 3);
    EXPECT_EQ(problems.size(), 1);

    problems.clear();
    const auto tooMany = parseThreatLevels(u"1|1|1|1|1|1|1|1|1|1|1|1|1|1|1|1|9|9", problems);
    EXPECT_EQ(tooMany.size(), 16);  // readers 17 and 18 do not exist
    EXPECT_EQ(problems.size(), 1);
}

}  // namespace
}  // namespace so
