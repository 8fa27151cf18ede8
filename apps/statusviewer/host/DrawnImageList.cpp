#include "host/DrawnImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace sv {
namespace {

// Colours of the drawings.
const QColor kOutline(40, 40, 48);
const QColor kDoor(150, 100, 55);
const QColor kInput(60, 120, 200);
const QColor kRelay(200, 140, 30);
const QColor kBoard(40, 110, 70);
const QColor kGrey(150, 150, 155);
const QColor kGreen(50, 170, 70);
const QColor kRed(210, 50, 45);
const QColor kAmber(235, 170, 30);

void door(QPainter& p) {
    p.setBrush(kDoor);
    p.drawRect(QRectF(4, 1.5, 8, 13));
    p.setBrush(kAmber);
    p.drawEllipse(QPointF(10, 8.5), 1.1, 1.1);
}

void input(QPainter& p, const QColor& fill) {
    p.setBrush(fill);
    p.drawEllipse(QPointF(8, 8), 6, 6);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
}

void relay(QPainter& p, const QColor& fill, bool closed) {
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 3.5, 13, 9), 2, 2);
    p.setPen(QPen(kOutline, 1.4));
    p.drawLine(QPointF(4, 10), closed ? QPointF(12, 10) : QPointF(11, 5.5));
    p.setBrush(kOutline);
    p.drawEllipse(QPointF(4, 10), 1, 1);
    p.drawEllipse(QPointF(12, 10), 1, 1);
}

void reader(QPainter& p) {
    p.setBrush(QColor(70, 70, 85));
    p.drawRoundedRect(QRectF(4.5, 1, 7, 14), 1.5, 1.5);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(8, 4), 1.3, 1.3);
    p.setBrush(QColor(190, 190, 200));
    p.drawRect(QRectF(6, 8, 4, 5));
}

void controller(QPainter& p, const QColor& fill, const QColor& led) {
    p.setBrush(fill);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setPen(QPen(QColor(230, 230, 230), 1));
    for (int y = 5; y <= 11; y += 3)
        p.drawLine(QPointF(4, y), QPointF(10, y));
    p.setPen(QPen(kOutline, 1));
    p.setBrush(led);
    p.drawEllipse(QPointF(12.5, 5), 1.4, 1.4);
}

void pylon(QPainter& p) {
    p.setBrush(kGrey);
    p.drawPolygon(QPolygonF({QPointF(8, 1.5), QPointF(13.5, 14.5), QPointF(2.5, 14.5)}));
    p.setPen(QPen(kOutline, 1));
    p.drawLine(QPointF(5, 10), QPointF(11, 10));
    p.drawLine(QPointF(6.3, 6.5), QPointF(9.7, 6.5));
}

void connector(QPainter& p, const QColor& fill) {
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(2, 4, 12, 8), 1.5, 1.5);
    p.setBrush(Qt::white);
    for (int x = 4; x <= 10; x += 3)
        p.drawRect(QRectF(x, 6, 1.6, 4));
}

void phone(QPainter& p) {
    p.setBrush(QColor(90, 90, 100));
    p.drawRoundedRect(QRectF(1.5, 7, 13, 7), 2, 2);
    QPainterPath handset;
    handset.moveTo(2, 6);
    handset.quadTo(8, 0.5, 14, 6);
    handset.lineTo(12, 7);
    handset.quadTo(8, 3.5, 4, 7);
    handset.closeSubpath();
    p.drawPath(handset);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 10.5), 1.8, 1.8);
}

void camera(QPainter& p, const QColor& fill) {
    p.setBrush(fill);
    p.drawRect(QRectF(1.5, 4.5, 9, 7));
    p.drawPolygon(QPolygonF({QPointF(10.5, 6.5), QPointF(14.5, 4.5), QPointF(14.5, 11.5), QPointF(10.5, 9.5)}));
}

void recorder(QPainter& p, const QColor& fill) {
    p.setBrush(fill);
    p.drawRect(QRectF(1.5, 4.5, 13, 7));
    p.setBrush(kRed);
    p.drawEllipse(QPointF(4.5, 8), 1.5, 1.5);
    p.setBrush(kOutline);
    p.drawRect(QRectF(7.5, 7, 5, 2));
}

