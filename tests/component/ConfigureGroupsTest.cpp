// The configuration dialog's logic on a shown (headless) status window over a generated site,
// driven with scripted answers: saving new and stored groups, deleting, the name rules on both
// save paths, the column page, and giving the lock back.
#include "component/StatusInternals.h"
#include "groups/ConfigureGroups.h"

#include "component/ComponentFixture.h"
#include "groups/Catalogue.h"
#include "grid/ColumnLayout.h"

#include <gtest/gtest.h>

#include <QCollator>

namespace so {
namespace {

using test::HostCall;

QStringList addresses(const QVector<SelectedPoint>& points) {
    QStringList out;
    for (const SelectedPoint& p : points)
        out << p.listAddress;
    return out;
}

class ConfigureGroupsTest : public test::ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        status->Show();
        dialog = std::make_unique<ConfigureGroups>(ctx(), groupStoreOf(*status), window());
        dialog->load();
        host.clearCalls();
    }

    int dialogIndexOf(qint32 groupId) const {
        for (int i = 0; i < dialog->groups().size(); ++i)
            if (dialog->groups()[i].itemData == groupId)
                return i;
        return -1;
    }

    qint32 groupNamed(const QString& name) {
        return test::scalar(*db, QStringLiteral("SELECT GroupID FROM Status_Groups WHERE GroupName = '%1'").arg(name))
            .toInt();
    }

    int groupCount() { return test::scalar(*db, QStringLiteral("SELECT count(*) FROM Status_Groups")).toInt(); }

    QStringList storedAddresses(qint32 groupId) {
        QStringList out;
        for (db::Recordset rs = db->query(QStringLiteral("SELECT ListAddress FROM Status_Points WHERE GroupID = %1 "
                                                         "ORDER BY StatusPointID")
                                              .arg(groupId));
             !rs.eof(); rs.moveNext())
            out << rs.field(0).toString();
        return out;
    }

    /// The announcements and event log entries, in order.
    QStringList announced() const {
        QStringList out;
        for (const HostCall& c : host.calls)
            if (c.name == QLatin1String("SendSyncData") || c.name == QLatin1String("LogEvent"))
                out << c.toString();
        return out;
    }

    std::unique_ptr<ConfigureGroups> dialog;
};

TEST_F(ConfigureGroupsTest, OpensOnNewWithEveryKindAvailableAndGroupsNewestNameFirst) {
    ASSERT_GE(dialog->groups().size(), 2);
    EXPECT_EQ(dialog->groups()[0].text, QStringLiteral("<New>"));
    QStringList names;
    for (int i = 1; i < dialog->groups().size(); ++i)
        names << dialog->groups()[i].text;
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) > 0; });
    EXPECT_EQ(names, sorted);
    EXPECT_EQ(dialog->selectedGroupIndex(), 0);
    EXPECT_TRUE(dialog->selected().isEmpty());
    EXPECT_GT(dialog->available().size(), 100);
}

TEST_F(ConfigureGroupsTest, AddAllThenApplyOnNewStoresThePointsInListOrderAndAnnouncesThem) {
    QStringList listed;  // as the list shows them: by name
    for (int index : dialog->shownAvailable())
        listed << dialog->available()[index].listAddress;
    dialog->addAll();
    EXPECT_TRUE(dialog->available().isEmpty());
    EXPECT_EQ(addresses(dialog->selected()), listed);

    dialogs.inputAnswers << QStringLiteral("Night Rounds");
    dialog->applyChanges();

    const qint32 id = groupNamed(QStringLiteral("Night Rounds"));
    ASSERT_GT(id, 0);
    EXPECT_EQ(storedAddresses(id), listed);
    EXPECT_EQ(announced(),
              (QStringList{QStringLiteral("SendSyncData(STATUSVIEW, 1, Night Rounds|%1, WS1)").arg(id),
                           QStringLiteral("LogEvent(Added, Status Group, 0, Status Group Night Rounds, 1184)")}));
    // Both lists show the new group; the dialog has it chosen with its points (in the order the
    // database returns them).
    EXPECT_EQ(dialog->selectedGroupIndex(), dialogIndexOf(id));
    QStringList shown = addresses(dialog->selected());
    QStringList saved = listed;
    shown.sort();
    saved.sort();
    EXPECT_EQ(shown, saved);
    EXPECT_GE(window().findGroupEntry(id), 0);
    EXPECT_GE(dialogs.busyCount, 1);
}

