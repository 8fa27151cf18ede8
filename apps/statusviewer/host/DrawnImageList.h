// The host's image list (`ilconsole`): small icons drawn here with QPainter, one per index the
// status component uses for its rows (door 16, input 18, relay 19, reader 26, controller 13, ports,
// communication boxes, expansion boards and the newer line's state icons 81 to 92). Indexes the
// component does not use get a plain marker so that every index up to the last one has an image.
// Images are QImage (no window system needed), drawn on first use and kept.
#pragma once

#include <statusobject/Host.h>

#include <QImage>
#include <QVector>

namespace sv {

class DrawnImageList final : public so::ImageList {
public:
    static constexpr int kSize = 16;
    static constexpr int kCount = 93;  // indexes 0 to 92

    int count() const override { return kCount; }
    /// A QImage for 0 <= index < count(); an invalid QVariant otherwise.
    QVariant image(int index) const override;

    /// True for the indexes that have a drawing of their own (the others get the plain marker).
    static bool hasDrawing(int index);

private:
    static QImage draw(int index);
    mutable QVector<QImage> cache_ = QVector<QImage>(kCount);
};

}  // namespace sv
