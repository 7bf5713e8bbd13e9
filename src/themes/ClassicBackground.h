#pragma once

#include <QImage>
#include <QSizeF>

class QPainter;
class QRectF;

// The dark backdrop with three drifting glows under the aurora and the
// wallpaper placeholder. The glows are blurred at a fraction of the screen's
// size and scaled up: they have no detail to lose, and a full-size blur of
// radius 80 would cost a frame's whole budget.
class ClassicBackground {
public:
    static constexpr double cycleSeconds = 8.0;
    static constexpr double blurRadius = 80.0;

    // Paints into `rect` at `secondsShown` since the view first showed:
    // each glow eases from its first offset to its second in 8 s, back in 8 s.
    // A partial repaint passes `refresh` false and reuses the last frame's
    // glows, so the repainted patch cannot differ from its surroundings.
    void paint(QPainter& painter, const QRectF& rect, double secondsShown, bool refresh = true);

    // 0 at the first offsets, 1 at the second, following the ease-in-out swing.
    static double drift(double secondsShown);

private:
    void render(const QSizeF& size, double drift);

    QImage m_image;
    QSizeF m_size;
    double m_drift = -1.0;
};
