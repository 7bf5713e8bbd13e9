#pragma once

#include <QImage>
#include <QRectF>

namespace Pixels {
// The brightest grey level (0...255) within `area` of a rendered view.
int brightest(const QImage& image, const QRectF& area);
} // namespace Pixels
