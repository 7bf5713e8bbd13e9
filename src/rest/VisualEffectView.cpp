#include "VisualEffectView.h"

#include <QPainter>
#include <QPainterPath>

void VisualEffectView::paint(QPainter& painter, const QPainterPath& shape) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, QColor(0, 0, 0, 140));
    painter.setPen(QPen(QColor(255, 255, 255, 30), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
    painter.restore();
}
