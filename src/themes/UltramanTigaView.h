#pragma once

#include "RestBackdrop.h"
#include "Uniform.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QRegion>
#include <QString>
#include <QUuid>

class QPainter;

struct Star {
    QUuid id;
    double x = 0.0; // share of the width, 0...1
    double y = 0.0; // share of the height, 0...1
    double size = 0.0;
    double opacity = 0.0;
    double twinkleOffset = 0.0;
};

// The hero theme's sky: twinkling stars under a violet shade over the whole
// screen. The shade is drawn once per size; only the stars change.
class HeroSky {
public:
    explicit HeroSky(QList<Star> stars);
    const QList<Star>& stars() const { return m_stars; }
    void paint(QPainter& painter, const QRectF& rect, double secondsShown);
    // Where the stars are: all that changes from one twinkle to the next.
    QRegion starRegion(const QRectF& rect) const;

private:
    const QList<Star> m_stars;
    QSizeF m_size;
    qreal m_dpr = 0.0;
    QImage m_shade;
};

// The hero theme's figure: a star field, a violet shade, the guardian artwork
// bobbing in its glow, the colour-timer capsule counting the rest down, the
// headline and the rest's subtitle. Time is handed in as seconds since the
// figure first showed; the stars are drawn once, at construction.
class UltramanTigaView final : public RestFigure {
public:
    static constexpr int starCount = 120;
    static constexpr int twinkleIntervalMs = 200;
    static constexpr double heroSide = 410.0;

    struct TimerLight {
        QColor colour;
        double pulseRate; // radians a second
    };
    struct Entrance {
        double imageOpacity;
        double imageScale;
        double textOpacity;
    };
    struct Layout {
        QRectF hero; // the 410 x 410 artwork frame, before bobbing and zoom
        QRectF capsule;
        QRectF headline;
        QRectF subtitle;
    };

    // A total below 1 counts as 1. Without `artwork` the violet disc stands in.
    UltramanTigaView(qint64 totalSeconds, QString subtitle, Uniform uniform = systemUniform(),
                     QImage artwork = loadArtwork());

    // The guardian from the program's resources; null if it is missing or broken.
    static QImage loadArtwork();
    static QList<Star> makeStars(const Uniform& uniform);
    static TimerLight timerLight(qint64 secondsRemaining, qint64 totalSeconds);
    // 0.58 ... 1, beating at `rate` over the seconds shown.
    static double pulse(double secondsShown, double rate);
    static Entrance entrance(double secondsShown);

    qint64 totalSeconds() const { return m_totalSeconds; }
    const QList<Star>& stars() const { return m_sky.stars(); }
    bool hasArtwork() const { return !m_artwork.isNull(); }

    Layout layout(const QRectF& rect, qint64 secondsRemaining) const;
    // What moves between two frames: the hero group, the capsule and, while
    // they fade in, the texts; a few rectangles, cheap to repaint at 25 Hz.
    // The stars twinkle slowly (a level or two per frame): a host repaints the
    // whole view every `twinkleIntervalMs` for them, not each star every frame.
    QRegion animatedRegion(const QRectF& rect, qint64 secondsRemaining, double secondsShown) const;
    // Sky and group over the whole `rect`.
    void paint(QPainter& painter, const QRectF& rect, qint64 secondsRemaining, double secondsShown);

    // As the rest view's figure: the group alone; the sky is the backdrop's.
    QSizeF size() const override;
    double topPadding() const override { return 10.0; }
    void paint(QPainter& painter, const QRectF& rect, const FigureState& state) override;
    bool animates() const override { return true; }
    int frameIntervalMs() const override { return 40; }
    QRegion paintedRegion(const QRectF& rect, const FigureState& state) const override;
    QRegion advance(const QRectF& rect, const FigureState& state) override;
    void restart() override;
    // Once in, the group bobs at 5 pt a second at most, and the artwork is
    // blitted at whole pixels: five steps a second show every step it makes.
    // Between them only the pulsing capsule is repainted, at frame rate.
    static constexpr double groupStepSeconds = 0.2;
    static double groupTime(double secondsShown);

private:
    void prepare(qreal devicePixelRatio);
    void paintGroup(QPainter& p, const QRectF& rect, qint64 secondsRemaining, double secondsShown);
    void prepareCount(qint64 secondsRemaining, int colourIndex, double now);
    void paintHero(QPainter& p, const QRectF& frame, double f, double g, const Entrance& e) const;
    void paintCapsule(QPainter& p, const QRectF& capsule, qint64 secondsRemaining, double g, double opacity);
    QSizeF capsuleSize(qint64 secondsRemaining) const;

    const qint64 m_totalSeconds;
    const QString m_subtitle;
    HeroSky m_sky;
    const QImage m_artwork;

    // Everything below is drawn once per device pixel ratio (and size, colour
    // or count) and only blitted per frame: no blur runs at frame rate.
    qreal m_dpr = 0.0;
    QImage m_hero;
    QImage m_glowSoft;
    QImage m_glowWide;
    QImage m_halo;
    QImage m_headline;
    QImage m_subtitleImage;
    int m_lightColour = -1;
    QImage m_lightGlow;
    QImage m_coreShadow;
    QSizeF m_capsuleShadowSize;
    QImage m_capsuleShadow;
    QImage m_capsuleBase;
    QImage m_capsuleTint;
    QImage m_capsuleEdge;
    qint64 m_countSeconds = -1;
    int m_countColour = -1;
    QImage m_count;
    QImage m_countShadow;
    QImage m_previousCount;
    QImage m_previousCountShadow;
    double m_countChangedAt = 0.0;
    double m_groupTime = -1.0;
    bool m_still = false;
};
