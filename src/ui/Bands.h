#pragma once

#include <QImage>
#include <QRectF>
#include <functional>

class QPainter;

// Qt's raster engine splits any paint operation taller than about 96 lines
// into 64-line pieces for its thread pool and waits for them: a few hundred
// context switches a frame on a two-core machine, for no gain at our sizes.
// Painting a tall area band by band keeps each operation on this thread.
// A host painting a clip of many small rectangles should band its own fills too.
void paintInBands(QPainter& painter, const QRectF& area, const std::function<void()>& paint);

// Draws `image` with each pixel enlarged to `scale` points square from
// `topLeft`, as an unfiltered scaled draw does, at the cost of a plain blit:
// Qt's scaled blit costs several times as much a pixel. Only the lines and
// columns the painter's clips leave open are copied.
void drawEnlarged(QPainter& painter, const QPointF& topLeft, const QImage& image, double scale);
