#pragma once

#include "ClassicBackground.h"
#include "ui/Springs.h"

#include <QImage>
#include <QObject>

class WallpaperManager;

// The wallpaper theme's backdrop: the manager's photo, filled and cropped,
// blurred by the selector's radius, under a light veil; the classic backdrop
// with a spinner and a line while there is no photo, and the line alone once
// the fetch has failed. Each radius is blurred
// once, at a fraction of the size, on a worker thread, and faded in with a
// spring, so dragging the selector's slider never holds up a frame.
class WallpaperBackground final : public QObject, public RestBackdrop {
    Q_OBJECT
public:
    static constexpr double defaultBlurRadius = 15.0;
    static constexpr double veilOpacity = 0.18;
    static constexpr Spring radiusSpring{0.4, 0.8};
    static inline const QString loadingLine = QStringLiteral("正在静悄悄地加载大自然壁纸...");
    static inline const QString notFetchedLine = QStringLiteral("这次没能取到大自然壁纸，就静静歇一会儿吧");

    // The manager must outlive the backdrop. The first paint of a showing
    // (after releaseCaches()) loads the photo or asks for one.
    WallpaperBackground(WallpaperManager& manager, double blurRadius, QObject* parent = nullptr);

    // Radius in points.
    void setBlurRadius(double radius) override;
    double blurRadius() const { return m_radius; }

    // Paints into `rect` at `secondsShown` since the view first showed. The
    // first call loads the cached photo, or asks for one if there is none.
    void paint(QPainter& painter, const QRectF& rect, double secondsShown) override;
    // Frames for the spinner and the fades; a steady photo costs no paint.
    bool animates() const override { return true; }
    int frameIntervalMs() const override { return 40; }
    bool opaque() const override { return true; }
    QRegion advance(const QRectF& rect, double seconds) override;
    void releaseCaches() override;
    // Whether a frame at `secondsShown` would differ from the last one: the
    // spinner turns, or a new radius is fading in.
    bool isAnimating(double secondsShown) const;
    // No photo yet, and the fetch has not failed.
    bool spinning() const;

    // The photo filled into `size` pixels, cropped, blurred by `radius` pixels
    // and veiled: the work one radius costs.
    static QImage compose(const QImage& photo, double radius, const QSize& size);

Q_SIGNALS:
    // Something new to show: a photo, a blur that finished, a radius.
    void changed();

private:
    struct Layer {
        QImage image;
        qint64 photo = 0;
        double radius = -1;
        QSize size;
        bool shows(qint64 p, double r, QSize s) const { return photo == p && radius == r && size == s; }
    };

    void composeLatest(const QImage& photo, const QSize& size, double radius, double dpr);
    void paintPlaceholder(QPainter& painter, const QRectF& rect, double secondsShown);
    static QRectF spinnerRect(const QRectF& rect);

    WallpaperManager& m_manager;
    // What this showing paints, from its first paint until out of sight.
    QImage m_photo;
    double m_radius;
    ClassicBackground m_classic;
    Layer m_shown;
    Layer m_incoming;
    Tween m_fade;
    bool m_fadePending = false;
    bool m_composing = false;
    bool m_displayed = false;
    bool m_changed = true;
    double m_glowTime = -1.0;
    double m_lastPaint = 0.0;
};
