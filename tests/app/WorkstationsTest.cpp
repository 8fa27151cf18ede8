// Two workstations, each a Status on its own SiteHost, fed by one simulated field: a command sent
// from one window reaches the field through the host, and the answer changes the row in both.
#include "AppLog.h"
#include "status/StatusBoard.h"
#include "AppTestSite.h"
#include "DrawnImageList.h"
#include "ResourceTexts.h"
#include "SimulatedField.h"
#include "StartupError.h"
#include "SyncBus.h"
#include "Workstation.h"
#include "component/StatusInternals.h"

#include <grid/StatusGrid.h>
#include <window/StatusWindow.h>

#include <gtest/gtest.h>

#include <QTest>

#include <atomic>
#include <thread>

namespace {

struct TwoWorkstations : ::testing::Test {
    sv::test::DemoSiteFile site;
    sv::AppLog log;
    sv::ResourceTexts texts{&log};
    sv::SyncBus bus;
    sv::DrawnImageList images;
    std::unique_ptr<so::db::Connection> fieldDb = site.connect();
    std::unique_ptr<sv::SimulatedField> field;
    std::vector<std::unique_ptr<sv::Workstation>> stations;  // after the field: each leaves it first

    void SetUp() override {
        log.setEcho(false);
        sv::FieldOptions options;
        options.answerDelayMs = 5;
        field = std::make_unique<sv::SimulatedField>(*fieldDb, options, &log);
        field->load();
        const sv::HostServices services{&texts, &log, &bus, field.get(), &images};
        for (const QString& computer : {site.site.secondComputerName, QStringLiteral("WS1")}) {
            sv::WorkstationOptions station;
            station.siteUrl = site.url;
            station.host.computerName = computer;
            station.host.operatorName = QStringLiteral("admin");
            station.logFolder = site.dir.path();
            stations.push_back(std::make_unique<sv::Workstation>(station, services, *field, bus));
            so::StatusWindow& window = windowOf(stations.back()->status());
            window.selectGroupEntry(window.findGroupEntry(site.site.smallGroupId));
        }
    }
    so::StatusGrid& doors(int station) {
        return windowOf(stations[size_t(station)]->status()).board().sections().grid(0);
    }
};

TEST_F(TwoWorkstations, AnUnlockFromOneWindowChangesTheDoorRowInBoth) {
    ASSERT_GT(doors(0).rowCount(), 0);
    ASSERT_EQ(doors(0).rowCount(), doors(1).rowCount());
    const QString door = doors(0).text(1, "Address");
    ASSERT_TRUE(door.contains(".DR"));
    const qint32 controller =
        site.scalar(QString("SELECT ControllerID FROM Doors WHERE Address = '%1'").arg(door)).toInt();

    qint32 number = controller;
    qint16 point = qint16(door.right(2).toInt());
    stations[0]->host().DTApiCall(number, "CALL_API|DOORFUNCTION|RELOCK_DOOR", point);
    ASSERT_TRUE(QTest::qWaitFor([&] { return doors(0).text(1, "Relay Status") == "Off"; }, 3000));
    stations[0]->host().DTApiCall(number, "CALL_API|DOORFUNCTION|UNLOCK_DOOR", point);
    for (int station : {0, 1}) {
        const int row = doors(station).findRow(door);
        EXPECT_TRUE(QTest::qWaitFor([&] { return doors(station).text(row, "Relay Status") == "On"; }, 3000))
            << "workstation " << station;
        EXPECT_EQ(doors(station).text(row, "Relay Details"), "unlock");
    }
    EXPECT_EQ(log.errorCount(), 0) << log.lines().join("\n").toStdString();
}

}  // namespace

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
