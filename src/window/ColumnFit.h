// Default column widths that read at the window's font.
//
// The sections' default widths are design widths: pixels at a small font whose average character
// is kDesignAverageCharWidth wide. At the window's own font every default width is scaled by the
// ratio of the two average character widths, and never left narrower than its caption. When a
// section still showing its default columns is filled, the Name, Address and LastUpdated columns
// widen to their longest texts (at most kFitCharacters characters of them), so names, addresses
// and times read without widening columns by hand. Columns from a layout the operator saved, and
// columns the operator moved or resized, keep their widths.
//
// The measuring is the view's: a TextMetrics tells how wide a text is drawn in a cell and in the
// header, and what a cell needs around its text.
#pragma once

#include "grid/StatusGrid.h"

#include <QString>

#include <functional>

namespace so {

/// The average character width, in pixels, of the font the default widths were designed for.
inline constexpr double kDesignAverageCharWidth = 6.0;
/// A fitted column shows at most this many characters of its longest text.
inline constexpr int kFitCharacters = 48;
/// Texts measured per fitted column: the longest by character count.
inline constexpr int kFitSamples = 256;

struct TextMetrics {
    /// The window's font's average character width, in pixels.
    double averageCharWidth = kDesignAverageCharWidth;
    /// How wide a text is drawn in a cell; null means the column's design widths stay.
    std::function<int(const QString&)> cellTextWidth;
    /// How wide a caption takes in the column header with its margins and sort indicator.
    std::function<int(const QString&)> captionWidth;
    /// Pixels a cell needs beside its text (margins, focus frame).
    int cellPadding = 0;
    /// Pixels a cell's icon takes with its gap.
    int iconWidth = 0;
    /// Pixels the severity marker takes at the right end of a row's first shown column.
    int markerWidth = 0;

    bool measures() const { return bool(cellTextWidth) && bool(captionWidth); }
};

/// A design width at the metrics' font.
int scaledWidth(int designWidth, const TextMetrics& metrics);

/// Scales every column's width to the metrics' font and widens a column whose caption would be
/// cut; the first shown column also gets the marker's room. Widths of hidden columns are scaled too.
void scaleDefaultWidths(StatusGrid& grid, const TextMetrics& metrics);

/// Widens Name, Address and LastUpdated to show their longest texts, at most kFitCharacters
/// characters of a text; never narrows a column. Returns true when a width changed.
bool fitContentWidths(StatusGrid& grid, const TextMetrics& metrics);

}  // namespace so
