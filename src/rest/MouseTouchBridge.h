#pragma once

#include <QWidget>
#include <functional>

// A transparent round hit area that turns a primary-button press and its
// release into two callbacks. Presses outside the circle are not its own.
class MouseTouchBridge final : public QWidget {
    Q_OBJECT
public:
    MouseTouchBridge(std::function<void()> onDown, std::function<void()> onUp, QWidget* parent = nullptr);

    std::function<void()> onDown;
    std::function<void()> onUp;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool hits(const QPointF& point) const;
    bool m_pressed = false;
};
