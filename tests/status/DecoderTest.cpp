// UpdateList, one table per kind code over its state codes. Each case runs on a fresh row whose
// cells all hold a marker text, and checks exactly which cells changed and whether LastUpdated was
// stamped, so a write into the wrong cell or a missing stamp shows.
#include "StatusTestSupport.h"

#include <QFile>

#include <map>

namespace so::test {
namespace {

using Cells = std::map<QString, QString>;

const QString kTime = QStringLiteral("2024-03-05 17:04:09");
const QString kStamp = QStringLiteral("2024-03-05 17:04:09");  // host format yyyy-MM-dd, TimeFormat on
const QString kMarker = QStringLiteral("?");

struct Outcome {
    Cells changes;
    bool stamped = false;
};

struct Case {
    quint8 state;
    QString value;
    Cells expected;
    Cells setup = {};
};

class DecoderTest : public StatusFixture {
protected:
    DecoderTest() { ctx.timeFormat = true; }

    /// How the reports of the table reach the decoder.
    ReportMode mode = ReportMode::Current;

    /// A row prepared as a filled point: every cell the marker, door and input lines not known,
    /// not masked, a three-line module, the door relay off.
    int preparedRow(int section, const Cells& setup, qint64 nameData = 0, const QString& address = {}) {
        const QString a = address.isEmpty()
                              ? QStringLiteral("\\\\SNET.P001.C%1.DR01").arg(++points_, 4, 10, QLatin1Char('0'))
                              : address;
        StatusGrid& grid = sections.grid(section);
        const int row = addPoint(section, a);
        for (int c = 0; c < grid.columnCount(); ++c) {
            const QString& key = grid.column(c).key;
            if (key != col::Address && key != col::LastUpdated && key != col::NotUsed)
                grid.setText(row, key, kMarker);
        }
        Cells defaults;
        if (section <= 1)
            defaults = {{col::Input1, R(1435)},
                        {col::Input2, R(1435)},
                        {col::Input3, R(1435)},
                        {col::Masked, R(1435)},
                        {col::LMType, QStringLiteral("3")}};
        if (section == 0)
            defaults[col::RelayStatus] = R(1441);
        for (const auto& [key, text] : setup)
            defaults[key] = text;
        for (const auto& [key, text] : defaults)
            grid.setText(row, key, text);
        grid.setData(row, col::Name, nameData);
        return row;
    }

    Cells snapshot(int section, int row) {
        Cells cells;
        const StatusGrid& grid = sections.grid(section);
        for (int c = 0; c < grid.columnCount(); ++c)
            cells[grid.column(c).key] = grid.text(row, c);
        return cells;
    }

    Outcome apply(int section, const QString& kind, const Case& c, qint64 nameData = 0, const QString& address = {}) {
        const int row = preparedRow(section, c.setup, nameData, address);
        const Cells before = snapshot(section, row);
        decoder.UpdateList(Section(section), sections.grid(section).text(row, col::Address), c.state, kind, kTime,
                           c.value, mode);
        Outcome out;
        for (const auto& [key, text] : snapshot(section, row)) {
            if (key == col::LastUpdated)
                out.stamped = text == kStamp;
            else if (before.at(key) != text)
                out.changes[key] = text;
        }
        return out;
    }

    void expectTable(int section, const QString& kind, const std::vector<Case>& cases, qint64 nameData = 0) {
        for (const Case& c : cases) {
            const Outcome out = apply(section, kind, c, nameData);
            EXPECT_EQ(out.changes, c.expected) << kind.toStdString() << " state " << int(c.state);
            EXPECT_TRUE(out.stamped) << kind.toStdString() << " state " << int(c.state);
        }
        EXPECT_EQ(failuresLogged(), 0);
    }

