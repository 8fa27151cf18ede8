// Status group storage against the embedded site schema: the name rules, what is stored, the order
// in which changes are announced and logged, and that a failure part-way never loses points.
#include "groups/GroupStore.h"

#include "support/SiteFixture.h"
#include "base/ComponentContext.h"

#include <gtest/gtest.h>

namespace so {
namespace {

using test::FakeHost;
using test::HostCall;

SelectedPoint point(const QString& name, const QString& address, qint32 objectId, qint32 pointId, qint32 alternate = 0,
                    qint16 icon = 3) {
    return {name, address, objectId, pointId, alternate, icon};
}

QStringList storedPoints(db::Connection& db, qint32 groupId) {
    QStringList rows;
    for (db::Recordset rs = db.query(QStringLiteral("SELECT ObjectID, PointID, ListName, ListSmallIcon, ListAddress, "
                                                    "AlternateFlag FROM Status_Points WHERE GroupID = %1 "
                                                    "ORDER BY StatusPointID")
                                         .arg(groupId));
         !rs.eof(); rs.moveNext()) {
        QStringList cells;
        for (int i = 0; i < rs.fieldCount(); ++i)
            cells << rs.field(i).toString();
        rows << cells.join(QLatin1Char('/'));
    }
    return rows;
}

class GroupStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = test::openMemoryDatabase();
        db::createSiteSchema(*db);
        host.securityDomain = 7;
        ctx.parent = &host;
        ctx.ntConnection = &host;
        ctx.dbConnection = db.get();
        ctx.dialogs = &dialogs;
        ctx.errorLog.setFolder(logDir.path());
        // The lists record their updates among the host calls, so the order of both shows.
        store.setWindowHooks({{}, [this](qint32 id) {
                                  host.calls.append({QStringLiteral("window.groupDeleted"), {id}});
                              }});
        store.setDialogHooks({[this](qint32 id, const QString& name) {
                                  host.calls.append({QStringLiteral("dialog.groupCreated"), {id, name}});
                              },
                              [this](qint32 id) {
                                  host.calls.append({QStringLiteral("dialog.groupDeleted"), {id}});
                              }});
    }

    QStringList announcements() const {
        QStringList out;
        for (const HostCall& c : host.calls)
            if (c.name != QLatin1String("Fix_Apostrophe"))
                out << c.toString();
        return out;
    }

    std::unique_ptr<db::Connection> db;
    FakeHost host;
    test::FakeDialogs dialogs;
    QTemporaryDir logDir;
    ComponentContext ctx;
    GroupStore store{ctx};
    const QVector<SelectedPoint> lobby = {
        point(QStringLiteral("Front Entrance"), QStringLiteral("\\\\SNET.P01.C0001.DR01"), 1, 11),
        point(QStringLiteral("Lobby Motion"), QStringLiteral("\\\\SNET.P01.C0001.BI05"), 2, 25, 1, 5),
        point(QStringLiteral("Dock Reader"), QStringLiteral("\\\\ZRII.C0002.01.RL01"), 104, 3, 0, 9),
    };
};

