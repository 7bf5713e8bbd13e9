#include "ClassicBackground.h"

#include "ui/Bands.h"
#include "ui/Blur.h"
#include "ui/Springs.h"

#include <QPainter>
#include <QRadialGradient>
#include <cmath>

namespace {
// The glows are rendered at 1/16 of the size; radius 80 becomes 5 there,
// still several pixels of blur, so nothing blocky shows once scaled up.
constexpr double scaleDown = 16.0;
// Room around the small image, so the blur does not fade a glow at the edge.
constexpr int margin = 8;
// The smooth scale-up stops at a quarter of the size: from there a glow
// changes by about a level every four pixels, so whole pixels copied four
// times over look the same and cost a plain blit instead of a filtered one.
constexpr double quarter = 4.0;

struct Glow {
    double diameter;
    QColor colour;
    double gradientRadius;
    QPointF from;
    QPointF to;
};

const Glow glows[] = {
    {700, QColor::fromRgbF(0.1f, 0.8f, 0.5f, 0.3f), 350, {-120, 80}, {120, -80}},
    {800, QColor::fromRgbF(0.5f, 0.2f, 0.8f, 0.35f), 400, {150, -100}, {-150, 100}},
    {750, QColor::fromRgbF(0.2f, 0.5f, 0.9f, 0.3f), 380, {-150, -80}, {100, 150}},
};
} // namespace

double ClassicBackground::drift(double seconds) {
    if (seconds <= 0)
        return 0.0;
    const double phase = std::fmod(seconds, 2 * cycleSeconds) / cycleSeconds;
    return Easing::easeInOut(phase <= 1.0 ? phase : 2.0 - phase);
}

double ClassicBackground::glowTime(double seconds) {
    const double frame = glowFrameMs / 1000.0;
    return std::floor(seconds / frame) * frame;
}

void ClassicBackground::render(const QSizeF& size, double drift) {
    const QSize small(qMax(1, int(std::ceil(size.width() / scaleDown))) + 2 * margin,
                      qMax(1, int(std::ceil(size.height() / scaleDown))) + 2 * margin);
    if (m_image.size() != small)
        m_image = QImage(small, QImage::Format_ARGB32_Premultiplied);
    m_image.fill(Qt::transparent);
    // No antialiasing: each glow fades to nothing before its edge, and Qt
    // would hand the many edge spans to its thread pool.
    QPainter p(&m_image);
    p.translate(margin, margin);
    p.scale(1.0 / scaleDown, 1.0 / scaleDown);
    const QPointF centre(size.width() / 2, size.height() / 2);
    p.setPen(Qt::NoPen);
    for (const Glow& glow : glows) {
        const QPointF at = centre + glow.from + (glow.to - glow.from) * drift;
        QRadialGradient gradient(at, glow.gradientRadius);
        gradient.setColorAt(0, glow.colour);
        QColor clear = glow.colour;
        clear.setAlphaF(0);
        gradient.setColorAt(1, clear);
        p.setBrush(gradient);
        p.drawEllipse(at, glow.diameter / 2, glow.diameter / 2);
    }
    p.end();
    blurImage(m_image, blurRadius / scaleDown);

    const QSizeF shown = size / quarter;
    const QSize pixels(qMax(1, int(std::ceil(shown.width()))), qMax(1, int(std::ceil(shown.height()))));
    if (m_quarter.size() != pixels)
        m_quarter = QImage(pixels, QImage::Format_RGB32);
    m_quarter.fill(baseColour());
    QPainter q(&m_quarter);
    q.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF whole(QPointF(0, 0), shown);
    paintInBands(q, whole, [&] {
        q.drawImage(whole, m_image,
                    QRectF(margin, margin, size.width() / scaleDown, size.height() / scaleDown));
    });
    q.end();
    m_size = size;
    m_drift = drift;
}

void ClassicBackground::paint(QPainter& painter, const QRectF& rect, double seconds) {
    const double d = drift(seconds);
    // A change below a hundredth of the swing moves a glow by under 3 pt.
    if (m_size != rect.size() || m_image.isNull() || std::abs(d - m_drift) > 0.004)
        render(rect.size(), d);
    // The last quarter pixel may reach past an edge the screen does not end on.
    const bool spills = QSizeF(m_quarter.size()) * quarter != rect.size();
    if (spills) {
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
    }
    drawEnlarged(painter, rect.topLeft(), m_quarter, quarter);
    if (spills)
        painter.restore();
}

void ClassicBackground::releaseCaches() {
    m_image = QImage();
    m_quarter = QImage();
    m_size = QSizeF();
    m_drift = -1.0;
}
