// The notice unit on its own: which rows a configuration notice re-reads for each kind of address,
// and the notice table holding every action once.
#include "component/Notices.h"

#include <statusobject/Vocabulary.h>

#include <gtest/gtest.h>

#include <set>

namespace so::test {
namespace {

const QString kClassic = QStringLiteral("\\\\SNET.P001.C0101");  // a classic controller, 17 characters

TEST(NoticeTargetsTest, APointReReadsItsOwnRowAndItsDoorsRow) {
    constexpr RefreshTarget doors = RefreshTarget::Door, inputs = RefreshTarget::Input, relays = RefreshTarget::Relay,
                            controllers = RefreshTarget::Controller, boxes = RefreshTarget::Box,
                            ports = RefreshTarget::Port;
    const QString newerLine = QStringLiteral("\\\\ZRII.S01.C001");
    struct Case {
        QString address;
        QString kind;
        QVector<NoticeTarget> targets;
    };
    const Case cases[] = {
        // A reader's own row has nothing to re-read; its door's has.
        {kClassic + ".SM01", {}, {{doors, kClassic + ".SM01"}}},
        // An input's door row holds the door's own address.
        {kClassic + ".BI03",
         {},
         {{inputs, kClassic + ".BI03"}, {doors, kClassic + ".BI03"}, {doors, kClassic + ".DR03"}}},
        // A relay's door likewise: the door shows its strike.
        {kClassic + ".BR02", {}, {{relays, kClassic + ".BR02"}, {doors, kClassic + ".DR02"}}},
        {kClassic + ".DR01", {}, {{doors, kClassic + ".DR01"}}},
        // A controller by its length, and by the notice's kind word when the length says nothing.
        {kClassic, {}, {{controllers, kClassic}, {RefreshTarget::ZR2Controller, kClassic}}},
        // The newer line's controller, readers, modules and door-less relays re-read their own rows.
        {newerLine, {}, {{RefreshTarget::ZR2Controller, newerLine}}},
        {newerLine, QStringLiteral("CONT"), {{RefreshTarget::ZR2Controller, newerLine}}},
        {newerLine + ".RL02", {}, {{RefreshTarget::ZR2Reader, newerLine + ".RL02"}}},
        {newerLine + ".MD04", {}, {{RefreshTarget::ZR2Module, newerLine + ".MD04"}}},
        {newerLine + ".VR01", {}, {{relays, newerLine + ".VR01"}}},
        {newerLine + ".BR03", {}, {{relays, newerLine + ".BR03"}, {doors, newerLine + ".DR03"}}},
        {QStringLiteral("\\\\PYLON.P00001"), {}, {{boxes, QStringLiteral("\\\\PYLON.P00001")}}},
        {QStringLiteral("\\\\PORT.CO1"), {}, {{ports, QStringLiteral("\\\\PORT.CO1")}}},
        {QStringLiteral("\\\\X.Y"), QStringLiteral("PORT"), {{ports, QStringLiteral("\\\\X.Y")}}},
        {QStringLiteral("\\\\X.Y"), QStringLiteral("PYLON"), {{boxes, QStringLiteral("\\\\X.Y")}}},
        // Nothing to re-read: no code, no kind word the window knows.
        {QStringLiteral("\\\\X.Y"), QStringLiteral("DOOR"), {}},
        {QString(), {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.address + QLatin1Char('|') + c.kind).toStdString());
        const QVector<NoticeTarget> targets = noticeTargets(c.address, c.kind);
        ASSERT_EQ(targets.size(), c.targets.size());
        for (int i = 0; i < targets.size(); ++i) {
            EXPECT_EQ(targets[i].target, c.targets[i].target) << i;
            EXPECT_EQ(targets[i].address, c.targets[i].address) << i;
        }
    }
}

TEST(NoticeTargetsTest, TheTableReadsEveryActionOnceAndSkipsOnlyItsOwnGroupNotices) {
    std::set<qint32> actions;
    for (const Notices::Kind& kind : Notices::kinds()) {
        EXPECT_TRUE(actions.insert(kind.action).second) << "action " << kind.action << " twice";
        const bool aboutAGroup = kind.action == notice::GroupCreated || kind.action == notice::GroupDeleted ||
                                 kind.action == notice::GroupChanged;
        EXPECT_EQ(kind.skipOwn, aboutAGroup) << "action " << kind.action;
    }
    for (qint32 action = notice::GroupCreated; action <= notice::PylonEnabled; ++action)
        EXPECT_EQ(actions.count(action), 1u) << "action " << action << " not read";
}

}  // namespace
}  // namespace so::test
