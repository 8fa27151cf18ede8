// The status viewer's windows with widgets on the offscreen platform: each workstation's window
// keeps its name in the title, Help asked twice shows one Help window, a desk's status bar
// tells the field link's loss with its time, and the console brings back a closed window and
// counts in English plural forms.
#include "component/StatusInternals.h"
#include "demo/App.h"
#include "demo/AppEventView.h"
#include "desk/FieldLinkLabel.h"
#include "host/AppSite.h"
#include "host/AppTranslations.h"
#include "host/DeviceWindows.h"

#include "MqttSite.h"

#include <statusobject/Status.h>
#include <window/StatusWindow.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTranslator>
#include <QWidget>

namespace {

/// The one-process demo on a demo site of its own.
struct DemoRun {
    explicit DemoRun(int workstations, int points = 300) : app(configFor(workstations, points)) {
        app.log().setEcho(false);
    }
    sv::AppConfig configFor(int workstations, int points) const {
        sv::AppConfig config;
        config.siteUrl =
            sv::prepareSite(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("site.db")), points, {}, true).url;
        config.workstations = workstations;
        config.logFolder = dir.path();
        return config;
    }
    QTemporaryDir dir;
    sv::StatusViewerApp app;
};

TEST(DeskWindows, EveryWorkstationsTitleKeepsItsNameThroughGroupChanges) {
    DemoRun run(2);
    sv::StatusViewerApp& app = run.app;
    for (int k = 0; k < 2; ++k) {
        so::StatusWindow& window = windowOf(app.workstation(k).status());
        ASSERT_GT(window.groupEntries().size(), 1);
        window.selectGroupEntry(1);  // loading a group sets the caption again
        ASSERT_NE(app.workstation(k).widget(), nullptr);
        EXPECT_EQ(app.workstation(k).widget()->windowTitle(),
                  QStringLiteral("Status Viewer - %1").arg(sv::workstationName(k + 1)));
    }
}

TEST(DeskWindows, TheConsoleBringsBackAStatusWindowClosedWithEscByItsButtonAndByF2) {
    DemoRun run(1);
    sv::StatusViewerApp& app = run.app;
    sv::AppEventView console(app);
    console.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&console));
    QWidget* window = app.workstation(0).widget();
    ASSERT_NE(window, nullptr);
    so::StatusWindow& state = windowOf(app.workstation(0).status());
    EXPECT_EQ(app.showClosedWindows(), 0) << "an open window is left as it is";

    for (const bool byKey : {false, true}) {
        state.closeByOperator();  // the operator's Esc
        ASSERT_FALSE(window->isVisible());
        ASSERT_FALSE(state.isLoaded());
        if (byKey) {
            QApplication::setActiveWindow(&console);
            ASSERT_TRUE(QTest::qWaitForWindowActive(&console));
            QTest::keyClick(&console, Qt::Key_F2);
        } else {
            QTest::mouseClick(console.showWindowsButton(), Qt::LeftButton);
        }
        EXPECT_TRUE(window->isVisible()) << (byKey ? "F2" : "button");
        EXPECT_TRUE(state.isLoaded());
        EXPECT_GT(app.workstation(0).pointsShown(), 0);
    }
}

TEST(DeskWindows, TheConsoleCountsWorkstationsInEnglishPluralForms) {
    // The program's translations as main() installs them: the English forms come with the program,
    // not from a catalogue file that a build tree or another prefix may not hold.
    sv::installTranslations(*QCoreApplication::instance());
    for (const auto& [workstations, expected] :
         {std::pair{1, "1 workstation; field: 0 state changes applied (0/s); 0 errors logged"},
          std::pair{2, "2 workstations; field: 0 state changes applied (0/s); 0 errors logged"}}) {
        DemoRun run(workstations, 100);
        const sv::AppEventView console(run.app);
        EXPECT_EQ(console.findChild<QLabel*>()->text().toStdString(), expected);
    }
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}

TEST(DeskWindows, TheStatusBarShowsTheBrokerLostSinceItsTimeAndTheFieldApart) {
    QWidget window;
    new QStatusBar(&window);
    sv::FieldLinkLabel link(&window);
    EXPECT_EQ(link.text(), QStringLiteral("\u25B2 Broker connecting \u25B2 Field state unknown"));
    link.show(false, QDateTime(QDate(2026, 12, 6), QTime(10, 42, 13)));
    EXPECT_TRUE(link.text().startsWith(QStringLiteral("\u25B2 Broker lost since 10:42:13 ")));
    link.show(true, {});
    link.showField(QStringLiteral("\u25B2 Field offline since 10:42:20"), true);
    EXPECT_EQ(link.text(), QStringLiteral("\u25CF Broker up \u25B2 Field offline since 10:42:20"));

    QWidget bare;  // no status bar: nothing to show, nothing breaks
    sv::FieldLinkLabel none(&bare);
    none.show(false, QDateTime::currentDateTime());
    none.showField(QStringLiteral("x"), true);
    EXPECT_TRUE(none.text().isEmpty());
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
