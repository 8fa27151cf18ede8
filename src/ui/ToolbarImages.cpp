#include "ui/ToolbarImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

#include <functional>

namespace so::toolbar {
namespace {

const QColor kInk(40, 60, 90);
const QColor kAccent(200, 60, 40);
const QColor kFill(120, 160, 210);

QIcon drawn(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(kImageSize, kImageSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    return QIcon(pixmap);
}

}  // namespace

QIcon overriddenImage() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(kFill);
        // Palm and four fingers.
        p.drawRoundedRect(QRectF(4, 7, 8, 7), 2, 2);
        for (int i = 0; i < 4; ++i)
            p.drawRoundedRect(QRectF(4 + i * 2, 2 + (i == 0 || i == 3 ? 2 : 0), 2, 6), 1, 1);
        p.drawRoundedRect(QRectF(11, 8, 4, 2), 1, 1);
    });
}

QIcon maskedImage() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(230, 190, 60));
        QPainterPath bell;
        bell.moveTo(3, 12);
        bell.cubicTo(5, 10, 4, 3, 8, 3);
        bell.cubicTo(12, 3, 11, 10, 13, 12);
        bell.closeSubpath();
        p.drawPath(bell);
        p.drawEllipse(QPointF(8, 13.5), 1.5, 1.5);
        p.setPen(QPen(kAccent, 2));
        p.drawLine(QPointF(2, 2), QPointF(14, 14));
    });
}

QIcon statusGroupImage() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        for (int i = 0; i < 3; ++i) {
            p.setBrush(i == 0 ? kFill : QColor(Qt::white));
            p.drawRect(QRectF(2.5, 2.5 + i * 4, 11, 3));
        }
        p.setBrush(QColor(80, 170, 80));
        p.drawEllipse(QPointF(12, 13), 2.5, 2.5);
    });
}

QIcon sectionsImage() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(2, 3.5 + i * 3), QPointF(10, 3.5 + i * 3));
        p.setBrush(kInk);
        const QPointF triangle[] = {{11, 7}, {15, 7}, {13, 10}};
        p.drawPolygon(triangle, 3);
    });
}

QIcon configureImage() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(150, 150, 160));
        QPainterPath gear;
        const QPointF c(8, 8);
        constexpr int kTeeth = 8;
        for (int i = 0; i < kTeeth * 2; ++i) {
            const double angle = M_PI * i / kTeeth;
            const double r = i % 2 == 0 ? 7.0 : 5.0;
            const QPointF at(c.x() + r * qCos(angle), c.y() + r * qSin(angle));
            if (i == 0)
                gear.moveTo(at);
            else
                gear.lineTo(at);
        }
        gear.closeSubpath();
        gear.addEllipse(c, 2, 2);
        p.drawPath(gear);
    });
}

QIcon helpImage() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(70, 120, 200));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(11);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
    });
}

}  // namespace so::toolbar
