// The supervisor's commands on the report history: two moments compared, and an incident written
// as one page, on a demo site whose history the test writes with its own clock; and the command
// line that asks for them.
#include "cli/CliOptions.h"
#include "cli/HistoryCommands.h"
#include "cli/MomentCompare.h"
#include "field/ReportHistory.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"

#include "AppTestSite.h"
#include "HistoryField.h"

#include <QFile>
#include <QTemporaryFile>

#include <gtest/gtest.h>

namespace history_commands {

using sv::DeviceColumn;

/// A point name a hostile or careless configuration could hold: markup, quotes, a comma, a line
/// break and a terminal escape.
const QString kHostileName = QStringLiteral("<script>alert(\"x\")</script>, 'a'\nb\x1b[2J");

struct ASiteWithHistory : ::testing::Test {
    sv::test::DemoSiteFile site{400};
    sv::AppLog log;
    // Five minutes ago on a whole minute: the moments of the test are past, and an incident's
    // window reaches the present (when a desk drawing the past would record its alarms as raised).
    const qint64 start = (QDateTime::currentMSecsSinceEpoch() - 300000) / 60000 * 60000;
    qint64 now = start;
    std::unique_ptr<sv::ReportHistory> history;
    std::unique_ptr<so::db::Connection> fieldDb = site.connect();
    std::unique_ptr<sv::SimulatedField> field;
    qint32 inputId = 0;
    QString inputAddress;
    qint32 relayId = 0;
    QString relayAddress;

    ASiteWithHistory() {
        log.setEcho(false);
        inputId = site.scalar(
                          "SELECT MIN(InputID) FROM ZRII_Inputs i JOIN ZRII_Controllers c ON c.ID = i.ControllerID "
                          "WHERE c.Online <> 0 AND c.Installed <> 0 AND i.Disabled = 0")
                      .toInt();
        inputAddress =
            site.scalar(QStringLiteral("SELECT Address FROM ZRII_Inputs WHERE InputID = %1").arg(inputId)).toString();
        relayId = site.scalar(
                          "SELECT MIN(RelayID) FROM ZRII_Relays r JOIN ZRII_Controllers c ON c.ID = r.ControllerID "
                          "WHERE c.Online <> 0 AND c.Installed <> 0")
                      .toInt();
        relayAddress =
            site.scalar(QStringLiteral("SELECT Address FROM ZRII_Relays WHERE RelayID = %1").arg(relayId)).toString();
        so::db::Command rename(*site.db, QStringLiteral("UPDATE ZRII_Inputs SET Name = ? WHERE InputID = ?"));
        rename.appendParameter("@Name", so::db::ParamType::NVarChar, so::db::ParamDirection::Input, 0, kHostileName);
        rename.appendParameter("@ID", so::db::ParamType::Integer, so::db::ParamDirection::Input, 0, inputId);
        rename.execute();

        sv::test::startFieldWithHistory(site, *fieldDb, log, now, history, field);
    }

    /// A minute after the start the input goes active and the relay energises.
    void changeTwoPoints() {
        now = start + 60000;
        history->deviceChanged(DeviceColumn::InputContact, inputId, 0x11);
        history->deviceChanged(DeviceColumn::RelayEnergized, relayId, 1);
        now = start + 120000;
        ASSERT_TRUE(history->sync());
    }

    QDateTime at(qint64 offsetMs) const { return QDateTime::fromMSecsSinceEpoch(start + offsetMs); }

    sv::AppOptions task(sv::HistoryTask kind, qint64 firstMs, qint64 secondMs = 0) const {
        sv::AppOptions o;
        o.dbUrl = site.url;
        o.group = QStringLiteral("Entire Site");
        o.historyTask = kind;
        o.moment = at(firstMs);
        o.secondMoment = at(secondMs);
        return o;
    }

