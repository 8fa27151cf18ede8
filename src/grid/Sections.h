// The grids of the eight sections of the status window (domain/Section.h), each a grid of its own
// (`vGrid`), and the grid of masked points (`GridMasked`), with their columns. The nine grids keep
// their cell texts in one table (TextTable).
#pragma once

#include "base/ComponentContext.h"
#include "domain/Section.h"
#include "grid/StatusGrid.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace so {

class Sections {
public:
    explicit Sections(ComponentContext& ctx);
    Sections(const Sections&) = delete;
    Sections& operator=(const Sections&) = delete;

    /// The grid of a section; ComponentError (subscript out of range) for a value outside the
    /// eight sections.
    StatusGrid& grid(Section section) { return grids_[checkedIndex(section)]; }
    const StatusGrid& grid(Section section) const { return grids_[checkedIndex(section)]; }
    /// The grid of a section number (the views count their sections); as grid(sectionAt(number)).
    StatusGrid& grid(int section);
    const StatusGrid& grid(int section) const;
    StatusGrid& masked() { return masked_; }

    /// Gives every section grid its columns from the section's layout text (see ColumnLayout.h),
    /// then the masked grid its default columns, then runs fillMaskedGrid (the masked points list
    /// fills it; may be empty). Existing columns and rows are dropped first, so the sections can
    /// be rebuilt. Each section is read on its own, reported under "Status: InitColumnHeaders": a
    /// layout that cannot be read gives its section the default columns and leaves the others as
    /// their texts say. A default column the layout lacks is added hidden, so every cell writer
    /// finds its cell.
    void InitColumnHeaders(const QString (&layoutTexts)[kSectionCount],
                           const std::function<void()>& fillMaskedGrid = {});

    /// Writes the not-known text (resource 1435) into the state cells of one row, leaving the name,
    /// its icon, the configuration cells and LastUpdated alone ("FMain.P_ResetColumnInfo").
    void P_ResetColumnInfo(Section section, int row);

    /// The row of a section whose Address cell equals address (case-sensitively); 0 when none or
    /// the section has no rows ("MPublic.FindRowForAddress(").
    int FindRowForAddress(Section section, const QString& address);

    /// False when the section's stored layout text could not be read by the last InitColumnHeaders
    /// (or none ran yet): its columns are the defaults, and the stored text must not be replaced.
    bool layoutLoaded(Section section) const { return layoutLoaded_.at(std::size_t(sectionIndex(section))); }

    /// The layout text of a section's current columns (buildLayoutText), without the columns
    /// InitColumnHeaders added to a stored layout while they stay hidden, and with the captions the
    /// host gave left empty: only the operator's renames are stored, so the host's texts of the
    /// next load show for every other column.
    QString layoutText(Section section) const;

private:
    static std::size_t checkedIndex(Section section) {
        const int index = sectionIndex(section);
        if (!isSectionIndex(index))
            throwNoSection(index);
        return std::size_t(index);
    }
    [[noreturn]] static void throwNoSection(int index);

    ComponentContext& ctx_;
    TextTable texts_;  // before the grids: they give their texts back when they go
    std::array<StatusGrid, kSectionCount> grids_;
    StatusGrid masked_;
    std::array<bool, kSectionCount> layoutLoaded_{};
    std::array<QStringList, kSectionCount> addedKeys_;
    /// The host's captions of each section's default columns at the last InitColumnHeaders.
    std::array<QHash<QString, QString>, kSectionCount> hostCaptions_;
};

}  // namespace so
