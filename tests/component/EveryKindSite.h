// A group of one point of each kind on a generated demo site, for the tests that follow reports
// through the component: every row brought to a known normal state by the same reports
// (kBaseline), with the configuration the summaries read set here, and no stored report replayed.
#pragma once

#include "component/ComponentFixture.h"
#include "component/StatusInternals.h"

#include <statusobject/StatusReader.h>

namespace so::test::everykind {

// The points of the group, by role.
enum Point {
    Door,
    Input,
    Relay,
    ExpInput,
    ExpRelay,
    Reader,
    Controller,
    Box,
    Port,
    ZDoor,
    ZInput,
    ZRelay,
    ZModule,
    ZController,
    kPointCount
};

struct PointInfo {
    const char* address;
    int objectId;
    const char* table;
    const char* idColumn;
    int section;
};
inline const PointInfo kPoints[kPointCount] = {
    {"\\\\SNET.P01.C00001.DR01", 1, "Doors", "DoorId", 0},
    {"\\\\SNET.P01.C00001.BI01", 2, "Inputs", "InputID", 1},
    {"\\\\SNET.P01.C00001.BR01", 3, "Outputs", "OutputID", 2},
    {"\\\\SNET.P01.C00001.XI01", 8, "ExpInputs", "ExpInputID", 1},
    {"\\\\SNET.P01.C00001.XR01", 9, "ExpOutputs", "ExpOutputID", 2},
    {"\\\\SNET.P01.C00001.SM01", 4, "Readers", "ReaderId", 3},
    {"\\\\SNET.P01.C00001", 5, "Controllers", "Controller_ID", 4},
    {"\\\\PYLON.P01.01", 6, "Pylons", "PylonID", 5},
    {"\\\\PORT.P01", 7, "ServerPorts", "PortID", 6},
    {"\\\\ZRII.S01.C001.DR01", 101, "ZRII_Doors", "DoorID", 0},
    {"\\\\ZRII.S01.C001.BI01", 102, "ZRII_Inputs", "InputID", 1},
    {"\\\\ZRII.S01.C001.BR01", 103, "ZRII_Relays", "RelayID", 2},
    {"\\\\ZRII.S01.C001.MD01", 108, "ZRII_Modules", "ID", 7},
    {"\\\\ZRII.S01.C001", 105, "ZRII_Controllers", "ID", 4},
};

struct Report {
    const char* device;
    Point point;
    quint8 state;
    const char* value = "";
};

// Every row normal: lines closed, one line module, no alarm, no mask, relays off, on line.
inline const Report kBaseline[] = {
    {"STD_INPUT", Input, 201, "1"},
    {"STD_INPUT", Input, 68, "0"},
    {"STD_INPUT", Input, 66},
    {"STD_INPUT", Input, 0},
    {"STD_RELAY", Relay, 0},
    {"EXP_INPUT", ExpInput, 201, "1"},
    {"EXP_INPUT", ExpInput, 68, "0"},
    {"EXP_INPUT", ExpInput, 66},
    {"EXP_INPUT", ExpInput, 0},
    {"EXP_RELAY", ExpRelay, 0},
    {"READER", Reader, 1},
    {"READER", Reader, 3},
    {"READER", Reader, 5},
    {"CONTROLLER", Controller, 2},
    {"CONTROLLER", Controller, 4},
    {"CONTROLLER", Controller, 14},
    {"CONTROLLER", Controller, 23},
    {"CONTROLLER", Controller, 30},
    {"CONTROLLER", Controller, 1},
    {"PORT", Port, 1},
    {"ZR2_INPUT", ZInput, 0, "0"},
    {"ZR2_INPUT", ZInput, 1, "1184274"},
    {"ZR2_RELAY", ZRelay, 0, "0"},
    {"ZR2_RELAY", ZRelay, 1, "OFF"},
    {"ZR2_MODULE", ZModule, 2},
};

class EveryKindTest : public ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        status.reset();
        // The group shown at start holds one point of each kind; no stored report replays into
        // the rows, and the configuration the summaries read is set here: contacts closed when
        // their line is clear, relays normal when off, no newer-line input masked.
        const int group = site.smallGroupId;
        exec(QStringLiteral("DELETE FROM Status_Points WHERE GroupID = %1").arg(group));
        for (const PointInfo& p : kPoints) {
            const int inserted = countRows(*db, QStringLiteral("SELECT 1 FROM %1 WHERE Address = '%2'")
                                                    .arg(QLatin1String(p.table), QLatin1String(p.address)));
            ASSERT_EQ(inserted, 1) << p.address;
            exec(QStringLiteral("INSERT INTO Status_Points (GroupID, ObjectID, PointID, ListAddress) SELECT %1, %2, "
                                "%3, Address FROM %4 WHERE Address = '%5'")
                     .arg(group)
                     .arg(p.objectId)
                     .arg(QLatin1String(p.idColumn), QLatin1String(p.table), QLatin1String(p.address)));
        }
        exec(QStringLiteral("DELETE FROM SuperStatus"));
        exec(QStringLiteral("UPDATE Inputs SET NormalyOpen = 0, PanelType = 1, Disabled = 0"));
        exec(QStringLiteral("UPDATE ExpInputs SET normal_open = 0, Disabled = 0"));
        exec(QStringLiteral("UPDATE Outputs SET invert = 0, TwoMan = 0"));
        exec(QStringLiteral("UPDATE ZRII_Inputs SET MaskSource = 0, NormallyClosed = 1, LineModuleType = 3"));
        exec(QStringLiteral("UPDATE ZRII_Relays SET NormalStateEnergized = 0, EnergizedStatus = 0"));
        exec(QStringLiteral("UPDATE ZRII_Modules SET Online = 1"));
        exec(QStringLiteral("UPDATE ZRII_Controllers SET Online = 1"));
    }

    void exec(const QString& sql) { db->execute(sql); }

    static void send(Status& s, const Report& r) {
        s.StateChange(QLatin1String(r.device), QLatin1String(kPoints[r.point].address), r.state,
                      QStringLiteral("2025-06-01 08:00:00"), QLatin1String(r.value));
    }

    /// A new component on the group, every row brought to normal by kBaseline; the attention list
    /// synced at 1000 ms, empty.
    std::unique_ptr<Status> startNormal() {
        auto started = makeStatus(host, dialogs);
        started->Show();
        for (const Report& r : kBaseline)
            send(*started, r);
        windowOf(*started).attention().sync(1000);
        EXPECT_TRUE(windowOf(*started).attention().entries().empty()) << "the baseline leaves a row abnormal";
        return started;
    }
};

}  // namespace so::test::everykind
