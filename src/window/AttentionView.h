// What the attention panel shows of the AttentionList, as rows that hold still while the operator
// works on them.
//
// Released, the rows follow the list: its entries in order, except that a point off line only
// because its controller is off line is folded under the controller's row ("24 points"), shown
// below it only while the operator expands it. Held (the pointer over the list or a section, a row
// selected, a menu open), the rows keep their places: each is refreshed from its live entry (a
// point that cleared says so where it stands; one that left the list stays until release, marked
// gone) and entries the rows do not show are only counted (newAlarmCount/newWarningCount), for
// the "12 new alarms — show" bar. Nothing here moves a row under the operator's pointer.
#pragma once

#include "window/AttentionList.h"

#include <QSet>
#include <QString>

#include <vector>

namespace so {

struct AttentionRow {
    AttentionEntry entry;
    int foldedPoints = 0;  // points folded under this controller's row
    bool child = false;    // a folded point, shown under its controller
    bool gone = false;     // left the list while the rows were held
};

class AttentionView {
public:
    explicit AttentionView(const AttentionList& list) : list_(list) {}

    /// Held rows keep their places until released; releasing reads the list at once.
    void setHeld(bool held);
    bool isHeld() const { return held_; }

    /// Reads the list as the hold allows.
    void update();
    const std::vector<AttentionRow>& rows() const { return rows_; }
    /// Listed entries the held rows do not show (0 when released).
    int newAlarmCount() const { return newAlarms_; }
    int newWarningCount() const { return newWarnings_; }

    /// Shows or hides the points folded under a controller (by its address); read on release.
    void setExpanded(const QString& controllerAddress, bool expanded);
    bool isExpanded(const QString& controllerAddress) const { return expanded_.contains(controllerAddress); }

    /// The controller an off-line point hangs on ("" for a controller or an unknown address).
    static QString parentController(const AttentionEntry& entry);

private:
    void rebuild();
    void refreshHeld();

    const AttentionList& list_;
    bool held_ = false;
    std::vector<AttentionRow> rows_;
    QSet<QString> expanded_;
    int newAlarms_ = 0;
    int newWarnings_ = 0;
};

}  // namespace so
