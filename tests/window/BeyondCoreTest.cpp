// The logic under the window's find box, severity markers, recent-change tooltips and export:
// severity read from the rows' conditions, the bounded change rings, CSV that reads back as written,
// and the find text's matching.
#include "window/CsvExport.h"
#include "status/RecentChanges.h"
#include "grid/RowFilter.h"
#include "window/Severity.h"
#include "grid/StatusGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

namespace so::test {
namespace {

const QStringList kKeys = {"Name",    "Address",   "Status",  "Alarm",    "Masked",     "PTamper",
                           "CTamper", "Enclosure", "ACPower", "UPSBattF", "MemoryBatt", "TamperPending"};

StatusGrid makeGrid() {
    StatusGrid g("beyond");
    for (const QString& key : kKeys)
        g.addColumn(key, key + " caption", 0, -1, 60, true);
    g.addRow();
    return g;
}

TEST(SeverityTest, RatesTheRowsConditionsAndSaysWhyInWords) {
    using C = Condition;
    struct Case {
        RowConditions conditions;
        Severity severity;
        const char* words;
    };
    const Case cases[] = {
        {{}, Severity::Normal, ""},
        // Doors: forced while locked, held while unlocked; open while unlocked is passage.
        {C::Alarm | C::DoorNotClosed, Severity::Alarm, "Forced open"},
        {C::Alarm | C::DoorNotClosed | C::RelayNotNormal, Severity::Alarm, "Held open"},
        {C::DoorNotClosed | C::RelayNotNormal, Severity::Warning, "Open, unlocked"},
        {C::DoorNotClosed, Severity::Warning, "Open"},
        {C::RelayNotNormal, Severity::Warning, "Unlocked"},
        {C::Alarm, Severity::Alarm, "In alarm"},
        // A masked point's alarm only warns.
        {C::Alarm | C::Masked, Severity::Warning, "In alarm, masked"},
        {C::Alarm | C::Masked | C::DoorNotClosed, Severity::Warning, "In alarm, masked"},
        {C::Masked, Severity::Warning, "Masked"},
        {C::InputOpen, Severity::Warning, "Open"},
        {C::InputOpen | C::Alarm, Severity::Alarm, "In alarm"},
        // Every tamper is an alarm, the enclosure's of a controller or module included.
        {C::PhysicalTamper, Severity::Alarm, "Tamper"},
        {C::CodeTamper, Severity::Alarm, "Code tamper"},
        {C::EnclosureOpen, Severity::Alarm, "Enclosure tamper"},
        {C::TamperPending, Severity::Alarm, "Tamper pending"},
        {C::RelayForced, Severity::Warning, "Relay forced"},
        // A line cut or bridged defeats its contact: an alarm unless the point is masked on purpose.
        {C::LineOpen, Severity::Alarm, "Line open"},
        {C::LineShort, Severity::Alarm, "Line short"},
        {C::LineOpen | C::Masked, Severity::Warning, "Line open, Masked"},
        {C::LineShort | C::Masked, Severity::Warning, "Line short, Masked"},
        // A line that still reports, badly: a technician's job.
        {C::LineFault, Severity::Warning, "Line fault"},
        {C::LineNoisy, Severity::Warning, "Line noisy"},
        {C::Offline, Severity::Warning, "Off line"},
        {C::PowerFailed, Severity::Warning, "AC power failed"},
        {C::MemoryBatteryFailed, Severity::Warning, "Memory battery failed"},
        {C::UpsBatteryFailed, Severity::Warning, "UPS battery failed"},
        // Several at once: the highest wins, every reason is said, alarms' first.
        {C::PowerFailed | C::EnclosureOpen, Severity::Alarm, "Enclosure tamper, AC power failed"},
        {C::Offline | C::Masked, Severity::Warning, "Masked, Off line"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(severity(c.conditions), c.severity) << c.words;
        EXPECT_EQ(conditionWords(c.conditions), QString::fromLatin1(c.words));
    }
}

TEST(SeverityTest, EveryConditionOnItsOwnIsAbnormal) {
    // A condition no rule names would rate its row normal and keep it out of the attention list.
    for (int bit = 0; bit < 32; ++bit) {
        const auto condition = Condition(quint32(1u << bit));
        const bool known = std::any_of(severityRules().begin(), severityRules().end(), [&](const SeverityRule& rule) {
            return RowConditions(rule.all).any(condition) || RowConditions(rule.none).any(condition);
        });
        if (!known)
            continue;  // not a condition
        EXPECT_NE(severity(condition), Severity::Normal) << "bit " << bit;
        EXPECT_FALSE(conditionWords(condition).isEmpty()) << "bit " << bit;
    }
}

TEST(SeverityTest, ConditionsBelongToTheirColumnAndMoveWithTheRow) {
    StatusGrid g = makeGrid();
    g.setText(1, "Address", "A1");
    g.addConditions(1, Condition::Alarm | Condition::Offline);
    g.setText(1, "Masked", "x");  // another column's write leaves them
    EXPECT_EQ(severity(g, 1), Severity::Alarm);
    g.setText(1, "Alarm", "cleared");  // the Alarm column's write removes its condition only
    EXPECT_EQ(g.conditions(1), RowConditions(Condition::Offline));

    const int second = g.addRow();
    g.setText(second, "Address", "A0");
    g.addConditions(second, Condition::Alarm);
    g.sort(g.columnIndex("Address"), StatusGrid::Ascending);
    EXPECT_EQ(g.conditions(g.findRow("A0")), RowConditions(Condition::Alarm));
    EXPECT_EQ(g.conditions(g.findRow("A1")), RowConditions(Condition::Offline));
    g.removeRow(g.findRow("A0"));
    EXPECT_EQ(severity(g, 1), Severity::Warning);
    EXPECT_EQ(severity(g, g.addRow()), Severity::Normal) << "a new row starts without conditions";
}

TEST(RecentChangesTest, KeepsTheLastTenChangesOfAPointNewestFirst) {
    RecentChanges recent;
    for (int i = 0; i < 25; ++i)
        recent.record("A1", i % 3, QString::number(i), 1000 + i);
    const QVector<RecentChanges::Change> changes = recent.changesOf("A1");
    ASSERT_EQ(changes.size(), RecentChanges::kRingSize);
    for (int i = 0; i < changes.size(); ++i) {
        EXPECT_EQ(changes[i].text, QString::number(24 - i));
        EXPECT_EQ(changes[i].tickMs, 1024 - i);
        EXPECT_EQ(changes[i].column, (24 - i) % 3);
    }
    EXPECT_EQ(recent.lastChangeOf("A1"), 1024);
    EXPECT_EQ(recent.lastChangeOf("B2"), -1);
    EXPECT_TRUE(recent.changesOf("B2").isEmpty());
    EXPECT_EQ(recent.lastChange(), 1024);
}

TEST(RecentChangesTest, TrackedPointsStayBoundedAndTheLongestQuietGoFirst) {
    RecentChanges recent;
    recent.record("busy", 0, "x", 0);
    for (int i = 1; i <= 3 * RecentChanges::kMaxPoints; ++i) {
        recent.record(QStringLiteral("P%1").arg(i), 0, "x", i);
        if (i % 100 == 0)
            recent.record("busy", 0, "y", i);  // keeps changing: never among the oldest
        ASSERT_LE(recent.trackedPoints(), RecentChanges::kMaxPoints);
    }
    EXPECT_FALSE(recent.changesOf("busy").isEmpty());
    EXPECT_TRUE(recent.changesOf("P1").isEmpty());
    EXPECT_EQ(recent.changesOf(QStringLiteral("P%1").arg(3 * RecentChanges::kMaxPoints)).size(), 1);
}

TEST(RecentChangesTest, ARowsSlotIsUsedOnlyWhileItHoldsTheRowsPoint) {
    RecentChanges recent;
    int slotA = -1;
    int slotB = -1;
    recent.record(slotA, "A", 0, "1", 1);
    recent.record(slotB, "B", 0, "2", 2);
    ASSERT_NE(slotA, slotB);
    int handedA = slotA;  // another point's slot: B's change goes to B's ring
    recent.record(handedA, "B", 1, "3", 3);
    EXPECT_EQ(handedA, slotB);
    EXPECT_EQ(recent.changesOf("A").size(), 1);
    EXPECT_EQ(recent.changesOf(slotA, "B").size(), 2);
    recent.clear();  // every slot goes stale
    recent.record(slotA, "C", 0, "4", 4);
    EXPECT_EQ(recent.lastChangeOf(slotB, "B"), -1);
    EXPECT_EQ(recent.changesOf("C").size(), 1);
}

TEST(RecentChangesTest, AReportsChangesShareOneTick) {
    RecentChanges recent;
    qint64 first = 0;
    {
        const RecentChanges::Report report(recent);
        first = recent.stamp();
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        EXPECT_EQ(recent.stamp(), first);
    }
    EXPECT_GT(recent.stamp(), first);
}

TEST(RecentChangesTest, AKeptGenerationHoldsOnlyWhileTheSlotHoldsThePointsRing) {
    RecentChanges recent;
    int slot = -1;
    recent.record(slot, "A", 0, "1", 1);
    const std::uint32_t kept = recent.generation(slot);
    ASSERT_TRUE(recent.isCurrent(slot, kept));
    recent.recordAt(slot, 1, "2", 2);
    EXPECT_EQ(recent.changesOf("A").size(), 2);
    EXPECT_EQ(recent.lastChangeAt(slot), 2);

    // A is the quietest point: dropped, and its slot given to another.
    for (int i = 0; i < RecentChanges::kMaxPoints; ++i)
        recent.record(QStringLiteral("P%1").arg(i), 0, "x", 10 + i);
    EXPECT_FALSE(recent.isCurrent(slot, kept));
    EXPECT_EQ(recent.lastChangeOf("A"), -1);
    int other = -1;
    recent.record(other, "P7", 0, "y", 99999);
    const std::uint32_t otherKept = recent.generation(other);
    EXPECT_FALSE(recent.isCurrent(slot, otherKept)) << "another slot's generation";
    recent.clear();
    EXPECT_FALSE(recent.isCurrent(other, otherKept));
}

TEST(RecentChangesTest, FindsEveryTrackedPointByItsAddressThroughEvictions) {
    // A few busy points and a stream of new ones, four times the bound: whatever the store still
    // tracks is found by its address with its own last change, and no recent point is lost.
    RecentChanges recent;
    std::mt19937 random(15);
    QHash<QString, qint64> last;
    const int ticks = 4 * RecentChanges::kMaxPoints;
    for (int tick = 1; tick <= ticks; ++tick) {
        const int point = random() % 4 == 0 ? int(random() % 64) : 64 + tick;
        const QString address = QStringLiteral("P%1").arg(point);
        recent.record(address, point % 5, "x", tick);
        last[address] = tick;
    }
    int found = 0;
    for (auto it = last.cbegin(); it != last.cend(); ++it) {
        const qint64 kept = recent.lastChangeOf(it.key());
        if (kept < 0) {
            EXPECT_LT(it.value(), ticks - RecentChanges::kMaxPoints / 2) << it.key().toStdString();
            continue;
        }
        EXPECT_EQ(kept, it.value()) << it.key().toStdString();
        ++found;
    }
    EXPECT_EQ(found, recent.trackedPoints());
}

/// Reads RFC 4180 text back into rows of fields.
QVector<QStringList> parseCsv(const QString& text) {
    QVector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += '"', ++i;
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row << field, field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            row << field, field.clear();
            rows << row, row.clear();
            ++i;
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(field.isEmpty() && row.isEmpty()) << "text does not end with a line end";
    return rows;
}

TEST(CsvExportTest, NamesWithCommasQuotesAndLineBreaksReadBackUnchanged) {
    StatusGrid g("doors");
    g.addColumn("Name", "Door, name", 0, -1, 60, true);
    g.addColumn("Address", "Address", 0, -1, 60, false);  // hidden: not exported
    g.addColumn("Status", "State \"now\"", 0, -1, 60, true);
    const QStringList names = {"Plain", "Gate, north", "The \"back\" door", "Two\nlines", "CR\r\nLF", "Zürich ✓", ""};
    QVector<int> rows;
    for (const QString& name : names) {
        const int row = g.addRow();
        g.setText(row, "Name", name);
        g.setText(row, "Address", "hidden");
        g.setText(row, "Status", "ok");
        rows << row;
    }
    const QString csv = toCsv(exportTable(g, rows));
    EXPECT_FALSE(csv.contains("hidden"));
    const QVector<QStringList> back = parseCsv(QString::fromUtf8(csv.toUtf8()));
    ASSERT_EQ(back.size(), names.size() + 1);
    EXPECT_EQ(back[0], QStringList({"Door, name", "State \"now\""}));
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(back[i + 1], QStringList({names[i], "ok"})) << i;

    // Tab-separated copy: one line per row, tabs inside a field quoted.
    StatusGrid t("t");
    t.addColumn("Name", "Name", 0, -1, 60, true);
    t.addColumn("Status", "Status", 0, -1, 60, true);
    const int row = t.addRow();
    t.setText(row, "Name", "a\tb");
    t.setText(row, "Status", "x,y");
    EXPECT_EQ(toTabSeparated(exportTable(t, {row})), QString("\"a\tb\"\tx,y\r\n"));
}

TEST(CsvExportTest, AWholeWindowIsOneTitledBlockPerSection) {
    ExportTable doors{"Doors", {"Name"}, {{"D1"}}};
    ExportTable inputs{"Inputs, all", {"Name", "Status"}, {{"I1", "ok"}, {"I2", "open"}}};
    const QVector<QStringList> back = parseCsv(toCsv(QVector<ExportTable>{doors, inputs}));
    const QVector<QStringList> expected = {{"Doors"},       {"Name"},           {"D1"},       {""},
                                           {"Inputs, all"}, {"Name", "Status"}, {"I1", "ok"}, {"I2", "open"}};
    EXPECT_EQ(back, expected);
}

TEST(RowFilterTest, MatchesNameOrAddressIgnoringCase) {
    StatusGrid g("f");
    g.addColumn("Name", "Name", 0, -1, 60, true);
    g.addColumn("Address", "Address", 0, -1, 60, true);
    g.addColumn("Status", "Status", 0, -1, 60, true);
    const int row = g.addRow();
    g.setText(row, "Name", "Main Entrance");
    g.setText(row, "Address", "00:01:02BI03");
    g.setText(row, "Status", "Alarm");
    struct Case {
        QString needle;
        bool matches;
    };
    for (const Case& c : QVector<Case>{{"", true},
                                       {"entr", true},
                                       {"MAIN ENTRANCE", true},
                                       {"bi03", true},
                                       {"01:02", true},
                                       {"alarm", false},  // other columns are not searched
                                       {"exit", false}})
        EXPECT_EQ(rowMatchesFilter(g, row, c.needle), c.matches) << c.needle.toStdString();

    StatusGrid noName("n");
    noName.addColumn("Address", "Address", 0, -1, 60, true);
    noName.setText(noName.addRow(), "Address", "X7");
    EXPECT_TRUE(rowMatchesFilter(noName, 1, "x7"));
    EXPECT_FALSE(rowMatchesFilter(noName, 1, "y"));
}

TEST(RowFilterTest, AbnormalOnlyAndFindTogetherAndTheCountsOfTheRowsInSight) {
    StatusGrid g("f");
    g.addColumn("Name", "Name", 0, -1, 60, true);
    g.addColumn("Address", "Address", 0, -1, 60, true);
    g.setText(g.addRow(), "Name", "Gate North");
    RowFilter filter{"north", true};
    EXPECT_FALSE(filter.shows(g, 1, Severity::Normal)) << "normal rows hide under Abnormal only";
    EXPECT_TRUE(filter.shows(g, 1, Severity::Warning));
    filter.text = "south";
    EXPECT_FALSE(filter.shows(g, 1, Severity::Alarm)) << "the find text still applies";

    SectionCounts counts;
    const std::pair<bool, Severity> rows[] = {{true, Severity::Alarm},
                                              {true, Severity::Warning},
                                              {true, Severity::Warning},
                                              {false, Severity::Alarm},
                                              {true, Severity::Normal}};
    for (const auto& [inSight, severity] : rows)
        counts.add(inSight, severity);
    EXPECT_EQ(counts, (SectionCounts{5, 4, 1, 2})) << "a hidden alarm is not counted";
}

}  // namespace
}  // namespace so::test