    /// Runs the task; what it printed, and its exit status in `status`.
    static QString run(const sv::AppOptions& options, int& status, QString* errors = nullptr) {
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        status = sv::runHistoryTask(options, out, err);
        const auto text = [](std::FILE* f) {
            std::rewind(f);
            QByteArray bytes;
            char buffer[4096];
            while (const size_t n = std::fread(buffer, 1, sizeof buffer, f))
                bytes.append(buffer, qsizetype(n));
            std::fclose(f);
            return QString::fromUtf8(bytes);
        };
        if (errors != nullptr)
            *errors = text(err);
        else
            std::fclose(err);
        return text(out);
    }
};

TEST_F(ASiteWithHistory, TwoMomentsListExactlyThePointsThatChangedWithBothStates) {
    changeTwoPoints();
    QTemporaryDir out;
    sv::AppOptions options = task(sv::HistoryTask::Compare, 30000, 90000);
    options.outFile = out.filePath("changes.csv");
    int status = -1;
    const QString printed = run(options, status);
    ASSERT_EQ(status, 0) << printed.toStdString();
    EXPECT_TRUE(printed.endsWith(
        QStringLiteral("3 points differ between %1 and %2\n")
            .arg(at(30000).toString("yyyy-MM-dd HH:mm:ss"), at(90000).toString("yyyy-MM-dd HH:mm:ss"))))
        << printed.toStdString();

    QFile file(options.outFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << lines.join('|').toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Section,Name,Address,%1,%2")
                            .arg(at(30000).toString("yyyy-MM-dd HH:mm:ss"), at(90000).toString("yyyy-MM-dd HH:mm:ss")));
    // The door whose input and relay they are shows both.
    EXPECT_EQ(lines[1],
              "Doors,Main Lobby,\\\\ZRII.S01.C001.DR01,Alarm: -; Input 1: X; Input 2: X; Input 3: X; Relay: OFF,"
              "Alarm: Yes; Input 1: //; Input 2: .; Input 3: .; Relay: ON");
    EXPECT_EQ(lines[2], QStringLiteral("Inputs,\"<script>alert(\"\"x\"\")</script>, 'a'\nb\x1b[2J\",%1,"
                                       "Status: X; Alarm: -; Input 1: X; Input 2: X; Input 3: X,"
                                       "Status: //; Alarm: Yes; Input 1: //; Input 2: .; Input 3: .")
                            .arg(inputAddress));
    EXPECT_EQ(lines[3], QStringLiteral("Relays,Main Lobby Strike,%1,Status: OFF,Status: ON").arg(relayAddress));

    // Without a file the list goes to the terminal, control characters blanked; the same
    // moment twice differs nowhere.
    options.outFile.clear();
    const QString listed = run(options, status);
    EXPECT_FALSE(listed.contains(QChar(0x1b)));
    EXPECT_TRUE(listed.contains(inputAddress));
    EXPECT_TRUE(run(task(sv::HistoryTask::Compare, 90000, 90000), status).startsWith("0 points differ"));
}

TEST_F(ASiteWithHistory, AMomentTheHistoryDoesNotHoldOrAMissingSiteIsRefusedWithItsReason) {
    changeTwoPoints();
    int status = -1;
    QString errors;
    run(task(sv::HistoryTask::Compare, -3600000, 30000), status, &errors);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(errors.contains("the history holds nothing for")) << errors.toStdString();

    // A mistyped site is refused, not created empty.
    sv::AppOptions missing = task(sv::HistoryTask::Compare, 30000, 90000);
    missing.dbUrl = QStringLiteral("sqlite:") + site.dir.filePath("mistyped.db");
    run(missing, status, &errors);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(errors.contains("there is no site file")) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(site.dir.filePath("mistyped.db")));
}

/// Inserts a step into the alarm journal and an event into the event log at `time`.
void recordAt(so::db::Connection& db, const QDateTime& time, const QString& text) {
    using so::db::ParamDirection;
    using so::db::ParamType;
    so::db::Command step(db,
                         QStringLiteral("INSERT INTO AlarmJournal (EventTime, Event, Address, OperatorName, Comment) "
                                        "VALUES (?, 'acknowledged', '1:2:3', 'admin', ?)"));
    step.appendParameter("@Time", ParamType::DateTime, ParamDirection::Input, 0, time);
    step.appendParameter("@Comment", ParamType::NVarChar, ParamDirection::Input, 0, text);
    step.execute();
    so::db::Command event(db, QStringLiteral("INSERT INTO EventLog (EventTime, Description, EventCode, OperatorID) "
                                             "VALUES (?, ?, 7, (SELECT MIN(OperatorID) FROM Operators))"));
    event.appendParameter("@Time", ParamType::DateTime, ParamDirection::Input, 0, time);
    event.appendParameter("@Description", ParamType::NVarChar, ParamDirection::Input, 0, text);
    event.execute();
}