void monitoringStation(QPainter& p, const QColor& fill) {
    p.setBrush(fill);
    p.drawRect(QRectF(1.5, 2, 13, 9));
    p.setBrush(QColor(170, 210, 240));
    p.drawRect(QRectF(3, 3.5, 10, 6));
    p.setBrush(kOutline);
    p.drawRect(QRectF(6, 11, 4, 3));
}

void expansionInput(QPainter& p) {
    input(p, kInput);
    p.setPen(QPen(kOutline, 1.3));
    p.drawLine(QPointF(12.5, 0.5), QPointF(12.5, 5.5));
    p.drawLine(QPointF(10, 3), QPointF(15, 3));
}

void marker(QPainter& p) {
    p.setBrush(QColor(200, 200, 205));
    p.drawRect(QRectF(4.5, 4.5, 7, 7));
}

// Newer-line state icons: the device's chip with a lamp telling its state. 81 to 88 are the
// controllers and modules, 89 to 92 the keypads (drawn with a key pad instead of the chip lines).
void lineState(QPainter& p, const QColor& lamp, bool keypad) {
    if (keypad) {
        p.setBrush(QColor(80, 80, 95));
        p.drawRoundedRect(QRectF(2.5, 1.5, 9, 13), 1.5, 1.5);
        p.setBrush(QColor(220, 220, 225));
        p.setPen(Qt::NoPen);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 2; ++c)
                p.drawRect(QRectF(4 + c * 3.5, 5 + r * 3, 2.4, 2));
        p.setPen(QPen(kOutline, 1));
    } else {
        controller(p, QColor(35, 80, 140), lamp);
    }
    p.setBrush(lamp);
    p.drawEllipse(QPointF(12.5, 12.5), 3, 3);
}

}  // namespace

bool DrawnImageList::hasDrawing(int index) {
    switch (index) {
    case 13:
    case 15:
    case 16:
    case 18:
    case 19:
    case 20:
    case 26:
    case 32:
    case 33:
    case 34:
    case 35:
    case 36:
    case 45:
    case 46:
    case 47:
    case 65:
    case 66: return true;
    default: return index >= 81 && index <= 92;
    }
}

QImage DrawnImageList::draw(int index) {
    QImage img(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kOutline, 1));
    switch (index) {
    case 13: controller(p, kBoard, kGreen); break;
    case 15: phone(p); break;
    case 16: door(p); break;
    case 18: input(p, kInput); break;
    case 19: relay(p, kRelay, false); break;
    case 20: pylon(p); break;
    case 26: reader(p); break;
    case 32: connector(p, kGreen); break;                // SNet port
    case 33: connector(p, QColor(60, 100, 200)); break;  // PNet port (SNet in the dialog's list)
    case 34: relay(p, kGrey, false); break;              // expansion relay, board absent
    case 35: relay(p, kRelay, true); break;              // expansion relay, board present
    case 36: expansionInput(p); break;
    case 45: recorder(p, QColor(70, 70, 80)); break;           // DVR port
    case 46: camera(p, QColor(90, 90, 100)); break;            // CCTV port
    case 47: camera(p, QColor(60, 100, 200)); break;           // CCTV port (dialog's list)
    case 65: monitoringStation(p, QColor(70, 70, 80)); break;  // CSR port
    case 66: monitoringStation(p, QColor(60, 100, 200)); break;
    case 81:
    case 82: lineState(p, kRed, false); break;  // off line
    case 83:
    case 84: lineState(p, kGrey, false); break;  // not installed
    case 85:
    case 87: lineState(p, kAmber, false); break;  // needs attention
    case 86:
    case 88: lineState(p, kGreen, false); break;  // on line
    case 89: lineState(p, kAmber, true); break;
    case 90: lineState(p, kGrey, true); break;
    case 91: lineState(p, kRed, true); break;
    case 92: lineState(p, kGreen, true); break;
    default: marker(p); break;
    }
    p.end();
    return img;
}

QVariant DrawnImageList::image(int index) const {
    if (index < 0 || index >= kCount)
        return {};
    QImage& img = cache_[index];
    if (img.isNull())
        img = draw(index);
    return img;
}

}  // namespace sv
