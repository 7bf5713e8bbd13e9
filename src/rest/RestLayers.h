#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <functional>

class QPainter;

// Drawing helpers the parts of the rest view share.
namespace RestLayers {
// Qt hands a fill of more than 96 spans to its thread pool in slices,
// thousands of thread switches a second for layers this small: drawn in
// bands of this many lines, each fill stays on this thread.
constexpr int band = 12;

// A transparent square of `side` points, painted once by `draw` about its centre.
QImage make(double side, double dpr, const std::function<void(QPainter&, QPointF)>& draw);

inline QColor white(double opacity) {
    return QColor::fromRgbF(1, 1, 1, float(opacity));
}
inline QColor withOpacity(QColor colour, double opacity) {
    colour.setAlphaF(float(opacity));
    return colour;
}
} // namespace RestLayers
