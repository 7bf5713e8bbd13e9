#pragma once

#include <QRectF>
#include <QSizeF>

class QPainter;

// The aurora theme's figure: a cartoon cat with closed eyes that breathes with
// the rest view's breath value and wags its tail on its own. Nothing is kept
// between frames: the host hands in the breath and the seconds since the cat
// first showed, so a new cat starts its wag again from -10 degrees.
class RestingCatView {
public:
    static constexpr double height = 180.0;
    static constexpr double width = 140.0;
    static constexpr double tailSwingSeconds = 2.2;
    // The wag is the fastest motion; 30 Hz keeps the tail tip under 2 pt a frame.
    static constexpr int frameIntervalMs = 33;

    static QSizeF bodySize(double breathValue);
    // Vertical offset of the head group from its place in the stack.
    static double headOffset(double breathValue);
    static double tailAngle(double secondsShown);

    // Paints the 140 x 180 stack centred in `rect`. The tail reaches past its
    // left edge; `paintedRect` says how far, for partial repaints.
    void paint(QPainter& painter, const QRectF& rect, double breathValue, double secondsShown) const;
    static QRectF paintedRect(const QRectF& rect);
};
