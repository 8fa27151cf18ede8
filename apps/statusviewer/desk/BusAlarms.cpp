#include "desk/BusAlarms.h"

namespace sv {

void BusAlarms::acknowledge(const std::vector<so::AlarmRaised>& alarms, const QString& comment) {
    QVector<wire::AlarmRef> refs;
    refs.reserve(qsizetype(alarms.size()));
    for (const so::AlarmRaised& alarm : alarms)
        refs.append({alarm.address, alarm.raisedMs});
    if (!operator_.isEmpty())
        desk_.setOperator(operator_);
    desk_.acknowledge(refs, comment);
}

void BusAlarms::shelve(const QString& address, int minutes) {
    if (!operator_.isEmpty())
        desk_.setOperator(operator_);
    desk_.shelve(address, minutes);
}

void BusAlarms::announced(const wire::AlarmNews& news) {
    if (news_.acknowledged.size() + news_.shelved.size() + size_t(news.steps.size()) > kMaxHeld) {
        news_ = {};
        news_.reread = true;
        return;
    }
    for (const wire::AlarmStep& step : news.steps) {
        if (step.kind == wire::AlarmStep::Kind::Acknowledged)
            news_.acknowledged.push_back({step.address, step.raisedMs, step.by, step.atMs});
        else
            news_.shelved.push_back({step.address, step.untilMs, step.by});
    }
}

}  // namespace sv
