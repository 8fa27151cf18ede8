// Quotes, semicolons, comments and SQL through every entry point that reaches the database: the
// host's state changes (addresses, states, times, values), other workstations' notifications,
// status requests, group names, point names and addresses, and the column layout texts of a
// profile. Two sites are generated alike; one gets the legitimate operations only, the other the
// same operations plus the hostile ones. Afterwards every table must read the same on both: the
// read-only entry points wrote nothing, and the writing ones stored exactly the texts given (the
// legitimate site gets those texts written by bound parameters after its own operations).
#include "component/StatusInternals.h"
#include "status/StatusBoard.h"
#include "reliability/ReliabilitySite.h"

#include "groups/GroupStore.h"
#include "domain/Address.h"
#include "status/SuperStatus.h"
#include "grid/Sections.h"

#include <gtest/gtest.h>

#include <cmath>

namespace so::test {
namespace {

const QStringList kHostile = {
    QStringLiteral("'"),
    QStringLiteral("''"),
    QStringLiteral("' OR '1'='1"),
    QStringLiteral("'; DROP TABLE Doors; --"),
    QStringLiteral("x'); DELETE FROM Status_Points; --"),
    QStringLiteral("\"; UPDATE Controllers SET Address = ''; --"),
    QStringLiteral("/* open comment"),
    QStringLiteral("-- dash comment"),
    QStringLiteral("*/ close'"),
    QStringLiteral("N'national'"),
    QStringLiteral("]; DROP TABLE [SuperStatus"),
    QStringLiteral("?"),
    QStringLiteral("@Address"),
    QStringLiteral(":Name ?, ?"),
    QStringLiteral("1; SELECT 1"),
    QStringLiteral("\\\\SNET'.S01.C01.DR01"),
    QStringLiteral("%_%' ESCAPE '"),
    QStringLiteral("Ω ' ünï'cödé"),
    QStringLiteral("\t\r\n' ;"),
};

const QStringList kDeviceTypes = {
    QStringLiteral("CONTROLLER"),          QStringLiteral("CONTROLLER_THREAT_LEVEL"),
    QStringLiteral("CONTROLLER_ENABLED"),  QStringLiteral("READER"),
    QStringLiteral("READER_THREAT_LEVEL"), QStringLiteral("PYLON"),
    QStringLiteral("PYLON_ENABLED"),       QStringLiteral("PORT"),
    QStringLiteral("PORT_ENABLED"),        QStringLiteral("STD_RELAY"),
    QStringLiteral("STD_INPUT"),           QStringLiteral("STD_INPUTV"),
    QStringLiteral("EXP_RELAY"),           QStringLiteral("EXP_INPUT"),
    QStringLiteral("EXP_INPUTV"),          QStringLiteral("ZR2_RELAY"),
    QStringLiteral("ZR2_INPUT"),           QStringLiteral("ZR2_MODULE"),
    QStringLiteral("ZR2_CONTROLLER"),
};

/// True for a report of a failing statement: what a value spliced into SQL would cause.
bool isDatabaseFailure(const QString& text) {
    return text.contains(QStringLiteral("-2147467259")) ||
           text.contains(QStringLiteral("statement"), Qt::CaseInsensitive);
}

QStringList databaseFailures(ReliabilitySite& s) {
    QStringList out;
    for (const FakeDialogs::Shown& m : s.dialogs.messages)
        if (isDatabaseFailure(m.text))
            out << m.text;
    for (const QString& e : s.host.loggedErrors)
        if (isDatabaseFailure(e))
            out << e;
    return out;
}

/// State changes and notifications any site sees in normal running.
void legitimateTraffic(ReliabilitySite& s) {
    const QString reader = s.firstAddress(3, QStringLiteral("SM"));
    const QString input = s.firstAddress(1, QStringLiteral("BI"));
    const QString module = s.firstAddress(7);
    s.status->StateChange(QStringLiteral("READER"), reader, 2);
    s.status->StateChange(QStringLiteral("STD_INPUT"), input, 1, {}, QStringLiteral("0"));
    s.status->StateChange(QStringLiteral("ZR2_MODULE"), module, 1);
    s.status->SyncPipe(QStringLiteral("STATUSVIEW"), 4, input, QStringLiteral("WS2"), {});
    s.status->SyncPipe(QStringLiteral("STATUSVIEW"), 5, QString(), QStringLiteral("WS2"), {});
}

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override {
        hostile.showGroup(hostile.site.siteGroupId);
        legitimate.showGroup(legitimate.site.siteGroupId);
        ASSERT_GT(hostile.totalRows(), 100);
    }

