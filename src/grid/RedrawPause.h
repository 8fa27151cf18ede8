// Switches a grid's redrawing off for the life of a scope and back on when it ends, also when the
// procedure ends through a failure, so that an error part-way never leaves a grid that no longer
// repaints.
#pragma once

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

}  // namespace so
