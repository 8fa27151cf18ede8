// A desk's alarm steps over the site bus: the operator's acknowledgements and shelvings go to the
// field (DeskLink), which checks the operator, records them and announces them to every desk; the
// announcements wait here until the desk's component asks for them (a few times a second).
#pragma once

#include "MqttSite.h"

#include <statusobject/AlarmSteps.h>

namespace sv {

class BusAlarms final : public so::AlarmHost {
public:
    /// Steps held for the component at most; beyond, they are dropped and the component re-reads
    /// the site's current ones instead.
    static constexpr size_t kMaxHeld = 20000;

    /// operatorLogin: the operator the steps name (a desk serving several operators, the web
    /// desk, names each component's own); empty: the desk's operator.
    explicit BusAlarms(DeskLink& desk, QString operatorLogin = {}) : desk_(desk), operator_(std::move(operatorLogin)) {}

    void acknowledge(const std::vector<so::AlarmRaised>& alarms, const QString& comment) override;
    void shelve(const QString& address, int minutes) override;
    News news() override { return std::exchange(news_, {}); }

    /// The field announced these steps.
    void announced(const wire::AlarmNews& news);
    /// The desk resynchronised with the field: announcements may have been missed.
    void resynced() { news_.reread = true; }

private:
    DeskLink& desk_;
    QString operator_;
    News news_;
};

}  // namespace sv
