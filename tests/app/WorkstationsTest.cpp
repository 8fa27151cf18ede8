// Two workstations, each a Status on its own SiteHost, fed by one simulated field: a command sent
// from one window reaches the field through the host, and the answer changes the row in both.
#include "AppLog.h"
#include "AppTestSite.h"
#include "DrawnImageList.h"
#include "ResourceTexts.h"
#include "SimulatedField.h"
#include "SiteHost.h"
#include "StatusAdapters.h"
#include "SyncBus.h"
#include "component/StatusInternals.h"

#include <statusobject/Status.h>
#include <grid/StatusGrid.h>
#include <window/StatusWindow.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QTest>

namespace {

struct Workstation {
    std::unique_ptr<so::db::Connection> db;
    std::unique_ptr<sv::SiteHost> host;
    std::unique_ptr<so::Status> status;
    std::unique_ptr<sv::StatusStateSink> sink;
    std::unique_ptr<sv::StatusSyncReceiver> receiver;
};

struct TwoWorkstations : ::testing::Test {
    sv::test::DemoSiteFile site;
    sv::AppLog log;
    sv::ResourceTexts texts{&log};
    sv::SyncBus bus;
    sv::DrawnImageList images;
    std::unique_ptr<so::db::Connection> fieldDb = site.connect();
    std::unique_ptr<sv::SimulatedField> field;
    std::vector<Workstation> stations;

    void SetUp() override {
        log.setEcho(false);
        sv::FieldOptions options;
        options.answerDelayMs = 5;
        field = std::make_unique<sv::SimulatedField>(*fieldDb, options, &log);
        field->load();
        const sv::HostServices services{&texts, &log, &bus, field.get(), &images};
        for (const QString& computer : {site.site.secondComputerName, QStringLiteral("WS1")}) {
            Workstation w;
            w.db = site.connect();
            sv::WorkstationSetup setup;
            setup.computerName = computer;
            setup.operatorName = QStringLiteral("admin");
            w.host = std::make_unique<sv::SiteHost>(*w.db, setup, services);
            w.status = std::make_unique<so::Status>();
            w.status->setLogFolder(site.dir.path());
            w.status->setDBConnection(w.db.get());
            w.status->setNTConnection(w.host.get());
            w.status->setParent(w.host.get());
            w.status->setComputerName(computer);
            w.status->setCurrentProfileID(site.site.defaultProfileId);  // both open the small group
            w.status->Show();
            w.sink = std::make_unique<sv::StatusStateSink>(*w.status);
            w.receiver = std::make_unique<sv::StatusSyncReceiver>(*w.status);
            field->addSink(w.sink.get());
            bus.attach(w.host->WorkstationID(), w.receiver.get());
            stations.push_back(std::move(w));
        }
    }
    void TearDown() override {
        for (Workstation& w : stations) {
            field->removeSink(w.sink.get());
            bus.detach(w.host->WorkstationID());
            w.status->ShutDown();
        }
    }
    so::StatusGrid& doors(int station) { return windowOf(*stations[station].status).grid(0); }
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
    stations[0].host->DTApiCall(number, "CALL_API|DOORFUNCTION|RELOCK_DOOR", point);
    ASSERT_TRUE(QTest::qWaitFor([&] { return doors(0).text(1, "Relay Status") == "Off"; }, 3000));
    stations[0].host->DTApiCall(number, "CALL_API|DOORFUNCTION|UNLOCK_DOOR", point);
    for (int station : {0, 1}) {
        const int row = doors(station).findRowForAddress(door);
        EXPECT_TRUE(QTest::qWaitFor([&] { return doors(station).text(row, "Relay Status") == "On"; }, 3000))
            << "workstation " << station;
        EXPECT_EQ(doors(station).text(row, "Relay Details"), "unlock");
    }
    EXPECT_EQ(log.errorCount(), 0) << log.lines().join("\n").toStdString();
}

TEST_F(TwoWorkstations, LiveTrafficReachesEveryWorkstationWithoutErrors) {
    field->step(2000);
    EXPECT_EQ(field->deliveries(), 2 * field->reportsSent());
    EXPECT_EQ(log.errorCount(), 0) << log.lines().join("\n").toStdString();
    // Nothing the field reported made the component write its own error log.
    QFile componentLog(site.dir.filePath("StatusObject.log"));
    EXPECT_FALSE(componentLog.exists()) << (componentLog.open(QIODevice::ReadOnly) ? componentLog.readAll().left(2000).toStdString() : "");
    // The texts the windows asked for all had wording.
    EXPECT_TRUE(texts.missingNumbers().isEmpty());
}

}  // namespace
