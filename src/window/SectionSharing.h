// How the stacked sections of the status window share its height.
//
// Every section in sight gets its header strip. Sections holding a find's matches get one row
// each, in order of need. Sections with rows then get a floor of rows, in
// order of need: sections holding alarms first, then those holding warnings, each of these and
// the rest by their row count, the busier first; the first of them
// gets kLeadRows, the others kFewRows (fewer when they have fewer rows), each with its column
// header (and horizontal scroll bar, when its columns need one) on top of the rows, so the bar
// never takes a row's place. A section whose floor no longer fits takes the whole rows that do,
// or only its strip. What is left is shared by row count, no section taking more than its rows
// need; pixels short of a whole row go to the first section in order of need that still has rows
// out of sight. A section without rows takes only its strip.
//
// Heights are whole pixels; the caller hands in the height left once the boundaries between
// sections are taken off.
#pragma once

#include <vector>

namespace so {

struct SectionNeed {
    /// The section's header strip is in sight at all; a section not in sight gets 0.
    bool shown = false;
    /// Height of the header strip.
    int strip = 0;
    /// Height the section's grid takes besides its rows: column header, frame and, when the
    /// columns are wider than the view, the horizontal scroll bar.
    int chrome = 0;
    int rowHeight = 1;
    /// Rows the section shows (0 when collapsed, empty or all filtered out).
    int rows = 0;
    /// What the rows in sight hold: kAlarms, kWarnings (and no alarm) or nothing abnormal (0).
    int attention = 0;
    /// The rows are a find's matches: the section shows one of them before any section gets its
    /// floor, so a header that counts matches never sits over no row.
    bool matches = false;
    static constexpr int kWarnings = 1;
    static constexpr int kAlarms = 2;
};

/// Rows the most needing section shows at least while space allows.
inline constexpr int kLeadRows = 5;
/// Rows every other section with rows shows at least while space allows.
inline constexpr int kFewRows = 3;

/// The height of each section (same order as `sections`) out of `available` pixels.
std::vector<int> shareSectionHeights(int available, const std::vector<SectionNeed>& sections);

}  // namespace so
