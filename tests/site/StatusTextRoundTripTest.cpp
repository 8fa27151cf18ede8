// The stored status texts between the site's writer and reader (the demo site, the simulated field)
// and the component's reader: every status type read back alike by both and written again byte
// for byte, on texts of every kind of point and on every row a generated demo site stores.
#include "SiteTestSupport.h"

#include "domain/SuperStatusText.h"
#include "site/SiteStatusText.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace so::db;
using namespace so::db::test;

namespace {

/// What the component reads of a per-point text, in the writer's terms.
QVector<StatusEntry> componentEntries(const QString& text, int maxEntries, QStringList& problems) {
    const so::ParsedPointStatus parsed = so::parsePointStatus(text, maxEntries);
    problems << parsed.problems;
    QVector<StatusEntry> entries;
    for (const so::PointStatus& point : parsed.points) {
        StatusEntry entry;
        for (quint8 code : point.codes)
            entry.codes.append(code);
        entry.value = point.value;
        entry.maskSource = quint32(point.maskSource);
        entries.append(entry);
    }
    return entries;
}

/// Reads a stored text of a status type as the component does and writes it again as the site
/// does; any problem the reader reports is added to problems.
QString readAndWriteAgain(int statusType, const QString& text, QStringList& problems) {
    switch (statusType) {
    case StatusThreatLevels: {
        QVector<int> levels;
        for (const std::optional<qint32>& level : so::parseThreatLevels(text, problems))
            levels.append(level.value_or(-1));
        if (levels != splitThreatLevels(text))
            problems << QStringLiteral("the component and the site read \"%1\" apart").arg(text);
        return joinThreatLevels(levels);
    }
    case StatusControllerCodes:
    case StatusPort:
    case StatusPylon: {
        QVector<int> codes;
        for (quint8 code : so::parseStateCodes(text, problems))
            codes.append(code);
        if (codes != splitCodes(text))
            problems << QStringLiteral("the component and the site read \"%1\" apart").arg(text);
        return joinCodes(codes);
    }
    case StatusController:
    case StatusControllerLink: return joinStatusEntries(componentEntries(text, 1, problems));
    default: {
        const std::optional<StatusPointRange> range = statusPointRange(statusType);
        if (!range) {
            problems << QStringLiteral("type %1 has no layout").arg(statusType);
            return {};
        }
        const QVector<StatusEntry> entries = componentEntries(text, range->count(), problems);
        if (entries != splitStatusEntries(text))
            problems << QStringLiteral("the component and the site read \"%1\" apart").arg(text);
        return joinStatusEntries(entries);
    }
    }
}

TEST(StatusTextRoundTrip, EveryKindOfPointReadsBackAndWritesAgainUnchanged) {
    const struct {
        int type;
        QString text;
    } cases[] = {
        {StatusRelays, joinStatusEntries({{{1}, "", 0}, {{0, 70}, "", 0}})},
        {StatusExpRelays, joinStatusEntries(QVector<StatusEntry>(64, {{0}, "", 0}))},
        {StatusReaders, joinStatusEntries({{{1, 2}, "", 0}, {{0, 5}, "", 0}})},
        {StatusInputs, joinStatusEntries({{{1, 65, 67}, "4", 4}, {{0, 66, 68}, "0", 0}, {{200}, "", 0}})},
        {StatusExpInputs1to8, joinStatusEntries({{{2, 66, 67}, "1", 1}})},
        {StatusExpInputs9to16, joinStatusEntries({{{0, 66, 68}, "0", 0}, {{}, "", 0}})},
        {StatusExpInputs17to24, joinStatusEntries({{{7, 65, 68}, "0", 0}})},
        {StatusExpInputs25to32, joinStatusEntries({{{3, 66, 67}, "64", 64}})},
        {StatusInputVoltages, joinStatusEntries({{{1}, "12.5V", 0}})},
        {StatusExpVoltages1to16, joinStatusEntries({{{1}, "11.9V", 0}, {{0}, "", 0}})},
        {StatusExpVoltages17to32, joinStatusEntries({{{1}, "0.0V", 0}})},
        {StatusController, joinStatusEntries({{{1, 2, 4, 14, 22, 30}, "", 0}})},
        {StatusControllerLink, joinStatusEntries({{{1}, "", 0}})},
        {StatusThreatLevels, joinThreatLevels({0, 3, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1})},
        {StatusControllerCodes, joinCodes({1, 3, 5, 15, 31})},
        {StatusPort, joinCodes({1})},
        {StatusPylon, joinCodes({0})},
    };
    for (const auto& c : cases) {
        QStringList problems;
        EXPECT_EQ(readAndWriteAgain(c.type, c.text, problems), c.text) << "type " << c.type;
        EXPECT_TRUE(problems.isEmpty()) << "type " << c.type << ": " << problems.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(StatusTextRoundTrip, EveryStoredRowOfADemoSiteReadsBackAsStored) {
    const auto site = memorySite();
    DemoSiteOptions options;
    options.points = 3000;
    generateDemoSite(*site, options);
    QSet<int> types;
    int rows = 0;
    for (Recordset rs = site->query(QStringLiteral("SELECT StatusType, Status FROM SuperStatus")); !rs.eof();
         rs.moveNext(), ++rows) {
        const int type = rs.field(0).toInt();
        const QString text = rs.field(1).toString();
        types.insert(type);
        QStringList problems;
        ASSERT_EQ(readAndWriteAgain(type, text, problems), text) << "type " << type;
        ASSERT_TRUE(problems.isEmpty()) << "type " << type << ": " << problems.join(QLatin1Char(' ')).toStdString();
    }
    EXPECT_GT(rows, 0);
    for (int type : controllerStatusTypes())
        EXPECT_TRUE(types.contains(type)) << "the demo site stores no row of type " << type;
    EXPECT_TRUE(types.contains(StatusPort));
    EXPECT_TRUE(types.contains(StatusPylon));
}

}  // namespace
