// The eight sections of the status window (0 doors, 1 inputs, 2 relays, 3 readers, 4 controllers,
// 5 communication boxes, 6 ports, 7 modules), each a grid of its own (`vGrid`), and the grid of
// masked points (`GridMasked`), with their columns.
#pragma once

#include "shell/ComponentContext.h"
#include "window/StatusGrid.h"

#include <QString>

#include <array>
#include <functional>

namespace so {

class Sections {
public:
    static constexpr int kCount = 8;

    explicit Sections(ComponentContext& ctx);
    Sections(const Sections&) = delete;
    Sections& operator=(const Sections&) = delete;

    /// The grid of a section; ComponentError (subscript out of range) for a number outside 0-7.
    StatusGrid& grid(int section);
    const StatusGrid& grid(int section) const;
    StatusGrid& masked() { return masked_; }

    /// Gives every section grid its columns from the section's layout text (see ColumnLayout.h),
    /// then the masked grid its default columns, then runs fillMaskedGrid (the masked points list
    /// fills it; may be empty). Existing columns and rows are dropped first, so the sections can
    /// be rebuilt. A bad layout entry ends the whole procedure, reported under
    /// "Status: InitColumnHeaders": the sections after it stay without columns.
    void InitColumnHeaders(const QString (&layoutTexts)[kCount], const std::function<void()>& fillMaskedGrid = {});

    /// Writes the not-known text (resource 1435) into the state cells of one row, leaving the name,
    /// its icon, the configuration cells and LastUpdated alone ("FMain.P_ResetColumnInfo").
    void P_ResetColumnInfo(int section, int row);

    /// The row of a section whose Address cell equals address (case-sensitively); 0 when none or
    /// the section has no rows ("MPublic.FindRowForAddress(").
    int FindRowForAddress(int section, const QString& address);

private:
    ComponentContext& ctx_;
    std::array<StatusGrid, kCount> grids_;
    StatusGrid masked_;
};

}  // namespace so
