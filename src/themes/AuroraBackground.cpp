#include "AuroraBackground.h"

#include "ui/Palette.h"

#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace {
constexpr double wrapMargin = 20.0;
// Sprites are kept per quarter of a device pixel of diameter: finer steps
// could not be told apart, and 35 fireflies need at most 33 of them.
constexpr double spriteSteps = 4.0;
} // namespace

AuroraBackground::AuroraBackground(Uniform uniform)
    : m_uniform(std::move(uniform)) {}

QList<FireflyParticle> AuroraBackground::makeParticles(const QSizeF& size, const Uniform& uniform) {
    QList<FireflyParticle> particles;
    particles.reserve(particleCount);
    for (int i = 0; i < particleCount; ++i) {
        FireflyParticle p;
        const double x = uniform(0, size.width());
        const double y = uniform(0, size.height());
        p.position = {x, y};
        p.size = uniform(minSize, maxSize);
        const double vy = uniform(-1.2, -0.4);
        const double vx = uniform(-0.4, 0.4);
        p.velocity = {vx, vy};
        p.opacity = uniform(0.25, 0.75);
        p.id = QUuid::createUuid();
        particles.append(p);
    }
    return particles;
}

FireflyParticle AuroraBackground::step(FireflyParticle p, const QSizeF& size, std::optional<QPointF> pointer,
                                       const Uniform& uniform) {
    p.position += p.velocity;
    p.opacity = std::max(0.15, std::min(0.85, p.opacity + uniform(-0.02, 0.02)));
    if (pointer) {
        const double dx = p.position.x() - pointer->x();
        const double dy = p.position.y() - pointer->y();
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d < repelRadius) {
            const double strength = (repelRadius - d) / repelRadius;
            const double angle = std::atan2(dy, dx);
            p.position +=
                QPointF(repelForce * strength * std::cos(angle), repelForce * strength * std::sin(angle));
        }
    }
    // Out through the top comes back at the bottom; there is no bottom wrap,
    // so a firefly pushed below the screen simply rises back into view.
    if (p.position.y() < -wrapMargin) {
        p.position.setY(size.height() + wrapMargin);
        p.position.setX(uniform(0, size.width()));
    }
    if (p.position.x() < -wrapMargin)
        p.position.setX(size.width() + wrapMargin);
    else if (p.position.x() > size.width() + wrapMargin)
        p.position.setX(-wrapMargin);
    return p;
}

void AuroraBackground::initializeParticles(const QSizeF& size) {
    m_particles = makeParticles(size, m_uniform);
}

QRegion AuroraBackground::particleArea() const {
    QRegion area;
    for (const FireflyParticle& p : m_particles) {
        const double r = p.size / 2 + 1;
        area += QRectF(p.position - QPointF(r, r), QSizeF(2 * r, 2 * r)).toAlignedRect();
    }
    return area;
}

QRegion AuroraBackground::tick(const QSizeF& size) {
    if (m_particles.isEmpty())
        return {};
    QRegion dirty = particleArea();
    for (FireflyParticle& p : m_particles)
        p = step(p, size, m_mouse, m_uniform);
    return dirty + particleArea();
}

const QImage& AuroraBackground::sprite(double size, qreal dpr) {
    const int key = int(std::lround(size * dpr * spriteSteps));
    auto found = m_sprites.constFind(key);
    if (found != m_sprites.cend())
        return *found;
    const double diameter = key / spriteSteps;
    const int side = int(std::ceil(diameter)) + 2;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(side / 2.0, side / 2.0);
    // The gradient runs out at 1.5 x the diameter: only its bright inner third shows.
    QRadialGradient gradient(c, 1.5 * diameter);
    QColor core = Palette::teal();
    core.setAlphaF(0.8f);
    QColor rim = Palette::cyan();
    rim.setAlphaF(0);
    gradient.setColorAt(0, core);
    gradient.setColorAt(1, rim);
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawEllipse(c, diameter / 2, diameter / 2);
    p.end();
    image.setDevicePixelRatio(dpr);
    return *m_sprites.insert(key, image);
}

QRegion AuroraBackground::advance(const QRectF& rect, double seconds) {
    if (m_particles.isEmpty())
        initializeParticles(rect.size());
    const double glows = ClassicBackground::glowTime(seconds);
    QRegion moved = tick(rect.size()).translated(rect.topLeft().toPoint());
    if (glows != m_glowTime) {
        m_glowTime = glows;
        return rect.toAlignedRect();
    }
    return moved;
}

void AuroraBackground::releaseCaches() {
    m_classic.releaseCaches();
    m_sprites.clear();
}

void AuroraBackground::paint(QPainter& painter, const QRectF& rect, double secondsShown) {
    if (m_particles.isEmpty())
        initializeParticles(rect.size());
    m_classic.paint(painter, rect, ClassicBackground::glowTime(secondsShown));
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const double opacity = painter.opacity();
    painter.save();
    for (const FireflyParticle& p : m_particles) {
        const QImage& image = sprite(p.size, dpr);
        const QSizeF side = image.deviceIndependentSize();
        // Whole device pixels keep the blit a plain copy with no resampling.
        const QPointF at = rect.topLeft() + p.position - QPointF(side.width() / 2, side.height() / 2);
        painter.setOpacity(opacity * p.opacity);
        painter.drawImage(QPointF(std::round(at.x() * dpr) / dpr, std::round(at.y() * dpr) / dpr), image);
    }
    painter.restore();
}
