// Notices between the workstations of one process.
#include "host/SyncBus.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

using sv::SyncBus;
using sv::SyncReceiver;

namespace {

struct Notice {
    QString type;
    qint32 action;
    QString data;
    QString sender;
    QString recipient;
    bool operator==(const Notice&) const = default;
};

struct BusDesk : SyncReceiver {
    SyncBus* bus = nullptr;
    QVector<Notice> received;
    bool answer = false;  // sends a notice of its own from inside SyncPipe
    void SyncPipe(const QString& sType, qint32 lData, const QVariant& vData, const QString& sender,
                  const QString& recipient) override {
        received.append({sType, lData, vData.toString(), sender, recipient});
        if (answer && bus)
            bus->send(sType, lData + 100, vData, recipient);
    }
};

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

TEST(SyncBus, DeliversToEveryOtherWorkstationAfterTheSendReturns) {
    SyncBus bus;
    BusDesk a, b, c;
    bus.attach("1", &a);
    bus.attach("2", &b);
    bus.attach("3", &c);

    bus.send("STATUSVIEW", 1, QString("Night Shift|12"), "1");
    EXPECT_TRUE(b.received.isEmpty()) << "delivered inside the sender's call";

    settle();
    EXPECT_TRUE(a.received.isEmpty());
    ASSERT_EQ(b.received.size(), 1);
    ASSERT_EQ(c.received.size(), 1);
    EXPECT_EQ(b.received[0], (Notice{"STATUSVIEW", 1, "Night Shift|12", "1", "2"}));
    EXPECT_EQ(c.received[0].recipient, "3");
    EXPECT_EQ(bus.delivered(), 2);
}

TEST(SyncBus, AWorkstationThatClosedBeforeDeliveryGetsNothing) {
    SyncBus bus;
    BusDesk a, b;
    bus.attach("1", &a);
    bus.attach("2", &b);
    bus.send("STATUSVIEW", 5, 0, "1");
    bus.detach("2");
    settle();
    EXPECT_TRUE(b.received.isEmpty());
    EXPECT_EQ(bus.delivered(), 0);
}

TEST(SyncBus, AReceiverMaySendFromInsideItsSyncPipe) {
    SyncBus bus;
    BusDesk a, b;
    b.bus = &bus;
    b.answer = true;
    bus.attach("1", &a);
    bus.attach("2", &b);
    bus.send("STATUSVIEW", 3, QString("x|1"), "1");
    settle();
    ASSERT_EQ(a.received.size(), 1);
    EXPECT_EQ(a.received[0], (Notice{"STATUSVIEW", 103, "x|1", "2", "1"}));
    EXPECT_EQ(b.received.size(), 1);  // its own answer does not come back to it
}

}  // namespace
