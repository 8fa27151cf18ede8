// A workstation's start on a locked site. (A command sent from one workstation and its answer on
// every desk's row: EveryCommandEndToEndTest.)
#include "desk/Workstation.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/DrawnImageList.h"
#include "host/ResourceTexts.h"
#include "host/SyncBus.h"

#include "AppTestSite.h"
#include "StartupError.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// A site another connection holds locked at start (a field writing a storm under load): start-up
// waits within its bound and says so, and gives up once the bound is past.
TEST(WorkstationStart, WaitsForALockedSiteWithinItsBound) {
    sv::test::DemoSiteFile site;
    sv::AppLog log;
    log.setEcho(false);
    sv::ResourceTexts texts{&log};
    sv::SyncBus bus;
    sv::DrawnImageList images;
    sv::SimulatedField field{*site.db, sv::FieldOptions{}, &log};
    const sv::HostServices services{&texts, &log, &bus, &field, &images};

    std::atomic<bool> locked = false;
    std::atomic<bool> release = false;
    std::thread holder([&] {
        auto other = so::db::Connection::open(site.url);
        other->beginTransaction();
        other->execute(QStringLiteral("UPDATE Workstations SET ProfileID = ProfileID"));
        locked = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        other->rollback();
    });
    while (!locked)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    sv::WorkstationOptions station;
    station.siteUrl = site.url;
    station.host.computerName = QStringLiteral("WS9");
    station.host.operatorName = QStringLiteral("admin");
    station.logFolder = site.dir.path();
    station.startLockWaitMs = 300;
    try {
        sv::Workstation refused(station, services, field, bus);
        ADD_FAILURE() << "started on a locked site";
    } catch (const sv::StartupError& e) {
        EXPECT_TRUE(e.message().contains("locked")) << e.message().toStdString();
    }
    EXPECT_TRUE(log.lines().join('\n').contains("the site is locked by another connection; waiting up to 0.3 s"))
        << log.lines().join('\n').toStdString();

    // The lock goes a moment after start-up began to wait: the workstation starts.
    station.startLockWaitMs = 60000;
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        release = true;
    });
    std::unique_ptr<sv::Workstation> started;
    EXPECT_NO_THROW(started = std::make_unique<sv::Workstation>(station, services, field, bus));
    releaser.join();
    holder.join();
    ASSERT_NE(started, nullptr);
    EXPECT_EQ(started->computerName(), "WS9");
}