TEST_F(ConfigureGroupsTest, ApplyOnAStoredGroupReplacesItsPoints) {
    dialog->chooseGroup(dialogIndexOf(site.smallGroupId));
    const QStringList stored = storedAddresses(site.smallGroupId);
    ASSERT_EQ(addresses(dialog->selected()), stored);
    for (const QString& address : stored)
        EXPECT_FALSE(addresses(dialog->available()).contains(address)) << address.toStdString();

    dialog->remove({0});
    EXPECT_TRUE(addresses(dialog->available()).contains(stored[0])) << "a removed point is available again";
    const QStringList available = addresses(dialog->available());
    // Highlighted entries move in the order the list shows them (by name).
    const QVector<int> shown = dialog->shownAvailable();
    const bool oneFirst = shown.indexOf(1) < shown.indexOf(3);
    dialog->add({3, 1});
    const QStringList expected = stored.mid(1) << available[oneFirst ? 1 : 3] << available[oneFirst ? 3 : 1];
    ASSERT_EQ(addresses(dialog->selected()), expected);

    dialog->applyChanges();
    EXPECT_EQ(storedAddresses(site.smallGroupId), expected);
    EXPECT_TRUE(dialogs.prompts.isEmpty());
    EXPECT_EQ(
        announced(),
        (QStringList{QStringLiteral("SendSyncData(STATUSVIEW, 3, Lobby and Entrances|%1, WS1)").arg(site.smallGroupId),
                     QStringLiteral("LogEvent(Modified, Status Group, 0, Status Group Lobby and Entrances, 1185)")}));
}

TEST_F(ConfigureGroupsTest, DeleteAskedNoChangesNothingAndYesDeletesAndAnnounces) {
    const qint32 id = site.smallGroupId;
    ASSERT_GE(window().findGroupEntry(id), 0);
    dialog->chooseGroup(dialogIndexOf(id));
    const QByteArray before = test::databaseChecksum(*db);

    dialogs.yesNoAnswers << false;
    dialog->deleteGroup();
    EXPECT_EQ(test::databaseChecksum(*db), before);
    EXPECT_TRUE(announced().isEmpty());
    EXPECT_EQ(dialogs.questions, QStringList{QStringLiteral("R111\n\nLobby and Entrances")}) << "names the group";

    dialogs.yesNoAnswers << true;
    dialog->deleteGroup();
    EXPECT_EQ(groupNamed(QStringLiteral("Lobby and Entrances")), 0);
    EXPECT_EQ(announced(),
              (QStringList{QStringLiteral("SendSyncData(STATUSVIEW, 2, Lobby and Entrances|%1, WS1)").arg(id),
                           QStringLiteral("LogEvent(Deleted, Status Group, 0, Status Group Lobby and Entrances, 1186)"),
                           QStringLiteral("SendSyncData(STATUSVIEW, 5, 0, WS1)")}));
    EXPECT_EQ(dialogIndexOf(id), -1);
    EXPECT_EQ(dialog->selectedGroupIndex(), 0);
    EXPECT_TRUE(dialog->selected().isEmpty());
    EXPECT_LT(window().findGroupEntry(id), 0);
}

TEST_F(ConfigureGroupsTest, SaveButtonRefusesBadNamesWithTheirMessage) {
    dialog->add({0, 1});
    struct Case {
        std::optional<QString> answer;
        QString message;  // empty: nothing shown
    };
    const Case cases[] = {
        {QString(), QStringLiteral("R1385")},
        {QString(51, QLatin1Char('x')), QStringLiteral("R1545")},
        {QStringLiteral("Lobby and Entrances"), QStringLiteral("R1768")},
        {QStringLiteral("lobby AND entrances"), QStringLiteral("R1768")},
        {QStringLiteral("\u200B\u200B"), QStringLiteral("R1385")},      // zero-width spaces only
        {QStringLiteral("Dock \u202Eyrtne"), QStringLiteral("R1385")},  // shown reversed
        {std::nullopt, QString()},
    };
    const int groups = groupCount();
    for (const Case& c : cases) {
        dialogs.messages.clear();
        dialogs.inputAnswers << c.answer;
        dialog->saveGroupAs();
        const QString shown = c.answer.value_or(QStringLiteral("<cancel>"));
        EXPECT_EQ(groupCount(), groups) << shown.toStdString();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(dialogs.messages.isEmpty()) << shown.toStdString();
            continue;
        }
        ASSERT_EQ(dialogs.messages.size(), 1) << shown.toStdString();
        EXPECT_EQ(dialogs.messages[0].text, c.message);
        EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("StatusObject"));
        EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Information);
    }
    EXPECT_TRUE(announced().isEmpty());
    EXPECT_EQ(dialogs.prompts.size(), int(std::size(cases)));

    dialogs.inputAnswers << QString(50, QLatin1Char('y'));
    dialog->saveGroupAs();
    const qint32 id = groupNamed(QString(50, QLatin1Char('y')));
    ASSERT_GT(id, 0);
    EXPECT_EQ(storedAddresses(id), addresses(dialog->selected()));
    EXPECT_GE(window().findGroupEntry(id), 0);
}

