// The in-process bus the site's links are tested on keeps what a broker keeps: topic filters by
// level, retained messages for later subscribers, a last will only for a client that went away
// without a word, at-least-once messages of a disconnected client, no oversized payload.
#include "MemoryTransport.h"

#include <gtest/gtest.h>

namespace {

using namespace sv;

TEST(MemoryBus, TopicFiltersMatchByLevel) {
    const struct {
        const char* filter;
        const char* topic;
        bool matches;
    } cases[] = {
        {"site/main/state", "site/main/state", true},        {"site/main/command/+", "site/main/command/WS1", true},
        {"site/main/command/+", "site/main/command", false}, {"site/main/command/+", "site/main/command/WS1/x", false},
        {"site/+/state", "site/north/state", true},          {"site/#", "site/main/notice/WS2", true},
        {"site/main/state", "site/main/state/x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MemoryBus::matches(c.filter, c.topic), c.matches) << c.filter << " " << c.topic;
}

TEST(MemoryBus, RetainedMessagesWillsAndHeldMessagesBehaveAsABrokersDo) {
    MemoryBus bus;
    MemoryTransport sender(bus, {});
    QStringList seen;
    sender.setLastWill("t/will", "gone");
    EXPECT_FALSE(sender.publish("t/a", "lost", SiteTransport::AtMostOnce)) << "at most once, and not connected";
    EXPECT_TRUE(sender.publish("t/a", "held", SiteTransport::AtLeastOnce, true));
    sender.connect();
    bus.deliver();

    MemoryTransport late(bus, {"t/#"});
    late.onMessage = [&](const QString& topic, const QByteArray& payload) { seen << topic + "=" + payload; };
    late.connect();
    bus.deliver();
    EXPECT_EQ(seen, QStringList{"t/a=held"}) << "the retained message, sent once the sender connected";

    sender.disconnect();
    bus.deliver();
    EXPECT_EQ(seen.size(), 1) << "an orderly exit leaves no will";
    sender.connect();
    sender.drop();
    bus.deliver();
    EXPECT_EQ(seen.last(), "t/will=gone");

    qint64 oversized = 0;
    late.onOversized = [&](const QString&, qint64 bytes) { oversized = bytes; };
    sender.connect();
    sender.publish("t/big", QByteArray(SiteTransport::kMaxPayloadBytes + 1, 'x'), SiteTransport::AtLeastOnce);
    bus.deliver();
    EXPECT_EQ(oversized, SiteTransport::kMaxPayloadBytes + 1);
    EXPECT_EQ(seen.size(), 2) << "the oversized payload is not handed on";
}

}  // namespace
