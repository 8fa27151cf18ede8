// The full refresh: shown rows brought up to date from the stored reports and the newer line's
// tables.
#include "window/WindowFixture.h"

#include "db/StatementObserver.h"
#include "status/Filler.h"
#include "window/AttentionView.h"

namespace so::test {
namespace {

class FullRefreshTest : public WindowFixture {
protected:
    FullRefreshTest() {
        door = firstAddress(1);
        controller = door.chopped(5);
        newerInput = firstAddress(102);
        exec(QStringLiteral("UPDATE ZRII_Controllers SET Online = 1"));
        window->FillPoints(makeGroup({{1, QStringLiteral("t.Address = '%1'").arg(door)},
                                      {2, QStringLiteral("t.Address LIKE '%1%'").arg(controller)},
                                      {102, QStringLiteral("t.Address = '%1'").arg(newerInput)}}));
    }

    /// Stores the base-board input report of the door's controller: input n reports codes.
    void storeInputReport(int n, const QString& codes) {
        QStringList entries;
        for (int i = 1; i <= 8; ++i)
            entries << (i == n ? codes : QStringLiteral("0")) + QStringLiteral("||0");
        exec(QStringLiteral("UPDATE SuperStatus SET Status = '%1#' WHERE Address = '%2' AND StatusType = 7")
                 .arg(entries.join(QLatin1Char('#')), controller));
    }

    QString door;
    QString controller;
    QString newerInput;
};

TEST_F(FullRefreshTest, RowsWhoseStoredStatusChangedShowTheNewTexts) {
    const int number = door.right(2).toInt();
    const QString input = controller + QStringLiteral(".BI") + door.right(2);
    storeInputReport(number, QStringLiteral("65"));
    exec(QStringLiteral("UPDATE ZRII_Inputs SET ContactStatus = 33 WHERE Address = '%1'").arg(newerInput));

    window->RefreshAllRows();
    EXPECT_EQ(cell(0, door, col::Alarm), R(1463));
    EXPECT_EQ(cell(1, input, col::Alarm), R(1463));
    EXPECT_EQ(cell(1, newerInput, col::Input1), QStringLiteral("Line Open"));

    storeInputReport(number, QStringLiteral("66"));
    exec(QStringLiteral("UPDATE ZRII_Inputs SET ContactStatus = 17 WHERE Address = '%1'").arg(newerInput));
    window->RefreshAllRows();
    EXPECT_EQ(cell(0, door, col::Alarm), R(1435));
    EXPECT_EQ(cell(1, input, col::Alarm), R(1435));
    EXPECT_EQ(cell(1, newerInput, col::Input1), QStringLiteral("//"));
    EXPECT_EQ(ownLogReports(), 0);
}

TEST_F(FullRefreshTest, OffLineNewerLineInputShowsDashes) {
    exec(QStringLiteral("UPDATE ZRII_Controllers SET Online = 0 WHERE Address = '%1'").arg(newerInput.left(15)));
    window->RefreshAllRows();
    for (const QString& key : {col::Masked, col::Input1, col::Input2, col::Input3})
        EXPECT_EQ(cell(1, newerInput, key), QStringLiteral("-")) << key.toStdString();
}

TEST_F(FullRefreshTest, AnOffLineControllersDoorsAndInputsAreFlaggedNamedAndFoldedLikeItsRelays) {
    const QString zrController = firstAddress(105);
    const QString like = QStringLiteral("t.Address LIKE '%1%'").arg(zrController);
    window->FillPoints(makeGroup({{101, like}, {102, like}, {103, like}, {105, like}}));
    const QString zrDoor = firstAddress(101, like);
    const QString input = firstAddress(102, like);
    const QString relay = firstAddress(103, like);
    ASSERT_FALSE(zrDoor.isEmpty());
    ASSERT_FALSE(input.isEmpty());
    const auto conditionsOf = [&](int section, const QString& address) {
        const StatusGrid& g = grid(section);
        return g.conditions(g.findRow(address));
    };

    exec(QStringLiteral("UPDATE ZRII_Controllers SET Online = 0 WHERE Address = '%1'").arg(zrController));
    window->RefreshAllRows();
    AttentionList& list = window->attention();
    list.sync(1000);
    const QString name = cell(int(Section::Controllers), zrController, col::Name);
    for (const auto& [section, address] :
         {std::pair{Section::Doors, zrDoor}, std::pair{Section::Inputs, input}, std::pair{Section::Relays, relay}}) {
        SCOPED_TRACE(address.toStdString());
        EXPECT_TRUE(conditionsOf(int(section), address).has(Condition::Offline));
        const StatusGrid& g = grid(int(section));
        const AttentionEntry* entry = list.find(section, g.rowKey(g.findRow(address)));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(list.reason(*entry), QStringLiteral("Off line — controller %1 off line").arg(name));
    }
    // Off line and nothing else, they fold under the controller's entry.
    AttentionView view(list);
    view.update();
    int folded = -1;
    for (int i = 0; i < view.rowCount(); ++i) {
        if (view.row(i).entry.address == zrController)
            folded = view.row(i).foldedPoints;
        EXPECT_NE(view.row(i).entry.address, zrDoor) << "folded under its controller";
    }
    EXPECT_GE(folded, 3);

    // Back on line, the re-read rows say nothing of it any more.
    exec(QStringLiteral("UPDATE ZRII_Controllers SET Online = 1 WHERE Address = '%1'").arg(zrController));
    window->RefreshAllRows();
    EXPECT_FALSE(conditionsOf(int(Section::Doors), zrDoor).has(Condition::Offline));
    EXPECT_FALSE(conditionsOf(int(Section::Inputs), input).has(Condition::Offline));
    EXPECT_EQ(ownLogReports(), 0);
}

TEST_F(FullRefreshTest, LoadingAGroupReadsEachNewerLineKindAndThreatLevelOnce) {
    window->loadGroupBox();
    QHash<QString, int> sent;
    const db::StatementObserver previous =
        db::setStatementObserver([&](const db::SentStatement& s) { ++sent[s.text]; });
    window->selectGroupEntry(window->findGroupEntry(site.siteGroupId));
    db::setStatementObserver(previous);

    // The refresh that follows the fill renews the newer-line rows from the records the fill read,
    // and the readers' and controllers' threat levels are named from one read per level.
    for (const int objectId : {101, 102, 103, 104, 105, 108}) {
        const QString procedure =
            QString::fromLatin1(Filler::kindFor(objectId)->command) + QString::number(site.siteGroupId);
        EXPECT_EQ(sent.value(procedure), 1) << procedure.toStdString();
    }
    const int threatNameReads = sent.value(QStringLiteral("Select [Name] From ThreatLevels Where ThreatID = ?"));
    EXPECT_GT(threatNameReads, 0);
    EXPECT_LE(threatNameReads, value(QStringLiteral("SELECT count(*) FROM ThreatLevels")).toInt());

    // ... and shows what a full refresh of its own shows.
    const auto texts = [&] {
        QStringList all;
        for (int section = 0; section < kSectionCount; ++section) {
            const StatusGrid& g = grid(section);
            for (int row = 1; row <= g.rowCount(); ++row)
                for (int c = 0; c < g.columnCount(); ++c)
                    if (g.column(c).key != col::LastUpdated)
                        all << g.text(row, c);
        }
        return all;
    };
    const QStringList loaded = texts();
    ASSERT_GT(loaded.size(), 0);
    window->RefreshAllRows();
    EXPECT_EQ(texts(), loaded);
    EXPECT_EQ(ownLogReports(), 0);
}

}  // namespace
}  // namespace so::test
