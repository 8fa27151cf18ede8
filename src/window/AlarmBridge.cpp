#include "window/AlarmBridge.h"

#include "base/ComponentContext.h"
#include "base/SiteLink.h"
#include "window/SiteAlarmAuthority.h"

#include <statusobject/Db.h>

#include <QDateTime>

#include <algorithm>

namespace so {
namespace {

/// How long the writer's statements wait for another connection's lock: it waits off the
/// window's thread, so it may wait out a busy moment of another desk or the field.
constexpr int kWriterBusyTimeoutMs = 5000;

/// The site database on a connection of the writer's own.
class OwnConnectionAuthority final : public SiteAlarmAuthority {
public:
    OwnConnectionAuthority(std::unique_ptr<db::Connection> connection, OperatorId operatorId)
        : SiteAlarmAuthority(*connection, std::move(operatorId)), connection_(std::move(connection)) {}

private:
    std::unique_ptr<db::Connection> connection_;
};

/// False while the site's file is gone or damaged: nothing is written to it then.
bool siteWhole(const ComponentContext& ctx) {
    const SiteLink* link = ctx.siteLink;
    return link == nullptr || (link->isReachable() && !link->isDamaged());
}

}  // namespace

AlarmBridge::AlarmBridge(ComponentContext& ctx) : ctx_(ctx) {}

AlarmBridge::~AlarmBridge() {
    QObject::disconnect(linkWatch_);
    // What the last ticks saw is written before the writer stops (not into a site gone or damaged).
    if (!waiting_.empty() && siteWhole(ctx_) && (writer_ || ctx_.dbConnection != nullptr)) {
        try {
            sendSteps();
        } catch (...) {
            // The component is going: there is nobody left to tell.
        }
    }
}

void AlarmBridge::setAuthority(std::unique_ptr<AlarmAuthority> authority) {
    writer_.reset();
    fallback_.reset();
    if (authority)
        writer_ = std::make_unique<AlarmWriter>(std::move(authority));
}

AlarmWriter& AlarmBridge::writer() {
    if (writer_)
        return *writer_;
    db::Connection& db = ctx_.db();
    fallback_ = std::make_unique<SiteAlarmAuthority>(db, operatorId_);
    const QString url = db.url();
    if (url.contains(QLatin1String(":memory:"))) {
        // A private in-memory site exists on this connection only.
        writer_ = std::make_unique<AlarmWriter>(std::make_unique<SiteAlarmAuthority>(db, operatorId_));
        return *writer_;
    }
    if (ctx_.siteLink != nullptr && !linkWatch_)
        linkWatch_ = QObject::connect(ctx_.siteLink, &SiteLink::reachableChanged, [this](bool reachable) {
            if (!reachable)
                dropOwnConnection();
        });
    writer_ = std::make_unique<AlarmWriter>(
        [url, id = operatorId_]() -> std::unique_ptr<AlarmAuthority> {
            std::unique_ptr<db::Connection> own = db::Connection::open(url);
            own->setBusyTimeout(kWriterBusyTimeoutMs);
            return std::make_unique<OwnConnectionAuthority>(std::move(own), id);
        },
        *fallback_);
    return *writer_;
}

void AlarmBridge::dropOwnConnection() {
    if (fallback_ && writer_ && writer_->isThreaded()) {
        writer_.reset();
        fallback_.reset();
    }
}

void AlarmBridge::noteOperator() {
    qint32 id = 0;
    if (ctx_.ntConnection != nullptr)
        id = ctx_.site().UserId();
    operatorId_->store(id);
}

void AlarmBridge::report(const AttentionList::SyncResult& result, qint64 nowMs) {
    if (!result.cleared.empty() || !result.raised.empty())
        waiting_.push_back({result.cleared, result.raised, nowMs});
    // While the site's file is gone or damaged nothing is written to it: the steps wait for it.
    // The writer's own connection closes too (it would keep the file it opened, and its log, open
    // under the site's name); a writer on a connection opened anew takes the steps once it is back.
    if (!siteWhole(ctx_)) {
        dropOwnConnection();
        return;
    }
    {
        std::lock_guard lock(answers_->mutex);
        if (answers_->stepsRunning)
            return;  // they go with the next job, once the writer took this one's answers
    }
    sendSteps();
}

void AlarmBridge::sendSteps() {
    {
        std::lock_guard lock(answers_->mutex);
        answers_->stepsRunning = true;
    }
    const qint64 nowMs = waiting_.empty() ? QDateTime::currentMSecsSinceEpoch() : waiting_.back().nowMs;
    writer().post([steps = std::exchange(waiting_, {}), answers = answers_, nowMs](AlarmAuthority& authority) mutable {
        struct Done {
            Answers& answers;
            ~Done() {
                std::lock_guard lock(answers.mutex);
                answers.stepsRunning = false;
            }
        } done{*answers};
        std::vector<Adopted> adopted;
        std::vector<AlarmAcknowledgement> acknowledged;
        for (Step& step : steps) {
            authority.cleared(step.cleared, step.nowMs);
            std::vector<AlarmOccurrence> raised = step.raised;
            for (AlarmAcknowledgement& ack : authority.raised(raised, step.nowMs))
                acknowledged.push_back(std::move(ack));
            for (size_t i = 0; i < raised.size(); ++i)
                adopted.push_back({raised[i], step.raised[i].raisedMs});
        }
        for (AlarmAcknowledgement& more : authority.news())
            acknowledged.push_back(std::move(more));
        std::vector<AlarmShelving> shelved = authority.shelvings(nowMs);
        std::lock_guard lock(answers->mutex);
        for (Adopted& a : adopted)
            answers->adopted.push_back(std::move(a));
        for (AlarmAcknowledgement& ack : acknowledged)
            answers->acknowledged.push_back(std::move(ack));
        for (AlarmShelving& s : shelved)
            answers->shelved.push_back(std::move(s));
    });
}

void AlarmBridge::wait(std::chrono::milliseconds bound) {
    if (!waiting_.empty() && siteWhole(ctx_))
        sendSteps();
    writer().waitFor(bound);
}

bool AlarmBridge::apply(AttentionList& list, qint64 nowMs, qint64 steadyNowMs) {
    std::vector<Adopted> adopted;
    std::vector<AlarmAcknowledgement> acknowledged;
    std::vector<AlarmShelving> shelved;
    {
        std::lock_guard lock(answers_->mutex);
        adopted.swap(answers_->adopted);
        acknowledged.swap(answers_->acknowledged);
        shelved.swap(answers_->shelved);
    }
    bool changed = false;
    for (const Adopted& a : adopted) {
        // Only the occurrence the desk raised: one raised again since keeps its own time.
        const AttentionEntry* entry = list.find(a.alarm.section, a.alarm.key);
        if (entry != nullptr && !entry->cleared() && entry->sinceMs == a.deskRaisedMs &&
            entry->address == a.alarm.address)
            changed = list.adopt(a.alarm.section, a.alarm.key, a.alarm.raisedMs) || changed;
    }
    for (const AlarmAcknowledgement& ack : acknowledged)
        changed = list.acknowledge(ack.address, ack.raisedMs, ack.by, ack.atMs) || changed;
    for (const AlarmShelving& s : shelved)
        changed =
            list.shelve({s.address, steadyNowMs + std::max<qint64>(0, s.untilMs - nowMs), s.untilMs, s.by}) || changed;
    return changed;
}

std::vector<AlarmAcknowledgement> AlarmBridge::acknowledge(const std::vector<AlarmOccurrence>& alarms,
                                                           const QString& comment, qint64 nowMs) {
    noteOperator();
    // The site must know the alarms raised before it can record their acknowledgement.
    if (!waiting_.empty() && siteWhole(ctx_))
        sendSteps();
    std::vector<AlarmAcknowledgement> recorded;
    writer().call([&](AlarmAuthority& authority) { recorded = authority.acknowledge(alarms, comment, nowMs); });
    return recorded;
}

bool AlarmBridge::shelving(const QString& address, bool shelved, int minutes, qint64 nowMs) {
    noteOperator();
    // The operator waits for a shelving to be recorded; a point returning by itself is only told.
    if (!shelved) {
        writer().post([=](AlarmAuthority& authority) { authority.shelving(address, false, 0, nowMs); });
        return true;
    }
    bool recorded = false;
    writer().call([&](AlarmAuthority& authority) { recorded = authority.shelving(address, true, minutes, nowMs); });
    return recorded;
}

void AlarmBridge::purgeJournal(int days, qint64 nowMs) {
    writer().post([days, nowMs](AlarmAuthority& authority) { authority.purgeJournal(days, nowMs); });
}

std::vector<std::exception_ptr> AlarmBridge::failures() {
    return writer_ ? writer_->failures() : std::vector<std::exception_ptr>();
}

}  // namespace so
