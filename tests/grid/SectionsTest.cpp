#include "support/FakeDialogs.h"
#include "support/FakeHost.h"

#include "base/ComponentContext.h"
#include "grid/ColumnLayout.h"
#include "grid/Sections.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace so::test {
namespace {

class SectionsTest : public ::testing::Test {
protected:
    SectionsTest() {
        ctx.parent = &host;
        ctx.ntConnection = &host;
        ctx.dialogs = &dialogs;
        ctx.errorLog.setFolder(logDir.path());
        for (QString& text : layouts)
            text = kUseObjectDefault;
    }

    QStringList keys(int section) {
        QStringList out;
        const StatusGrid& grid = sections.grid(section);
        for (int c = 0; c < grid.columnCount(); ++c)
            out << grid.column(c).key;
        return out;
    }

    QTemporaryDir logDir;
    FakeHost host;
    FakeDialogs dialogs;
    ComponentContext ctx;
    Sections sections{ctx};
    QString layouts[kSectionCount];
};

TEST_F(SectionsTest, DefaultColumnsInTableOrder) {
    int maskedFills = 0;
    sections.InitColumnHeaders(layouts, [&] { ++maskedFills; });
    EXPECT_EQ(maskedFills, 1);
    EXPECT_EQ(keys(0),
              (QStringList{"Name", "Address", "Status", "Alarm", "Masked", "Enabled", "Input1", "Input2", "Input3",
                           "LM Type", "Voltage", "Relay Status", "Relay Details", "2PR", "LastUpdated", "NotUsed"}));
    EXPECT_EQ(keys(5), (QStringList{"Name", "Address", "Enabled", "Rev", "LastUpdated", "NotUsed"}));
    EXPECT_EQ(keys(7), (QStringList{"Name", "Address", "Status", "Enclosure", "LastUpdated", "NotUsed"}));
    const StatusGrid& doors = sections.grid(0);
    EXPECT_EQ(doors.column(0).caption, R(1386));
    EXPECT_EQ(doors.column(0).width, 85);
    EXPECT_EQ(doors.column(12).caption, QStringLiteral("R Details"));
    EXPECT_FALSE(doors.column(15).visible);
    EXPECT_EQ(doors.column(15).caption, QStringLiteral("Data"));
    EXPECT_EQ(sections.grid(7).column(0).caption, QStringLiteral("Module Name"));
    EXPECT_EQ(sections.grid(3).column(3).caption, QStringLiteral("Threat Level"));
    for (int s = 0; s < kSectionCount; ++s) {
        EXPECT_EQ(keys(s).last(), QStringLiteral("NotUsed")) << s;
        EXPECT_GE(sections.grid(s).columnIndex(col::Address), 0) << s;
    }
    const StatusGrid& masked = sections.masked();
    ASSERT_EQ(masked.columnCount(), 4);
    EXPECT_EQ(masked.column(0).caption, R(2998));
    EXPECT_EQ(masked.column(2).caption, QStringLiteral("Reason Masked"));
    EXPECT_EQ(masked.column(2).width, 500);
}

TEST_F(SectionsTest, EmptyLayoutTextMeansTheDefaults) {
    for (QString& text : layouts)
        text.clear();
    sections.InitColumnHeaders(layouts);
    for (int s = 0; s < kSectionCount; ++s)
        EXPECT_EQ(sections.grid(s).columnCount(), int(defaultColumns(ctx, Section(s)).size())) << s;
}

TEST_F(SectionsTest, CustomLayoutTakesPositionsInOrderAndSkipsGaps) {
    // Entries stored out of order; positions 1, 2 and 4 of three entries: 4 is never added.
    layouts[1] = QStringLiteral("Address][Where][2][140][True,Status][State][4][127][True,Name][Input][1][90][False");
    // A position no entry holds adds nothing; later entries still come in order.
    layouts[2] = QStringLiteral("Name][N][1][10][True,Status][S][3][30][1,Address][A][4][40][0,Spare][X][9][1][True");
    sections.InitColumnHeaders(layouts);
    EXPECT_EQ(keys(1).mid(0, 2), (QStringList{"Name", "Address"}));
    EXPECT_EQ(sections.grid(1).column(0).caption, QStringLiteral("Input"));
    EXPECT_FALSE(sections.grid(1).column(0).visible);
    EXPECT_EQ(sections.grid(1).column(1).width, 140);
    EXPECT_EQ(keys(2).mid(0, 3), (QStringList{"Name", "Status", "Address"}));
    EXPECT_TRUE(sections.grid(2).column(1).visible);
    EXPECT_FALSE(sections.grid(2).column(2).visible);
}

TEST_F(SectionsTest, DefaultColumnsALayoutLacksAreAddedHiddenSoEveryWriterFindsItsCell) {
    // Older or hand-edited layouts: without the state columns, without LastUpdated.
    layouts[0] = QStringLiteral("Name][Door][1][85][True,Address][A][2][129][True");
    layouts[3] = QStringLiteral("Address][A][1][100][True,Status][S][2][60][False,Name][N][3][90][True");
    sections.InitColumnHeaders(layouts);
    for (const int s : {0, 3}) {
        SCOPED_TRACE(s);
        const StatusGrid& grid = sections.grid(s);
        QStringList expected;
        for (const ColumnSpec& c : defaultColumns(ctx, Section(s)))
            expected << c.key;
        QStringList present = keys(s);
        present.sort();
        expected.sort();
        EXPECT_EQ(present, expected);
        // The layout's own columns come first as stored; every added one is hidden.
        const int own = s == 0 ? 2 : 3;
        EXPECT_EQ(grid.column(0).key, s == 0 ? col::Name : col::Address);
        for (int c = own; c < grid.columnCount(); ++c)
            EXPECT_FALSE(grid.column(c).visible) << grid.column(c).key.toStdString();
    }
    EXPECT_FALSE(sections.grid(3).column(1).visible) << "a column the layout hides stays hidden";
    EXPECT_TRUE(sections.layoutLoaded(Section::Doors));
}

TEST_F(SectionsTest, ModuleLayoutRule) {
    const QString stale =
        QStringLiteral("Name][XInput Name][1][90][True,Address][A][2][100][True,Enclosure][E][3][60][True");
    const QString withoutEnclosure = QStringLiteral("Name][M][1][90][True,Address][A][2][100][True");
    const QString current = QStringLiteral("Address][A][1][100][True,Enclosure][E][2][60][True");
    layouts[7] = stale;
    sections.InitColumnHeaders(layouts);
    EXPECT_EQ(sections.grid(7).columnCount(), 6);
    layouts[7] = withoutEnclosure;
    sections.InitColumnHeaders(layouts);
    EXPECT_EQ(sections.grid(7).columnCount(), 6);
    layouts[7] = current;
    sections.InitColumnHeaders(layouts);
    EXPECT_EQ(keys(7).mid(0, 2), (QStringList{"Address", "Enclosure"}));
    EXPECT_FALSE(sections.grid(7).column(2).visible);
    // The rule is the modules' own: another section takes the same texts as they are.
    layouts[4] = withoutEnclosure;
    sections.InitColumnHeaders(layouts);
    EXPECT_EQ(keys(4).mid(0, 2), (QStringList{"Name", "Address"}));
    EXPECT_FALSE(sections.grid(4).column(2).visible);
}

TEST_F(SectionsTest, ABadLayoutGivesItsSectionTheDefaultsAndLeavesTheOthersAlone) {
    const QString bad[] = {
        QStringLiteral("Name][N][1][85][True,Address][A][2][wide][True"),  // width not a number
        QStringLiteral("Name][N][1][85][True,Address][A][2][129][Yes"),    // visible flag
        QStringLiteral("Name][N][1][85][True,Address][A][2]"),             // fields missing
        QStringLiteral("Name][N][1][85][True,Name][N2][2][85][True"),      // one key twice
    };
    const QString custom = QStringLiteral("Address][A][1][100][True,Name][N][2][90][True");
    layouts[5] = custom;
    for (const QString& text : bad) {
        for (const int badSection : {0, 2, 6}) {
            SCOPED_TRACE(text.toStdString() + " in section " + std::to_string(badSection));
            host.loggedErrors.clear();
            layouts[badSection] = text;
            int maskedFills = 0;
            sections.InitColumnHeaders(layouts, [&] { ++maskedFills; });
            for (int s = 0; s < kSectionCount; ++s) {
                EXPECT_EQ(sections.layoutLoaded(Section(s)), s != badSection) << s;
                if (s != 5)
                    EXPECT_EQ(sections.grid(s).columnCount(), int(defaultColumns(ctx, Section(s)).size())) << s;
            }
            EXPECT_EQ(keys(5).mid(0, 2), (QStringList{"Address", "Name"}));
            EXPECT_EQ(sections.masked().columnCount(), 4);
            EXPECT_EQ(maskedFills, 1);
            ASSERT_EQ(host.loggedErrors.size(), 1);
            EXPECT_TRUE(host.loggedErrors[0].startsWith(QStringLiteral("Status: InitColumnHeaders")));
            layouts[badSection] = kUseObjectDefault;
        }
    }
}

TEST_F(SectionsTest, LayoutTextRoundTrip) {
    sections.InitColumnHeaders(layouts);
    StatusGrid& doors = sections.grid(0);
    doors.moveColumn(3, 0);
    doors.column(1).width = 200;
    doors.column(2).visible = false;
    const QString text = buildLayoutText(doors);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Alarm][") + R(1389) + QStringLiteral("][1][47][True,")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("NotUsed][Data][16][0][False")));

    StatusGrid copy;
    addLayoutColumns(copy, text);
    ASSERT_EQ(copy.columnCount(), doors.columnCount());
    for (int c = 0; c < doors.columnCount(); ++c) {
        EXPECT_EQ(copy.column(c).key, doors.column(c).key);
        EXPECT_EQ(copy.column(c).caption, doors.column(c).caption);
        EXPECT_EQ(copy.column(c).width, doors.column(c).width);
        EXPECT_EQ(copy.column(c).visible, doors.column(c).visible);
    }
    EXPECT_EQ(buildLayoutText(copy), text);
}

// A layout saved at unload keeps the operator's renames only: the next load shows the host's
// text of that day for every other column, whether the layout was the defaults, a layout of this
// version or one an earlier version stored with every caption.
TEST_F(SectionsTest, HostCaptionsWinUnlessTheOperatorRenamedTheColumn) {
    struct Case {
        const char* name;
        const char* stored;      // the doors' layout before the first load
        const char* renamedTo;   // the operator's caption for Status before unload; "" keeps it
        const char* shownAfter;  // Status's caption at the next load, the host's text changed
    };
    const Case cases[] = {
        {"defaults, not renamed", "Use Object Default", "", "Condition"},
        {"defaults, renamed", "Use Object Default", "Door state", "Door state"},
        {"this version's layout, not renamed", "Name][][1][85][True,Status][][2][127][True", "", "Condition"},
        {"an earlier version's layout holding the host's caption",
         "Name][R1386][1][85][True,Status][State][2][127][True", "", "Condition"},
        {"an earlier version's layout holding a rename", "Name][R1386][1][85][True,Status][Door state][2][127][True",
         "", "Door state"},
        {"an earlier rename renamed again", "Name][R1386][1][85][True,Status][Door state][2][127][True", "Lock state",
         "Lock state"},
    };
    // Each load is a component of its own, as after a restart: a component keeps the texts it
    // fetched once.
    struct Load {
        Load(FakeHost& host, FakeDialogs& dialogs, const QString& logFolder) {
            ctx.parent = &host;
            ctx.ntConnection = &host;
            ctx.dialogs = &dialogs;
            ctx.errorLog.setFolder(logFolder);
        }
        ComponentContext ctx;
        Sections sections{ctx};
    };
    const auto statusCaption = [](const Sections& sections) {
        const StatusGrid& doors = sections.grid(0);
        return doors.column(doors.columnIndex(col::Status)).caption;
    };
    QString lastSaved;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.texts[1388] = QStringLiteral("State");
        layouts[0] = QString::fromLatin1(c.stored);
        Load first(host, dialogs, logDir.path());
        first.sections.InitColumnHeaders(layouts);
        StatusGrid& doors = first.sections.grid(0);
        ASSERT_GE(doors.columnIndex(col::Status), 0);
        if (*c.renamedTo != '\0')
            doors.column(doors.columnIndex(col::Status)).caption = QString::fromLatin1(c.renamedTo);
        layouts[0] = first.sections.layoutText(Section::Doors);

        host.texts[1388] = QStringLiteral("Condition");
        Load next(host, dialogs, logDir.path());
        next.sections.InitColumnHeaders(layouts);
        EXPECT_EQ(statusCaption(next.sections), QString::fromLatin1(c.shownAfter));
        const StatusGrid& again = next.sections.grid(0);
        EXPECT_EQ(again.column(again.columnIndex(col::Name)).caption, R(1386)) << "the name column follows the host";
        lastSaved = next.sections.layoutText(Section::Doors);
    }
    EXPECT_EQ(lastSaved.section(QLatin1Char(','), 0, 1),
              QStringLiteral("Name][][1][85][True,Status][Lock state][2][127][True"))
        << "only the rename is stored";
}

