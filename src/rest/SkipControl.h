#pragma once

#include "ui/Springs.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

// The round hold-to-skip control and the hint line under it: the face presses
// in while held and a ring fills with the hold. At rest it is copied from a
// layer; while held it is drawn. Where `animated` is false it jumps.
class SkipControl {
public:
    static constexpr double side = 90.0;
    static double hintHeight();

    void pressed(double now, bool animated);
    void progressed(double progress) { m_progress.jump(progress); }
    void released(double now, bool animated);
    // The hold went through: the ring stays at `progress` as the face comes back.
    void completed(double progress, double now, bool animated);
    bool isAnimating(double now) const;
    void paint(QPainter& p, const QRectF& control, const QRectF& hint, const QString& hintText,
               const QColor& hintColour, double now, double dpr);
    void releaseCaches() { m_layer = QImage(); }

private:
    Tween m_press{0.0};
    Tween m_progress{0.0};
    QImage m_layer;
};