TEST_F(ASiteWithHistory, AnIncidentPageHoldsTheBoardAndTheWindowsRecordsEscaped) {
    const QString inside = QStringLiteral("inside <b onmouseover=\"x\">, \"quoted\"\nnext line");
    now = start + 60000;
    history->reported(QStringLiteral("ZR2Input"), inputAddress, 1, QStringLiteral("report </td><script>"));
    recordAt(*site.db, at(60000), inside);
    changeTwoPoints();
    // The field's clock only goes forward here: records of one hour are read in the order written.
    now = start + 40 * 60000;
    history->reported(QStringLiteral("ZR2Input"), inputAddress, 1, QStringLiteral("report outside"));
    recordAt(*site.db, at(40 * 60000), QStringLiteral("record outside"));

    QTemporaryDir out;
    sv::AppOptions options = task(sv::HistoryTask::ExportIncident, 90000);
    options.outFile = out.filePath("incident.html");
    int status = -1;
    const QString printed = run(options, status);
    ASSERT_EQ(status, 0) << printed.toStdString();
    QFile file(options.outFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());

    // Nothing from the site or an operator becomes markup.
    EXPECT_FALSE(page.contains("<script")) << "a point's name or a report's value ran as a script";
    EXPECT_FALSE(page.contains("<b "));
    EXPECT_TRUE(page.contains("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;, 'a'\nb")) << "the point's name";
    EXPECT_TRUE(page.contains("report &lt;/td&gt;&lt;script&gt;")) << "the report in the window";
    EXPECT_EQ(page.count("inside &lt;b onmouseover=&quot;x&quot;&gt;, &quot;quoted&quot;\nnext line"), 2)
        << "the journal's comment and the event's description";
    EXPECT_FALSE(page.contains("outside")) << "records of another time";
    EXPECT_TRUE(page.contains("default-src 'none'")) << "the page may load nothing";
    EXPECT_FALSE(page.contains("http://"));
    EXPECT_FALSE(page.contains("https://"));
    // The board is the one of the moment: the input already active, its state worded by the desk.
    EXPECT_TRUE(page.contains(QStringLiteral("</td><td>%1</td><td>//</td>").arg(inputAddress)));
    EXPECT_FALSE(page.contains("Last Updated")) << "a past board's reception times are the file's making";
    // The journal is the site's: the desk that draws the past records the alarms it shows as
    // raised now, in its copy.
    EXPECT_TRUE(printed.contains("1 reports, 1 journal steps, 1 events")) << printed.toStdString();
}

TEST(ComparePoints, PairsPointsBySectionAndAddressAndNamesOnlyTheColumnsThatChanged) {
    const auto point = [](const char* section, const char* address, const QStringList& cells) {
        return sv::ShownPoint{section, "name", address, {"Status", "Alarm"}, cells};
    };
    const QVector<sv::ShownPoint> before{point("Inputs", "A1", {"Secure", "-"}), point("Inputs", "A2", {"Secure", "-"}),
                                         point("Doors", "A1", {"Closed", "-"}), point("Inputs", "A3", {"Secure", "-"})};
    const QVector<sv::ShownPoint> after{point("Doors", "A1", {"Closed", "-"}), point("Inputs", "A2", {"Secure", "Yes"}),
                                        point("Inputs", "A1", {"Active", "Yes"}),
                                        point("Inputs", "A4", {"Secure", "-"})};
    const QVector<sv::PointDifference> expected{
        {"Inputs", "name", "A2", "Alarm: -", "Alarm: Yes"},
        {"Inputs", "name", "A1", "Status: Secure; Alarm: -", "Status: Active; Alarm: Yes"},
        {"Inputs", "name", "A4", "not shown", "Status: Secure; Alarm: -"},
        {"Inputs", "name", "A3", "Status: Secure; Alarm: -", "not shown"},
    };
    EXPECT_EQ(sv::comparePoints(before, after), expected);
}