    /// The two sites' tables hold the same rows. The alarm tables are written at the attention
    /// list's ticks with the wall clock's time (the two sites share one event loop, so either's
    /// timer may fire during the other's work): after a tick on each, they hold the same alarms
    /// and steps, whatever their times.
    void expectSameTables() {
        hostile.window().attentionTick();
        legitimate.window().attentionTick();
        QMap<QString, QByteArray> hostileSums = tableChecksums(*hostile.db);
        QMap<QString, QByteArray> legitimateSums = tableChecksums(*legitimate.db);
        for (const char* timed : {"AlarmStates", "AlarmJournal"}) {
            hostileSums.remove(QLatin1String(timed));
            legitimateSums.remove(QLatin1String(timed));
        }
        const QStringList differing = differingTables(hostileSums, legitimateSums);
        EXPECT_TRUE(differing.isEmpty()) << "tables that differ: " << differing.join(u',').toStdString();
        const QString alarms = QStringLiteral(
            "SELECT Address, CASE WHEN ClearedAt IS NULL THEN 1 ELSE 0 END, AcknowledgedBy FROM AlarmStates "
            "UNION ALL SELECT Address, Event, OperatorName FROM AlarmJournal ORDER BY 1, 2");
        EXPECT_EQ(rowsOf(*hostile.db, alarms), rowsOf(*legitimate.db, alarms)) << "the alarms and their steps";
    }

    static QStringList rowsOf(db::Connection& db, const QString& sql) {
        QStringList rows;
        for (db::Recordset rs = db.query(sql); !rs.eof(); rs.moveNext())
            rows << QStringLiteral("%1|%2|%3")
                        .arg(rs.field(0).toString(), rs.field(1).toString(), rs.field(2).toString());
        return rows;
    }