TEST_F(GroupStoreTest, NameRules) {
    ASSERT_GT(store.createGroup(QStringLiteral("Lobby"), lobby), 0);
    struct Case {
        QString name;
        bool checkTaken;
        GroupNameProblem expected;
    };
    const Case cases[] = {
        {QString(), true, GroupNameProblem::Empty},
        {QString(50, QLatin1Char('n')), true, GroupNameProblem::None},
        {QString(51, QLatin1Char('n')), true, GroupNameProblem::TooLong},
        {QStringLiteral("Lobby"), true, GroupNameProblem::Taken},
        {QStringLiteral("LOBBY"), true, GroupNameProblem::Taken},  // the site compares names without case
        {QStringLiteral("Lobby"), false, GroupNameProblem::None},
        {QStringLiteral("x' OR '1'='1"), true, GroupNameProblem::None},
        // Names nobody can read back: blank, control characters, half a surrogate pair.
        {QStringLiteral("   "), true, GroupNameProblem::Empty},
        {QStringLiteral("\t \u3000"), true, GroupNameProblem::Empty},
        {QStringLiteral("Lobby\nEast"), true, GroupNameProblem::Empty},
        {QStringLiteral("Lobby") + QChar(0x7f), true, GroupNameProblem::Empty},
        {QStringLiteral("Lobby ") + QChar(0xD83D), true, GroupNameProblem::Empty},
        {QChar(0xDE00) + QStringLiteral(" Lobby"), true, GroupNameProblem::Empty},
        {QStringLiteral("Lobby ") + QString::fromUcs4(U"\U0001F600"), true, GroupNameProblem::None},
        {QString(1, QChar(0)), true, GroupNameProblem::Empty},
        {QStringLiteral("Lobby") + QChar(0) + QStringLiteral("x"), true, GroupNameProblem::Empty},
        // Nothing visible: zero-width space, word joiner, byte order mark, soft hyphen, a variation
        // selector, the Hangul filler; each with blanks around it.
        {QStringLiteral("\u200B"), true, GroupNameProblem::Empty},
        {QStringLiteral(" \u200B\u2060 \uFEFF\u00AD"), true, GroupNameProblem::Empty},
        {QStringLiteral("\uFE0F\u3164"), true, GroupNameProblem::Empty},
        {QStringLiteral("East\u200BWing"), true, GroupNameProblem::None},  // visible around it
        // Direction controls make a name show as another one.
        {QStringLiteral("Lobby\u202E"), true, GroupNameProblem::Empty},
        {QStringLiteral("\u202DLobby"), true, GroupNameProblem::Empty},
        {QStringLiteral("a\u2067b\u2069"), true, GroupNameProblem::Empty},
        {QStringLiteral("Lobby\u200F"), true, GroupNameProblem::Empty},
        {QStringLiteral("\u05D0\u05D1 Hall"), true, GroupNameProblem::None},  // right-to-left letters are fine
        // The length the site's column holds: UTF-16 units.
        {QString::fromUcs4(U"\U0001F600").repeated(25), true, GroupNameProblem::None},
        {QString::fromUcs4(U"\U0001F600").repeated(25) + QLatin1Char('x'), true, GroupNameProblem::TooLong},
        {QStringLiteral("Hall \u00fcber \u6771"), true, GroupNameProblem::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(store.checkName(c.name, c.checkTaken), c.expected);
    }
}

TEST_F(GroupStoreTest, CreateAppliesTheNameRuleWhoeverCalls) {
    ASSERT_GT(store.createGroup(QStringLiteral("Lobby"), lobby), 0);
    host.calls.clear();
    const QString refused[] = {QString(),
                               QStringLiteral("  "),
                               QStringLiteral("Lobby") + QChar(0),
                               QStringLiteral("x") + QChar(0xD800),
                               QString(51, QLatin1Char('n')),
                               QStringLiteral("LOBBY"),
                               QStringLiteral("\u200B"),
                               QStringLiteral("Yard\u202E")};
    for (const QString& name : refused) {
        SCOPED_TRACE(name.toStdString());
        dialogs.messages.clear();
        EXPECT_EQ(store.createGroup(name, lobby), 0);
        ASSERT_EQ(dialogs.messages.size(), 1) << "the caller is told";
    }
    EXPECT_EQ(test::scalar(*db, QStringLiteral("SELECT count(*) FROM Status_Groups")).toInt(), 1);
    EXPECT_EQ(host.count(QStringLiteral("SendSyncData")) + host.count(QStringLiteral("LogEvent")), 0);
}

TEST_F(GroupStoreTest, CreateStoresTheGroupAsTypedAndAnnouncesThenLogs) {
    const QString name = QStringLiteral("Lobby's Doors");
    const qint32 id = store.createGroup(name, lobby);
    ASSERT_GT(id, 0);

    EXPECT_EQ(test::scalar(*db, QStringLiteral("SELECT GroupName FROM Status_Groups WHERE GroupID = %1").arg(id)),
              name);
    EXPECT_EQ(test::scalar(*db, QStringLiteral("SELECT SiteID FROM Status_Groups WHERE GroupID = %1").arg(id)).toInt(),
              7);
    EXPECT_EQ(storedPoints(*db, id), (QStringList{QStringLiteral("1/11/Front Entrance/3/\\\\SNET.P01.C0001.DR01/0"),
                                                  QStringLiteral("2/25/Lobby Motion/5/\\\\SNET.P01.C0001.BI05/1"),
                                                  QStringLiteral("104/3/Dock Reader/9/\\\\ZRII.C0002.01.RL01/0")}));
    const QString data = name + QStringLiteral("|") + QString::number(id);
    EXPECT_EQ(announcements(),
              (QStringList{QStringLiteral("dialog.groupCreated(%1, %2)").arg(id).arg(name),
                           QStringLiteral("SendSyncData(STATUSVIEW, 1, %1, WS1)").arg(data),
                           QStringLiteral("LogEvent(Added, Status Group, 0, Status Group Lobby''s Doors, 1184)")}));
}

TEST_F(GroupStoreTest, CreateWithoutPointsOrFailingPartWayStoresAndSendsNothing) {
    EXPECT_EQ(store.createGroup(QStringLiteral("Empty"), {}), 0);

    test::failPointInsertsNamedFail(*db);
    QVector<SelectedPoint> points = lobby;
    points[1].listName = QStringLiteral("FAIL");
    EXPECT_EQ(store.createGroup(QStringLiteral("Broken"), points), 0);
    EXPECT_EQ(test::countRows(*db, QStringLiteral("SELECT * FROM Status_Groups")), 0);
    EXPECT_EQ(test::countRows(*db, QStringLiteral("SELECT * FROM Status_Points")), 0);
    EXPECT_EQ(host.count(QStringLiteral("SendSyncData")), 0);
    EXPECT_EQ(ctx.errorLog.reportsWritten(), 1);
}

TEST_F(GroupStoreTest, ReplacingPointsThatFailsPartWayKeepsThePreviousPoints) {
    const qint32 id = store.createGroup(QStringLiteral("Lobby"), lobby);
    const QStringList before = storedPoints(*db, id);
    test::failPointInsertsNamedFail(*db);
    host.clearCalls();

    QVector<SelectedPoint> points = {lobby[0], lobby[1], lobby[2]};
    points[2].listName = QStringLiteral("FAIL");  // the removal and two inserts succeed first
    EXPECT_FALSE(store.replacePoints(id, QStringLiteral("Lobby"), points));

    EXPECT_EQ(storedPoints(*db, id), before);
    EXPECT_EQ(host.count(QStringLiteral("SendSyncData")), 0);
    EXPECT_EQ(host.count(QStringLiteral("LogEvent")), 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("FCustom.SaveGroup")));
}

