// The colours of a section's rows, derived from the palette the window is shown with, so that
// alarm and warning rows read as well in a dark or high-contrast palette as in a light one.
#pragma once

#include <QColor>

class QPalette;

namespace so {

/// Contrast ratio of two colours by their relative luminance (1 for equal colours, 21 for black
/// on white).
double contrastRatio(const QColor& a, const QColor& b);

/// The hues that say "alarm" and "warning" in texts and tints; shown only through readableOn or
/// RowColours, which fit them to the palette.
inline const QColor kAlarmHue(200, 0, 0);
inline const QColor kWarningHue(190, 110, 0);

/// `hue` moved towards black or white (whichever stands further from `background`) just as far
/// as it takes to read at RowColours::kMinContrast on `background`.
QColor readableOn(const QColor& hue, const QColor& background);

struct RowColours {
    /// The least contrast between a row's text and its tint: the level asked of body text.
    static constexpr double kMinContrast = 4.5;

    QColor alarm;    ///< background of a row in alarm
    QColor warning;  ///< background of a row in warning
    QColor text;     ///< the palette's text colour, which the tints keep readable
    QColor stale;    ///< text of every row while the site database does not answer

    /// The palette's base colour moved towards red (alarm) or amber (warning), as far as the
    /// palette's text keeps kMinContrast on it; a palette whose text has less contrast than that
    /// on its own base gets its base colour back.
    static RowColours fromPalette(const QPalette& palette);
};

}  // namespace so
