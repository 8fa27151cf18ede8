// A site on one in-process bus, as the host's multi-desk tests build it: the demo site in a file,
// the host objects a workstation needs, the simulated field on its own connection publishing
// through its broadcaster, and workstations opened on desk links. A test fixture derives from it
// next to ::testing::Test; its own members (desks, links) go before this base's in destruction.
#pragma once

#include "desk/Workstation.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"
#include "host/DrawnImageList.h"
#include "host/ResourceTexts.h"
#include "host/SiteHost.h"
#include "support/EventLoop.h"

#include "AppTestSite.h"
#include "MemoryTransport.h"
#include "MqttSite.h"

#include <gtest/gtest.h>

#include <memory>

namespace sv::test {

/// The bus's site name every multi-desk test uses.
inline const QString kBusSiteName = QStringLiteral("main");

struct BusSite {
    DemoSiteFile site;
    AppLog log;
    ResourceTexts texts{&log};
    DrawnImageList images;
    MemoryBus bus;
    std::unique_ptr<so::db::Connection> fieldDb = site.connect();
    MemoryTransport fieldLink{bus, {wire::everyLoginTopic(kBusSiteName, wire::Topic::Command)}};
    std::unique_ptr<SimulatedField> field;
    std::unique_ptr<FieldBroadcaster> broadcaster;

    explicit BusSite(int points = 400) : site(points) { log.setEcho(false); }
    ~BusSite() {
        if (field != nullptr && broadcaster != nullptr)
            field->removeSink(broadcaster.get());
    }

    /// Loads the field on its own connection and puts it on the bus; its traffic starts with
    /// field->start().
    void startField(const FieldOptions& options) {
        field = std::make_unique<SimulatedField>(*fieldDb, options, &log);
        field->load();
        broadcaster = std::make_unique<FieldBroadcaster>(fieldLink, kBusSiteName, *field, *fieldDb,
                                                         &SiteHost::operatorPermission, log);
        field->addSink(broadcaster.get());
        fieldLink.connect();
    }

    /// A workstation of computer `computer` on a desk link, its operator admin, showing `group`.
    std::unique_ptr<Workstation> openWorkstation(DeskLink& desk, const QString& computer, const QString& group,
                                                 so::AlarmHost* alarms = nullptr) {
        WorkstationOptions options;
        options.siteUrl = site.url;
        options.host.computerName = computer;
        options.host.operatorName = QStringLiteral("admin");
        options.logFolder = site.dir.path();
        options.alarms = alarms;
        auto station =
            std::make_unique<Workstation>(options, HostServices{&texts, &log, &desk, &desk, &images}, desk, desk);
        EXPECT_TRUE(station->showGroup(group));
        return station;
    }

    /// Delivers the bus and runs the event loop (the desks' list ticks, the field's timers and
    /// writer) until done() holds, for at most ms: a bound only a hung run reaches.
    template <typename Done>
    bool until(Done done, int ms = 60000) {
        return so::test::runEventsUntil(
            ms, done, [this] { bus.deliver(); }, 10);
    }
};

}  // namespace sv::test
