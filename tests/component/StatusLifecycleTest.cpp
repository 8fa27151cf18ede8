// The component's life as a host drives it through the public Status: properties and Show, choosing
// groups, the host's housekeeping calls, layout persistence and shutting down. (Input from outside
// that must never reach the database: tests/reliability/HostileInputTest.)
#include "component/ComponentFixture.h"
#include "status/StatusBoard.h"
#include "component/StatusInternals.h"

#include "base/ErrorLog.h"
#include "grid/ColumnLayout.h"
#include "grid/Sections.h"
#include "domain/Address.h"

#include <QFile>
#include <QSet>
#include <QStandardPaths>

namespace so::test {
namespace {

QSet<QString> gridAddresses(StatusGrid& grid) {
    QSet<QString> out;
    for (int row = 1; row <= grid.rowCount(); ++row)
        out.insert(grid.text(row, QStringLiteral("Address")));
    return out;
}

class StatusLifecycleTest : public ComponentTest {
protected:
    /// The addresses a group lists, by the section that shows them.
    std::array<QSet<QString>, 8> expectedSections(int groupId) {
        std::array<QSet<QString>, 8> out;
        for (db::Recordset rs = db->query(
                 QStringLiteral("SELECT ObjectID, ListAddress FROM Status_Points WHERE GroupID = %1").arg(groupId));
             !rs.eof(); rs.moveNext())
            out[std::size_t(sectionIndex(sectionForObjectType(rs.field(0).toInt()).value()))].insert(
                rs.field(1).toString());
        return out;
    }

