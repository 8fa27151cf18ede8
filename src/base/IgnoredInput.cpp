#include "base/IgnoredInput.h"

#include "base/ErrorLog.h"

#include <numeric>

namespace so {

QString IgnoredInput::describe(Kind kind) {
    switch (kind) {
    case Kind::DeviceType: return QStringLiteral("StateChange with an unknown device type");
    case Kind::Address: return QStringLiteral("StateChange with an address of no known form");
    case Kind::PointMismatch: return QStringLiteral("StateChange whose device type names another kind of point");
    case Kind::State: return QStringLiteral("StateChange with a state no device type has");
    case Kind::Time: return QStringLiteral("StateChange with a time that is not one");
    case Kind::NoticeTopic: return QStringLiteral("SyncPipe notice of another topic");
    case Kind::NoticeAction: return QStringLiteral("SyncPipe notice with an unknown action");
    case Kind::Failed: return QStringLiteral("a notice or report that could not be applied");
    case Kind::ControllerId: return QStringLiteral("RefreshStatusItem with a controller id of no controller");
    case Kind::Thread: return QStringLiteral("StateChange from a thread other than the component's");
    case Kind::Count: break;
    }
    return {};
}

void IgnoredInput::note(Kind kind, const QString& what, ErrorLog& log) {
    if (counts_[std::size_t(kind)]++ == 0)
        log.writeToLog(QStringLiteral("Ignored: %1 (\"%2\"); further ones are counted, not logged")
                           .arg(describe(kind), cutForLog(what)));
}

bool IgnoredInput::mayTellHost(Kind kind, qint64 nowMs, int& heldBack) {
    HostReports& reports = hostReports_[std::size_t(kind)];
    if (reports.told && nowMs - reports.lastMs < kHostIntervalMs) {
        ++reports.heldBack;
        return false;
    }
    heldBack = reports.heldBack;
    reports = {nowMs, true, 0};
    return true;
}

int IgnoredInput::total() const { return std::accumulate(counts_.begin(), counts_.end(), 0); }

}  // namespace so