    ReliabilitySite hostile;
    ReliabilitySite legitimate;
};

TEST_F(HostileInput, StateChangesNotificationsAndStatusRequestsWriteNothing) {
    legitimateTraffic(legitimate);
    legitimateTraffic(hostile);

    Status& status = *hostile.status;
    const QString realInput = hostile.firstAddress(1, QStringLiteral("BI"));
    const QString realModule = hostile.firstAddress(7);
    int calls = 0;
    for (const QString& h : kHostile) {
        for (const QString& type : kDeviceTypes) {
            for (const quint8 state : {quint8(0), quint8(2), quint8(67)}) {
                status.StateChange(type, h, state, {}, {});        // hostile address
                status.StateChange(type, realInput, state, h, h);  // hostile time and value
                status.StateChange(type, realModule + h, state, {}, QStringLiteral("1"));
                calls += 3;
            }
        }
        for (qint32 action = 1; action <= 9; ++action) {
            for (const QString& data : {h, h + QLatin1Char('|') + h, realInput + QLatin1Char('|') + h,
                                        h + QStringLiteral("|CONT"), h + QStringLiteral("|7")}) {
                status.SyncPipe(QStringLiteral("STATUSVIEW"), action, data, QStringLiteral("WS2"), {});
                ++calls;
            }
        }
        status.UpdateNames(h, realInput);
        for (qint16 kind = 0; kind <= 8; ++kind)
            for (const bool wholeController : {false, true})
                for (const char* prefix : {"", "\\\\SNET.P01.C00001.BI01", "\\\\PORT.", "\\\\PYLON."})
                    superStatusOf(status).RequestSuperStatus(wholeController, QLatin1String(prefix) + h, kind);
        calls += 73;
    }
    EXPECT_GT(calls, 2000);
    EXPECT_EQ(databaseFailures(hostile), QStringList());
    expectSameTables();
}

/// The texts the group operations store: two group names, a point name and a point address.
struct GroupTexts {
    QString createdGroup;
    QString deletedGroup;
    QString pointName;
    QString pointAddress;
};

void groupOperations(ReliabilitySite& s, const GroupTexts& t) {
    GroupStore& groups = groupStoreOf(*s.status);
    EXPECT_EQ(groups.checkName(t.createdGroup), GroupNameProblem::None);
    QVector<SelectedPoint> points = {
        {t.pointName, s.firstAddress(0), 1, 1, 0, 16},
        {QStringLiteral("Plain point"), t.pointAddress, 2, 2, 1, 18},
    };
    const qint32 created = groups.createGroup(t.createdGroup, points);
    ASSERT_GT(created, 0);
    EXPECT_EQ(groups.checkName(t.createdGroup), GroupNameProblem::Taken);
    points.append({t.pointName, t.pointAddress, 3, 7, 0, 19});
    EXPECT_TRUE(groups.replacePoints(created, t.createdGroup, points));
    const qint32 doomed = groups.createGroup(t.deletedGroup, points);
    ASSERT_GT(doomed, 0);
    EXPECT_TRUE(groups.deleteGroup(doomed, t.deletedGroup));
    // The window shows the group with its stored names and addresses.
    windowOf(*s.status).FillPoints(created);
}

void setDetail(ReliabilitySite& s, const QString& name, const QString& text) {
    db::Command upsert(*s.db, QStringLiteral("KSP_Update_Profile_Persisted_Details"));
    upsert.setProcedure(true);
    upsert.appendParameter(QStringLiteral("ProfileID"), db::ParamType::Integer, db::ParamDirection::Input, 4,
                           s.site.defaultProfileId);
    upsert.appendParameter(QStringLiteral("ObjectID"), db::ParamType::Integer, db::ParamDirection::Input, 4, 10);
    upsert.appendParameter(QStringLiteral("DetailName"), db::ParamType::VarChar, db::ParamDirection::Input, 50, name);
    upsert.appendParameter(QStringLiteral("Value"), db::ParamType::NVarChar, db::ParamDirection::Input, 0, text);
    upsert.execute();
}

void setLayout(ReliabilitySite& s, const QString& text) { setDetail(s, QStringLiteral("ColumnHeaderPos0"), text); }

/// The stored value of a profile detail of the site's default profile.
QString storedDetail(ReliabilitySite& s, const QString& name) {
    db::Command read(*s.db, QStringLiteral("SELECT DetailValue FROM Profile_Details WHERE ProfileID = ? AND "
                                           "ObjectID = 10 AND DetailName = ?"));
    read.appendParameter(QStringLiteral("@Profile"), db::ParamType::Integer, db::ParamDirection::Input, 4,
                         s.site.defaultProfileId);
    read.appendParameter(QStringLiteral("@Name"), db::ParamType::VarChar, db::ParamDirection::Input, 50, name);
    db::Recordset rs = read.open();
    return rs.eof() ? QStringLiteral("<none>") : rs.field(0).toString();
}

/// Replaces a stored text by another, bound: the reference for what the component must store.
void replaceText(ReliabilitySite& s, const QString& table, const QString& column, const QString& from,
                 const QString& to) {
    db::Command update(*s.db, QStringLiteral("UPDATE %1 SET %2 = ? WHERE %2 = ?").arg(table, column));
    update.appendParameter(QStringLiteral("@To"), db::ParamType::NVarChar, db::ParamDirection::Input, 0, to);
    update.appendParameter(QStringLiteral("@From"), db::ParamType::NVarChar, db::ParamDirection::Input, 0, from);
    ASSERT_GT(update.execute(), 0) << table.toStdString() << "." << column.toStdString() << " has no "
                                   << from.toStdString();
}

/// A section 0 layout whose keys are the real column keys and whose captions carry SQL; it is in
/// the form the window writes back (no "," or "][" inside a caption), so it must be stored as is.
QString layoutWithCaptions(const QStringList& captions) {
    const QStringList keys = {QStringLiteral("Name"), QStringLiteral("Address"), QStringLiteral("Status"),
                              QStringLiteral("Alarm"), QStringLiteral("LastUpdated")};
    QStringList entries;
    for (int i = 0; i < keys.size(); ++i)
        entries << QStringLiteral("%1][%2][%3][%4][True").arg(keys[i], captions.value(i)).arg(i + 1).arg(80 + i);
    return entries.join(QLatin1Char(','));
}

TEST_F(HostileInput, GroupNamesPointNamesAndLayoutsAreStoredExactlyAsGiven) {
    const QStringList captions = {QStringLiteral("Door'; DROP TABLE Doors; --"), QStringLiteral("Addr' OR '1'='1"),
                                  QStringLiteral("/* state */ N'x'"), QStringLiteral("\"alarm\" ]] [[ ?"),
                                  QStringLiteral("-- when")};
    const QString hostileLayout = layoutWithCaptions(captions);
    const QString plainLayout =
        layoutWithCaptions({QStringLiteral("Door"), QStringLiteral("Address"), QStringLiteral("State"),
                            QStringLiteral("Alarm"), QStringLiteral("Updated")});
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const QString a = kHostile[(round * 3) % kHostile.size()], b = kHostile[(round * 3 + 1) % kHostile.size()],
                      c = kHostile[(round * 3 + 2) % kHostile.size()];
        const GroupTexts hostileTexts{a + QString::number(round), b + QString::number(round), c,
                                      QStringLiteral("\\\\SNET.") + c};
        const GroupTexts plainTexts{QStringLiteral("Group %1").arg(round), QStringLiteral("Doomed %1").arg(round),
                                    QStringLiteral("Point %1").arg(round), QStringLiteral("Address %1").arg(round)};
        groupOperations(hostile, hostileTexts);
        groupOperations(legitimate, plainTexts);
        replaceText(legitimate, QStringLiteral("Status_Groups"), QStringLiteral("GroupName"), plainTexts.createdGroup,
                    hostileTexts.createdGroup);
        replaceText(legitimate, QStringLiteral("Status_Points"), QStringLiteral("ListName"), plainTexts.pointName,
                    hostileTexts.pointName);
        replaceText(legitimate, QStringLiteral("Status_Points"), QStringLiteral("ListAddress"), plainTexts.pointAddress,
                    hostileTexts.pointAddress);
    }

