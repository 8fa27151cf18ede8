#include "ui/IconList.h"

#include <statusobject/Host.h>

#include <QImage>
#include <QPixmap>

namespace so {

void IconList::load(const ImageList* images) {
    icons_.clear();
    if (images == nullptr)
        return;
    const int n = images->count();
    icons_.reserve(n);
    for (int i = 0; i < n; ++i)
        icons_.append(toIcon(images->image(i)));
}

QIcon IconList::icon(int index) const { return index >= 0 && index < icons_.size() ? icons_[index] : QIcon(); }

QIcon IconList::toIcon(const QVariant& image) {
    const QMetaType type = image.metaType();
    if (type == QMetaType::fromType<QIcon>())
        return image.value<QIcon>();
    if (type == QMetaType::fromType<QPixmap>())
        return QIcon(image.value<QPixmap>());
    if (type == QMetaType::fromType<QImage>())
        return QIcon(QPixmap::fromImage(image.value<QImage>()));
    return QIcon();
}

}  // namespace so
