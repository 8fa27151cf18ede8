// The busy pointer of the Qt dialogs is counted, so that it always comes back.
#include "ui/QtDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace so::test {
namespace {

TEST(QtDialogs, BusyPointerIsCountedAndNeverLeftBehind) {
    {
        QtDialogs dialogs;
        dialogs.setBusy(true);
        dialogs.setBusy(true);
        dialogs.setBusy(false);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        dialogs.setBusy(false);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        dialogs.setBusy(false);  // one too many: nothing to restore
        EXPECT_EQ(dialogs.busyDepth(), 0);
        dialogs.setBusy(true);  // left on by a failure part-way
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace so::test