    // The layout is read when the window is shown and written back when it unloads.
    for (ReliabilitySite* s : {&hostile, &legitimate}) {
        s->status->ShutDown();
        setLayout(*s, s == &hostile ? hostileLayout : plainLayout);
        s->status->Show();
        s->status->ShutDown();
    }
    EXPECT_EQ(contextOf(*hostile.status).layout.columnHeaderPos[0], hostileLayout);
    replaceText(legitimate, QStringLiteral("Profile_Details"), QStringLiteral("DetailValue"), plainLayout,
                hostileLayout);

    EXPECT_EQ(databaseFailures(hostile), QStringList());
    expectSameTables();
}

// ---- stored layouts that cannot be used, and text from outside beyond the site's limits

TEST(HostileLayouts, ABadOrIncompleteStoredLayoutCostsOnlyItsSectionAndIsNeverOverwritten) {
    ReliabilitySite s;
    const QString bad = QStringLiteral("Name][N][1][85][True,Address][A][2][wide][True");
    const QString custom = QStringLiteral("Address][Where][1][120][True,Name][Input][2][90][True");
    // An older layout of the inputs: no Status and no LastUpdated column.
    const QString incomplete = QStringLiteral("Name][Input][1][90][True,Address][Where][2][120][True");
    const QString settings[][2] = {
        {QStringLiteral("Height"), QStringLiteral("1e39")},  // no window is that tall
        {QStringLiteral("ColumnHeaderPos1"), incomplete},   {QStringLiteral("ColumnHeaderPos2"), bad},
        {QStringLiteral("Width"), QStringLiteral("-inf")},  {QStringLiteral("ColumnHeaderPos5"), custom},
        {QStringLiteral("Left"), QStringLiteral("120")},
    };
    for (const auto& [name, value] : settings)
        setDetail(s, name, value);
    s.showGroup(s.site.siteGroupId);

    // Every section has columns; the bad one its defaults, the custom ones their own.
    for (int section = 0; section < kSectionCount; ++section)
        EXPECT_GE(s.grid(section).columnIndex(QStringLiteral("Address")), 0) << section;
    EXPECT_EQ(s.grid(5).column(0).caption, QStringLiteral("Where"));
    EXPECT_EQ(s.grid(1).column(0).caption, QStringLiteral("Input"));
    EXPECT_GT(s.window().board().sections().masked().columnCount(), 0);
    EXPECT_GT(s.grid(2).rowCount(), 0);
    // Settings after the unusable ones were still read; the unusable ones kept their defaults.
    const LayoutSettings& layout = contextOf(*s.status).layout;
    EXPECT_EQ(layout.left, 120.0f);
    EXPECT_EQ(layout.height, 5000.0f);
    EXPECT_EQ(layout.width, 8000.0f);

    // Live updates reach the columns the older layout lacks.
    const QString input = s.firstAddress(1, QStringLiteral("BI"));
    s.status->StateChange(QStringLiteral("STD_INPUT"), input, 1, QStringLiteral("2026-12-06 10:11:12"),
                          QStringLiteral("0"));
    EXPECT_NE(s.cell(1, input, QStringLiteral("Status")), QString());
    EXPECT_TRUE(s.cell(1, input, QStringLiteral("LastUpdated")).contains(QStringLiteral("10:11:12")));

    s.status->ShutDown();
    EXPECT_EQ(storedDetail(s, QStringLiteral("ColumnHeaderPos2")), bad) << "a layout that did not load is kept";
    EXPECT_EQ(storedDetail(s, QStringLiteral("ColumnHeaderPos5")), custom);
    EXPECT_EQ(storedDetail(s, QStringLiteral("ColumnHeaderPos1")), incomplete) << "added columns are not stored";
    for (const QString& name : {QStringLiteral("Height"), QStringLiteral("Width")}) {
        bool ok = false;
        const double stored = storedDetail(s, name).toDouble(&ok);
        EXPECT_TRUE(ok && std::isfinite(stored) && stored >= 0 && stored <= 1e7) << name.toStdString();
    }
}