    int points_ = 0;
};

TEST_F(DecoderTest, ServerPort) {
    expectTable(6, QStringLiteral("PO"),
                {{0, {}, {{col::Status, R(1432)}}},
                 {1, {}, {{col::Status, R(1433)}}},
                 {2, QStringLiteral("4"), {{col::Status, QStringLiteral("Dialing...")}}},
                 {2, QStringLiteral("3"), {{col::Status, QStringLiteral("Connected")}}},
                 {3, {}, {{col::Status, R(1434)}}},
                 {255, {}, {{col::Status, R(1434)}}}});
}

TEST_F(DecoderTest, Controller) {
    const QString online = R(1433);
    std::vector<Case> cases = {
        {0, {}, {{col::Status, R(1435)}}},
        {1, {}, {{col::Status, online}}},
        {2, {}, {{col::Status, online}, {col::Enclosure, R(1437)}}},
        {3, {}, {{col::Status, online}, {col::Enclosure, R(1438)}}},
        {4, {}, {{col::Status, online}, {col::ACPower, R(1439)}}},
        {5, {}, {{col::Status, online}, {col::ACPower, R(1440)}}},
        {12, {}, {{col::Status, online}, {col::KeypadMode, R(1441)}}},
        {13, {}, {{col::Status, online}, {col::KeypadMode, R(1443)}}},
        {14, {}, {{col::Status, online}, {col::MemoryBatt, R(1439)}}},
        {15, {}, {{col::Status, online}, {col::MemoryBatt, R(1440)}}},
        {16, {}, {{col::Status, online}, {col::ParallelPrint, R(1433)}}},
        {17, {}, {{col::Status, online}, {col::ParallelPrint, R(1432)}}},
        {18, {}, {{col::Status, online}, {col::SerialPrint, R(1433)}}},
        {19, {}, {{col::Status, online}, {col::SerialPrint, R(1432)}}},
        {22, {}, {{col::Status, online}, {col::TamperPending, R(1444)}}},
        {23, {}, {{col::Status, online}, {col::TamperPending, R(1445)}}},
        {24, {}, {{col::Status, online}, {col::Enclosure, R(1437)}}},
        {25, {}, {{col::Status, online}, {col::Enclosure, R(1438)}}},
        {26, {}, {{col::Status, online}, {col::Terminal, R(1449)}}},
        {27, {}, {{col::Status, online}, {col::Terminal, R(1448)}}},
        {30, {}, {{col::Status, online}, {col::UPSBattF, R(1439)}}},
        {31, {}, {{col::Status, online}, {col::UPSBattF, R(1440)}}},
        {32, {}, {{col::Status, online}, {col::UPSBattF, R(1439)}}},
        {33, {}, {{col::Status, online}, {col::UPSBattF, R(1450)}}},
        {34, {}, {{col::Status, R(1435)}}},
        {35, {}, {}},
        {38, {}, {{col::Status, R(1435)}}},
        {255, {}, {{col::Status, R(1435)}}},
    };
    for (quint8 quiet : {6, 7, 8, 9, 10, 11, 20, 21, 28, 29})
        cases.push_back({quiet, {}, {{col::Status, online}}});
    expectTable(4, QStringLiteral("CA"), cases);
}

TEST_F(DecoderTest, ControllerDuringAStatusRequestShowsNoImpliedOnLine) {
    mode = ReportMode::StatusRequest;
    expectTable(4, QStringLiteral("CA"),
                {{5, {}, {{col::ACPower, R(1440)}}}, {8, {}, {}}, {1, {}, {{col::Status, R(1433)}}}});
}

TEST_F(DecoderTest, ControllerResetBlanksEveryPointOfThatController) {
    const QString ctrl = QStringLiteral("\\\\SNET.P001.C0101");
    const QString other = QStringLiteral("\\\\SNET.P001.C0102");
    const int ctrlRow = preparedRow(4, {}, 0, ctrl);
    const int doorRow = preparedRow(0, {}, 0, ctrl + QStringLiteral(".DR01"));
    const int readerRow = preparedRow(3, {}, 0, ctrl + QStringLiteral(".SM02"));
    const int relayRow = preparedRow(2, {}, 0, ctrl + QStringLiteral(".XR10"));
    const int pylonRow = preparedRow(5, {}, 0, ctrl + QStringLiteral(".PY"));
    const int foreignRow = preparedRow(0, {}, 0, other + QStringLiteral(".DR01"));

    decoder.UpdateList(Section::Controllers, ctrl, 36, QStringLiteral("CA"), kTime, {});

    EXPECT_EQ(cell(4, ctrlRow, col::Enclosure), R(1435));
    EXPECT_EQ(cell(4, ctrlRow, col::TamperPending), R(1435));
    EXPECT_EQ(cell(4, ctrlRow, col::Status), kMarker);  // a controller's Status is not a reset cell
    EXPECT_EQ(cell(4, ctrlRow, col::LastUpdated), kStamp);
    EXPECT_EQ(cell(0, doorRow, col::Alarm), R(1435));
    EXPECT_EQ(cell(0, doorRow, col::RelayDetails), R(1435));
    EXPECT_EQ(cell(0, doorRow, col::Name), kMarker);
    EXPECT_EQ(cell(0, doorRow, col::Enabled), kMarker);
    EXPECT_TRUE(cell(0, doorRow, col::LastUpdated).isEmpty());
    EXPECT_EQ(cell(3, readerRow, col::ThreatLevel), R(1435));
    EXPECT_EQ(cell(2, relayRow, col::RelayDetails), R(1435));
    EXPECT_EQ(cell(5, pylonRow, col::Rev), kMarker);  // nothing of a communication box is reset
    EXPECT_EQ(cell(0, foreignRow, col::Alarm), kMarker);
    EXPECT_EQ(failuresLogged(), 0);
}

TEST_F(DecoderTest, Door) {
    const QString open = R(1453);
    expectTable(
        0, QStringLiteral("DR"),
        {
            {0, {}, {{col::Input1, R(1446)}, {col::Input2, R(1446)}, {col::Input3, R(1446)}, {col::Status, R(1437)}}},
            {5, {}, {{col::Input1, R(1447)}, {col::Input2, R(1446)}, {col::Input3, R(1447)}, {col::Status, open}}},
            {7, {}, {{col::Input1, R(1447)}, {col::Status, open}}, {{col::LMType, QStringLiteral("1")}}},
            {6,
             {},
             {{col::Input1, R(1446)}, {col::Input2, R(1447)}, {col::Status, R(1437)}},
             {{col::LMType, QStringLiteral("2")}}},
            {16, {}, {{col::Input1, R(1459)}, {col::Input2, R(1459)}, {col::Input3, R(1459)}, {col::Status, R(1435)}}},
            {32, {}, {{col::Input1, R(1460)}, {col::Input2, R(1460)}, {col::Input3, R(1460)}, {col::Status, R(1435)}}},
            {48, {}, {{col::Input1, R(1461)}, {col::Input2, R(1461)}, {col::Input3, R(1461)}, {col::Status, R(1435)}}},
            {64, {}, {{col::Input1, R(1462)}, {col::Input2, R(1462)}, {col::Input3, R(1462)}, {col::Status, R(1435)}}},
            {65, {}, {{col::Alarm, R(1463)}, {col::Status, R(1435)}}},
            {66, {}, {{col::Alarm, R(1435)}, {col::Status, R(1435)}}},
            {67, QStringLiteral("1"), {{col::Masked, R(1463)}, {col::Status, R(1390)}}},
            {68, QStringLiteral("0"), {{col::Masked, R(1435)}, {col::Status, R(1435)}}, {{col::Masked, R(1463)}}},
            {70, QStringLiteral("unlock"), {{col::RelayDetails, QStringLiteral("unlock")}, {col::Status, R(1435)}}},
            {200, QStringLiteral("Disabled"), {{col::Enabled, QStringLiteral("Disabled")}, {col::Status, R(1435)}}},
            {201, QStringLiteral("2"), {{col::LMType, QStringLiteral("2")}, {col::Status, R(1435)}}},
            {100, {}, {{col::Status, R(1435)}}},
            // A door without line module: all four line cells not known, no summary.
            {1, {}, {{col::Status, R(1435)}}, {{col::LMType, R(1435)}}},
        });
}

TEST_F(DecoderTest, DoorOfAPanelWithoutLinesOnDoorsThreeAndUp) {
    const Cells unavailable = {{col::Status, R(1435)}};  // lines stay "not known" as prepared
    Outcome out = apply(0, QStringLiteral("DR"), {1, {}, {}}, 3, QStringLiteral("\\\\SNET.P001.C0101.DR03"));
    EXPECT_EQ(out.changes, unavailable);
    EXPECT_TRUE(out.stamped);
    // Door 2 of the same panel type shows its lines; state 65 is beyond the line check.
    out = apply(0, QStringLiteral("DR"), {1, {}, {}}, 3, QStringLiteral("\\\\SNET.P001.C0101.DR02"));
    EXPECT_EQ(out.changes.at(col::Input1), R(1447));
    out = apply(0, QStringLiteral("DR"), {65, {}, {}}, 3, QStringLiteral("\\\\SNET.P001.C0102.DR03"));
    EXPECT_EQ(out.changes.at(col::Alarm), R(1463));
    EXPECT_EQ(failuresLogged(), 0);
}

TEST_F(DecoderTest, DisabledRelayRowEndsAtTheMissingEnabledColumn) {
    // The relay grid has no Enabled column: the write ends there silently, without a stamp.
    for (const QString kind : {QStringLiteral("BR"), QStringLiteral("XR")}) {
        const Outcome out = apply(2, kind, {200, {}, {}});
        EXPECT_EQ(out.changes, (Cells{{col::Status, R(1435)}}));
        EXPECT_FALSE(out.stamped);
    }
    EXPECT_EQ(failuresLogged(), 0);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(DecoderTest, NewerLineRelay) {
    expectTable(2, QStringLiteral("ZR2_RELAY"),
                {{0, QStringLiteral("3"), {{col::RelayDetails, QStringLiteral("Time Zone")}}},
                 {1, QStringLiteral("ON"), {{col::Status, QStringLiteral("ON")}}},
                 {2, QStringLiteral("ON"), {}}});
    expectTable(0, QStringLiteral("ZR2_RELAY"),
                {{1, QStringLiteral("ON"), {{col::RelayStatus, QStringLiteral("ON")}, {col::Status, R(1435)}}},
                 {0, QStringLiteral("1"), {{col::RelayDetails, QStringLiteral("none")}, {col::Status, R(1435)}}}});
}

TEST_F(DecoderTest, NewerLineInput) {
    const QString lines = QString::number(0x211211);  // line 0 "//", line 1 "X", line 2 "Line Open"
    expectTable(1, QStringLiteral("ZR2_INPUT"),
                {
                    {0, QStringLiteral("0"), {{col::Masked, QStringLiteral("-")}}},
                    {0, QStringLiteral("129"), {{col::Masked, QStringLiteral("Door Relay Actuated,RQE")}}},
                    {1,
                     QStringLiteral("0"),
                     {{col::Input1, QStringLiteral(".")},
                      {col::Input2, QStringLiteral(".")},
                      {col::Input3, QStringLiteral(".")},
                      {col::Alarm, R(1435)},
                      {col::Status, QStringLiteral(".")}}},
                    {1,
                     lines,
                     {{col::Input1, QStringLiteral("//")},
                      {col::Input2, QStringLiteral("X")},
                      {col::Input3, QStringLiteral("Line Open")},
                      {col::Alarm, R(1463)},
                      {col::Status, QStringLiteral("//")}}},
                    // No line module: the other lines repeat the main line.
                    {1,
                     lines,
                     {{col::Input1, QStringLiteral("//")},
                      {col::Input2, QStringLiteral("//")},
                      {col::Input3, QStringLiteral("//")},
                      {col::Alarm, R(1463)},
                      {col::Status, QStringLiteral("//")}},
                     {{col::LMType, QStringLiteral(".")}}},
                    // Main line in fault: so do they.
                    {1,
                     QString::number(0x211220),
                     {{col::Input1, QStringLiteral("Line Open")},
                      {col::Input2, QStringLiteral("Line Open")},
                      {col::Input3, QStringLiteral("Line Open")},
                      {col::Alarm, R(1435)},
                      {col::Status, QStringLiteral("Line Open")}}},
                    {2, QStringLiteral("5"), {}},
                });
    ASSERT_EQ(masked.updates.size(), 2);
    EXPECT_EQ(masked.updates[0].second, 0);
    EXPECT_EQ(masked.updates[1].second, 129);
}

TEST_F(DecoderTest, NewerLineInputAlarmFollowsThePolarity) {
    // Polarity 1: active in state "X" of line 0; line 2 in "//" raises the alarm either way.
    struct AlarmCase {
        qint64 polarity;
        int packed;
        int alarm;
    };
    const AlarmCase cases[] = {{1, 0x000012, 1463}, {1, 0x000011, 1435}, {0, 0x000012, 1435},
                               {0, 0x000011, 1463}, {1, 0x110000, 1463}, {-1, 0x000012, 1435}};
    for (const AlarmCase& c : cases) {
        const int row = preparedRow(1, {});
        sections.grid(1).setData(row, col::Status, c.polarity);
        decoder.UpdateList(Section::Inputs, cell(1, row, col::Address), 1, QStringLiteral("ZR2_INPUT"), kTime,
                           QString::number(c.packed));
        EXPECT_EQ(cell(1, row, col::Alarm), R(c.alarm)) << c.polarity << " " << c.packed;
    }
}

TEST_F(DecoderTest, NewerLineDoorInputRecomputesTheDoorSummary) {
    const Outcome out = apply(0, QStringLiteral("ZR2_INPUT"), {1, QString::number(0x12), {}});
    EXPECT_EQ(out.changes.at(col::Input1), QStringLiteral("X"));
    EXPECT_EQ(out.changes.at(col::Status), R(1435));  // line texts leave the door position open
}

TEST_F(DecoderTest, UnknownKindAndCaseOnlyStamp) {
    for (const QString kind : {QStringLiteral("dr"), QStringLiteral("XX"), QString(), QStringLiteral("PY")}) {
        const Outcome out = apply(0, kind, {1, {}, {}});
        EXPECT_TRUE(out.changes.empty()) << kind.toStdString();
        EXPECT_TRUE(out.stamped) << kind.toStdString();
    }
    EXPECT_EQ(failuresLogged(), 0);
}

TEST_F(DecoderTest, PointWithoutARowChangesNothingButTheMaskedList) {
    const int row = preparedRow(0, {});
    decoder.UpdateList(Section::Doors, QStringLiteral("\\\\SNET.P001.C9999.DR01"), 67, QStringLiteral("DR"), kTime,
                       QStringLiteral("12"));
    EXPECT_EQ(cell(0, row, col::Masked), R(1435));
    EXPECT_TRUE(cell(0, row, col::LastUpdated).isEmpty());
    ASSERT_EQ(masked.updates.size(), 1);
    EXPECT_EQ(masked.updates[0], qMakePair(QStringLiteral("\\\\SNET.P001.C9999.DR01"), 12));
    // A section without rows: the same.
    decoder.UpdateList(Section::Boxes, QStringLiteral("x"), 68, QStringLiteral("PY"), kTime, QStringLiteral("0"));
    EXPECT_EQ(masked.updates.size(), 2);
    // Empty mask value: no masked-list update.
    decoder.UpdateList(Section::Doors, QStringLiteral("y"), 68, QStringLiteral("DR"), kTime, {});
    EXPECT_EQ(masked.updates.size(), 2);
    EXPECT_EQ(failuresLogged(), 0);
}

TEST_F(DecoderTest, BadInputIsLoggedAndEndsTheUpdate) {
    struct Bad {
        int section;
        QString kind;
        quint8 state;
        QString value;
        Cells setup;
    };
    const Bad cases[] = {
        {6, QStringLiteral("PO"), 2, QStringLiteral("four"), {}},
        {6, QStringLiteral("PO"), 2, QStringLiteral("70000"), {}},
        {0, QStringLiteral("DR"), 67, QStringLiteral("1'; --"), {}},               // mask value
        {1, QStringLiteral("BI"), 3, {}, {{col::LMType, QStringLiteral("n/a")}}},  // LM Type not a number
        {1, QStringLiteral("ZR2_INPUT"), 1, QStringLiteral("abc"), {}},
        {1, QStringLiteral("ZR2_INPUT"), 0, {}, {}},
        {2, QStringLiteral("ZR2_RELAY"), 0, QStringLiteral("x"), {}},
        {8, QStringLiteral("DR"), 1, {}, {}},  // no such section
    };
    int expectedReports = 0;
    for (const Bad& b : cases) {
        const int section = b.section < kSectionCount ? b.section : 0;
        const int row = preparedRow(section, b.setup);
        decoder.UpdateList(Section(b.section), cell(section, row, col::Address), b.state, b.kind, kTime, b.value);
        EXPECT_TRUE(cell(section, row, col::LastUpdated).isEmpty()) << b.kind.toStdString();
        EXPECT_EQ(ownLogReports(), ++expectedReports) << b.kind.toStdString() << " " << b.value.toStdString();
    }
    QFile log(logDir.path() + QStringLiteral("/StatusObject.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(log.readAll()).count(QStringLiteral("MPublic.UpdateList")), expectedReports);
}

TEST_F(DecoderTest, DialupCodeOutOfRangeIsLoggedUnderItsOwnName) {
    const Outcome out = apply(6, QStringLiteral("PO"), {2, QStringLiteral("10"), {}});
    EXPECT_EQ(out.changes, (Cells{{col::Status, QString()}}));
    EXPECT_TRUE(out.stamped);
    QFile log(logDir.path() + QStringLiteral("/StatusObject.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains(QStringLiteral("MPublic.GetDialupState")));
}

TEST_F(DecoderTest, ColumnsMissingFromTheLayoutAreAddedHiddenAndWritten) {
    // An operator's door layout without Alarm (and without the hidden NotUsed).
    QString layouts[kSectionCount];
    for (QString& text : layouts)
        text = kUseObjectDefault;
    layouts[0] = QStringLiteral(
        "Name][Door][1][85][True,Address][Address][2][129][True,Status][State][3][127][True,"
        "LastUpdated][When][4][107][True,Input1][In][5][40][True,LM Type][LM][6][30][True");
    sections.InitColumnHeaders(layouts);
    StatusGrid& doors = sections.grid(0);
    const int row = addPoint(0, QStringLiteral("door"));
    doors.setText(row, col::LMType, QStringLiteral("1"));

    // The columns the layout lacks are there, hidden: every write reaches its cell.
    decoder.UpdateList(Section::Doors, QStringLiteral("door"), 65, QStringLiteral("DR"), kTime, {});
    EXPECT_FALSE(doors.text(row, col::LastUpdated).isEmpty());
    decoder.UpdateList(Section::Doors, QStringLiteral("door"), 1, QStringLiteral("DR"), kTime, {});
    EXPECT_EQ(doors.text(row, col::Input1), R(1447));
    EXPECT_FALSE(doors.column(doors.columnIndex(col::Alarm)).visible);
    EXPECT_EQ(failuresLogged(), 0);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace so::test
