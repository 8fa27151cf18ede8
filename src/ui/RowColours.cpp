#include "ui/RowColours.h"

#include <QPalette>

#include <algorithm>
#include <cmath>

namespace so {
namespace {

double channel(int value) {
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.red()) + 0.7152 * channel(rgb.green()) + 0.0722 * channel(rgb.blue());
}

QColor blend(const QColor& from, const QColor& to, double amount) {
    const QColor a = from.toRgb(), b = to.toRgb();
    const auto mix = [amount](int x, int y) { return int(std::lround(x + (y - x) * amount)); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

/// base moved towards hue by the largest of the steps down from `strongest` that keeps text
/// readable on it.
QColor tint(const QColor& base, const QColor& text, const QColor& hue, double strongest) {
    for (double amount = strongest; amount > 0.0; amount -= 0.05) {
        const QColor candidate = blend(base, hue, amount);
        if (contrastRatio(candidate, text) >= RowColours::kMinContrast)
            return candidate;
    }
    return base;
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& hue, const QColor& background) {
    const QColor extreme = contrastRatio(Qt::black, background) >= contrastRatio(Qt::white, background)
                               ? QColor(Qt::black)
                               : QColor(Qt::white);
    // Black or white reach at least 4.58:1 on any background, so the last step always reads.
    for (int step = 0; step < 20; ++step) {
        const QColor candidate = blend(hue, extreme, step / 20.0);
        if (contrastRatio(candidate, background) >= RowColours::kMinContrast)
            return candidate;
    }
    return extreme;
}

RowColours RowColours::fromPalette(const QPalette& palette) {
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    const QColor text = palette.color(QPalette::Active, QPalette::Text);
    RowColours colours;
    colours.text = text;
    colours.alarm = tint(base, text, kAlarmHue, 0.4);
    colours.warning = tint(base, text, kWarningHue, 0.35);
    colours.stale = blend(text, base, 0.35);
    return colours;
}

}  // namespace so