TEST_F(ConfigureGroupsTest, ApplyOnNewAsksAgainUntilTheNameIsAccepted) {
    dialog->add({0, 1});
    dialogs.inputAnswers << QString() << QString(51, QLatin1Char('x')) << QStringLiteral("Lobby and Entrances")
                         << QStringLiteral("Fresh Group");
    dialogs.yesNoAnswers << true << true;
    dialog->applyChanges();

    EXPECT_EQ(dialogs.prompts.size(), 4);
    EXPECT_EQ(dialogs.questions, (QStringList{QStringLiteral("R1385"), QStringLiteral("R1545")}));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("R1768"));
    EXPECT_EQ(storedAddresses(groupNamed(QStringLiteral("Fresh Group"))).size(), 2);
}

TEST_F(ConfigureGroupsTest, ApplyOnNewStopsWhenTheOperatorGivesUp) {
    const int groups = groupCount();
    // No points: no name is asked at all.
    dialog->applyChanges();
    EXPECT_TRUE(dialogs.prompts.isEmpty());

    dialog->add({0});
    dialogs.inputAnswers << QString(51, QLatin1Char('x'));
    dialogs.yesNoAnswers << false;
    dialog->applyChanges();
    dialogs.inputAnswers << std::nullopt;
    dialog->applyChanges();

    EXPECT_EQ(dialogs.prompts.size(), 2);
    EXPECT_EQ(groupCount(), groups);
    EXPECT_TRUE(announced().isEmpty());
}

TEST_F(ConfigureGroupsTest, ATypedNameSavesTheListAsANewGroup) {
    dialog->chooseGroup(dialogIndexOf(site.smallGroupId));
    const QStringList points = addresses(dialog->selected());

    dialog->typeGroupName(QStringLiteral("Lobby and Entrances"));
    EXPECT_EQ(dialog->selectedGroupIndex(), -1);
    dialogs.inputAnswers << QStringLiteral("Lobby Copy");
    dialog->applyChanges();

    // The typed name was taken: refused, then the name is asked for.
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("R1768"));
    EXPECT_EQ(dialogs.prompts.size(), 1);
    EXPECT_EQ(storedAddresses(groupNamed(QStringLiteral("Lobby Copy"))), points);
    EXPECT_EQ(storedAddresses(site.smallGroupId), points) << "the group the points came from is left alone";
}

TEST_F(ConfigureGroupsTest, FilterOptionsRefillTheAvailableList) {
    dialog->setFilter(FilterXRelays);
    ASSERT_FALSE(dialog->available().isEmpty());
    for (const SelectedPoint& p : dialog->available())
        EXPECT_EQ(p.objectId, 9);
    dialog->removeAll();
    EXPECT_EQ(dialog->filter(), FilterXRelays);
    dialog->setFilter(FilterPorts);
    for (const SelectedPoint& p : dialog->available())
        EXPECT_EQ(p.objectId, 7);
}

TEST_F(ConfigureGroupsTest, AnOperatorSeesAndDeletesOnlyTheGroupsTheGroupBoxOffers) {
    host.userId = site.restrictedOperatorId;
    ConfigureGroups restricted(ctx(), groupStoreOf(*status), window());
    restricted.load();
    ASSERT_EQ(restricted.groups().size(), 2);
    EXPECT_EQ(restricted.groups()[1].itemData, site.smallGroupId);
    EXPECT_EQ(restricted.groups()[1].text, visibleStatusGroups(ctx()).value(0).text);

    // Deleting needs a stored group chosen; the hidden groups cannot be chosen.
    const int groups = groupCount();
    dialogs.yesNoAnswers << true;
    restricted.chooseGroup(5);
    restricted.deleteGroup();
    EXPECT_EQ(groupCount(), groups);
    EXPECT_EQ(dialogs.questions, QStringList{QStringLiteral("R111")}) << "no group named: none is chosen";
}

