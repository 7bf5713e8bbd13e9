#include "PolygonShape.h"

#include <QPainterPath>
#include <QRectF>
#include <algorithm>
#include <cmath>
#include <numbers>

PolygonShape::PolygonShape(int sides)
    : m_sides(std::max(1, sides)) {}

QList<QPointF> PolygonShape::vertices(const QRectF& rect) const {
    const QPointF c = rect.center();
    const double r = std::min(rect.width(), rect.height()) / 2;
    QList<QPointF> points;
    points.reserve(m_sides);
    for (int i = 0; i < m_sides; ++i) {
        const double angle = i * 2 * std::numbers::pi / m_sides;
        points.append(c + QPointF(r * std::cos(angle), r * std::sin(angle)));
    }
    return points;
}

QPainterPath PolygonShape::path(const QRectF& rect) const {
    QPainterPath path;
    const QList<QPointF> points = vertices(rect);
    path.moveTo(points.first());
    for (qsizetype i = 1; i < points.size(); ++i)
        path.lineTo(points.at(i));
    path.closeSubpath();
    return path;
}
