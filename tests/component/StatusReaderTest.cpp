// What a host without widgets reads through StatusReader (the web desk's view of a component):
// the sections as the window shows them, rows in a range under find and "Abnormal only" with the
// rows' own severity and reasons, the attention list, a row's menu, and the change callback.
#include "component/ComponentFixture.h"
#include "component/StatusInternals.h"
#include "domain/RowConditions.h"
#include "grid/ColumnLayout.h"
#include "window/Severity.h"
#include "support/ClockStep.h"
#include "support/EventLoop.h"

#include <statusobject/StatusReader.h>

namespace so::test {
namespace {

using Reader = StatusReader;

class StatusReaderTest : public ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        status->Show();
        reader = std::make_unique<Reader>(*status);
        // A section with two normal rows: the rows this test marks (the demo site's own states
        // leave others abnormal).
        for (int s = 0; s < Reader::kSectionCount && section < 0; ++s) {
            QVector<int> normal;
            for (int row = 1; row <= grid(s).rowCount(); ++row)
                if (severity(grid(s), row) == Severity::Normal && grid(s).rowCount() >= 3)
                    normal << row;
            if (normal.size() >= 2) {
                section = s;
                first = normal[0];
                second = normal[1];
            }
        }
        ASSERT_GE(section, 0);
        // Single conditions the section's columns speak for (a write of the column clears them)
        // that make an alarm and a warning.
        RowConditions shown;
        for (int c = 0; c < grid(section).columnCount(); ++c)
            shown = shown | grid(section).column(c).shows;
        for (int bit = 0; bit < 32; ++bit) {
            const RowConditions one{Condition(quint32(1u << bit))};
            if (!shown.any(one))
                continue;
            if (severity(one) == Severity::Alarm && alarm == RowConditions())
                alarm = one;
            if (severity(one) == Severity::Warning && warning == RowConditions())
                warning = one;
        }
        ASSERT_NE(alarm, RowConditions());
        ASSERT_NE(warning, RowConditions());
    }
    /// Records conditions on a row as a writer does: every column that speaks for a condition
    /// rewritten (which drops the conditions it had), then the new ones.
    void mark(int row, RowConditions conditions) {
        StatusGrid& g = grid(section);
        ++writes;
        for (int c = 0; c < g.columnCount(); ++c)
            if (g.column(c).shows != RowConditions())
                g.setText(row, c, QStringLiteral("changed %1").arg(writes));
        g.addConditions(row, conditions);
    }
    /// The section's counts as the reader gives them.
    Reader::Counts counts(const Reader::Filter& filter = {}) { return reader->counts(section, filter); }

    std::unique_ptr<Reader> reader;
    int section = -1;
    int first = 0;
    int second = 0;
    RowConditions alarm;
    RowConditions warning;
    int writes = 0;
};