TEST_F(SectionsTest, CaptionsWithSeparatorsStillReadBack) {
    StatusGrid grid;
    grid.addColumn(col::Name, QStringLiteral("Name, first"), 0, -1, 80, true);
    grid.addColumn(col::Address, QStringLiteral("A][B"), 0, -1, 90, true);
    const QString text = buildLayoutText(grid);
    StatusGrid copy;
    addLayoutColumns(copy, text);
    ASSERT_EQ(copy.columnCount(), 2);
    EXPECT_EQ(copy.column(0).caption, QStringLiteral("Name; first"));
    EXPECT_EQ(copy.column(1).caption, QStringLiteral("A] [B"));
    EXPECT_EQ(copy.column(1).width, 90);
}

TEST_F(SectionsTest, ResetWritesTheNotKnownTextIntoTheStateCells) {
    sections.InitColumnHeaders(layouts);
    const int expectedResets[kSectionCount] = {9, 7, 2, 4, 10, 0, 0, 1};
    for (int s = 0; s < kSectionCount; ++s) {
        StatusGrid& grid = sections.grid(s);
        const int row = grid.addRow();
        for (int c = 0; c < grid.columnCount(); ++c)
            grid.setText(row, c, QStringLiteral("x"));
        grid.setIcon(row, col::Name, 16);
        sections.P_ResetColumnInfo(Section(s), row);
        int resets = 0;
        for (int c = 0; c < grid.columnCount(); ++c)
            resets += grid.text(row, c) == R(1435) ? 1 : 0;
        EXPECT_EQ(resets, expectedResets[s]) << s;
        EXPECT_EQ(grid.text(row, col::Name), QStringLiteral("x"));
        EXPECT_EQ(grid.icon(row, col::Name), 16);
        EXPECT_EQ(grid.text(row, col::LastUpdated), QStringLiteral("x"));
    }
    EXPECT_EQ(sections.grid(0).text(1, col::RelayDetails), R(1435));
    EXPECT_EQ(sections.grid(0).text(1, col::TwoPersonRule), QStringLiteral("x"));
    EXPECT_EQ(sections.grid(4).text(1, col::Status), QStringLiteral("x"));
    EXPECT_EQ(sections.grid(4).text(1, col::TamperPending), R(1435));
}

