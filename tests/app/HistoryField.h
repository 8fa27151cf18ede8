// The simulated field of a demo site file keeping its report history beside the site, on a clock
// the test moves: where the history's tests start.
#pragma once

#include "field/ReportHistory.h"
#include "field/SimulatedField.h"
#include "host/AppLog.h"

#include "app/AppTestSite.h"

#include <memory>

namespace sv::test {

/// A source that sends nothing: a desk on a copy of the site shows what the copy holds.
struct QuietField final : StateSource {
    void addSink(StateSink*) override {}
    void removeSink(StateSink*) override {}
};

/// Starts `field` on `fieldDb` with `history` beside `site`'s file, the history's clock reading `now`.
inline void startFieldWithHistory(const DemoSiteFile& site, so::db::Connection& fieldDb, AppLog& log, const qint64& now,
                                  std::unique_ptr<ReportHistory>& history, std::unique_ptr<SimulatedField>& field) {
    HistoryOptions options;
    options.folder = historyFolderFor(site.url);
    options.clock = [&now] { return now; };
    history = std::make_unique<ReportHistory>(options, &log);
    field = std::make_unique<SimulatedField>(fieldDb, FieldOptions{}, &log);
    field->setHistory(history.get());
    field->load();
}

}  // namespace sv::test
