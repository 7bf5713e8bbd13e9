#include "Bands.h"

#include <QPaintDevice>
#include <QPainter>
#include <cmath>

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
