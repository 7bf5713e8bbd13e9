#include "Bands.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr int wide = 1 << 20;
} // namespace

void paintInBands(QPainter& painter, const QRectF& area, const std::function<void()>& paint) {
    const QRectF device = painter.transform().mapRect(area);
    const double dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    // Whole logical lines, at most 32 device lines each: under a clip of
    // a few rectangles a line holds several spans, and the engine counts spans.
    const int band = std::max(1, int(32 / dpr));
    const int top = int(std::floor(device.top()));
    const int bottom = int(std::ceil(device.bottom()));
    if (bottom - top <= band) {
        paint();
        return;
    }
    // Bands the clip leaves out would only set up draws that paint nothing.
    const QRectF clip =
        painter.hasClipping() ? painter.transform().mapRect(painter.clipBoundingRect()) : QRectF(device);
    for (int y = top; y < bottom; y += band) {
        if (clip.bottom() <= y || clip.top() >= y + band)
            continue;
        painter.save();
        const QTransform world = painter.transform();
        painter.resetTransform();
        // Bands bound only the lines: whatever spills sideways (a shadow, a glow) still paints.
        painter.setClipRect(QRect(-wide, y, 2 * wide, band), Qt::IntersectClip);
        painter.setTransform(world);
        paint();
        painter.restore();
    }
}

void drawEnlarged(QPainter& painter, const QPointF& topLeft, const QImage& image, double scale) {
    const QRectF target(topLeft, QSizeF(image.size()) * scale);
    const QTransform toDevice = painter.deviceTransform();
    const double factor = toDevice.m11() * scale;
    const int k = int(std::lround(factor));
    if (toDevice.type() > QTransform::TxScale || !painter.transform().isInvertible() || k < 1 ||
        std::abs(factor - k) > 1e-6 || std::abs(toDevice.m22() - toDevice.m11()) > 1e-9 ||
        (image.format() != QImage::Format_ARGB32_Premultiplied && image.format() != QImage::Format_RGB32)) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(target, image);
        painter.restore();
        return;
    }
    // Half a pixel off the grid cannot be seen in a picture this coarse.
    const QPointF origin = toDevice.map(topLeft);
    const QPoint at(int(std::lround(origin.x())), int(std::lround(origin.y())));
    QRegion open(QRect(at, image.size() * k));
    if (const QPaintEngine* engine = painter.paintEngine(); engine && !engine->systemClip().isEmpty())
        open &= engine->systemClip();
    if (painter.hasClipping())
        open &= toDevice.mapRect(painter.clipBoundingRect()).toAlignedRect();
    if (open.isEmpty())
        return;

    painter.save();
    // Device pixels from here on: any scale left in place, even the screen's,
    // sends a same-size draw down the scaled path.
    const QTransform beyondWorld = painter.transform().inverted() * toDevice;
    painter.setWorldTransform(beyondWorld.inverted());
    int widest = 0;
    for (const QRect& r : open)
        widest = std::max(widest, r.width());
    QImage buffer(widest, 32, image.format());
    for (const QRect& r : open) {
        for (int y = r.top(); y <= r.bottom(); y += 32) {
            const int lines = std::min(32, r.bottom() + 1 - y);
            for (int line = 0; line < lines; ++line) {
                auto* out = reinterpret_cast<quint32*>(buffer.scanLine(line));
                const int row = (y + line - at.y()) / k;
                if (line > 0 && row == (y + line - 1 - at.y()) / k) {
                    std::memcpy(out, buffer.constScanLine(line - 1), size_t(r.width()) * 4);
                    continue;
                }
                const auto* in = reinterpret_cast<const quint32*>(image.constScanLine(row));
                int column = (r.left() - at.x()) / k;
                int run = k - (r.left() - at.x()) % k;
                for (int x = 0; x < r.width(); x += run, run = k)
                    std::fill_n(out + x, std::min(run, r.width() - x), in[column++]);
            }
            painter.drawImage(QPoint(r.left(), y), QImage(buffer.constBits(), r.width(), lines,
                                                          buffer.bytesPerLine(), image.format()));
        }
    }
    painter.restore();
}
