// The one owner of the status window's rows: the eight section grids and the masked grid, and
// every part that writes them. The board builds the parts in the order they depend on each other
// and hands each, by reference, exactly the parts it writes through:
//
//   sections (the grids)
//   masked list          <- the masked grid
//   decoder              <- sections, masked list (mask changes), summaries (door and input rows)
//   filler               <- sections, decoder (the one way a row is written from a record)
//   database refresh     <- sections, filler
//   live intake          <- sections, decoder, database refresh, masked list, quiet period,
//                           recent changes (one tick per report)
//   stored-report replay <- decoder, live intake
//   full refresh         <- sections, decoder, filler, stored-report replay
//
// Nothing is wired after construction and no part reaches another through the context. The
// window (one layer up) owns a board and works on it; nothing here knows the window.
#pragma once

#include "base/ComponentContext.h"
#include "grid/Sections.h"
#include "status/DbRefresh.h"
#include "status/Filler.h"
#include "status/FullRefresh.h"
#include "status/LiveIntake.h"
#include "status/MaskedPoints.h"
#include "status/RecentChanges.h"
#include "status/StatusDecoder.h"
#include "status/SuperStatus.h"

namespace so {

class StatusBoard {
public:
    explicit StatusBoard(ComponentContext& ctx);
    StatusBoard(const StatusBoard&) = delete;
    StatusBoard& operator=(const StatusBoard&) = delete;

    Sections& sections() { return sections_; }
    const Sections& sections() const { return sections_; }
    MaskedPoints& maskedPoints() { return masked_; }
    StatusDecoder& decoder() { return decoder_; }
    DbRefresh& dbRefresh() { return dbRefresh_; }
    Filler& filler() { return filler_; }
    LiveIntake& intake() { return intake_; }
    SuperStatusReplay& replay() { return replay_; }
    FullRefresh& fullRefresh() { return fullRefresh_; }
    /// Counted by the window's refresh timer, restarted by every reported state change.
    QuietPeriod& quietPeriod() { return quiet_; }
    /// The last changes of the shown points' state cells (row highlight and tooltip).
    RecentChanges& recentChanges() { return recent_; }

private:
    QuietPeriod quiet_;
    RecentChanges recent_;
    Sections sections_;
    MaskedPoints masked_;
    StatusDecoder decoder_;
    Filler filler_;
    DbRefresh dbRefresh_;
    LiveIntake intake_;
    SuperStatusReplay replay_;
    FullRefresh fullRefresh_;
};

}  // namespace so