TEST_F(ConfigureGroupsTest, ViewOptionsShapeTheListsButNotWhatIsStored) {
    const QVector<SelectedPoint>& available = dialog->available();
    const SelectedPoint door =
        *std::find_if(available.cbegin(), available.cend(), [](const SelectedPoint& p) { return p.objectId == 1; });
    EXPECT_EQ(dialog->description(door), door.listName);
    dialog->setIncludeAddress(true);
    EXPECT_EQ(dialog->description(door), QStringLiteral("%1 (%2)").arg(door.listName, door.listAddress));

    // The find text matches names and addresses in any case; Add All takes only what it shows.
    const QString controller = door.listAddress.left(door.listAddress.size() - 5);
    dialog->setFindText(QStringLiteral("  ") + controller.toLower() + QStringLiteral(" "));
    const QVector<int> shown = dialog->shownAvailable();
    ASSERT_GE(shown.size(), 5);
    for (int i : shown)
        EXPECT_TRUE(available[i].listAddress.startsWith(controller)) << available[i].listAddress.toStdString();
    const int before = int(available.size());

    // Topology: one branch per controller, named by the controller; the controller heads its own.
    dialog->setView(ConfigureGroups::Topology);
    const auto tree = dialog->availableTree();
    ASSERT_EQ(tree.size(), 1);
    EXPECT_EQ(tree[0].address, controller);
    EXPECT_EQ(tree[0].label,
              test::scalar(
                  *db, QStringLiteral("SELECT Controller_Name FROM Controllers WHERE Address = '%1'").arg(controller))
                  .toString());
    EXPECT_EQ(tree[0].points, shown);

    dialog->addAll();
    EXPECT_EQ(dialog->selected().size(), shown.size());
    EXPECT_EQ(int(available.size()), before - int(shown.size()));
    dialog->setFindText(QString());
    EXPECT_EQ(dialog->shownAvailable().size(), available.size());

    dialogs.inputAnswers << QStringLiteral("One Panel");
    dialog->applyChanges();
    const QStringList names = [&] {
        QStringList out;
        for (db::Recordset rs = db->query(QStringLiteral("SELECT ListName FROM Status_Points WHERE GroupID = %1")
                                              .arg(groupNamed(QStringLiteral("One Panel"))));
             !rs.eof(); rs.moveNext())
            out << rs.field(0).toString();
        return out;
    }();
    ASSERT_EQ(names.size(), shown.size());
    for (const QString& name : names)
        EXPECT_FALSE(name.contains(controller)) << "stored with the address: " << name.toStdString();
}

TEST_F(ConfigureGroupsTest, TopologyPutsEveryKindUnderItsController) {
    dialog->setView(ConfigureGroups::Topology);
    const QVector<SelectedPoint>& available = dialog->available();
    int listed = 0;
    for (const ConfigureGroups::AvailableBranch& branch : dialog->availableTree()) {
        listed += int(branch.points.size());
        for (int i : branch.points) {
            const SelectedPoint& p = available[i];
            if (branch.address.isEmpty())
                EXPECT_TRUE(p.objectId == 6 || p.objectId == 7) << p.listAddress.toStdString();
            else
                EXPECT_TRUE(p.listAddress.startsWith(branch.address)) << p.listAddress.toStdString();
        }
    }
    EXPECT_EQ(listed, available.size());
    for (const auto& [objectId, name] :
         {std::pair{1, "Door"}, {9, "Expansion Relay"}, {108, "ZRII Module"}, {77, "77"}})
        EXPECT_EQ(kindName(objectId), QLatin1String(name));
}

TEST_F(ConfigureGroupsTest, TheAvailableListIsByNameAndTheTopologyByControllerThenName) {
    QCollator order;
    order.setCaseSensitivity(Qt::CaseInsensitive);
    order.setNumericMode(true);
    const QVector<SelectedPoint>& available = dialog->available();
    const auto inOrder = [&](const QVector<int>& indexes) {
        for (int i = 1; i < indexes.size(); ++i)
            if (order.compare(available[indexes[i - 1]].listName, available[indexes[i]].listName) > 0)
                return testing::AssertionFailure() << available[indexes[i - 1]].listName.toStdString() << " before "
                                                   << available[indexes[i]].listName.toStdString();
        return testing::AssertionSuccess();
    };
    dialog->setView(ConfigureGroups::SeaOfPoints);
    ASSERT_GT(dialog->shownAvailable().size(), 100);
    EXPECT_TRUE(inOrder(dialog->shownAvailable()));

    dialog->setView(ConfigureGroups::Topology);
    const auto tree = dialog->availableTree();
    ASSERT_GT(tree.size(), 2);
    EXPECT_TRUE(tree[0].address.isEmpty()) << "the ports and boxes first";
    for (int b = 0; b < tree.size(); ++b) {
        EXPECT_TRUE(inOrder(tree[b].points)) << tree[b].label.toStdString();
        if (b > 1)
            EXPECT_LE(order.compare(tree[b - 1].label, tree[b].label), 0)
                << tree[b - 1].label.toStdString() << " before " << tree[b].label.toStdString();
    }
}

