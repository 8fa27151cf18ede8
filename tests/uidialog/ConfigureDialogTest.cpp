// The "Configure Status Groups" dialog opened from the real status window's toolbar: a group made
// in it reaches this window's group box and, through the sync notification, a second workstation;
// the lock goes back whichever way the dialog closes.
#include "ui/FCustom.h"

#include "ui/UiFixture.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QListView>
#include <QPushButton>
#include <QTreeView>

namespace so {
namespace {

using test::HostCall;

class ConfigureDialogTest : public test::UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        show();
        installConfigureDialog(*frame, status->groupStore());
        host.clearCalls();
    }

    /// The open dialog of the window, or null.
    FCustom* openDialog() const {
        for (FCustom* dialog : frame->findChildren<FCustom*>())
            if (dialog->isVisible())
                return dialog;
        return nullptr;
    }

    FCustom* openFromToolbar() {
        frame->mainButton(StatusWindow::kButtonConfigure)->trigger();
        QCoreApplication::processEvents();
        return openDialog();
    }

    int releases() const { return host.count(QStringLiteral("ReleaseComponent")); }
};

TEST_F(ConfigureDialogTest, AGroupMadeInTheDialogReachesBothWorkstations) {
    test::UiHost host2;
    host2.workstationId = QStringLiteral("WS2");
    std::unique_ptr<Status> second = makeStatus(host2);
    second->Show();
    auto* frame2 = qobject_cast<FMain*>(second->widget());
    ASSERT_NE(frame2, nullptr);

    FCustom* dialog = openFromToolbar();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Status Viewer Properties"));
    EXPECT_EQ(host.callsNamed(QStringLiteral("LockComponent")).value(0).toString(), QStringLiteral("LockComponent(37, 0)"));
    const int offered = dialog->availableList()->model()->rowCount();
    ASSERT_GT(offered, 0);

    QTest::mouseClick(dialog->functionButton(ConfigureGroups::AddAll), Qt::LeftButton);
    EXPECT_EQ(dialog->availableList()->model()->rowCount(), 0);
    EXPECT_EQ(dialog->selectedList()->model()->rowCount(), offered);

    dialogs.inputAnswers << QStringLiteral("Evening Rounds");
    QTest::mouseClick(dialog->mainButton(ConfigureGroups::ApplyChanges), Qt::LeftButton);
    EXPECT_EQ(dialog->groupBox()->currentText(), QStringLiteral("Evening Rounds"));
    EXPECT_GE(frame->groupBox()->findText(QStringLiteral("Evening Rounds")), 0);
    EXPECT_LT(frame2->groupBox()->findText(QStringLiteral("Evening Rounds")), 0);

    // The host delivers this workstation's notifications to the other one.
    for (const HostCall& call : host.callsNamed(QStringLiteral("SendSyncData")))
        second->SyncPipe(call.args[0].toString(), call.args[1].toInt(), call.args[2], call.args[3].toString(),
                         host2.workstationId);
    EXPECT_GE(frame2->groupBox()->findText(QStringLiteral("Evening Rounds")), 0);

    QTest::mouseClick(dialog->mainButton(ConfigureGroups::CloseDialog), Qt::LeftButton);
    EXPECT_EQ(openDialog(), nullptr);
    EXPECT_EQ(releases(), 1);
}

TEST_F(ConfigureDialogTest, TheLockGoesBackOnEscAndWhenTheWindowClosesWithTheDialogOpen) {
    FCustom* dialog = openFromToolbar();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_EQ(openDialog(), nullptr);
    EXPECT_EQ(releases(), 1);

    FCustom* again = openFromToolbar();
    ASSERT_NE(again, nullptr);
    frame->mainButton(StatusWindow::kButtonConfigure)->trigger();
    int shown = 0;
    for (FCustom* open : frame->findChildren<FCustom*>())
        shown += open->isVisible() ? 1 : 0;
    EXPECT_EQ(shown, 1) << "a second click brings the open dialog forward";
    frame->close();
    EXPECT_EQ(openDialog(), nullptr);
    EXPECT_EQ(releases(), 2);
}

TEST_F(ConfigureDialogTest, NoDialogWhileAnotherWorkstationHoldsTheLock) {
    host.lockedByOthers.insert(qint64(StatusWindow::kConfigureLockKind) * 100000, QStringLiteral("Pat"));
    EXPECT_EQ(openFromToolbar(), nullptr);
    EXPECT_EQ(host.count(QStringLiteral("LockComponent")), 0);
    EXPECT_EQ(releases(), 0);
}

TEST_F(ConfigureDialogTest, ColumnChecksGoThroughTheLogicAndItsRefusal) {
    FCustom* dialog = openFromToolbar();
    ASSERT_NE(dialog, nullptr);
    QAbstractItemModel* columns = dialog->columnList()->model();
    dialog->logic().cmbCols_Click(5);  // Pylons
    ASSERT_GE(columns->rowCount(), 2);
    for (int row = 0; row < columns->rowCount(); ++row)
        columns->setData(columns->index(row, 0), Qt::Unchecked, Qt::CheckStateRole);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("At least one Item must be checked."));
    const int last = columns->rowCount() - 1;
    EXPECT_EQ(columns->data(columns->index(last, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    EXPECT_EQ(columns->data(columns->index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
}

}  // namespace
}  // namespace so
