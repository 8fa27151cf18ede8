// Every state a report can carry, for every kind of point, from Status::StateChange to what the
// operator sees: the row's cells, its conditions, its severity and words, its attention entry, the
// counts of the whole group and the masked list. The host words every text resource "R<number>"
// (FakeHost), so the expected cells are written out as the operator's window would show them under
// that host; none is taken from the product's own tables.
//
// Each case starts a new component on a group of one point of each kind with every row normal
// (EveryKindSite.h), then sends the case's reports.
#include "component/EveryKindSite.h"
#include "domain/RowConditions.h"

#include <initializer_list>
#include <vector>

namespace so::test::pointstates {

using namespace everykind;

/// What one row shows after the case's reports.
struct Shown {
    Point point;
    const char* cells;       // "Key=text;Key=text": the cells the reports concern
    const char* conditions;  // "Alarm|Masked", or "" for none
    const char* rated;       // "alarm: words", "warning: words" or "normal"
};

struct Case {
    const char* what;
    std::vector<Report> reports;
    std::vector<Shown> rows;
    // The group's alarms and warnings, alike in the sections' counts and the attention list, and
    // the masked list's addresses: "1 alarm, 2 warnings; masked ADDRESS;ADDRESS".
    const char* totals;
    const char* sql = nullptr;      // run after the baseline (the site as the case needs it) ...
    const char* restore = nullptr;  // ... and undone after
};

const char* conditionName(Condition c) {
    switch (c) {
    case Condition::Alarm: return "Alarm";
    case Condition::DoorNotClosed: return "DoorNotClosed";
    case Condition::RelayNotNormal: return "RelayNotNormal";
    case Condition::InputOpen: return "InputOpen";
    case Condition::Offline: return "Offline";
    case Condition::PhysicalTamper: return "PhysicalTamper";
    case Condition::CodeTamper: return "CodeTamper";
    case Condition::Masked: return "Masked";
    case Condition::EnclosureOpen: return "EnclosureOpen";
    case Condition::TamperPending: return "TamperPending";
    case Condition::PowerFailed: return "PowerFailed";
    case Condition::MemoryBatteryFailed: return "MemoryBatteryFailed";
    case Condition::UpsBatteryFailed: return "UpsBatteryFailed";
    case Condition::RelayForced: return "RelayForced";
    case Condition::LineOpen: return "LineOpen";
    case Condition::LineShort: return "LineShort";
    case Condition::LineFault: return "LineFault";
    case Condition::LineNoisy: return "LineNoisy";
    }
    return "?";
}

QString conditionNames(RowConditions conditions) {
    QStringList names;
    for (int bit = 0; bit < 32; ++bit)
        if (conditions.has(Condition(quint32(1u << bit))))
            names << QLatin1String(conditionName(Condition(quint32(1u << bit))));
    return names.join(QLatin1Char('|'));
}

QString ratedText(StatusReader::Severity severity, const QString& words) {
    switch (severity) {
    case StatusReader::Severity::Alarm: return QStringLiteral("alarm: ") + words;
    case StatusReader::Severity::Warning: return QStringLiteral("warning: ") + words;
    case StatusReader::Severity::Normal: break;
    }
    return words.isEmpty() ? QStringLiteral("normal") : QStringLiteral("normal: ") + words;
}

class PointStatesTableTest : public EveryKindTest {
protected:
    /// Every expectation of one case, on a component of its own.
    void check(const Case& c) {
        SCOPED_TRACE(c.what);
        auto status = startNormal();
        StatusWindow& window = windowOf(*status);
        StatusReader reader(*status);
        if (c.sql != nullptr)
            exec(QLatin1String(c.sql));
        for (const Report& r : c.reports)
            send(*status, r);
        window.attention().sync(2000);

        const auto grid = [&](int section) -> StatusGrid& { return window.board().sections().grid(section); };
        const QVector<StatusReader::AttentionItem> attention = reader.attention();
        for (const Shown& shown : c.rows) {
            const PointInfo& p = kPoints[shown.point];
            SCOPED_TRACE(p.address);
            StatusGrid& g = grid(p.section);
            const int row = g.findRow(QLatin1String(p.address));
            ASSERT_GT(row, 0);
            for (const QString& pair : QString::fromLatin1(shown.cells).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                const QString key = pair.section(QLatin1Char('='), 0, 0);
                const QString text = g.columnIndex(key) < 0 ? QStringLiteral("<no column>") : g.text(row, key);
                EXPECT_EQ(key + QLatin1Char('=') + text, pair);
            }
            EXPECT_EQ(conditionNames(g.conditions(row)), QLatin1String(shown.conditions));
            const int key = g.rowKey(row);
            QString rated = QStringLiteral("<not read>");
            const StatusReader::Rows rows = reader.rows(p.section, {}, 0, 100);
            for (const StatusReader::Row& r : rows.rows)
                if (r.key == key)
                    rated = ratedText(r.severity, r.reason);
            EXPECT_EQ(rated, QLatin1String(shown.rated));
            // Listed once when abnormal, under the same severity and words; not listed when normal.
            QString listed = QStringLiteral("normal");
            for (const StatusReader::AttentionItem& item : attention)
                if (item.section == p.section && item.key == key)
                    listed = item.cleared ? QStringLiteral("cleared") : ratedText(item.severity, item.words);
            EXPECT_EQ(listed, QLatin1String(shown.rated)) << "attention entry";
        }
        int alarms = 0, warnings = 0;
        for (int s = 0; s < StatusReader::kSectionCount; ++s) {
            alarms += reader.counts(s, {}).alarms;
            warnings += reader.counts(s, {}).warnings;
        }
        EXPECT_EQ(window.attention().alarmCount(), alarms) << "the attention list counts as the sections do";
        EXPECT_EQ(window.attention().warningCount(), warnings) << "the attention list counts as the sections do";
        EXPECT_EQ(reader.attentionCount(), alarms + warnings);
        StatusGrid& masked = window.board().sections().masked();
        QStringList maskedAddresses;
        for (int row = 1; row <= masked.rowCount(); ++row)
            maskedAddresses << masked.address(row);
        QString totals = QStringLiteral("%1 alarm%2, %3 warning%4")
                             .arg(alarms)
                             .arg(alarms == 1 ? "" : "s")
                             .arg(warnings)
                             .arg(warnings == 1 ? "" : "s");
        if (!maskedAddresses.isEmpty())
            totals += QStringLiteral("; masked ") + maskedAddresses.join(QLatin1Char(';'));
        EXPECT_EQ(totals, QLatin1String(c.totals));
        EXPECT_EQ(status->errorReportsWritten(), 0);
        if (c.restore != nullptr)
            exec(QLatin1String(c.restore));
    }

