// The masked list and the attention list over a run of reports, checked after every step: every
// kind of point that can be masked, masked and unmasked in turn; an alarm raised, cleared, raised
// again and kept until its keep time passes, on a clock the test drives.
#include "component/EveryKindSite.h"

#include <QRegularExpression>

namespace so::test::listsovertime {
namespace {

using namespace everykind;

class ListsOverTimeTest : public EveryKindTest {
protected:
    void SetUp() override {
        EveryKindTest::SetUp();
        // A base-board input that belongs to no door is listed under its own address.
        exec(QStringLiteral("UPDATE Inputs SET BelongToDoor = 0 WHERE Address = '\\\\SNET.P01.C00001.BI05'"));
    }

    static void report(Status& s, const char* device, const char* address, quint8 state, const char* value = "") {
        s.StateChange(QLatin1String(device), QLatin1String(address), state, QStringLiteral("2025-06-01 08:00:00"),
                      QLatin1String(value));
    }

    /// The masked list's addresses without their network and panel ("C00001.DR01 C001.BI07").
    static QString maskedList(Status& s) {
        StatusGrid& masked = windowOf(s).board().sections().masked();
        QStringList addresses;
        for (int row = 1; row <= masked.rowCount(); ++row)
            addresses << masked.address(row).section(QLatin1Char('.'), 2);
        return addresses.join(QLatin1Char(' '));
    }