TEST_F(SectionsTest, ResetReachesColumnsTheLayoutLacksAndABadRowIsLogged) {
    layouts[3] = QStringLiteral("Name][N][1][90][True,Address][A][2][100][True,Status][S][3][60][True");
    sections.InitColumnHeaders(layouts);
    StatusGrid& readers = sections.grid(3);
    const int row = readers.addRow();
    readers.setText(row, col::Status, QStringLiteral("x"));
    sections.P_ResetColumnInfo(Section::Readers, row);  // ThreatLevel, the first reset cell, is a hidden column now
    EXPECT_EQ(readers.text(row, col::ThreatLevel), R(1435));
    EXPECT_EQ(readers.text(row, col::Status), R(1435));
    EXPECT_EQ(ctx.errorLog.reportsWritten(), 0);
    sections.P_ResetColumnInfo(Section::Doors, 5);
    EXPECT_EQ(ctx.errorLog.reportsWritten(), 1);
}

TEST_F(SectionsTest, FindRowForAddress) {
    sections.InitColumnHeaders(layouts);
    EXPECT_EQ(sections.FindRowForAddress(Section::Doors, QStringLiteral("anything")), 0);
    StatusGrid& doors = sections.grid(0);
    for (const char* a : {"\\\\SNET.P001.C0101.DR01", "\\\\SNET.P001.C0101.DR02", "\\\\SNET.P001.C0101.DR01"})
        doors.setText(doors.addRow(), col::Address, QString::fromLatin1(a));
    EXPECT_EQ(sections.FindRowForAddress(Section::Doors, QStringLiteral("\\\\SNET.P001.C0101.DR02")), 2);
    EXPECT_EQ(sections.FindRowForAddress(Section::Doors, QStringLiteral("\\\\SNET.P001.C0101.DR01")),
              1);  // first in display order
    EXPECT_EQ(sections.FindRowForAddress(Section::Doors, QStringLiteral("\\\\SNET.P001.C0101.DR03")), 0);
    EXPECT_EQ(sections.FindRowForAddress(Section::Doors, QStringLiteral("\\\\snet.P001.C0101.DR02")), 0);
    EXPECT_EQ(sections.FindRowForAddress(Section::Doors, QStringLiteral("'")), 0);
    EXPECT_EQ(ctx.errorLog.reportsWritten(), 0);
    EXPECT_EQ(sections.FindRowForAddress(Section(9), QStringLiteral("x")), 0);
    EXPECT_EQ(ctx.errorLog.reportsWritten(), 1);
}

}  // namespace
}  // namespace so::test