TEST_F(GroupStoreTest, DeleteAnnouncesRemovalUpdatesTheListsLogsThenAnnouncesTheNewSet) {
    const qint32 keep = store.createGroup(QStringLiteral("Keep"), lobby);
    const qint32 id = store.createGroup(QStringLiteral("Gone"), lobby);
    host.clearCalls();
    ASSERT_TRUE(store.deleteGroup(id, QStringLiteral("Gone")));

    EXPECT_EQ(test::countRows(*db, QStringLiteral("SELECT * FROM Status_Groups WHERE GroupID = %1").arg(id)), 0);
    EXPECT_TRUE(storedPoints(*db, id).isEmpty());
    EXPECT_EQ(storedPoints(*db, keep).size(), 3);
    EXPECT_EQ(announcements(),
              (QStringList{QStringLiteral("SendSyncData(STATUSVIEW, 2, Gone|%1, WS1)").arg(id),
                           QStringLiteral("window.groupDeleted(%1)").arg(id),
                           QStringLiteral("dialog.groupDeleted(%1)").arg(id),
                           QStringLiteral("LogEvent(Deleted, Status Group, 0, Status Group Gone, 1186)"),
                           QStringLiteral("SendSyncData(STATUSVIEW, 5, 0, WS1)")}));
}

}  // namespace
}  // namespace so
