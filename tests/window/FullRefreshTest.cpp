// The full refresh: shown rows brought up to date from the stored reports and the newer line's
// tables.
#include "WindowFixture.h"

#include "domain/StateTexts.h"

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
    EXPECT_EQ(cell(1, newerInput, col::Input1), GetLineStateText(17, 0));
    EXPECT_EQ(ownLogReports(), 0);
}

TEST_F(FullRefreshTest, OffLineNewerLineInputShowsDashes) {
    exec(QStringLiteral("UPDATE ZRII_Controllers SET Online = 0 WHERE Address = '%1'").arg(newerInput.left(15)));
    window->RefreshAllRows();
    for (const QString& key : {col::Masked, col::Input1, col::Input2, col::Input3})
        EXPECT_EQ(cell(1, newerInput, key), QStringLiteral("-")) << key.toStdString();
}

}  // namespace
}  // namespace so::test
