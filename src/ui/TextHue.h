// A label's text in a hue that says something (red for alarms, amber for warnings), fitted to
// the palette: the hue is moved towards black or white until it reads at RowColours::kMinContrast
// on what the label is drawn on, and fitted again whenever the palette changes (a dark or
// high-contrast theme chosen while the window is open).
#pragma once

#include <QColor>
#include <QObject>

class QLabel;
class QWidget;

namespace so {

class TextHue : public QObject {
public:
    /// Shows `label`'s text in `hue` fitted to its background; an invalid hue gives it the
    /// palette's own text colour back. `bold` sets its weight.
    static void set(QLabel& label, const QColor& hue, bool bold = false);
    /// The colour `widget` is drawn on: the background of the nearest of it and its ancestors that
    /// fills its background, or the window's.
    static QColor backgroundOf(const QWidget& widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TextHue(QLabel& label);
    void apply();

    QLabel& label_;
    QColor hue_;
    bool applying_ = false;
};

}  // namespace so
