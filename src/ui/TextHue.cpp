#include "ui/TextHue.h"

#include "ui/RowColours.h"

#include <QEvent>
#include <QLabel>

namespace so {

TextHue::TextHue(QLabel& label) : QObject(&label), label_(label) { label.installEventFilter(this); }

void TextHue::set(QLabel& label, const QColor& hue, bool bold) {
    TextHue* fitted = label.findChild<TextHue*>(QString(), Qt::FindDirectChildrenOnly);
    if (fitted == nullptr)
        fitted = new TextHue(label);
    fitted->hue_ = hue;
    QFont font = label.font();
    font.setBold(bold);
    label.setFont(font);
    fitted->apply();
}

QColor TextHue::backgroundOf(const QWidget& widget) {
    const QWidget* drawnOn = &widget;
    while (!drawnOn->autoFillBackground() && !drawnOn->isWindow() && drawnOn->parentWidget() != nullptr)
        drawnOn = drawnOn->parentWidget();
    return drawnOn->palette().color(drawnOn->backgroundRole());
}

bool TextHue::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &label_ && event->type() == QEvent::PaletteChange && !applying_)
        apply();
    return QObject::eventFilter(watched, event);
}

void TextHue::apply() {
    const QWidget* parent = label_.parentWidget();
    const QColor plain = (parent != nullptr ? parent->palette() : label_.palette()).color(label_.foregroundRole());
    const QColor shown = hue_.isValid() ? readableOn(hue_, backgroundOf(label_)) : plain;
    if (label_.palette().color(label_.foregroundRole()) == shown)
        return;
    applying_ = true;
    QPalette palette = label_.palette();
    palette.setColor(label_.foregroundRole(), shown);
    label_.setPalette(palette);
    applying_ = false;
}

}  // namespace so
