// The status window's own copy of the host's image list (`ilconsole`): the icons the grids show
// next to a point's name, addressed by the icon index a cell holds.
#pragma once

#include <QIcon>
#include <QVariant>
#include <QVector>

namespace so {

class ImageList;

class IconList {
public:
    /// Replaces the icons by a copy of every image of `images` (none when null). An image the
    /// host hands over in a form the window cannot show becomes a null icon at its index.
    void load(const ImageList* images);
    int count() const { return int(icons_.size()); }
    /// The icon at `index`; a null icon for an index outside the list (-1 is "no icon").
    QIcon icon(int index) const;

    /// An image of the host (QIcon, QPixmap or QImage in a QVariant) as an icon.
    static QIcon toIcon(const QVariant& image);

private:
    QVector<QIcon> icons_;
};

}  // namespace so