TEST_F(StatusReaderTest, SectionsRowsAndCountsAreTheWindowsOwn) {
    const QVector<Reader::SectionInfo> sections = reader->sections();
    ASSERT_EQ(sections.size(), 8);
    for (const Reader::SectionInfo& info : sections)
        EXPECT_EQ(info.title, StatusWindow::sectionName(Section(info.section)));
    EXPECT_TRUE(sections[section].used);
    StatusGrid& g = grid(section);
    int visible = 0;
    for (int c = 0; c < g.columnCount(); ++c)
        visible += g.column(c).visible ? 1 : 0;
    EXPECT_EQ(sections[section].columns.size(), visible);

    const Reader::Counts before = counts();
    const Reader::Counts abnormalBefore = counts({{}, true});
    mark(first, alarm);
    mark(second, warning);
    const QString address = g.text(first, g.columnIndex(col::Address));
    window().board().recentChanges().record(address, g.columnIndex(col::Name), QStringLiteral("changed"));
    const Reader::Rows range = reader->rows(section, {}, first - 1, 2);
    EXPECT_EQ(range.total, g.rowCount());
    ASSERT_EQ(range.rows.size(), 2);
    EXPECT_EQ(range.rows[0].key, g.rowKey(first)) << "ranges count from 0";
    EXPECT_EQ(range.rows[0].severity, Reader::Severity::Alarm);
    EXPECT_EQ(range.rows[0].reason, conditionWords(g.conditions(first)));
    EXPECT_FALSE(range.rows[0].reason.isEmpty());
    EXPECT_EQ(range.rows[0].cells.size(), visible);
    EXPECT_EQ(range.rows[0].cells[0], g.text(first, 0));
    EXPECT_TRUE(range.rows[0].recent) << "it changed a moment ago";
    EXPECT_EQ(reader->rows(section, {}, second - 1, 1).rows.value(0).severity, Reader::Severity::Warning);

    struct Case {
        const char* what;
        Reader::Filter filter;
        int shown;
        int alarms;
        int warnings;
    };
    const QString name = g.text(first, g.columnIndex(col::Name));
    const Case cases[] = {
        {"no filter", {}, before.shown, before.alarms + 1, before.warnings + 1},
        {"abnormal only", {{}, true}, abnormalBefore.shown + 2, before.alarms + 1, before.warnings + 1},
        {"find nothing", {QStringLiteral("no point is named like this"), false}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const Reader::Counts now = counts(c.filter);
        EXPECT_EQ(now.rows, g.rowCount()) << c.what;
        EXPECT_EQ(now.shown, c.shown) << c.what;
        EXPECT_EQ(now.alarms, c.alarms) << c.what;
        EXPECT_EQ(now.warnings, c.warnings) << c.what;
        EXPECT_EQ(reader->rows(section, c.filter, 0, 100000).total, now.shown) << c.what;
    }
    const Reader::Counts found = counts({name.toUpper(), false});
    EXPECT_GE(found.shown, 1) << "find ignores letter case";
    EXPECT_GE(found.alarms, 1);
    const Reader::Rows abnormal = reader->rows(section, {{}, true}, 0, 100000);
    EXPECT_EQ(abnormal.rows.size(), abnormal.total);
    for (const Reader::Row& row : abnormal.rows)
        EXPECT_NE(row.severity, Reader::Severity::Normal);
    EXPECT_TRUE(reader->rows(section, {}, g.rowCount(), 10).rows.isEmpty());
    EXPECT_TRUE(reader->rows(-1, {}, 0, 10).rows.isEmpty());
    EXPECT_EQ(reader->counts(8, {}).rows, 0);
}

TEST_F(StatusReaderTest, RowsSortByAShownColumnEitherWayAndEqualTextsKeepTheWindowsOrder) {
    StatusGrid& g = grid(section);
    ASSERT_GE(g.rowCount(), 4);
    const int nameColumn = g.columnIndex(col::Name);
    const int shownName = int(reader->sections()[section].columns.indexOf(g.column(nameColumn).caption));
    ASSERT_GE(shownName, 0);
    const char* names[] = {"zz Beta", "zz alpha", "zz Gamma", "zz ALPHA"};
    for (int row = 1; row <= 4; ++row)
        g.setText(row, nameColumn, QString::fromLatin1(names[row - 1]));
    const auto order = [&](int column, bool descending, int first = 0, int count = 10) {
        Reader::Filter filter{QStringLiteral("zz "), false, column, descending};
        QStringList shown;
        const Reader::Rows rows = reader->rows(section, filter, first, count);
        EXPECT_EQ(rows.total, 4);
        for (const Reader::Row& row : rows.rows)
            shown << row.cells[shownName];
        return shown;
    };
    EXPECT_EQ(order(shownName, false), (QStringList{"zz alpha", "zz ALPHA", "zz Beta", "zz Gamma"}));
    EXPECT_EQ(order(shownName, true), (QStringList{"zz Gamma", "zz Beta", "zz alpha", "zz ALPHA"}));
    EXPECT_EQ(order(shownName, true, 1, 2), (QStringList{"zz Beta", "zz alpha"})) << "a range of the sorted rows";
    EXPECT_EQ(order(-1, false), (QStringList{"zz Beta", "zz alpha", "zz Gamma", "zz ALPHA"}));
    EXPECT_EQ(order(99, true), (QStringList{"zz Beta", "zz alpha", "zz Gamma", "zz ALPHA"})) << "no such column";
}

TEST_F(StatusReaderTest, ChangesAreToldAndTheAttentionListIsTheWindows) {
    int told = 0;
    reader->setChangeCallback([&] { ++told; });
    window().attentionTimer().timeout({});
    const int listed = int(reader->attention().size());
    mark(first, alarm);
    EXPECT_GT(told, 0);
    const int beforeTick = told;
    window().attentionTimer().timeout({});
    EXPECT_GT(told, beforeTick) << "the list's sync is told too";
    const QVector<Reader::AttentionItem> items = reader->attention();
    ASSERT_EQ(items.size(), listed + 1);
    EXPECT_EQ(items[0].section, section) << "a new alarm comes first";
    EXPECT_EQ(items[0].key, grid(section).rowKey(first));
    EXPECT_EQ(items[0].severity, Reader::Severity::Alarm);
    EXPECT_EQ(items[0].name, grid(section).text(first, grid(section).columnIndex(col::Name)));
    EXPECT_EQ(items[0].kind, StatusWindow::sectionName(Section(section)));
    EXPECT_FALSE(items[0].cleared);
    EXPECT_EQ(reader->attentionCount(), listed + 1);
    const QVector<Reader::AttentionItem> head = reader->attention(1);
    ASSERT_EQ(head.size(), 1) << "a bounded read takes the list's first entries";
    EXPECT_EQ(head[0].key, items[0].key);
    EXPECT_EQ(head[0].section, items[0].section);

    // Back to normal unacknowledged: listed below the live entries until acknowledged.
    mark(first, {});
    window().attentionTimer().timeout({});
    const QVector<Reader::AttentionItem> after = reader->attention();
    ASSERT_EQ(after.size(), listed + 1);
    EXPECT_TRUE(after.back().cleared);
    EXPECT_EQ(after.back().key, items[0].key);
    EXPECT_FALSE(reader->clearCleared()) << "a cleared alarm waits for its acknowledgement";
    EXPECT_EQ(reader->attention().size(), listed + 1);

    // A reader gone leaves the grids as they were: a later change calls nobody.
    reader.reset();
    mark(second, warning);
}

/// A site loaded for the first time, its stored reports all from long ago.
class StoredSinceTest : public ComponentTest {};

TEST_F(StoredSinceTest, APointAbnormalSinceLongBeforeTheLoadIsListedAndJournaledAtItsStoredTime) {
    const QDateTime longAgo(QDate(2024, 3, 5), QTime(18, 47, 2));
    for (const char* table : {"SuperStatus", "ServerPorts", "Pylons"}) {
        db::Command stamp(*db, QStringLiteral("UPDATE %1 SET LastUpdated = ?").arg(QLatin1String(table)));
        stamp.appendParameter(QStringLiteral("@LastUpdated"), db::ParamType::DateTime, db::ParamDirection::Input, 0,
                              longAgo);
        stamp.execute();
    }
    status->Show();
    chooseGroup(site.siteGroupId);
    Reader reader(*status);
    window().attentionTimer().timeout({});
    // The newer line's tables keep no time of their points' states: those read as the load's.
    QString alarm;
    int classic = 0;
    for (const Reader::AttentionItem& item : reader.attention())
        if (!item.address.startsWith(QStringLiteral("\\\\ZRII"))) {
            ++classic;
            EXPECT_EQ(item.since, QStringLiteral("2024-03-05 18:47:02")) << item.address.toStdString();
            if (item.severity == Reader::Severity::Alarm && alarm.isEmpty())
                alarm = item.address;
        }
    EXPECT_GT(classic, 0);
    ASSERT_FALSE(alarm.isEmpty()) << "the demo site stores no classic point in alarm";
    const auto raisedStep = [&] {
        for (const Reader::JournalRow& row : reader.journal(alarm, {}, {}, {}, 10))
            if (row.event == QStringLiteral("raised"))
                return row.raised;
        return QString();
    };
    ASSERT_TRUE(runEventsUntil(
        20000, [&] { return !raisedStep().isEmpty(); }, [&] { window().attentionTimer().timeout({}); }));
    EXPECT_EQ(raisedStep(), QStringLiteral("2024-03-05 18:47:02"));
}

using StatusReaderClockStep = StatusReaderTest;

TEST_F(StatusReaderClockStep, AnAlarmAfterTheClockWentBackAnHourStillComesFirst) {
    SKIP_UNLESS_CLOCK_STEPS();
    ClockStep clock;
    window().attentionTimer().timeout({});
    mark(first, alarm);
    window().attentionTimer().timeout({});
    clock.step("-1h", -3600 * 1000);
    mark(second, alarm);
    window().attentionTimer().timeout({});
    const QVector<Reader::AttentionItem> items = reader->attention(2);
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].key, grid(section).rowKey(second)) << "the newest first";
    EXPECT_EQ(items[1].key, grid(section).rowKey(first));
}

TEST_F(StatusReaderTest, ARowsMenuAndItsCommandsGoThroughTheWindowsMenu) {
    const int key = grid(section).rowKey(first);
    const QVector<Reader::MenuItem> items = reader->menu(section, key);
    ASSERT_FALSE(items.isEmpty());
    for (const Reader::MenuItem& item : items) {
        EXPECT_FALSE(item.text.contains(QLatin1Char('&'))) << item.text.toStdString();
        EXPECT_FALSE(item.text.contains(QStringLiteral("Properties"))) << "windows the host would open";
        EXPECT_EQ(item.enabled, item.whyDisabled.isEmpty()) << item.text.toStdString();
    }
    EXPECT_TRUE(reader->menu(section, 1 << 20).isEmpty());
    EXPECT_EQ(reader->invoke(section, 1 << 20, items[0].id), Reader::CommandResult::NoSuchRow);
    for (const char* bad : {"", "x", "1.", "99.0", "0.9999", "-1.0", "0.1.2"})
        EXPECT_EQ(reader->invoke(section, key, QString::fromLatin1(bad)), Reader::CommandResult::NoSuchEntry) << bad;
}

}  // namespace
}  // namespace so::test
