// The masked points list: filled from the stored mask reports and the newer line's inputs, then
// kept current by mask changes.
#include "window/WindowFixture.h"
#include "status/StatusBoard.h"

#include "status/StatusDecoder.h"
#include "status/MaskedPoints.h"

namespace so::test {
namespace {

class MaskedTest : public WindowFixture {
protected:
    MaskedTest() {
        controller = firstAddress(5);
        // Nothing masked on the site but what each test stores.
        exec(QStringLiteral("DELETE FROM SuperStatus WHERE StatusType IN (7, 8, 9, 14, 15)"));
        exec(QStringLiteral("UPDATE ZRII_Inputs SET MaskSource = 0"));
        exec(QStringLiteral(
                 "UPDATE Inputs SET BelongToDoor = 0, Name = 'Input ' || substr(Address, -2) WHERE Address LIKE '%1%'")
                 .arg(controller));
        exec(QStringLiteral("UPDATE Inputs SET BelongToDoor = 1 WHERE Address = '%1.BI03'").arg(controller));
        exec(QStringLiteral("UPDATE Doors SET DoorName = 'Door three', Active = 1 WHERE Address = '%1.DR03'")
                 .arg(controller));
    }
    void storeMaskReport(int statusType, const QString& status) {
        exec(QStringLiteral("INSERT INTO SuperStatus (Address, ControllerID, StatusType, Status) SELECT Address, "
                            "Controller_ID, %1, '%2' FROM Controllers WHERE Address = '%3'")
                 .arg(statusType)
                 .arg(status, controller));
    }
    StatusGrid& masked() { return window->board().sections().masked(); }
    int maskedRow(const QString& address) { return masked().findRow(address); }
    QString reason(const QString& address) { return masked().text(maskedRow(address), col::Status); }

    QString controller;
};

TEST_F(MaskedTest, ListsOnlyTheMaskedEntriesOfAStoredReport) {
    storeMaskReport(7, QStringLiteral("1||0#1||4#"));
    window->board().maskedPoints().FillMaskedGrid();
    ASSERT_EQ(masked().rowCount(), 1);
    const QString input = controller + QStringLiteral(".BI02");
    EXPECT_EQ(masked().text(1, col::Address), input);
    EXPECT_EQ(masked().text(1, col::Name), QStringLiteral("Input 02"));
    EXPECT_EQ(masked().icon(1, col::Name), 18);
    EXPECT_EQ(reason(input), QStringLiteral("Unlock"));
}

TEST_F(MaskedTest, FillsDoorInputsExpansionInputsAndNewerLineInputs) {
    storeMaskReport(7, QStringLiteral("||0#||0#||8#"));  // input 3 belongs to door 3
    storeMaskReport(9, QStringLiteral("||2#||0#"));      // type 9 holds expansion inputs 9 to 16
    const QString newer = firstAddress(102);
    exec(QStringLiteral("UPDATE ZRII_Inputs SET MaskSource = 129 WHERE Address = '%1'").arg(newer));
    window->board().maskedPoints().FillMaskedGrid();

    const QString door = controller + QStringLiteral(".DR03");
    ASSERT_GT(maskedRow(door), 0);
    EXPECT_EQ(masked().text(maskedRow(door), col::Name), QStringLiteral("Door three"));
    EXPECT_EQ(masked().icon(maskedRow(door), col::Name), 16);
    const QString expansion = controller + QStringLiteral(".XI09");
    ASSERT_GT(maskedRow(expansion), 0);
    EXPECT_EQ(masked().icon(maskedRow(expansion), col::Name), 36);
    EXPECT_EQ(reason(newer), QStringLiteral("Door Relay Actuated,RQE"));
    EXPECT_EQ(masked().rowCount(), 3);
}

TEST_F(MaskedTest, AStoredMaskOfAPointTheSiteDoesNotConfigureIsListedByItsAddressSayingSo) {
    // Base input 4 is neither a stand-alone input nor a door's; expansion input 10 does not exist.
    exec(QStringLiteral("DELETE FROM Inputs WHERE Address = '%1.BI04'").arg(controller));
    exec(QStringLiteral("DELETE FROM Doors WHERE Address = '%1.DR04'").arg(controller));
    exec(QStringLiteral("DELETE FROM ExpInputs WHERE Address = '%1.XI10'").arg(controller));
    storeMaskReport(7, QStringLiteral("||0#||0#||0#||4#"));
    storeMaskReport(9, QStringLiteral("||0#||2#"));
    window->board().maskedPoints().FillMaskedGrid();
    ASSERT_EQ(masked().rowCount(), 2);
    for (const QString& address : {controller + QStringLiteral(".BI04"), controller + QStringLiteral(".XI10")}) {
        ASSERT_GT(maskedRow(address), 0) << address.toStdString();
        EXPECT_EQ(masked().text(maskedRow(address), col::Name), QStringLiteral("(not configured)"));
    }
}

TEST_F(MaskedTest, MalformedStoredEntryIsLoggedAndSkipped) {
    storeMaskReport(7, QStringLiteral("1|x#1||abc#1||4#"));
    window->board().maskedPoints().FillMaskedGrid();
    EXPECT_EQ(masked().rowCount(), 1);
    EXPECT_GT(maskedRow(controller + QStringLiteral(".BI03").replace(QLatin1String(".BI"), QLatin1String(".DR"))), 0);
    EXPECT_EQ(ownLogReports(), 2);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(MaskedTest, MaskChangesAddRewriteAndRemoveRows) {
    window->board().maskedPoints().FillMaskedGrid();
    ASSERT_EQ(masked().rowCount(), 0);
    MaskedPoints& list = window->board().maskedPoints();
    const QString input = controller + QStringLiteral(".BI05");

    list.UpdateMaskedItem(input, 0);  // not listed, not masked: nothing
    EXPECT_EQ(masked().rowCount(), 0);
    list.UpdateMaskedItem(input, 4);
    ASSERT_EQ(masked().rowCount(), 1);
    EXPECT_EQ(masked().text(1, col::Name), QStringLiteral("Input 05"));
    EXPECT_EQ(reason(input), QStringLiteral("Unlock"));
    list.UpdateMaskedItem(input, 8);
    EXPECT_EQ(masked().rowCount(), 1);
    EXPECT_EQ(reason(input), QStringLiteral("Entry/Exit Delay"));
    list.UpdateMaskedItem(input, 0);
    EXPECT_EQ(masked().rowCount(), 0);

    // A door's input is listed, and unlisted, under its door.
    const QString doorInput = controller + QStringLiteral(".BI03");
    list.UpdateMaskedItem(doorInput, 4);
    EXPECT_EQ(maskedRow(doorInput), 0);
    EXPECT_GT(maskedRow(controller + QStringLiteral(".DR03")), 0);
    list.UpdateMaskedItem(doorInput, 0);
    EXPECT_EQ(masked().rowCount(), 0);

    const QString newer = firstAddress(102);
    list.UpdateMaskedItem(newer, 129);
    EXPECT_EQ(reason(newer), QStringLiteral("Door Relay Actuated,RQE"));
    EXPECT_EQ(masked().icon(maskedRow(newer), col::Name), newer.contains(QLatin1String("BI")) ? 18 : 36);
    EXPECT_EQ(ownLogReports(), 0);
}

}  // namespace
}  // namespace so::test