    void checkAll(std::initializer_list<Case> cases) {
        for (const Case& c : cases)
            check(c);
    }
};

// The door's and the input's line cells after the baseline (one line module: lines 2 and 3 unused).
#define LINES_CLOSED "Input1=R1446;Input2=R1435;Input3=R1435"

TEST_F(PointStatesTableTest, ClassicDoorInputStatesReachTheInputAndItsDoor) {
    checkAll({
        {"lines clear",
         {{"STD_INPUT", Input, 0}},
         {{Input, LINES_CLOSED ";Status=R1437", "", "normal"}, {Door, LINES_CLOSED ";Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"line 1 set: open",
         {{"STD_INPUT", Input, 1}},
         {{Input, "Input1=R1447;Input2=R1435;Input3=R1435;Status=OPEN", "InputOpen", "warning: Open"},
          {Door, "Input1=R1447;Status=R1453", "DoorNotClosed", "warning: Open"}},
         "0 alarms, 2 warnings"},
        {"line 2 set without a second line",
         {{"STD_INPUT", Input, 2}},
         {{Input, LINES_CLOSED ";Status=R1437", "", "normal"}, {Door, LINES_CLOSED ";Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"lines 1 and 2 set",
         {{"STD_INPUT", Input, 3}},
         {{Input, "Input1=R1447;Input2=R1435;Input3=R1435;Status=OPEN", "InputOpen", "warning: Open"},
          {Door, "Input1=R1447;Status=R1453", "DoorNotClosed", "warning: Open"}},
         "0 alarms, 2 warnings"},
        {"line 3 set without a third line",
         {{"STD_INPUT", Input, 4}},
         {{Input, LINES_CLOSED ";Status=R1437", "", "normal"}, {Door, LINES_CLOSED ";Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"lines 1 and 3 set",
         {{"STD_INPUT", Input, 5}},
         {{Input, "Input1=R1447;Input2=R1435;Input3=R1435;Status=OPEN", "InputOpen", "warning: Open"},
          {Door, "Input1=R1447;Status=R1453", "DoorNotClosed", "warning: Open"}},
         "0 alarms, 2 warnings"},
        {"lines 1 to 3 set",
         {{"STD_INPUT", Input, 7}},
         {{Input, "Input1=R1447;Input2=R1435;Input3=R1435;Status=OPEN", "InputOpen", "warning: Open"},
          {Door, "Input1=R1447;Status=R1453", "DoorNotClosed", "warning: Open"}},
         "0 alarms, 2 warnings"},
        {"three line module, lines 2 and 3 set",
         {{"STD_INPUT", Input, 201, "3"}, {"STD_INPUT", Input, 6}},
         {{Input, "LM Type=3;Input1=R1446;Input2=R1447;Input3=R1447;Status=R1437", "", "normal"},
          {Door, "LM Type=3;Input1=R1446;Input2=R1447;Input3=R1447;Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        // A line cut or bridged is an alarm; one out of tolerance or noisy only warns.
        {"line state 16: short",
         {{"STD_INPUT", Input, 16}},
         {{Input, "Input1=R1459;Input2=R1459;Input3=R1459;Status=R1459", "LineShort", "alarm: Line short"},
          {Door, "Input1=R1459;Input2=R1459;Input3=R1459;Status=R1435", "LineShort", "alarm: Line short"}},
         "2 alarms, 0 warnings"},
        {"line state 32: open",
         {{"STD_INPUT", Input, 32}},
         {{Input, "Input1=R1460;Status=R1460", "LineOpen", "alarm: Line open"},
          {Door, "Input1=R1460;Status=R1435", "LineOpen", "alarm: Line open"}},
         "2 alarms, 0 warnings"},
        {"line state 48: fault",
         {{"STD_INPUT", Input, 48}},
         {{Input, "Input1=R1461;Status=R1461", "LineFault", "warning: Line fault"},
          {Door, "Input1=R1461;Status=R1435", "LineFault", "warning: Line fault"}},
         "0 alarms, 2 warnings"},
        {"line state 64: noisy",
         {{"STD_INPUT", Input, 64}},
         {{Input, "Input1=R1462;Status=R1462", "LineNoisy", "warning: Line noisy"},
          {Door, "Input1=R1462;Status=R1435", "LineNoisy", "warning: Line noisy"}},
         "0 alarms, 2 warnings"},
        {"line open while masked",
         {{"STD_INPUT", Input, 67, "4"}, {"STD_INPUT", Input, 32}},
         {{Input, "Input1=R1460", "Masked|LineOpen", "warning: Line open, Masked"},
          {Door, "Input1=R1460", "Masked|LineOpen", "warning: Line open, Masked"}},
         "0 alarms, 2 warnings; masked \\\\SNET.P01.C00001.DR01"},
        {"line back to clear",
         {{"STD_INPUT", Input, 32}, {"STD_INPUT", Input, 0}},
         {{Input, LINES_CLOSED ";Status=R1437", "", "normal"}, {Door, LINES_CLOSED ";Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"alarm set",
         {{"STD_INPUT", Input, 65}},
         {{Input, "Alarm=R1463;Status=R1437", "Alarm", "alarm: In alarm"},
          {Door, "Alarm=R1463;Status=R1437", "Alarm", "alarm: In alarm"}},
         "2 alarms, 0 warnings"},
        {"alarm set and cleared",
         {{"STD_INPUT", Input, 65}, {"STD_INPUT", Input, 66}},
         {{Input, "Alarm=R1435", "", "normal"}, {Door, "Alarm=R1435", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"masked",
         {{"STD_INPUT", Input, 67, "4"}},
         {{Input, "Masked=R1463;Status=R1390", "Masked", "warning: Masked"},
          {Door, "Masked=R1463;Status=R1390", "Masked", "warning: Masked"}},
         "0 alarms, 2 warnings; masked \\\\SNET.P01.C00001.DR01"},
        {"masked and unmasked",
         {{"STD_INPUT", Input, 67, "4"}, {"STD_INPUT", Input, 68, "0"}},
         {{Input, "Masked=R1435;Status=R1437", "", "normal"}, {Door, "Masked=R1435;Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"in alarm while masked",
         {{"STD_INPUT", Input, 67, "1"}, {"STD_INPUT", Input, 65}},
         {{Input, "Alarm=R1463;Masked=R1463;Status=R1390", "Alarm|Masked", "warning: In alarm, masked"},
          {Door, "Alarm=R1463;Masked=R1463;Status=R1390", "Alarm|Masked", "warning: In alarm, masked"}},
         "0 alarms, 2 warnings; masked \\\\SNET.P01.C00001.DR01"},
        {"forced open",
         {{"STD_INPUT", Input, 1}, {"STD_INPUT", Input, 65}},
         {{Input, "Status=OPEN", "Alarm|InputOpen", "alarm: In alarm"},
          {Door, "Status=R1453", "Alarm|DoorNotClosed", "alarm: Forced open"}},
         "2 alarms, 0 warnings"},
        {"relay reasons reach the door only",
         {{"STD_INPUT", Input, 70, "unlock"}},
         {{Input, "Status=R1437", "", "normal"}, {Door, "Relay Details=unlock;Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"enabled text",
         {{"STD_INPUT", Input, 200, "R1679"}},
         {{Input, "Enabled=R1679;Status=R1437", "", "normal"}, {Door, "Enabled=R1679;Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"a state no input has",
         {{"STD_INPUT", Input, 99}},
         {{Input, LINES_CLOSED ";Status=R1437;LastUpdated=2025-06-01 08:00:00", "", "normal"},
          {Door, LINES_CLOSED ";Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"line voltage",
         {{"STD_INPUTV", Input, 255}},
         {{Input, "Voltage=4.97;Status=R1437", "", "normal"}, {Door, "Voltage=4.97", "", "normal"}},
         "0 alarms, 0 warnings"},
    });
}

TEST_F(PointStatesTableTest, ClassicRelayStatesReachTheRelayAndItsDoor) {
    checkAll({
        {"relay off",
         {{"STD_RELAY", Relay, 0}},
         {{Relay, "Status=R1441", "", "normal"}, {Door, "Relay Status=R1441;Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"relay on: the door unlocked",
         {{"STD_RELAY", Relay, 1}},
         {{Relay, "Status=R1442", "", "normal"},
          {Door, "Relay Status=R1442;Status=R1769", "RelayNotNormal", "warning: Unlocked"}},
         "0 alarms, 1 warning"},
        {"open while unlocked",
         {{"STD_RELAY", Relay, 1}, {"STD_INPUT", Input, 1}},
         {{Relay, "Status=R1442", "", "normal"},
          {Door, "Status=R1453, R1769", "DoorNotClosed|RelayNotNormal", "warning: Open, unlocked"}},
         "0 alarms, 2 warnings"},
        {"held open",
         {{"STD_RELAY", Relay, 1}, {"STD_INPUT", Input, 1}, {"STD_INPUT", Input, 65}},
         {{Input, "Status=OPEN", "Alarm|InputOpen", "alarm: In alarm"},
          {Door, "Status=R1453, R1769", "Alarm|DoorNotClosed|RelayNotNormal", "alarm: Held open"}},
         "2 alarms, 0 warnings"},
        {"reasons",
         {{"STD_RELAY", Relay, 70, "door trigger"}},
         {{Relay, "Relay Details=door trigger", "", "normal"}, {Door, "Relay Details=door trigger", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"disabled",
         {{"STD_RELAY", Relay, 200}},
         {{Relay, "Status=R1435", "", "normal"}, {Door, "Status=R1435;Enabled=R1679", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"a state no relay has",
         {{"STD_RELAY", Relay, 2}},
         {{Relay, "Status=R1441", "", "normal"}, {Door, "Relay Status=R1441;Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
    });
}

TEST_F(PointStatesTableTest, ExpansionInputAndRelayStatesReachTheirOwnRowsOnly) {
    checkAll({
        {"line 1 set",
         {{"EXP_INPUT", ExpInput, 1}},
         {{ExpInput, "Input1=R1447;Status=OPEN", "InputOpen", "warning: Open"},
          {Door, LINES_CLOSED ";Status=R1437", "", "normal"}},
         "0 alarms, 1 warning"},
        {"line state 48",
         {{"EXP_INPUT", ExpInput, 48}},
         {{ExpInput, "Input1=R1461;Status=R1461", "LineFault", "warning: Line fault"}},
         "0 alarms, 1 warning"},
        {"alarm",
         {{"EXP_INPUT", ExpInput, 65}},
         {{ExpInput, "Alarm=R1463", "Alarm", "alarm: In alarm"}, {Door, "Alarm=R1435", "", "normal"}},
         "1 alarm, 0 warnings"},
        {"alarm cleared",
         {{"EXP_INPUT", ExpInput, 65}, {"EXP_INPUT", ExpInput, 66}},
         {{ExpInput, "Alarm=R1435", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"masked",
         {{"EXP_INPUT", ExpInput, 67, "2"}},
         {{ExpInput, "Masked=R1463;Status=R1390", "Masked", "warning: Masked"}},
         "0 alarms, 1 warning; masked \\\\SNET.P01.C00001.XI01"},
        {"unmasked",
         {{"EXP_INPUT", ExpInput, 67, "2"}, {"EXP_INPUT", ExpInput, 68, "0"}},
         {{ExpInput, "Masked=R1435;Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"line voltage",
         {{"EXP_INPUTV", ExpInput, 0}},
         {{ExpInput, "Voltage=0.00", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"relay on",
         {{"EXP_RELAY", ExpRelay, 1}},
         {{ExpRelay, "Status=R1442", "", "normal"}, {Door, "Relay Status=R1441;Status=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"relay reasons",
         {{"EXP_RELAY", ExpRelay, 70, "force on"}},
         {{ExpRelay, "Relay Details=force on", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"relay disabled",
         {{"EXP_RELAY", ExpRelay, 200}},
         {{ExpRelay, "Status=R1435", "", "normal"}},
         "0 alarms, 0 warnings"},
    });
}

TEST_F(PointStatesTableTest, ReaderStates) {
    checkAll({
        {"off line",
         {{"READER", Reader, 0}},
         {{Reader, "Status=R1435", "Offline", "warning: Off line"}},
         "0 alarms, 1 warning"},
        {"on line",
         {{"READER", Reader, 0}, {"READER", Reader, 1}},
         {{Reader, "Status=R1433", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"physical tamper",
         {{"READER", Reader, 2}},
         {{Reader, "PTamper=R1436", "PhysicalTamper", "alarm: Tamper"}},
         "1 alarm, 0 warnings"},
        {"physical tamper cleared",
         {{"READER", Reader, 2}, {"READER", Reader, 3}},
         {{Reader, "PTamper=R1435", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"code tamper",
         {{"READER", Reader, 4}},
         {{Reader, "CTamper=R1436", "CodeTamper", "alarm: Code tamper"}},
         "1 alarm, 0 warnings"},
        {"code tamper cleared",
         {{"READER", Reader, 4}, {"READER", Reader, 5}},
         {{Reader, "CTamper=R1435", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"both tampers",
         {{"READER", Reader, 2}, {"READER", Reader, 4}},
         {{Reader, "PTamper=R1436;CTamper=R1436", "PhysicalTamper|CodeTamper", "alarm: Tamper, Code tamper"}},
         "1 alarm, 0 warnings"},
        {"threat level",
         {{"READER_THREAT_LEVEL", Reader, 32, "4"}},
         {{Reader, "ThreatLevel=High", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"a state no reader has",
         {{"READER", Reader, 9}},
         {{Reader, "Status=R1434", "", "normal"}},
         "0 alarms, 0 warnings"},
    });
}

TEST_F(PointStatesTableTest, ControllerStates) {
    checkAll({
        {"off line",
         {{"CONTROLLER", Controller, 0}},
         {{Controller, "Status=R1435", "Offline", "warning: Off line"}},
         "0 alarms, 1 warning"},
        {"back on line",
         {{"CONTROLLER", Controller, 0}, {"CONTROLLER", Controller, 1}},
         {{Controller, "Status=R1433", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"any condition puts it on line",
         {{"CONTROLLER", Controller, 0}, {"CONTROLLER", Controller, 8}},
         {{Controller, "Status=R1433", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"enclosure open",
         {{"CONTROLLER", Controller, 3}},
         {{Controller, "Enclosure=R1438", "EnclosureOpen", "alarm: Enclosure tamper"}},
         "1 alarm, 0 warnings"},
        {"enclosure closed",
         {{"CONTROLLER", Controller, 3}, {"CONTROLLER", Controller, 2}},
         {{Controller, "Enclosure=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"other enclosure open",
         {{"CONTROLLER", Controller, 25}},
         {{Controller, "Enclosure=R1438", "EnclosureOpen", "alarm: Enclosure tamper"}},
         "1 alarm, 0 warnings"},
        {"other enclosure closed",
         {{"CONTROLLER", Controller, 25}, {"CONTROLLER", Controller, 24}},
         {{Controller, "Enclosure=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"AC power failed",
         {{"CONTROLLER", Controller, 5}},
         {{Controller, "ACPower=R1440", "PowerFailed", "warning: AC power failed"}},
         "0 alarms, 1 warning"},
        {"AC power back",
         {{"CONTROLLER", Controller, 5}, {"CONTROLLER", Controller, 4}},
         {{Controller, "ACPower=R1439", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"keypad mode normal",
         {{"CONTROLLER", Controller, 12}},
         {{Controller, "KeypadMode=R1441", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"keypad mode alternate",
         {{"CONTROLLER", Controller, 13}},
         {{Controller, "KeypadMode=R1443", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"memory battery failed",
         {{"CONTROLLER", Controller, 15}},
         {{Controller, "MemoryBatt=R1440", "MemoryBatteryFailed", "warning: Memory battery failed"}},
         "0 alarms, 1 warning"},
        {"memory battery back",
         {{"CONTROLLER", Controller, 15}, {"CONTROLLER", Controller, 14}},
         {{Controller, "MemoryBatt=R1439", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"parallel printer",
         {{"CONTROLLER", Controller, 16}},
         {{Controller, "ParallelPrint=R1433", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"parallel printer off line",
         {{"CONTROLLER", Controller, 17}},
         {{Controller, "ParallelPrint=R1432", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"serial printer",
         {{"CONTROLLER", Controller, 18}},
         {{Controller, "SerialPrint=R1433", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"serial printer off line",
         {{"CONTROLLER", Controller, 19}},
         {{Controller, "SerialPrint=R1432", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"tamper pending",
         {{"CONTROLLER", Controller, 22}},
         {{Controller, "TamperPending=R1444", "TamperPending", "alarm: Tamper pending"}},
         "1 alarm, 0 warnings"},
        {"tamper no longer pending",
         {{"CONTROLLER", Controller, 22}, {"CONTROLLER", Controller, 23}},
         {{Controller, "TamperPending=R1445", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"terminal state 26",
         {{"CONTROLLER", Controller, 26}},
         {{Controller, "Terminal=R1449", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"terminal state 27",
         {{"CONTROLLER", Controller, 27}},
         {{Controller, "Terminal=R1448", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"UPS battery failed",
         {{"CONTROLLER", Controller, 31}},
         {{Controller, "UPSBattF=R1440", "UpsBatteryFailed", "warning: UPS battery failed"}},
         "0 alarms, 1 warning"},
        {"UPS battery back",
         {{"CONTROLLER", Controller, 31}, {"CONTROLLER", Controller, 32}},
         {{Controller, "UPSBattF=R1439", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"UPS battery state 33",
         {{"CONTROLLER", Controller, 33}},
         {{Controller, "UPSBattF=R1450", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"a state that says nothing but on line",
         {{"CONTROLLER", Controller, 0}, {"CONTROLLER", Controller, 28}},
         {{Controller, "Status=R1433", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"state 35 changes nothing",
         {{"CONTROLLER", Controller, 0}, {"CONTROLLER", Controller, 35}},
         {{Controller, "Status=R1435", "Offline", "warning: Off line"}},
         "0 alarms, 1 warning"},
        {"state not known",
         {{"CONTROLLER", Controller, 34}},
         {{Controller, "Status=R1435", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"a state no controller has",
         {{"CONTROLLER", Controller, 99}},
         {{Controller, "Status=R1435", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"threat level",
         {{"CONTROLLER_THREAT_LEVEL", Controller, 37, "5"}},
         {{Controller, "ThreatLevel=Severe", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"disabled",
         {{"CONTROLLER_ENABLED", Controller, 0}},
         {{Controller, "Enabled=R1679", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"enabled",
         {{"CONTROLLER_ENABLED", Controller, 0}, {"CONTROLLER_ENABLED", Controller, 1}},
         {{Controller, "Enabled=R1463", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"reset: every point of the controller read as not known",
         {{"STD_INPUT", Input, 65},
          {"READER", Reader, 2},
          {"CONTROLLER", Controller, 3},
          {"CONTROLLER", Controller, 36}},
         {{Controller, "Status=R1433;Enclosure=R1435", "", "normal"},
          {Input, "Alarm=R1435;Status=R1435", "", "normal"},
          {Door, "Alarm=R1435;Status=R1435", "", "normal"},
          {Reader, "PTamper=R1435", "", "normal"}},
         "0 alarms, 0 warnings"},
    });
}

TEST_F(PointStatesTableTest, BoxAndPortStates) {
    checkAll({
        {"box report: stamped only",
         {{"PYLON", Box, 0}},
         {{Box, "LastUpdated=2025-06-01 08:00:00;Enabled=R1463", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"box disabled", {{"PYLON_ENABLED", Box, 0}}, {{Box, "Enabled=R1679", "", "normal"}}, "0 alarms, 0 warnings"},
        {"port off line",
         {{"PORT", Port, 0}},
         {{Port, "Status=R1432", "Offline", "warning: Off line"}},
         "0 alarms, 1 warning"},
        {"port on line",
         {{"PORT", Port, 0}, {"PORT", Port, 1}},
         {{Port, "Status=R1433", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"port dialling",
         {{"PORT", Port, 2, "4"}},
         {{Port, "Status=Dialing...", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"a state no port has", {{"PORT", Port, 7}}, {{Port, "Status=R1434", "", "normal"}}, "0 alarms, 0 warnings"},
        {"port disabled", {{"PORT_ENABLED", Port, 0}}, {{Port, "Enabled=R1679", "", "normal"}}, "0 alarms, 0 warnings"},
    });
}

TEST_F(PointStatesTableTest, NewerLineStates) {
    // Packed line states, a byte per line: 0x11 "//", 0x12 "X", 0x2n open, 0x3n short.
    checkAll({
        {"input lines regular",
         {{"ZR2_INPUT", ZInput, 1, "1184274"}},
         {{ZInput, "Input1=X;Input2=X;Input3=X;Alarm=R1435;Status=X", "", "normal"},
          {ZDoor, "Input1=X;Input2=X;Input3=X;Alarm=R1435;Status=R1435", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"input line 1 active",
         {{"ZR2_INPUT", ZInput, 1, "1184273"}},
         {{ZInput, "Input1=//;Input2=X;Input3=X;Alarm=R1463;Status=//", "Alarm", "alarm: In alarm"},
          {ZDoor, "Input1=//;Alarm=R1463;Status=R1435", "Alarm", "alarm: In alarm"}},
         "2 alarms, 0 warnings"},
        {"input line 3 active",
         {{"ZR2_INPUT", ZInput, 1, "1118738"}},
         {{ZInput, "Input1=X;Input2=X;Input3=//;Alarm=R1463", "Alarm", "alarm: In alarm"}},
         "2 alarms, 0 warnings"},
        {"input line open: the other lines read alike",
         {{"ZR2_INPUT", ZInput, 1, "1184289"}},
         {{ZInput, "Input1=Line Open;Input2=Line Open;Input3=Line Open;Alarm=R1435;Status=Line Open", "LineOpen",
           "alarm: Line open"},
          {ZDoor, "Input1=Line Open", "LineOpen", "alarm: Line open"}},
         "2 alarms, 0 warnings"},
        {"input line short",
         {{"ZR2_INPUT", ZInput, 1, "1184305"}},
         {{ZInput, "Input1=Line Short;Status=Line Short", "LineShort", "alarm: Line short"}},
         "2 alarms, 0 warnings"},
        {"input line out of tolerance",
         {{"ZR2_INPUT", ZInput, 1, "1184321"}},
         {{ZInput, "Input1=Out of Spec", "LineFault", "warning: Line fault"}},
         "0 alarms, 2 warnings"},
        {"input line noisy",
         {{"ZR2_INPUT", ZInput, 1, "1184337"}},
         {{ZInput, "Input1=Noisy", "LineNoisy", "warning: Line noisy"}},
         "0 alarms, 2 warnings"},
        {"input line open while masked",
         {{"ZR2_INPUT", ZInput, 0, "2"}, {"ZR2_INPUT", ZInput, 1, "1184289"}},
         {{ZInput, "Input1=Line Open", "Masked|LineOpen", "warning: Line open, Masked"},
          {ZDoor, "Input1=Line Open", "Masked|LineOpen", "warning: Line open, Masked"}},
         "0 alarms, 2 warnings; masked \\\\ZRII.S01.C001.BI01;\\\\ZRII.S01.C001.DR01"},
        {"input masked",
         {{"ZR2_INPUT", ZInput, 0, "2"}},
         {{ZInput, "Masked=Time Zone", "Masked", "warning: Masked"},
          {ZDoor, "Masked=Time Zone;Status=R1435", "Masked", "warning: Masked"}},
         "0 alarms, 2 warnings; masked \\\\ZRII.S01.C001.BI01;\\\\ZRII.S01.C001.DR01"},
        {"input unmasked",
         {{"ZR2_INPUT", ZInput, 0, "2"}, {"ZR2_INPUT", ZInput, 0, "0"}},
         {{ZInput, "Masked=-", "", "normal"}, {ZDoor, "Masked=-", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"relay forced on",
         {{"ZR2_RELAY", ZRelay, 0, "1024"}},
         {{ZRelay, "Relay Details=Force On", "RelayForced", "warning: Relay forced"},
          {ZDoor, "Relay Details=Force On", "RelayForced", "warning: Relay forced"}},
         "0 alarms, 2 warnings"},
        {"relay locked down",
         {{"ZR2_RELAY", ZRelay, 0, "131072"}},
         {{ZRelay, "Relay Details=Lock Down", "RelayForced", "warning: Relay forced"}},
         "0 alarms, 2 warnings"},
        {"relay in a mode of its own",
         {{"ZR2_RELAY", ZRelay, 0, "66"}},
         {{ZRelay, "Relay Details=Time Zone,Unlock", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"relay on",
         {{"ZR2_RELAY", ZRelay, 1, "ON"}},
         {{ZRelay, "Status=ON", "", "normal"}, {ZDoor, "Relay Status=ON;Status=R1435", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"module enclosure open",
         {{"ZR2_MODULE", ZModule, 3}},
         {{ZModule, "Enclosure=R1438", "EnclosureOpen", "alarm: Enclosure tamper"}},
         "1 alarm, 0 warnings"},
        {"module enclosure closed",
         {{"ZR2_MODULE", ZModule, 3}, {"ZR2_MODULE", ZModule, 2}},
         {{ZModule, "Enclosure=R1437", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"module off line: read again from the site",
         {{"ZR2_MODULE", ZModule, 0}},
         {{ZModule, "Status=R1435", "Offline", "warning: Off line"}},
         "0 alarms, 1 warning",
         "UPDATE ZRII_Modules SET Online = 0 WHERE Address = '\\\\ZRII.S01.C001.MD01'",
         "UPDATE ZRII_Modules SET Online = 1"},
        {"module on line",
         {{"ZR2_MODULE", ZModule, 1}},
         {{ZModule, "Status=R1433", "", "normal"}},
         "0 alarms, 0 warnings"},
        {"controller off line: read again from the site",
         {{"ZR2_CONTROLLER", ZController, 0}},
         {{ZController, "Status=R1435", "Offline", "warning: Off line"}},
         "0 alarms, 1 warning",
         "UPDATE ZRII_Controllers SET Online = 0",
         "UPDATE ZRII_Controllers SET Online = 1"},
        {"controller on line",
         {{"ZR2_CONTROLLER", ZController, 1}},
         {{ZController, "Status=R1433", "", "normal"}},
         "0 alarms, 0 warnings"},
    });
}

}  // namespace so::test::pointstates
