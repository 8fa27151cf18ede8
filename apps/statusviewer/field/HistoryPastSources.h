// The desks' two ways to the field's report history (host/PastSource.h): read directly in the
// one-process demo, or asked of the field over the site bus by a desk of a multi-desk site.
#pragma once

#include "host/PastSource.h"

namespace sv {

class DeskLink;
class ReportHistory;

/// The history of the field in this process.
class HistoryPastSource final : public PastSource {
public:
    explicit HistoryPastSource(ReportHistory& history) : history_(history) {}
    std::pair<qint64, qint64> span() override;
    void reportTimesAround(qint64 moment, std::function<void(QVector<qint64>)> done) override;
    void boardAt(qint64 moment, std::function<void(const PastAnswer&)> done) override;

private:
    ReportHistory& history_;
};

/// The field's history asked over the bus by the operator signed in at this desk. The bus carries
/// boards only: the span is the days the field keeps back from now, and there are no report times
/// to step by.
class BusPastSource final : public PastSource {
public:
    BusPastSource(DeskLink& desk, int keepDays) : desk_(desk), keepDays_(keepDays) {}
    std::pair<qint64, qint64> span() override;
    void reportTimesAround(qint64, std::function<void(QVector<qint64>)> done) override { done({}); }
    void boardAt(qint64 moment, std::function<void(const PastAnswer&)> done) override;

private:
    DeskLink& desk_;
    int keepDays_;
};

}  // namespace sv
