#pragma once

#include "RestBackdrop.h"

#include <QImage>
#include <QSizeF>

// The dark backdrop with three drifting glows under the aurora and the
// wallpaper placeholder. The glows are blurred at a fraction of the screen's
// size and scaled up: they have no detail to lose, and a full-size blur of
// radius 80 would cost a frame's whole budget. The small image has room
// around the screen's part, so the glows do not fade toward the edges.
class ClassicBackground final : public RestBackdrop {
public:
    static constexpr double cycleSeconds = 8.0;
    static constexpr double blurRadius = 80.0;
    // The glows move under 20 points a frame under a blur of 80, a few
    // levels of colour at most: three or four frames a second cannot be told
    // from more, and each one repaints the whole screen.
    static constexpr int glowFrameMs = 300;
    static QColor baseColour() { return QColor::fromRgbF(0.08f, 0.08f, 0.12f); }

    // Each glow eases from its first offset to its second in 8 s, back in 8 s.
    void paint(QPainter& painter, const QRectF& rect, double seconds) override;
    bool animates() const override { return true; }
    int frameIntervalMs() const override { return glowFrameMs; }
    bool opaque() const override { return true; }
    void releaseCaches() override;

    // 0 at the first offsets, 1 at the second, following the ease-in-out swing.
    static double drift(double seconds);
    // `seconds` down to the start of its glow frame: backdrops that draw the
    // glows under faster motion keep them still between glow frames, so that
    // a small repaint matches what surrounds it.
    static double glowTime(double seconds);

private:
    void render(const QSizeF& size, double drift);

    QImage m_image;
    QImage m_quarter;
    QSizeF m_size;
    double m_drift = -1.0;
};
