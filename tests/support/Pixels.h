#pragma once

#include <QImage>
#include <QRectF>
#include <functional>

namespace Pixels {
// The brightest grey level (0...255) within `area` of a rendered view.
int brightest(const QImage& image, const QRectF& area);
// How many pixels of `area` (the whole image when empty) pass `test`.
int count(const QImage& image, const QRectF& area, const std::function<bool(QRgb)>& test);
} // namespace Pixels
