#pragma once

#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QSizeF>
#include <QString>
#include <optional>

class QPainter;
class WallpaperManager;

// What a theme's backdrop and figure are made with, once per rest view.
struct LookContext {
    WallpaperManager* wallpapers = nullptr; // none: the photo never comes
    double blurRadius = 15.0;
    qint64 totalSeconds = 1;
    QString subtitle;
};

// What lies behind the rest view's content. The view owns one per theme
// shown and calls paint() with the whole view's rect, the seconds since the
// view first showed, and the painter's clip set to what needs repainting: a
// backdrop must paint the same pixels for the same rect and time whatever the
// clip, so that a partial repaint matches its surroundings. The view repaints
// the whole backdrop every frameIntervalMs() while animates() holds, and only
// what changed otherwise; keep the interval as long as the motion allows.
// Cost: Qt 6.4 hands every fill of more than 96 spans (a large antialiased
// shape, a scaled image) to its thread pool in slices; drawn every frame that
// is thousands of thread switches a second. Draw such things once into an
// image, or in bands of a few lines as ClassicBackground does.
class RestBackdrop {
public:
    virtual ~RestBackdrop() = default;

    virtual void paint(QPainter& painter, const QRectF& rect, double seconds) = 0;
    virtual bool animates() const { return false; }
    virtual int frameIntervalMs() const { return 100; }
    // Paints every pixel of the rect opaque: the window behind need not be translucent.
    virtual bool opaque() const { return false; }
    // Moves on to `seconds` (the time the next paints use); returns what changed.
    virtual QRegion advance(const QRectF& rect, double /*seconds*/) { return rect.toAlignedRect(); }
    // The selector's blur, in points, for backdrops that blur.
    virtual void setBlurRadius(double /*radius*/) {}
    // True to be told where the pointer is; the view then tracks the mouse.
    virtual bool wantsPointer() const { return false; }
    // The pointer in view coordinates, or nothing once it left the view.
    virtual void pointerMoved(std::optional<QPointF> /*position*/) {}
    // The view went out of sight: drop whatever the next show can rebuild.
    virtual void releaseCaches() {}
};

// What the rest view tells a figure at each paint.
struct FigureState {
    double seconds = 0;     // since the figure's first frame since it became the theme's
    double breathValue = 0; // 0 breathed out … 1 breathed in
    qint64 secondsRemaining = 0;
    qint64 totalSeconds = 1; // at least 1
    QString subtitle;        // the line drawn once per rest for all screens
    bool still = false;      // reduced motion: `seconds` stands still, changes come at once
};

// The theme's figure in the content column (between the ring and the tip, or
// alone where the theme shows no ring): a fixed size with padding above it.
// The view repaints paintedRegion() every frameIntervalMs() while animates()
// holds, and on every breathing step otherwise. On a change of theme it
// fades in and out, or springs from nothing where springsIn() holds.
class RestFigure {
public:
    virtual ~RestFigure() = default;

    virtual QSizeF size() const = 0;
    virtual double topPadding() const { return 0; }
    virtual void paint(QPainter& painter, const QRectF& rect, const FigureState& state) = 0;
    virtual bool animates() const { return false; }
    virtual int frameIntervalMs() const { return 100; }
    // Where the figure may paint when laid out in `rect`.
    virtual QRegion paintedRegion(const QRectF& rect, const FigureState& /*state*/) const {
        return rect.toAlignedRect();
    }
    // Moves on to `state`; returns what changed since the last call.
    virtual QRegion advance(const QRectF& rect, const FigureState& state) {
        return paintedRegion(rect, state);
    }
    virtual bool springsIn() const { return false; }
    // The theme was chosen again: the figure's time starts over from 0, so
    // whatever it keeps from earlier moments must go.
    virtual void restart() {}
    virtual void releaseCaches() {}
};