    void expectSectionsShow(int groupId) {
        const auto expected = expectedSections(groupId);
        for (int section = 0; section < 8; ++section) {
            SCOPED_TRACE(section);
            EXPECT_EQ(gridAddresses(grid(section)), expected[section]);
            for (int row = 1; row <= grid(section).rowCount(); ++row) {
                EXPECT_FALSE(grid(section).text(row, QStringLiteral("Name")).isEmpty());
                EXPECT_FALSE(grid(section).text(row, QStringLiteral("LastUpdated")).isEmpty());
            }
        }
    }
};

TEST_F(StatusLifecycleTest, ShowOpensTheProfilesGroupAndTellsTheHost) {
    host.rk8Support = true;
    status->Show();
    EXPECT_TRUE(ctx().rk8SupportEnabled);
    EXPECT_TRUE(window().isLoaded());
    EXPECT_EQ(window().currentGroup(), site.smallGroupId);
    expectSectionsShow(site.smallGroupId);
    ASSERT_FALSE(host.calls.isEmpty());
    EXPECT_EQ(host.calls.last().toString(), QStringLiteral("CallBack(STATUSVIEWER, 0, LOAD, )"));
    EXPECT_TRUE(host.loggedErrors.isEmpty()) << host.loggedErrors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(ctx().errorLog.reportsWritten(), 0);

    // Another group empties every section first; Refresh (and OnEvent) reload the same group.
    chooseGroup(site.sectionGroupIds[1]);
    expectSectionsShow(site.sectionGroupIds[1]);
    EXPECT_EQ(grid(0).rowCount(), 0);
    status->StateChange(QStringLiteral("STD_INPUT"), grid(1).text(1, QStringLiteral("Address")), 65,
                        QStringLiteral("2025-01-02 03:04:05"));
    status->Refresh();
    expectSectionsShow(site.sectionGroupIds[1]);
    EXPECT_NE(grid(1).text(1, QStringLiteral("LastUpdated")), QStringLiteral("2025-01-02 03:04:05"));
}

TEST_F(StatusLifecycleTest, AFailingHostQuestionEndsShowWithoutTheLoadCallback) {
    host.failing.insert(QStringLiteral("ZR2IsRk8HardwareSupportEnabled"));
    status->Show();
    EXPECT_FALSE(window().isLoaded());
    EXPECT_EQ(host.count(QStringLiteral("CallBack")), 0);
    ASSERT_EQ(host.loggedErrors.size(), 1);
    EXPECT_TRUE(host.loggedErrors[0].startsWith(QStringLiteral("Status: Show")));
}

TEST_F(StatusLifecycleTest, ShutDownThenUnloadSendTwoUnloadCallbacksAndSaveOnce) {
    status->Show();
    host.clearCalls();
    status->ShutDown();
    const int saved =
        countRows(*db, QStringLiteral("SELECT * FROM Profile_Details WHERE ProfileID = %1").arg(site.defaultProfileId));
    status->cUnload();
    QStringList unloads;
    for (const HostCall& c : host.callsNamed(QStringLiteral("CallBack")))
        if (c.args.value(0) == QStringLiteral("STATUSVIEWER"))
            unloads << c.toString();
    EXPECT_EQ(unloads, (QStringList{QStringLiteral("CallBack(STATUSVIEWER, 0, UNLOAD, )"),
                                    QStringLiteral("CallBack(STATUSVIEWER, 0, UNLOAD, )")}));
    EXPECT_FALSE(window().isLoaded());
    EXPECT_EQ(
        countRows(*db, QStringLiteral("SELECT * FROM Profile_Details WHERE ProfileID = %1").arg(site.defaultProfileId)),
        saved);
}

TEST_F(StatusLifecycleTest, ShuttingDownNeverThrowsIntoTheHostAndWithoutAConsoleTellsNobody) {
    // A console whose CallBack fails gets the failure in its LogError, not as an exception.
    status->Show();
    host.failing.insert(QStringLiteral("CallBack"));
    EXPECT_NO_THROW(status->ShutDown());
    EXPECT_NO_THROW(status->cUnload());
    EXPECT_FALSE(window().isLoaded());
    ASSERT_FALSE(host.loggedErrors.isEmpty());
    EXPECT_TRUE(host.loggedErrors.last().startsWith(QStringLiteral("Status: cUnload")))
        << host.loggedErrors.last().toStdString();

    // Given the site but no console, the window loads and unloads without a report about it.
    host.clearCalls();
    FakeHost siteOnly;
    auto noConsole = makeStatus(siteOnly, dialogs);
    noConsole->setConsole(nullptr);
    const int messagesBefore = int(dialogs.messages.size());
    noConsole->Show();
    EXPECT_TRUE(windowOf(*noConsole).isLoaded());
    noConsole->ShutDown();
    EXPECT_FALSE(windowOf(*noConsole).isLoaded());
    EXPECT_TRUE(siteOnly.loggedErrors.isEmpty()) << siteOnly.loggedErrors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(dialogs.messages.size(), messagesBefore);
    EXPECT_EQ(noConsole->errorReportsWritten(), 0);
}

TEST_F(StatusLifecycleTest, ReportsWithoutAHostToTakeThemAreLoggedAndCounted) {
    Status alone;
    alone.setDialogs(&dialogs);
    alone.setLogFolder(logDir.path());
    alone.Show();
    alone.ShutDown();
    QFile log(logDir.path() + QStringLiteral("/StatusObject.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString logged = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(logged.contains(QStringLiteral("Status: Show: Object variable not set"))) << logged.toStdString();
    EXPECT_FALSE(logged.contains(QStringLiteral("(Parent)"))) << logged.toStdString();
    // Every report line is counted (the site link's own note that the database is away is not a report).
    EXPECT_EQ(alone.errorReportsWritten(), int(logged.count(QStringLiteral("  Status: ")))) << logged.toStdString();
}

TEST_F(StatusLifecycleTest, TheLogGoesToTheUsersDataFolderUnlessTheHostChoseOne) {
    EXPECT_EQ(ErrorLog().folder(), QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    EXPECT_EQ(ctx().errorLog.folder(), logDir.path());
}

TEST_F(StatusLifecycleTest, ALayoutSavedOnUnloadLoadsBackIdenticallyApostrophesIncluded) {
    // The operator's name for a column is stored with the layout: one with an apostrophe is
    // carried through the statement that saves it.
    status->Show();
    window().board().sections().grid(0).moveColumn(2, 0);
    window().board().sections().grid(0).column(1).caption = QStringLiteral("Operator's door");
    status->ShutDown();
    const LayoutSettings saved = ctx().layout;
    bool anyApostrophe = false;
    for (const QString& text : saved.columnHeaderPos) {
        EXPECT_NE(text, QStringLiteral("Use Object Default"));
        anyApostrophe = anyApostrophe || text.contains(QLatin1Char('\''));
    }
    ASSERT_TRUE(anyApostrophe);
    EXPECT_EQ(
        scalar(*db, QStringLiteral("SELECT DetailValue FROM Profile_Details WHERE ProfileID = %1 AND ObjectID = 10 "
                                   "AND DetailName = 'Width'")
                        .arg(site.defaultProfileId)),
        QStringLiteral("8000"));

    FakeHost host2;
    host2.texts = host.texts;
    FakeDialogs dialogs2;
    auto again = makeStatus(host2, dialogs2);
    again->Show();
    for (int section = 0; section < 8; ++section) {
        SCOPED_TRACE(section);
        EXPECT_EQ(contextOf(*again).layout.columnHeaderPos[section], saved.columnHeaderPos[section]);
        StatusGrid& before = grid(section);
        StatusGrid& after = windowOf(*again).board().sections().grid(section);
        ASSERT_EQ(after.columnCount(), before.columnCount());
        for (int c = 0; c < after.columnCount(); ++c) {
            EXPECT_EQ(after.column(c).key, before.column(c).key);
            EXPECT_EQ(after.column(c).caption, before.column(c).caption);
        }
    }
    EXPECT_TRUE(host2.loggedErrors.isEmpty()) << host2.loggedErrors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(StatusLifecycleTest, AGroupCreatedThroughTheHostCallComesBackWithItsStoredId) {
    status->Show();
    const QString door = groupAddresses(site.smallGroupId, 1).value(0);
    ASSERT_FALSE(door.isEmpty());
    const qint32 id =
        status->createGroup(QStringLiteral("Night Rounds"), {{QStringLiteral("Front"), door, 1, 1, 0, 16}});
    ASSERT_GT(id, 0) << "the procedure's output parameter carries the new id";
    EXPECT_EQ(scalar(*db, QStringLiteral("SELECT GroupID FROM Status_Groups WHERE GroupName = 'Night Rounds'")).toInt(),
              id);
    EXPECT_EQ(scalar(*db, QStringLiteral("SELECT count(*) FROM Status_Points WHERE GroupID = %1").arg(id)).toInt(), 1);
}

TEST_F(StatusLifecycleTest, ALayoutSaveFailingAtCloseIsToldAndTheLayoutSavedAtTheNextClose) {
    status->Show();
    window().board().sections().grid(0).moveColumn(2, 0);
    const QString procedure = QStringLiteral("KSP_Update_Profile_Persisted_Details");
    const QString params =
        scalar(*db, QStringLiteral("SELECT params FROM sys_procedures WHERE name = '%1'").arg(procedure)).toString();
    const QString body =
        scalar(*db, QStringLiteral("SELECT body FROM sys_procedures WHERE name = '%1'").arg(procedure)).toString();
    db->execute(QStringLiteral("DELETE FROM sys_procedures WHERE name = '%1'").arg(procedure));
    dialogs.messages.clear();
    status->ShutDown();
    ASSERT_EQ(dialogs.messages.size(), 1) << "told before the window goes";
    EXPECT_TRUE(dialogs.messages[0].text.contains(QLatin1String("could not be saved")));
    const QString session = ctx().layout.columnHeaderPos[0];

    db::Command restore(*db, QStringLiteral("INSERT INTO sys_procedures (name, params, body) VALUES (?, ?, ?)"));
    restore.appendParameter(QStringLiteral("@Name"), db::ParamType::NVarChar, db::ParamDirection::Input, 200,
                            procedure);
    restore.appendParameter(QStringLiteral("@Params"), db::ParamType::NVarChar, db::ParamDirection::Input, 4000,
                            params);
    restore.appendParameter(QStringLiteral("@Body"), db::ParamType::NVarChar, db::ParamDirection::Input, 4000, body);
    restore.execute();
    status->Show();
    EXPECT_EQ(ctx().layout.columnHeaderPos[0], session) << "the stored layout is not read over the unsaved one";
    status->ShutDown();
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(
        scalar(*db, QStringLiteral("SELECT DetailValue FROM Profile_Details WHERE ProfileID = %1 AND ObjectID = 10 "
                                   "AND DetailName = 'ColumnHeaderPos0'")
                        .arg(site.defaultProfileId))
            .toString(),
        session);
}

TEST_F(StatusLifecycleTest, LoadingALayoutTakesDefaultsAndStopsAtAValueThatIsNoNumber) {
    const auto setDetail = [&](const char* name, const QString& value) {
        db->execute(
            QStringLiteral("UPDATE Profile_Details SET DetailValue = '%1' WHERE ProfileID = %2 AND ObjectID = 10 "
                           "AND DetailName = '%3'")
                .arg(value)
                .arg(site.defaultProfileId)
                .arg(QLatin1String(name)));
    };
    LayoutSettings& layout = ctx().layout;
    layout.width = 1;
    layout.height = 2;
    status->Show();  // every detail reads "Use Object Default"
    EXPECT_EQ(layout.width, 8000.0f);
    EXPECT_EQ(layout.height, 5000.0f);
    EXPECT_EQ(layout.frameType, 2);
    EXPECT_EQ(layout.columnHeaderPos[3], QStringLiteral("Use Object Default"));

    // A profile without rows leaves every setting as it was.
    layout.width = 1234;
    status->setCurrentProfileID(999);
    status->Show();
    EXPECT_EQ(layout.width, 1234.0f);

    status->setCurrentProfileID(site.defaultProfileId);
    setDetail("Width", QStringLiteral("9000"));
    setDetail("DockedWhere", QStringLiteral("wide"));
    layout.width = 1;
    status->Show();
    EXPECT_TRUE(host.loggedErrors.join(QLatin1Char('\n')).contains(QStringLiteral("Status: LoadPersistence")));
    EXPECT_TRUE(window().isLoaded());  // the load failing does not stop Show
}

TEST_F(StatusLifecycleTest, UpdateNamesRenamesTheFirstRowOfTheAddressInEachGrid) {
    // The group lists its first door twice.
    const QString door = groupAddresses(site.smallGroupId, 1).value(0);
    db->execute(
        QStringLiteral("INSERT INTO Status_Points (GroupID, ObjectID, PointID, ListName, ListSmallIcon, "
                       "ListAddress, AlternateFlag) SELECT GroupID, ObjectID, PointID, ListName, ListSmallIcon, "
                       "ListAddress, AlternateFlag FROM Status_Points WHERE GroupID = %1 AND ListAddress = '%2'")
            .arg(site.smallGroupId)
            .arg(door));
    status->Show();
    QStringList names;
    int rowsOfDoor = 0;
    for (int row = 1; row <= grid(0).rowCount(); ++row) {
        names << grid(0).text(row, QStringLiteral("Name"));
        rowsOfDoor += grid(0).text(row, QStringLiteral("Address")) == door ? 1 : 0;
    }
    ASSERT_EQ(rowsOfDoor, 2);
    const int first = rowOf(0, door);

    status->UpdateNames(QStringLiteral("Nobody"), door.toLower());  // addresses compare exactly
    status->UpdateNames(QStringLiteral("Main Door"), door);
    names[first - 1] = QStringLiteral("Main Door");
    for (int row = 1; row <= grid(0).rowCount(); ++row)
        EXPECT_EQ(grid(0).text(row, QStringLiteral("Name")), names[row - 1]);
}

TEST_F(StatusLifecycleTest, AnotherOperatorGetsTheGroupsOfTheirRoles) {
    status->Show();
    ASSERT_GT(window().groupEntries().size(), 3);
    host.userId = site.restrictedOperatorId;
    status->OnUserSwitch();
    QVector<qint32> ids;
    for (const GroupEntry& e : window().groupEntries())
        if (e.itemData != 0)
            ids << e.itemData;
    EXPECT_EQ(ids, QVector<qint32>{site.smallGroupId});
}

}  // namespace
}  // namespace so::test

namespace so::test {
namespace {

TEST_F(StatusLifecycleTest, EveryColumnCaptionComesFromAPublishedTextNumber) {
    // The host's text table is checked against the published numbers: a caption number missing
    // from them would reach the operator as the host's placeholder.
    QSet<QString> published;
    for (int number : res::ColumnCaptions)
        published.insert(R(number));
    QSet<QString> used;
    for (Section section : kAllSections)
        for (const ColumnSpec& column : defaultColumns(ctx(), section) + maskedGridColumns(ctx()))
            if (column.caption.startsWith(QLatin1Char('R')) && column.caption.mid(1).toInt() > 0)
                used.insert(column.caption);
    EXPECT_EQ(used, published);
}

}  // namespace
}  // namespace so::test
