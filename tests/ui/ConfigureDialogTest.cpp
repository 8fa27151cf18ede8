// The "Configure Status Groups" dialog opened from the real status window's toolbar: a group made
// in it reaches this window's group box and, through the sync notification, a second workstation;
// the lock goes back whichever way the dialog closes.
#include "component/StatusInternals.h"
#include "ui/ConfigureGroupsDialog.h"

#include "ui/UiFixture.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
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
        installConfigureDialog(*frame, groupStoreOf(*status));
        host.clearCalls();
    }

    /// The open dialog of the window, or null.
    ConfigureGroupsDialog* openDialog() const {
        for (ConfigureGroupsDialog* dialog : frame->findChildren<ConfigureGroupsDialog*>())
            if (dialog->isVisible())
                return dialog;
        return nullptr;
    }

    ConfigureGroupsDialog* openFromToolbar() {
        action("configureButton")->trigger();
        QCoreApplication::processEvents();
        return openDialog();
    }

    int releases() const { return host.count(QStringLiteral("ReleaseComponent")); }
};

TEST_F(ConfigureDialogTest, AGroupMadeInTheDialogReachesBothWorkstations) {
    test::ImageHost host2;
    host2.workstationId = QStringLiteral("WS2");
    std::unique_ptr<Status> second = makeStatus(host2);
    second->Show();
    auto* frame2 = qobject_cast<StatusFrame*>(second->widget());
    ASSERT_NE(frame2, nullptr);

    ConfigureGroupsDialog* dialog = openFromToolbar();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Status Viewer Properties"));
    EXPECT_EQ(host.callsNamed(QStringLiteral("LockComponent")).value(0).toString(),
              QStringLiteral("LockComponent(37, 0)"));
    const int offered = dialog->availableList()->model()->rowCount();
    ASSERT_GT(offered, 0);

    QTest::mouseClick(dialog->functionButton(ConfigureGroups::AddAll), Qt::LeftButton);
    EXPECT_EQ(dialog->availableList()->model()->rowCount(), 0);
    EXPECT_EQ(dialog->selectedList()->model()->rowCount(), offered);

    dialogs.inputAnswers << QStringLiteral("Evening Rounds");
    QTest::mouseClick(dialog->mainButton(ConfigureGroups::ApplyChanges), Qt::LeftButton);
    EXPECT_EQ(dialog->groupBox()->currentText(), QStringLiteral("Evening Rounds"));
    EXPECT_GE(groupBoxWidget()->findText(QStringLiteral("Evening Rounds")), 0);
    EXPECT_LT(child<QComboBox>(QStringLiteral("groupBox"), frame2)->findText(QStringLiteral("Evening Rounds")), 0);

    // The host delivers this workstation's notifications to the other one.
    for (const HostCall& call : host.callsNamed(QStringLiteral("SendSyncData")))
        second->SyncPipe(call.args[0].toString(), call.args[1].toInt(), call.args[2], call.args[3].toString(),
                         host2.workstationId);
    EXPECT_GE(child<QComboBox>(QStringLiteral("groupBox"), frame2)->findText(QStringLiteral("Evening Rounds")), 0);

    QTest::mouseClick(dialog->mainButton(ConfigureGroups::CloseDialog), Qt::LeftButton);
    EXPECT_EQ(openDialog(), nullptr);
    EXPECT_EQ(releases(), 1);
}

TEST_F(ConfigureDialogTest, TheLockGoesBackOnEscAndWhenTheWindowClosesWithTheDialogOpen) {
    ConfigureGroupsDialog* dialog = openFromToolbar();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_EQ(openDialog(), nullptr);
    EXPECT_EQ(releases(), 1);

    ConfigureGroupsDialog* again = openFromToolbar();
    ASSERT_NE(again, nullptr);
    action("configureButton")->trigger();
    int shown = 0;
    for (ConfigureGroupsDialog* open : frame->findChildren<ConfigureGroupsDialog*>())
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

TEST_F(ConfigureDialogTest, ViewControlsFindBoxAndTopologyWorkWithMouseAndKeys) {
    ConfigureGroupsDialog* dialog = openFromToolbar();
    ASSERT_NE(dialog, nullptr);
    QTreeView* list = dialog->availableList();
    QAbstractItemModel* available = list->model();
    const int all = available->rowCount();
    ASSERT_GT(all, 20);
    bool ok = false;
    available->index(0, 2).data().toString().toInt(&ok);
    EXPECT_FALSE(ok) << "the type column shows the kind's name";
    EXPECT_FALSE(dialog->groupButton(ConfigureGroups::DeleteGroup)->isEnabled()) << "nothing stored to delete";

    QTest::mouseClick(dialog->addressCheck(), Qt::LeftButton);
    ASSERT_TRUE(dialog->addressCheck()->isChecked());
    const QString address = available->index(0, 1).data().toString();
    EXPECT_TRUE(available->index(0, 0).data().toString().endsWith(QStringLiteral("(%1)").arg(address)));

    // Typing narrows the list to one controller's points; the Topology view shows that controller.
    const QString controller = address.left(address.lastIndexOf(QLatin1Char('.')));
    dialog->findBox()->setFocus();
    QTest::keyClicks(dialog->findBox(), controller.toLower());
    const int found = available->rowCount();
    ASSERT_GT(found, 0);
    EXPECT_LT(found, all);
    QTest::mouseClick(dialog->viewOption(ConfigureGroups::Topology), Qt::LeftButton);
    ASSERT_EQ(available->rowCount(), 1);
    const QModelIndex branch = available->index(0, 0);
    EXPECT_EQ(available->rowCount(branch), found);
    EXPECT_TRUE(list->isExpanded(branch));

    // Clicking the controller's branch and ">" moves every point under it.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(branch).center());
    QTest::mouseClick(dialog->functionButton(ConfigureGroups::Add), Qt::LeftButton);
    EXPECT_EQ(dialog->selectedList()->model()->rowCount(), found);
    EXPECT_EQ(available->rowCount(), 0);

    // Esc clears the find text and keeps the dialog; the whole list is back, grouped.
    QTest::keyClick(dialog->findBox(), Qt::Key_Escape);
    EXPECT_TRUE(dialog->findBox()->text().isEmpty());
    EXPECT_EQ(openDialog(), dialog);
    EXPECT_GT(available->rowCount(), 1);
    QTest::mouseClick(dialog->viewOption(ConfigureGroups::SeaOfPoints), Qt::LeftButton);
    EXPECT_EQ(available->rowCount(), all - found);

    dialog->logic().chooseGroup(1);
    EXPECT_TRUE(dialog->groupButton(ConfigureGroups::DeleteGroup)->isEnabled());
}

TEST_F(ConfigureDialogTest, ColumnChecksGoThroughTheLogicAndItsRefusal) {
    ConfigureGroupsDialog* dialog = openFromToolbar();
    ASSERT_NE(dialog, nullptr);
    QAbstractItemModel* columns = dialog->columnList()->model();
    dialog->logic().chooseColumnSet(5);  // Pylons
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
