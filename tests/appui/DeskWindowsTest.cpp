// The status viewer's windows with widgets on the offscreen platform: each workstation's window
// keeps its name in the title, and Help asked twice shows one Help window.
#include "App.h"
#include "AppSite.h"
#include "DeviceWindows.h"

#include <statusobject/Status.h>
#include <window/StatusWindow.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QWidget>

namespace {

TEST(DeskWindows, EveryWorkstationsTitleKeepsItsNameThroughGroupChanges) {
    QTemporaryDir dir;
    const sv::SiteChoice site =
        sv::prepareSite(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("site.db")), 300, {}, true);
    sv::AppConfig config;
    config.siteUrl = site.url;
    config.workstations = 2;
    config.logFolder = dir.path();
    sv::StatusViewerApp app(config);
    app.log().setEcho(false);
    for (int k = 0; k < 2; ++k) {
        so::StatusWindow& window = app.workstation(k).status().window();
        ASSERT_GT(window.groupEntries().size(), 1);
        window.selectGroupEntry(1);  // loading a group sets the caption again
        ASSERT_NE(app.workstation(k).widget(), nullptr);
        EXPECT_EQ(app.workstation(k).widget()->windowTitle(),
                  QStringLiteral("Status Viewer - %1").arg(sv::workstationName(k + 1)));
    }
}

TEST(DeskWindows, HelpAskedTwiceShowsOneWindowWithTheLastPage) {
    QTemporaryDir dir;
    const sv::SiteChoice site =
        sv::prepareSite(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("site.db")), 100, {}, true);
    auto db = so::db::Connection::open(site.url);
    sv::AppLog log;
    log.setEcho(false);
    sv::DeviceWindows windows(*db, log, true);
    ASSERT_TRUE(windows.opensWindows());
    windows.showHelp(212);  // the Help button
    windows.showHelp(34);   // then F1
    EXPECT_EQ(windows.openWindowCount(), 1);
    int helpWindows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QStringLiteral("Help")) {
            ++helpWindows;
            EXPECT_EQ(w->findChild<QLabel*>()->text(), sv::DeviceWindows::helpText(34));
        }
    EXPECT_EQ(helpWindows, 1);
}

}  // namespace
