// The desks' two ways to the field's report history (host/PastSource.h): read directly in the
// one-process demo, or asked of the field over the site bus by a desk of a multi-desk site.
#pragma once

#include "field/PastStretch.h"
#include "host/PastSource.h"

#include <memory>
#include <optional>

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

/// The field's history asked over the bus by the operator signed in at this desk, a stretch at a
/// time (field/PastStretch.h): the reports around a moment with the rows each changed, from which
/// the boards of the steps are built here, forward and back, without asking again; the next
/// stretch is asked for when the replay steps or plays past the last, built on the board of its
/// last step (no whole board again). The span is from the history's first moment as the field said
/// it last (asked again each time) up to now; before the field said, the days it keeps back from now.
class BusPastSource final : public PastSource {
public:
    BusPastSource(DeskLink& desk, int keepDays);
    ~BusPastSource() override;
    std::pair<qint64, qint64> span() override;
    void reportTimesAround(qint64 moment, std::function<void(QVector<qint64>)> done) override;
    void boardAt(qint64 moment, std::function<void(const PastAnswer&)> done) override;
    /// Asks the field for the span its history holds (an operator is signed in).
    void askSpan();

private:
    using Stretch = std::shared_ptr<history::StretchBoards>;
    /// Asks for the stretch around moment; then(stretch, refusal) once it came.
    void askStretch(qint64 moment, std::function<void(const Stretch&, const QString&)> then);

    DeskLink& desk_;
    int keepDays_;
    std::optional<history::HistorySpan> span_;
    Stretch stretch_;
    // Answers for a source that has gone are dropped.
    std::shared_ptr<BusPastSource*> alive_;
};

}  // namespace sv