TEST(HistoryCommandLine, ReadsBothMomentsTheWindowAndTheFile) {
    const sv::CommandLine compare = sv::parseCommandLine({"statusviewer", "--db", "sqlite:s.db", "--compare",
                                                          "2026-12-08 02:13", "2026-12-08T02:28:30", "--out", "c.csv"});
    ASSERT_TRUE(compare.error.isEmpty()) << compare.error.toStdString();
    EXPECT_EQ(compare.options.historyTask, sv::HistoryTask::Compare);
    EXPECT_EQ(compare.options.moment, QDateTime(QDate(2026, 12, 8), QTime(2, 13)));
    EXPECT_EQ(compare.options.secondMoment, QDateTime(QDate(2026, 12, 8), QTime(2, 28, 30)));
    EXPECT_EQ(compare.options.outFile, "c.csv");
    EXPECT_FALSE(compare.options.outDir.has_value());

    const sv::CommandLine incident =
        sv::parseCommandLine({"statusviewer", "--db", "sqlite:s.db", "--export-incident", "2026-12-08 02:13", "--out",
                              "i.html", "--window-minutes", "5"});
    ASSERT_TRUE(incident.error.isEmpty()) << incident.error.toStdString();
    EXPECT_EQ(incident.options.historyTask, sv::HistoryTask::ExportIncident);
    EXPECT_EQ(incident.options.windowMinutes, 5);
    EXPECT_EQ(incident.options.outFile, "i.html");
}

TEST(HistoryCommandLine, RefusesWhatItCannotRunWithAClearReason) {
    const struct {
        QStringList args;
        const char* mentions;
    } cases[] = {
        {{"--compare", "2026-12-08 02:13", "2026-12-08 02:20"}, "needs --db"},
        {{"--db", "sqlite:s.db", "--compare", "2026-12-08 02:13"}, "two moments"},
        {{"--db", "sqlite:s.db", "--compare", "2026-12-08 02:13", "a", "b"}, "two moments"},
        {{"--db", "sqlite:s.db", "--compare", "yesterday", "2026-12-08 02:13"}, "\"yesterday\""},
        {{"--db", "sqlite:s.db", "--compare", "2026-12-08 02:13", "2026-13-08 02:13"}, "2026-13-08"},
        {{"--db", "sqlite:s.db", "--compare", "2026-12-08 02:13'; DROP TABLE x", "2026-12-08 02:13"}, "a moment is"},
        {{"--db", "sqlite:s.db", "--export-incident", "2026-12-08 02:13"}, "needs --out"},
        {{"--db", "sqlite:s.db", "--export-incident", "2026-12-08 02:13", "--out", "f", "--window-minutes", "0"},
         "--window-minutes"},
        {{"--db", "sqlite:s.db", "--export-incident", "2026-12-08 02:13", "--out", "f", "--window-minutes", "721"},
         "--window-minutes"},
        {{"--window-minutes", "5"}, "--export-incident"},
        {{"--db", "sqlite:s.db", "--export-incident", "2026-12-08 02:13", "--out", "f", "--compare", "2026-12-08 02:13",
          "2026-12-08 02:13"},
         "one at a time"},
        {{"field", "--db", "sqlite:s.db", "--export-incident", "2026-12-08 02:13", "--out", "f", "--broker",
          "mqtt://h:1"},
         "without a role"},
    };
    for (const auto& c : cases) {
        const sv::CommandLine result = sv::parseCommandLine(QStringList{"statusviewer"} + c.args);
        EXPECT_TRUE(result.error.contains(QLatin1String(c.mentions)))
            << c.args.join(' ').toStdString() << " -> \"" << result.error.toStdString() << '"';
    }
}

TEST(CsvField, QuotesWhatWouldSplitALineAndDisarmsFormulas) {
    const struct {
        const char* text;
        const char* field;
    } cases[] = {
        {"Front door", "Front door"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
        {"+1", "'+1"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sv::csvField(QString::fromUtf8(c.text)), QString::fromUtf8(c.field)) << c.text;
}

}  // namespace history_commands
