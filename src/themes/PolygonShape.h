#pragma once

#include <QList>
#include <QPointF>

class QPainterPath;
class QRectF;

// A regular polygon inscribed in the largest circle centred in a rectangle,
// its first vertex pointing along +x (y grows downwards).
class PolygonShape {
public:
    explicit PolygonShape(int sides);

    QList<QPointF> vertices(const QRectF& rect) const;
    QPainterPath path(const QRectF& rect) const;

private:
    int m_sides;
};