TEST(HostileBounds, TextBeyondTheSitesLimitsAndUnknownPointsAreDroppedNotKept) {
    ReliabilitySite s;
    s.showGroup(s.site.siteGroupId);
    const int maskedRows = s.window().board().sections().masked().rowCount();
    const int groupEntries = int(s.window().groupEntries().size());
    const QString input = s.firstAddress(1, QStringLiteral("BI"));
    const QString module = s.firstAddress(7);
    const QString statusBefore = s.cell(1, input, QStringLiteral("Status"));

    const QString longTail(10000, QLatin1Char('7'));
    const struct {
        const char* type;
        QString address;
        quint8 state;
        QString time;
        QString value;
    } reports[] = {
        {"ZR2_MODULE", module + longTail, 1, {}, {}},  // a huge module address
        {"ZR2_INPUT", QStringLiteral("\\\\ZRII.") + longTail, 0, {}, QStringLiteral("3")},
        {"STD_INPUT", input, 1, QStringLiteral("2026-12-06 ") + longTail, QStringLiteral("0")},  // a huge time
        {"STD_INPUT", input, 1, {}, longTail},                                                   // a huge value
    };
    for (const auto& r : reports) {
        SCOPED_TRACE(r.type);
        const int before = s.logEntries();
        s.status->StateChange(QString::fromLatin1(r.type), r.address, r.state, r.time, r.value);
        EXPECT_EQ(s.logEntries(), before + 1) << "dropped and logged";
    }
    EXPECT_EQ(s.cell(1, input, QStringLiteral("Status")), statusBefore);
    EXPECT_TRUE(s.dialogs.messages.isEmpty()) << "logged without a box";

    // Masks reported for points the site does not know list nothing; a known point is listed.
    for (int i = 0; i < 200; ++i) {
        s.status->StateChange(QStringLiteral("ZR2_INPUT"), QStringLiteral("\\\\ZRII.9.9.%1").arg(i), 0, {},
                              QStringLiteral("3"));
        const QString unknownInput = QStringLiteral("\\\\SNET.Q9.C9.BI%1").arg(i % 100, 2, 10, QLatin1Char('0'));
        s.status->StateChange(QStringLiteral("STD_INPUT"), unknownInput, 67, {}, QStringLiteral("1"));
    }
    EXPECT_EQ(s.window().board().sections().masked().rowCount(), maskedRows);
    s.status->StateChange(QStringLiteral("STD_INPUT"), input, 67, {}, QStringLiteral("1"));
    StatusGrid& masked = s.window().board().sections().masked();
    EXPECT_GT(masked.findRow(input) + masked.findRow(ConvertToDoorAddress(input)), 0);

    // The same "group created" notice again and again adds its group once.
    s.db->execute(
        QStringLiteral("INSERT INTO Status_Groups (GroupID, GroupName, SiteID) VALUES (4242, 'Night shift', 1)"));
    for (int i = 0; i < 100; ++i)
        s.status->SyncPipe(QStringLiteral("STATUSVIEW"), 1, QStringLiteral("Night shift|4242"), QStringLiteral("WS2"),
                           {});
    EXPECT_EQ(s.window().groupEntries().size(), groupEntries + 1);
    s.status->SyncPipe(QStringLiteral("STATUSVIEW"), 1, QString(300, QLatin1Char('n')) + QStringLiteral("|4343"),
                       QStringLiteral("WS2"), {});
    EXPECT_EQ(s.window().groupEntries().size(), groupEntries + 1) << "a name longer than any group's";
}

}  // namespace
}  // namespace so::test
