#include "app/shell/desk_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>

namespace klv::app {

namespace {

// The drawing in the 128 x 128 units of kelvara.svg.
void paintIcon(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient tile(0, 0, 0, 128);
    tile.setColorAt(0, QColor(0x2b, 0x34, 0x40));
    tile.setColorAt(1, QColor(0x12, 0x16, 0x1c));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(4, 4, 120, 120), 24, 24);

    const QColor dark(0x0a, 0x0d, 0x11);
    const QColor groove(0x56, 0x68, 0x7c);
    const struct {
        double x;
        QColor label;
    } platters[] = {{38, QColor(0xff, 0x8a, 0x1f)}, {90, QColor(0x23, 0xc4, 0xe8)}};
    for (const auto& platter : platters) {
        const QPointF centre(platter.x, 50);
        QRadialGradient face(QPointF(platter.x, 47), 30);
        face.setColorAt(0, QColor(0x3a, 0x46, 0x54));
        face.setColorAt(1, QColor(0x1b, 0x21, 0x29));
        p.setPen(QPen(dark, 2));
        p.setBrush(face);
        p.drawEllipse(centre, 27, 27);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(groove.red(), groove.green(), groove.blue(), 140), 1.5));
        p.drawEllipse(centre, 20, 20);
        p.drawEllipse(centre, 14, 14);
        p.setPen(Qt::NoPen);
        p.setBrush(platter.label);
        p.drawEllipse(centre, 7, 7);
        p.setBrush(QColor(0x12, 0x16, 0x1c));
        p.drawEllipse(centre, 2, 2);
    }

    p.setBrush(dark);
    p.drawRoundedRect(QRectF(22, 94, 84, 8), 4, 4);
    QLinearGradient fade(24, 0, 104, 0);
    fade.setColorAt(0, platters[0].label);
    fade.setColorAt(1, platters[1].label);
    p.setBrush(fade);
    p.drawRoundedRect(QRectF(24, 96, 80, 4), 2, 2);
    p.setPen(QPen(dark, 2));
    p.setBrush(QColor(0xe8, 0xed, 0xf2));
    p.drawRoundedRect(QRectF(56, 86, 16, 24), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5b, 0x67, 0x75));
    p.drawRect(QRectF(63, 90, 2, 16));
}

} // namespace

QIcon kelvaraIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.scale(size / 128.0, size / 128.0);
        paintIcon(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace klv::app
