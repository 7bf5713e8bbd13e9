#pragma once

#include "ui/Springs.h"

#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

// The countdown ring: the halo swelling with the breath, the track, the arc of
// the seconds left, and inside them the count and the breath line. The halo
// is blurred once and scaled once a breath step, the arc drawn once for each
// of its values: frames in between only copy.
class RestRing {
public:
    static constexpr double side = 240.0;
    // How far past `side` the halo reaches at the top of the breath.
    static constexpr double reach = 20.0;

    // The counter moved: the arc glides there, or jumps where `glide` is false
    // or nothing was shown yet. False when `seconds` is what it shows already.
    bool setSeconds(qint64 seconds, qint64 totalSeconds, double now, bool glide);
    bool isAnimating(double now) const { return m_arc.isAnimating(now); }
    void paint(QPainter& p, const QRectF& ring, double breathValue, const QString& breathText, double now,
               double dpr);
    void releaseCaches();

private:
    Tween m_arc{1.0};
    qint64 m_seconds = -1;
    QImage m_halo;
    QImage m_haloLayer;
    double m_haloKey = -1;
    QImage m_ringLayer;
    QImage m_arcLayer;
    double m_arcKey = -1;
    QImage m_trackLayer;
};