TEST_F(ConfigureGroupsTest, UncheckingTheLastCheckedColumnIsRefused) {
    dialog->chooseColumnSet(2);  // relays
    const int rows = int(dialog->shownColumns().size());
    ASSERT_GE(rows, 2);
    for (int row = 0; row < rows - 1; ++row)
        dialog->checkColumn(row, false);
    EXPECT_TRUE(dialogs.messages.isEmpty());

    dialog->checkColumn(rows - 1, false);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("At least one Item must be checked."));
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Column Headers"));
    EXPECT_TRUE(dialog->shownColumns().last().checked);
}

TEST_F(ConfigureGroupsTest, ColumnOrderAndVisibilityApplyToTheirSectionGrid) {
    const QString doorsLayout = buildLayoutText(grid(0));
    dialog->chooseColumnSet(2);
    ASSERT_EQ(dialog->shownColumns()[1].key, QStringLiteral("Address"));
    EXPECT_EQ(dialog->moveColumnUp(1), 0);
    EXPECT_EQ(dialog->moveColumnUp(0), 0) << "the first row stays first";
    const int last = int(dialog->shownColumns().size()) - 1;
    EXPECT_EQ(dialog->moveColumnDown(last), last);
    dialog->checkColumn(last, false);  // LastUpdated

    dialog->applyChanges();
    const StatusGrid& relays = grid(2);
    EXPECT_EQ(relays.column(0).key, QStringLiteral("Address"));
    EXPECT_EQ(relays.column(1).key, QStringLiteral("Name"));
    EXPECT_FALSE(relays.column(relays.columnIndex(QStringLiteral("LastUpdated"))).visible);
    EXPECT_EQ(relays.column(relays.columnCount() - 1).key, QStringLiteral("NotUsed"));
    EXPECT_EQ(buildLayoutText(grid(0)), doorsLayout) << "other sections keep their columns";
}

TEST_F(ConfigureGroupsTest, NotUsedSetListsTheHiddenColumnsOfEverySection) {
    dialog->chooseColumnSet(0);
    const auto doors = dialog->shownColumns();
    const int alarm = int(std::find_if(doors.cbegin(), doors.cend(),
                                       [](const auto& item) { return item.key == QLatin1String("Alarm"); }) -
                          doors.cbegin());
    ASSERT_LT(alarm, doors.size());
    dialog->checkColumn(alarm, false);

    dialog->chooseColumnSet(ConfigureGroups::kColumnSetNotUsed);
    const auto hidden = dialog->shownColumns();
    ASSERT_EQ(hidden.size(), 1);
    EXPECT_EQ(hidden[0].section, Section::Doors);
    EXPECT_EQ(hidden[0].key, QStringLiteral("Alarm"));
    EXPECT_EQ(dialog->moveColumnUp(0), 0);
    dialog->checkColumn(0, true);

    dialog->chooseColumnSet(0);
    EXPECT_TRUE(dialog->shownColumns()[alarm].checked);
    EXPECT_EQ(dialog->columnSetTexts().size(), ConfigureGroups::kColumnSetCount);
}

TEST_F(ConfigureGroupsTest, TheLockGoesBackOnceWhicheverWayTheDialogCloses) {
    dialog->showHelp();
    EXPECT_EQ(host.callsNamed(QStringLiteral("ShowHelp")).value(0).toString(), QStringLiteral("ShowHelp(212)"));

    int unloads = 0;
    QObject::connect(dialog.get(), &ConfigureGroups::unloaded, [&] { ++unloads; });
    dialog->closeDialog();
    dialog.reset();
    EXPECT_EQ(unloads, 1);
    ASSERT_EQ(host.count(QStringLiteral("ReleaseComponent")), 1);
    EXPECT_EQ(host.callsNamed(QStringLiteral("ReleaseComponent"))[0].toString(),
              QStringLiteral("ReleaseComponent(37, 0)"));

    // A dialog destroyed without closing gives the lock back too, and storage forgets it.
    auto other = std::make_unique<ConfigureGroups>(ctx(), groupStoreOf(*status), window());
    other->load();
    other.reset();
    EXPECT_EQ(host.count(QStringLiteral("ReleaseComponent")), 2);
    SelectedPoint point{QStringLiteral("Door"), QStringLiteral("\\\\SNET.P01.C0001.DR01"), 1, 1, 0, 16};
    EXPECT_GT(groupStoreOf(*status).createGroup(QStringLiteral("After Close"), {point}), 0);
}

}  // namespace
}  // namespace so