    /// The attention list as "address severity[ cleared] words since", newest first within each severity.
    static QStringList attentionList(Status& s) {
        const AttentionList& list = windowOf(s).attention();
        QStringList out;
        for (const AttentionEntry& e : list.entries())
            out << QStringLiteral("%1 %2%3 %4 %5")
                       .arg(e.address.section(QLatin1Char('.'), -1),
                            e.severity == so::Severity::Alarm ? QStringLiteral("alarm") : QStringLiteral("warning"),
                            e.cleared() ? QStringLiteral(" cleared") : QString(), list.reason(e))
                       .arg(e.sinceMs);
        return out;
    }
};

TEST_F(ListsOverTimeTest, EveryKindOfInputMaskedAndUnmaskedStepByStep) {
    auto status = startNormal();
    struct Step {
        const char* device;
        const char* address;
        quint8 state;
        const char* value;
        const char* listed;  // the masked list after the step
    };
    const Step steps[] = {
        {"STD_INPUT", "\\\\SNET.P01.C00001.BI01", 67, "4", "C00001.DR01"},  // under its door
        {"STD_INPUT", "\\\\SNET.P01.C00001.BI05", 67, "1", "C00001.DR01 C00001.BI05"},
        {"EXP_INPUT", "\\\\SNET.P01.C00001.XI01", 67, "2", "C00001.DR01 C00001.BI05 C00001.XI01"},
        {"ZR2_INPUT", "\\\\ZRII.S01.C001.BI07", 0, "2", "C00001.DR01 C00001.BI05 C00001.XI01 C001.BI07"},
        // A newer-line door's input in the group is listed, and so is its door.
        {"ZR2_INPUT", "\\\\ZRII.S01.C001.BI01", 0, "8",
         "C00001.DR01 C00001.BI05 C00001.XI01 C001.BI07 C001.BI01 C001.DR01"},
        // Masked again for another reason: still listed once.
        {"STD_INPUT", "\\\\SNET.P01.C00001.BI01", 67, "1",
         "C00001.DR01 C00001.BI05 C00001.XI01 C001.BI07 C001.BI01 C001.DR01"},
        // An input the site does not have is never listed.
        {"STD_INPUT", "\\\\SNET.P01.C00001.BI99", 67, "1",
         "C00001.DR01 C00001.BI05 C00001.XI01 C001.BI07 C001.BI01 C001.DR01"},
        {"STD_INPUT", "\\\\SNET.P01.C00001.BI01", 68, "0", "C00001.BI05 C00001.XI01 C001.BI07 C001.BI01 C001.DR01"},
        {"EXP_INPUT", "\\\\SNET.P01.C00001.XI01", 68, "0", "C00001.BI05 C001.BI07 C001.BI01 C001.DR01"},
        {"ZR2_INPUT", "\\\\ZRII.S01.C001.BI01", 0, "0", "C00001.BI05 C001.BI07"},
        {"ZR2_INPUT", "\\\\ZRII.S01.C001.BI07", 1, "2", "C00001.BI05 C001.BI07"},
        {"ZR2_INPUT", "\\\\ZRII.S01.C001.BI07", 0, "0", "C00001.BI05"},
        {"STD_INPUT", "\\\\SNET.P01.C00001.BI05", 68, "0", ""},
    };
    for (const Step& step : steps) {
        report(*status, step.device, step.address, step.state, step.value);
        EXPECT_EQ(maskedList(*status), QLatin1String(step.listed))
            << step.device << " " << step.address << " state " << int(step.state) << " " << step.value;
    }
    EXPECT_EQ(status->errorReportsWritten(), 0);
}

TEST_F(ListsOverTimeTest, AnAlarmRaisedClearedRaisedAgainAndKeptUntilItsTimeIsUp) {
    auto status = startNormal();
    AttentionList& list = windowOf(*status).attention();
    list.setKeepClearedMs(60000);
    struct Step {
        qint64 atMs;  // the list's clock when it syncs after the reports
        std::vector<std::pair<const char*, quint8>> reports;
        QStringList listed;
    };
    const char* input = "\\\\SNET.P01.C00001.BI01";
    const char* reader = "\\\\SNET.P01.C00001.SM01";
    const Step steps[] = {
        {2000, {{input, 1}, {input, 65}}, {"DR01 alarm Forced open 2000", "BI01 alarm In alarm 2000"}},
        {3000, {{reader, 2}}, {"SM01 alarm Tamper 3000", "DR01 alarm Forced open 2000", "BI01 alarm In alarm 2000"}},
        // Closed and cleared: both stay at their places, greyed.
        {4000,
         {{input, 66}, {input, 0}},
         {"SM01 alarm Tamper 3000", "DR01 alarm cleared Forced open 2000", "BI01 alarm cleared In alarm 2000"}},
        // Raised again: new entries at the newest place, with the new time.
        {5000,
         {{input, 1}, {input, 65}},
         {"DR01 alarm Forced open 5000", "BI01 alarm In alarm 5000", "SM01 alarm Tamper 3000"}},
        // A cleared alarm waits for its acknowledgement below the live entries, past the keep time too.
        {6000,
         {{reader, 3}, {input, 66}},
         {"DR01 warning Open 5000", "BI01 warning Open 5000", "SM01 alarm cleared Tamper 3000"}},
        {6000 + 60000, {}, {"DR01 warning Open 5000", "BI01 warning Open 5000", "SM01 alarm cleared Tamper 3000"}},
        {70000,
         {{input, 0}},
         {"SM01 alarm cleared Tamper 3000", "DR01 warning cleared Open 5000", "BI01 warning cleared Open 5000"}},
        // Cleared warnings stay their keep time, then go.
        {70000 + 59999,
         {},
         {"SM01 alarm cleared Tamper 3000", "DR01 warning cleared Open 5000", "BI01 warning cleared Open 5000"}},
        {70000 + 60000, {}, {"SM01 alarm cleared Tamper 3000"}},
    };
    for (const Step& step : steps) {
        for (const auto& [address, state] : step.reports)
            report(*status, address == reader ? "READER" : "STD_INPUT", address, state);
        list.sync(step.atMs);
        EXPECT_EQ(attentionList(*status), step.listed) << "at " << step.atMs << " ms";
        EXPECT_EQ(list.alarmCount(), step.listed.filter(QRegularExpression(QStringLiteral(" alarm [A-Z]"))).size());
    }
    // Clearing the cleared entries leaves the alarm that waits for its acknowledgement; the
    // acknowledgement of that occurrence (raised at 3000) removes it.
    StatusReader statusReader(*status);
    statusReader.clearCleared();
    EXPECT_EQ(statusReader.attentionCount(), 1);
    EXPECT_FALSE(list.acknowledge(QString::fromLatin1(reader), 2000, QStringLiteral("admin"), 131000));
    EXPECT_TRUE(list.acknowledge(QString::fromLatin1(reader), 3000, QStringLiteral("admin"), 131000));
    EXPECT_EQ(statusReader.attentionCount(), 0);
}

}  // namespace
}  // namespace so::test::listsovertime
