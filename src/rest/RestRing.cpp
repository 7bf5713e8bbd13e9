#include "RestRing.h"

#include "RestLayers.h"
#include "ui/Bands.h"
#include "ui/Blur.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

using namespace RestLayers;

namespace {
constexpr double haloDiameter = 220.0;
constexpr double haloBlur = 2.0;
constexpr double layerSide = 292.0;
constexpr double arcRadius = 95.0;
constexpr double arcWidth = 8.0;

QFont numberFont() {
    return Fonts::system(56, QFont::Bold, Fonts::Design::rounded);
}
QFont breathFont() {
    return Fonts::system(16, QFont::Medium);
}

QBrush arcGradient(QPointF centre) {
    QLinearGradient gradient(centre.x() - arcRadius, centre.y(), centre.x() + arcRadius, centre.y());
    gradient.setColorAt(0, Palette::teal());
    gradient.setColorAt(1, Palette::cyan());
    return gradient;
}

// The arc over `fraction` of a turn clockwise from 12 o'clock: the whole
// `ring` cut to the wedge it spans, with round ends over the cuts. Stroking
// the arc anew costs twice as much, several times a second while it moves.
QImage arcLayer(const QImage& ring, double fraction) {
    QImage layer(ring.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    layer.setDevicePixelRatio(ring.devicePixelRatio());
    const double degrees = double(std::lround(fraction * 360 * 16)) / 16;
    if (degrees <= 0.0)
        return layer;
    QPainter a(&layer);
    a.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(layerSide / 2, layerSide / 2);
    const double outer = arcRadius + arcWidth;
    QPainterPath wedge(centre);
    wedge.arcTo(QRectF(centre - QPointF(outer, outer), QSizeF(2 * outer, 2 * outer)), 90, -degrees);
    wedge.closeSubpath();
    a.setClipPath(wedge);
    // Under the wedge a line holds up to three spans: bands as thin as the
    // layers' own keep the copy off Qt's thread pool.
    const double dpr = ring.devicePixelRatio();
    for (int y = 0; y < layer.height(); y += band) {
        a.save();
        a.setClipRect(QRectF(0, y / dpr, layerSide, band / dpr), Qt::IntersectClip);
        a.drawImage(QPointF(0, 0), ring);
        a.restore();
    }
    a.setClipping(false);
    a.setPen(Qt::NoPen);
    a.setBrush(arcGradient(centre));
    const double turn = qDegreesToRadians(degrees);
    a.drawEllipse(centre + QPointF(0, -arcRadius), arcWidth / 2, arcWidth / 2);
    a.drawEllipse(centre + QPointF(arcRadius * std::sin(turn), -arcRadius * std::cos(turn)), arcWidth / 2,
                  arcWidth / 2);
    return layer;
}
} // namespace

bool RestRing::setSeconds(qint64 seconds, qint64 totalSeconds, double now, bool glide) {
    if (seconds == m_seconds)
        return false;
    const double fraction = totalSeconds > 0 ? double(seconds) / double(totalSeconds) : 0.0;
    if (m_seconds < 0 || !glide)
        m_arc.jump(fraction);
    else
        m_arc.animate(fraction, now, 0.1, Easing::linear);
    m_seconds = seconds;
    return true;
}

void RestRing::paint(QPainter& p, const QRectF& ring, double breathValue, const QString& breathText,
                     double now, double dpr) {
    const QPointF c = ring.center();
    const double haloSide = haloDiameter + 4.0 + 8 * haloBlur;
    if (m_halo.isNull()) {
        m_halo = make(haloSide, dpr, [](QPainter& h, QPointF centre) {
            h.setPen(QPen(withOpacity(Palette::teal(), 0.35), 4.0));
            h.drawEllipse(centre, haloDiameter / 2, haloDiameter / 2);
        });
        blurImage(m_halo, haloBlur * dpr);
    }
    if (m_haloLayer.isNull() || m_haloKey != breathValue) {
        const double scale = 1.0 + 0.18 * breathValue;
        m_haloLayer = make(layerSide, dpr, [this, scale, haloSide](QPainter& h, QPointF centre) {
            h.setRenderHint(QPainter::SmoothPixmapTransform);
            h.translate(centre);
            h.scale(scale, scale);
            h.drawImage(QPointF(-haloSide / 2, -haloSide / 2), m_halo);
        });
        m_haloKey = breathValue;
    }
    const double fraction = std::clamp(m_arc.valueAt(now), 0.0, 1.0);
    if (m_arcLayer.isNull() || m_arcKey != fraction) {
        if (m_ringLayer.isNull()) {
            m_ringLayer = make(layerSide, dpr, [](QPainter& a, QPointF centre) {
                a.setPen(QPen(arcGradient(centre), arcWidth));
                a.drawEllipse(centre, arcRadius, arcRadius);
            });
        }
        m_arcLayer = arcLayer(m_ringLayer, fraction);
        m_arcKey = fraction;
    }
    if (m_trackLayer.isNull()) {
        m_trackLayer = make(layerSide, dpr, [](QPainter& a, QPointF centre) {
            a.setPen(QPen(white(0.12), arcWidth));
            a.drawEllipse(centre, arcRadius, arcRadius);
        });
    }
    const QPointF corner = c - QPointF(layerSide / 2, layerSide / 2);
    // On an opaque window even plain blits this tall go to Qt's thread pool.
    paintInBands(p, QRectF(corner, QSizeF(layerSide, layerSide)), [&] {
        p.drawImage(corner, m_haloLayer);
        p.drawImage(corner, m_trackLayer);
        p.drawImage(corner, m_arcLayer);
    });

    const QFontMetricsF numberMetrics(numberFont());
    const QFontMetricsF breathMetrics(breathFont());
    const double total = numberMetrics.height() + 8.0 + breathMetrics.height();
    const double top = c.y() - total / 2;
    p.setPen(Qt::white);
    Fonts::drawText(p, QRectF(ring.left(), top, ring.width(), numberMetrics.height()), Qt::AlignCenter,
                    QString::number(std::max<qint64>(m_seconds, 0)), numberFont());
    p.setPen(Palette::teal());
    Fonts::drawText(p,
                    QRectF(ring.left() - 40, top + numberMetrics.height() + 8.0, ring.width() + 80,
                           breathMetrics.height()),
                    Qt::AlignCenter, breathText, breathFont());
}

void RestRing::releaseCaches() {
    m_halo = QImage();
    m_haloLayer = QImage();
    m_ringLayer = QImage();
    m_arcLayer = QImage();
    m_trackLayer = QImage();
}
