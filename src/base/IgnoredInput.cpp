#include "base/IgnoredInput.h"

#include "base/ErrorLog.h"

#include <numeric>

namespace so {
namespace {

const char* describe(IgnoredInput::Kind kind) {
    switch (kind) {
    case IgnoredInput::Kind::DeviceType: return "StateChange with an unknown device type";
    case IgnoredInput::Kind::Address: return "StateChange with an address of no known form";
    case IgnoredInput::Kind::NoticeTopic: return "SyncPipe notice of another topic";
    case IgnoredInput::Kind::NoticeAction: return "SyncPipe notice with an unknown action";
    case IgnoredInput::Kind::Count: break;
    }
    return "";
}

}  // namespace

void IgnoredInput::note(Kind kind, const QString& what, ErrorLog& log) {
    if (counts_[std::size_t(kind)]++ == 0)
        log.writeToLog(QStringLiteral("Ignored: %1 (\"%2\"); further ones are counted, not logged")
                           .arg(QLatin1String(describe(kind)), cutForLog(what)));
}

int IgnoredInput::total() const { return std::accumulate(counts_.begin(), counts_.end(), 0); }

}  // namespace so
