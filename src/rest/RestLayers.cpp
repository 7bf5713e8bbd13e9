#include "RestLayers.h"

#include <QPainter>

QImage RestLayers::make(double side, double dpr, const std::function<void(QPainter&, QPointF)>& draw) {
    QImage image((QSizeF(side, side) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (int y = 0; y < image.height(); y += band) {
        p.save();
        p.setClipRect(QRect(0, y, image.width(), band));
        p.scale(dpr, dpr);
        draw(p, QPointF(side / 2, side / 2));
        p.restore();
    }
    p.end();
    image.setDevicePixelRatio(dpr);
    return image;
}
