// Switches a grid's redrawing (or every section grid's) off for the life of a scope and back on
// when it ends, also when the procedure ends through a failure, so that an error part-way never
// leaves a grid that no longer repaints.
#pragma once

#include "grid/Sections.h"
#include "grid/StatusGrid.h"

namespace so {

class RedrawPause {
public:
    explicit RedrawPause(StatusGrid& grid) : grid_(grid) { grid_.setRedraw(false); }
    ~RedrawPause() { grid_.setRedraw(true); }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    StatusGrid& grid_;
};

/// The same for all eight section grids at once: a full refresh or a notification rewriting rows
/// in several sections.
class SectionsRedrawPause {
public:
    explicit SectionsRedrawPause(Sections& sections) : sections_(sections) { set(false); }
    ~SectionsRedrawPause() { set(true); }
    SectionsRedrawPause(const SectionsRedrawPause&) = delete;
    SectionsRedrawPause& operator=(const SectionsRedrawPause&) = delete;

private:
    void set(bool on) {
        for (Section section : kAllSections)
            sections_.grid(section).setRedraw(on);
    }
    Sections& sections_;
};

}  // namespace so
