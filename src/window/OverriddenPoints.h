// The overridden points list: the points of the shown group an operator has taken out of their
// normal working now, with what was done and, where the site's event log holds it, when and by
// whom.
//
// Read from the rows the window already holds, never from display text: a door whose relay is not
// in its normal state (released by an operator), a point masked (left out of alarms), and a newer
// line relay whose stored mode carries an operator's override (unlock, force on or off, lock down
// or open). When and by whom come from the newest operator event that named the point (the
// commands write "<what> to <name>" as its details); the classic line's commands reach the field
// without such an event, so their rows say "not recorded".
#pragma once

#include "base/ComponentContext.h"
#include "grid/StatusGrid.h"

namespace so {

class Sections;

class OverriddenPoints {
public:
    /// Column keys of the list beside Name, Address and Status ("Override").
    static inline const QString kSinceKey = QStringLiteral("Since");
    static inline const QString kByKey = QStringLiteral("By");
    /// The relay mode bits an operator sets (unlock, force on, force off, lock down, lock open).
    static constexpr qint32 kOperatorModes = 64 | 1024 | 2048 | 131072 | 262144;
    /// Operator events read for when and by whom, newest first.
    static constexpr int kEventsRead = 2000;
    /// The event code of the operator commands the window sends.
    static constexpr qint16 kOperatorEventCode = 1267;

    OverriddenPoints(ComponentContext& ctx, Sections& sections);

    StatusGrid& grid() { return grid_; }
    /// Builds the list anew from the group's rows and the site database ("FMain.FillOverridden").
    void fill();

private:
    void addRow(const StatusGrid& from, int row, const QString& what);

    ComponentContext& ctx_;
    Sections& sections_;
    StatusGrid grid_;
};

}  // namespace so
