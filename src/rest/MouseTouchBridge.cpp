#include "MouseTouchBridge.h"

#include <QMouseEvent>

MouseTouchBridge::MouseTouchBridge(std::function<void()> down, std::function<void()> up, QWidget* parent)
    : QWidget(parent)
    , onDown(std::move(down))
    , onUp(std::move(up)) {
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
}

bool MouseTouchBridge::hits(const QPointF& point) const {
    const QPointF d = point - QRectF(rect()).center();
    const double r = qMin(width(), height()) / 2.0;
    return d.x() * d.x() + d.y() * d.y() <= r * r;
}

void MouseTouchBridge::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !hits(event->position())) {
        event->ignore();
        return;
    }
    m_pressed = true;
    if (onDown)
        onDown();
}

void MouseTouchBridge::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressed) {
        event->ignore();
        return;
    }
    m_pressed = false;
    if (onUp)
        onUp();
}

// A quick second click arrives as a double click; it is a press all the same.
void MouseTouchBridge::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}
